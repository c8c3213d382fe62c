#pragma once
// Registers the analysis module: its window and its command-line entries (the picture of the
// current calculation, and the tables of the three calculations).

void RegisterAnalysisModule();
