#pragma once
// The 3D reconstruction view's settings as its control bar shows them, taken from the profile
// at the initial update and written back when the view goes.

#include <cstdint>

#include <vector>

#include "settings/SettingDescriptor.h"

class ProfileSettings;

struct ReconstructionViewSettings {
    int tau = 5;
    std::uint32_t background = 0xFF000000u;
    float pointSize = 2.0f;  // the spin's value; drawn at half of it
    bool points = true;
    int numPoints = 10000;
    bool rainbow = true;
    std::uint32_t fixedColour = 0xFFFF0000u;

    // The profile keys of these settings, with their ranges.

    static const std::vector<SettingDescriptor>& Keys();

    static const SettingDescriptor& Key(const char* key) { return FindDescriptor(Keys(), key); }

    static ReconstructionViewSettings From(const ProfileSettings& settings);
    void StoreInto(ProfileSettings& settings) const;
};
