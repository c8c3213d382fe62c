#include "views/nonlinear/LyapunovPlots.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <limits>

#include "analysis/PlateauFit.h"
#include "platform/StringTable.h"
#include "views/common/ViewFont.h"

namespace {

constexpr int kTitleMaxLyap = 61516, kTextS = 61517, kTextIterations = 61518, kTitleSpectrum = 61519,
              kTitleCorrDim = 61520, kTextRadii = 61521, kTextEmbedding = 61522, kTextKaplanYorke = 61534,
              kTextMeanRadius = 64200;

const QColor kRed(255, 0, 0), kBlue(0, 0, 255), kGreen(0, 160, 0), kBlack(0, 0, 0);
const QColor kCurveColours[] = {
    kRed, kBlue, kGreen, QColor(200, 120, 0), QColor(160, 0, 160), QColor(0, 150, 150)};

void TextAt(QPainter& painter, int x, int y, const QString& text) {
    painter.drawText(QRect(x, y, 1000, 100), Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, text);
}

// Text turned by 90 degrees, read from bottom to top, its top left corner at (x, y).
void TurnedText(QPainter& painter, int x, int y, const QString& text) {
    painter.save();
    painter.translate(x, y);
    painter.rotate(-90);
    painter.drawText(QRect(-500, 0, 1000, 100), Qt::AlignHCenter | Qt::AlignTop | Qt::TextDontClip, text);
    painter.restore();
}

void Title(QPainter& painter, const QRect& rect, const QString& text) {
    painter.drawText(rect.adjusted(0, 2, -6, 0), Qt::AlignRight | Qt::AlignTop, text);
}

constexpr int kLabelGap = 8;  // the least free room between two neighbouring axis labels, in pixels

// The caption of an x axis, centred under it across the width W; the tick labels that would
// run into it (they share its line in part) or out of the diagram are left out.
class AxisCaption {
public:
    AxisCaption(QPainter& painter, int W, int H, const QString& text)
        : m_metrics(painter.font()), m_width(W) {
        const int width = m_metrics.horizontalAdvance(text);
        m_from = (W - width) / 2;
        m_to = m_from + width;
        painter.drawText(QRect(0, H - 18, W, 18), Qt::AlignHCenter | Qt::AlignTop, text);
    }
    bool LeavesRoomFor(int x, const QString& label) const {
        const int end = x + m_metrics.horizontalAdvance(label);
        return end <= m_width && (end + kLabelGap / 2 <= m_from || x >= m_to + kLabelGap / 2);
    }

private:
    QFontMetrics m_metrics;
    int m_width;
    int m_from = 0, m_to = 0;
};

// The smallest step of base x 1, 2, 5, 10, 20, 50, ... units at which labels pixelsPerUnit apart
// per unit leave room for the widest of them, so that no two labels run into each other.
long long LabelStep(long long base, double pixelsPerUnit, int widestLabel) {
    const double room = widestLabel + kLabelGap;
    if (!(pixelsPerUnit > 0.0)) return std::numeric_limits<int>::max();
    for (long long decade = std::max(base, 1ll); decade < (1ll << 50); decade *= 10)
        for (const long long factor : {1, 2, 5})
            if (static_cast<double>(decade * factor) * pixelsPerUnit >= room) return decade * factor;
    return std::numeric_limits<int>::max();
}

}  // namespace

QString LyapunovPlots::CutNumber(double value, int digits, int width) {
    if (!std::isfinite(value)) return QStringLiteral("-");
    QString text = QString::number(value, 'g', digits);
    if (text.contains(u'e')) text = QString::number(value, 'f', digits);
    if (!text.contains(u'.') && text.size() < width) text += u'.';
    while (text.size() < width) text += u'0';
    return text.left(width);
}

// ---------------------------------------------------------------------------------------------
// Largest exponent

static double Deepest(const MaxLyapResult& r) {
    double a = 0.0;
    for (unsigned e = 0; e < r.epsDone; ++e)
        for (unsigned d = r.mindim - 2; d <= r.maxdim - 2; ++d)
            for (unsigned i = 0; i <= r.maxiter; ++i)
                if (r.HasValue(e, d, i)) a = std::min(a, r.Value(e, d, i));
    return std::fabs(a);
}

double LyapunovPlots::MaxLyapXScale(const QRect& rect, const MaxLyapResult& r) {
    // Fractions of a pixel per iteration, so that many iterations still spread over the width.
    return std::max(0.0, static_cast<double>(rect.width() - 40) / (static_cast<double>(r.maxiter) + 1.0));
}

double LyapunovPlots::MaxLyapYScale(const QRect& rect, const MaxLyapResult& r) {
    const double a = Deepest(r);
    return a > 0.0 ? (rect.height() - 30) / a : 1.0;
}

void LyapunovPlots::DrawMaxLyapunovPlot(QPainter& painter, const QRect& rect, const MaxLyapResult& r) {
    painter.save();
    const int W = rect.width(), H = rect.height();
    painter.translate(rect.topLeft());
    painter.setClipRect(QRect(0, 0, W, H), Qt::IntersectClip);  // wide swings stay inside the diagram
    painter.fillRect(QRect(0, 0, W, H), Qt::white);
    painter.setFont(ViewFont(16));
    painter.setPen(kBlack);
    Title(painter, QRect(0, 0, W, H), Str(kTitleMaxLyap));
    const double A = Deepest(r);
    const double xs = MaxLyapXScale(rect, r), ys = MaxLyapYScale(rect, r);
    const QFontMetrics metrics(painter.font());
    painter.drawLine(40, 5, 40, H - 25);
    TurnedText(painter, 4, H / 2, Str(kTextS));
    // The turned labels of S take their width along the axis.
    const long long sStep = LabelStep(
        1, ys, metrics.horizontalAdvance(QStringLiteral("-") + QString::number(static_cast<int>(4 * A) + 1)));
    for (long long k = 1; A > 0.0 && k * ys < H - 30 && k < 4 * A; ++k) {
        const int y = static_cast<int>(static_cast<double>(k) * ys);
        painter.drawLine(40, y, 36, y);
        if (k % sStep == 0) TurnedText(painter, 22, y, QStringLiteral("-") + QString::number(k));
    }
    painter.drawLine(5, H - 30, W - 5, H - 30);
    const AxisCaption caption(painter, W, H, Str(kTextIterations));
    // A tick every 10 iterations while they stay apart; labels as far apart as their width needs.
    const long long labelStep = LabelStep(10, xs, metrics.horizontalAdvance(QString::number(r.maxiter)));
    const long long tickStep = 10 * xs >= 4.0 ? 10 : labelStep;
    for (long long k = 0; k <= r.maxiter; k += tickStep) {
        const int x = static_cast<int>(static_cast<double>(k) * xs + 40);
        painter.drawLine(x, H - 30, x, H - 26);
        const QString label = QString::number(k);
        if (k % labelStep == 0 && caption.LeavesRoomFor(x - 3, label)) TextAt(painter, x - 3, H - 28, label);
    }
    for (unsigned e = 0; e < r.epsDone; ++e)
        for (unsigned d = r.mindim - 2; d <= r.maxdim - 2; ++d) {
            painter.setPen(QPen(d == r.mindim - 2 ? kRed : d == r.mindim - 1 ? kBlue : kGreen, 1));
            // An iteration without neighbours has no value: the curve has a gap there.
            QPoint from(40, H - 30);
            bool joined = true;
            for (unsigned j = 0; j < r.maxiter; ++j) {
                if (!r.HasValue(e, d, j + 1)) {
                    joined = false;
                    continue;
                }
                const QPoint to(static_cast<int>(j * xs + 40),
                                static_cast<int>(std::fabs(r.Value(e, d, j + 1)) * ys));
                if (joined) painter.drawLine(from, to);
                from = to;
                joined = true;
            }
        }
    painter.restore();
}

// ---------------------------------------------------------------------------------------------
// Spectrum

QString LyapunovPlots::KaplanYorkeText(const LyapSpectrumResult& r, double unitsPerSample) {
    return Str(kTextKaplanYorke).arg(CutNumber(r.kaplanYorke, 4, 5), CutNumber(r.meanNeighbours, 4, 5)) +
           u'\n' + Str(kTextMeanRadius).arg(QString::number(r.meanRadius * unitsPerSample, 'g', 4));
}

void LyapunovPlots::DrawSpectrumPlot(QPainter& painter, const QRect& rect, const LyapSpectrumResult& r,
                                     std::size_t rowsDone, const QString& text) {
    painter.save();
    const int W = rect.width(), H = rect.height();
    painter.translate(rect.topLeft());
    painter.setClipRect(QRect(0, 0, W, H), Qt::IntersectClip);  // wide swings stay inside the diagram
    painter.fillRect(QRect(0, 0, W, H), Qt::white);
    painter.setFont(ViewFont(16));
    painter.setPen(kBlack);
    Title(painter, QRect(0, 0, W, H), Str(kTitleSpectrum));
    rowsDone = std::min(rowsDone, r.RowCount());
    const unsigned D = r.dimension;
    const double iterations =
        std::max(1.0, static_cast<double>(std::max<std::size_t>(r.iterations, rowsDone)));
    const double xs = (W - 40) / iterations;
    // The first rows swing widely; they are drawn but do not set the scale.
    double lo = 0.0, hi = 0.0;
    bool any = false;
    for (std::size_t row = std::min<std::size_t>(20, rowsDone); row < rowsDone; ++row)
        for (unsigned i = 0; i < D; ++i) {
            const double v = r.Exponent(row, i);
            if (!std::isfinite(v)) continue;
            lo = any ? std::min(lo, v) : v;
            hi = any ? std::max(hi, v) : v;
            any = true;
        }
    lo = std::min(lo, 0.0);
    hi = std::max(hi, 0.0);
    if (hi - lo <= 0.0) hi = lo + 1.0;
    const double ys = (H - 70) / (hi - lo);
    const int top = 40;
    auto yOf = [&](double v) {
        return static_cast<int>(top + (hi - std::clamp(v, lo - (hi - lo), hi + (hi - lo))) * ys);
    };
    // Axes: exponent zero and the iterations.
    painter.drawLine(40, top - 5, 40, H - 25);
    painter.drawLine(40, yOf(0.0), W - 5, yOf(0.0));
    painter.drawLine(40, H - 30, W - 5, H - 30);
    const AxisCaption caption(painter, W, H, Str(kTextIterations));
    // The ends of the scale are labelled where they stand clear of the zero label.
    const QFontMetrics metrics(painter.font());
    TextAt(painter, 4, yOf(0.0) - 8, QStringLiteral("0"));
    if (std::abs(yOf(hi) - yOf(0.0)) >= metrics.height())
        TextAt(painter, 2, yOf(hi) - 8, CutNumber(hi, 3, 5));
    if (std::abs(yOf(lo) - yOf(0.0)) >= metrics.height())
        TextAt(painter, 2, yOf(lo) - 8, CutNumber(lo, 3, 5));
    long long step = static_cast<long long>(iterations / 5) / 100 * 100;
    if (step <= 0) step = std::max(1ll, static_cast<long long>(iterations / 5));
    const int widest = metrics.horizontalAdvance(QString::number(static_cast<long long>(iterations)));
    if (static_cast<double>(step) * xs < widest + kLabelGap) step = LabelStep(1, xs, widest);
    for (long long k = 0; k <= iterations; k += step) {
        const int x = static_cast<int>(k * xs + 40);
        painter.drawLine(x, H - 30, x, H - 26);
        const QString label = QString::number(k);
        if (caption.LeavesRoomFor(x - 3, label)) TextAt(painter, x - 3, H - 28, label);
    }
    for (unsigned i = 0; i < D; ++i) {
        painter.setPen(QPen(kCurveColours[i % std::size(kCurveColours)], 1));
        QPolygon line;
        for (std::size_t row = 0; row < rowsDone; ++row)
            line << QPoint(static_cast<int>(row * xs + 40), yOf(r.Exponent(row, i)));
        painter.drawPolyline(line);
    }
    if (!text.isEmpty()) {
        painter.setPen(kBlack);
        painter.drawText(QRect(0, 2, W, 60), Qt::AlignHCenter | Qt::AlignTop, text);
    }
    painter.restore();
}

// ---------------------------------------------------------------------------------------------
// Correlation dimension

namespace {

constexpr double kLowestRadius = 1e-4;  // the left end of the radius axis

double Scale(const QRect& rect) {
    return (rect.width() - 45) / std::fabs(std::log(kLowestRadius));
}

}  // namespace

int LyapunovPlots::CorrDimSlopeBottom(const QRect& rect, int fitFrom, int fitTo) {
    // Below the slopes: the radius labels and the axis caption (and with a fit, the plateaus).
    return fitFrom < fitTo ? rect.height() / 2 : rect.height() - 42;
}

double LyapunovPlots::CorrDimX(const QRect& rect, double radius) {
    // Radius 1 at the right end, 0.0001 on the y axis.
    return (rect.width() - 5) - std::fabs(std::log(radius)) * Scale(rect);
}

std::vector<double> LyapunovPlots::Plateaus(const QRect& rect, const CorrDimResult& r, int fitFrom,
                                            int fitTo) {
    std::vector<double> plateaus;
    if (!(fitFrom < fitTo)) return plateaus;
    for (const auto& curve : r.curves) {
        std::vector<double> slopes;
        for (const CorrDimPoint& p : curve) {
            if (!p.hasSlope || !(p.radius > 0.0) || std::fabs(p.slope) >= 1e50) continue;
            const double x = CorrDimX(rect, p.radius);
            if (x > fitFrom && x < fitTo) slopes.push_back(p.slope);
        }
        plateaus.push_back(FitPlateau(slopes));
    }
    return plateaus;
}

std::vector<double> LyapunovPlots::DrawCorrDimPlot(QPainter& painter, const QRect& rect,
                                                   const CorrDimResult& r, int fitFrom, int fitTo) {
    painter.save();
    const int W = rect.width(), H = rect.height();
    painter.translate(rect.topLeft());
    painter.setClipRect(QRect(0, 0, W, H), Qt::IntersectClip);  // wide swings stay inside the diagram
    const QRect local(0, 0, W, H);
    painter.fillRect(local, Qt::white);
    painter.setFont(ViewFont(16));
    painter.setPen(kBlack);
    Title(painter, local, Str(kTitleCorrDim));
    // The slopes 0 .. 7 over the radius; they share the area with the plateaus once a fit range
    // is set, and have all of it before.
    const std::vector<double> plateaus = Plateaus(local, r, fitFrom, fitTo);
    const int half = CorrDimSlopeBottom(local, fitFrom, fitTo);
    const double sy = (half - 20) / 7.0;
    auto yOfSlope = [&](double s) { return static_cast<int>(half - s * sy); };
    painter.drawLine(40, 5, 40, half);
    painter.drawLine(40, half, W - 5, half);
    TurnedText(painter, 4, half / 2, Str(kTitleCorrDim));
    for (int k = 1; k <= 6; ++k) {
        painter.drawLine(36, yOfSlope(k), 40, yOfSlope(k));
        TextAt(painter, 24, yOfSlope(k) - 8, QString::number(k));
    }
    const QFontMetrics metrics(painter.font());
    int labelsEnd = 40;  // a label that would run into the one before it is left out
    for (double decade : {0.0001, 0.001, 0.01, 0.1}) {
        for (int m = 1; m <= 10; ++m) {
            const int x = static_cast<int>(CorrDimX(local, decade * m));
            if (x <= 40) continue;
            painter.drawLine(x, half, x, half + (m == 1 || m == 10 ? 6 : 3));
            if (m != 10) continue;
            const QString label = QString::number(decade * 10, 'g', 3).replace(u'.', u',');
            if (x - 12 < labelsEnd + kLabelGap) continue;
            TextAt(painter, x - 12, half + 6, label);
            labelsEnd = x - 12 + metrics.horizontalAdvance(label);
        }
    }
    painter.drawText(QRect(40, half + 22, W - 45, 20), Qt::AlignHCenter | Qt::AlignTop, Str(kTextRadii));
    painter.save();
    // Slopes above the axis (it ends at 7) would run through the title.
    painter.setClipRect(QRect(41, yOfSlope(7.0), W - 41, half - yOfSlope(7.0)), Qt::IntersectClip);
    for (std::size_t d = 0; d < r.curves.size(); ++d) {
        painter.setPen(QPen(kCurveColours[d % 3], 1));
        // A radius without a slope leaves a gap in the curve.
        QPolygon line;
        for (const CorrDimPoint& p : r.curves[d]) {
            if (!p.hasSlope || std::fabs(p.slope) >= 1e50 || !(p.radius > 0.0) ||
                std::fabs(p.radius) >= 1e50) {
                painter.drawPolyline(line);
                line.clear();
                continue;
            }
            line << QPoint(static_cast<int>(CorrDimX(local, p.radius)), yOfSlope(p.slope));
        }
        painter.drawPolyline(line);
    }
    painter.restore();
    // Lower half: the fitted plateau against the embedding dimension.
    if (!plateaus.empty()) {
        const int m = static_cast<int>(r.curves.size());
        painter.setPen(kBlack);
        painter.drawLine(40, H - 30, W - 5, H - 30);
        const AxisCaption caption(painter, W, H, Str(kTextEmbedding));
        QPoint previous;
        bool havePrevious = false;
        double largest = -std::numeric_limits<double>::infinity();
        for (int d = 0; d < m; ++d) {
            const int x = (d + 1) * (W - 40) / m + 40 - (W - 40) / (2 * m);
            painter.setPen(kBlack);
            painter.drawLine(x, H - 30, x, H - 26);
            if (const QString label = QString::number(d + 1); caption.LeavesRoomFor(x - 4, label))
                TextAt(painter, x - 4, H - 28, label);
            if (!std::isfinite(plateaus[d])) continue;
            const QPoint mark(x, static_cast<int>((H - 30) - plateaus[d] * (H - 30) / 14.0));
            painter.setPen(QPen(kBlue, 1));
            painter.drawEllipse(mark, 3, 3);
            if (havePrevious) painter.drawLine(previous, mark);
            painter.setPen(kBlack);
            TextAt(painter, mark.x() - 20, mark.y() - 20, CutNumber(plateaus[d], 10, 6));
            previous = mark;
            havePrevious = true;
            largest = std::max(largest, plateaus[d]);
        }
        if (std::isfinite(largest)) {
            const int y = static_cast<int>((H - 30) - largest * (H - 30) / 14.0);
            painter.setPen(QPen(kRed, 1, Qt::DashLine));
            painter.drawLine(40, y, W - 5, y);
        }
    }
    painter.restore();
    return plateaus;
}
