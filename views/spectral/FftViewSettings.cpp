#include "views/spectral/FftViewSettings.h"

#include <algorithm>

#include "settings/ProfileSettings.h"

const std::vector<SettingDescriptor>& FftViewSettings::Keys() {
    using S = ProfileSettings;
    static const std::vector<SettingDescriptor> keys = {
        {"FFT", "IniFFTBottomCutHz", &S::IniFFTBottomCutHz, 1, 999},
        {"FFT", "IniFFTTopCutkHz", &S::IniFFTTopCutkHz, 1, 100},
        {"FFT", "IniFFTBottomCutAmp", &S::IniFFTBottomCutAmp, -99, 0},
        {"FFT", "IniFFTTopCutAmp", &S::IniFFTTopCutAmp, -99, 0},
        {"FFT", "IniFFTDelay", &S::IniFFTDelay, 0, 15},
        {"FFT", "IniFFTbIsDelay", &S::IniFFTbIsDelay},
        {"FFT", "IniFFTbGrid", &S::IniFFTbGrid},
        {"FFT", "IniFFTMinAbstandMaxima", &S::IniFFTMinAbstandMaxima, 0, 50},
        {"FFT", "IniFFTMinAbstandNachbarMin", &S::IniFFTMinAbstandNachbarMin, 1, 50},
        {"FFT", "IniFFTbIsAmpLinear", &S::IniFFTbIsAmpLinear},
        {"FFT", "IniFFTbIsFreqLinear", &S::IniFFTbIsFreqLinear},
        {"FFT", "IniFFTbDarstellung", &S::IniFFTbDarstellung},
        {"FFT", "IniFFTbIsCrossVisible", &S::IniFFTbIsCrossVisible},
        {"FFT", "IniFFTbIsSpline", &S::IniFFTbIsSpline},
        {"FFT", "IniFFTSplineTyp", &S::IniFFTSplineTyp},
        {"FFT", "IniFFTbIsSumme", &S::IniFFTbIsSumme},
    };
    return keys;
}

FftViewSettings FftViewSettings::From(const ProfileSettings& s) {
    FftViewSettings v;
    v.bottomCutHz = s.IniFFTBottomCutHz;
    v.topCutkHz = s.IniFFTTopCutkHz;
    v.topDb = s.IniFFTBottomCutAmp;
    v.bottomDb = s.IniFFTTopCutAmp;
    v.ampLinear = s.IniFFTbIsAmpLinear != 0;
    v.freqLinear = s.IniFFTbIsFreqLinear != 0;
    v.style = s.IniFFTbDarstellung;
    v.hold = s.IniFFTbIsSumme != 0;
    v.delayOn = s.IniFFTbIsDelay != 0;
    v.delay = s.IniFFTDelay;
    v.grid = s.IniFFTbGrid != 0;
    v.markers = s.IniFFTbIsCrossVisible != 0;
    v.minDistMaxima = s.IniFFTMinAbstandMaxima;
    v.minDistNeighbour = s.IniFFTMinAbstandNachbarMin;
    v.spline = s.IniFFTbIsSpline != 0;
    v.splineType = s.IniFFTSplineTyp;
    v.Sanitize();
    return v;
}

void FftViewSettings::StoreInto(ProfileSettings& s) const {
    s.IniFFTBottomCutHz = bottomCutHz;
    s.IniFFTTopCutkHz = topCutkHz;
    s.IniFFTBottomCutAmp = topDb;
    s.IniFFTTopCutAmp = bottomDb;
    s.IniFFTbIsAmpLinear = ampLinear ? 1 : 0;
    s.IniFFTbIsFreqLinear = freqLinear ? 1 : 0;
    s.IniFFTbDarstellung = style;
    s.IniFFTbIsSumme = hold ? 1 : 0;
    s.IniFFTbIsDelay = delayOn ? 1 : 0;
    s.IniFFTDelay = delay;
    s.IniFFTbGrid = grid ? 1 : 0;
    s.IniFFTbIsCrossVisible = markers ? 1 : 0;
    s.IniFFTMinAbstandMaxima = minDistMaxima;
    s.IniFFTMinAbstandNachbarMin = minDistNeighbour;
    s.IniFFTbIsSpline = spline ? 1 : 0;
    s.IniFFTSplineTyp = splineType;
}

void FftViewSettings::Sanitize() {
    bottomCutHz = Key("IniFFTBottomCutHz").Clamped(bottomCutHz);
    topCutkHz = Key("IniFFTTopCutkHz").Clamped(topCutkHz);
    topDb = Key("IniFFTBottomCutAmp").Clamped(topDb);
    bottomDb = Key("IniFFTTopCutAmp").Clamped(bottomDb);
    // The upper end stays at least 5 dB above the lower one, as the controls keep it.
    if (bottomDb > topDb - 5) {
        if (topDb - 5 >= -99)
            bottomDb = topDb - 5;
        else
            topDb = bottomDb + 5;
    }
    if (style < kBars || style > kColumns) style = kLines;
    delay = Key("IniFFTDelay").Clamped(delay);
    minDistMaxima = Key("IniFFTMinAbstandMaxima").Clamped(minDistMaxima);
    minDistNeighbour = Key("IniFFTMinAbstandNachbarMin").Clamped(minDistNeighbour);
    if (splineType < kNoSpline || splineType > kBeta) splineType = kNoSpline;
    if (splineType == kNoSpline) spline = false;
}
