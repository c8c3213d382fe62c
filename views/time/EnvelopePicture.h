#pragma once
// The picture of the envelope dialog: the measured upper and lower curves as smooth curves
// through their points, and the user's interpolation points joined by a smooth curve of their own.
// A left click sets an interpolation point where the user clicked (unless one is already
// there), a right click removes the one under the pointer. The picture is drawn scaled to the
// widget, and clicks are mapped back, so that a click lands on the picture where it was made
// at any size of the dialog.

#include <QWidget>

#include "views/time/EnvelopeCurves.h"

class EnvelopePicture : public QWidget {
    Q_OBJECT
public:
    static constexpr int kCtrlId = 1186;
    // How near (in screen pixels) a click has to be to hit an interpolation point.
    static constexpr int kHitTolerance = 6;

    explicit EnvelopePicture(EnvelopeCurves& curves, QWidget* parent = nullptr);

    // Draws the curves into rect, scaled from their picture size: on screen, into files and
    // onto the clipboard.
    static void Draw(QPainter& painter, const QRect& rect, const EnvelopeCurves& curves);

    // Picture coordinates of a widget position and back.
    SplinePoint ToPicture(const QPoint& widgetPos) const;
    QPoint ToWidget(const SplinePoint& picturePos) const;

    QSize sizeHint() const override { return {490, 390}; }

signals:
    void PointsChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    // The interpolation point within the hit tolerance of pos (nearest first), or -1.
    int HitPoint(const QPoint& pos) const;

    EnvelopeCurves& m_curves;
};
