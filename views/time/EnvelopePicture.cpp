#include "views/time/EnvelopePicture.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "analysis/CubicSpline.h"
#include "analysis/Envelope.h"

namespace {

const QColor kBackground(255, 255, 255);
const QColor kZeroLine(190, 190, 190);
const QColor kMeasured(0, 0, 200);
const QColor kInterpolation(220, 0, 0);

QSize PictureSize(const EnvelopeCurves& curves, const QRect& rect) {
    return curves.pictureSize.isEmpty() ? rect.size() : curves.pictureSize;
}

// A smooth curve through the points, scaled into rect.
QPainterPath SmoothPath(const std::vector<SplinePoint>& points, double sx, double sy) {
    QPainterPath path;
    std::vector<SplinePoint> curve;
    CubicSpline(points).Evaluate(curve);
    for (std::size_t i = 0; i < curve.size(); ++i) {
        const QPointF p(curve[i].x * sx, curve[i].y * sy);
        if (i == 0)
            path.moveTo(p);
        else
            path.lineTo(p);
    }
    return path;
}

}  // namespace

EnvelopePicture::EnvelopePicture(EnvelopeCurves& curves, QWidget* parent)
    : QWidget(parent), m_curves(curves) {
    setObjectName(QString::number(kCtrlId));
    setMinimumSize(200, 160);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setCursor(Qt::CrossCursor);
}

void EnvelopePicture::Draw(QPainter& painter, const QRect& rect, const EnvelopeCurves& curves) {
    const QSize picture = PictureSize(curves, rect);
    if (picture.isEmpty() || rect.isEmpty()) return;
    const double sx = static_cast<double>(rect.width()) / picture.width();
    const double sy = static_cast<double>(rect.height()) / picture.height();
    painter.save();
    painter.translate(rect.topLeft());
    painter.fillRect(QRect(QPoint(0, 0), rect.size()), kBackground);
    painter.setRenderHint(QPainter::Antialiasing, true);

    // The zero line of the waveform the curves were measured on.
    const double middle = ((picture.height() - 20) / 2 + 10) * sy;
    painter.setPen(QPen(kZeroLine, 1, Qt::DashLine));
    painter.drawLine(QPointF(0, middle), QPointF(rect.width(), middle));

    // The measured envelope. The upper and lower curves are smoothed each on its own: one
    // spline out along the upper and back along the lower curve would loop where it turns.
    painter.setPen(QPen(kMeasured, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(SmoothPath(curves.upper, sx, sy));
    painter.drawPath(SmoothPath(curves.lower, sx, sy));
    const std::vector<SplinePoint> outline = Envelope::DrawingList(curves.upper, curves.lower);
    painter.setBrush(kMeasured);
    painter.setPen(Qt::NoPen);
    for (const SplinePoint& p : outline) painter.drawEllipse(QPointF(p.x * sx, p.y * sy), 1.5, 1.5);

    // The user's interpolation points and the curve through them.
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(kInterpolation, 2));
    painter.drawPath(SmoothPath(curves.interpolation, sx, sy));
    painter.setPen(QPen(kInterpolation, 1));
    for (const SplinePoint& p : curves.interpolation)
        painter.drawRect(QRectF(p.x * sx - 3, p.y * sy - 3, 6, 6));
    painter.restore();
}

SplinePoint EnvelopePicture::ToPicture(const QPoint& pos) const {
    const QSize picture = PictureSize(m_curves, rect());
    if (width() <= 0 || height() <= 0) return {};
    return {static_cast<int>(std::lround(static_cast<double>(pos.x()) * picture.width() / width())),
            static_cast<int>(std::lround(static_cast<double>(pos.y()) * picture.height() / height()))};
}

QPoint EnvelopePicture::ToWidget(const SplinePoint& p) const {
    const QSize picture = PictureSize(m_curves, rect());
    if (picture.isEmpty()) return {};
    return {static_cast<int>(std::lround(static_cast<double>(p.x) * width() / picture.width())),
            static_cast<int>(std::lround(static_cast<double>(p.y) * height() / picture.height()))};
}

int EnvelopePicture::HitPoint(const QPoint& pos) const {
    int best = -1;
    double bestDistance = kHitTolerance + 0.5;
    for (std::size_t i = 0; i < m_curves.interpolation.size(); ++i) {
        const QPoint w = ToWidget(m_curves.interpolation[i]);
        const double d = std::hypot(w.x() - pos.x(), w.y() - pos.y());
        if (d < bestDistance) {
            bestDistance = d;
            best = static_cast<int>(i);
        }
    }
    return best;
}

void EnvelopePicture::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    Draw(painter, rect(), m_curves);
}

void EnvelopePicture::mousePressEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    std::vector<SplinePoint>& points = m_curves.interpolation;
    if (event->button() == Qt::LeftButton) {
        if (HitPoint(pos) >= 0) return;
        if (m_curves.pictureSize.isEmpty()) m_curves.pictureSize = size();
        const SplinePoint p = ToPicture(pos);
        // In x order, so that the curve through them runs from left to right; a point on the
        // x of another would make the curve turn back, so it takes that point's place.
        const auto at =
            std::lower_bound(points.begin(), points.end(), p,
                             [](const SplinePoint& a, const SplinePoint& b) { return a.x < b.x; });
        if (at != points.end() && at->x == p.x)
            *at = p;
        else
            points.insert(at, p);
    } else if (event->button() == Qt::RightButton) {
        const int hit = HitPoint(pos);
        if (hit < 0) return;
        points.erase(points.begin() + hit);
    } else {
        return;
    }
    update();
    emit PointsChanged();
}
