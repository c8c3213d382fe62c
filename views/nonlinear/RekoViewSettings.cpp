#include "views/nonlinear/RekoViewSettings.h"

#include <algorithm>

#include "analysis/DelayReconstruction.h"
#include "render3d/CD3DApplication.h"
#include "settings/CKalvoSettings.h"

RekoViewSettings RekoViewSettings::From(const CKalvoSettings& st) {
    RekoViewSettings s;
    s.tau = std::clamp(st.IniRekoTau, 1, 500);
    s.background = CD3DApplication::OpaqueColour(st.IniRekoclrBackBuffer);
    s.pointSize = std::clamp(st.IniRekoSizePts, 1.0f, 20.0f);
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
