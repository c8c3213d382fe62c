#include "views/nonlinear/ReconstructionViewSettings.h"

#include <algorithm>

#include "analysis/DelayReconstruction.h"
#include "render3d/GlSceneView.h"
#include "settings/ProfileSettings.h"

const std::vector<SettingDescriptor>& ReconstructionViewSettings::Keys() {
    using S = ProfileSettings;
    static const std::vector<SettingDescriptor> keys = {
        {"Rekonstruktion", "IniRekoTau", &S::IniRekoTau, 1, 500},
        {"Rekonstruktion", "IniRekoclrBackBuffer", &S::IniRekoclrBackBuffer},
        {"Rekonstruktion", "IniRekoSizePts", &S::IniRekoSizePts, 1, 20},
        {"Rekonstruktion", "IniRekobIsPunkte", &S::IniRekobIsPunkte},
        {"Rekonstruktion", "IniRekoNumRekoPoints", &S::IniRekoNumRekoPoints, 1, 100000000},
        {"Rekonstruktion", "IniRekobIsBunt", &S::IniRekobIsBunt},
    };
    return keys;
}

ReconstructionViewSettings ReconstructionViewSettings::From(const ProfileSettings& profile) {
    // Whatever a profile or an edit left there, the window works within the keys' ranges.
    ProfileSettings st = profile;
    for (const SettingDescriptor& key : Keys()) st.PullIntoRange(key);
    ReconstructionViewSettings s;
    s.tau = Key("IniRekoTau").Clamped(st.IniRekoTau);
    s.background = GlSceneView::OpaqueColour(st.IniRekoclrBackBuffer);
    s.pointSize = static_cast<float>(Key("IniRekoSizePts").Clamped(double(st.IniRekoSizePts)));
    s.points = st.IniRekobIsPunkte != 0;
    s.numPoints = DelayReconstruction::CoupledPointCount(std::max(st.IniRekoNumRekoPoints, 1), s.tau);
    s.rainbow = st.IniRekobIsBunt != 0;
    return s;
}

void ReconstructionViewSettings::StoreInto(ProfileSettings& st) const {
    st.IniRekoTau = tau;
    st.IniRekoclrBackBuffer = int(background | 0xFF000000u);
    st.IniRekoSizePts = pointSize;
    st.IniRekobIsPunkte = points ? 1 : 0;
    st.IniRekoNumRekoPoints = numPoints;
    st.IniRekobIsBunt = rainbow ? 1 : 0;
}
