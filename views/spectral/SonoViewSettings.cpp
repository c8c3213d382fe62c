#include "views/spectral/SonoViewSettings.h"

#include <algorithm>

#include "settings/CKalvoSettings.h"

SonoViewSettings SonoViewSettings::From(const CKalvoSettings& s) {
    SonoViewSettings v;
    v.bottomCutHz = s.IniSonoBottomCutHz;
    v.topCutkHz = s.IniSonoTopCutkHz;
    v.ampLinear = s.IniSonobIsAmpLinear != 0;
    v.freqLinear = s.IniSonobIsFreqLinear != 0;
    v.colour1 = s.IniSonobIsFarbig1 != 0;
    v.lineWidth = s.IniSonoLiniendicke;
    v.smooth = s.IniSonobIsSmooth != 0;
    v.Sanitize();
    return v;
}

void SonoViewSettings::StoreInto(CKalvoSettings& s) const {
    s.IniSonoBottomCutHz = bottomCutHz;
    s.IniSonoTopCutkHz = topCutkHz;
    s.IniSonobIsAmpLinear = ampLinear ? 1 : 0;
    s.IniSonobIsFreqLinear = freqLinear ? 1 : 0;
    s.IniSonobIsFarbig1 = colour1 ? 1 : 0;
    s.IniSonoLiniendicke = lineWidth;
    s.IniSonobIsSmooth = smooth ? 1 : 0;
}

void SonoViewSettings::Sanitize() {
    bottomCutHz = std::clamp(bottomCutHz, 1, 999);
    topCutkHz = std::clamp(topCutkHz, 1, 100);
    lineWidth = std::clamp(lineWidth, 1, 9);
}
