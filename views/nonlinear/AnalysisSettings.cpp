#include "views/nonlinear/AnalysisSettings.h"

#include <algorithm>

#include "settings/ProfileSettings.h"

const std::vector<SettingDescriptor>& AnalysisSettings::Keys() {
    using S = ProfileSettings;
    static const std::vector<SettingDescriptor> keys = {
        {"Analyse", "IniAnalyseDimLya", &S::IniAnalyseDimLya, 2, kMostDimensions},
        {"Analyse", "IniAnalyseTauLya", &S::IniAnalyseTauLya, 1, kLongestDelay},
        {"Analyse", "IniAnalyseNumberOfLya", &S::IniAnalyseNumberOfLya, 0, 500},
        {"Analyse", "IniAnalyseIterLya", &S::IniAnalyseIterLya, 0, 100000},
        {"Analyse", "IniAnalyseNumPointsLya", &S::IniAnalyseNumPointsLya, 1, kMostPoints},
        {"Analyse", "IniAnalyseMaxDimLya", &S::IniAnalyseMaxDimLya, 2, kMostDimensions},
        {"Analyse", "IniAnalyseRadiusMinLya", &S::IniAnalyseRadiusMinLya, kSmallestRadius, kLargestRadius},
        {"Analyse", "IniAnalyseNumPointsLyaMax", &S::IniAnalyseNumPointsLyaMax, 1, kMostPoints},
        {"Analyse", "IniAnalyseIterLyaMax", &S::IniAnalyseIterLyaMax, 1, 1000},
        {"Analyse", "IniAnalyseNumberOfLyaMax", &S::IniAnalyseNumberOfLyaMax, 1, 100},
        {"Analyse", "IniAnalyseTauLyaMax", &S::IniAnalyseTauLyaMax, 1, kLongestDelay},
        {"Analyse", "IniAnalyseRadiusMinLyaMax", &S::IniAnalyseRadiusMinLyaMax, kSmallestRadius,
         kLargestRadius},
        {"Analyse", "IniAnalyseRadiusMaxLyaMax", &S::IniAnalyseRadiusMaxLyaMax, kSmallestRadius,
         kLargestRadius},
        {"Analyse", "IniAnalyseMinDimDoneMaxLya", &S::IniAnalyseMinDimDoneMaxLya, 1, kMostDimensions},
        {"Analyse", "IniAnalyseMaxDimDoneMaxLya", &S::IniAnalyseMaxDimDoneMaxLya, 1, kMostDimensions},
        {"Analyse", "IniAnalyseReferenzLyaMax", &S::IniAnalyseReferenzLyaMax, 0, kMostPoints},
        {"Analyse", "IniAnalyseDimKorr", &S::IniAnalyseDimKorr, 1, kMostDimensions},
        {"Analyse", "IniAnalyseNumPointsKorr", &S::IniAnalyseNumPointsKorr, 1, kMostPoints},
        {"Analyse", "IniAnalyseNumberOfKorr", &S::IniAnalyseNumberOfKorr, 1, 1000},
        {"Analyse", "IniAnalyseTauKorr", &S::IniAnalyseTauKorr, 1, kLongestDelay},
        {"Analyse", "IniAnalyseRadiusMinKorr", &S::IniAnalyseRadiusMinKorr, kSmallestRadius, kLargestRadius},
        {"Analyse", "IniAnalyseRadiusMaxKorr", &S::IniAnalyseRadiusMaxKorr, kSmallestRadius, kLargestRadius},
        {"Analyse", "IniAnalyseMaxDimKorr", &S::IniAnalyseMaxDimKorr, 1, kMostDimensions},
        {"Analyse", "IniAnalyseIterKorr", &S::IniAnalyseIterKorr, 0, kMostPoints},
        {"Analyse", "IniAnalyseWhatIs", &S::IniAnalyseWhatIs, 0, 2},
        {"Analyse", "IniAnalyseFitFromKorr", &S::IniAnalyseFitFromKorr},
        {"Analyse", "IniAnalyseFitToKorr", &S::IniAnalyseFitToKorr},
    };
    return keys;
}

namespace {
unsigned U(int v) {
    return v > 0 ? static_cast<unsigned>(v) : 0u;
}
}  // namespace

AnalysisSettings AnalysisSettings::From(const ProfileSettings& profile) {
    // Whatever a profile or an edit left there, the window works within the keys' ranges.
    ProfileSettings s = profile;
    for (const SettingDescriptor& key : Keys()) s.PullIntoRange(key);
    AnalysisSettings a;
    a.dimLya = s.IniAnalyseDimLya;
    a.tauLya = s.IniAnalyseTauLya;
    a.numberOfLya = s.IniAnalyseNumberOfLya;
    a.iterLya = s.IniAnalyseIterLya;
    a.numPointsLya = s.IniAnalyseNumPointsLya;
    a.maxDimLya = s.IniAnalyseMaxDimLya;
    a.radiusMinLya = s.IniAnalyseRadiusMinLya;
    a.numPointsLyaMax = s.IniAnalyseNumPointsLyaMax;
    a.iterLyaMax = s.IniAnalyseIterLyaMax;
    a.numberOfLyaMax = s.IniAnalyseNumberOfLyaMax;
    a.tauLyaMax = s.IniAnalyseTauLyaMax;
    a.radiusMinLyaMax = s.IniAnalyseRadiusMinLyaMax;
    a.radiusMaxLyaMax = s.IniAnalyseRadiusMaxLyaMax;
    a.minDimDoneMaxLya = s.IniAnalyseMinDimDoneMaxLya;
    a.maxDimDoneMaxLya = s.IniAnalyseMaxDimDoneMaxLya;
    a.referenzLyaMax = s.IniAnalyseReferenzLyaMax;
    a.dimKorr = s.IniAnalyseDimKorr;
    a.numPointsKorr = s.IniAnalyseNumPointsKorr;
    a.numberOfKorr = s.IniAnalyseNumberOfKorr;
    a.tauKorr = s.IniAnalyseTauKorr;
    a.radiusMinKorr = s.IniAnalyseRadiusMinKorr;
    a.radiusMaxKorr = s.IniAnalyseRadiusMaxKorr;
    a.maxDimKorr = s.IniAnalyseMaxDimKorr;
    a.iterKorr = s.IniAnalyseIterKorr;
    a.mode = static_cast<AnalysisMode>(Key("IniAnalyseWhatIs").Clamped(s.IniAnalyseWhatIs));
    return a;
}

void AnalysisSettings::StoreInto(ProfileSettings& s) const {
    s.IniAnalyseDimLya = dimLya;
    s.IniAnalyseTauLya = tauLya;
    s.IniAnalyseNumberOfLya = numberOfLya;
    s.IniAnalyseIterLya = iterLya;
    s.IniAnalyseNumPointsLya = numPointsLya;
    s.IniAnalyseMaxDimLya = maxDimLya;
    s.IniAnalyseRadiusMinLya = radiusMinLya;
    s.IniAnalyseNumPointsLyaMax = numPointsLyaMax;
    s.IniAnalyseIterLyaMax = iterLyaMax;
    s.IniAnalyseNumberOfLyaMax = numberOfLyaMax;
    s.IniAnalyseTauLyaMax = tauLyaMax;
    s.IniAnalyseRadiusMinLyaMax = radiusMinLyaMax;
    s.IniAnalyseRadiusMaxLyaMax = radiusMaxLyaMax;
    s.IniAnalyseMinDimDoneMaxLya = minDimDoneMaxLya;
    s.IniAnalyseMaxDimDoneMaxLya = maxDimDoneMaxLya;
    s.IniAnalyseReferenzLyaMax = referenzLyaMax;
    s.IniAnalyseDimKorr = dimKorr;
    s.IniAnalyseNumPointsKorr = numPointsKorr;
    s.IniAnalyseNumberOfKorr = numberOfKorr;
    s.IniAnalyseTauKorr = tauKorr;
    s.IniAnalyseRadiusMinKorr = radiusMinKorr;
    s.IniAnalyseRadiusMaxKorr = radiusMaxKorr;
    s.IniAnalyseMaxDimKorr = maxDimKorr;
    s.IniAnalyseIterKorr = iterKorr;
    s.IniAnalyseWhatIs = static_cast<int>(mode);
}

std::size_t AnalysisSettings::Prepare(LyapunovKantz& engine, AnalysisMode calculation,
                                      std::size_t available) const {
    engine.SetThreads(threads);
    switch (calculation) {
        case AnalysisMode::Spectrum:
            engine.SetParameters(0, 0, U(dimLya), U(tauLya), numberOfLya > 0 ? U(numberOfLya) : 30u,
                                 radiusMinLya, 0.0, LyapunovKantz::kSpectrum, 0);
            return std::min<std::size_t>(available, U(numPointsLya));
        case AnalysisMode::LargestExponent:
            // The reference vectors are those of their own control (not the iteration count), so
            // that a user can trade accuracy for time.
            engine.SetParameters(U(iterLyaMax), U(maxDimDoneMaxLya), U(minDimDoneMaxLya), U(tauLyaMax),
                                 U(numberOfLyaMax), radiusMinLyaMax, radiusMaxLyaMax, LyapunovKantz::kMaxLyap,
                                 referenzLyaMax > 0 ? U(referenzLyaMax) : ~0u);
            return std::min<std::size_t>(available, U(numPointsLyaMax));
        case AnalysisMode::CorrelationDimension:
            break;
    }
    engine.SetParameters(U(iterKorr), U(maxDimKorr), U(dimKorr), U(tauKorr), U(numberOfKorr), radiusMinKorr,
                         radiusMaxKorr, LyapunovKantz::kCorrDim, 0);
    return std::min<std::size_t>(available, U(numPointsKorr));
}
