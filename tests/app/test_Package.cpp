// The Debian package: what it installs, what it depends on, whether its desktop entry and
// AppStream description validate, and that the installed program runs from its prefix
// without writing into it.

#include <gtest/gtest.h>
#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "tests/support/WaveBytes.h"

namespace {

struct Output {
    int code = -1;
    QString out;
    QString err;
};

Output RunTool(const QString& program, const QStringList& args,
               const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(program, args);
    if (!process.waitForFinished(300000)) return {};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

QStringList FilesBelow(const QString& root) {
    QStringList files;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) files << it.next().mid(root.size());
    files.sort();
    return files;
}

}  // namespace

TEST(Package, InstallsTheProgramItsDataAndDesktopFilesWithComputedDependencies) {
    for (const char* tool : {"cpack", "dpkg-deb", "dpkg-shlibdeps", "desktop-file-validate", "appstreamcli"})
        if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
            GTEST_SKIP() << tool << " is missing";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const Output packed =
        RunTool(QStringLiteral("cpack"),
                {QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("-B"), dir.path(),
                 QStringLiteral("--config"), QStringLiteral(KALVO_BINARY_DIR "/CPackConfig.cmake")});
    ASSERT_EQ(packed.code, 0) << packed.out.toStdString() << packed.err.toStdString();
    const QStringList debs = QDir(dir.path()).entryList({QStringLiteral("kalvo_*_amd64.deb")});
    ASSERT_EQ(debs.size(), 1);
    const QString deb = dir.filePath(debs[0]);

    const Output depends =
        RunTool(QStringLiteral("dpkg-deb"), {QStringLiteral("-f"), deb, QStringLiteral("Depends")});
    for (const char* library : {"libqt6widgets6", "libqt6svg6", "libportaudio2", "libsndfile1", "libc6"})
        EXPECT_TRUE(depends.out.contains(QLatin1String(library)))
            << library << " in " << depends.out.toStdString();

    // The help opens in the desktop's browser through xdg-open.
    const Output recommends =
        RunTool(QStringLiteral("dpkg-deb"), {QStringLiteral("-f"), deb, QStringLiteral("Recommends")});
    EXPECT_TRUE(recommends.out.contains(QLatin1String("xdg-utils"))) << recommends.out.toStdString();

    const QString root = dir.filePath(QStringLiteral("root"));
    ASSERT_EQ(RunTool(QStringLiteral("dpkg-deb"), {QStringLiteral("-x"), deb, root}).code, 0);
    const QStringList files = FilesBelow(root);
    for (const char* file :
         {"/usr/bin/kalvo", "/usr/share/applications/io.github.kalvo.Kalvo.desktop",
          "/usr/share/metainfo/io.github.kalvo.Kalvo.metainfo.xml",
          "/usr/share/icons/hicolor/scalable/apps/kalvo.svg",
          "/usr/share/kalvo/Profile/KalvoStandardProfil.ini", "/usr/share/kalvo/strings/strings.tsv",
          "/usr/share/kalvo/help/de/html/Vorwort.html"})
        EXPECT_TRUE(files.contains(QLatin1String(file))) << file;
    // Nothing of the build or the tests comes along.
    for (const QString& file : files)
        EXPECT_FALSE(file.contains(QLatin1String("test")) || file.contains(QLatin1String("bench")) ||
                     file.contains(QLatin1String("fuzz")))
            << file.toStdString();

    const Output desktop =
        RunTool(QStringLiteral("desktop-file-validate"),
                {root + QStringLiteral("/usr/share/applications/io.github.kalvo.Kalvo.desktop")});
    EXPECT_EQ(desktop.code, 0) << desktop.out.toStdString();
    EXPECT_FALSE(desktop.out.contains(QLatin1String("error"))) << desktop.out.toStdString();
    const Output appstream =
        RunTool(QStringLiteral("appstreamcli"),
                {QStringLiteral("validate"), QStringLiteral("--no-net"),
                 root + QStringLiteral("/usr/share/metainfo/io.github.kalvo.Kalvo.metainfo.xml")});
    EXPECT_EQ(appstream.code, 0) << appstream.out.toStdString();

    // The installed program: its version without any display, and a run that seeds the user's
    // profiles from the installation while the prefix stays as it was installed.
    const QString kalvo = root + QStringLiteral("/usr/bin/kalvo");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    const QString home = dir.filePath(QStringLiteral("home"));
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/.local/share"));
    env.insert(QStringLiteral("XDG_DATA_DIRS"),
               dir.filePath(QStringLiteral("none")));  // only the prefix itself
    const Output version = RunTool(kalvo, {QStringLiteral("--version")}, env);
    EXPECT_EQ(version.code, 0);
    EXPECT_TRUE(version.out.startsWith(QLatin1String("kalvo "))) << version.out.toStdString();
    const QString wave = dir.filePath(QStringLiteral("tone.wav"));
    ASSERT_TRUE(test::WriteFile(wave, test::Mono16(8000, test::Sine(440, 8000, 800, 8000))));
    const Output exported = RunTool(
        kalvo, {QStringLiteral("--export"), QStringLiteral("fft"), QStringLiteral("--open"), wave}, env);
    EXPECT_EQ(exported.code, 0) << exported.err.toStdString();
    EXPECT_EQ(FilesBelow(root), files);  // nothing written into the prefix
    EXPECT_TRUE(QFileInfo::exists(
        home + QStringLiteral("/.local/share/Kalvo/kalvo/Profile/KalvoStandardProfil.ini")));
}
