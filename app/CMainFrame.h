#pragma once
// The main window: menus (the normal menu and the kids menu), the standard and the kids tool
// bar, the status bar with the sound's format and the listening state, and the MDI client
// area that holds the main sound window and the module windows.

#include <QMainWindow>
#include <QMap>
#include <array>

#include "app/CKalvoApp.h"
#include "document/IDocumentView.h"
#include "document/IMainFrame.h"

class CKalvoDoc;
class QLabel;
class QMdiArea;
class QToolBar;

class CMainFrame : public QMainWindow, public IMainFrame, public IDocumentView {
    Q_OBJECT
public:
    CMainFrame(CKalvoApp& app, CKalvoDoc& doc);
    ~CMainFrame() override;

    QMdiArea* MdiArea() const { return m_mdiArea; }

    // Builds the menu bar (the normal menu, or the kids menu) and the tool bars' buttons and
    // tips in the current language. Called again after a language or profile change.
    void LoadMenu(bool kids);
    // Shows or hides the standard tool bar, the kids tool bar and the status bar from the settings.
    void ShowBars();
    // The client area and the heights of the visible bars, for relative placements.
    FrameMetrics Metrics() const;
    // The main window's placement in screen pixels (slot 0).
    void ApplyPlacement(const WindowPlacement& placement);
    WindowPlacement CurrentPlacement() const;

    // Runs a menu or tool bar command by its id; false when the command is not there.
    bool OnCommand(int commandId);
    // The action of a command id in the current menus or tool bars, or null.
    QAction* Action(int commandId) const;
    QToolBar* StandardToolBar() const { return m_standardBar; }
    QToolBar* KidsToolBar() const { return m_kidsBar; }
    // The text of a status bar pane (0 message, 1 file, 2 bits, 3 rate, 5 FFT points, 7 listening, 8 recording).
    QString PaneText(int pane) const;
    static QString StatusPaneText(unsigned message, long long param, const CKalvoDoc& doc);

    // IMainFrame
    void SendMessage(unsigned message, long long param) override;
    void OnDocumentTitleChanged(const QString& title) override;
    bool IsStatusBarShown() const override;
    // IDocumentView
    void OnUpdate(int hint) override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    CKalvoApp& m_app;
    CKalvoDoc& m_doc;
    QMdiArea* m_mdiArea = nullptr;      // owned by the window
    QToolBar* m_standardBar = nullptr;  // owned by the window
    QToolBar* m_kidsBar = nullptr;      // owned by the window
    std::array<QLabel*, 9> m_panes{};   // owned by the status bar
    QMap<int, QAction*> m_actions;      // owned by the window
};
