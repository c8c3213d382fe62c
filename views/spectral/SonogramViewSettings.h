#pragma once
// The settings of the sonogram, copied from the profile's settings when the view starts and
// written back when it goes; values outside the controls' ranges are pulled into them.

#include <vector>

#include "settings/SettingDescriptor.h"

class ProfileSettings;

struct SonogramViewSettings {
    int bottomCutHz = 20;  // lowest frequency shown, Hz (1 .. 999)
    int topCutkHz = 10;    // highest frequency shown, kHz (1 .. 100)
    bool ampLinear = false;
    bool freqLinear = true;
    bool colour1 = true;  // "Color1" on black, else "Color2" on white
    int lineWidth = 2;    // pixels per column (1 .. 9)
    bool smooth = true;

    // The profile keys of these settings, with their ranges.

    static const std::vector<SettingDescriptor>& Keys();

    static const SettingDescriptor& Key(const char* key) { return FindDescriptor(Keys(), key); }

    static SonogramViewSettings From(const ProfileSettings& settings);
    void StoreInto(ProfileSettings& settings) const;
    void Sanitize();
};
