#include "settings/SettingDescriptor.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

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
