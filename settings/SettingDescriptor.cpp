#include "settings/SettingDescriptor.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

bool SettingDescriptor::InRange(double value) const {
    if (!HasRange()) return true;
    if (std::holds_alternative<float ProfileSettings::*>(member)) {
        const float v = static_cast<float>(value);
        return v >= static_cast<float>(minimum) && v <= static_cast<float>(maximum);
    }
    return value >= minimum && value <= maximum;
}

int SettingDescriptor::Clamped(int value) const {
    return HasRange() ? std::clamp(value, Minimum(), Maximum()) : value;
}

double SettingDescriptor::Clamped(double value) const {
    return HasRange() ? std::clamp(value, minimum, maximum) : value;
}

const SettingDescriptor& FindDescriptor(const std::vector<SettingDescriptor>& keys, const char* key) {
    for (const SettingDescriptor& d : keys)
        if (std::strcmp(d.key, key) == 0) return d;
    // A module asks only for its own keys: a typo is a programming error, found by its tests.
    std::abort();
}
