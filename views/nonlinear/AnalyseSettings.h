#pragma once
// The parameters of the three calculations of the analysis window, as the profile keeps them,
// and how they go to the engine: the window's Calculate and the command line pass them alike.

#include <cstddef>

#include "analysis/CLyapunovKantz.h"

#include <vector>

#include "settings/SettingDescriptor.h"

class CKalvoSettings;

struct AnalyseSettings {
    // Spectrum (mode 0).
    int dimLya = 3, tauLya = 5, numberOfLya = 30, iterLya = 1000, numPointsLya = 10000, maxDimLya = 10;
    double radiusMinLya = 0.001;
    // Largest exponent (mode 1).
    int numPointsLyaMax = 10000, iterLyaMax = 50, numberOfLyaMax = 5, tauLyaMax = 5;
    double radiusMinLyaMax = 0.001, radiusMaxLyaMax = 0.01;
    int minDimDoneMaxLya = 2, maxDimDoneMaxLya = 5, referenzLyaMax = 500;
    // Correlation dimension (mode 2).
    int dimKorr = 3, numPointsKorr = 10000, numberOfKorr = 100, tauKorr = 5;
    double radiusMinKorr = 0.001, radiusMaxKorr = 1.0;
    int maxDimKorr = 10, iterKorr = 1000;
    int whatIs = 1;

    // The profile keys of these settings, with their ranges.

    static const std::vector<SettingDescriptor>& Keys();

    static const SettingDescriptor& Key(const char* key) { return FindDescriptor(Keys(), key); }

    static AnalyseSettings From(const CKalvoSettings& settings);
    void StoreInto(CKalvoSettings& settings) const;

    // Sets the engine's parameters of the mode; returns how many samples of a selection of
    // `available` the calculation uses.
    std::size_t Prepare(CLyapunovKantz& engine, int mode, std::size_t available) const;
    // The iteration count the spectrum is given (0 means 1000).
    unsigned SpectrumIterations() const { return iterLya > 0 ? static_cast<unsigned>(iterLya) : 1000u; }
};
