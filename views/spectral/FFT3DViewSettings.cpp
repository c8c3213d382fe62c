#include "views/spectral/FFT3DViewSettings.h"

#include <algorithm>

#include "render3d/CD3DApplication.h"
#include "settings/CKalvoSettings.h"

FFT3DViewSettings FFT3DViewSettings::From(const CKalvoSettings& st) {
    FFT3DViewSettings s;
    if (st.Ini3DFFTSchrittweite > 0) s.rowStep = st.Ini3DFFTSchrittweite;
    s.background = CD3DApplication::OpaqueColour(st.Ini3DFFTclrBackBuffer);
    s.bottomCutHz = std::clamp(st.Ini3DFFTBottomCutHz, 1, 999);
    s.topCutkHz = std::clamp(st.Ini3DFFTTopCutkHz, 1, 100);
    s.pointSize = st.Ini3DFFTSizePts;
    s.wire = st.Ini3DFFTbIsWire != 0;
    s.width = std::clamp(st.Ini3DFFTBreite, 1, 20);
    s.epsilon = std::clamp(st.Ini3DFFTEpsilon, 0.01f, 0.2f);
    s.tau = st.Ini3DFFTTau;
    s.rainbow = st.Ini3DFFTbIsBunt != 0;
    s.ampLinear = st.Ini3DFFTbIsAmpLinear != 0;
    s.freqLinear = st.Ini3DFFTbIsFreqLinear != 0;
    return s;
}

void FFT3DViewSettings::StoreInto(CKalvoSettings& st) const {
    st.Ini3DFFTSchrittweite = rowStep;
    st.Ini3DFFTclrBackBuffer = int(background | 0xFF000000u);
    st.Ini3DFFTBottomCutHz = bottomCutHz;
    st.Ini3DFFTTopCutkHz = topCutkHz;
    st.Ini3DFFTSizePts = pointSize;
    st.Ini3DFFTbIsWire = wire ? 1 : 0;
    st.Ini3DFFTBreite = width;
    st.Ini3DFFTEpsilon = epsilon;
    st.Ini3DFFTTau = tau;
    st.Ini3DFFTbIsBunt = rainbow ? 1 : 0;
    st.Ini3DFFTbIsAmpLinear = ampLinear ? 1 : 0;
    st.Ini3DFFTbIsFreqLinear = freqLinear ? 1 : 0;
}

LandscapeSettings FFT3DViewSettings::Landscape() const {
    LandscapeSettings l;
    l.bottomHz = bottomCutHz;
    l.topHz = topCutkHz * 1000.0;
    l.halfWidth = width;
    l.epsilon = epsilon;
    l.rowStep = rowStep;
    l.linearHeight = ampLinear;
    l.linearFrequency = freqLinear;
    l.rainbow = rainbow;
    l.fixedColour = fixedColour;
    return l;
}
