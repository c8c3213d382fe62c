#include "app/CMainFrame.h"

#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMenuBar>
#include <QStatusBar>

#include "app/CKalvoApp.h"
#include "document/AppFlags.h"
#include "document/CKalvoDoc.h"
#include "platform/StringTable.h"

CMainFrame::CMainFrame(CKalvoApp& app, CKalvoDoc& doc) : m_app(app), m_doc(doc) {
    setWindowTitle(QStringLiteral("Kalvo"));
    m_mdiArea = new QMdiArea(this);
    setCentralWidget(m_mdiArea);
    for (QLabel*& pane : m_panes) {
        pane = new QLabel(statusBar());
        pane->setMinimumWidth(80);
        statusBar()->addPermanentWidget(pane);
    }
    statusBar()->setVisible(m_app.IniAllgemeinStatusbar != 0);
    LoadMenu(false);
    m_doc.SetMainFrame(this);
    m_doc.AddView(this);
    resize(900, 420);
}

CMainFrame::~CMainFrame() {
    m_doc.RemoveView(this);
    m_doc.SetMainFrame(nullptr);
}

void CMainFrame::LoadMenu(bool) {
    QMenu* file = menuBar()->addMenu(Str(62033));
    QAction* open = file->addAction(Str(62031), this, [this] { m_doc.OnFileOpen(); });
    open->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    QAction* series = file->addAction(Str(62032), this, [this] { m_doc.OnOpenTimeSeries(); });
    series->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    file->addAction(Str(62037), this, [this] { m_doc.RemoveWave(); });
    file->addSeparator();
    file->addAction(Str(62034), this, [this] { close(); });
    QMenu* settings = menuBar()->addMenu(Str(62035));
    settings->addAction(Str(62036), this, [this] { m_doc.OnFftSettings(); });
    settings->addAction(Str(62023), this, [this] { m_app.OnSaveProfile(); });
}

bool CMainFrame::IsStatusBarShown() const { return m_app.IniAllgemeinStatusbar != 0; }

QString CMainFrame::StatusPaneText(unsigned message, long long param, const CKalvoDoc& doc) {
    switch (message) {
        case kMsgStatusFftPoints: return param ? Str(61545) + QString::number(param) : QString();
        case kMsgStatusFile: return QStringLiteral("File: ") + QFileInfo(doc.m_strFileName).fileName();
        case kMsgStatusBits: return param ? QStringLiteral("Mono: %1-Bit").arg(param) : QString();
        case kMsgStatusRate: return param ? QStringLiteral("%1 kHz").arg(param / 1000) : QString();
        case kMsgStatusListening: return g_bListening ? Str(61546) : QString();
        case kMsgStatusRecording: return g_bRecording ? Str(61547) : QString();
        default: return {};
    }
}

void CMainFrame::SendMessage(unsigned message, long long param) {
    static constexpr unsigned kPaneMessages[6] = {kMsgStatusFftPoints, kMsgStatusFile,      kMsgStatusBits,
                                                  kMsgStatusRate,      kMsgStatusListening, kMsgStatusRecording};
    for (std::size_t i = 0; i < m_panes.size(); ++i)
        if (kPaneMessages[i] == message) m_panes[i]->setText(StatusPaneText(message, param, m_doc));
}

QString CMainFrame::PaneText(int pane) const { return m_panes.at(static_cast<std::size_t>(pane))->text(); }

void CMainFrame::OnDocumentTitleChanged(const QString& title) {
    setWindowTitle(title + QStringLiteral(" - Kalvo"));
}

void CMainFrame::OnUpdate(int) {}
void CMainFrame::closeEvent(QCloseEvent* event) { QMainWindow::closeEvent(event); }

void CMainFrame::ShowBars() {}
FrameMetrics CMainFrame::Metrics() const { return {}; }
void CMainFrame::ApplyPlacement(const WindowPlacement&) {}
WindowPlacement CMainFrame::CurrentPlacement() const { return {}; }
bool CMainFrame::OnCommand(int) { return false; }
QAction* CMainFrame::Action(int) const { return nullptr; }
