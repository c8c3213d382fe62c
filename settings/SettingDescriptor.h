#pragma once
// One profile key, described once: the section and key profiles keep it under, what holds it
// while the program runs, the values it may take, what it is when a profile lacks it and the
// control that shows it. The control bars, the sanitising of the views' settings and the
// command line's --set take a setting's range from here.

#include <QString>
#include <variant>
#include <vector>

class ProfileSettings;

// A setting that no field of ProfileSettings holds: the settings keep it in their keyed store,
// under its key, as a number or a text.
enum class StoredType { Int, Real, Text };
struct StoredSetting {
    StoredType type = StoredType::Int;
    friend bool operator==(const StoredSetting&, const StoredSetting&) = default;
};

using SettingMember = std::variant<int ProfileSettings::*, float ProfileSettings::*,
                                   double ProfileSettings::*, QString ProfileSettings::*, StoredSetting>;

struct SettingDescriptor {
    const char* section = "";
    const char* key = "";
    SettingMember member;
    // The values the setting may take; a minimum above the maximum: no range (texts, colours,
    // values only the program itself writes).
    double minimum = 1.0;
    double maximum = 0.0;
    // The profile text when a profile lacks the key; null: 0, or an empty text.
    const char* defaultText = nullptr;
    // The number of the control that shows the setting in its module's bar; 0 for none.
    int control = 0;

    bool HasRange() const { return minimum <= maximum; }
    // Whether value is one the setting may take; every value for a setting without a range. A
    // setting held as a float is compared in float: its ends are what the float holds.
    bool InRange(double value) const;
    // The value pulled into the range (unchanged without one).
    int Clamped(int value) const;
    double Clamped(double value) const;
    // The range as the integers a spin box or slider takes.
    int Minimum() const { return static_cast<int>(minimum); }
    int Maximum() const { return static_cast<int>(maximum); }
};

// Keys that lie together in a profile: place orders the tables of all modules (a profile
// holds the keys of the lower places first; within one section, a key written later goes
// after those written before it).
struct SettingTable {
    int place = 0;
    std::vector<SettingDescriptor> keys;
};

// Where the tables of the modules lie in a profile: the flags that remember a module window
// open lie together in one section before the modules' own sections.
constexpr int kPlaceWindowFlags = 100;
constexpr int kPlaceModuleSettings = 200;

// The descriptor of key among keys; key must be one of them.
const SettingDescriptor& FindDescriptor(const std::vector<SettingDescriptor>& keys, const char* key);
