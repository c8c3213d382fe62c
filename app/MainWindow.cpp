#include "app/MainWindow.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QLayout>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPointer>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <algorithm>

#include "app/ClientAreaScaler.h"
#include "app/CommandLine.h"
#include "app/WindowArrangement.h"
#include "document/JobRunner.h"
#include "document/SoundDocument.h"
#include "platform/ProgramFolder.h"
#include "platform/StringTable.h"
#include "platform/UserInterface.h"
#include "render3d/GlSceneView.h"
#include "views/common/IViewCommands.h"
#include "views/common/ModuleFrame.h"
#include "views/common/ModuleWindows.h"

namespace {

// Command ids. Their string in the string table is the menu text.
enum Command : int {
    kCmdOpenTimeSeries = 32773,
    kCmdListen = 32783,
    kCmdRecord = 32785,
    kCmdClearData = 32788,
    kCmdOpenMusic = 32789,  // the open command of the menus and the kids bar
    kCmdPlay = 32790,
    kCmdStop = 32791,
    kCmdRemoveWave = 32792,
    kCmdLoop = 32793,
    kCmdFftSettings = 32795,
    kCmdLiveInput = 32801,
    kCmdOpenWave = 32807,  // the open command of the standard bar
    kCmdSaveView = 32808,
    kCmdMixer = 32813,
    kCmdCancel = 32825,
    kCmdChooseProfile = 32828,
    kCmdSaveProfile = 32829,
    kCmdStandardBar = 32830,
    kCmdKidsBar = 32831,
    kCmdBackToStart = 32840,
    kCmdSaveRecording = 32847,
    kCmdExportData = 32848,
    kCmdShortcuts = 32849,
    kCmdOverview = 32852,
    kCmdLanguage = 32853,
    kCmdSoundcard = 32771,
    kCmdWaveFormat = 32772,
    kCmdCopy = 57634,
    kCmdArrangeIcons = 57649,
    kCmdCascade = 57650,
    kCmdTile = 57651,
    kCmdAbout = 57664,
    kCmdExit = 57665,
    kCmdHelpIndex = 57666,
    kCmdHelp = 57667,
    kCmdStatusBar = 59393,
};

constexpr int kSeparator = 0;
// In a menu or bar list: the toggles of the registered modules, in the order of that place.
constexpr int kModuleToggles = -1;
// The File menu's list of recent files: a sub-menu, not a command; its number is its title's.
constexpr int kMenuRecentFiles = 64610;
enum RecentFilesText : int {
    kTextClearRecentFiles = 64611,
    kTextNoRecentFiles = 64612,
    kMsgRecentFileMissing = 64613,
};

// Texts of this window that are not command texts.
enum Text : int {
    kTextReady = 63100,
    kTextWindowMenu = 63106,
    kTextKidsWindowMenu = 63109,
    kTextKidsToolbar = 63110,
    kTextStandardBarTitle = 63111,
    kTextKidsBarTitle = 63112,
    kTextFilePrefix = 63113,
    kTextFftSettingsTip = 63114,
    kTextRecordWhileListening = 63119,
};

struct Popup {
    int title;
    std::vector<int> commands;  // kSeparator between groups
};

const std::vector<Popup>& NormalMenu() {
    static const std::vector<Popup> menu = {
        {63101,
         {kCmdOpenMusic, kCmdOpenTimeSeries, kCmdSaveView, kSeparator, kMenuRecentFiles, kSeparator,
          kCmdExit}},
        {63102, {kCmdCopy, kSeparator, kCmdClearData}},
        {63103, {kCmdStandardBar, kCmdKidsBar, kCmdStatusBar, kSeparator, kModuleToggles}},
        {63104, {kCmdListen, kCmdExportData}},
        {63105,
         {kCmdChooseProfile, kCmdSaveProfile, kSeparator, kCmdSoundcard, kCmdWaveFormat, kSeparator,
          kCmdLanguage, kCmdFftSettings}},
        {kTextWindowMenu, {kCmdCascade, kCmdTile, kCmdArrangeIcons, kSeparator, kCmdOverview}},
        {63107, {kCmdHelp, kCmdHelpIndex, kCmdShortcuts, kSeparator, kCmdAbout}},
    };
    return menu;
}

const std::vector<Popup>& KidsMenu() {
    static const std::vector<Popup> menu = {
        {63101,
         {kCmdOpenMusic, kCmdOpenTimeSeries, kCmdSaveView, kSeparator, kMenuRecentFiles, kSeparator,
          kCmdExit}},
        {63103, {kCmdKidsBar, kCmdStatusBar}},
        {63108, {kCmdRecord}},
        {kTextKidsWindowMenu, {kCmdCascade, kCmdTile, kSeparator, kCmdOverview}},
        {63107, {kCmdAbout, kCmdShortcuts}},
    };
    return menu;
}

const std::vector<int>& StandardButtons() {
    static const std::vector<int> buttons = {
        kCmdOpenWave,    kCmdOpenTimeSeries, kCmdSaveRecording, kSeparator, kCmdSaveView,    kCmdCopy,
        kCmdExportData,  kSeparator,         kCmdLiveInput,     kCmdRecord, kCmdPlay,        kCmdStop,
        kCmdBackToStart, kCmdLoop,           kCmdRemoveWave,    kSeparator, kCmdFftSettings, kSeparator,
        kModuleToggles,  kSeparator,         kCmdMixer,         kSeparator, kCmdHelp};
    return buttons;
}

const std::vector<int>& KidsButtons() {
    static const std::vector<int> buttons = {kCmdOpenMusic,   kSeparator, kCmdRecord, kCmdPlay,      kCmdStop,
                                             kCmdBackToStart, kCmdLoop,   kSeparator, kModuleToggles};
    return buttons;
}

// A list of commands with the modules' toggles put in, in the order of the place.
std::vector<int> WithModules(const std::vector<int>& commands, int ModuleWindows::Registration::*order) {
    std::vector<int> list;
    for (int command : commands) {
        if (command != kModuleToggles) {
            list.push_back(command);
            continue;
        }
        for (const ModuleWindows::Registration* r : ModuleWindows::InOrder(order))
            list.push_back(r->toggleCommand);
    }
    return list;
}

// Commands that are reached by their key in both modes, even where no menu shows them.
constexpr int kKeyCommands[] = {kCmdChooseProfile, kCmdLanguage, kCmdHelp, kCmdCancel};

QList<QKeySequence> Keys(int command) {
    switch (command) {
        case kCmdOpenMusic:
            return {QKeySequence(Qt::CTRL | Qt::Key_O)};
        case kCmdOpenTimeSeries:
            return {QKeySequence(Qt::CTRL | Qt::Key_Z)};
        case kCmdSaveView:
            return {QKeySequence(Qt::CTRL | Qt::Key_S)};
        case kCmdCopy:
            return {QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert)};
        case kCmdExportData:
            return {QKeySequence(Qt::CTRL | Qt::Key_E)};
        case kCmdListen:
            return {QKeySequence(Qt::CTRL | Qt::Key_M)};
        case kCmdLanguage:
            return {QKeySequence(Qt::CTRL | Qt::Key_L)};
        case kCmdChooseProfile:
            return {QKeySequence(Qt::CTRL | Qt::Key_P)};
        case kCmdHelp:
            return {QKeySequence(Qt::Key_F1)};
        case kCmdCancel:
            return {QKeySequence(Qt::Key_Escape)};
        case kCmdSoundcard:
            return {QKeySequence(Qt::Key_F10)};
        case kCmdWaveFormat:
            return {QKeySequence(Qt::Key_F11)};
        default:
            return {};
    }
}

QString IconName(int command) {
    switch (command) {
        case kCmdOpenWave:
        case kCmdOpenMusic:
            return QStringLiteral("open");
        case kCmdOpenTimeSeries:
            return QStringLiteral("open_timeseries");
        case kCmdSaveRecording:
            return QStringLiteral("save_recording");
        case kCmdSaveView:
            return QStringLiteral("save_view");
        case kCmdCopy:
            return QStringLiteral("copy");
        case kCmdExportData:
            return QStringLiteral("export_data");
        case kCmdLiveInput:
        case kCmdListen:
            return QStringLiteral("listen");
        case kCmdRecord:
            return QStringLiteral("record");
        case kCmdPlay:
            return QStringLiteral("play");
        case kCmdStop:
            return QStringLiteral("stop");
        case kCmdBackToStart:
            return QStringLiteral("back_to_start");
        case kCmdLoop:
            return QStringLiteral("loop");
        case kCmdRemoveWave:
            return QStringLiteral("remove_wave");
        case kCmdFftSettings:
            return QStringLiteral("fft_settings");
        case kCmdMixer:
            return QStringLiteral("mixer");
        case kCmdHelp:
            return QStringLiteral("help");
        case kCmdChooseProfile:
            return QStringLiteral("profile");
        case kCmdSaveProfile:
            return QStringLiteral("save_profile");
        case kCmdLanguage:
            return QStringLiteral("language");
        case kCmdAbout:
            return QStringLiteral("kalvo");
        default:
            break;
    }
    // A module's toggle shows the module's own icon.
    const ModuleWindows::Registration* module = ModuleWindows::FindByCommand(command);
    return module && module->toggleCommand == command ? module->icon : QString();
}

// A menu text as a tool tip: without its mnemonic and without the dots of "opens a dialog".
QString PlainText(const QString& menuText) {
    QString text = menuText;
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(u'&');
    text.replace(u'\x01', u'&');
    if (text.endsWith(QStringLiteral("..."))) text.chop(3);
    return text.trimmed();
}

bool IsBarCommand(int command) {
    return command == kCmdStatusBar || command == kCmdStandardBar || command == kCmdKidsBar;
}

// Status bar panes: widths in pixels and the string that names each.
constexpr std::array<int, 9> kPaneWidths = {0, 200, 60, 50, 10, 100, 10, 80, 85};
constexpr std::array<int, 9> kPaneNames = {0, 59143, 59144, 59145, 0, 59149, 0, 59146, 59147};
constexpr int kFilePaneMaxWidth = 360;

std::size_t PaneOf(unsigned message) {
    switch (message) {
        case kMsgStatusFile:
            return 1;
        case kMsgStatusBits:
            return 2;
        case kMsgStatusRate:
            return 3;
        case kMsgStatusFftPoints:
            return 5;
        case kMsgStatusListening:
            return 7;
        case kMsgStatusRecording:
            return 8;
        default:
            return 0;
    }
}

}  // namespace

MainWindow::MainWindow(Application& app, SoundDocument& doc)
    : m_app(app), m_doc(doc), m_recentFiles(ProgramFolder() + QStringLiteral("KalvoRecentFiles.ini")) {
    setAcceptDrops(true);
    // The program's icon for every window: the main window, the module windows and the dialogs.
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/resources/icons/kalvo.svg")));
    m_mdiArea = new QMdiArea(this);
    setCentralWidget(m_mdiArea);
    connect(m_mdiArea, &QMdiArea::subWindowActivated, this, &MainWindow::UpdateCommandStates);
    new ClientAreaScaler(m_mdiArea);  // owned by the area

    m_standardBar = new QToolBar(this);
    m_standardBar->setObjectName(QStringLiteral("StandardToolBar"));
    m_standardBar->setIconSize(QSize(16, 16));
    m_standardBar->setFloatable(false);
    addToolBar(Qt::TopToolBarArea, m_standardBar);
    // Each bar gets a row of its own, so that hiding one gives its whole height to the client area.
    addToolBarBreak(Qt::TopToolBarArea);
    m_kidsBar = new QToolBar(this);
    m_kidsBar->setObjectName(QStringLiteral("KidsToolBar"));
    m_kidsBar->setIconSize(QSize(32, 32));
    m_kidsBar->setFloatable(false);
    addToolBar(Qt::TopToolBarArea, m_kidsBar);

    QStatusBar* status = statusBar();
    for (std::size_t i = 0; i < m_panes.size(); ++i) {
        auto* pane = new QLabel(status);
        m_panes[i] = pane;
        if (i == 0) {
            status->addWidget(pane, 1);
            continue;
        }
        if (kPaneNames[i] == 0) {
            pane->setFixedWidth(kPaneWidths[i]);  // a gap between groups
        } else {
            pane->setMinimumWidth(kPaneWidths[i]);
            pane->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
            pane->setIndent(4);
        }
        if (i == 1) pane->setMaximumWidth(kFilePaneMaxWidth);
        status->addPermanentWidget(pane);
    }
    auto* gap = new QWidget(status);
    gap->setFixedWidth(10);
    status->addPermanentWidget(gap);

    m_app.Settings().m_frameMetrics = [this] { return Metrics(); };
    if (ModuleWindows* modules = m_app.Modules()) modules->SetArea(m_mdiArea);
    m_doc.SetMainFrame(this);
    m_doc.AddView(this);

    // Check marks follow the settings and the open windows whenever the program falls idle.
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance())
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &MainWindow::UpdateCommandStates);

    // The 3D windows must not cost the main window its maximised state.
    GlSceneView::PrepareTopLevel(*this);
    resize(960, 640);
    ShowBars();
    LoadMenu(m_app.IsKidsMode());
}

MainWindow::~MainWindow() {
    // The widgets that outlive this body close their windows and would call back into a half-gone frame.
    disconnect(m_mdiArea, nullptr, this, nullptr);
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance())
        disconnect(dispatcher, nullptr, this, nullptr);
    m_app.Settings().m_frameMetrics = nullptr;
    m_doc.RemoveView(this);
    m_doc.SetMainFrame(nullptr);
}

// ---------------------------------------------------------------------------------------
// Commands

std::function<void()> MainWindow::CommandHandler(int command) {
    switch (command) {
        case kCmdOpenWave:
        case kCmdOpenMusic:
            return [this] { m_doc.OnFileOpen(); };
        case kCmdOpenTimeSeries:
            return [this] { m_doc.OnOpenTimeSeries(); };
        case kCmdRemoveWave:
            return [this] { m_doc.RemoveWave(); };
        case kCmdFftSettings:
            return [this] { m_doc.OnFftSettings(); };
        case kCmdChooseProfile:
            return [this] { m_app.OnChooseProfile(); };
        case kCmdSaveProfile:
            return [this] { m_app.OnSaveProfile(); };
        case kCmdLanguage:
            return [this] { m_app.OnLanguage(); };
        case kCmdStatusBar:
        case kCmdStandardBar:
        case kCmdKidsBar:
            return [this, command] { ToggleBar(command); };
        case kCmdCascade:
            return [this] { m_mdiArea->cascadeSubWindows(); };
        case kCmdTile:
            return [this] { TileWindows(); };
        case kCmdArrangeIcons:
            return [this] { ArrangeIcons(); };
        case kCmdOverview:
            return [this] { ShowOverview(); };
        case kCmdExit:
            return [this] { close(); };
        case kCmdHelp:
            return [this] { OnHelpKey(); };
        case kCmdHelpIndex:
            return [this] { m_app.OnHelp(QStringLiteral("html/Vorwort.html")); };
        case kCmdShortcuts:
            return [this] { m_app.Ui().ShowShortcuts(); };
        case kCmdAbout:
            return [this] { m_app.Ui().ShowAbout(); };
        case kCmdMixer:
            return [this] { m_app.OnMixer(); };
        case kCmdPlay:
            return [this] { m_doc.OnPlay(); };
        case kCmdStop:
            return [this] { m_doc.OnStopPlaying(); };
        case kCmdBackToStart:
            return [this] { m_doc.OnBackToStart(); };
        case kCmdLoop:
            return [this] { m_doc.OnLoop(); };
        case kCmdListen:
        case kCmdLiveInput:
            return [this] { m_doc.OnListen(); };
        case kCmdRecord:
            // The kids' single button records music and loads it when pressed again; the standard
            // bar starts and stops recording while listening.
            if (m_kids) return [this] { m_doc.OnRecordMusic(); };
            return [this] {
                if (m_doc.IsRecording())
                    m_doc.OnStopRecording();
                else
                    m_doc.OnRecord();
            };
        case kCmdWaveFormat:
            return [this] { m_doc.OnWaveFormat(); };
        case kCmdSaveRecording:
            return [this] { m_doc.OnSaveRecording(); };
        case kCmdSoundcard:
            return [this] { m_app.OnSoundcard(); };
        case kCmdCancel:
            return [this] { OnEscape(); };
        case kCmdSaveView:
        case kCmdCopy:
        case kCmdExportData:
        case kCmdClearData:
            return [this, command] { OnViewCommand(command); };
        default:
            break;
    }
    // A module window's toggle, when that module is part of the program.
    if (!m_app.Modules()) return {};
    const ModuleWindows::Registration* registration = ModuleWindows::FindByCommand(command);
    if (!registration || registration->toggleCommand != command) return {};
    const Module module = registration->module;
    return [this, module] {
        ModuleWindows* modules = m_app.Modules();
        if (!modules) return;
        const bool wasOpen = modules->IsOpen(module);
        modules->Toggle(module);
        if (!wasOpen) PlaceNewWindow(modules->Frame(module));
    };
}

IViewCommands* MainWindow::ActiveViewCommands() const {
    QMdiSubWindow* current = m_mdiArea->currentSubWindow();
    if (auto* frame = qobject_cast<ModuleFrame*>(current)) return frame->Commands();
    return dynamic_cast<IViewCommands*>(current);
}

void MainWindow::OnViewCommand(int command) {
    const auto viewCommand = static_cast<ViewCommand>(command);
    if (IViewCommands* view = ActiveViewCommands(); view && view->HasCommand(viewCommand))
        view->OnViewCommand(viewCommand);
}

void MainWindow::OnHelpKey() {
    const IViewCommands* view = ActiveViewCommands();
    const QString topic = view ? view->HelpTopic() : QString();
    if (topic.isEmpty())
        m_app.OnHelp();
    else
        m_app.OnHelp(topic);
}

void MainWindow::OnEscape() {
    if (m_doc.IsListening())
        m_doc.RequestStopListening();
    else
        m_doc.Jobs().CancelAll();
}

QAction* MainWindow::EnsureAction(int command) {
    if (QAction* existing = m_actions.value(command)) return existing;
    std::function<void()> handler = CommandHandler(command);
    if (!handler) return nullptr;

    auto* action = new QAction(this);  // owned by the window
    action->setData(command);
    QString text = Str(command);
    if (m_kids && command == kCmdKidsBar) text = Str(kTextKidsToolbar);
    // Outside kids mode the record button records only what is being listened to.
    if (!m_kids && command == kCmdRecord) text = Str(kTextRecordWhileListening);
    action->setText(text);
    action->setToolTip(command == kCmdFftSettings ? Str(kTextFftSettingsTip) : PlainText(text));
    if (const QString icon = IconName(command); !icon.isEmpty())
        action->setIcon(QIcon(QStringLiteral(":/resources/icons/%1.svg").arg(icon)));
    // The kids' record button is reached with the key of listening, which kids mode has not.
    action->setShortcuts(m_kids && command == kCmdRecord ? Keys(kCmdListen) : Keys(command));
    const ModuleWindows::Registration* module = ModuleWindows::FindByCommand(command);
    const bool moduleToggle = module && module->toggleCommand == command;
    const bool soundState = command == kCmdPlay || command == kCmdLoop || command == kCmdListen ||
                            command == kCmdLiveInput || command == kCmdRecord;
    action->setCheckable(IsBarCommand(command) || moduleToggle || soundState);
    connect(action, &QAction::triggered, this, [this, handler] {
        handler();
        UpdateCommandStates();
    });
    // On the window itself too, so that the keys work in every mode and with every bar hidden.
    addAction(action);
    m_actions.insert(command, action);
    return action;
}

void MainWindow::DropActions() {
    // Later, not now: the command that rebuilds the menus may be running from one of these actions.
    for (QAction* action : std::as_const(m_actions)) {
        action->setShortcuts({});
        removeAction(action);
        action->deleteLater();
    }
    m_actions.clear();
    for (QToolBar* bar : {m_standardBar, m_kidsBar}) {
        const QList<QAction*> actions = bar->actions();
        bar->clear();
        for (QAction* action : actions)
            if (action->isSeparator() && action->parent() == bar) action->deleteLater();
    }
}

void MainWindow::FillToolBar(QToolBar* bar, const std::vector<int>& commands) {
    bool separator = false;
    for (int command : commands) {
        if (command == kSeparator) {
            separator = !bar->actions().isEmpty();
            continue;
        }
        QAction* action = EnsureAction(command);
        if (!action) continue;
        if (separator) bar->addSeparator();
        separator = false;
        bar->addAction(action);
    }
}

void MainWindow::LoadMenu(bool kids) {
    m_kids = kids;
    DropActions();

    m_recentMenu = nullptr;            // goes with the old menu bar
    auto* menus = new QMenuBar(this);  // replaces and deletes the old menu bar
    for (const Popup& popup : kids ? KidsMenu() : NormalMenu()) {
        QMenu* menu = nullptr;
        bool separator = false;
        for (int command : WithModules(popup.commands, &ModuleWindows::Registration::menuOrder)) {
            if (command == kSeparator) {
                separator = menu != nullptr;
                continue;
            }
            QAction* action = command == kMenuRecentFiles ? nullptr : EnsureAction(command);
            if (!action && command != kMenuRecentFiles) continue;
            if (!menu) {
                menu = new QMenu(Str(popup.title), menus);  // owned by the menu bar
                connect(menu, &QMenu::aboutToShow, this, &MainWindow::UpdateCommandStates);
            }
            if (separator) menu->addSeparator();
            separator = false;
            if (command == kMenuRecentFiles) {
                m_recentMenu = menu->addMenu(Str(kMenuRecentFiles));  // owned by the File menu
                connect(m_recentMenu, &QMenu::aboutToShow, this, &MainWindow::FillRecentFilesMenu);
                continue;
            }
            menu->addAction(action);
        }
        if (menu && (popup.title == kTextWindowMenu || popup.title == kTextKidsWindowMenu))
            connect(menu, &QMenu::aboutToShow, this, [this, menu] { ListWindows(menu); });
        if (menu) menus->addMenu(menu);
    }
    setMenuBar(menus);

    // The kids menu cannot show the standard bar, so in kids mode it is built only when the
    // profile asks for it.
    if (!kids || m_app.Settings().IniAllgemeinToolbarNormal)
        FillToolBar(m_standardBar,
                    WithModules(StandardButtons(), &ModuleWindows::Registration::toolBarOrder));
    FillToolBar(m_kidsBar, WithModules(KidsButtons(), &ModuleWindows::Registration::kidsBarOrder));
    m_standardBar->setWindowTitle(Str(kTextStandardBarTitle));
    m_kidsBar->setWindowTitle(Str(kTextKidsBarTitle));
    for (int command : kKeyCommands) EnsureAction(command);

    setWindowTitle(kids ? QStringLiteral("KALVO for Kids") : QStringLiteral("KALVO"));
    RefreshPanes();
    UpdateCommandStates();
}

QAction* MainWindow::Action(int commandId) const {
    return m_actions.value(commandId);
}

bool MainWindow::OnCommand(int commandId) {
    if (QAction* action = Action(commandId)) {
        if (!action->isEnabled()) return false;
        action->trigger();
        return true;
    }
    // Show commands of the modules have no menu item: other windows call them.
    const ModuleWindows::Registration* registration = ModuleWindows::FindByCommand(commandId);
    if (registration && registration->showCommand == commandId && m_app.Modules()) {
        m_app.Modules()->Show(registration->module);
        return true;
    }
    return false;
}

void MainWindow::UpdateCommandStates() {
    for (auto it = m_actions.cbegin(); it != m_actions.cend(); ++it) {
        QAction* action = it.value();
        // What needs a loaded sound, or (recording) a running input.
        bool enabled = true;
        switch (it.key()) {
            case kCmdPlay:
            case kCmdStop:
            case kCmdBackToStart:
            case kCmdLoop:
            case kCmdRemoveWave:
            case kCmdSaveRecording:
                enabled = m_doc.IsWaveLoaded();
                break;
            case kCmdRecord:
                enabled = m_kids || m_doc.IsListening();
                break;
            case kCmdSaveView:
            case kCmdCopy:
            case kCmdExportData:
            case kCmdClearData: {
                const IViewCommands* view = ActiveViewCommands();
                enabled = view && view->HasCommand(static_cast<ViewCommand>(it.key()));
                break;
            }
            default:
                break;
        }
        if (action->isEnabled() != enabled) action->setEnabled(enabled);
        if (!action->isCheckable()) continue;
        bool on = false;
        switch (it.key()) {
            case kCmdPlay:
                on = m_doc.IsPlaying();
                break;
            case kCmdLoop:
                on = m_doc.IsLooping();
                break;
            case kCmdListen:
            case kCmdLiveInput:
                on = m_doc.IsListening() && !m_doc.IsRecording();
                break;
            case kCmdRecord:
                on = m_doc.IsRecording();
                break;
            case kCmdStatusBar:
                on = m_app.Settings().IniAllgemeinStatusbar != 0;
                break;
            case kCmdStandardBar:
                on = m_app.Settings().IniAllgemeinToolbarNormal != 0;
                break;
            case kCmdKidsBar:
                on = m_app.Settings().IniAllgemeinToolbarSchule != 0;
                break;
            default:
                if (const auto* r = ModuleWindows::FindByCommand(it.key());
                    r && r->toggleCommand == it.key() && m_app.Modules())
                    on = m_app.Modules()->IsOpen(r->module);
                break;
        }
        if (action->isChecked() != on) action->setChecked(on);
    }
}

// ---------------------------------------------------------------------------------------
// Bars and placements

void MainWindow::ShowBars() {
    m_standardBar->setVisible(m_app.Settings().IniAllgemeinToolbarNormal != 0);
    m_kidsBar->setVisible(m_app.Settings().IniAllgemeinToolbarSchule != 0);
    statusBar()->setVisible(m_app.Settings().IniAllgemeinStatusbar != 0);
    // Lay out now: the module windows are placed against the new client area right after.
    if (QLayout* frameLayout = layout()) {
        frameLayout->invalidate();
        frameLayout->activate();
    }
}

std::vector<ModuleFrame*> MainWindow::PlacedFrames() const {
    std::vector<ModuleFrame*> frames;
    for (QMdiSubWindow* sub : m_mdiArea->subWindowList()) {
        auto* frame = qobject_cast<ModuleFrame*>(sub);
        // Hidden windows stay hidden; maximised and minimised ones follow the area by themselves.
        if (!frame || !frame->isVisibleTo(m_mdiArea) || frame->isMaximized() || frame->isMinimized())
            continue;
        frames.push_back(frame);
    }
    return frames;
}

void MainWindow::ToggleBar(int command) {
    int& setting = command == kCmdStatusBar     ? m_app.Settings().IniAllgemeinStatusbar
                   : command == kCmdStandardBar ? m_app.Settings().IniAllgemeinToolbarNormal
                                                : m_app.Settings().IniAllgemeinToolbarSchule;
    // Stored while the settings still describe the old bars, applied against the new client area.
    const std::vector<ModuleFrame*> frames = PlacedFrames();
    for (ModuleFrame* frame : frames) frame->StorePlacement();
    setting = setting ? 0 : 1;
    ShowBars();
    for (ModuleFrame* frame : frames) frame->ApplyStoredPlacement();
    // The document skips the status messages while the bar is hidden.
    if (command == kCmdStatusBar && setting) m_doc.NotifyStatus();
}

FrameMetrics MainWindow::Metrics() const {
    const auto height = [this](const QWidget* bar) { return bar->isVisibleTo(this) ? bar->height() : 0; };
    FrameMetrics m;
    m.statusBarHeight = height(statusBar());
    m.kidsToolBarHeight = height(m_kidsBar);
    m.toolBarHeight = height(m_standardBar);
    // The client area is the MDI area plus the bars that the placements take off again, so
    // whatever the settings say, the relative units measure the area the windows live in.
    const QSize area = m_mdiArea->viewport()->size();
    m.clientWidth = area.width();
    m.clientHeight = area.height();
    if (m_app.Settings().IniAllgemeinStatusbar) m.clientHeight += m.statusBarHeight;
    if (m_app.Settings().IniAllgemeinToolbarSchule) m.clientHeight += m.kidsToolBarHeight;
    if (m_app.Settings().IniAllgemeinToolbarNormal) m.clientHeight += m.toolBarHeight;
    return m;
}

void MainWindow::ApplyPlacement(const WindowPlacement& placement) {
    const QRect normal =
        QRect(QPoint(placement.left, placement.top), QPoint(placement.right - 1, placement.bottom - 1))
            .normalized();
    setWindowState(windowState() & ~(Qt::WindowMaximized | Qt::WindowMinimized));
    setGeometry(normal);
    switch (placement.showCmd) {
        // A hidden main window could never be reached again: it shows normally.
        case 2:
        case 6:
        case 7:
            showMinimized();
            break;
        case 3:
            showMaximized();
            break;
        default:
            showNormal();
            break;
    }
}

WindowPlacement MainWindow::CurrentPlacement() const {
    WindowPlacement wp;
    wp.length = WindowPlacement::kRecordSize;
    wp.showCmd = isMinimized() ? 2 : isMaximized() ? 3 : 1;
    QRect r = isMinimized() || isMaximized() ? normalGeometry() : geometry();
    if (!r.isValid()) r = geometry();
    wp.left = r.left();
    wp.top = r.top();
    wp.right = r.left() + r.width();
    wp.bottom = r.top() + r.height();
    return wp;
}

// ---------------------------------------------------------------------------------------
// Opening files: dropped on the window, or from the recent list

namespace {

// The first file of a drag that the open commands take, or empty.
QString OpenableFileOf(const QMimeData* data) {
    if (!data || !data->hasUrls()) return {};
    for (const QUrl& url : data->urls())
        if (url.isLocalFile() && CommandLine::IsOpenableFile(url.toLocalFile())) return url.toLocalFile();
    return {};
}

}  // namespace

bool MainWindow::OpenFile(const QString& path) {
    return m_doc.OpenFile(path);
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (!OpenableFileOf(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void MainWindow::dragMoveEvent(QDragMoveEvent* event) {
    if (!OpenableFileOf(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    const QString path = OpenableFileOf(event->mimeData());
    if (path.isEmpty()) return;
    event->acceptProposedAction();
    // Opened once the drop has ended: the file manager is not kept waiting while a channel
    // dialog or a conversion runs.
    QTimer::singleShot(0, this, [this, path] { OpenFile(path); });
}

void MainWindow::OnFileOpened(const QString& path) {
    m_recentFiles.Add(path);
}

void MainWindow::FillRecentFilesMenu() {
    QMenu* menu = m_recentMenu;
    if (!menu) return;
    menu->clear();
    const QStringList files = m_recentFiles.Files();
    int number = 0;
    for (const QString& path : files) {
        ++number;
        const QFileInfo info(path);
        QString text =
            info.fileName() + QStringLiteral("  (") + QDir::toNativeSeparators(info.absolutePath()) + u')';
        text.replace(u'&', QStringLiteral("&&"));
        QAction* action = menu->addAction(QStringLiteral("&%1 %2").arg(QString::number(number), text));
        action->setToolTip(path);
        action->setStatusTip(path);
        connect(action, &QAction::triggered, this, [this, path] { OpenRecentFile(path); });
    }
    if (files.isEmpty()) menu->addAction(Str(kTextNoRecentFiles))->setEnabled(false);
    menu->addSeparator();
    QAction* clear = menu->addAction(Str(kTextClearRecentFiles));
    clear->setEnabled(!files.isEmpty());
    connect(clear, &QAction::triggered, this, [this] { m_recentFiles.Clear(); });
}

void MainWindow::OpenRecentFile(const QString& path) {
    if (!QFileInfo(path).isFile()) {
        m_recentFiles.Remove(path);
        m_app.Ui().Message(kMsgRecentFileMissing, MessageIcon::Exclamation, QDir::toNativeSeparators(path));
        return;
    }
    OpenFile(path);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    m_app.Settings().SetWindowSlot(CurrentPlacement(), kSlotMain);
    event->accept();
}

void MainWindow::ShowOverview() {
    for (QMdiSubWindow* sub : m_mdiArea->subWindowList()) {
        auto* frame = qobject_cast<ModuleFrame*>(sub);
        if (!frame || frame->Slot() != kSlotOverview) continue;
        // A hidden or minimised sound window comes back; the command never only activates it.
        if (frame->isHidden()) frame->show();
        if (frame->isMinimized()) frame->showNormal();
        frame->raise();
        m_mdiArea->setActiveSubWindow(frame);
        return;
    }
    if (m_showOverview) m_showOverview();
}

void MainWindow::ListWindows(QMenu* menu) {
    static const char* const kListed = "kalvoWindowList";
    for (QAction* action : menu->actions())
        if (action->property(kListed).toBool()) {
            menu->removeAction(action);
            action->deleteLater();
        }
    int number = 0;
    for (QMdiSubWindow* sub : m_mdiArea->subWindowList()) {
        if (!sub->isVisibleTo(m_mdiArea)) continue;
        if (number == 0) menu->addSeparator()->setProperty(kListed, true);
        ++number;
        QString title = sub->windowTitle();
        title.replace(u'&', QStringLiteral("&&"));
        QAction* action = menu->addAction(number < 10 ? QStringLiteral("&%1 %2").arg(number).arg(title)
                                                      : QStringLiteral("%1 %2").arg(number).arg(title));
        action->setProperty(kListed, true);
        action->setCheckable(true);
        action->setChecked(sub == m_mdiArea->activeSubWindow());
        QPointer<QMdiSubWindow> target(sub);
        connect(action, &QAction::triggered, this, [this, target] {
            if (!target) return;
            if (target->isMinimized()) target->showNormal();
            m_mdiArea->setActiveSubWindow(target);
        });
    }
}

void MainWindow::TileWindows() {
    // Qt's own tiling gives every cell the largest minimum size of all windows, which pushes the
    // last column out of the area when many windows are open; here every window stays inside.
    std::vector<QMdiSubWindow*> windows;
    std::vector<QSize> needs;
    for (QMdiSubWindow* sub : m_mdiArea->subWindowList(QMdiArea::CreationOrder)) {
        if (!sub->isVisibleTo(m_mdiArea) || sub->isMinimized()) continue;
        if (sub->isMaximized()) sub->showNormal();
        windows.push_back(sub);
        needs.push_back(sub->minimumSizeHint().expandedTo(sub->minimumSize()));
    }
    const QRect area = m_mdiArea->viewport()->rect();
    const std::vector<QRect> cells = WindowArrangement::Tile(area, needs);
    for (std::size_t i = 0; i < windows.size() && i < cells.size(); ++i) {
        QMdiSubWindow* sub = windows[i];
        sub->setGeometry(cells[i]);
        // A window of fixed size keeps it; it is only kept inside the area.
        QRect placed = sub->geometry();
        placed.moveLeft(
            std::clamp(placed.left(), area.left(), std::max(area.left(), area.right() + 1 - placed.width())));
        placed.moveTop(
            std::clamp(placed.top(), area.top(), std::max(area.top(), area.bottom() + 1 - placed.height())));
        if (placed != sub->geometry()) sub->setGeometry(placed);
    }
    ArrangeIcons();
}

void MainWindow::PlaceNewWindow(ModuleFrame* frame) {
    if (!frame || frame->isMaximized() || frame->isMinimized()) return;
    std::vector<QRect> open;
    for (QMdiSubWindow* sub : m_mdiArea->subWindowList(QMdiArea::StackingOrder)) {
        if (sub == frame || !sub->isVisibleTo(m_mdiArea) || sub->isMinimized()) continue;
        if (sub->isMaximized()) return;  // it covers everything; the new window simply comes on top
        open.push_back(sub->geometry());
    }
    const QRect place =
        WindowArrangement::LeastCoveringPlace(m_mdiArea->viewport()->rect(), frame->geometry(), open);
    if (place != frame->geometry()) frame->setGeometry(place);
}

void MainWindow::ArrangeIcons() {
    // Minimised windows in rows along the bottom edge, left to right.
    const QSize area = m_mdiArea->viewport()->size();
    int x = 0;
    int bottom = area.height();
    int rowHeight = 0;
    for (QMdiSubWindow* sub : m_mdiArea->subWindowList()) {
        if (!sub->isMinimized() || !sub->isVisibleTo(m_mdiArea)) continue;
        const QSize size = sub->size();
        if (x > 0 && x + size.width() > area.width()) {
            x = 0;
            bottom -= rowHeight;
            rowHeight = 0;
        }
        sub->move(x, bottom - size.height());
        x += size.width();
        rowHeight = std::max(rowHeight, size.height());
    }
}

// ---------------------------------------------------------------------------------------
// Status bar

QString MainWindow::StatusPaneText(unsigned message, long long param, const SoundDocument& doc) {
    switch (message) {
        case kMsgStatusFftPoints:
            return param ? Str(StringId::FFTPoints_61545) + QString::number(param) : QString();
        case kMsgStatusFile: {
            QString path = doc.FileName();
            // "No file" is kept in the language of its time; show it in today's.
            if (path == StringTable::Instance().Text(StringId::NoFileSelected, Language::English) ||
                path == StringTable::Instance().Text(StringId::NoFileSelected, Language::German))
                path = Str(StringId::NoFileSelected);
            const qsizetype slash = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
            return Str(kTextFilePrefix) + path.mid(slash + 1);
        }
        case kMsgStatusBits:
            return param ? QStringLiteral("Mono: %1-Bit").arg(param) : QString();
        case kMsgStatusRate:
            return param ? QStringLiteral("%1 kHz").arg(param / 1000) : QString();
        case kMsgStatusListening:
            return doc.IsListening() ? Str(StringId::Listening_61546) : QString();
        case kMsgStatusRecording:
            return doc.IsRecording() ? Str(StringId::Recording_61547) : QString();
        default:
            return {};
    }
}

void MainWindow::SendMessage(unsigned message, long long param) {
    // The status messages; the capture (0x402) and playback (0x407) messages join here with
    // the sound input and playback, which send them.
    const std::size_t pane = PaneOf(message);
    if (pane == 0) return;
    m_statusParams.insert(message, param);
    SetPane(pane, StatusPaneText(message, param, m_doc));
}

void MainWindow::SetPane(std::size_t pane, const QString& text) {
    m_paneTexts.at(pane) = text;
    QLabel* label = m_panes.at(pane);
    if (pane == 1) {
        // Long file names are shortened in the middle; the whole name stays in the tip.
        const QString shown = label->fontMetrics().elidedText(text, Qt::ElideMiddle, kFilePaneMaxWidth - 8);
        label->setText(shown);
        label->setToolTip(shown == text ? Str(kPaneNames[pane]) : text);
        return;
    }
    label->setText(text);
}

void MainWindow::RefreshPanes() {
    SetPane(0, Str(kTextReady));
    for (std::size_t i = 1; i < m_panes.size(); ++i)
        if (kPaneNames[i] != 0) m_panes[i]->setToolTip(Str(kPaneNames[i]));
    for (auto it = m_statusParams.cbegin(); it != m_statusParams.cend(); ++it)
        SetPane(PaneOf(it.key()), StatusPaneText(it.key(), it.value(), m_doc));
}

QString MainWindow::PaneText(int pane) const {
    return m_paneTexts.at(static_cast<std::size_t>(pane));
}

bool MainWindow::IsStatusBarShown() const {
    return m_app.Settings().IniAllgemeinStatusbar != 0;
}

// The caption names the program and its mode, never the sound.
void MainWindow::OnDocumentTitleChanged(const QString&) {}

void MainWindow::OnUpdate(int) {
    UpdateCommandStates();
}
