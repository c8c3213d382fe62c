#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ReconstructionPoint {
    float x = 0, y = 0, z = 0;
    std::uint32_t argb = 0xFF000000u;
};

// Delay reconstruction (y(t), y(t+Tau), y(t+2·Tau)) of a selection, down-sampled to a point budget.
struct DelayReconstruction {
    // When the number of points is not above 2·Tau the user surely meant more: 3·Tau.
    static int CoupledPointCount(int points, int tau);

    // Samples as stored (8-bit unsigned sound has eightBit set), fullScale the largest amplitude.
    // Values are scaled to [-2, 2] (16 bit) or [-1, 1] (8 bit), the length of the axes.
    static std::vector<ReconstructionPoint> Build(const std::vector<double>& samples, double fullScale,
                                                  bool eightBit, int tau, int maxPoints, bool rainbow,
                                                  std::uint32_t fixedColour);

    // Tab-separated table of the raw samples (time in ms, values in % of full scale); numbers with a
    // decimal comma for spreadsheets. The header line is passed in (it comes from the string table).
    static std::string ExportText(const std::vector<double>& samples, double fullScale, double sampleRate,
                                  int tau, const std::string& header);
};
