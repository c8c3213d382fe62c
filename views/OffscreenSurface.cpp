#include "views/OffscreenSurface.h"

#include <QPaintDevice>
#include <QPaintEngine>

OffscreenSurface::OffscreenSurface(QPainter& target, const QRect& rect, QColor background)
    : m_target(target), m_rect(rect) {
    // Drawn at the device's pixel ratio, so the copy is one to one on high-density screens.
    const qreal ratio = target.device() ? target.device()->devicePixelRatioF() : 1.0;
    m_image = QImage(rect.size() * ratio, QImage::Format_RGB32);
    m_image.setDevicePixelRatio(ratio);
    m_image.fill(background);
    m_painter.begin(&m_image);
    m_painter.translate(-rect.topLeft());
}

OffscreenSurface::~OffscreenSurface() {
    m_painter.end();
    m_target.drawImage(m_rect.topLeft(), m_image);
}

bool OffscreenSurface::InvertRect(QPainter& painter, const QRect& rect) {
    const QPaintEngine* engine = painter.paintEngine();
    if (!engine || engine->type() != QPaintEngine::Raster) return false;
    painter.save();
    painter.setCompositionMode(QPainter::RasterOp_NotDestination);
    painter.fillRect(rect, Qt::white);
    painter.restore();
    return true;
}
