#pragma once
// Reads and writes the carried settings from and into a profile file: every key of the key
// table and the stored window placements. Asking the user and reporting failures is left to
// the caller.

#include <QString>

#include "settings/WindowPlacement.h"

class IniFile;
class ProfileSettings;

class ProfileStore {
public:
    // The file of a profile kind, relative to the program folder ("Profile/...").
    static QString ProfileFile(ProfileKind kind, const QString& userProfileFile);
    // The INI section that holds the placement of a window slot.
    static QString PlacementSection(int slot);

    // Reads the profile at path into settings. A number that is not finite ("nan", "inf")
    // gives the Standard profile's value instead.
    static void Read(const QString& path, ProfileSettings& settings);
    // Writes settings into the profile at path; false when the file could not be written.
    static bool Write(const QString& path, ProfileSettings& settings);

private:
    static bool Serialize(const QString& path, ProfileSettings& settings, bool load);
    static void SerializePlacement(IniFile& ini, bool load, WindowPlacement& placement,
                                   const WindowPlacement& def, const QString& section);
};
