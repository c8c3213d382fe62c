#include "views/time/TraceBuilder.h"

#include <QPaintEngine>
#include <QPainter>
#include <algorithm>

#include "views/OffscreenSurface.h"

void TraceBuilder::Clear() {
    m_points.clear();
    m_open = false;
    m_layerValid = false;
}

void TraceBuilder::Add(int x, int y) {
    m_layerValid = false;
    if (!m_open || x != m_x) {
        Flush();
        m_open = true;
        m_x = x;
        m_first = m_last = m_min = m_max = y;
        m_minBeforeMax = true;
        return;
    }
    m_last = y;
    if (y < m_min) {
        m_min = y;
        m_minBeforeMax = false;  // the new lowest point comes after the highest so far
    } else if (y > m_max) {
        m_max = y;
        m_minBeforeMax = true;
    }
}

const std::vector<QPoint>& TraceBuilder::Finish() {
    Flush();
    return m_points;
}

void TraceBuilder::Emit(const QPoint& p) {
    if (m_points.empty() || m_points.back() != p) m_points.push_back(p);
}

void TraceBuilder::Flush() {
    if (!m_open) return;
    m_open = false;
    Emit({m_x, m_first});
    if (m_minBeforeMax) {
        Emit({m_x, m_min});
        Emit({m_x, m_max});
    } else {
        Emit({m_x, m_max});
        Emit({m_x, m_min});
    }
    Emit({m_x, m_last});
}

std::pair<std::size_t, std::size_t> TraceBuilder::ColumnRange(const std::vector<QPoint>& points, int left,
                                                              int right) {
    const auto byX = [](const QPoint& p, int x) { return p.x() < x; };
    const auto first = std::lower_bound(points.begin(), points.end(), left, byX);
    const auto last = std::lower_bound(first, points.end(), right, byX);
    return {static_cast<std::size_t>(first - points.begin()),
            static_cast<std::size_t>(last - points.begin())};
}

void TraceBuilder::Draw(QPainter& painter, const QColor& color, const QRect& clip) {
    if (m_points.size() < 2) return;
    const QPaintEngine* engine = painter.paintEngine();
    if (!engine || engine->type() != QPaintEngine::Raster) {
        // Vector pictures keep the drawing as lines.
        painter.save();
        painter.setPen(QPen(color, 0));
        painter.drawPolyline(m_points.data(), static_cast<int>(m_points.size()));
        painter.restore();
        return;
    }
    if (!m_layerValid || m_layerColor != color || m_layerClip != clip) RenderLayer(color, clip);
    if (!m_layer.isNull()) painter.drawImage(m_layerOrigin, m_layer);
}

void TraceBuilder::RenderLayer(const QColor& color, const QRect& clip) {
    m_layerValid = true;
    m_layerColor = color;
    m_layerClip = clip;
    m_layer = QImage();
    // The trace's bounding box, cut to what can be seen.
    int left = m_points.front().x(), right = m_points.back().x();
    int top = m_points.front().y(), bottom = top;
    bool contiguous = true;  // every column next to the one before: no sloping segments
    for (std::size_t i = 0; i < m_points.size(); ++i) {
        top = std::min(top, m_points[i].y());
        bottom = std::max(bottom, m_points[i].y());
        if (i > 0 && m_points[i].x() - m_points[i - 1].x() > 1) contiguous = false;
    }
    // A pixel of room: a one-pixel pen may end a pixel beyond a line's end points.
    const QRect box =
        QRect(QPoint(left, top), QPoint(right, bottom)).adjusted(-1, -1, 1, 1).intersected(clip);
    if (box.isEmpty()) return;
    m_layer = QImage(box.size(), QImage::Format_ARGB32_Premultiplied);
    if (m_layer.isNull()) return;
    m_layer.fill(Qt::transparent);
    m_layerOrigin = box.topLeft();

    if (!contiguous) {
        // A short stretch: few points with sloping lines between them, drawn as they are.
        QPainter layer(&m_layer);
        layer.translate(-box.topLeft());
        layer.setPen(QPen(color, 0));
        layer.drawPolyline(m_points.data(), static_cast<int>(m_points.size()));
        return;
    }
    // A dense trace: every column is one vertical run from its lowest to its highest point.
    // The segment to the next column is steep: like the line rasteriser, it stays in this
    // column up to the pixel before its end, which alone lies in the next column.
    const QRgb pixel = qPremultiply(color.rgba());
    uchar* bits = m_layer.bits();
    const qsizetype stride = m_layer.bytesPerLine();
    const auto fillColumn = [&](int x, int y0, int y1) {
        if (x < box.left() || x > box.right()) return;
        y0 = std::max(y0, box.top());
        y1 = std::min(y1, box.bottom());
        uchar* p = bits + (y0 - box.top()) * stride + (x - box.left()) * 4;
        for (int y = y0; y <= y1; ++y, p += stride) *reinterpret_cast<QRgb*>(p) = pixel;
    };
    std::size_t i = 0;
    while (i < m_points.size()) {
        const int x = m_points[i].x();
        const int first = m_points[i].y();
        int lo = first, hi = first, last = first;
        std::size_t j = i;
        for (; j < m_points.size() && m_points[j].x() == x; ++j) {
            lo = std::min(lo, m_points[j].y());
            hi = std::max(hi, m_points[j].y());
            last = m_points[j].y();
        }
        if (j < m_points.size()) {
            const int next = m_points[j].y();
            if (next > last) hi = std::max(hi, next - 1);
            if (next < last) lo = std::min(lo, next + 1);
        }
        fillColumn(x, lo, hi);
        i = j;
    }
}

void TraceBuilder::DrawBand(QPainter& painter, const QRect& band, const std::vector<QPoint>& trace) {
    if (band.isEmpty() || OffscreenSurface::InvertRect(painter, band)) return;
    painter.save();
    painter.fillRect(band, Qt::white);
    const auto [from, to] = ColumnRange(trace, band.left(), band.left() + band.width());
    if (to > from + 1) {
        painter.setPen(QPen(QColor(0, 255, 255), 0));
        painter.drawPolyline(trace.data() + from, static_cast<int>(to - from));
    }
    painter.restore();
}
