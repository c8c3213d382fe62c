// Arbitrary bytes as a profile, read with the key table of every module: whatever the file
// says, each number setting the program then holds is finite and within its key's range, and
// writing the settings and reading them back gives the same settings.

#include <QFile>
#include <QString>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "fuzz/FuzzCheck.h"
#include "fuzz/FuzzEnvironment.h"
#include "settings/ProfileSettings.h"
#include "settings/ProfileStore.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const FuzzEnvironment& environment = FuzzEnvironment::Get();
    const QString path = environment.WriteInput(QStringLiteral("profile.ini"), data, size);
    FUZZ_CHECK(!path.isEmpty());

    ProfileSettings settings;
    ProfileStore::Read(path, settings);
    for (const ProfileSettings::SettingKey& key : ProfileSettings::KeyTable()) {
        if (std::holds_alternative<QString ProfileSettings::*>(key.member)) continue;
        const double value = settings.Value(key);
        if (!std::isfinite(value) || !key.InRange(value)) std::fprintf(stderr, "%s = %g\n", key.key, value);
        FUZZ_CHECK(std::isfinite(value));
        FUZZ_CHECK(key.InRange(value));
    }

    const QString copy = environment.Folder() + QStringLiteral("written.ini");
    QFile::remove(copy);
    FUZZ_CHECK(ProfileStore::Write(copy, settings));
    ProfileSettings again;
    ProfileStore::Read(copy, again);
    for (const ProfileSettings::SettingKey& key : ProfileSettings::KeyTable())
        FUZZ_CHECK(settings.SettingText(key) == again.SettingText(key));
    return 0;
}
