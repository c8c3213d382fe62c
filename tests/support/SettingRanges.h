#pragma once
// The number settings that have a range, and values just beyond each end, for tests that check
// every range at once.

#include <QString>
#include <cmath>
#include <vector>

#include "settings/ProfileSettings.h"
#include "views/Modules.h"

namespace test {

// Every ranged number key of the program and all its modules.
inline std::vector<const ProfileSettings::SettingKey*> RangedNumberKeys() {
    RegisterModules();
    std::vector<const ProfileSettings::SettingKey*> keys;
    for (const ProfileSettings::SettingKey& key : ProfileSettings::KeyTable())
        if (key.HasRange() && ProfileSettings::IsNumberKey(key)) keys.push_back(&key);
    return keys;
}

inline bool HoldsWholeNumbers(const ProfileSettings::SettingKey& key) {
    return !ProfileSettings::NumberFromText(key, QStringLiteral("0.5"));
}

// A value beyond the lower or upper end: one step for whole numbers (2147483648 above the
// largest int), half the end's size (at least 1) for the others.
inline QString Beyond(const ProfileSettings::SettingKey& key, bool above) {
    const double end = above ? key.maximum : key.minimum;
    const double step = HoldsWholeNumbers(key) ? 1.0 : std::max(std::abs(end) * 0.5, end == 0.0 ? 1.0 : 0.0);
    const double value = above ? end + step : end - step;
    return HoldsWholeNumbers(key) ? QString::number(static_cast<long long>(value))
                                  : QString::number(value, 'g', 17);
}

inline QString EndText(const ProfileSettings::SettingKey& key, bool above) {
    const double end = above ? key.maximum : key.minimum;
    return HoldsWholeNumbers(key) ? QString::number(static_cast<long long>(end))
                                  : QString::number(end, 'g', 17);
}

}  // namespace test
