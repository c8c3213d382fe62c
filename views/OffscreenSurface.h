#pragma once
// An off-screen drawing surface for a view's client area: the view paints into an image
// and the image is copied to the window in one step when the surface goes, so the screen
// never shows a half-drawn picture. A fresh surface is black, like a new screen bitmap;
// views that leave their plot area unfilled rely on that.

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QRect>

class OffscreenSurface {
public:
    // target: the painter of the widget's paint event; rect: the client area to cover.
    OffscreenSurface(QPainter& target, const QRect& rect, QColor background = Qt::black);
    ~OffscreenSurface();
    OffscreenSurface(const OffscreenSurface&) = delete;
    OffscreenSurface& operator=(const OffscreenSurface&) = delete;

    // The painter to draw with, in the same coordinates as the client area.
    QPainter& Painter() { return m_painter; }
    const QRect& Rect() const { return m_rect; }

    // Inverts the colours of a rectangle already drawn, as a selection band does. Only raster
    // surfaces can do this; returns false for vector surfaces (SVG, PDF), which must draw
    // the inverted picture themselves.
    static bool InvertRect(QPainter& painter, const QRect& rect);

private:
    QPainter& m_target;
    QRect m_rect;
    QImage m_image;
    QPainter m_painter;
};
