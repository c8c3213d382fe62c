#include "app/ClientAreaScaler.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QResizeEvent>
#include <QVariantList>
#include <algorithm>
#include <cmath>

namespace {

// Kept on each window: its edges in parts of the area, and the geometry it was given from
// it. While the window still has that geometry the parts are used again, so many small steps
// of a resize do not add up rounding errors.
constexpr const char* kRelative = "kalvoRelativeGeometry";
constexpr const char* kPlaced = "kalvoScaledGeometry";

int Scaled(double part, int size) {
    return static_cast<int>(std::lround(part * size));
}

}  // namespace

ClientAreaScaler::ClientAreaScaler(QMdiArea* area)
    : QObject(area), m_area(area), m_viewport(area->viewport()) {
    area->viewport()->installEventFilter(this);
}

bool ClientAreaScaler::eventFilter(QObject* watched, QEvent* event) {
    // Only the stored pointer is compared: while the area is being destroyed its viewport still
    // sends events, and the area itself must not be asked anything then.
    if (watched == m_viewport && event->type() == QEvent::Resize) {
        const auto* resize = static_cast<QResizeEvent*>(event);
        // The first layout of a window that was never shown has nothing to scale from.
        if (!resize->oldSize().isEmpty() && !resize->size().isEmpty() && resize->oldSize() != resize->size())
            Scale(resize->oldSize(), resize->size());
    }
    return QObject::eventFilter(watched, event);
}

void ClientAreaScaler::Scale(const QSize& from, const QSize& to) {
    for (QMdiSubWindow* sub : m_area->subWindowList()) {
        // Maximised and minimised windows follow the area by themselves. Hidden ones are scaled
        // too, so that they fit when they are shown again.
        if (sub->isMaximized() || sub->isMinimized()) continue;
        const QRect now = sub->geometry();
        // The four edges in parts of the area's width and height.
        QVariantList parts = sub->property(kRelative).toList();
        if (parts.size() != 4 || sub->property(kPlaced).toRect() != now) {
            const double w = from.width(), h = from.height();
            parts = {now.left() / w, now.top() / h, (now.left() + now.width()) / w,
                     (now.top() + now.height()) / h};
        }
        // Edges, not sizes, are rounded: two windows that share an edge keep sharing it.
        const int left = Scaled(parts[0].toDouble(), to.width());
        const int top = Scaled(parts[1].toDouble(), to.height());
        const int right = Scaled(parts[2].toDouble(), to.width());
        const int bottom = Scaled(parts[3].toDouble(), to.height());
        sub->setGeometry(left, top, std::max(1, right - left), std::max(1, bottom - top));
        sub->setProperty(kRelative, parts);
        sub->setProperty(kPlaced, sub->geometry());
    }
}
