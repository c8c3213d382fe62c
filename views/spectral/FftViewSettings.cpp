#include "views/spectral/FftViewSettings.h"

#include <algorithm>

#include "settings/CKalvoSettings.h"

FftViewSettings FftViewSettings::From(const CKalvoSettings& s) {
    FftViewSettings v;
    v.bottomCutHz = s.IniFFTBottomCutHz;
    v.topCutkHz = s.IniFFTTopCutkHz;
    v.bottomCutAmp = s.IniFFTBottomCutAmp;
    v.topCutAmp = s.IniFFTTopCutAmp;
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

void FftViewSettings::StoreInto(CKalvoSettings& s) const {
    s.IniFFTBottomCutHz = bottomCutHz;
    s.IniFFTTopCutkHz = topCutkHz;
    s.IniFFTBottomCutAmp = bottomCutAmp;
    s.IniFFTTopCutAmp = topCutAmp;
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
    bottomCutHz = std::clamp(bottomCutHz, 1, 999);
    topCutkHz = std::clamp(topCutkHz, 1, 100);
    bottomCutAmp = std::clamp(bottomCutAmp, -99, 0);
    topCutAmp = std::clamp(topCutAmp, -99, 0);
    // The upper end stays at least 5 dB above the lower one, as the controls keep it.
    if (topCutAmp > bottomCutAmp - 5) {
        if (bottomCutAmp - 5 >= -99)
            topCutAmp = bottomCutAmp - 5;
        else
            bottomCutAmp = topCutAmp + 5;
    }
    if (style < kBars || style > kColumns) style = kLines;
    delay = std::clamp(delay, 0, 15);
    minDistMaxima = std::clamp(minDistMaxima, 0, 50);
    minDistNeighbour = std::clamp(minDistNeighbour, 1, 50);
    if (splineType < kNoSpline || splineType > kBeta) splineType = kNoSpline;
    if (splineType == kNoSpline) spline = false;
}
