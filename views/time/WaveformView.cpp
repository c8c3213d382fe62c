#include "views/time/WaveformView.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <limits>

#include "analysis/Envelope.h"
#include "document/IModuleFrame.h"
#include "document/SoundDocument.h"
#include "platform/StringTable.h"
#include "platform/UserInterface.h"
#include "settings/ProfileSettings.h"
#include "views/OffscreenSurface.h"
#include "views/common/ViewPicture.h"
#include "views/time/EnvelopeDialog.h"
#include "views/time/EnvelopePicture.h"

namespace {

constexpr int kMarkerHitDistance = 5;  // a double-click closer than this hits a marker

std::int64_t Even(std::int64_t v) {
    return v & ~std::int64_t{1};
}

// The pixel offset of a raw sample value from the middle line; half: the amplitude factor
// times half the plot height. Very large amplitude factors are held at the 16-bit range, far
// outside the plot.
int OffsetOf(int raw, int bits, std::int64_t half) {
    const std::int64_t offset = bits == 8 ? half * (raw - 128) / 128 : half * raw / 32768;
    return static_cast<int>(std::clamp<std::int64_t>(offset, std::numeric_limits<std::int16_t>::min(),
                                                     std::numeric_limits<std::int16_t>::max()));
}

const QColor kEnvelopeColor(255, 255, 0);  // the envelope between the markers
const QColor kEnvelopeFill(110, 0, 0);     // inside the envelope of the stretch ("envelope" mode)

}  // namespace

WaveformView::WaveformView(SoundDocument& doc, const ProfileSettings& settings, QWidget* parent)
    : QWidget(parent), m_doc(doc), m_settings(settings) {
    setFocusPolicy(Qt::ClickFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);  // the off-screen surface covers every pixel
    setMinimumSize(2 * kMargin + 2, 2 * kMargin + 2);
}

WaveformView::~WaveformView() = default;

void WaveformView::OnInitialUpdate() {
    ResetEnvelope(true);
    m_marker = {};
    m_penRed = QPen(QColor(255, 0, 0), 0);  // the trace: red, one pixel wide
    m_penBlue = QPen(QColor(0, 0, 255), 2);
    m_ampFactor = 1;
    m_horzFactor = 1;
    m_precision = 100;
    m_displayMode = kModeSamples;
    if (m_moduleFrame) {
        m_moduleFrame->SetControlInt(kCtrlModeSamples, 1);
        m_moduleFrame->SetControlInt(kCtrlModeEnvelope, 0);
    }
    m_redrawAll = true;
    m_traceValid = false;
    update();
}

void WaveformView::SetDisplayMode(int mode) {
    // The pixel mapping stays: the band and the envelope points remain valid in either mode.
    m_displayMode = mode == kModeEnvelope ? kModeEnvelope : kModeSamples;
    update();
}

void WaveformView::ResetEnvelope(bool curves) {
    m_upperEnvelope.clear();
    m_lowerEnvelope.clear();
    m_envelopeShown = false;
    if (!curves) return;
    m_curves.Clear();
    m_curvesData = nullptr;
    m_curvesBytes = 0;
    if (m_envelopeDlg) m_envelopeDlg->Picture()->update();
}

void WaveformView::OnUpdate(int hint) {
    if (hint != kHintRebuild) return;
    m_traceValid = false;  // the samples may have been replaced
    update();
}

void WaveformView::SetZoomWindow(const ZoomWindow& window) {
    m_zoomWindow = window;
    m_traceValid = false;
    update();
}

void WaveformView::ClearDragBand() {
    if (m_prev.x() != 0) update();
    m_bandStart = m_bandEnd = m_prev = QPoint();
    m_dragging = false;
}

void WaveformView::SetAmplitudeFactor(int factor) {
    m_ampFactor = std::max(1, factor);
    m_redrawAll = true;
    update();
}

void WaveformView::SetPrecision(int precision) {
    m_precision = std::max(1, precision);
    m_redrawAll = true;
    update();
}

WaveformView::Stretch WaveformView::VisibleSamples() const {
    const std::int64_t total = m_doc.SampleCount();
    const ZoomWindow& z = m_zoomWindow;
    if (total == 0) return {};
    // Until a stretch is marked in the overview the waveform shows the whole sound.
    if (z.plotWidth <= 0 || z.right <= z.left) return {0.0, static_cast<double>(Even(total))};
    // Positions outside the overview's plot stand for its ends.
    const auto sampleOf = [&](int x) {
        const std::int64_t px = std::clamp<std::int64_t>(x, 0, z.plotWidth);
        return Even(px * total / z.plotWidth);  // exact: a window counted in samples maps onto itself
    };
    return {static_cast<double>(sampleOf(z.left)), static_cast<double>(sampleOf(z.right))};
}

double WaveformView::SampleAtX(int x, const Stretch& stretch, int width) {
    if (width <= 2 * kMargin) return stretch.first;
    return (x - kMargin) * (stretch.last - stretch.first) / (width - 2 * kMargin) + stretch.first;
}

std::int64_t WaveformView::DrawStep(double first, double last, int width, int precision) {
    const int plot = width - 2 * kMargin;
    if (plot <= 0 || precision <= 0 || last <= first) return 1;
    return std::max<std::int64_t>(1, static_cast<std::int64_t>(std::ceil((last - first) / plot / precision)));
}

QRect WaveformView::DragBand() const {
    if (m_prev.x() == 0) return {};
    const int left = std::min(m_bandStart.x(), m_prev.x());
    const int right = std::max(m_bandStart.x(), m_prev.x());
    return QRect(left, kMargin, right - left, height() - 2 * kMargin);
}

void WaveformView::SyncDrawState() {
    // A new stretch in both ends, or a new size or factor, makes band and markers meaningless.
    const bool newWindow =
        m_zoomWindow.left != m_lastZoomWindow.left && m_zoomWindow.right != m_lastZoomWindow.right;
    if (newWindow || m_redrawAll) {
        if (!m_dragging) m_bandStart = m_bandEnd = m_prev = QPoint();
        // The envelope points are pixels of the old mapping.
        ResetEnvelope(false);
    }
    // The dialog's curves have a picture of their own and outlive a new size; they go with
    // the stretch they were measured on, and with the sound.
    const bool otherSound =
        m_curvesData && (m_curvesData != m_doc.WaveData() || m_curvesBytes != m_doc.WaveBytes());
    if (newWindow || m_doc.WaveBytes() < 10 || otherSound) ResetEnvelope(true);
    if (newWindow) m_marker = {};
    m_redrawAll = false;
    m_lastZoomWindow = m_zoomWindow;
}

const std::vector<QPoint>& WaveformView::Trace(const QRect& rect) {
    const int w = rect.width();
    const int h = rect.height();
    const Stretch s = VisibleSamples();
    TraceKey key{m_doc.WaveData(),
                 m_doc.WaveBytes(),
                 m_doc.BitsPerSample(),
                 s.first,
                 s.last,
                 DrawStep(s.first, s.last, w, m_precision),
                 w,
                 h,
                 m_ampFactor};
    if (m_traceValid && key == m_traceKey) return m_trace.Points();
    m_traceKey = key;
    m_traceValid = true;
    m_trace.Clear();
    const std::uint8_t* samples = m_doc.WaveData();
    const double span = s.last - s.first;
    if (!samples || span <= 0 || w <= 2 * kMargin || h <= 2 * kMargin) return m_trace.Finish();

    const int plotW = w - 2 * kMargin;
    const int plotH = h - 2 * kMargin;
    const std::int64_t half = static_cast<std::int64_t>(m_ampFactor) * plotH / 2;
    const int bits = m_doc.BitsPerSample();
    const auto first = static_cast<std::int64_t>(s.first);
    const auto last = static_cast<std::int64_t>(s.last);
    m_trace.Reserve(static_cast<std::size_t>(plotW) + 1);
    const std::int64_t bytesPerSample = bits == 8 ? 1 : 2;
    const std::int64_t ahead = 16 * key.step;  // long stretches are read sparsely: fetch ahead of use
    for (std::int64_t i = first; i < last; i += key.step) {
        if (i + ahead < last) __builtin_prefetch(samples + (i + ahead) * bytesPerSample);
        const int raw = RawSample(samples, bits, i);
        const int offset = OffsetOf(raw, bits, half);
        const int x = static_cast<int>(static_cast<double>(i - first) * plotW / span) + kMargin;
        const int y = plotH / 2 - offset + kMargin;
        m_trace.Add(x, y);
    }
    return m_trace.Finish();
}

int WaveformView::SampleOffset(std::int64_t sample, int height) const {
    const std::int64_t half = static_cast<std::int64_t>(m_ampFactor) * (height - 2 * kMargin) / 2;
    return OffsetOf(RawSample(m_doc.WaveData(), m_doc.BitsPerSample(), sample), m_doc.BitsPerSample(), half);
}

const std::vector<QPoint>& WaveformView::StretchEnvelope(const QRect& rect) {
    const Stretch s = VisibleSamples();
    const TraceKey key{
        m_doc.WaveData(), m_doc.WaveBytes(), m_doc.BitsPerSample(), s.first, s.last, 0, rect.width(),
        rect.height(),    m_ampFactor};
    if (m_stretchEnvelopeValid && key == m_stretchEnvelopeKey) return m_stretchEnvelope;
    m_stretchEnvelopeKey = key;
    m_stretchEnvelopeValid = true;
    m_stretchEnvelope.clear();
    if (!m_doc.WaveData() || s.last <= s.first) return m_stretchEnvelope;
    std::vector<SplinePoint> upper, lower;
    const int h = rect.height();
    Envelope::Scan([this, h](std::int64_t i) { return SampleOffset(i, h); },
                   static_cast<std::int64_t>(s.first), static_cast<std::int64_t>(s.last),
                   {s.first, s.last, rect.width(), h, kMargin}, upper, lower);
    for (const SplinePoint& p : Envelope::DrawingList(upper, lower)) m_stretchEnvelope.emplace_back(p.x, p.y);
    return m_stretchEnvelope;
}

void WaveformView::DrawEnvelopePoints(QPainter& painter) const {
    painter.save();
    painter.setPen(QPen(kEnvelopeColor, 1));
    for (const std::vector<SplinePoint>* points : {&m_upperEnvelope, &m_lowerEnvelope}) {
        QPolygon line;
        for (const SplinePoint& p : *points) {
            line << QPoint(p.x, p.y);
            painter.fillRect(QRect(p.x - 1, p.y - 1, 3, 3), kEnvelopeColor);
        }
        painter.drawPolyline(line);
    }
    painter.restore();
}

void WaveformView::OnDraw(QPainter& painter, const QRect& rect) {
    const int w = rect.width();
    const int h = rect.height();
    painter.save();
    painter.translate(rect.topLeft());

    // The plot area is not filled: it keeps the black of a fresh surface.
    static const std::vector<QPoint> kNoTrace;
    const bool envelopeMode = m_displayMode == kModeEnvelope && m_doc.WaveBytes() >= 2;
    const std::vector<QPoint>& trace = m_doc.WaveBytes() < 2 ? kNoTrace
                                       : envelopeMode        ? StretchEnvelope(QRect(0, 0, w, h))
                                                             : Trace(rect);
    if (envelopeMode && trace.size() > 1) {
        // The loudness of the stretch: the area between its upper and lower envelope.
        painter.save();
        painter.setPen(m_penRed);
        painter.setBrush(kEnvelopeFill);
        painter.drawPolygon(trace.data(), static_cast<int>(trace.size()));
        painter.restore();
    } else if (trace.size() > 1) {
        m_trace.Draw(painter, m_penRed.color(), QRect(0, 0, w, h));
    } else if (m_doc.WaveBytes() < 2 && !m_doc.IsListening()) {
        DrawNoSoundHint(painter, QRect(0, 0, w, h));
    }
    if (m_envelopeShown) DrawEnvelopePoints(painter);

    // The drag band, inverted.
    if (m_prev.x() != 0) {
        const int left = std::min(m_bandStart.x(), m_prev.x());
        const int right = std::max(m_bandStart.x(), m_prev.x());
        const QRect band(left, kMargin, right - left, h - 2 * kMargin);
        TraceBuilder::DrawBand(painter, band, trace);
    }

    // The markers.
    painter.setPen(m_penBlue);
    for (const QPoint& marker : m_marker)
        if (marker.x() != 0) painter.drawLine(marker.x(), 0, marker.x(), h);

    // The margins in the window colour.
    const QColor frame = palette().color(QPalette::Window);
    painter.fillRect(QRect(0, 0, kMargin + 1, h), frame);
    painter.fillRect(QRect(0, 0, w, kMargin), frame);
    painter.fillRect(QRect(w - kMargin, 0, kMargin, h), frame);
    painter.fillRect(QRect(0, h - kMargin + 1, w, kMargin - 1), frame);
    painter.restore();
}

void WaveformView::DrawNoSoundHint(QPainter& painter, const QRect& rect) const {
    // An empty black pane looks broken to someone who has just started the program: say how to fill it.
    const QRect plot = rect.adjusted(kMargin + 8, kMargin + 4, -kMargin - 8, -kMargin - 4);
    const QString hint = Str(kTextNoSound);
    const QRect needed = fontMetrics().boundingRect(plot, Qt::AlignCenter | Qt::TextWordWrap, hint);
    if (needed.height() > plot.height() || needed.width() > plot.width()) return;  // too small to be read
    painter.save();
    painter.setFont(font());
    painter.setPen(QColor(170, 170, 170));
    painter.drawText(plot, Qt::AlignCenter | Qt::TextWordWrap, hint);
    painter.restore();
}

void WaveformView::paintEvent(QPaintEvent*) {
    SyncDrawState();
    QPainter painter(this);
    OffscreenSurface mem(painter, rect());
    OnDraw(mem.Painter(), rect());
}

void WaveformView::resizeEvent(QResizeEvent* event) {
    // Markers are pixel positions: keep them on their samples in the new width.
    const int oldPlot = event->oldSize().width() - 2 * kMargin;
    const int newPlot = width() - 2 * kMargin;
    if (oldPlot > 0 && newPlot > 0 && oldPlot != newPlot) {
        for (QPoint& marker : m_marker)
            if (marker.x() != 0)
                marker.setX(kMargin + static_cast<int>(static_cast<std::int64_t>(marker.x() - kMargin) *
                                                       newPlot / oldPlot));
    }
    m_redrawAll = true;
    update();
}

int WaveformView::ClampToPlot(int x) const {
    return std::clamp(x, kMargin, std::max(kMargin, width() - kMargin));
}

void WaveformView::UpdateStrip(int x1, int x2) {
    const int left = std::min(x1, x2);
    update(QRect(left, 0, std::abs(x2 - x1) + 1, height()));
}

void WaveformView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QRect old = DragBand();
    if (!old.isEmpty()) update(old.adjusted(-1, 0, 1, 0));
    const QPoint p(ClampToPlot(event->position().toPoint().x()), event->position().toPoint().y());
    m_bandStart = p;
    m_bandEnd = QPoint();
    m_prev = p;
    m_dragging = true;
}

void WaveformView::mouseMoveEvent(QMouseEvent* event) {
    if (!m_dragging) return;  // the left button is held from press to release
    const QPoint p(ClampToPlot(event->position().toPoint().x()), event->position().toPoint().y());
    UpdateStrip(m_prev.x(), p.x());
    m_prev = p;
    if (m_moduleFrame) {
        const Stretch s = VisibleSamples();
        const auto now = static_cast<std::int64_t>(SampleAtX(p.x(), s, width()));
        const auto start = static_cast<std::int64_t>(SampleAtX(m_bandStart.x(), s, width()));
        const std::int64_t distance = std::abs(now - start);
        m_moduleFrame->SetControlInt(kCtrlSamples, static_cast<int>(std::min<std::int64_t>(
                                                       distance, std::numeric_limits<int>::max())));
    }
}

void WaveformView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !m_dragging) return;
    m_dragging = false;
    const QPoint p(ClampToPlot(event->position().toPoint().x()), event->position().toPoint().y());
    UpdateStrip(m_prev.x(), p.x());
    m_bandEnd = p;
    if (m_bandStart.x() > m_bandEnd.x()) std::swap(m_bandStart, m_bandEnd);
    m_prev = m_bandEnd;  // the band stays from start to end
    const Stretch s = VisibleSamples();
    if (s.last - s.first <= 0) return;
    std::int64_t first = static_cast<std::int64_t>(SampleAtX(m_bandStart.x(), s, width()));
    std::int64_t last = static_cast<std::int64_t>(SampleAtX(m_bandEnd.x(), s, width()));
    if (m_doc.BitsPerSample() == 16) {
        first = Even(first);
        last = Even(last);
    }
    // The band stays on screen while the document computes the selection's spectrum.
    m_doc.OnSelectionChanged(static_cast<std::uint32_t>(first), static_cast<std::uint32_t>(last));
}

void WaveformView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QPoint p(ClampToPlot(event->position().toPoint().x()), event->position().toPoint().y());
    QPoint& first = m_marker[0];
    QPoint& second = m_marker[1];
    const auto hit = [&](const QPoint& marker) {
        return marker.x() != 0 && std::abs(marker.x() - p.x()) < kMarkerHitDistance;
    };
    if (hit(first)) {
        first = QPoint();
    } else if (hit(second)) {
        second = QPoint();
    } else if (first.x() == 0) {
        first = p;
    } else if (second.x() == 0) {
        second = p;
    } else if (std::abs(first.x() - p.x()) < std::abs(second.x() - p.x())) {
        first = p;
    } else {
        second = p;  // the nearer one, the second on a tie
    }
    if (first.x() != 0 && second.x() != 0 && first.x() > second.x()) std::swap(first, second);
    update();
}

bool WaveformView::HasCommand(ViewCommand command) const {
    return command == ViewCommand::SaveView || command == ViewCommand::Copy;
}

void WaveformView::OnViewCommand(ViewCommand command) {
    const PaintRoutine paint = [this](QPainter& painter, const QRect& rect) { OnDraw(painter, rect); };
    if (command == ViewCommand::SaveView)
        SaveViewPicture(m_doc.Ui(), Str(StringId::SavesWaveView), PictureName(), size(), paint);
    else if (command == ViewCommand::Copy)
        CopyViewPicture(m_doc.Ui(), PictureName(), size(), paint);
}

void WaveformView::OnEditEnvelope() {
    const Stretch s = VisibleSamples();
    if (m_doc.WaveBytes() < 2 || s.last - s.first <= 0) return;
    if (m_marker[0].x() == 0 || m_marker[1].x() == 0) {
        m_doc.Ui().Message(kMsgSetMarkers, MessageIcon::Exclamation);
        return;
    }
    BusyCursor busy(m_doc.Ui());
    SyncDrawState();  // a reset still due must not throw the new envelope away
    const int w = width(), h = height();
    std::int64_t from = static_cast<std::int64_t>(SampleAtX(m_marker[0].x(), s, w));
    std::int64_t to = static_cast<std::int64_t>(SampleAtX(m_marker[1].x(), s, w));
    if (m_doc.BitsPerSample() == 16) {
        from = Even(from);
        to = Even(to);
    }
    const auto first = static_cast<std::int64_t>(s.first), last = static_cast<std::int64_t>(s.last);
    from = std::clamp(from, first, last);
    to = std::clamp(to, first, last);
    Envelope::Scan([this, h](std::int64_t i) { return SampleOffset(i, h); }, from, to,
                   {s.first, s.last, w, h, kMargin}, m_upperEnvelope, m_lowerEnvelope);
    m_envelopeShown = true;
    update();

    // Into the dialog's picture: the stretch from the first marker to the last point fills its width.
    if (m_curves.upper.empty() && m_curves.lower.empty()) {
        m_curves.pictureSize = size();
        m_curvesData = m_doc.WaveData();
        m_curvesBytes = m_doc.WaveBytes();
    }
    const double yScale = h > 0 ? static_cast<double>(m_curves.pictureSize.height()) / h : 1.0;
    const int origin = m_marker[0].x();
    Envelope::Merge(m_curves.upper,
                    Envelope::ToPicture(m_upperEnvelope, origin, m_curves.pictureSize.width(), yScale));
    Envelope::Merge(m_curves.lower,
                    Envelope::ToPicture(m_lowerEnvelope, origin, m_curves.pictureSize.width(), yScale));

    if (!m_envelopeDlg) {
        m_envelopeDlg = new EnvelopeDialog(m_curves, m_doc.Ui(), this);  // a child window: goes with the view
        connect(m_envelopeDlg, &EnvelopeDialog::EnvelopeDeleted, this, [this] {
            ResetEnvelope(true);
            update();
        });
    }
    m_envelopeDlg->ShowCurves();
}
