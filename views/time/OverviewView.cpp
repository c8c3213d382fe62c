#include "views/time/OverviewView.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <cmath>
#include <limits>

#include "document/IModuleFrame.h"
#include "document/SoundDocument.h"
#include "platform/StringTable.h"
#include "settings/ProfileSettings.h"
#include "views/OffscreenSurface.h"
#include "views/common/ModuleFrame.h"
#include "views/common/ViewPicture.h"
#include "views/time/WaveformView.h"

namespace {

enum class RulerUnit { Minutes, Seconds, Milliseconds };

// "m:ss", or "m:ss.mmm" in the finest unit.
QString RulerLabel(std::int64_t ms, RulerUnit unit) {
    const std::int64_t minutes = ms / 60000;
    const std::int64_t seconds = ms / 1000 % 60;
    QString text = QStringLiteral("%1:%2").arg(minutes).arg(seconds, 2, 10, QLatin1Char('0'));
    if (unit == RulerUnit::Milliseconds)
        text += QStringLiteral(".%1").arg(ms % 1000, 3, 10, QLatin1Char('0'));
    return text;
}

std::int64_t Even(std::int64_t v) {
    return v & ~std::int64_t{1};
}

}  // namespace

OverviewView::OverviewView(SoundDocument& doc, const ProfileSettings& settings, QWidget* parent)
    : QAbstractScrollArea(parent), m_doc(doc), m_settings(settings) {
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFocusPolicy(Qt::ClickFocus);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);  // the off-screen surface covers every pixel
    setMinimumHeight(kRuler + 2);
    m_playTimer.setInterval(60);
    connect(&m_playTimer, &QTimer::timeout, this, [this] { OnPlayTick(); });
}

OverviewView::~OverviewView() = default;

void OverviewView::OnInitialUpdate() {
    m_zoom = 1;
    m_vFactor = 1;
    m_liveTrace.Clear();
    m_nextX = kMargin;
    m_penRed = QPen(QColor(255, 0, 0), 0);  // the trace: red, one pixel wide
    m_traceValid = false;
    UpdateScrollRange();
    viewport()->update();
}

void OverviewView::OnUpdate(int hint) {
    viewport()->update();
    switch (hint) {
        case kHintSpectrum:
            if (m_doc.IsListening()) AppendLiveBlock();
            break;
        case kHintPlayStarted:
            m_playTimer.start();
            break;
        case kHintRebuild:
            m_playTimer.stop();
            // A new sound, format or listening state: the play position and the running trace start again.
            m_caretX = kMargin;
            m_liveTrace.Clear();
            m_nextX = kMargin;
            m_traceValid = false;
            break;
        case kHintRemoveWave:
            m_playTimer.stop();
            ClearMark();
            m_traceValid = false;
            // The count of the last drag belongs to the sound that goes: the next one starts with none.
            if (auto* frame = dynamic_cast<ModuleFrame*>(m_moduleFrame))
                if (auto* samples = qobject_cast<QLineEdit*>(frame->Control(kCtrlSamples))) samples->clear();
            break;
        case kHintChannelChosen:
            m_traceValid = false;
            break;
        default:
            break;
    }
}

int OverviewView::CanvasWidth() const {
    return m_zoom * viewport()->width();
}

int OverviewView::ScrollX() const {
    return horizontalScrollBar()->value();
}

void OverviewView::UpdateScrollRange() {
    const int client = viewport()->width();
    QScrollBar* bar = horizontalScrollBar();
    bar->setRange(0, std::max(0, CanvasWidth() - client));
    bar->setPageStep(std::max(1, client));
    bar->setSingleStep(std::max(1, client / 20));
}

void OverviewView::SetZoom(int zoom) {
    zoom = std::max(1, zoom);
    if (zoom == m_zoom) return;
    // The mark stays on its samples in the wider or narrower canvas.
    const std::int64_t oldPlot = CanvasWidth() - 2 * kMargin;
    const int oldScroll = ScrollX();
    m_zoom = zoom;
    const std::int64_t newPlot = CanvasWidth() - 2 * kMargin;
    if (oldPlot > 0 && newPlot > 0) {
        const auto scale = [&](int x) { return static_cast<int>(x * newPlot / oldPlot); };
        m_markStart.setX(scale(m_markStart.x()));
        m_markEnd.setX(scale(m_markEnd.x()));
        m_bandStartX = scale(m_bandStartX - kMargin) + kMargin;
        m_bandEndX = scale(m_bandEndX - kMargin) + kMargin;
        m_bandLastX = scale(m_bandLastX - kMargin) + kMargin;
        UpdateScrollRange();
        horizontalScrollBar()->setValue(scale(oldScroll));
    } else {
        UpdateScrollRange();
    }
    viewport()->update();
}

void OverviewView::SetVerticalFactor(int factor) {
    m_vFactor = std::max(1, factor);
    viewport()->update();
}

std::int64_t OverviewView::PlaybackSampleCount() const {
    // A reduced-rate playback copy counts its own samples; otherwise playback plays the sound itself.
    if (m_doc.PlaysReducedCopy() && m_doc.Player().Bits() >= 8)
        return m_doc.Player().Bytes() / (m_doc.Player().Bits() / 8);
    return m_doc.SampleCount();
}

// ---------------------------------------------------------------------------------------
// Drawing

const std::vector<QPoint>& OverviewView::Trace(int width, int height, int scroll) {
    const TraceKey key{
        m_doc.WaveData(), m_doc.WaveBytes(), m_doc.BitsPerSample(), width, height, m_zoom, m_vFactor, scroll};
    if (m_traceValid && key == m_traceKey) return m_trace.Points();
    m_traceKey = key;
    m_traceValid = true;
    m_trace.Clear();
    const std::uint8_t* samples = m_doc.WaveData();
    const std::int64_t total = m_doc.SampleCount();
    const int plot = m_zoom * width - 2 * kMargin;
    const int traceH = height - kRuler - 1;
    if (!samples || total == 0 || plot <= 0 || traceH <= 0) return m_trace.Finish();

    const double spp = static_cast<double>(total) / plot;  // samples per pixel
    const std::int64_t step = std::max<std::int64_t>(1, static_cast<std::int64_t>(spp / 100));
    const int mid = traceH / 2;
    const std::int64_t half = static_cast<std::int64_t>(m_vFactor) * traceH / 2;
    const int bits = m_doc.BitsPerSample();
    const std::int64_t from = std::max<std::int64_t>(0, static_cast<std::int64_t>((scroll - kMargin) * spp));
    const std::int64_t to =
        std::min(total, static_cast<std::int64_t>((static_cast<double>(scroll) + width) * spp));

    m_trace.Reserve(static_cast<std::size_t>(width));
    m_trace.Add(kMargin - scroll, mid + kRuler);  // the trace begins at the middle of the left margin
    const std::int64_t bytesPerSample = bits == 8 ? 1 : 2;
    const std::int64_t ahead = 16 * step;  // long sounds are read sparsely: fetch ahead of use
    for (std::int64_t i = from; i < to; i += step) {
        if (i + ahead < total) __builtin_prefetch(samples + (i + ahead) * bytesPerSample);
        const int raw = RawSample(samples, bits, i);
        std::int64_t offset = bits == 8 ? half * (raw - 128) / 128 : half * raw / 32768;
        // Very large factors are held at the 16-bit range, far outside the pane.
        offset = std::clamp<std::int64_t>(offset, std::numeric_limits<std::int16_t>::min(),
                                          std::numeric_limits<std::int16_t>::max());
        const int x = static_cast<int>(static_cast<double>(i) / spp) + kMargin - scroll;
        m_trace.Add(x, mid - static_cast<int>(offset) + kRuler);
    }
    return m_trace.Finish();
}

void OverviewView::OnDraw(QPainter& painter, const QRect& rect) {
    const int w = rect.width();
    const int h = rect.height();
    const int scroll = std::clamp(ScrollX(), 0, std::max(0, m_zoom * w - w));
    painter.save();
    painter.translate(rect.topLeft());

    static const std::vector<QPoint> kNoTrace;
    TraceBuilder* shown = m_doc.IsListening() ? &m_liveTrace : m_doc.WaveBytes() > 50 ? &m_trace : nullptr;
    const std::vector<QPoint>& trace = !shown                ? kNoTrace
                                       : m_doc.IsListening() ? m_liveTrace.Points()
                                                             : Trace(w, h, scroll);
    if (shown) shown->Draw(painter, m_penRed.color(), QRect(0, 0, w, h));

    if (m_bandShown) {
        const int left = std::min(m_bandStartX, m_bandEndX) - scroll;
        const int right = std::max(m_bandStartX, m_bandEndX) - scroll + 1;
        const QRect band(left, kRuler, right - left, h - kRuler);
        TraceBuilder::DrawBand(painter, band, trace);
    }

    // The frame: ruler band, the margins at both ends of the canvas and the bottom line.
    const QColor frame = palette().color(QPalette::Window);
    const int canvas = std::max(m_zoom * w, w);
    painter.fillRect(QRect(0, 0, w, kRuler), frame);
    painter.fillRect(QRect(-scroll, 0, kMargin + 1, h), frame);
    painter.fillRect(QRect(canvas - kMargin - scroll, 0, kMargin, h), frame);
    painter.fillRect(QRect(0, h - 1, w, 1), frame);

    if (m_doc.IsWaveLoaded()) DrawRuler(painter, w, scroll);
    painter.restore();
}

void OverviewView::DrawRuler(QPainter& painter, int width, int scroll) {
    const std::int64_t total = m_doc.SampleCount();
    const int rate = m_doc.SampleRate();
    const int plot = m_zoom * width - 2 * kMargin;
    if (total == 0 || rate <= 0 || plot <= 0) return;
    const double spp = static_cast<double>(total) / plot;
    const double pxPerMs = rate / spp / 1000.0;
    const double visibleSeconds = width * spp / rate;
    const RulerUnit unit = visibleSeconds > 300.0 ? RulerUnit::Minutes
                           : visibleSeconds > 5.0 ? RulerUnit::Seconds
                                                  : RulerUnit::Milliseconds;
    static const std::vector<std::int64_t> kMinuteSteps{60000,  120000,  300000, 600000,
                                                        900000, 1800000, 3600000};
    static const std::vector<std::int64_t> kSecondSteps{1000, 2000, 5000, 10000, 15000, 30000, 60000};
    static const std::vector<std::int64_t> kMsSteps{1, 2, 5, 10, 20, 50, 100, 200, 500, 1000};
    const std::vector<std::int64_t>& steps = unit == RulerUnit::Minutes   ? kMinuteSteps
                                             : unit == RulerUnit::Seconds ? kSecondSteps
                                                                          : kMsSteps;

    QFont font(QStringLiteral("Century Gothic"));
    font.setPixelSize(unit == RulerUnit::Milliseconds ? 13 : 14);
    const QFontMetrics metrics(font);
    const std::int64_t totalMs = static_cast<std::int64_t>(static_cast<double>(total) * 1000.0 / rate);
    const int labelSpace = metrics.horizontalAdvance(RulerLabel(totalMs, unit)) + 12;
    // The finest step whose labels do not run into each other.
    std::int64_t step = steps.back();
    for (std::int64_t s : steps) {
        if (s * pxPerMs >= labelSpace) {
            step = s;
            break;
        }
    }
    while (step * pxPerMs < labelSpace) step *= 2;
    const std::int64_t minor = step % 5 == 0 ? step / 5 : step % 2 == 0 ? step / 2 : step;
    const bool drawMinor = minor < step && minor * pxPerMs >= 4.0;
    const std::int64_t tick = drawMinor ? minor : step;

    const auto xOf = [&](std::int64_t ms) {
        return static_cast<int>(std::lround(ms * pxPerMs)) + kMargin - scroll;
    };
    const std::int64_t fromMs =
        std::max<std::int64_t>(0, static_cast<std::int64_t>((scroll - kMargin) / pxPerMs));
    const std::int64_t toMs = std::min(totalMs, static_cast<std::int64_t>((scroll + width) / pxPerMs) + 1);

    painter.save();
    painter.setFont(font);
    painter.setPen(QPen(palette().color(QPalette::WindowText), 1));
    for (std::int64_t t = fromMs / tick * tick; t <= toMs; t += tick) {
        const int x = xOf(t);
        const bool major = t % step == 0;
        painter.drawLine(x, kRuler - (major ? 7 : 3), x, kRuler - 1);
        if (!major) continue;
        // A label that would run off the pane is left out.
        const QString label = RulerLabel(t, unit);
        if (x + 3 + metrics.horizontalAdvance(label) <= width - kMargin)
            painter.drawText(QPoint(x + 3, kRuler - 5), label);
    }
    painter.restore();
}

void OverviewView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    const QRect r = viewport()->rect();
    OffscreenSurface mem(painter, r);
    OnDraw(mem.Painter(), r);
    // The play position, as an inverting caret below the ruler.
    if (m_doc.IsWaveLoaded())
        OffscreenSurface::InvertRect(mem.Painter(), QRect(m_caretX, kRuler, 1, r.height() - kRuler - 1));
}

void OverviewView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    // Marks are canvas pixels of the old width; a new height changes nothing they stand for.
    if (event->oldSize().width() != event->size().width()) ClearMark();
    UpdateScrollRange();
    viewport()->update();
}

void OverviewView::scrollContentsBy(int, int) {
    viewport()->update();
}

// ---------------------------------------------------------------------------------------
// Marking

int OverviewView::CanvasXAt(int clientX) const {
    return std::clamp(clientX + ScrollX(), kMargin, std::max(kMargin, CanvasWidth() - kMargin));
}

void OverviewView::UpdateBand(int canvasX1, int canvasX2) {
    const int left = std::min(canvasX1, canvasX2) - ScrollX();
    viewport()->update(QRect(left - 1, 0, std::abs(canvasX2 - canvasX1) + 3, viewport()->height()));
}

void OverviewView::ClearMark() {
    if (m_bandShown) UpdateBand(m_bandStartX, m_bandEndX);
    m_markStart = m_markEnd = QPoint();
    m_bandStartX = m_bandEndX = m_bandLastX = 0;
    m_bandShown = false;
    m_marking = false;
    if (m_waveView) {
        m_waveView->SetZoomWindow({});
        m_waveView->ClearDragBand();
    }
    m_doc.SetSelection(0, 0);
}

void OverviewView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    ClearMark();
    const QPoint pos = event->position().toPoint();
    const int canvasX = CanvasXAt(pos.x());
    m_markStart = QPoint(canvasX - kMargin, pos.y());
    m_bandStartX = m_bandEndX = m_bandLastX = canvasX;
    m_bandShown = true;
    m_marking = true;
    UpdateBand(m_caretX + ScrollX(), canvasX);
    m_caretX = canvasX - ScrollX();
    if (m_moduleFrame) m_moduleFrame->SetControlInt(kCtrlSamples, 0);
    // The play position follows the click, also while the sound plays.
    const std::int64_t plot = CanvasWidth() - 2 * kMargin;
    if (m_doc.IsWaveLoaded() && plot > 0)
        m_doc.SetPlayPosition(static_cast<std::uint32_t>(static_cast<std::int64_t>(m_doc.Player().Bytes()) *
                                                         m_markStart.x() / plot));
}

void OverviewView::OnPlayTick() {
    std::uint32_t cursor = 0;
    const bool playing = m_doc.PlaybackTick(&cursor);
    const std::int64_t plot = CanvasWidth() - 2 * kMargin;
    const int oldCaret = m_caretX;
    if (m_doc.Player().Bytes() > 0 && plot > 0) {
        int x = static_cast<int>(static_cast<double>(cursor) / m_doc.Player().Bytes() * plot - ScrollX()) +
                kMargin;
        if (x < kMargin) {
            horizontalScrollBar()->setValue(0);
            x = static_cast<int>(static_cast<double>(cursor) / m_doc.Player().Bytes() * plot) + kMargin;
        } else if (x > viewport()->width()) {
            // The view turns one client width further, as a page of music is turned.
            horizontalScrollBar()->setValue(ScrollX() + viewport()->width());
            x -= viewport()->width();
        }
        m_caretX = x;
    }
    viewport()->update(
        QRect(std::min(oldCaret, m_caretX) - 2, 0, std::abs(oldCaret - m_caretX) + 5, viewport()->height()));
    if (!playing) m_playTimer.stop();
}

void OverviewView::mouseMoveEvent(QMouseEvent* event) {
    if (!m_marking) return;  // the left button is held from press to release
    const int canvasX = CanvasXAt(event->position().toPoint().x());
    UpdateBand(m_bandLastX, canvasX);
    UpdateBand(m_caretX + ScrollX(), m_caretX + ScrollX());
    m_bandLastX = m_bandEndX = canvasX;
    m_caretX = canvasX - ScrollX();
}

void OverviewView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !m_marking) return;
    m_marking = false;
    const QPoint pos = event->position().toPoint();
    const int canvasX = CanvasXAt(pos.x());
    UpdateBand(m_bandLastX, canvasX);
    m_bandLastX = m_bandEndX = canvasX;
    m_markEnd = QPoint(canvasX - kMargin, pos.y());
    if (m_markStart.x() > m_markEnd.x()) std::swap(m_markStart, m_markEnd);
    if (m_bandStartX > m_bandEndX) std::swap(m_bandStartX, m_bandEndX);
    ApplyMark();
}

void OverviewView::ApplyMark() {
    const std::int64_t plot = CanvasWidth() - 2 * kMargin;
    if (m_waveView) {
        m_waveView->SetZoomWindow({m_markStart.x(), m_markStart.y(), m_markEnd.x(), m_markEnd.y(),
                                   std::max<std::int64_t>(plot, 0)});
        m_waveView->ClearDragBand();
    }
    if (plot <= 0) {
        m_doc.SetSelection(0, 0);
        return;
    }
    const std::int64_t total = m_doc.SampleCount();
    const std::int64_t played = PlaybackSampleCount();
    const std::int64_t first = m_markStart.x() * total / plot;
    const std::int64_t last = m_markEnd.x() * total / plot;
    ApplySelection(first, last, m_markStart.x() * played / plot, m_markEnd.x() * played / plot);
}

void OverviewView::ApplySelection(std::int64_t first, std::int64_t last, std::int64_t firstp,
                                  std::int64_t lastp) {
    if (m_doc.BitsPerSample() == 16) {
        first = Even(first);
        last = Even(last);
    }
    if (last - first >= kMinSelection) {
        if (m_settings.IsKidsMode())
            m_doc.OnSelectionChanged(static_cast<std::uint32_t>(first), static_cast<std::uint32_t>(last));
        m_doc.SetSelection(static_cast<std::uint32_t>(firstp), static_cast<std::uint32_t>(lastp));
    } else {
        m_doc.SetSelection(0, 0);
    }
}

void OverviewView::MarkSamples(std::uint32_t first, std::uint32_t last) {
    ClearMark();
    const std::int64_t total = m_doc.SampleCount();
    const std::int64_t plot = CanvasWidth() - 2 * kMargin;
    if (total == 0 || plot <= 0) return;
    const std::int64_t to = std::min<std::int64_t>(last, total);
    const std::int64_t from = std::min<std::int64_t>(first, to);
    m_markStart = QPoint(static_cast<int>(from * plot / total), 0);
    m_markEnd = QPoint(static_cast<int>(to * plot / total), viewport()->height());
    m_bandStartX = m_markStart.x() + kMargin;
    m_bandEndX = m_bandLastX = m_markEnd.x() + kMargin;
    m_bandShown = true;
    UpdateBand(m_bandStartX, m_bandEndX);
    // The waveform gets the exact stretch: its window counts in samples of the whole sound.
    if (m_waveView) {
        m_waveView->SetZoomWindow(
            {static_cast<int>(std::min<std::int64_t>(from, std::numeric_limits<int>::max())), 0,
             static_cast<int>(std::min<std::int64_t>(to, std::numeric_limits<int>::max())), 0, total});
        m_waveView->ClearDragBand();
    }
    const std::int64_t played = PlaybackSampleCount();
    ApplySelection(from, to, from * played / total, to * played / total);
}

// ---------------------------------------------------------------------------------------
// Listening

void OverviewView::AppendLiveBlock() {
    const std::vector<double>& block = m_doc.SelectedSamples();
    const double full = m_doc.FullScale();
    if (block.size() <= 1 || full <= 0.0) return;
    const int k = m_doc.BitsPerSample() == 16 ? 2 : 1;
    const int h = viewport()->height();
    const int w = viewport()->width();
    int x = m_nextX;
    for (std::size_t i = 0; i < block.size(); i += 10) {
        const int advance = static_cast<int>(i / 1000);  // one pixel per 1000 samples
        x = m_nextX + advance;
        if (x >= w - 12) {
            // The sweep starts again at the left.
            m_liveTrace.Clear();
            m_nextX = kMargin - advance;
            x = kMargin;
        }
        const int y = static_cast<int>((full - block[i]) * (h - kRuler - 1) / full / k) + kRuler;
        m_liveTrace.Add(x, y);
    }
    m_liveTrace.Finish();
    m_nextX = x;
}

bool OverviewView::HasCommand(ViewCommand command) const {
    return command == ViewCommand::SaveView || command == ViewCommand::Copy;
}

void OverviewView::OnViewCommand(ViewCommand command) {
    const PaintRoutine paint = [this](QPainter& painter, const QRect& rect) { OnDraw(painter, rect); };
    const QSize size = viewport()->size();
    if (command == ViewCommand::SaveView)
        SaveViewPicture(m_doc.Ui(), Str(StringId::SavesWaveView), WaveformView::PictureName(), size, paint);
    else if (command == ViewCommand::Copy)
        CopyViewPicture(m_doc.Ui(), WaveformView::PictureName(), size, paint);
}
