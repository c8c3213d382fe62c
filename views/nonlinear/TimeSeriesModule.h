#pragma once
// Registers the time series module: its window and its command-line entries.

void RegisterTimeSeriesModule();
