// The main window on its own: status bar texts, the two menus and tool bars, both languages,
// the bar commands that must keep module windows in place, and the placement of slot 0.

#include <gtest/gtest.h>
#include <QApplication>
#include <QDir>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <memory>
#include <optional>
#include <set>

#include "app/Application.h"
#include "app/MainWindow.h"
#include "document/JobRunner.h"
#include "platform/ShortcutsDialog.h"
#include "settings/IniFile.h"
#include "tests/support/DocFixture.h"
#include "tests/support/DocumentTestAccess.h"
#include "tests/support/EnglishProfiles.h"
#include "tests/support/StandInModule.h"
#include "views/common/ModuleFrame.h"
#include "views/common/ModuleWindows.h"

using namespace test;

namespace {

class MainFrame : public ::testing::Test {
protected:
    void SetUp() override {
        // Only the modules a test registers itself: the info window joins when the program starts.
        ModuleWindows::Unregister(Module::Info);
        SetCurrentLanguage(Language::English);
        ASSERT_TRUE(dir.isValid());
        SetProgramFolder(dir.path());
        app.Settings().IniDokumentNumFFTPoints = 4096;
        app.Settings().IniAllgemeinStatusbar = 1;
        app.Settings().IniAllgemeinToolbarNormal = 1;
        doc.OnNewDocument();
        frame = std::make_unique<MainWindow>(app, doc);
    }
    void TearDown() override {
        frame.reset();
        RestoreProgramFolder();
        SetCurrentLanguage(Language::English);
    }

    static std::vector<int> Ids(const QList<QAction*>& actions) {
        std::vector<int> ids;
        for (const QAction* a : actions) ids.push_back(a->isSeparator() ? 0 : a->data().toInt());
        return ids;
    }
    QStringList MenuTitles() const {
        QStringList titles;
        for (const QAction* a : frame->menuBar()->actions()) titles << a->text();
        return titles;
    }
    std::vector<int> MenuCommands() const {
        std::vector<int> ids;
        for (const QAction* popup : frame->menuBar()->actions())
            for (int id : Ids(popup->menu()->actions()))
                if (id) ids.push_back(id);
        return ids;
    }
    // A module window with a plain view, placed in the MDI area as the module commands do.
    ModuleFrame* AddModuleWindow(const QRect& geometry) {
        auto* module =
            new ModuleFrame(app.Settings(), kSlotFft, new QWidget, nullptr, true);  // owned by the MDI area
        frame->MdiArea()->addSubWindow(module);
        module->show();
        module->setGeometry(geometry);
        return module;
    }
    QRectF Relative(const QWidget* w) const {
        const QSizeF area = frame->MdiArea()->viewport()->size();
        const QRect g = w->geometry();
        return {g.x() / area.width(), g.y() / area.height(), g.width() / area.width(),
                g.height() / area.height()};
    }

    QTemporaryDir dir;
    ScriptedUserInterface ui;
    Application app{ui};
    SoundDocument doc{app.Settings(), ui};
    std::unique_ptr<MainWindow> frame;
};

}  // namespace

TEST_F(MainFrame, StatusMessagesFillTheirPanes) {
    DocumentTestAccess::FileName(doc) = QStringLiteral("/home/anna/sounds/violin.wav");
    struct Case {
        unsigned message;
        long long param;
        int pane;
        const char* text;
    };
    const Case cases[] = {
        {kMsgStatusRate, 44100, 3, "44 kHz"}, {kMsgStatusRate, 8000, 3, "8 kHz"},
        {kMsgStatusRate, 0, 3, ""},           {kMsgStatusFftPoints, 4096, 5, "FFT points: 4096"},
        {kMsgStatusFftPoints, 0, 5, ""},      {kMsgStatusBits, 16, 2, "Mono: 16-Bit"},
        {kMsgStatusBits, 0, 2, ""},           {kMsgStatusFile, 0, 1, "File: violin.wav"},
        {kMsgStatusListening, 0, 7, ""},
    };
    for (const Case& c : cases) {
        frame->SendMessage(c.message, c.param);
        EXPECT_EQ(frame->PaneText(c.pane), QLatin1String(c.text))
            << std::hex << c.message << std::dec << " " << c.param;
    }
    DocumentTestAccess::Activity(doc).SetListening(true);
    DocumentTestAccess::Activity(doc).SetRecording(true);
    frame->SendMessage(kMsgStatusListening, 0);
    frame->SendMessage(kMsgStatusRecording, 0);
    EXPECT_EQ(frame->PaneText(7), Str(StringId::Listening_61546));
    EXPECT_EQ(frame->PaneText(8), Str(StringId::Recording_61547));

    // A language change redraws what the panes show.
    frame->SendMessage(kMsgStatusFftPoints, 4096);
    SetCurrentLanguage(Language::German);
    frame->LoadMenu(false);
    EXPECT_EQ(frame->PaneText(1), QStringLiteral("Datei: violin.wav"));
    EXPECT_EQ(frame->PaneText(5), QStringLiteral("FFT-Punkte: 4096"));
}

TEST_F(MainFrame, NormalAndKidsMenusHoldOnlyCommandsThatWork) {
    frame->LoadMenu(false);
    EXPECT_EQ(MenuTitles(), (QStringList{"&File", "&Edit", "&View", "&Data", "&Settings", "&Window", "&?"}));
    EXPECT_EQ(Ids(frame->StandardToolBar()->actions()),
              (std::vector<int>{32807, 32773, 32847, 0,     32808, 57634, 32848, 0,     32801, 32785, 32790,
                                32791, 32840, 32793, 32792, 0,     32795, 0,     32813, 0,     57667}));
    EXPECT_EQ(Ids(frame->KidsToolBar()->actions()),
              (std::vector<int>{32789, 0, 32785, 32790, 32791, 32840, 32793}));
    EXPECT_EQ(frame->StandardToolBar()->iconSize(), QSize(16, 16));
    EXPECT_EQ(frame->KidsToolBar()->iconSize(), QSize(32, 32));
    // Features not built yet leave no trace: no item, no button, no key.
    EXPECT_EQ(frame->Action(32850), nullptr);
    // The view commands wait for a view that offers them; everything else works at once.
    const std::set<int> viewCommands = {32808, 57634, 32848, 32788};
    for (const QAction* popup : frame->menuBar()->actions())
        for (const QAction* item : popup->menu()->actions()) {
            if (viewCommands.count(item->data().toInt()))
                EXPECT_FALSE(item->isEnabled()) << item->data().toInt();
            else
                EXPECT_TRUE(item->isSeparator() || item->isEnabled());
        }
    // Without a sound there is nothing to play; recording needs a running input.
    for (int needsSound : {32790, 32791, 32840, 32793, 32847, 32785})
        EXPECT_FALSE(frame->Action(needsSound)->isEnabled()) << needsSound;
    EXPECT_EQ(frame->Action(32789)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
    EXPECT_TRUE(frame->Action(59393)->isChecked());
    EXPECT_FALSE(frame->Action(32831)->isChecked());

    app.Settings().IniAllgemeinToolbarNormal = 0;  // as the kids profile has it
    frame->LoadMenu(true);
    EXPECT_EQ(MenuTitles(), (QStringList{"&File", "&View", "&Microphone", "&Windows", "&?"}));
    EXPECT_EQ(MenuCommands(), (std::vector<int>{32789, 32773, 32808, 57665, 32831, 59393, 32785, 57650, 57651,
                                                32852, 57664, 32849}));
    // Kids record music with the key their menu shows.
    EXPECT_EQ(frame->Action(32785)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_M));
    EXPECT_EQ(frame->Action(32831)->text(), QStringLiteral("&Toolbar"));
    // The keys to leave kids mode stay, even though the kids menu does not show them.
    ASSERT_NE(frame->Action(32828), nullptr);
    EXPECT_EQ(frame->Action(32828)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_P));
    EXPECT_EQ(frame->Action(32795), nullptr);
    EXPECT_TRUE(frame->StandardToolBar()->actions().isEmpty());
}

TEST_F(MainFrame, MenusFollowTheLanguage) {
    SetCurrentLanguage(Language::German);
    frame->LoadMenu(false);
    EXPECT_EQ(MenuTitles(), (QStringList{"&Datei", "&Bearbeiten", "&Ansicht", "Da&ten", "&Einstellungen",
                                         "&Fenster", "&?"}));
    EXPECT_EQ(frame->Action(32789)->text(), QStringLiteral("&Wavedatei öffnen..."));
    EXPECT_EQ(frame->Action(32789)->toolTip(), QStringLiteral("Wavedatei öffnen"));
    SetCurrentLanguage(Language::English);
    frame->LoadMenu(false);
    EXPECT_EQ(MenuTitles().value(0), QStringLiteral("&File"));
}

TEST_F(MainFrame, CommandsReachTheirTargets) {
    EXPECT_TRUE(frame->OnCommand(57664));
    EXPECT_TRUE(frame->OnCommand(32849));
    EXPECT_EQ(ui.dialogsShown, (QStringList{"about", "shortcuts"}));
    // Escape stops a long computation; with nothing running it changes nothing.
    EXPECT_TRUE(frame->OnCommand(32825));
    EXPECT_FALSE(doc.IsBusy());
    // A running job is cancelled through the document's job runner.
    std::optional<JobRunner::Outcome> outcome;
    JobRunner::SlicedJob job;
    job.step = [] { return true; };  // never done by itself
    job.finished = [&](JobRunner::Outcome o) { outcome = o; };
    doc.Jobs().StartSliced(std::move(job));
    EXPECT_TRUE(frame->OnCommand(32825));
    ASSERT_TRUE(QTest::qWaitFor([&] { return outcome.has_value(); }, 60000));
    EXPECT_EQ(outcome, JobRunner::Outcome::Cancelled);
    EXPECT_FALSE(doc.IsBusy());
    // A job that runs on the window's thread (the wavelet transform) is reached as well, by a
    // cancel that arrives while it runs.
    JobRunner::WorkerJob here;
    bool cancelled = false;
    here.work = [&](const CancelToken& token) {
        EXPECT_TRUE(doc.IsBusy());
        EXPECT_TRUE(frame->OnCommand(32825));
        cancelled = token.Cancelled();
    };
    EXPECT_EQ(doc.Jobs().RunHere(std::move(here)), JobRunner::Outcome::Cancelled);
    EXPECT_TRUE(cancelled);
    EXPECT_FALSE(doc.IsBusy());
    EXPECT_FALSE(frame->OnCommand(32790));  // play: not built
}

TEST_F(MainFrame, BarCommandsKeepModuleWindowsAtTheirRelativePlaces) {
    frame->resize(760, 540);
    frame->show();
    ModuleFrame* module = AddModuleWindow(QRect(120, 60, 360, 240));
    const QRectF before = Relative(module);
    int areaHeight = frame->MdiArea()->viewport()->height();

    struct Step {
        int command;
        int ProfileSettings::*setting;
        int expected;
    };
    const Step steps[] = {{59393, &ProfileSettings::IniAllgemeinStatusbar, 0},
                          {32830, &ProfileSettings::IniAllgemeinToolbarNormal, 0},
                          {32831, &ProfileSettings::IniAllgemeinToolbarSchule, 1},
                          {59393, &ProfileSettings::IniAllgemeinStatusbar, 1}};
    for (const Step& step : steps) {
        SCOPED_TRACE(step.command);
        ASSERT_TRUE(frame->OnCommand(step.command));
        EXPECT_EQ(app.Settings().*step.setting, step.expected);
        const QSizeF area = frame->MdiArea()->viewport()->size();
        EXPECT_NE(area.height(), areaHeight);  // laid out at once, not at some later event
        areaHeight = static_cast<int>(area.height());
        const QRectF now = Relative(module);
        // Within two pixels of the same relative geometry in the changed area.
        EXPECT_NEAR(now.x() * area.width(), before.x() * area.width(), 2.0);
        EXPECT_NEAR(now.y() * area.height(), before.y() * area.height(), 2.0);
        EXPECT_NEAR(now.width() * area.width(), before.width() * area.width(), 2.0);
        EXPECT_NEAR(now.height() * area.height(), before.height() * area.height(), 2.0);
    }
    EXPECT_FALSE(frame->StandardToolBar()->isVisible());
    EXPECT_TRUE(frame->KidsToolBar()->isVisible());
    // Whatever the bars, the relative units measure the MDI area.
    WindowPlacement wp;
    wp.left = 0;
    wp.top = 0;
    wp.right = 10000;
    wp.bottom = 10000;
    app.Settings().ConvertPlacement(false, wp, frame->Metrics());
    EXPECT_NEAR(wp.right, frame->MdiArea()->viewport()->width(), 1);
    EXPECT_NEAR(wp.bottom, frame->MdiArea()->viewport()->height(), 1);
}

TEST_F(MainFrame, WindowsFollowTheAreaWhenTheMainWindowChangesSize) {
    frame->resize(800, 600);
    frame->show();
    QApplication::processEvents();
    const QSize area = frame->MdiArea()->viewport()->size();
    // Two windows side by side that share an edge, over the whole area.
    ModuleFrame* left = AddModuleWindow(QRect(0, 0, area.width() / 3, area.height()));
    ModuleFrame* right =
        AddModuleWindow(QRect(area.width() / 3, 0, area.width() - area.width() / 3, area.height()));
    const QRect leftBefore = left->geometry(), rightBefore = right->geometry();
    // A resize dragged in many small steps, as a user or a window manager does it.
    for (int step = 1; step <= 25; ++step) {
        frame->resize(800 + 37 * step, 600 + 13 * step);
        QApplication::processEvents();
        const QSize now = frame->MdiArea()->viewport()->size();
        ASSERT_EQ(left->geometry().right() + 1, right->geometry().left())
            << step;  // touching, not overlapping
        EXPECT_EQ(right->geometry().right() + 1, now.width()) << step;
        EXPECT_EQ(left->geometry().height(), now.height()) << step;
    }
    frame->resize(800, 600);
    QApplication::processEvents();
    // Back at the old size, at the old places: no rounding has crept in.
    EXPECT_EQ(left->geometry(), leftBefore);
    EXPECT_EQ(right->geometry(), rightBefore);
    // A window the user moved is scaled from where it now is.
    left->setGeometry(20, 30, 200, 100);
    frame->resize(1600, 600);
    QApplication::processEvents();
    const QSize wide = frame->MdiArea()->viewport()->size();
    EXPECT_NEAR(left->geometry().x(), 20.0 * wide.width() / area.width(), 1.0);
    EXPECT_NEAR(left->geometry().width(), 200.0 * wide.width() / area.width(), 1.0);
}

TEST_F(MainFrame, ClosingStoresTheMainPlacementInSlotZero) {
    WindowPlacement normal;
    normal.showCmd = 1;
    normal.left = 40;
    normal.top = 50;
    normal.right = 700;
    normal.bottom = 530;
    frame->ApplyPlacement(normal);
    EXPECT_TRUE(frame->isVisible());
    frame->close();
    WindowPlacement stored = app.Settings().GetWindowSlot(kSlotMain);
    EXPECT_EQ(stored.showCmd, 1);
    EXPECT_EQ(QRect(stored.left, stored.top, stored.right - stored.left, stored.bottom - stored.top),
              QRect(40, 50, 660, 480));
    EXPECT_EQ(stored.length, WindowPlacement::kRecordSize);

    normal.showCmd = 3;
    frame->ApplyPlacement(normal);
    EXPECT_TRUE(frame->isMaximized());
    frame->close();
    stored = app.Settings().GetWindowSlot(kSlotMain);
    EXPECT_EQ(stored.showCmd, 3);
    // The normal rectangle survives for when the user restores the window.
    EXPECT_EQ(QRect(stored.left, stored.top, stored.right - stored.left, stored.bottom - stored.top),
              QRect(40, 50, 660, 480));
}

TEST(MainFrameModules, RegisteredModulesJoinMenusAndBarsInTheirPlaces) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    SetProgramFolder(dir.path());
    ASSERT_TRUE(SeedProfiles(dir.path()));
    const QString standard = dir.filePath(QStringLiteral("Profile/KalvoStandardProfil.ini"));
    const QString user = dir.filePath(QStringLiteral("Profile/KalvoUserProfil-T.ini"));
    ASSERT_TRUE(QFile::copy(standard, user));
    QFile::setPermissions(user, QFile::ReadOwner | QFile::WriteOwner);
    for (const QString& file : {standard, user})
        IniFile(file).WriteInt(QStringLiteral("IniAllgemeinLanguage"), 1033, QStringLiteral("Allgemein"));
    // Three stand-ins, registered in an order different from the menus' own.
    const std::tuple<Module, int, int> modules[] = {{Module::Sonogram, kSlotSonogram, 32804},
                                                    {Module::Fft, kSlotFft, 32794},
                                                    {Module::Score, kSlotScore, 32823}};
    for (const auto& [module, slot, command] : modules)
        ModuleWindows::Register(test::StandInModule(module, slot, command));
    {
        ScriptedUserInterface ui;
        Application app(ui);
        ASSERT_TRUE(app.InitInstance(QStringLiteral("T")));
        MainWindow* frame = app.MainFrame();
        frame->LoadMenu(false);
        std::vector<int> view;
        for (const QAction* a : frame->menuBar()->actions().value(2)->menu()->actions())
            if (!a->isSeparator()) view.push_back(a->data().toInt());
        // The windows the program registers itself join them.
        EXPECT_EQ(view, (std::vector<int>{32830, 32831, 59393, 32776, 32794, 32806, 32823, 32804, 32778,
                                          32814, 32826}));
        std::vector<int> bar;
        for (const QAction* a : frame->StandardToolBar()->actions())
            bar.push_back(a->isSeparator() ? 0 : a->data().toInt());
        EXPECT_EQ(bar, (std::vector<int>{32807, 32773, 32847, 0,     32808, 57634, 32848, 0,
                                         32801, 32785, 32790, 32791, 32840, 32793, 32792, 0,
                                         32795, 0,     32776, 32794, 32806, 32823, 32804, 32826,
                                         32778, 32814, 32797, 0,     32813, 0,     57667}));

        // The Window menu ends with the open windows, listed once however often it opens;
        // choosing one brings it forward.
        QMenu* windows = frame->menuBar()->actions().value(5)->menu();
        ASSERT_TRUE(windows);
        ModuleFrame* sono = app.Modules()->Frame(Module::Sonogram);
        ASSERT_TRUE(sono);
        const auto listed = [windows] {
            std::vector<QAction*> actions;
            for (QAction* a : windows->actions())
                if (a->isCheckable()) actions.push_back(a);
            return actions;
        };
        emit windows->aboutToShow();
        emit windows->aboutToShow();
        QMdiArea* area = frame->findChild<QMdiArea*>();
        // The main sound window and the open modules.
        ASSERT_EQ(listed().size(), area->subWindowList().size());
        ASSERT_EQ(listed().size(), app.Modules()->OpenFrames().size() + 1);
        QAction* sonoItem = nullptr;
        for (QAction* a : listed())
            if (a->text().endsWith(u' ' + sono->windowTitle())) sonoItem = a;
        ASSERT_TRUE(sonoItem);
        EXPECT_TRUE(sonoItem->text().startsWith(u'&'));
        sonoItem->trigger();
        EXPECT_EQ(area->activeSubWindow(), sono);

        // Checked while open, whoever opened or closed the window.
        app.Modules()->Close(Module::Sonogram);
        frame->UpdateCommandStates();
        EXPECT_FALSE(frame->Action(32804)->isChecked());
        ASSERT_TRUE(frame->OnCommand(32804));
        EXPECT_TRUE(app.Modules()->IsOpen(Module::Sonogram));
        EXPECT_TRUE(frame->Action(32804)->isChecked());

        frame->LoadMenu(true);
        bar.clear();
        for (const QAction* a : frame->KidsToolBar()->actions())
            bar.push_back(a->isSeparator() ? 0 : a->data().toInt());
        EXPECT_EQ(bar, (std::vector<int>{32789, 0, 32785, 32790, 32791, 32840, 32793, 0, 32806, 32823, 32804,
                                         32778}));
        app.ExitInstance();
    }
    for (const auto& [module, slot, command] : modules) ModuleWindows::Unregister(module);
    RestoreProgramFolder();
}

TEST(MainFrameTexts, EveryMenuItemButtonAndKeyHasATextInBothLanguages) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    SetProgramFolder(dir.path());
    ASSERT_TRUE(SeedEnglishProfiles(dir.path()));
    // Every module window, so that the menus and bars hold every command they can ever show.
    const std::tuple<Module, int, int> modules[] = {{Module::Reconstruction, kSlotReconstruction, 32778},
                                                    {Module::Fft, kSlotFft, 32794},
                                                    {Module::TimeSeries, kSlotTimeSeries, 32776},
                                                    {Module::Sonogram, kSlotSonogram, 32804},
                                                    {Module::Landscape, kSlotLandscape, 32806},
                                                    {Module::Analysis, kSlotAnalysis, 32814},
                                                    {Module::Score, kSlotScore, 32823},
                                                    {Module::Wavelet, kSlotWavelet, 32826}};
    for (const auto& [module, slot, command] : modules)
        ModuleWindows::Register(test::StandInModule(module, slot, command));
    const QRegularExpression placeholder(QStringLiteral("^#\\d+$"));
    const auto checkText = [&](const QString& text, const QString& where) {
        QString plain = text;
        plain.remove(u'&');
        EXPECT_FALSE(plain.trimmed().isEmpty()) << where.toStdString();
        EXPECT_FALSE(placeholder.match(plain.trimmed()).hasMatch())
            << where.toStdString() << ": " << text.toStdString();
    };
    {
        ScriptedUserInterface ui;
        Application app(ui);
        ASSERT_TRUE(app.InitInstance(QStringLiteral("Standard"), {},
                                     std::make_pair(ProfileKind::Standard, QString())));
        MainWindow* frame = app.MainFrame();
        // The standard bar too in kids mode, so that both bars are filled in both modes.
        app.Settings().IniAllgemeinToolbarNormal = 1;
        for (Language language : {Language::English, Language::German}) {
            SetCurrentLanguage(language);
            for (bool kids : {false, true}) {
                frame->LoadMenu(kids);
                const QString mode =
                    QStringLiteral("%1 %2 ").arg(static_cast<int>(language)).arg(kids ? "kids" : "normal");
                int items = 0;
                for (const QAction* popup : frame->menuBar()->actions()) {
                    checkText(popup->text(), mode + QStringLiteral("menu title"));
                    for (const QAction* item : popup->menu()->actions()) {
                        if (item->isSeparator()) continue;
                        checkText(item->text(),
                                  mode + QStringLiteral("menu item %1").arg(item->data().toInt()));
                        ++items;
                    }
                }
                EXPECT_GT(items, 8) << mode.toStdString();
                for (const QToolBar* bar : {frame->StandardToolBar(), frame->KidsToolBar()}) {
                    EXPECT_FALSE(bar->actions().isEmpty()) << mode.toStdString();
                    for (const QAction* button : bar->actions()) {
                        if (button->isSeparator()) continue;
                        checkText(button->toolTip(),
                                  mode + QStringLiteral("button %1").arg(button->data().toInt()));
                    }
                }
                const std::vector<ShortcutsDialog::Entry> keys = ShortcutsDialog::EntriesOf(frame);
                EXPECT_GE(keys.size(), 4u) << mode.toStdString();
                for (const ShortcutsDialog::Entry& entry : keys)
                    checkText(entry.command, mode + QStringLiteral("key ") + entry.keys);
            }
        }
        SetCurrentLanguage(Language::English);
        app.ExitInstance();
    }
    for (const auto& [module, slot, command] : modules) ModuleWindows::Unregister(module);
    RestoreProgramFolder();
}
