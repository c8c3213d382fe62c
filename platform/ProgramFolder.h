#pragma once
// Where the program keeps its profiles ("Profile/"), the recording and its temporary sound files.

#include <QString>

// The program folder, ending with "/": the executable's folder when it holds a "Profile"
// folder (a build tree or a portable install), otherwise the user's data folder, which is
// seeded with the shipped profiles the first time.
QString ProgramFolder();
// Replaces the program folder for this process (tests, scripts); an empty path restores the rule above.
void SetProgramFolder(const QString& folder);
// The folder for this user's temporary files, ending with "/": "kalvo-<uid>" in the system's
// temporary folder, made and kept private (mode 0700, owned by the user, not a link); when that
// name is taken by someone else, a fresh private folder for this run.
QString TemporaryFolder();
// Makes path a folder that only this user can use, or checks that it is one; false when the name
// belongs to something else (another user's folder, a link, a file, a folder others may write to).
bool MakePrivateFolder(const QString& path);
// The shipped profiles of an installation (share/kalvo/Profile beside the executable's prefix
// or in the data folders), or empty when the program is not installed.
QString InstalledProfileFolder();
// Copies the shipped profiles that are missing into folder/Profile (an installation's first,
// then the compiled-in ones); returns false when that fails.
bool SeedProfiles(const QString& folder);
