#include "views/nonlinear/AnalysisSettings.h"

#include <algorithm>

#include "settings/ProfileSettings.h"

const std::vector<SettingDescriptor>& AnalysisSettings::Keys() {
    using S = ProfileSettings;
    static const std::vector<SettingDescriptor> keys = {
        {"Analyse", "IniAnalyseDimLya", &S::IniAnalyseDimLya},
        {"Analyse", "IniAnalyseTauLya", &S::IniAnalyseTauLya},
        {"Analyse", "IniAnalyseNumberOfLya", &S::IniAnalyseNumberOfLya},
        {"Analyse", "IniAnalyseIterLya", &S::IniAnalyseIterLya},
        {"Analyse", "IniAnalyseNumPointsLya", &S::IniAnalyseNumPointsLya},
        {"Analyse", "IniAnalyseMaxDimLya", &S::IniAnalyseMaxDimLya},
        {"Analyse", "IniAnalyseRadiusMinLya", &S::IniAnalyseRadiusMinLya},
        {"Analyse", "IniAnalyseNumPointsLyaMax", &S::IniAnalyseNumPointsLyaMax},
        {"Analyse", "IniAnalyseIterLyaMax", &S::IniAnalyseIterLyaMax},
        {"Analyse", "IniAnalyseNumberOfLyaMax", &S::IniAnalyseNumberOfLyaMax},
        {"Analyse", "IniAnalyseTauLyaMax", &S::IniAnalyseTauLyaMax},
        {"Analyse", "IniAnalyseRadiusMinLyaMax", &S::IniAnalyseRadiusMinLyaMax},
        {"Analyse", "IniAnalyseRadiusMaxLyaMax", &S::IniAnalyseRadiusMaxLyaMax},
        {"Analyse", "IniAnalyseMinDimDoneMaxLya", &S::IniAnalyseMinDimDoneMaxLya},
        {"Analyse", "IniAnalyseMaxDimDoneMaxLya", &S::IniAnalyseMaxDimDoneMaxLya},
        {"Analyse", "IniAnalyseReferenzLyaMax", &S::IniAnalyseReferenzLyaMax},
        {"Analyse", "IniAnalyseDimKorr", &S::IniAnalyseDimKorr},
        {"Analyse", "IniAnalyseNumPointsKorr", &S::IniAnalyseNumPointsKorr},
        {"Analyse", "IniAnalyseNumberOfKorr", &S::IniAnalyseNumberOfKorr},
        {"Analyse", "IniAnalyseTauKorr", &S::IniAnalyseTauKorr},
        {"Analyse", "IniAnalyseRadiusMinKorr", &S::IniAnalyseRadiusMinKorr},
        {"Analyse", "IniAnalyseRadiusMaxKorr", &S::IniAnalyseRadiusMaxKorr},
        {"Analyse", "IniAnalyseMaxDimKorr", &S::IniAnalyseMaxDimKorr},
        {"Analyse", "IniAnalyseIterKorr", &S::IniAnalyseIterKorr},
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

AnalysisSettings AnalysisSettings::From(const ProfileSettings& s) {
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
