#include "views/common/ModuleFrame.h"

#include <QAbstractButton>
#include <QApplication>

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMdiArea>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QStyle>

#include "views/common/IViewCommands.h"

ModuleFrame::ModuleFrame(ProfileSettings& settings, int slot, QWidget* view, QWidget* controlBar,
                         bool resizable)
    : m_settings(settings), m_slot(slot), m_resizable(resizable), m_view(view), m_controlBar(controlBar) {
    auto* content = new QWidget(this);  // owned by the sub-window
    auto* layout = new QHBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(view, 1);
    if (controlBar) layout->addWidget(controlBar, 0);
    setWidget(content);
    setAttribute(Qt::WA_DeleteOnClose, false);
    Qt::WindowFlags flags = Qt::SubWindow | Qt::WindowTitleHint | Qt::WindowSystemMenuHint;
    if (resizable)
        flags |= Qt::WindowMinMaxButtonsHint;
    else
        flags |= Qt::MSWindowsFixedSizeDialogHint;
    setWindowFlags(flags);
}

ModuleFrame::~ModuleFrame() = default;

void ModuleFrame::SetControlBarVisible(bool visible) {
    if (m_controlBar) m_controlBar->setVisible(visible);
}

IModuleView* ModuleFrame::ModuleView() const {
    return dynamic_cast<IModuleView*>(m_view);
}

IViewCommands* ModuleFrame::Commands() const {
    return dynamic_cast<IViewCommands*>(m_view);
}

namespace {

constexpr const char* kSpinId = "kalvoSpinId";

}  // namespace

QWidget* ModuleFrame::ScrollingColumn(QWidget* bar, int width) {
    auto* layout = new QHBoxLayout(bar);  // owned by the bar
    layout->setContentsMargins(0, 0, 0, 0);
    auto* scroll = new QScrollArea;  // owned by the bar through its layout
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidgetResizable(true);
    auto* column = new QWidget;  // owned by the scroll area
    scroll->setWidget(column);
    layout->addWidget(scroll);
    // Room for the scroll bar, so that it never covers the controls.
    const int scrollBar = bar->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    bar->setFixedWidth(width + scrollBar);
    column->setFixedWidth(width);
    return column;
}

void ModuleFrame::SetControlIds(QWidget* control, int controlId, int spinId) {
    control->setObjectName(QString::number(controlId));
    if (spinId != 0) control->setProperty(kSpinId, spinId);
}

QWidget* ModuleFrame::Control(int controlId) const {
    if (!m_controlBar) return nullptr;
    if (auto* control = m_controlBar->findChild<QWidget*>(QString::number(controlId))) return control;
    for (QWidget* control : m_controlBar->findChildren<QWidget*>())
        if (control->property(kSpinId).toInt() == controlId) return control;
    return nullptr;
}

void ModuleFrame::SetControlInt(int controlId, int value) {
    QWidget* control = Control(controlId);
    if (auto* edit = qobject_cast<QLineEdit*>(control))
        edit->setText(QString::number(value));
    else if (auto* slider = qobject_cast<QSlider*>(control))
        slider->setValue(value);
    else if (auto* spin = qobject_cast<QSpinBox*>(control))
        spin->setValue(value);
    else if (auto* button = qobject_cast<QAbstractButton*>(control); button && button->isCheckable())
        button->setChecked(value != 0);
}

void ModuleFrame::SetSliderRange(int controlId, int minimum, int maximum, int position) {
    if (auto* slider = qobject_cast<QSlider*>(Control(controlId))) {
        slider->setRange(minimum, maximum);
        slider->setValue(position);
    }
}

bool ModuleFrame::event(QEvent* event) {
    // A key the view handles itself reaches it as a key press instead of firing a shortcut.
    if (event->type() == QEvent::ShortcutOverride) {
        if (const IViewCommands* commands = Commands()) {
            const QKeySequence pressed(static_cast<QKeyEvent*>(event)->keyCombination());
            if (commands->ViewKeys().contains(pressed)) {
                event->accept();
                return true;
            }
        }
    }
    return QMdiSubWindow::event(event);
}

void ModuleFrame::ForwardKeyToView(QKeyEvent* event) {
    const QWidget* focus = QApplication::focusWidget();
    const bool fromView = focus && (focus == m_view || m_view->isAncestorOf(focus));
    if (m_forwardingKey || fromView) {
        event->ignore();  // on up to the MDI area and the main window, whose shortcuts may want it
        return;
    }
    m_forwardingKey = true;
    QCoreApplication::sendEvent(m_view, event);
    m_forwardingKey = false;
    // A key the view left unused has already gone on up past this window from there.
    event->accept();
}

void ModuleFrame::closeEvent(QCloseEvent* event) {
    if (!m_closeHandler) {
        event->ignore();
        return;
    }
    event->accept();
    m_closeHandler();
}

WindowPlacement ModuleFrame::CurrentPlacement() const {
    WindowPlacement wp;
    wp.showCmd = isMaximized() ? 3 : isMinimized() ? 2 : isVisible() ? 1 : 0;
    // Qt keeps no normal geometry for sub-windows; the frame remembers it itself.
    const QRect r =
        (isMaximized() || isMinimized()) && m_normalGeometry.isValid() ? m_normalGeometry : geometry();
    wp.left = r.left();
    wp.top = r.top();
    wp.right = r.left() + r.width();
    wp.bottom = r.top() + r.height();
    return wp;
}

void ModuleFrame::StorePlacement() {
    // Slot 0 is the main window's own: a frame without a slot (below 1) keeps the place it was given.
    if (!m_settings.m_frameMetrics || m_slot < kSlotOverview) return;
    WindowPlacement wp = CurrentPlacement();
    m_settings.ConvertPlacement(true, wp, m_settings.m_frameMetrics());
    m_settings.SetWindowSlot(wp, m_slot);
}

void ModuleFrame::ApplyStoredPlacement() {
    if (!m_settings.m_frameMetrics || m_slot < kSlotOverview) return;
    WindowPlacement wp = m_settings.GetWindowSlot(m_slot);
    m_settings.ConvertPlacement(false, wp, m_settings.m_frameMetrics());
    if (wp.right < wp.left) std::swap(wp.left, wp.right);
    if (wp.bottom < wp.top) std::swap(wp.top, wp.bottom);
    // Keep the window inside the client area, whatever the profile said.
    const FrameMetrics m = m_settings.m_frameMetrics();
    const QSize area = mdiArea() ? mdiArea()->viewport()->size() : QSize(m.clientWidth, m.clientHeight);
    QRect r(wp.left, wp.top, std::max(wp.right - wp.left, 120), std::max(wp.bottom - wp.top, 80));
    r.setWidth(std::min(r.width(), std::max(area.width(), 120)));
    r.setHeight(std::min(r.height(), std::max(area.height(), 80)));
    r.moveLeft(std::clamp(r.left(), 0, std::max(0, area.width() - r.width())));
    r.moveTop(std::clamp(r.top(), 0, std::max(0, area.height() - r.height())));
    showNormal();
    setGeometry(r);
    if (wp.showCmd == 3)
        showMaximized();
    else if (wp.showCmd == 2 || wp.showCmd == 6)
        showMinimized();
}

void ModuleFrame::moveEvent(QMoveEvent* event) {
    QMdiSubWindow::moveEvent(event);
    if (!isMaximized() && !isMinimized()) m_normalGeometry = geometry();
}

void ModuleFrame::resizeEvent(QResizeEvent* event) {
    QMdiSubWindow::resizeEvent(event);
    if (!isMaximized() && !isMinimized()) m_normalGeometry = geometry();
}
