#include "views/spectral/SonogramViewSettings.h"

#include <algorithm>

#include "settings/ProfileSettings.h"

const std::vector<SettingDescriptor>& SonogramViewSettings::Keys() {
    using S = ProfileSettings;
    static const std::vector<SettingDescriptor> keys = {
        {"Sonogramm", "IniSonoBottomCutHz", &S::IniSonoBottomCutHz, 1, 999},
        {"Sonogramm", "IniSonoLiniendicke", &S::IniSonoLiniendicke, 1, 9},
        {"Sonogramm", "IniSonobIsSmooth", &S::IniSonobIsSmooth},
        {"Sonogramm", "IniSonoTopCutkHz", &S::IniSonoTopCutkHz, 1, 100},
        {"Sonogramm", "IniSonobIsAmpLinear", &S::IniSonobIsAmpLinear},
        {"Sonogramm", "IniSonobIsFreqLinear", &S::IniSonobIsFreqLinear},
        {"Sonogramm", "IniSonobIsFarbig1", &S::IniSonobIsFarbig1},
    };
    return keys;
}

SonogramViewSettings SonogramViewSettings::From(const ProfileSettings& s) {
    SonogramViewSettings v;
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

void SonogramViewSettings::StoreInto(ProfileSettings& s) const {
    s.IniSonoBottomCutHz = bottomCutHz;
    s.IniSonoTopCutkHz = topCutkHz;
    s.IniSonobIsAmpLinear = ampLinear ? 1 : 0;
    s.IniSonobIsFreqLinear = freqLinear ? 1 : 0;
    s.IniSonobIsFarbig1 = colour1 ? 1 : 0;
    s.IniSonoLiniendicke = lineWidth;
    s.IniSonobIsSmooth = smooth ? 1 : 0;
}

void SonogramViewSettings::Sanitize() {
    bottomCutHz = Key("IniSonoBottomCutHz").Clamped(bottomCutHz);
    topCutkHz = Key("IniSonoTopCutkHz").Clamped(topCutkHz);
    lineWidth = Key("IniSonoLiniendicke").Clamped(lineWidth);
}
