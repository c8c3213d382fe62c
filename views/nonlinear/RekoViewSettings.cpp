#include "views/nonlinear/RekoViewSettings.h"

#include <algorithm>

#include "analysis/DelayReconstruction.h"
#include "render3d/CD3DApplication.h"
#include "settings/CKalvoSettings.h"

const std::vector<SettingDescriptor>& RekoViewSettings::Keys() {
    using S = CKalvoSettings;
    static const std::vector<SettingDescriptor> keys = {
        {"Rekonstruktion", "IniRekoTau", &S::IniRekoTau, 1, 500},
        {"Rekonstruktion", "IniRekoclrBackBuffer", &S::IniRekoclrBackBuffer},
        {"Rekonstruktion", "IniRekoSizePts", &S::IniRekoSizePts, 1, 20},
        {"Rekonstruktion", "IniRekobIsPunkte", &S::IniRekobIsPunkte},
        {"Rekonstruktion", "IniRekoNumRekoPoints", &S::IniRekoNumRekoPoints},
        {"Rekonstruktion", "IniRekobIsBunt", &S::IniRekobIsBunt},
    };
    return keys;
}

RekoViewSettings RekoViewSettings::From(const CKalvoSettings& st) {
    RekoViewSettings s;
    s.tau = Key("IniRekoTau").Clamped(st.IniRekoTau);
    s.background = CD3DApplication::OpaqueColour(st.IniRekoclrBackBuffer);
    s.pointSize = static_cast<float>(Key("IniRekoSizePts").Clamped(double(st.IniRekoSizePts)));
    s.points = st.IniRekobIsPunkte != 0;
    s.numPoints = DelayReconstruction::CoupledPointCount(std::max(st.IniRekoNumRekoPoints, 1), s.tau);
    s.rainbow = st.IniRekobIsBunt != 0;
    return s;
}

void RekoViewSettings::StoreInto(CKalvoSettings& st) const {
    st.IniRekoTau = tau;
    st.IniRekoclrBackBuffer = int(background | 0xFF000000u);
    st.IniRekoSizePts = pointSize;
    st.IniRekobIsPunkte = points ? 1 : 0;
    st.IniRekoNumRekoPoints = numPoints;
    st.IniRekobIsBunt = rainbow ? 1 : 0;
}
