#include "views/spectral/FftView.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPolygon>
#include <array>
#include <cmath>

#include "analysis/BetaSpline.h"
#include "analysis/MusicalNote.h"
#include "document/IModuleFrame.h"
#include "document/SoundDocument.h"
#include "platform/StringTable.h"
#include "platform/UserInterface.h"
#include "settings/ProfileSettings.h"
#include "views/common/LabelFormat.h"
#include "views/common/ViewFont.h"
#include "views/common/ViewPicture.h"
#include "views/spectral/FftExport.h"

namespace {

constexpr int kLeft = 20;         // width of the amplitude axis strip
constexpr int kPianoHeight = 28;  // the piano strip at the top
constexpr int kToneStrip = 20;    // dragging here plays short tones
constexpr int kClickToneMs = 400;
constexpr int kDragToneMs = 50;
constexpr int kTitleSave = 61557;
constexpr int kTextPiano = 61513;
constexpr int kTextFrequency = 61514;
constexpr int kTextAmplitude = 61515;
constexpr int kMsgExported = 61472;
constexpr int kMsgNoClipboard = 61579;
constexpr int kTextCents = 63700;
constexpr int kTextSpectrumCut = 62103;
constexpr int kMsgNothingToExport = 63701;
// The upper end a linear amplitude axis starts with: a loud sound (peaks a few dB below full
// scale) reaches the top.
constexpr int kLinearUpperDb = -3;

const QColor kBackground(0, 0, 0);
const QColor kWhite(255, 255, 255);
const QColor kSplineColour(255, 255, 0);
const QColor kCurveColour(255, 0, 0);
const QColor kGridColour(130, 130, 130);
const QColor kPeakColour(0, 255, 0);

QPen GridPen() {
    return QPen(kGridColour, 1, Qt::DotLine);
}

void DrawTextAt(QPainter& painter, int x, int y, const QString& text) {
    // Placed by the top left corner of the text, as the layout counts.
    painter.drawText(QRect(x, y, 1000, 100), Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, text);
}

}  // namespace

FftView::FftView(SoundDocument& doc, ProfileSettings& settings, QWidget* parent)
    : QWidget(parent), m_doc(doc), m_settings(settings) {
    setAttribute(Qt::WA_OpaquePaintEvent);  // the frame covers every pixel
    setFocusPolicy(Qt::ClickFocus);
    setMinimumSize(120, 90);
    m_plot.settings = FftViewSettings::From(settings);
    m_doc.AddView(this);
}

FftView::~FftView() {
    m_doc.RemoveView(this);
    m_plot.settings.StoreInto(m_settings);
}

void FftView::OnInitialUpdate() {
    m_plot.settings = FftViewSettings::From(m_settings);
    m_plot.Clear();
    ShowFftPoints(m_doc.FftPoints());
    Changed();
}

void FftView::CollectWindowState(ProfileSettings& settings) {
    m_plot.settings.StoreInto(settings);
}

void FftView::OnUpdate(int hint) {
    if (hint == kHintRebuild) ShowFftPoints(m_doc.FftPoints());
    if (hint == kHintSelectionSpectrum) ShowFftPoints(m_doc.SpectrumPoints());
    Rebuild();
}

void FftView::ShowFftPoints(int points) {
    if (m_moduleFrame) m_moduleFrame->SetControlInt(kCtrlFftPoints, points);
}

void FftView::Rebuild() {
    m_rebuild = true;
    update();
}

void FftView::Changed() {
    if (m_listener) m_listener(m_plot.settings);
    Rebuild();
}

int FftView::BitsPerSample() const {
    return m_doc.BitsPerSample() > 0 ? m_doc.BitsPerSample() : 16;
}

void FftView::Geometry(const QRect& rect) {
    m_plot.SetGeometry(rect, m_doc.SampleRate(), BitsPerSample());
}

// ---------------------------------------------------------------------------------------
// Painting

void FftView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = size() * ratio;
    if (m_rebuild || m_frame.size() != pixels) {
        if (m_frame.size() != pixels) m_frame = QImage(pixels, QImage::Format_RGB32);
        m_frame.setDevicePixelRatio(ratio);
        m_frame.fill(kBackground);
        QPainter frame(&m_frame);
        OnDraw(frame, rect());
        m_rebuild = false;
    }
    painter.drawImage(0, 0, m_frame);
    if (m_readOut) DrawReadOut(painter, *m_readOut);
}

void FftView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Rebuild();
}

void FftView::OnDraw(QPainter& painter, const QRect& rect) {
    Geometry(rect);
    m_plot.Build(m_doc.Spectrum());
    DrawPlot(painter, rect);
    m_plot.Remember();
}

void FftView::DrawPlot(QPainter& painter, const QRect& rect) const {
    painter.save();
    painter.fillRect(rect, kBackground);
    if (m_plot.ValueCount() >= 3 && m_plot.ValueCount() != static_cast<std::size_t>(-1)) {
        DrawCurve(painter);
        DrawPeaks(painter);
    }
    DrawFrequencyAxis(painter);
    DrawAmplitudeAxis(painter);
    DrawPiano(painter);
    DrawCutNotice(painter, rect);
    painter.restore();
}

void FftView::DrawCutNotice(QPainter& painter, const QRect& rect) const {
    // A selection longer than the largest spectrum shows the spectrum of its start: said in
    // the picture, so that no one takes it for the whole selection.
    if (!m_doc.SelectionSpectrumIsCut()) return;
    painter.save();
    painter.setFont(ViewFont(14));
    const QString text = Str(kTextSpectrumCut, m_doc.SpectrumPoints(),
                             static_cast<qulonglong>(m_doc.SelectedSamples().size()));
    const QRect area(kLeft + 8, kPianoHeight + 6, std::max(40, rect.width() - kLeft - 16), rect.height());
    const QRect box =
        painter.fontMetrics().boundingRect(area, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text);
    painter.fillRect(box.adjusted(-3, -2, 3, 2), kBackground);
    painter.setPen(kSplineColour);
    painter.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text);
    painter.restore();
}

void FftView::DrawCurve(QPainter& painter) const {
    const std::vector<QPoint>& curve = m_plot.Curve();
    if (curve.size() < 2) return;
    const std::size_t end = curve.size() - 1;  // up to the last but one point
    const int base = m_plot.Base();
    const FftViewSettings& s = m_plot.settings;
    if (s.style == FftViewSettings::kBars) {
        const std::size_t count = curve.size();
        for (std::size_t i = 0; i < end; ++i) {
            if (curve[i].x() == 0) continue;
            const std::size_t c =
                s.freqLinear ? i * SoundDocument::kPaletteSize / count
                             : static_cast<std::size_t>(SoundDocument::kPaletteSize * std::sqrt(double(i)) /
                                                        std::sqrt(double(count)));
            painter.setPen(QPen(QColor::fromRgb(SoundDocument::PaletteColor(static_cast<int>(c))), 1));
            painter.drawLine(curve[i].x(), base, curve[i].x(), curve[i].y());
        }
        return;
    }
    QPolygon line;
    line.reserve(static_cast<qsizetype>(2 * end + 1));
    line << QPoint(kLeft, curve[0].y());
    int previousY = curve[0].y();
    for (std::size_t i = 1; i < end; ++i) {
        if (curve[i].x() == 0) continue;
        if (s.style == FftViewSettings::kColumns) line << QPoint(curve[i].x(), previousY);
        line << curve[i];
        previousY = curve[i].y();
    }
    painter.setPen(QPen(kCurveColour, 1));
    painter.drawPolyline(line);
}

void FftView::DrawPeaks(QPainter& painter) const {
    const FftViewSettings& s = m_plot.settings;
    const std::vector<QPoint>& peaks = m_plot.Peaks();
    if (s.markers) {
        painter.setPen(QPen(kPeakColour, 1));
        for (const QPoint& p : peaks) {
            painter.drawLine(p.x() - 3, p.y(), p.x() + 3, p.y());
            painter.drawLine(p.x(), p.y() - 3, p.x(), p.y() + 3);
        }
    }
    if (!s.spline || peaks.size() <= 1) return;
    painter.setPen(QPen(kSplineColour, 1));
    painter.setBrush(Qt::NoBrush);
    const int base = m_plot.Base();
    switch (s.splineType) {
        case FftViewSettings::kBezier: {
            // Each three points are one cubic segment continuing from the current position.
            const std::size_t count = peaks.size() - peaks.size() % 3;
            QPainterPath path(QPointF(kLeft, base));
            for (std::size_t j = 0; j + 2 < count; j += 3) path.cubicTo(peaks[j], peaks[j + 1], peaks[j + 2]);
            painter.drawPath(path);
            break;
        }
        case FftViewSettings::kCubic: {
            const std::vector<QPoint>& points = m_plot.SplinePoints();
            painter.drawPolyline(points.data(), static_cast<int>(points.size()));
            break;
        }
        case FftViewSettings::kBeta: {
            // Extra points at both ends make the curve start and end on the base line.
            std::vector<SplinePoint> control;
            control.reserve(peaks.size() + 4);
            control.push_back({kLeft + 1, base - 1});
            control.push_back({kLeft + 2, base - 2});
            for (const QPoint& p : peaks) control.push_back({p.x(), p.y()});
            control.push_back({m_plot.Right(), base});
            control.push_back({m_plot.Right(), base});
            std::vector<SplinePoint> curve;
            BetaSpline().Curve(control, curve);
            QPolygon line;
            line.reserve(static_cast<qsizetype>(curve.size()));
            for (const SplinePoint& p : curve) line << QPoint(p.x, p.y);
            painter.drawPolyline(line);
            break;
        }
        default:
            break;
    }
}

void FftView::DrawFrequencyAxis(QPainter& painter) const {
    const int right = m_plot.Right();
    const int bottom = m_plot.Bottom();
    const int base = m_plot.Base();
    painter.fillRect(QRect(0, base, right, 20), kBackground);
    painter.setFont(ViewFont(16));
    const bool grid = m_plot.settings.grid;
    std::vector<double> ticks;
    if (m_plot.settings.freqLinear) {
        const double span = m_plot.MaxFrequency() - m_plot.settings.bottomCutHz;
        const int step = std::max(1, static_cast<int>(std::floor(span / 11000.0 + (1.0 - m_plot.U0()))));
        const int last = m_doc.SampleRate() / 2000;
        for (int k = 0; k <= last; k += step) ticks.push_back(k * 1000.0);
    } else {
        for (int k = 0; k <= 18; ++k) ticks.push_back(1.71875 * std::ldexp(1.0, k));  // the A notes
    }
    int lastLabel = 0;
    std::optional<int> previousX;
    for (double f : ticks) {
        const int x = m_plot.XOf(f);
        if (previousX) {
            // Eleven minor ticks between two ticks: semitones on the logarithmic scale.
            painter.setPen(QPen(kWhite, 1));
            for (int j = 1; j < 12; ++j) {
                const int mx = *previousX + (x - *previousX) * j / 12;
                if (mx >= 0 && mx <= right) painter.drawLine(mx, base, mx, bottom - 17);
            }
        }
        previousX = x;
        if (x < 0 || x > right) continue;
        if (grid) {
            painter.setPen(GridPen());
            painter.drawLine(x, base, x, 25);
        }
        painter.setPen(QPen(kWhite, 1));
        painter.drawLine(x, base, x, bottom - 14);
        const QString label = FrequencyScaleLabel(f);
        // A label that would run out of the picture is left out.
        if (x - 15 >= 0 && x - 15 + painter.fontMetrics().horizontalAdvance(label) <= right &&
            x > lastLabel + 40) {
            DrawTextAt(painter, x - 15, bottom - 16, label);
            lastLabel = x;
        }
    }
    painter.setPen(QPen(kWhite, 1));
    painter.drawLine(0, base, right, base);
}

void FftView::DrawAmplitudeAxis(QPainter& painter) const {
    const int right = m_plot.Right();
    const int bottom = m_plot.Bottom();
    painter.fillRect(QRect(0, kPianoHeight, kLeft, std::max(0, bottom - 48)), kBackground);
    painter.setFont(ViewFont(14));
    const bool linear = m_plot.settings.ampLinear;
    const int step = linear ? 1 : 5;
    const int count = linear ? 120 : 25;
    int lastLabel = 0;
    for (int k = 1; k <= count; ++k) {
        const int db = -k * step;
        // Ticks in dB full scale, where the axis reaches.
        const double a = std::pow(10.0, db / 20.0);
        if (a < m_plot.BottomAmplitude() || a > m_plot.TopAmplitude()) continue;
        const int y = m_plot.YOfAmplitude(a);
        painter.setPen(QPen(kWhite, 1));
        painter.drawLine(16, y, kLeft, y);
        if (m_plot.settings.grid) {
            painter.setPen(GridPen());
            painter.drawLine(kLeft, y, right, y);
        }
        if (y > lastLabel + 40 && y <= bottom - 35) {
            painter.save();
            painter.setPen(kWhite);
            painter.translate(0, y + 15);
            painter.rotate(-90);  // reads upwards
            DrawTextAt(painter, 0, 0, QString::number(db) + QStringLiteral("dB"));
            painter.restore();
            lastLabel = y;
        }
    }
}

void FftView::DrawPiano(QPainter& painter) const {
    const int right = m_plot.Right();
    constexpr int kKeys = 88;
    std::array<int, kKeys + 1> x{};
    for (int k = 0; k <= kKeys; ++k) x[static_cast<std::size_t>(k)] = m_plot.XOf(27.5 * std::exp2(k / 12.0));
    painter.save();
    painter.setClipRect(QRect(kLeft, 0, std::max(0, right - kLeft), kPianoHeight));
    // The white keys: one strip from the lowest to the highest key.
    const int half0 = std::max(1, (x[1] - x[0]) / 2);
    const int halfLast = std::max(1, (x[kKeys] - x[kKeys - 1]) / 2);
    painter.fillRect(QRect(QPoint(x[0] - half0, 0), QPoint(x[kKeys - 1] + halfLast, kPianoHeight - 1)),
                     kWhite);
    painter.setPen(QPen(kBackground, 1));
    for (int k = 0; k < kKeys; ++k) {
        const int key = k % 12;  // 0 is A
        const int xk = x[static_cast<std::size_t>(k)];
        const int spacing = std::max(1, x[static_cast<std::size_t>(k) + 1] - xk);
        if (key == 1 || key == 4 || key == 6 || key == 9 || key == 11) {
            painter.fillRect(QRect(xk - spacing / 2, 0, spacing, 18), kBackground);
            painter.drawLine(xk, 17, xk, kPianoHeight);
        } else if ((key == 2 || key == 7) && k + 1 < kKeys) {
            // B-C and E-F meet without a black key between them.
            const int xs = (xk + x[static_cast<std::size_t>(k) + 1]) / 2;
            painter.drawLine(xs, 0, xs, kPianoHeight);
        }
    }
    painter.restore();
    // The caption beside the keyboard, or over its top end when there is no room.
    painter.setFont(ViewFont(14));
    const QString caption = Str(kTextPiano);
    const int width = painter.fontMetrics().horizontalAdvance(caption);
    const int keyboardEnd = x[kKeys - 1] + halfLast;
    int cx = keyboardEnd + 8;
    if (cx + width > right - 2) {
        cx = std::max(kLeft, std::min(keyboardEnd, right) - width - 6);
        painter.fillRect(QRect(cx - 3, 6, width + 6, 16), kBackground);
    }
    painter.setPen(kWhite);
    DrawTextAt(painter, cx, 6, caption);
}

void FftView::DrawReadOut(QPainter& painter, const ReadOut& r) const {
    painter.save();
    painter.setPen(QPen(kWhite, 1));
    painter.drawLine(r.at + QPoint(-5, -5), r.at + QPoint(5, 5));
    painter.drawLine(r.at + QPoint(-5, 5), r.at + QPoint(5, -5));
    painter.setFont(ViewFont(16));
    const QFontMetrics metrics = painter.fontMetrics();
    const int right = width();
    const auto place = [&](int x, int y, const QString& text) {
        // Kept inside the window when the text is wider than its place.
        DrawTextAt(painter, std::min(x, right - 2 - metrics.horizontalAdvance(text)), y, text);
    };
    place(right - 55, 30, LocalDecimal(ReadOutNumber(r.frequency)) + QStringLiteral(" Hz"));
    place(right - 60, 45, LocalDecimal(ReadOutNumber(r.level)) + QStringLiteral(" dB"));
    const MusicalNote note = NearestNote(r.frequency);
    if (!note.name.empty()) {
        const long cents = std::lround(note.cents);
        const QString deviation = (cents > 0 ? QStringLiteral("+") : QString()) + QString::number(cents);
        place(right - 60, 60, Str(kTextCents).arg(NoteLabel(note.number), deviation));
    }
    painter.restore();
}

void FftView::DrawCaptions(QPainter& painter, const QRect& rect) const {
    painter.save();
    painter.setFont(CaptionFont(16));
    painter.setPen(kWhite);
    const QString frequency = Str(kTextFrequency);
    const int width = painter.fontMetrics().horizontalAdvance(frequency);
    DrawTextAt(painter, rect.width() - width - 10, rect.height() - 40, frequency);
    painter.translate(kLeft + 4,
                      kPianoHeight + 10 + painter.fontMetrics().horizontalAdvance(Str(kTextAmplitude)));
    painter.rotate(-90);
    DrawTextAt(painter, 0, 0, Str(kTextAmplitude));
    painter.restore();
}

QString FftView::ReadOutNumber(double value) {
    if (!std::isfinite(value)) return QStringLiteral("-");
    QString text = QString::number(value, 'g', 5);
    if (text.contains(u'e')) text = QString::number(std::llround(value));
    const qsizetype point = text.indexOf(u'.');
    if (point >= 0) text.truncate(point + 2);
    return text;
}

// ---------------------------------------------------------------------------------------
// Mouse

void FftView::mousePressEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        // The plot as last drawn: the mappings of that repaint.
        ReadOut r;
        r.at = p;
        r.frequency = m_plot.FrequencyAt(p.x());
        r.level = m_plot.LevelAt(p.y());
        m_readOut = r;
        if (p.y() < kPianoHeight) m_doc.Beep(r.frequency, kClickToneMs);
        update();
    } else if (event->button() == Qt::RightButton) {
        if (m_plot.Correct(p)) Rebuild();
    }
}

void FftView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    if ((event->buttons() & Qt::LeftButton) && p.y() >= 0 && p.y() < kToneStrip)
        m_doc.Beep(m_plot.FrequencyAt(p.x()), kDragToneMs);
}

void FftView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_readOut.reset();
        Rebuild();
    } else if (event->button() == Qt::RightButton) {
        // The score follows the corrected peaks.
        if (m_doc.IsModuleOpen(Module::Score)) m_doc.UpdateAllViews(kHintRebuild);
    }
}

// ---------------------------------------------------------------------------------------
// Control bar

void FftView::OnBottomCutHz(int hz) {
    m_plot.settings.bottomCutHz = FftViewSettings::Key("IniFFTBottomCutHz").Clamped(hz);
    m_plot.ClearHeld();
    Changed();
}

void FftView::OnTopCutkHz(int khz) {
    m_plot.settings.topCutkHz = FftViewSettings::Key("IniFFTTopCutkHz").Clamped(khz);
    m_plot.ClearHeld();
    m_plot.ClearEdits();
    Changed();
}

void FftView::OnUpperAmplitude(int db) {
    FftViewSettings& s = m_plot.settings;
    s.topDb = std::clamp(db, -99, 0);
    // The lower end follows 5 dB below an upper end that came down to it.
    if (s.topDb <= s.bottomDb) s.bottomDb = std::max(s.topDb - 5, -99);
    if (s.topDb <= s.bottomDb) s.topDb = s.bottomDb + 5;
    m_plot.ClearHeld();
    m_plot.ClearEdits();
    Changed();
}

void FftView::OnLowerAmplitude(int db) {
    FftViewSettings& s = m_plot.settings;
    s.bottomDb = std::clamp(db, -99, 0);
    // The upper end is raised by 5 dB over a lower end that went up to it.
    if (s.bottomDb >= s.topDb) s.topDb = std::min(s.bottomDb + 5, 0);
    if (s.bottomDb >= s.topDb) s.bottomDb = s.topDb - 5;
    m_plot.ClearHeld();
    m_plot.ClearEdits();
    Changed();
}

void FftView::OnAmplitudeLinear(bool linear) {
    m_plot.settings.ampLinear = linear;
    OnUpperAmplitude(linear ? kLinearUpperDb : 0);
}

void FftView::OnFrequencyLinear(bool linear) {
    m_plot.settings.freqLinear = linear;
    m_plot.ClearHeld();
    Changed();
}

void FftView::OnStyle(int style) {
    m_plot.settings.style = std::clamp(style, 0, 2);
    Changed();
}

void FftView::OnHold(bool on) {
    m_plot.settings.hold = on;
    if (!on) m_plot.ClearHeld();
    Changed();
}

void FftView::OnGrid(bool on) {
    m_plot.settings.grid = on;
    Changed();
}

void FftView::OnDelayPixels(int pixels) {
    m_plot.settings.delay = std::clamp(pixels, 0, 15);
    Changed();
}

void FftView::OnMinDistanceMaxima(int pixels) {
    m_plot.settings.minDistMaxima = std::clamp(pixels, 0, 50);
    m_plot.ClearEdits();
    Changed();
}

void FftView::OnMinDistanceNeighbour(int bins) {
    m_plot.settings.minDistNeighbour = std::clamp(bins, 1, 50);
    m_plot.ClearEdits();
    Changed();
}

void FftView::OnMarkers(bool on) {
    m_plot.settings.markers = on;
    if (on) m_plot.settings.delayOn = false;
    Changed();
}

void FftView::OnDelay(bool on) {
    m_plot.settings.delayOn = on;
    if (on) m_plot.settings.markers = false;
    Changed();
}

void FftView::OnSplineBox(int type, bool checked) {
    m_plot.settings.spline = checked;
    m_plot.settings.splineType = checked ? std::clamp(type, 1, 3) : FftViewSettings::kNoSpline;
    Changed();
}

// ---------------------------------------------------------------------------------------
// Commands

bool FftView::HasCommand(ViewCommand command) const {
    return command == ViewCommand::SaveView || command == ViewCommand::Copy ||
           command == ViewCommand::ExportData || command == ViewCommand::ClearAllData;
}

void FftView::OnViewCommand(ViewCommand command) {
    UserInterface& ui = m_doc.Ui();
    switch (command) {
        case ViewCommand::SaveView:
            SaveViewPicture(ui, Str(kTitleSave), PictureName(), size(),
                            [this](QPainter& painter, const QRect& rect) { DrawPlot(painter, rect); });
            break;
        case ViewCommand::Copy:
            CopyViewPicture(ui, PictureName(), size(), [this](QPainter& painter, const QRect& rect) {
                DrawPlot(painter, rect);
                DrawCaptions(painter, rect);
            });
            break;
        case ViewCommand::ExportData:
            ExportData();
            break;
        case ViewCommand::ClearAllData:
            m_plot.Clear();
            m_doc.DeleteContents();
            Rebuild();
            m_doc.UpdateAllViews(kHintRebuild);
            break;
    }
}

void FftView::ExportData() {
    UserInterface& ui = m_doc.Ui();
    if (FftExportPoints(m_doc) == 0) {
        ui.Message(kMsgNothingToExport, MessageIcon::Exclamation);
        return;
    }
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) {
        ui.Message(kMsgNoClipboard, MessageIcon::Exclamation);
        return;
    }
    clipboard->setText(FftExportText(m_doc));
    ui.Message(kMsgExported, MessageIcon::Exclamation);
}
