#include "views/nonlinear/TimeSeriesView.h"

#include <QClipboard>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <cmath>

#include "analysis/MutualInformation.h"
#include "document/SoundDocument.h"
#include "platform/StringTable.h"
#include "platform/UserInterface.h"
#include "settings/ProfileSettings.h"
#include "views/common/ViewPicture.h"
#include "views/nonlinear/LyapunovPlots.h"
#include "views/spectral/FftExport.h"

const std::vector<SettingDescriptor>& TimeSeriesView::Keys() {
    using S = ProfileSettings;
    static const std::vector<SettingDescriptor> keys = {
        {"ZEITREIHE", "IniZeitreiheKorrCount", &S::IniZeitreiheKorrCount, 1, 9},
        {"ZEITREIHE", "IniZeitreihePartitions", &S::IniZeitreihePartitions, 2, 100},
        {"ZEITREIHE", "IniZeitreiheCorrlength", &S::IniZeitreiheCorrlength, 1, 100},
        {"ZEITREIHE", "IniZeitreiheWhatIs", &S::IniZeitreiheWhatIs, 0, 2},
    };
    return keys;
}

namespace {

constexpr int kAskSimplify = 61446, kMsgConstant = 61476, kMsgExported = 61512, kTextNotFound = 61537,
              kTitleSave = 61576, kHeaderTime = 61577, kHeaderBoxes = 61578, kMsgNoClipboard = 61579;
constexpr int kTextEntropy = 62110, kTextFirstMinimum = 62115;
constexpr int kTextAutoCorrTooShort = 64262, kTextInformationTooShort = 64263, kTextConstant = 64264;
constexpr int kPixelsPerDelay = 4;
// The fewest samples each calculation takes: below, the window says so instead of a curve.
constexpr std::size_t kAutoCorrSamples = 11, kInformationSamples = 101;

const QColor kBackground(0, 0, 0), kCurve(0, 255, 0), kCentre(255, 255, 255), kText(255, 255, 255);

// Step curve through the points: a horizontal then a vertical line to each next point.
void StepCurve(QPainter& painter, const std::vector<QPoint>& points, std::size_t end) {
    if (points.empty() || end < 2) return;
    QPolygon line;
    line.reserve(static_cast<qsizetype>(2 * end));
    line << points[0];
    for (std::size_t j = 1; j < end; ++j) {
        line << QPoint(points[j].x(), points[j - 1].y());
        line << points[j];
    }
    painter.drawPolyline(line);
}

}  // namespace

TimeSeriesView::TimeSeriesView(SoundDocument& doc, ProfileSettings& settings, QWidget* parent)
    : QAbstractScrollArea(parent), m_doc(doc), m_settings(settings) {
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFocusPolicy(Qt::ClickFocus);
    setMinimumSize(120, 90);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    m_doc.AddView(this);
}

TimeSeriesView::~TimeSeriesView() {
    m_doc.RemoveView(this);
    CollectWindowState(m_settings);
}

void TimeSeriesView::OnInitialUpdate() {
    m_zoom = 1.0;
    m_simplify = 7;
    m_whatIs = FindDescriptor(Keys(), "IniZeitreiheWhatIs").Clamped(m_settings.IniZeitreiheWhatIs);
    m_korrCount = FindDescriptor(Keys(), "IniZeitreiheKorrCount").Clamped(m_settings.IniZeitreiheKorrCount);
    m_partitions =
        FindDescriptor(Keys(), "IniZeitreihePartitions").Clamped(m_settings.IniZeitreihePartitions);
    m_corrLength =
        FindDescriptor(Keys(), "IniZeitreiheCorrlength").Clamped(m_settings.IniZeitreiheCorrlength);
    Recompute();
    Changed();
}

void TimeSeriesView::CollectWindowState(ProfileSettings& settings) {
    settings.IniZeitreiheWhatIs = m_whatIs;
    settings.IniZeitreiheKorrCount = m_korrCount;
    settings.IniZeitreihePartitions = m_partitions;
    settings.IniZeitreiheCorrlength = m_corrLength;
}

void TimeSeriesView::OnUpdate(int hint) {
    if (hint == kHintRemoveWave) {
        m_information.clear();
        m_firstMinimum.reset();
        viewport()->update();
        return;
    }
    // Also a selection too short to compute from replaces what the previous one gave.
    Recompute();
    // Only a new selection asks; otherwise a long curve is simplified without a question.
    AskSimplify(hint == kHintSelectionSpectrum);
    Changed();
}

void TimeSeriesView::Changed() {
    UpdateScrollRange();
    if (m_listener) m_listener();
    viewport()->update();
}

void TimeSeriesView::RecomputeAutoCorrelations() {
    // Functions of an earlier selection must not pass for this one's.
    if (m_doc.SelectedSamples().size() < kAutoCorrSamples) {
        m_doc.ClearAutoCorrelations();
        return;
    }
    m_doc.ComputeAutoCorrelations(m_korrCount);
}

void TimeSeriesView::Recompute() {
    if (m_whatIs == kAutoCorrelation || m_doc.SelectedSamples().size() < kAutoCorrSamples)
        RecomputeAutoCorrelations();
    if (m_whatIs == kMutualInformation) {
        m_information.clear();
        m_firstMinimum.reset();
        m_constant = false;
        const std::vector<double>& x = m_doc.SelectedSamples();
        if (x.size() < kInformationSamples) {
            m_toldConstant.reset();
            return;
        }
        int tau = m_corrLength;
        m_information = MutualInformation(x, m_partitions, tau);
        if (m_information.empty()) {
            m_constant = true;
            // The same constant series is recomputed for every update it goes through (opening,
            // the selection, an export): it is reported once, and the picture keeps saying it.
            const ConstantSeries series{x.size(), x.front(), m_partitions, m_corrLength};
            if (m_toldConstant != series) m_doc.Ui().Message(kMsgConstant, MessageIcon::Exclamation);
            m_toldConstant = series;
            return;
        }
        m_toldConstant.reset();
        m_corrLength = tau;
        m_firstMinimum = FirstMinimum(m_information);
    }
}

QString TimeSeriesView::MissingCurveText() const {
    if (m_whatIs == kAutoCorrelation && m_doc.AutoCorrelations()[0].size() < kAutoCorrSamples)
        return Str(kTextAutoCorrTooShort, QString::number(kAutoCorrSamples));
    if (m_whatIs == kMutualInformation && m_information.empty())
        return m_constant ? Str(kTextConstant)
                          : Str(kTextInformationTooShort, QString::number(kInformationSamples));
    return {};
}

static std::size_t ValuesDrawn(const SoundDocument& doc, int mode) {
    return mode == TimeSeriesView::kAutoCorrelation ? doc.AutoCorrelations()[0].size()
                                                    : doc.SelectedSamples().size();
}

void TimeSeriesView::AskSimplify(bool ask) {
    if (m_whatIs == kMutualInformation || m_simplify != 7) return;
    const std::size_t n = ValuesDrawn(m_doc, m_whatIs);
    if (n == 0 || static_cast<double>(n) <= 20000.0 / DrawZoom()) return;
    bool yes = true;
    if (ask)
        yes = m_doc.Ui().AskYesNo(Str(kAskSimplify, QString::number(n), QString::number(DrawZoom(), 'g', 5)),
                                  MessageIcon::Question);
    m_simplify = yes ? 6 : 7;
    if (yes) m_zoom = 5000.0 / static_cast<double>(n);
}

double TimeSeriesView::DrawZoom() const {
    return (m_zoom > 0.0 && !std::isnan(m_zoom)) ? m_zoom : 1.0;
}

int TimeSeriesView::Step() const {
    const double zoom = DrawZoom();
    return zoom >= 1.0 ? 1 : std::max(1, static_cast<int>(1.0 / zoom));
}

int TimeSeriesView::ZoomSliderPosition() const {
    const double zoom = DrawZoom();
    return zoom > 1.0 ? static_cast<int>(zoom) : static_cast<int>(-1.0 / zoom);
}

void TimeSeriesView::OnMode(int mode) {
    if (mode < 0 || mode > 2) return;
    m_whatIs = mode;
    Recompute();
    AskSimplify(false);
    Changed();
}

void TimeSeriesView::OnZoomSlider(int v) {
    m_zoom = v >= 1 ? v : v == 0 ? 1.0 : 1.0 / std::abs(v);
    Changed();
}

void TimeSeriesView::OnBoxes(int boxes) {
    m_partitions = FindDescriptor(Keys(), "IniZeitreihePartitions").Clamped(boxes);
    Recompute();
    Changed();
}

void TimeSeriesView::OnMaxTau(int tau) {
    m_corrLength = FindDescriptor(Keys(), "IniZeitreiheCorrlength").Clamped(tau);
    Recompute();
    Changed();
}

void TimeSeriesView::OnCorrelationCount(int count) {
    m_korrCount = FindDescriptor(Keys(), "IniZeitreiheKorrCount").Clamped(count);
    RecomputeAutoCorrelations();
    CollectWindowState(m_settings);
    Changed();
}

int TimeSeriesView::PlotWidth() const {
    if (m_whatIs == kMutualInformation) return kPixelsPerDelay * m_corrLength;
    return static_cast<int>(DrawZoom() * static_cast<double>(ValuesDrawn(m_doc, m_whatIs)));
}

void TimeSeriesView::UpdateScrollRange() {
    const int width = PlotWidth();
    horizontalScrollBar()->setRange(0, std::max(0, width - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
}

void TimeSeriesView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollRange();
}

void TimeSeriesView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), kBackground);
    painter.translate(-horizontalScrollBar()->value(), 0);
    OnDraw(painter, viewport()->height());
    // The texts stay at the top of the window however far it is scrolled.
    painter.resetTransform();
    DrawTexts(painter, viewport()->rect());
}

void TimeSeriesView::DrawTexts(QPainter& painter, const QRect& rect) const {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(16);
    if (const QString missing = MissingCurveText(); !missing.isEmpty()) {
        painter.save();
        painter.setPen(kText);
        painter.setFont(font);
        painter.drawText(rect.adjusted(10, 10, -10, -10), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                         missing);
        painter.restore();
        return;
    }
    if (m_whatIs != kMutualInformation || m_information.empty()) return;
    painter.save();
    painter.setPen(kText);
    painter.setFont(font);
    const QString entropy = Str(kTextEntropy) + LyapunovPlots::CutNumber(m_information[0], 10, 6);
    const QString minimum = Str(kTextFirstMinimum) +
                            (m_firstMinimum ? QString::number(*m_firstMinimum) : Str(kTextNotFound)) + u' ';
    const QFontMetrics metrics(font);
    const int entropyWidth = metrics.horizontalAdvance(entropy);
    const int minimumWidth = metrics.horizontalAdvance(minimum);
    // In a narrow window the two texts would run into each other: the minimum goes one line lower.
    const bool oneLine = (rect.width() + entropyWidth) / 2 + 8 <= rect.width() - minimumWidth;
    painter.drawText(rect, (oneLine ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignTop, entropy);
    painter.drawText(oneLine ? rect : rect.adjusted(0, metrics.lineSpacing(), 0, 0),
                     Qt::AlignRight | Qt::AlignTop, minimum);
    painter.restore();
}

int TimeSeriesView::OnDraw(QPainter& painter, int H) {
    const int width = std::max(PlotWidth(), 1);
    painter.save();
    painter.fillRect(QRect(0, 0, std::max(width, viewport()->width()), H), kBackground);
    painter.setPen(QPen(kCurve, 1));
    const double zoom = DrawZoom();
    const int step = Step();
    const double fullScale = m_doc.FullScale() > 0.0 ? m_doc.FullScale() : 32767.0;
    const double c = m_doc.BitsPerSample() == 8 ? 1.0 : 2.0;
    std::vector<QPoint> points;
    if (m_whatIs == kTimeSeries) {
        const std::vector<double>& x = m_doc.SelectedSamples();
        const double s = H / fullScale / c;
        for (std::size_t i = 0; i + 1 < x.size(); i += static_cast<std::size_t>(step))
            points.emplace_back(static_cast<int>(static_cast<double>(i) * zoom),
                                static_cast<int>((fullScale - x[i]) * s));
        if (points.size() >= 3) StepCurve(painter, points, points.size() - 2);
        painter.setPen(QPen(kCentre, 1));
        painter.drawLine(0, H / 2, width, H / 2);
    } else if (m_whatIs == kAutoCorrelation) {
        const std::size_t n = m_doc.AutoCorrelations()[0].size();
        if (n > 10) {
            const int K = m_korrCount;
            const int h = H / K;
            for (int j = 0; j < K; ++j) {
                const std::vector<double>& f = m_doc.AutoCorrelations()[static_cast<std::size_t>(j)];
                if (f.size() < n) continue;
                double m = 0.0;
                for (double v : f) m = std::max(m, std::fabs(v));
                if (m <= 0.0) m = 1.0;
                const double scale = h / m / c;
                points.clear();
                for (std::size_t i = 0; i + 1 < n; i += static_cast<std::size_t>(step))
                    points.emplace_back(static_cast<int>(static_cast<double>(i) * zoom),
                                        static_cast<int>((m - f[i]) * scale) + j * h);
                painter.setPen(QPen(kCurve, 1));
                if (points.size() >= 3) StepCurve(painter, points, points.size() - 2);
                painter.setPen(QPen(kCentre, 1));
                painter.drawLine(0, j * h + h / 2, width, j * h + h / 2);
            }
        }
    } else {
        const std::vector<double>& I = m_information;
        if (I.size() > 2) {
            double top = 0.0;
            for (std::size_t tau = 1; tau < I.size(); ++tau) top = std::max(top, I[tau]);
            if (top <= 0.0) top = 1.0;
            for (std::size_t tau = 0; tau < I.size(); ++tau)
                points.emplace_back(kPixelsPerDelay * static_cast<int>(tau),
                                    static_cast<int>((top - I[tau]) * H / top));
            StepCurve(painter, points, points.size());
        }
        painter.setPen(QPen(kCentre, 1));
        painter.drawLine(0, H / 2, width, H / 2);
    }
    painter.restore();
    return width;
}

// ---------------------------------------------------------------------------------------------
// Commands

bool TimeSeriesView::HasCommand(ViewCommand command) const {
    return command == ViewCommand::SaveView || command == ViewCommand::Copy ||
           command == ViewCommand::ExportData || command == ViewCommand::ClearAllData;
}

void TimeSeriesView::OnViewCommand(ViewCommand command) {
    UserInterface& ui = m_doc.Ui();
    // The picture holds the whole plot, as wide as it scrolls.
    const QSize size(std::max(PlotWidth(), viewport()->width()), viewport()->height());
    const auto paint = [this](QPainter& painter, const QRect& rect) {
        OnDraw(painter, rect.height());
        DrawTexts(painter, rect);
    };
    switch (command) {
        case ViewCommand::SaveView:
            SaveViewPicture(ui, Str(kTitleSave), PictureName(), size, paint);
            break;
        case ViewCommand::Copy:
            CopyViewPicture(ui, PictureName(), size, paint);
            break;
        case ViewCommand::ExportData: {
            if (m_doc.IsPlaying() && !m_doc.IsListening()) return;
            // No table of a curve that the window cannot show; the same words as in the window.
            if (const QString missing = MissingCurveText(); !missing.isEmpty()) {
                ui.ShowMessage(missing, MessageIcon::Exclamation);
                return;
            }
            QClipboard* clipboard = QGuiApplication::clipboard();
            if (!clipboard) {
                ui.Message(kMsgNoClipboard, MessageIcon::Exclamation);
                return;
            }
            clipboard->setText(ExportText());
            ui.Message(kMsgExported, MessageIcon::Information);
            break;
        }
        case ViewCommand::ClearAllData:
            m_information.clear();
            m_doc.DeleteContents();
            m_doc.UpdateAllViews(kHintRebuild);
            Changed();
            break;
    }
}

QString TimeSeriesView::ExportText() {
    const double rate = m_doc.SampleRate() > 0 ? m_doc.SampleRate() : 44100.0;
    const double F = std::trunc(m_doc.FullScale() > 0.0 ? m_doc.FullScale() : 32767.0);
    QString text;
    const auto line = [&text](const QString& a, const QString& b) {
        text += a;
        text += u'\t';
        text += b;
        text += QLatin1String("\r\n");
    };
    if (m_whatIs == kTimeSeries) {
        text = Str(kHeaderTime);
        const std::vector<double>& x = m_doc.SelectedSamples();
        for (std::size_t i = 0; i < x.size(); ++i)
            line(SpreadsheetNumber(static_cast<double>(i) / rate * 1000.0),
                 SpreadsheetNumber(x[i] / F * 100.0));
    } else if (m_whatIs == kAutoCorrelation) {
        text = Str(kHeaderTime);
        const std::vector<double>& f = m_doc.AutoCorrelations()[0];
        const std::size_t end = std::min(m_doc.SelectedSamples().size(), f.size());
        for (std::size_t i = 0; i < end; ++i)
            line(SpreadsheetNumber(static_cast<double>(i) / rate * 1000.0),
                 SpreadsheetNumber(f[i] / F * 100.0));
    } else {
        text = Str(kHeaderBoxes) + QString::number(m_partitions) + QLatin1String("\r\n");
        text += QLatin1String("Delay-Parameter Tau\tMutual Information\r\n");
        for (std::size_t tau = 0; tau < m_information.size(); ++tau)
            line(QString::number(tau), SpreadsheetNumber(m_information[tau]));
    }
    return text;
}
