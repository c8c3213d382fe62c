#pragma once
// Registers the score window and its command-line entries (--render and --export score).

#include <vector>

#include "settings/SettingDescriptor.h"

void RegisterScoreModule();
// The profile keys of the score window, with their ranges.
const std::vector<SettingDescriptor>& ScoreKeys();
