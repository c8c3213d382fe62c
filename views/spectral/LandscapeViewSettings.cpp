#include "views/spectral/LandscapeViewSettings.h"

#include <algorithm>

#include "render3d/GlSceneView.h"
#include "settings/ProfileSettings.h"

const std::vector<SettingDescriptor>& LandscapeViewSettings::Keys() {
    using S = ProfileSettings;
    static const std::vector<SettingDescriptor> keys = {
        {"3DFFT", "Ini3DFFTSchrittweite", &S::Ini3DFFTSchrittweite, 0.0001, 1.0},
        {"3DFFT", "Ini3DFFTclrBackBuffer", &S::Ini3DFFTclrBackBuffer},
        {"3DFFT", "Ini3DFFTBottomCutHz", &S::Ini3DFFTBottomCutHz, 1, 999},
        {"3DFFT", "Ini3DFFTTopCutkHz", &S::Ini3DFFTTopCutkHz, 1, 100},
        {"3DFFT", "Ini3DFFTSizePts", &S::Ini3DFFTSizePts, 0.1, 20},
        {"3DFFT", "Ini3DFFTbIsWire", &S::Ini3DFFTbIsWire},
        {"3DFFT", "Ini3DFFTBreite", &S::Ini3DFFTBreite, 1, 20},
        {"3DFFT", "Ini3DFFTEpsilon", &S::Ini3DFFTEpsilon, 0.01, 0.2},
        {"3DFFT", "Ini3DFFTTau", &S::Ini3DFFTTau, 1, 500},
        {"3DFFT", "Ini3DFFTbIsBunt", &S::Ini3DFFTbIsBunt},
        {"3DFFT", "Ini3DFFTbIsAmpLinear", &S::Ini3DFFTbIsAmpLinear},
        {"3DFFT", "Ini3DFFTbIsFreqLinear", &S::Ini3DFFTbIsFreqLinear},
    };
    return keys;
}

LandscapeViewSettings LandscapeViewSettings::From(const ProfileSettings& profile) {
    // Whatever a profile or an edit left there, the window works within the keys' ranges.
    ProfileSettings st = profile;
    for (const SettingDescriptor& key : Keys()) st.PullIntoRange(key);
    LandscapeViewSettings s;
    if (st.Ini3DFFTSchrittweite > 0) s.rowStep = st.Ini3DFFTSchrittweite;
    s.background = GlSceneView::OpaqueColour(st.Ini3DFFTclrBackBuffer);
    s.bottomCutHz = Key("Ini3DFFTBottomCutHz").Clamped(st.Ini3DFFTBottomCutHz);
    s.topCutkHz = Key("Ini3DFFTTopCutkHz").Clamped(st.Ini3DFFTTopCutkHz);
    s.pointSize = st.Ini3DFFTSizePts;
    s.wire = st.Ini3DFFTbIsWire != 0;
    s.width = Key("Ini3DFFTBreite").Clamped(st.Ini3DFFTBreite);
    s.epsilon = static_cast<float>(Key("Ini3DFFTEpsilon").Clamped(double(st.Ini3DFFTEpsilon)));
    s.tau = st.Ini3DFFTTau;
    s.rainbow = st.Ini3DFFTbIsBunt != 0;
    s.ampLinear = st.Ini3DFFTbIsAmpLinear != 0;
    s.freqLinear = st.Ini3DFFTbIsFreqLinear != 0;
    return s;
}

void LandscapeViewSettings::StoreInto(ProfileSettings& st) const {
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

LandscapeSettings LandscapeViewSettings::Landscape() const {
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
