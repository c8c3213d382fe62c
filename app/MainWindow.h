#pragma once
// The main window: menus (the normal menu, or the kids menu), the standard and the kids tool
// bar, the status bar with the sound's format and the listening state, and the MDI client
// area that holds the main sound window and the module windows.
//
// Only commands that work are built: a command whose feature is missing has no menu item,
// no button and no key.

#include <QMainWindow>
#include <QMap>
#include <array>
#include <functional>
#include <vector>

#include "app/Application.h"
#include "app/RecentFiles.h"
#include "document/IDocumentView.h"
#include "document/IMainFrame.h"

class SoundDocument;
class ModuleFrame;
class IViewCommands;
class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;
class QLabel;
class QMenu;
class QMdiArea;
class QToolBar;

class MainWindow : public QMainWindow, public IMainFrame, public IDocumentView {
    Q_OBJECT
public:
    MainWindow(Application& app, SoundDocument& doc);
    ~MainWindow() override;

    QMdiArea* MdiArea() const { return m_mdiArea; }

    // Builds the menu bar (the normal menu, or the kids menu) and the tool bars' buttons and
    // tips in the current language. Called again after a language or profile change.
    void LoadMenu(bool kids);
    // Shows or hides the standard tool bar, the kids tool bar and the status bar from the
    // settings, and lays the window out at once so that the client area is measured right.
    void ShowBars();
    // The client area and the heights of the visible bars, for relative placements.
    FrameMetrics Metrics() const;
    // The main window's placement in screen pixels (slot 0): sets the normal rectangle and
    // shows the window with the show command (3 maximised, 2 minimised, else normal; never hidden).
    void ApplyPlacement(const WindowPlacement& placement);
    WindowPlacement CurrentPlacement() const;

    // Runs a menu, tool bar or key command by its id, or a module's show command;
    // false when the command is not there.
    bool OnCommand(int commandId);
    // The action of a command id in the current menus, tool bars or keys, or null.
    QAction* Action(int commandId) const;
    QToolBar* StandardToolBar() const { return m_standardBar; }
    QToolBar* KidsToolBar() const { return m_kidsBar; }
    // The text of a status bar pane (0 message, 1 file, 2 bits, 3 rate, 5 FFT points, 7 listening, 8
    // recording).
    QString PaneText(int pane) const;
    static QString StatusPaneText(unsigned message, long long param, const SoundDocument& doc);
    // Checks the bar commands by the settings and the module commands by their open windows.
    // Runs whenever the event loop falls idle, so windows opened or closed elsewhere show too.
    void UpdateCommandStates();
    // Where Save View, Copy, Export Data, Clear all Data and F1 go: the view of the current
    // sub-window (the active pane of the main sound window), or null.
    IViewCommands* ActiveViewCommands() const;

    // "Overview" shows and raises the sub-window that keeps the overview's placement slot; this
    // runs only when there is none.
    std::function<void()> m_showOverview;

    // File › Recent Files (filled each time it opens) and the list behind it.
    QMenu* RecentFilesMenu() const { return m_recentMenu; }
    RecentFiles& RecentFileList() { return m_recentFiles; }
    // Opens a file as File › Open does once a file is chosen (a dropped file, a recent one).
    bool OpenFile(const QString& path);

    // IMainFrame
    void SendMessage(unsigned message, long long param) override;
    void OnDocumentTitleChanged(const QString& title) override;
    void OnFileOpened(const QString& path) override;
    bool IsStatusBarShown() const override;
    // IDocumentView
    void OnUpdate(int hint) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    // A file dropped on the window opens as if chosen in File › Open.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    // No bar context menu: the bars follow the settings and the View menu only.
    QMenu* createPopupMenu() override { return nullptr; }

private:
    std::function<void()> CommandHandler(int commandId);
    QAction* EnsureAction(int commandId);
    void DropActions();
    void FillToolBar(QToolBar* bar, const std::vector<int>& commands);
    void ToggleBar(int commandId);
    // The sub-windows that keep a relative placement: the main sound window and the modules.
    std::vector<ModuleFrame*> PlacedFrames() const;
    void ShowOverview();
    void OnViewCommand(int commandId);
    // F1 and Help: the active view's page, else the help's first page.
    void OnHelpKey();
    // Escape: listening stops at its next block; a long computation stops at its next check.
    void OnEscape();
    void ArrangeIcons();
    // Window › Tile: the shown windows side by side, each whole inside the client area.
    void TileWindows();
    // A window just opened by its command goes where it covers least of the other windows
    // (its stored place when that is free).
    void PlaceNewWindow(ModuleFrame* frame);
    // The open windows, numbered, at the end of the Window menu; choosing one brings it forward.
    void ListWindows(QMenu* menu);
    void FillRecentFilesMenu();
    void OpenRecentFile(const QString& path);
    void SetPane(std::size_t pane, const QString& text);
    void RefreshPanes();

    Application& m_app;
    SoundDocument& m_doc;
    bool m_kids = false;
    QMdiArea* m_mdiArea = nullptr;      // owned by the window
    QToolBar* m_standardBar = nullptr;  // owned by the window
    QToolBar* m_kidsBar = nullptr;      // owned by the window
    std::array<QLabel*, 9> m_panes{};   // owned by the status bar
    std::array<QString, 9> m_paneTexts;
    // The last parameter of each status message, so the panes can be redrawn in another language.
    QMap<unsigned, long long> m_statusParams;
    QMap<int, QAction*> m_actions;  // owned by the window
    QMenu* m_recentMenu = nullptr;  // owned by the File menu
    RecentFiles m_recentFiles;
};
