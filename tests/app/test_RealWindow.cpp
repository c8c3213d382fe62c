// Starts the real program on a virtual X display, takes a screenshot and checks that the main
// window is there. Skipped where no X server can be started.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "settings/CIni.h"

TEST(RealWindow, TheProgramShowsItsMainWindowOnAnXDisplay) {
    if (QStandardPaths::findExecutable(QStringLiteral("xvfb-run")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("import")).isEmpty())
        GTEST_SKIP() << "xvfb-run or ImageMagick's import is missing";
    const QDir programFolder = QFileInfo(QStringLiteral(KALVO_EXECUTABLE)).dir();
    const QString profile = programFolder.filePath(QStringLiteral("Profile/KalvoUserProfil-window-check.ini"));
    QFile::remove(profile);
    ASSERT_TRUE(QFile::copy(programFolder.filePath(QStringLiteral("Profile/KalvoStandardProfil.ini")), profile));
    QFile::setPermissions(profile, QFile::ReadOwner | QFile::WriteOwner);
    CIni(profile).WriteInt(QStringLiteral("IniAllgemeinLanguage"), 1033, QStringLiteral("Allgemein"));
    CIni(profile).WriteString(QStringLiteral("IniDokumentPlayFile"), QStringLiteral("no file selected"), QStringLiteral("Dokument"));

    QTemporaryDir dir;
    const QString shot = dir.filePath(QStringLiteral("screen.png"));
    const QString script = QStringLiteral(
        "\"%1\" window-check & pid=$!; sleep 4; import -window root \"%2\"; kill $pid; wait $pid 2>/dev/null; true")
                               .arg(QStringLiteral(KALVO_EXECUTABLE), shot);
    QProcess run;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));  // a real X connection this time
    run.setProcessEnvironment(env);
    run.start(QStringLiteral("xvfb-run"),
              {QStringLiteral("-a"), QStringLiteral("-s"), QStringLiteral("-screen 0 1280x800x24"), QStringLiteral("bash"),
               QStringLiteral("-c"), script});
    ASSERT_TRUE(run.waitForFinished(60000));
    QFile::remove(profile);

    QImage image(shot);
    ASSERT_FALSE(image.isNull()) << run.readAllStandardError().toStdString();
    // An empty X screen is black; the main window covers most of it with its menus, bars and client area.
    qint64 lit = 0;
    for (int y = 0; y < image.height(); y += 4)
        for (int x = 0; x < image.width(); x += 4)
            if (qGray(image.pixel(x, y)) > 40) ++lit;
    const qint64 samples = static_cast<qint64>(image.width() / 4) * (image.height() / 4);
    EXPECT_GT(lit, samples / 3);
}
