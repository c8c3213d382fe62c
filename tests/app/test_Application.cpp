// The whole program in one process: start-up with the scripted answerer, the main window,
// the main sound window, profiles and languages, as a user meets them.

#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMenuBar>
#include <QMimeData>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include "app/Application.h"
#include "app/MainWindow.h"
#include "platform/audio/AudioDevice.h"
#include "settings/IniFile.h"
#include "tests/support/DocFixture.h"
#include "tests/support/DocumentTestAccess.h"
#include "tests/support/EnglishProfiles.h"
#include "tests/support/StandInModule.h"
#include "views/common/IViewCommands.h"
#include "views/common/ModuleFrame.h"
#include "views/common/ModuleWindows.h"
#include "views/time/OverviewView.h"
#include "views/time/SoundWindow.h"
#include "views/time/WaveformView.h"

using namespace test;

namespace {

class ApplicationTest : public ::testing::Test {
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
    QString ProfilePath(const QString& file) const { return dir.filePath(QStringLiteral("Profile/") + file); }
    // A user profile made from the standard one, with some settings changed.
    void MakeUserProfile(const QString& name, const std::vector<std::pair<QString, QString>>& changes = {}) {
        const QString path = ProfilePath(QStringLiteral("KalvoUserProfil-") + name + QStringLiteral(".ini"));
        ASSERT_TRUE(QFile::copy(ProfilePath(QStringLiteral("KalvoStandardProfil.ini")), path));
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        for (const auto& [key, value] : changes) {
            const ProfileSettings::SettingKey* k = ProfileSettings::FindKey(key);
            const QString section = k ? QLatin1String(k->section) : key.section(u'/', 0, 0);
            IniFile(path).WriteString(k ? key : key.section(u'/', 1, 1), value, section);
        }
    }

    QTemporaryDir dir;
    ScriptedUserInterface ui;
    Application app{ui};
};

}  // namespace

TEST_F(ApplicationTest, StartsWithAUserProfileNamedOnTheCommandLine) {
    MakeUserProfile(QStringLiteral("Anna"));
    ASSERT_TRUE(app.InitInstance(QStringLiteral("Anna")));
    EXPECT_TRUE(ui.dialogsShown.isEmpty());  // no start dialog
    EXPECT_EQ(app.m_profileKind, ProfileKind::User);
    ASSERT_NE(app.MainFrame(), nullptr);
    ASSERT_NE(app.SplitterFrame(), nullptr);
    EXPECT_EQ(app.MainFrame()->windowTitle(), QStringLiteral("KALVO"));
    EXPECT_TRUE(app.MainFrame()->MdiArea()->subWindowList().contains(app.SplitterFrame()));
}

TEST_F(ApplicationTest, AMissingUserProfileIsReportedAndTheStartEnds) {
    EXPECT_FALSE(app.InitInstance(QStringLiteral("Bert")));
    EXPECT_TRUE(SaidNumber(ui, 61490));
    EXPECT_EQ(app.MainFrame(), nullptr);
}

TEST_F(ApplicationTest, CancellingTheStartDialogEndsWithoutWritingTheLastUsedProfile) {
    const QByteArray before = ReadFile(ProfilePath(QStringLiteral("KalvoZuletztVerwendetProfil.ini")));
    ui.startProfiles.push_back(std::nullopt);
    EXPECT_FALSE(app.InitInstance(QString()));
    app.ExitInstance();
    EXPECT_EQ(ReadFile(ProfilePath(QStringLiteral("KalvoZuletztVerwendetProfil.ini"))), before);
}

TEST_F(ApplicationTest, TheStartDialogLeadsToTheChosenProfile) {
    struct Case {
        const char* name;
        StartProfileAnswer start;
        std::optional<int> button;
        ProfileKind kind;
    };
    const std::vector<Case> cases = {
        {"recent", {0, {}}, std::nullopt, ProfileKind::LastUsed},
        {"predefined musicians", {1, {}}, 1, ProfileKind::Musician},
        {"predefined secondary school", {1, {}}, 4, ProfileKind::SecondarySchool},
        {"user", {2, QStringLiteral("Anna")}, std::nullopt, ProfileKind::User},
    };
    MakeUserProfile(QStringLiteral("Anna"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedUserInterface answers;
        Application other(answers);
        answers.startProfiles.push_back(c.start);
        if (c.button) answers.predefinedProfiles.push_back(c.button);
        EXPECT_TRUE(other.ChooseStartProfile());
        EXPECT_EQ(other.m_profileKind, c.kind);
    }
    // An empty user name, or Cancel in the picture dialog, goes back to the start dialog.
    ui.startProfiles = {StartProfileAnswer{2, QString()}, StartProfileAnswer{1, {}}, std::nullopt};
    ui.predefinedProfiles.push_back(std::nullopt);
    EXPECT_FALSE(app.ChooseStartProfile());
    EXPECT_EQ(ui.dialogsShown, (QStringList{"start", "start", "predefined", "start"}));
}

TEST_F(ApplicationTest, KidsStartShowsTheKidsDialogAndTheKidsLayout) {
    ui.kidsStarts.push_back(0);
    ui.openFiles.push_back(std::nullopt);  // the open dialog that the kids start shows
    ASSERT_TRUE(app.InitInstance(QStringLiteral("Kids")));
    EXPECT_EQ(ui.dialogsShown.value(0), QStringLiteral("kids"));
    EXPECT_EQ(app.m_profileKind, ProfileKind::ForKids);
    EXPECT_EQ(app.MainFrame()->windowTitle(), QStringLiteral("KALVO for Kids"));
    EXPECT_FALSE(ui.fileDialogs.empty());  // "choose piece of music" opens a file at once
    EXPECT_TRUE(app.MainFrame()->KidsToolBar()->isVisibleTo(app.MainFrame()));
    EXPECT_FALSE(app.MainFrame()->StandardToolBar()->isVisibleTo(app.MainFrame()));
    EXPECT_NE(app.MainFrame()->Action(32789), nullptr);  // the kids bar's open button
    EXPECT_EQ(app.MainFrame()->Action(32795), nullptr);  // no FFT settings in the kids menu
}

// The sound input is there from the start (the virtual inputs always are): the kids start
// dialog offers recording at start-up as it does when the kids profile is chosen later.
TEST_F(ApplicationTest, TheKidsStartOffersTheMicrophoneWhenASoundInputExists) {
    ASSERT_FALSE(AudioSystem::Inputs().empty());
    ui.kidsStarts = {0, 0};
    ui.openFiles = {std::nullopt, std::nullopt};
    ASSERT_TRUE(app.InitInstance(QStringLiteral("Kids")));
    ui.startProfiles.push_back(StartProfileAnswer{1, {}});
    ui.predefinedProfiles.push_back(5);  // "for Kids"
    app.OnChooseProfile();
    EXPECT_EQ(ui.dialogsShown, (QStringList{"kids", "start", "predefined", "kids"}));
    EXPECT_EQ(ui.kidsMicrophoneOffered, (std::vector<bool>{true, true}));
}

TEST_F(ApplicationTest, TheOverviewCommandShowsTheSoundWindowHiddenOrMinimised) {
    ui.kidsStarts.push_back(0);
    ui.openFiles.push_back(std::nullopt);
    ASSERT_TRUE(app.InitInstance(QStringLiteral("Kids")));
    ModuleFrame* sound = app.SplitterFrame();
    QMdiArea* area = app.MainFrame()->MdiArea();
    for (const char* how : {"hidden", "minimised"}) {
        SCOPED_TRACE(how);
        if (how[0] == 'h')
            sound->hide();
        else
            sound->showMinimized();
        ASSERT_TRUE(app.MainFrame()->OnCommand(32852));  // Window › Overview
        EXPECT_TRUE(sound->isVisibleTo(area));
        EXPECT_FALSE(sound->isMinimized());
        EXPECT_EQ(area->activeSubWindow(), sound);
    }
}

TEST_F(ApplicationTest, OpeningAWaveFillsTheStatusBar) {
    MakeUserProfile(QStringLiteral("Anna"));
    ASSERT_TRUE(app.InitInstance(QStringLiteral("Anna")));
    const QString wave = dir.filePath(QStringLiteral("tone.wav"));
    ASSERT_TRUE(WriteFile(wave, Mono16(44100, Sine(440, 44100, 4410, 8000))));
    ui.openFiles.push_back(wave);
    ASSERT_TRUE(app.MainFrame()->OnCommand(32807));
    EXPECT_TRUE(app.Document()->IsWaveLoaded());
    EXPECT_EQ(app.MainFrame()->PaneText(1), QStringLiteral("File: tone.wav"));
    EXPECT_EQ(app.MainFrame()->PaneText(2), QStringLiteral("Mono: 16-Bit"));
    EXPECT_EQ(app.MainFrame()->PaneText(3), QStringLiteral("44 kHz"));
    EXPECT_TRUE(app.MainFrame()->PaneText(5).startsWith(Str(StringId::FFTPoints_61545)));
}

TEST_F(ApplicationTest, SwitchingTheLanguageRebuildsTheWindowsInTheOtherLanguage) {
    MakeUserProfile(QStringLiteral("Anna"));
    ASSERT_TRUE(app.InitInstance(QStringLiteral("Anna")));
    const QString englishFile = app.MainFrame()->menuBar()->actions().value(0)->text();
    ui.languages.push_back(QStringLiteral("Deutsch"));
    app.OnLanguage();
    EXPECT_EQ(CurrentLanguage(), Language::German);
    EXPECT_EQ(app.Settings().IniAllgemeinLanguage, 1031);
    EXPECT_NE(app.MainFrame()->menuBar()->actions().value(0)->text(), englishFile);
    EXPECT_EQ(app.Document()->GetTitle(), QStringLiteral("keine Datei ausgewählt"));
    ASSERT_NE(app.SplitterFrame(), nullptr);

    // A loaded sound stays loaded when the language changes back.
    const QString wave = dir.filePath(QStringLiteral("tone.wav"));
    ASSERT_TRUE(WriteFile(wave, Mono16(8000, Sine(440, 8000, 800, 8000))));
    ASSERT_TRUE(app.Document()->OpenSoundFile(wave));
    ui.languages.push_back(QStringLiteral("English"));
    app.OnLanguage();
    EXPECT_EQ(CurrentLanguage(), Language::English);
    EXPECT_TRUE(app.Document()->IsWaveLoaded());
    EXPECT_EQ(app.Document()->GetTitle(), QStringLiteral("tone.wav"));
    EXPECT_EQ(app.MainFrame()->menuBar()->actions().value(0)->text(), englishFile);
}

TEST_F(ApplicationTest, TheMainSoundWindowSpeaksTheLanguageOfTheProfile) {
    // The start dialogs speak the standard profile's English; the chosen profile is German.
    MakeUserProfile(QStringLiteral("Anna"),
                    {{QStringLiteral("IniAllgemeinLanguage"), QStringLiteral("1031")}});
    ASSERT_TRUE(app.InitInstance(QStringLiteral("Anna")));
    ASSERT_EQ(CurrentLanguage(), Language::German);
    const SoundWindow* frame = app.SplitterFrame();
    ASSERT_NE(frame, nullptr);
    QStringList shown{frame->windowTitle()};
    for (const QWidget* w : frame->findChildren<QWidget*>()) {
        if (const auto* label = qobject_cast<const QLabel*>(w)) shown << label->text();
        if (const auto* button = qobject_cast<const QAbstractButton*>(w)) shown << button->text();
        if (!w->toolTip().isEmpty()) shown << w->toolTip();
    }
    EXPECT_TRUE(shown.contains(StringTable::Instance().Text(StringId::Overview_63000, Language::German)));
    // No text of the window is left in English where the German one differs.
    const StringTable& table = StringTable::Instance();
    for (int id = 63000; id < 63100; ++id) {
        if (!table.Contains(id)) continue;
        const QString english = table.Text(id, Language::English);
        if (english == table.Text(id, Language::German)) continue;
        EXPECT_FALSE(shown.contains(english)) << id << " " << english.toStdString();
    }
}

TEST_F(ApplicationTest, GarbagePlacementsStillOpenTheWindowsWhereTheyCanBeSeen) {
    MakeUserProfile(
        QStringLiteral("Chaos"),
        {{QStringLiteral("MainWindow/wp->rcNormalPosition.left"), QStringLiteral("900000")},
         {QStringLiteral("MainWindow/wp->rcNormalPosition.right"), QStringLiteral("-5")},
         {QStringLiteral("MainWindow/wp->showCmd"), QStringLiteral("1")},
         {QStringLiteral("UebersichtWindow/wp->rcNormalPosition.left"), QStringLiteral("-70000")},
         {QStringLiteral("UebersichtWindow/wp->rcNormalPosition.top"), QStringLiteral("99999999")},
         {QStringLiteral("UebersichtWindow/wp->rcNormalPosition.right"), QStringLiteral("-3")},
         {QStringLiteral("UebersichtWindow/wp->rcNormalPosition.bottom"), QStringLiteral("garbage")}});
    ASSERT_TRUE(app.InitInstance(QStringLiteral("Chaos")));
    const WindowPlacement main = app.Settings().GetWindowSlot(kSlotMain);
    EXPECT_LE(main.left, main.right);
    const QRect area = app.MainFrame()->MdiArea()->viewport()->rect();
    const QRect sound = app.SplitterFrame()->geometry();
    EXPECT_TRUE(area.contains(sound.topLeft())) << sound.x() << "," << sound.y();
    EXPECT_GT(sound.width(), 0);
    EXPECT_GT(sound.height(), 0);
}

namespace {

// A module window with an empty view, standing in for the analysis modules.
struct TestModules {
    TestModules() {
        for (auto [module, slot, command] : {std::tuple{Module::Fft, int(kSlotFft), 32794},
                                             std::tuple{Module::Sonogram, int(kSlotSonogram), 32804}}) {
            ModuleWindows::Register(test::StandInModule(module, slot, command, true));
        }
    }
    ~TestModules() {
        ModuleWindows::Unregister(Module::Fft);
        ModuleWindows::Unregister(Module::Sonogram);
    }
};

QRectF Relative(const ModuleFrame* frame, const QMdiArea* area) {
    const QSizeF size = area->viewport()->size();
    const QRectF g = frame->geometry();
    return {g.x() / size.width(), g.y() / size.height(), g.width() / size.width(),
            g.height() / size.height()};
}

void ExpectNear(const QRectF& a, const QRectF& b, double tolerance) {
    EXPECT_NEAR(a.x(), b.x(), tolerance);
    EXPECT_NEAR(a.y(), b.y(), tolerance);
    EXPECT_NEAR(a.width(), b.width(), tolerance);
    EXPECT_NEAR(a.height(), b.height(), tolerance);
}

}  // namespace

TEST_F(ApplicationTest, ModuleWindowsKeepTheirRelativePlacesThroughBarsAndProfiles) {
    TestModules modules;
    MakeUserProfile(QStringLiteral("Anna"));
    ASSERT_TRUE(app.InitInstance(QStringLiteral("Anna")));
    QMdiArea* area = app.MainFrame()->MdiArea();
    app.Modules()->Open(Module::Fft);
    app.Modules()->Open(Module::Sonogram);
    ASSERT_TRUE(app.Modules()->IsOpen(Module::Fft));
    EXPECT_EQ(app.Settings().IniFensterFFT, 1);
    ModuleFrame* fft = app.Modules()->Frame(Module::Fft);
    ModuleFrame* sono = app.Modules()->Frame(Module::Sonogram);
    fft->setGeometry(40, 30, 400, 260);
    sono->setGeometry(460, 120, 300, 200);
    const QRectF fftBefore = Relative(fft, area), sonoBefore = Relative(sono, area);

    // Hiding the status bar gives the client area more height; the windows keep their relative places.
    ASSERT_TRUE(app.MainFrame()->OnCommand(59393));
    EXPECT_EQ(app.Settings().IniAllgemeinStatusbar, 0);
    ExpectNear(Relative(fft, area), fftBefore, 0.01);
    ASSERT_TRUE(app.MainFrame()->OnCommand(59393));

    // Saved in a user profile and started again, they come back at the same places.
    ui.profileNames.push_back(
        ProfileNameAnswer{QStringLiteral("Geo"), QStringLiteral("KalvoUserProfil-Geo.ini")});
    ASSERT_TRUE(app.OnSaveProfile());
    app.ExitInstance();

    ScriptedUserInterface ui2;
    Application again(ui2);
    ASSERT_TRUE(again.InitInstance(QStringLiteral("Geo")));
    ASSERT_TRUE(again.Modules()->IsOpen(Module::Fft));
    ASSERT_TRUE(again.Modules()->IsOpen(Module::Sonogram));
    ExpectNear(Relative(again.Modules()->Frame(Module::Fft), again.MainFrame()->MdiArea()), fftBefore, 0.01);
    ExpectNear(Relative(again.Modules()->Frame(Module::Sonogram), again.MainFrame()->MdiArea()), sonoBefore,
               0.01);

    // Toggling twice leaves no frame and the flag cleared; show does nothing for a closed module.
    again.Modules()->Toggle(Module::Fft);
    EXPECT_FALSE(again.Modules()->IsOpen(Module::Fft));
    EXPECT_EQ(again.Settings().IniFensterFFT, 0);
    again.Modules()->Show(Module::Fft);
    EXPECT_FALSE(again.Modules()->IsOpen(Module::Fft));
    again.ExitInstance();
}

TEST_F(ApplicationTest, KidsModeKeepsOneBigPictureOpen) {
    TestModules modules;
    ModuleWindows::Register(test::StandInModule(Module::Score, kSlotScore, 32823, true, false, 138));
    ui.kidsStarts.push_back(1);  // the microphone: no file dialog at the start
    ASSERT_TRUE(app.InitInstance(QStringLiteral("Kids")));
    app.Modules()->Open(Module::Sonogram);
    ASSERT_TRUE(app.Modules()->IsOpen(Module::Sonogram));
    EXPECT_FALSE(app.Modules()
                     ->Frame(Module::Sonogram)
                     ->ControlBar()
                     ->isVisibleTo(app.Modules()->Frame(Module::Sonogram)));
    app.Modules()->Toggle(Module::Score);
    EXPECT_TRUE(app.Modules()->IsOpen(Module::Score));
    EXPECT_FALSE(app.Modules()->IsOpen(Module::Sonogram));
    EXPECT_EQ(app.Settings().IniFensterSono, 0);
    ModuleWindows::Unregister(Module::Score);
}

TEST_F(ApplicationTest, MarkingAndSelectingInTheMainSoundWindowReachTheDocument) {
    MakeUserProfile(QStringLiteral("Anna"), {{QStringLiteral("IniFensterFFT"), QStringLiteral("0")}});
    ASSERT_TRUE(app.InitInstance(QStringLiteral("Anna")));
    const QString wave = dir.filePath(QStringLiteral("long.wav"));
    ASSERT_TRUE(WriteFile(wave, Mono16(44100, Sine(440, 44100, 44100, 8000))));
    ASSERT_TRUE(app.Document()->OpenSoundFile(wave));
    QApplication::processEvents();

    QWidget* over = app.SplitterFrame()->OverView()->viewport();
    WaveformView* wave_ = app.SplitterFrame()->WaveView();
    const int y = over->height() / 2 + 10;
    const int w = over->width();
    // Mark the middle half of the sound.
    QTest::mousePress(over, Qt::LeftButton, {}, QPoint(10 + (w - 20) / 4, y));
    QTest::mouseMove(over, QPoint(10 + (w - 20) / 2, y));
    QTest::mouseRelease(over, Qt::LeftButton, {}, QPoint(10 + 3 * (w - 20) / 4, y));
    EXPECT_NEAR(app.Document()->SelectionStart(), 11025.0, 44100.0 / (w - 20) * 2);
    EXPECT_NEAR(app.Document()->SelectionEnd(), 33075.0, 44100.0 / (w - 20) * 2);
    EXPECT_GT(wave_->GetZoomWindow().right, wave_->GetZoomWindow().left);

    // Drag right to left in the waveform: the document gets an even-bounded selection.
    const int wy = wave_->height() / 2;
    QTest::mousePress(wave_, Qt::LeftButton, {}, QPoint(wave_->width() - 40, wy));
    QTest::mouseMove(wave_, QPoint(wave_->width() / 2, wy));
    QTest::mouseRelease(wave_, Qt::LeftButton, {}, QPoint(40, wy));
    EXPECT_GT(app.Document()->SpectrumPoints(), 0);  // the selection came with its spectrum
    ASSERT_GT(app.Document()->SelectedSamples().size(), 10000u);
    EXPECT_EQ(app.Document()->SelectedSamples().size() % 2, 0u);

    // A mark narrower than 21 samples clears the loop bounds.
    QTest::mousePress(over, Qt::LeftButton, {}, QPoint(100, y));
    QTest::mouseRelease(over, Qt::LeftButton, {}, QPoint(100, y));
    EXPECT_EQ(app.Document()->SelectionStart(), 0u);
    EXPECT_EQ(app.Document()->SelectionEnd(), 0u);
}

TEST_F(ApplicationTest, ATestTonePlaysWithoutHoldingUpTheWindow) {
    MakeUserProfile(QStringLiteral("Anna"));
    ASSERT_TRUE(app.InitInstance(QStringLiteral("Anna")));
    // A minute-long tone: the call comes back long before it ends (on the virtual output, as
    // tests reach no sound card), however busy the machine is.
    QElapsedTimer timer;
    timer.start();
    EXPECT_TRUE(app.Beep(440.0, 60000));
    EXPECT_LT(timer.elapsed(), 30000);
    EXPECT_FALSE(app.Beep(0.0, 100));
}

TEST_F(ApplicationTest, TheSoundcardDialogSwitchesDevicesAndTheLoadedSoundStaysPlayable) {
    MakeUserProfile(QStringLiteral("Anna"));
    ASSERT_TRUE(app.InitInstance(QStringLiteral("Anna")));
    const QString wave = dir.filePath(QStringLiteral("tone.wav"));
    ASSERT_TRUE(WriteFile(wave, Mono16(8000, Sine(440, 8000, 8000, 8000))));
    ASSERT_TRUE(app.Document()->OpenSoundFile(wave));
    ASSERT_NE(app.Document()->Player().Sound(), nullptr);
    const std::vector<AudioDeviceInfo> inputs = AudioSystem::Inputs();
    const auto chirp = std::find_if(inputs.begin(), inputs.end(), [](const AudioDeviceInfo& d) {
        return d.id == QStringLiteral("virtual:chirp");
    });
    ASSERT_NE(chirp, inputs.end());
    ui.soundDevices.push_back(std::pair{static_cast<int>(chirp - inputs.begin()), 0});
    app.OnSoundcard();
    EXPECT_EQ(app.m_captureDeviceId, QStringLiteral("virtual:chirp"));
    EXPECT_EQ(app.m_captureDevice, app.Document()->InputDevice()->Name());
    EXPECT_TRUE(app.Document()->IsWaveLoaded());
    ASSERT_NE(app.Document()->Player().Sound(), nullptr);
    EXPECT_TRUE(ui.channelDialogs.empty());
}

namespace {

// Runs the event loop until done() holds or a generous deadline has passed.
bool WaitFor(const std::function<bool()>& done, int deadlineMs = 30000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > deadlineMs) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return true;
}

}  // namespace

TEST_F(ApplicationTest, ViewCommandsAndHelpGoToTheActiveViewOfTheMainSoundWindow) {
    MakeUserProfile(QStringLiteral("Anna"));
    ASSERT_TRUE(app.InitInstance(QStringLiteral("Anna")));
    MainWindow* frame = app.MainFrame();
    const QString wave = dir.filePath(QStringLiteral("tone.wav"));
    ASSERT_TRUE(WriteFile(wave, Mono16(44100, Sine(440, 44100, 8820, 8000))));
    ASSERT_TRUE(app.Document()->OpenSoundFile(wave));
    frame->MdiArea()->setActiveSubWindow(app.SplitterFrame());
    app.SplitterFrame()->WaveView()->setFocus();
    frame->UpdateCommandStates();

    // The waveform saves and copies its picture; it has no numbers to export.
    EXPECT_TRUE(frame->Action(32808)->isEnabled());
    EXPECT_TRUE(frame->Action(57634)->isEnabled());
    EXPECT_FALSE(frame->Action(32848)->isEnabled());
    EXPECT_TRUE(frame->Action(32788)->isEnabled());
    ui.saveFiles.push_back(dir.filePath(QStringLiteral("waveform")));  // no type given: a vector drawing
    ASSERT_TRUE(frame->OnCommand(32808));
    EXPECT_EQ(ui.fileDialogs.back().title, Str(StringId::SavesWaveView));
    const QByteArray svg = ReadFile(dir.filePath(QStringLiteral("waveform.svg")));
    EXPECT_TRUE(svg.contains("Wave picture")) << svg.left(300).toStdString();
    QGuiApplication::clipboard()->clear();
    ASSERT_TRUE(frame->OnCommand(57634));
    ASSERT_NE(QGuiApplication::clipboard()->mimeData(), nullptr);
    EXPECT_TRUE(QGuiApplication::clipboard()->mimeData()->hasFormat(QStringLiteral("image/svg+xml")));
    EXPECT_TRUE(QGuiApplication::clipboard()->mimeData()->hasImage());

    // F1 opens the page of the view, the Help Index the first page.
    ASSERT_TRUE(frame->OnCommand(57667));
    ASSERT_FALSE(ui.pagesOpened.isEmpty());
    EXPECT_TRUE(ui.pagesOpened.last().endsWith(QStringLiteral("html/Hauptfenster.html")))
        << ui.pagesOpened.last().toStdString();
    ASSERT_TRUE(frame->OnCommand(57666));
    EXPECT_TRUE(ui.pagesOpened.last().endsWith(QStringLiteral("html/Vorwort.html")));

    // Clear all Data empties the analysis and keeps the sound.
    app.Document()->OnSelectionChanged(0, 4096);
    ASSERT_GT(app.Document()->SelectedSamples().size(), 1u);
    ASSERT_TRUE(frame->OnCommand(32788));
    EXPECT_EQ(app.Document()->SelectedSamples().size(), 1u);
    EXPECT_TRUE(app.Document()->IsWaveLoaded());

    // The overview saves and copies its own picture, at its own size, under the window's picture name.
    OverviewView* over = app.SplitterFrame()->OverView();
    over->setFocus();
    frame->UpdateCommandStates();
    EXPECT_TRUE(frame->Action(32808)->isEnabled());
    EXPECT_TRUE(frame->Action(57634)->isEnabled());
    EXPECT_FALSE(frame->Action(32848)->isEnabled());
    ui.saveFiles.push_back(dir.filePath(QStringLiteral("overview.svg")));
    ASSERT_TRUE(frame->OnCommand(32808));
    EXPECT_EQ(ui.fileDialogs.back().title, Str(StringId::SavesWaveView));
    const QByteArray overSvg = ReadFile(dir.filePath(QStringLiteral("overview.svg")));
    EXPECT_TRUE(overSvg.contains("Wave picture"));
    EXPECT_TRUE(overSvg.contains("KALVO sound analysis"));
    const QByteArray overSize = QStringLiteral("width=\"%1").arg(over->viewport()->width()).toUtf8();
    EXPECT_TRUE(overSvg.contains(overSize)) << overSvg.left(400).toStdString();
    EXPECT_NE(over->viewport()->height(), app.SplitterFrame()->WaveView()->height());
    EXPECT_TRUE(overSvg.contains(QStringLiteral("height=\"%1").arg(over->viewport()->height()).toUtf8()));
    QGuiApplication::clipboard()->clear();
    ASSERT_TRUE(frame->OnCommand(57634));
    ASSERT_NE(QGuiApplication::clipboard()->mimeData(), nullptr);
    EXPECT_TRUE(QGuiApplication::clipboard()
                    ->mimeData()
                    ->data(QStringLiteral("image/svg+xml"))
                    .contains("Wave picture"));
    ASSERT_TRUE(frame->OnCommand(57667));
    EXPECT_TRUE(ui.pagesOpened.last().endsWith(QStringLiteral("html/Hauptfenster.html")));
}

TEST_F(ApplicationTest, ClosingAModuleWindowWithItsCloseButtonClosesTheModule) {
    TestModules modules;
    MakeUserProfile(QStringLiteral("Anna"), {{QStringLiteral("IniFensterFFT"), QStringLiteral("1")}});
    ASSERT_TRUE(app.InitInstance(QStringLiteral("Anna")));
    ASSERT_TRUE(app.Modules()->IsOpen(Module::Fft));
    QPointer<ModuleFrame> fft = app.Modules()->Frame(Module::Fft);
    EXPECT_TRUE(app.Document()->IsModuleOpen(Module::Fft));

    fft->close();  // what the window's × does
    EXPECT_FALSE(app.Modules()->IsOpen(Module::Fft));
    EXPECT_FALSE(app.Document()->IsModuleOpen(Module::Fft));
    EXPECT_EQ(app.Settings().IniFensterFFT, 0);
    app.MainFrame()->UpdateCommandStates();
    EXPECT_FALSE(app.MainFrame()->Action(32794)->isChecked());
    EXPECT_TRUE(WaitFor([&] { return fft.isNull(); }));

    // The menu opens it again as usual.
    ASSERT_TRUE(app.MainFrame()->OnCommand(32794));
    EXPECT_TRUE(app.Modules()->IsOpen(Module::Fft));
    EXPECT_EQ(app.Settings().IniFensterFFT, 1);
}

TEST_F(ApplicationTest, EscapeKeyStopsListeningAtTheNextBlockAndIsNotKeptForLater) {
    MakeUserProfile(QStringLiteral("Anna"));
    app.m_captureDeviceId = QStringLiteral("virtual:sine:440");
    app.m_outputDeviceId = QStringLiteral("virtual:output");
    ASSERT_TRUE(app.InitInstance(QStringLiteral("Anna")));
    MainWindow* frame = app.MainFrame();
    frame->show();
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame));
    WaveformView* wave = app.SplitterFrame()->WaveView();
    wave->setFocus();

    // An Escape while nothing listens (as when it closed a dialog) is forgotten.
    QTest::keyClick(wave, Qt::Key_Escape);
    app.Document()->StartListening(false);
    ASSERT_TRUE(app.Document()->IsListening());
    DocumentTestAccess::Spectrum(*app.Document()).clear();
    ASSERT_TRUE(WaitFor([&] { return app.Document()->Spectrum().size() > 1; }));
    EXPECT_TRUE(app.Document()->IsListening());

    // Escape in the window, where the window-wide shortcut sees it first.
    QTest::keyClick(wave, Qt::Key_Escape);
    EXPECT_TRUE(WaitFor([&] { return !app.Document()->IsListening(); }));
}

TEST_F(ApplicationTest, KidsChoosingTheMicrophoneStartRecordingMusic) {
    app.m_captureDeviceId = QStringLiteral("virtual:sine:440");
    app.m_outputDeviceId = QStringLiteral("virtual:output");
    ui.kidsStarts.push_back(1);  // "record music with microphone"
    ASSERT_TRUE(app.InitInstance(QStringLiteral("Kids")));
    EXPECT_TRUE(ui.fileDialogs.empty());
    EXPECT_TRUE(app.Document()->IsListening());
    EXPECT_TRUE(app.Document()->IsRecording());
    // Ctrl+M, the key its menu shows, stops and loads the recording.
    ASSERT_NE(app.MainFrame()->Action(32785), nullptr);
    EXPECT_EQ(app.MainFrame()->Action(32785)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_M));
    app.MainFrame()->OnCommand(32785);
    EXPECT_FALSE(app.Document()->IsRecording());
}

namespace {

// Every module window as a stand-in, so that each profile opens all the windows it names.
struct AllTestModules {
    static constexpr std::tuple<Module, int, int> kModules[] = {
        {Module::Reconstruction, kSlotReconstruction, 32778},
        {Module::Fft, kSlotFft, 32794},
        {Module::TimeSeries, kSlotTimeSeries, 32776},
        {Module::Sonogram, kSlotSonogram, 32804},
        {Module::Landscape, kSlotLandscape, 32806},
        {Module::Analysis, kSlotAnalysis, 32814},
        {Module::Score, kSlotScore, 32823},
        {Module::Wavelet, kSlotWavelet, 32826}};
    AllTestModules() {
        for (const auto& [module, slot, command] : kModules)
            ModuleWindows::Register(test::StandInModule(module, slot, command));
    }
    ~AllTestModules() {
        for (const auto& [module, slot, command] : kModules) ModuleWindows::Unregister(module);
    }
};

}  // namespace

TEST_F(ApplicationTest, ThePredefinedProfilesTileTheClientAreaAtCommonScreenSizes) {
    AllTestModules modules;
    const ProfileKind kinds[] = {ProfileKind::Standard, ProfileKind::Musician,        ProfileKind::Analyst,
                                 ProfileKind::Complete, ProfileKind::SecondarySchool, ProfileKind::ForKids};
    for (const ProfileKind kind : kinds) {
        ScriptedUserInterface startUi;
        startUi.kidsStarts.push_back(0);  // a music file, and the file dialog is cancelled
        Application start(startUi);
        ASSERT_TRUE(start.InitInstance(QString(), {}, std::make_pair(kind, QString())));
        MainWindow* frame = start.MainFrame();
        // The main sound window (in kids mode too: the overview fills the top) and every module
        // the profile opens.
        std::vector<ModuleFrame*> frames = start.Modules()->OpenFrames();
        frames.push_back(start.SplitterFrame());
        const int open = start.Settings().IniFensterFFT + start.Settings().IniFensterFFT3D +
                         start.Settings().IniFensterAnalyse + start.Settings().IniFensterNotenbild +
                         start.Settings().IniFensterReko + start.Settings().IniFensterSono +
                         start.Settings().IniFensterWavelet + start.Settings().IniFensterZeitreihe;
        ASSERT_EQ(static_cast<int>(frames.size()), open + 1) << static_cast<int>(kind);

        const auto expectTiled = [&](const char* how) {
            SCOPED_TRACE(how);
            const QRect area = frame->MdiArea()->viewport()->rect();
            long long covered = 0;
            for (std::size_t i = 0; i < frames.size(); ++i) {
                const QRect r = frames[i]->geometry();
                const std::string name = "slot " + std::to_string(frames[i]->Slot());
                EXPECT_TRUE(frames[i]->isVisibleTo(frame->MdiArea())) << name;
                EXPECT_TRUE(area.contains(r))
                    << name << " at " << r.x() << "," << r.y() << " " << r.width() << "x" << r.height()
                    << " in " << area.width() << "x" << area.height();
                EXPECT_GE(r.width(), 300) << name;
                EXPECT_GE(r.height(), 180) << name;
                covered += static_cast<long long>(r.width()) * r.height();
                for (std::size_t j = i + 1; j < frames.size(); ++j)
                    EXPECT_FALSE(r.intersects(frames[j]->geometry()))
                        << name << " and slot " << frames[j]->Slot();
            }
            // Together they fill the area: no empty stretch on the first screen.
            EXPECT_GT(covered, static_cast<long long>(area.width()) * area.height() * 97 / 100);
        };
        for (const QSize screen : {QSize(1366, 768), QSize(1920, 1080)}) {
            SCOPED_TRACE(testing::Message() << "profile " << static_cast<int>(kind) << " at "
                                            << screen.width() << "x" << screen.height());
            // As when the window manager maximises the main window after the profile placed
            // the windows in its normal rectangle.
            frame->showNormal();
            frame->setGeometry(QRect(QPoint(0, 0), screen));
            QApplication::processEvents();
            expectTiled("scaled to the new size");
            for (ModuleFrame* f : frames) f->ApplyStoredPlacement();
            expectTiled("placed at this size");
        }
        start.ExitInstance();
    }
}

TEST_F(ApplicationTest, AProfileThatCannotBeReadOnChangeEndsTheProgramTheUsualWay) {
    MakeUserProfile(QStringLiteral("Anna"));
    ASSERT_TRUE(app.InitInstance(QStringLiteral("Anna")));
    ui.startProfiles.push_back(StartProfileAnswer{2, QStringLiteral("Nobody")});
    app.OnChooseProfile();  // this process goes on: the event loop ends it, with a code that says so
    EXPECT_TRUE(SaidNumber(ui, 61490));
    EXPECT_EQ(app.ExitCode(), 1);
    // The request to leave waits for an event loop, and until one runs every dialog of this
    // process would close at once: run one here so the request ends with this test.
    QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
}

TEST_F(ApplicationTest, AMainWindowStoredAsHiddenStillShows) {
    MakeUserProfile(QStringLiteral("Anna"),
                    {{QStringLiteral("MainWindow/wp->showCmd"), QStringLiteral("0")}});
    ASSERT_TRUE(app.InitInstance(QStringLiteral("Anna")));
    EXPECT_TRUE(app.MainFrame()->isVisible());
}

TEST_F(ApplicationTest, ASoundDeviceThatCannotBeOpenedIsReportedAndTheVirtualOneTakesItsPlace) {
    MakeUserProfile(QStringLiteral("Anna"));
    ASSERT_TRUE(app.InitInstance(QStringLiteral("Anna")));
    const QString wave = dir.filePath(QStringLiteral("tone.wav"));
    ASSERT_TRUE(WriteFile(wave, Mono16(8000, Sine(440, 8000, 8000, 8000))));
    ASSERT_TRUE(app.Document()->OpenSoundFile(wave));
    ui.messages.clear();
    const QString missingInput = QStringLiteral("virtual:file:") + dir.filePath(QStringLiteral("gone.wav"));
    const QString missingOutput = QStringLiteral("portaudio:no such card");
    app.ApplySoundDevices(missingInput, missingOutput);
    // One message says what failed (a machine without a sound card also hears that again).
    const QString prefix = Str(StringId::SoundCardCannotUsed).section(u'%', 0, 0);
    const auto said = std::find_if(ui.messages.begin(), ui.messages.end(),
                                   [&](const auto& m) { return m.text.startsWith(prefix); });
    ASSERT_NE(said, ui.messages.end());
    EXPECT_EQ(std::count_if(ui.messages.begin(), ui.messages.end(),
                            [&](const auto& m) { return m.text.startsWith(prefix); }),
              1);
    EXPECT_TRUE(said->text.contains(missingInput));
    EXPECT_TRUE(said->text.contains(missingOutput));
    EXPECT_TRUE(said->text.contains(Str(StringId::KalvoUsesVirtualSound)));
    // The program goes on with working devices, and the loaded sound stays playable.
    ASSERT_NE(app.Document()->InputDevice(), nullptr);
    ASSERT_NE(app.Document()->OutputDevice(), nullptr);
    EXPECT_TRUE(app.Document()->IsWaveLoaded());
    EXPECT_NE(app.Document()->Player().Sound(), nullptr);
}

namespace {

// A module view that offers Export Data but takes Ctrl+E itself.
class OwnKeyView : public QWidget, public IModuleView {
public:
    int ownKeys = 0;
    int exports = 0;
    bool HasCommand(ViewCommand command) const override { return command == ViewCommand::ExportData; }
    void OnViewCommand(ViewCommand) override { ++exports; }
    QList<QKeySequence> ViewKeys() const override { return {QKeySequence(Qt::CTRL | Qt::Key_E)}; }

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->keyCombination() == QKeyCombination(Qt::ControlModifier, Qt::Key_E))
            ++ownKeys;
        else
            QWidget::keyPressEvent(event);
    }
};

}  // namespace

TEST_F(ApplicationTest, AViewsOwnKeysReachItAndItsCommandsComeFromTheMainFrame) {
    OwnKeyView* view = nullptr;
    ModuleWindows::Registration fft = test::StandInModule(Module::Fft, kSlotFft, 32794);
    fft.create = [&view](const ModuleContext& context) {
        view = new OwnKeyView;  // owned by the frame
        view->setFocusPolicy(Qt::StrongFocus);
        return std::make_unique<ModuleFrame>(context.settings, kSlotFft, view, nullptr, true);
    };
    MakeUserProfile(QStringLiteral("Anna"));
    ASSERT_TRUE(app.InitInstance(QStringLiteral("Anna")));
    // In place of the module the program registered at start-up.
    app.Modules()->Close(Module::Fft);
    ModuleWindows::Register(fft);
    MainWindow* frame = app.MainFrame();
    frame->show();
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame));
    app.Modules()->Open(Module::Fft);
    ASSERT_NE(view, nullptr);
    frame->MdiArea()->setActiveSubWindow(app.Modules()->Frame(Module::Fft));
    view->setFocus();
    frame->UpdateCommandStates();

    // The menu command goes to the view; the key the view keeps for itself reaches it as a key.
    ASSERT_TRUE(frame->Action(32848)->isEnabled());
    ASSERT_TRUE(frame->OnCommand(32848));
    EXPECT_EQ(view->exports, 1);
    QTest::keyClick(view, Qt::Key_E, Qt::ControlModifier);
    EXPECT_EQ(view->ownKeys, 1);
    EXPECT_EQ(view->exports, 1);
    app.ExitInstance();
    ModuleWindows::Unregister(Module::Fft);
}

TEST_F(ApplicationTest, A3DWindowWithoutOpenGLSaysSoOnceAndClosesBothCleanly) {
    // The offscreen platform of the tests has no OpenGL, as a computer without a driver.
    MakeUserProfile(QStringLiteral("Anna"), {{QStringLiteral("IniFensterFFT3D"), QStringLiteral("1")},
                                             {QStringLiteral("IniFensterReko"), QStringLiteral("1")}});
    ASSERT_TRUE(app.InitInstance(QStringLiteral("Anna")));
    int told = 0;
    for (const auto& m : ui.messages)
        told += m.text.startsWith(Str(StringId::N3DPicturesNeedOpenGL).section(u'(', 0, 0)) ? 1 : 0;
    EXPECT_EQ(told, 1);
    app.OnIdle();
    EXPECT_FALSE(app.Modules()->IsOpen(Module::Landscape));
    EXPECT_FALSE(app.Modules()->IsOpen(Module::Reconstruction));
    EXPECT_TRUE(app.Modules()->IsOpen(Module::Fft));  // the rest goes on
    // Opening one again tries anew, and tells again.
    app.Modules()->Toggle(Module::Reconstruction);
    app.OnIdle();
    EXPECT_FALSE(app.Modules()->IsOpen(Module::Reconstruction));
    told = 0;
    for (const auto& m : ui.messages)
        told += m.text.startsWith(Str(StringId::N3DPicturesNeedOpenGL).section(u'(', 0, 0)) ? 1 : 0;
    EXPECT_EQ(told, 2);
}
