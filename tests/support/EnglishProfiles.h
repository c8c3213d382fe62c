#pragma once
// The shipped profiles laid into a program folder, each set to English, so that a test that
// starts the program does not depend on the language of the machine it runs on.

#include <QDir>
#include <QString>

#include "platform/ProgramFolder.h"
#include "settings/IniFile.h"

namespace test {

inline bool SeedEnglishProfiles(const QString& folder) {
    if (!SeedProfiles(folder)) return false;
    const QDir profiles(QDir(folder).filePath(QStringLiteral("Profile")));
    for (const QString& file : profiles.entryList({QStringLiteral("*.ini")}))
        IniFile(profiles.filePath(file))
            .WriteInt(QStringLiteral("IniAllgemeinLanguage"), 1033, QStringLiteral("Allgemein"));
    return true;
}

}  // namespace test
