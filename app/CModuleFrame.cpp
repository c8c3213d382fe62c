#include "app/CModuleFrame.h"

#include <QHBoxLayout>
#include <QMdiArea>

CModuleFrame::CModuleFrame(CKalvoApp& app, int slot, QWidget* view, QWidget* controlBar, bool resizable)
    : m_app(app), m_slot(slot), m_view(view), m_controlBar(controlBar) {
    auto* content = new QWidget(this);  // owned by the sub-window
    auto* layout = new QHBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(view, 1);
    if (controlBar) layout->addWidget(controlBar, 0);
    setWidget(content);
    setAttribute(Qt::WA_DeleteOnClose, false);
    Qt::WindowFlags flags = Qt::SubWindow | Qt::WindowTitleHint | Qt::WindowSystemMenuHint;
    if (resizable) flags |= Qt::WindowMinMaxButtonsHint;
    else flags |= Qt::MSWindowsFixedSizeDialogHint;
    setWindowFlags(flags);
}

CModuleFrame::~CModuleFrame() = default;

void CModuleFrame::SetControlBarVisible(bool visible) {
    if (m_controlBar) m_controlBar->setVisible(visible);
}

WindowPlacement CModuleFrame::CurrentPlacement() const {
    WindowPlacement wp;
    wp.showCmd = isMaximized() ? 3 : isMinimized() ? 2 : isVisible() ? 1 : 0;
    // Qt keeps no normal geometry for sub-windows; the frame remembers it itself.
    const QRect r = (isMaximized() || isMinimized()) && m_normalGeometry.isValid() ? m_normalGeometry : geometry();
    wp.left = r.left();
    wp.top = r.top();
    wp.right = r.left() + r.width();
    wp.bottom = r.top() + r.height();
    return wp;
}

void CModuleFrame::StorePlacement() {
    // Slot 0 is the main window's own: a frame without a slot (below 1) keeps the place it was given.
    if (!m_app.m_frameMetrics || m_slot < kSlotUebersicht) return;
    WindowPlacement wp = CurrentPlacement();
    m_app.ConvertPlacement(true, wp, m_app.m_frameMetrics());
    m_app.SetWindowSlot(wp, m_slot);
}

void CModuleFrame::ApplyStoredPlacement() {
    if (!m_app.m_frameMetrics || m_slot < kSlotUebersicht) return;
    WindowPlacement wp = m_app.GetWindowSlot(m_slot);
    m_app.ConvertPlacement(false, wp, m_app.m_frameMetrics());
    if (wp.right < wp.left) std::swap(wp.left, wp.right);
    if (wp.bottom < wp.top) std::swap(wp.top, wp.bottom);
    // Keep the window inside the client area, whatever the profile said.
    const FrameMetrics m = m_app.m_frameMetrics();
    const QSize area = mdiArea() ? mdiArea()->viewport()->size() : QSize(m.clientWidth, m.clientHeight);
    QRect r(wp.left, wp.top, std::max(wp.right - wp.left, 120), std::max(wp.bottom - wp.top, 80));
    r.setWidth(std::min(r.width(), std::max(area.width(), 120)));
    r.setHeight(std::min(r.height(), std::max(area.height(), 80)));
    r.moveLeft(std::clamp(r.left(), 0, std::max(0, area.width() - r.width())));
    r.moveTop(std::clamp(r.top(), 0, std::max(0, area.height() - r.height())));
    showNormal();
    setGeometry(r);
    if (wp.showCmd == 3) showMaximized();
    else if (wp.showCmd == 2 || wp.showCmd == 6) showMinimized();
}

void CModuleFrame::moveEvent(QMoveEvent* event) {
    QMdiSubWindow::moveEvent(event);
    if (!isMaximized() && !isMinimized()) m_normalGeometry = geometry();
}

void CModuleFrame::resizeEvent(QResizeEvent* event) {
    QMdiSubWindow::resizeEvent(event);
    if (!isMaximized() && !isMinimized()) m_normalGeometry = geometry();
}
