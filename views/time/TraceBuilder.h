#pragma once
// A sound trace: collects its points left to right and keeps per pixel column only the
// points that shape it: the first, the lowest, the highest and the last. All the segments
// between points of one column are vertical, so the reduced polyline covers the same pixels
// as the full one, and a long sound draws thousands of points instead of millions.
//
// On raster surfaces the trace is drawn from a bitmap of its pixel columns, made once per
// trace: a polyline of tall vertical segments costs far more to rasterise than a copy.

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <cstdint>
#include <utility>
#include <vector>

class QPainter;

// Sample i of raw mono PCM data: 0..255 for 8-bit data, -32768..32767 for 16-bit data.
inline int RawSample(const std::uint8_t* data, int bits, std::int64_t i) {
    if (bits == 8) return data[i];
    const std::uint8_t* p = data + 2 * i;
    return static_cast<std::int16_t>(p[0] | (p[1] << 8));
}

class TraceBuilder {
public:
    void Clear();
    void Reserve(std::size_t columns) { m_points.reserve(4 * columns + 2); }
    // Points must come with x never decreasing.
    void Add(int x, int y);
    // Ends the last column; the points are then complete.
    const std::vector<QPoint>& Finish();
    const std::vector<QPoint>& Points() const { return m_points; }

    // Draws the polyline through the points with a one-pixel pen; nothing outside clip is needed.
    void Draw(QPainter& painter, const QColor& color, const QRect& clip);

    // The points with left <= x < right, as indices [first, last) into points.
    static std::pair<std::size_t, std::size_t> ColumnRange(const std::vector<QPoint>& points, int left,
                                                           int right);
    // Shows a selection band over the trace: inverted on screen and in bitmaps; in vector
    // pictures, which cannot invert, as the inverted colours of black and red.
    static void DrawBand(QPainter& painter, const QRect& band, const std::vector<QPoint>& trace);

private:
    void Flush();
    void Emit(const QPoint& p);
    // The bitmap of the trace within clip, transparent around it.
    void RenderLayer(const QColor& color, const QRect& clip);

    std::vector<QPoint> m_points;
    bool m_open = false;  // a column is being collected
    int m_x = 0;
    int m_first = 0, m_last = 0, m_min = 0, m_max = 0;
    bool m_minBeforeMax = true;  // the lowest point came before the highest

    QImage m_layer;  // the trace's pixels, placed at m_layerOrigin
    QPoint m_layerOrigin;
    QColor m_layerColor;
    QRect m_layerClip;
    bool m_layerValid = false;
};
