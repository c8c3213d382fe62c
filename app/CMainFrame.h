#pragma once
// The main window: menus for opening sounds and the FFT settings, the status bar with its
// panes (FFT points, file, bits, rate, listening, recording) and a summary of the loaded sound.

#include <QMainWindow>
#include <array>

#include "document/IDocumentView.h"
#include "document/IMainFrame.h"

class CKalvoApp;
class CKalvoDoc;
class QLabel;

class CMainFrame : public QMainWindow, public IMainFrame, public IDocumentView {
    Q_OBJECT
public:
    CMainFrame(CKalvoApp& app, CKalvoDoc& doc);
    ~CMainFrame() override;

    // IMainFrame
    void SendMessage(unsigned message, long long param) override;
    void OnDocumentTitleChanged(const QString& title) override;
    bool IsStatusBarShown() const override;
    // IDocumentView
    void OnUpdate(int hint) override;

    // The text of a status pane for one of the status messages.
    static QString StatusPaneText(unsigned message, long long param, const CKalvoDoc& doc);
    QString PaneText(int pane) const;

private:
    void BuildMenus();
    CKalvoApp& m_app;
    CKalvoDoc& m_doc;
    std::array<QLabel*, 6> m_panes{};  // owned by the status bar
    QLabel* m_summary = nullptr;       // owned by the window
};
