#pragma once
// The parameters of the three calculations of the analysis window, as the profile keeps them,
// and how they go to the engine: the window's Calculate and the command line pass them alike.

#include <cstddef>
#include <limits>

#include "analysis/LyapunovKantz.h"

#include <vector>

#include "settings/SettingDescriptor.h"

class ProfileSettings;

// The three calculations of the analysis window; the numbers are the profile's
// "IniAnalyseWhatIs" and the engine's modes.
enum class AnalysisMode : int { Spectrum = 0, LargestExponent = 1, CorrelationDimension = 2 };

// The value of each mode, picked by the mode.
template <class T>
T ByMode(AnalysisMode mode, T spectrum, T largestExponent, T correlationDimension) {
    switch (mode) {
        case AnalysisMode::Spectrum:
            return spectrum;
        case AnalysisMode::LargestExponent:
            return largestExponent;
        case AnalysisMode::CorrelationDimension:
            break;
    }
    return correlationDimension;
}

struct AnalysisSettings {
    // Spectrum.
    int dimLya = 3, tauLya = 5, numberOfLya = 30, iterLya = 1000, numPointsLya = 10000, maxDimLya = 10;
    double radiusMinLya = 0.001;
    // Largest exponent.
    int numPointsLyaMax = 10000, iterLyaMax = 50, numberOfLyaMax = 5, tauLyaMax = 5;
    double radiusMinLyaMax = 0.001, radiusMaxLyaMax = 0.01;
    int minDimDoneMaxLya = 2, maxDimDoneMaxLya = 5, referenzLyaMax = 500;
    // Correlation dimension.
    int dimKorr = 3, numPointsKorr = 10000, numberOfKorr = 100, tauKorr = 5;
    double radiusMinKorr = 0.001, radiusMaxKorr = 1.0;
    int maxDimKorr = 10, iterKorr = 1000;
    AnalysisMode mode = AnalysisMode::LargestExponent;
    // The threads a calculation runs on, 0 for one per core (not kept in the profile: the
    // results are the same on any number).
    unsigned threads = 0;

    // The profile keys of these settings, with their ranges. The counts and dimensions stay
    // where the engine's tables fit in memory and a calculation ends in reasonable time; the
    // number of points is bounded by the selection anyway.
    static constexpr int kMostDimensions = 50;
    static constexpr int kLongestDelay = 1000;
    static constexpr int kMostPoints = std::numeric_limits<int>::max();
    static constexpr double kSmallestRadius = 1e-9, kLargestRadius = 1e9;

    static const std::vector<SettingDescriptor>& Keys();

    static const SettingDescriptor& Key(const char* key) { return FindDescriptor(Keys(), key); }

    static AnalysisSettings From(const ProfileSettings& settings);
    void StoreInto(ProfileSettings& settings) const;

    // Sets the engine's parameters of the mode; returns how many samples of a selection of
    // `available` the calculation uses.
    std::size_t Prepare(LyapunovKantz& engine, AnalysisMode mode, std::size_t available) const;
    // The iteration count the spectrum is given (0 means 1000).
    unsigned SpectrumIterations() const { return iterLya > 0 ? static_cast<unsigned>(iterLya) : 1000u; }
};
