#pragma once
// Private folders for one test process, so that two test processes (ctest -j2, or two clones
// of the project built side by side) never share a file, and no test reaches a sound card.
//
// UsePrivateFolders, called once before the Qt application is made, creates a fresh folder
// and points everything at it that the program and its libraries would otherwise share:
//   tmp/      TMPDIR, the program's temporary sound files and QTemporaryDir's default place
//   program/  the program folder of this process and of every program the tests start
//             (KalvoExecutable), with the shipped profiles, the recording and converted.wav
//   data/, config/, runtime/  XDG_DATA_HOME, XDG_CONFIG_HOME and XDG_RUNTIME_DIR (the user
//             data folder, Qt's settings, Qt's runtime files)
//   home/     HOME (the font cache stays shared)
// and gives ALSA a configuration that defines no device but reads $HOME/.asoundrc (empty here;
// a test may point HOME at a folder with its own), and JACK a server name nobody runs: the real
// sound back end finds no card, so the program runs on its virtual devices, as without one.
// The folder goes when the process ends.

#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "platform/ProgramFolder.h"

namespace test {

namespace detail {

inline std::unique_ptr<QTemporaryDir>& Root() {
    static std::unique_ptr<QTemporaryDir> root;
    return root;
}

inline void Require(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "private test folders: %s failed\n", what);
    std::abort();
}

inline void WriteText(const QString& path, const QByteArray& text) {
    QFile file(path);
    Require(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) == text.size(),
            "writing a file");
}

}  // namespace detail

// The private folder of this process, ending with "/" (empty before UsePrivateFolders).
inline QString PrivateFolder() {
    return detail::Root() ? detail::Root()->path() + u'/' : QString();
}

inline QString PrivateProgramFolder() {
    return PrivateFolder() + QStringLiteral("program/");
}

inline void UsePrivateFolders() {
    auto& root = detail::Root();
    if (root) return;
    root = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/kalvo-test-XXXXXX"));
    detail::Require(root->isValid(), "making the folder");
    const QString base = PrivateFolder();
    for (const char* sub : {"tmp", "program", "data", "config", "home", "runtime"})
        detail::Require(QDir().mkpath(base + QLatin1String(sub)), "making a sub-folder");
    detail::Require(QFile::setPermissions(base + QStringLiteral("runtime"),
                                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner),
                    "making the runtime folder private");
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(base + QStringLiteral("runtime")));
    qputenv("TMPDIR", QFile::encodeName(base + QStringLiteral("tmp")));
    qputenv("XDG_DATA_HOME", QFile::encodeName(base + QStringLiteral("data")));
    // An installed Kalvo's shipped profiles must not stand in for the ones of this tree.
    qputenv("XDG_DATA_DIRS", QFile::encodeName(base + QStringLiteral("share")));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(base + QStringLiteral("config")));
    // The font cache stays where it was: a fresh one would make every test process scan the fonts.
    if (qEnvironmentVariableIsEmpty("XDG_CACHE_HOME") && !qEnvironmentVariableIsEmpty("HOME"))
        qputenv("XDG_CACHE_HOME", qgetenv("HOME") + "/.cache");
    qputenv("HOME", QFile::encodeName(base + QStringLiteral("home")));
    // Its one device never opens (its slave does not exist): PortAudio stops on a configuration
    // that names no device at all.
    detail::WriteText(base + QStringLiteral("alsa.conf"),
                      "@hooks [ { func load files [ \"~/.asoundrc\" ] errors false } ]\n"
                      "pcm.kalvo_no_device { type empty slave.pcm \"kalvo_missing\" }\n");
    qputenv("ALSA_CONFIG_PATH", QFile::encodeName(base + QStringLiteral("alsa.conf")));
    qputenv("JACK_NO_START_SERVER", "1");
    qputenv("JACK_DEFAULT_SERVER", "kalvo-test-no-server");
    detail::Require(SeedProfiles(PrivateProgramFolder()), "laying out the profiles");
    SetProgramFolder(PrivateProgramFolder());
}

// Gives the program folder back to this process's private one (after a test used its own).
inline void RestoreProgramFolder() {
    SetProgramFolder(PrivateProgramFolder());
}

// The program as the tests start it: a link to (or copy of) the built executable inside the
// private program folder, so that folder is its program folder.
inline QString KalvoExecutable() {
    const QString built = QStringLiteral(KALVO_EXECUTABLE);
    if (PrivateFolder().isEmpty()) return built;
    const QString own = PrivateProgramFolder() + QFileInfo(built).fileName();
    if (!QFileInfo::exists(own)) {
        const bool linked =
            ::link(QFile::encodeName(built).constData(), QFile::encodeName(own).constData()) == 0;
        detail::Require(linked || QFile::copy(built, own), "placing the program");
    }
    return own;
}

}  // namespace test
