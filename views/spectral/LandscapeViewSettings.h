#pragma once
// The 3D FFT view's settings as its control bar shows them, taken from the profile at the
// initial update and written back when the view goes.

#include <cstdint>

#include "analysis/Landscape3D.h"

#include <vector>

#include "settings/SettingDescriptor.h"

class ProfileSettings;

// The view's settings, as its control bar shows them.
struct LandscapeViewSettings {
    float rowStep = 0.03f;
    std::uint32_t background = 0xFF000000u;
    int bottomCutHz = 20;
    int topCutkHz = 10;
    float pointSize = 0.5f;
    bool wire = false;
    int width = 3;
    float epsilon = 0.03f;
    int tau = 1;
    bool rainbow = true;
    bool ampLinear = false;
    bool freqLinear = true;
    std::uint32_t fixedColour = 0xFF00C000u;

    // The profile keys of these settings, with their ranges.

    static const std::vector<SettingDescriptor>& Keys();

    static const SettingDescriptor& Key(const char* key) { return FindDescriptor(Keys(), key); }

    static LandscapeViewSettings From(const ProfileSettings& settings);
    void StoreInto(ProfileSettings& settings) const;
    LandscapeSettings Landscape() const;
};
