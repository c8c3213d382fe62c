#pragma once
// Registers the time series module: its window and its command-line entries.

#include <vector>

#include "settings/SettingDescriptor.h"

void RegisterTimeSeriesModule();
// The profile keys of the time series window, with their ranges.
const std::vector<SettingDescriptor>& TimeSeriesKeys();
