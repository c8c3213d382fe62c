// Opening files in the running program: a file dropped on the main window, the File menu's
// recent files, profile names given at start-up, and the help when no browser is there.

#include <gtest/gtest.h>
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include "app/Application.h"
#include "app/CommandLine.h"
#include "app/MainWindow.h"
#include "app/RecentFiles.h"
#include "settings/IniFile.h"
#include "tests/support/DocFixture.h"
#include "tests/support/EnglishProfiles.h"

using namespace test;

namespace {

class OpeningFiles : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        SetProgramFolder(dir.path());
        ASSERT_TRUE(SeedEnglishProfiles(dir.path()));
    }
    void TearDown() override {
        app.ExitInstance();
        RestoreProgramFolder();
        SetCurrentLanguage(Language::English);
    }
    // A user profile that opens no module window and no last file: the main sound window only.
    void StartPlain() {
        const QString path = dir.filePath(QStringLiteral("Profile/KalvoUserProfil-Plain.ini"));
        ASSERT_TRUE(QFile::copy(dir.filePath(QStringLiteral("Profile/KalvoStandardProfil.ini")), path));
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        IniFile ini(path);
        for (const char* key :
             {"IniFensterReko", "IniFensterZeitreihe", "IniFensterFFT", "IniFensterSono", "IniFensterFFT3D",
              "IniFensterAnalyse", "IniFensterNotenbild", "IniFensterWavelet"})
            ini.WriteInt(QLatin1String(key), 0, QStringLiteral("Fenster"));
        ASSERT_TRUE(app.InitInstance(QStringLiteral("Plain")));
        ui.messages.clear();  // that there is no sound card here
    }
    QString Write(const QString& name, const QByteArray& bytes) {
        const QString path = dir.filePath(name);
        EXPECT_TRUE(WriteFile(path, bytes));
        return path;
    }
    // Drags the files over the main window and drops them; true when the window took them.
    bool Drop(const QStringList& paths) {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& path : paths) urls << QUrl::fromLocalFile(path);
        data.setUrls(urls);
        MainWindow* frame = app.MainFrame();
        const QPoint at = frame->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(frame, &enter);
        if (!enter.isAccepted()) return false;
        QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(frame, &drop);
        return drop.isAccepted();
    }
    // What File › Recent Files shows when it opens.
    QStringList RecentMenuTexts() {
        QMenu* menu = app.MainFrame()->RecentFilesMenu();
        if (!menu) return {};
        emit menu->aboutToShow();
        QStringList texts;
        for (const QAction* action : menu->actions())
            texts << (action->isSeparator() ? QStringLiteral("-")
                                            : action->text() + (action->isEnabled() ? "" : " [off]"));
        return texts;
    }
    QAction* RecentEntry(int index) {
        QMenu* menu = app.MainFrame()->RecentFilesMenu();
        emit menu->aboutToShow();
        return menu->actions().value(index);
    }
    QString Title() const { return app.Document()->GetTitle(); }

    QTemporaryDir dir;
    ScriptedUserInterface ui;
    Application app{ui};
};

}  // namespace

TEST_F(OpeningFiles, AFileDroppedOnTheMainWindowOpensAsFileOpenWouldAndKeepsTheOldSoundWhenItCannot) {
    StartPlain();
    const QString tone = Write(QStringLiteral("tone.wav"), Mono16(8000, Sine(440, 8000, 800, 8000)));
    ASSERT_TRUE(Drop({tone}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return app.Document()->IsWaveLoaded(); }, 20000));
    EXPECT_EQ(Title(), QStringLiteral("tone.wav"));
    EXPECT_EQ(app.MainFrame()->PaneText(1), QStringLiteral("File: tone.wav"));

    // A stereo file whose channel dialog is cancelled leaves the sound there was.
    const QString stereo = Write(QStringLiteral("stereo.wav"), Wave(2, 8000, 16, Pcm16({1, 2, 3, 4, 5, 6})));
    ui.channels.push_back(std::nullopt);
    ASSERT_TRUE(Drop({stereo}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !ui.channelDialogs.empty(); }, 20000));
    QCoreApplication::processEvents();
    EXPECT_EQ(Title(), QStringLiteral("tone.wav"));
    EXPECT_EQ(app.Document()->SampleCount(), 800u);

    // A time series is read as one; of several files the first one Kalvo can open is taken.
    const QString series = Write(QStringLiteral("series.txt"), "1\n2\n3\n4\n5\n");
    ASSERT_TRUE(Drop({Write(QStringLiteral("notes.pdf"), "%PDF"), series, tone}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Title() == QStringLiteral("series.txt"); }, 20000));
    EXPECT_EQ(app.Document()->SampleCount(), 5u);

    // What Kalvo cannot open is not taken at all: the file manager shows it may not be dropped.
    EXPECT_FALSE(Drop({dir.filePath(QStringLiteral("notes.pdf"))}));
    EXPECT_FALSE(Drop({dir.filePath(QStringLiteral("gone.wav"))}));
    EXPECT_FALSE(Drop({dir.path()}));
    EXPECT_TRUE(ui.messages.empty()) << ui.messages.front().text.toStdString();
}

TEST_F(OpeningFiles, TheRecentFilesListTheLastEightSoundsNewestFirstAndForgetsOneThatIsGone) {
    StartPlain();
    EXPECT_EQ(RecentMenuTexts(), (QStringList{"(no files yet) [off]", "-", "&Clear List [off]"}));

    const QString a = Write(QStringLiteral("a.wav"), Mono16(8000, Sine(440, 8000, 400, 8000)));
    const QString b = Write(QStringLiteral("b & c.txt"), "1 2 3 4");
    ui.openFiles.push_back(a);
    ASSERT_TRUE(app.MainFrame()->OnCommand(32789));  // File › Open
    ASSERT_TRUE(app.Document()->OpenTimeSeriesFile(b));
    ASSERT_TRUE(app.Document()->OpenSoundFile(a));  // again: it moves to the top, once
    const QString folder = QDir::toNativeSeparators(dir.path());
    EXPECT_EQ(RecentMenuTexts(), (QStringList{"&1 a.wav  (" + folder + ")", "&2 b && c.txt  (" + folder + ")",
                                              "-", "&Clear List"}));

    // Choosing an entry opens it.
    RecentEntry(1)->trigger();
    EXPECT_EQ(Title(), QStringLiteral("b & c.txt"));
    EXPECT_EQ(app.MainFrame()->RecentFileList().Files(), (QStringList{b, a}));

    // A file that has gone is shown, and choosing it says so and takes it off the list.
    ASSERT_TRUE(QFile::remove(a));
    RecentEntry(1)->trigger();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, Str(StringId::FileNoLongerExists, QDir::toNativeSeparators(a)));
    EXPECT_EQ(Title(), QStringLiteral("b & c.txt"));
    EXPECT_EQ(app.MainFrame()->RecentFileList().Files(), QStringList{b});

    // Eight at most, newest first; the list is kept in the program folder for the next start.
    for (int i = 0; i < 10; ++i)
        app.MainFrame()->RecentFileList().Add(dir.filePath(QStringLiteral("s%1.wav").arg(i)));
    const QStringList kept = RecentFiles(dir.filePath(QStringLiteral("KalvoRecentFiles.ini"))).Files();
    ASSERT_EQ(kept.size(), 8);
    EXPECT_EQ(kept.first(), dir.filePath(QStringLiteral("s9.wav")));
    EXPECT_EQ(kept.last(), dir.filePath(QStringLiteral("s2.wav")));
    EXPECT_TRUE(RecentMenuTexts().value(7).startsWith(QStringLiteral("&8 s2.wav")));

    // In German, and cleared.
    SetCurrentLanguage(Language::German);
    app.MainFrame()->LoadMenu(false);
    ASSERT_NE(app.MainFrame()->RecentFilesMenu(), nullptr);
    EXPECT_EQ(app.MainFrame()->RecentFilesMenu()->title(), QStringLiteral("Zu&letzt geöffnet"));
    RecentMenuTexts();
    app.MainFrame()->RecentFilesMenu()->actions().constLast()->trigger();
    EXPECT_EQ(RecentMenuTexts(), (QStringList{"(noch keine Dateien) [off]", "-", "Liste &leeren [off]"}));
}

TEST_F(OpeningFiles, AShippedProfileIsNamedOnTheCommandLineInEitherLanguageAndASavedOneComesFirst) {
    struct Case {
        const char* name;
        ProfileKind kind;
    };
    for (const Case& c :
         {Case{"Komplett", ProfileKind::Complete}, Case{"complete", ProfileKind::Complete},
          Case{"ANALYTIKER", ProfileKind::Analyst}, Case{"Musician", ProfileKind::Musician},
          Case{"Oberschule", ProfileKind::SecondarySchool}, Case{"for Kids", ProfileKind::ForKids},
          Case{"standard", ProfileKind::Standard}, Case{"ZuletztVerwendet", ProfileKind::LastUsed}}) {
        SCOPED_TRACE(c.name);
        const auto found = FindProfile(QLatin1String(c.name));
        ASSERT_TRUE(found);
        EXPECT_EQ(found->first, c.kind);
    }
    EXPECT_FALSE(FindProfile(QStringLiteral("Komplet")));
    EXPECT_FALSE(FindProfile(QStringLiteral("Anna")));
    // A teacher's own profile keeps its name, even one that sounds like a shipped profile.
    ASSERT_TRUE(QFile::copy(dir.filePath(QStringLiteral("Profile/KalvoStandardProfil.ini")),
                            dir.filePath(QStringLiteral("Profile/KalvoUserProfil-Komplett.ini"))));
    EXPECT_EQ(
        FindProfile(QStringLiteral("Komplett")),
        (std::pair<ProfileKind, QString>{ProfileKind::User, QStringLiteral("KalvoUserProfil-Komplett.ini")}));
    EXPECT_EQ(FindProfile(QStringLiteral("komplett"))->first, ProfileKind::Complete);
    EXPECT_EQ(UserProfileNames(), QStringList{QStringLiteral("Komplett")});

    // The start takes it as the windows would: no start dialog, the profile's own settings.
    ui.kidsStarts.push_back(std::nullopt);
    EXPECT_FALSE(app.InitInstance(QStringLiteral("forkids")));  // the kids dialog, cancelled
    EXPECT_EQ(ui.dialogsShown, QStringList{QStringLiteral("kids")});
    ASSERT_TRUE(app.InitInstance(QStringLiteral("Analyst")));
    EXPECT_EQ(app.m_profileKind, ProfileKind::Analyst);
    EXPECT_TRUE(app.m_profilePath.endsWith(QStringLiteral("Profile/KalvoAnalytikerProfil.ini")));
    EXPECT_EQ(ui.dialogsShown, QStringList{QStringLiteral("kids")});
}

TEST_F(OpeningFiles, AHelpPageThatNoBrowserOpensIsNamedWithItsWholePath) {
    StartPlain();
    ui.browserWorks = false;
    app.OnHelp(QStringLiteral("html/Hauptfenster.html"));
    ASSERT_EQ(ui.pagesOpened.size(), 1);
    const QString page = ui.pagesOpened[0];
    EXPECT_TRUE(QFileInfo(page).isAbsolute()) << page.toStdString();
    EXPECT_TRUE(QFileInfo(page).isFile()) << page.toStdString();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, Str(StringId::HelpPageCouldNot, page));
}
