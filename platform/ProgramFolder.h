#pragma once
// Where the program keeps its profiles ("Profile/"), the recording and its temporary sound files.

#include <QString>

// The program folder, ending with "/": the executable's folder when it holds a "Profile"
// folder (a build tree or a portable install), otherwise the user's data folder, which is
// seeded with the shipped profiles the first time.
QString ProgramFolder();
// Replaces the program folder for this process (tests, scripts); an empty path restores the rule above.
void SetProgramFolder(const QString& folder);
// The system's folder for temporary files, ending with "/".
QString TemporaryFolder();
// Copies the shipped profiles that are missing into folder/Profile; returns false when that fails.
bool SeedProfiles(const QString& folder);
