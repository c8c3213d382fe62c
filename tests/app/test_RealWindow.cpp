// Starts the real program on a virtual X display, takes a screenshot and checks that the main
// window is there. Skipped where no X server can be started.

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "settings/IniFile.h"
#include "tests/support/TestFolders.h"

TEST(RealWindow, TheProgramShowsItsMainWindowOnAnXDisplay) {
    if (QStandardPaths::findExecutable(QStringLiteral("xvfb-run")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("import")).isEmpty())
        GTEST_SKIP() << "xvfb-run or ImageMagick's import is missing";
    const QDir programFolder(test::PrivateProgramFolder());
    const QString profile =
        programFolder.filePath(QStringLiteral("Profile/KalvoUserProfil-window-check.ini"));
    QFile::remove(profile);
    ASSERT_TRUE(
        QFile::copy(programFolder.filePath(QStringLiteral("Profile/KalvoStandardProfil.ini")), profile));
    QFile::setPermissions(profile, QFile::ReadOwner | QFile::WriteOwner);
    IniFile(profile).WriteInt(QStringLiteral("IniAllgemeinLanguage"), 1033, QStringLiteral("Allgemein"));
    IniFile(profile).WriteString(QStringLiteral("IniDokumentPlayFile"), QStringLiteral("no file selected"),
                                 QStringLiteral("Dokument"));

    QTemporaryDir dir;
    const QString shot = dir.filePath(QStringLiteral("screen.png"));
    const QString seen = dir.filePath(QStringLiteral("seen"));
    // The script takes screenshots, one after the other, until the test has seen the window in one (it then
    // makes the file "seen") or 30 seconds have passed; each picture appears whole, under its final name.
    const QString script = QStringLiteral(
                               "\"%1\" window-check & pid=$!; end=$((SECONDS + 30)); "
                               "while [ ! -e \"%3\" ] && [ $SECONDS -lt $end ]; do "
                               "import -window root \"%2.part.png\" && mv -f \"%2.part.png\" \"%2\"; done; "
                               "kill $pid; wait $pid 2>/dev/null; true")
                               .arg(test::KalvoExecutable(), shot, seen);
    QProcess run;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));  // a real X connection this time
    run.setProcessEnvironment(env);
    run.start(QStringLiteral("xvfb-run"),
              {QStringLiteral("-a"), QStringLiteral("-s"), QStringLiteral("-screen 0 1280x800x24"),
               QStringLiteral("bash"), QStringLiteral("-c"), script});
    // An empty X screen is black; the main window covers most of it with its menus, bars and client area.
    const auto windowShown = [&] {
        const QImage image(shot);
        if (image.isNull()) return false;
        qint64 lit = 0;
        for (int y = 0; y < image.height(); y += 4)
            for (int x = 0; x < image.width(); x += 4)
                if (qGray(image.pixel(x, y)) > 40) ++lit;
        return lit > static_cast<qint64>(image.width() / 4) * (image.height() / 4) / 3;
    };
    bool shown = false;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            if (!shown && windowShown()) {
                shown = true;
                QFile(seen).open(QIODevice::WriteOnly);
            }
            return run.state() == QProcess::NotRunning;
        },
        90000));
    QFile::remove(profile);
    EXPECT_TRUE(shown) << run.readAllStandardError().toStdString();
}
