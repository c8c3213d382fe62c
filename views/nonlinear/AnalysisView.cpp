#include "views/nonlinear/AnalysisView.h"

#include <QApplication>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <vector>

#include "document/SoundDocument.h"
#include "platform/StringTable.h"
#include "platform/UserInterface.h"
#include "settings/ProfileSettings.h"
#include "views/common/ViewFont.h"
#include "views/common/ViewPicture.h"
#include "views/nonlinear/LyapunovPlots.h"

namespace {

constexpr int kAskIterMaxLyap = 61447, kAskIterSpectrum = 61448, kTextTooShort = 61529, kTextSlope = 61530,
              kTitleSave = 61555, kTextCalculating = 64209, kTextNothingToCalculate = 64260,
              kTextCancelled = 64261;
// The labels of the bar's counts, for a message that names one of them.
constexpr int kLabelRadii = 61540, kLabelPairs = 61541, kLabelPoints = 64202, kLabelIterations = 64205;
// Below this many samples a calculation has nothing to show (the selection's own limit).
constexpr int kFewestPoints = 50;

}  // namespace

// The worker writes, the window reads under the lock; the window keeps the object alive only as
// long as it waits for the worker (a closed window joins its worker first).
struct AnalysisView::Shared {
    std::mutex lock;
    int message = 0;
    bool aborted = false;
    std::optional<MaxLyapResult> maxLyap;
    std::optional<LyapSpectrumResult> spectrum;
    std::optional<CorrDimResult> corrDim;
    std::size_t spectrumRows = 0;
};

AnalysisView::AnalysisView(SoundDocument& doc, ProfileSettings& settings, QWidget* parent)
    : QWidget(parent), m_doc(doc), m_settings(settings) {
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(200, 150);
    setAutoFillBackground(false);
    m_params = AnalysisSettings::From(settings);
    m_doc.AddView(this);
}

AnalysisView::~AnalysisView() {
    // A closed window waits for its calculation to stop.
    if (m_job != 0) m_doc.Jobs().Stop(m_job);
    m_doc.RemoveView(this);
    m_params.StoreInto(m_settings);
}

void AnalysisView::OnInitialUpdate() {
    m_params = AnalysisSettings::From(m_settings);
    m_askIterSpectrum = m_askIterMaxLyap = true;
    m_fit[0] = m_fit[1] = QPoint();
    m_slopeText.clear();
    m_spectrum.reset();
    m_maxLyap.reset();
    m_corrDim.reset();
    Changed();
}

void AnalysisView::CollectWindowState(ProfileSettings& settings) {
    m_params.StoreInto(settings);
}

void AnalysisView::OnUpdate(int hint) {
    if (hint == kHintRemoveWave) {
        m_spectrum.reset();
        m_maxLyap.reset();
        m_corrDim.reset();
        m_slopeText.clear();
        m_cancelledMode.reset();
    }
    if (hint == kHintSelectionSpectrum) {
        m_tooShortShown = false;
        // A new selection brings its own length; a click that clears the selection leaves the
        // counts as the user set them.
        const std::size_t count = m_doc.SelectedSamples().size();
        if (m_selectionListener && count > 0)
            m_selectionListener(
                static_cast<int>(std::min<std::size_t>(count, std::numeric_limits<int>::max())));
    }
    update();
}

bool AnalysisView::SelectionTooShort() const {
    return m_doc.SelectedSamples().size() < 50;
}

bool AnalysisView::HasResult(AnalysisMode mode) const {
    return ByMode(mode, m_spectrum.has_value(), m_maxLyap.has_value(), m_corrDim.has_value());
}

void AnalysisView::Changed() {
    if (m_listener) m_listener();
    update();
}

// ---------------------------------------------------------------------------------------------
// Controls

int* AnalysisView::IntField(int control) {
    AnalysisSettings& p = m_params;
    const AnalysisMode mode = p.mode;
    switch (control) {
        case kTau:
            return ByMode(mode, &p.tauLya, &p.tauLyaMax, &p.tauKorr);
        case kPoints:
            return ByMode(mode, &p.numPointsLya, &p.numPointsLyaMax, &p.numPointsKorr);
        case kDimension:
            return ByMode(mode, &p.dimLya, &p.minDimDoneMaxLya, &p.dimKorr);
        case kMaxDimension:
            return ByMode(mode, &p.maxDimLya, &p.maxDimDoneMaxLya, &p.maxDimKorr);
        case kCount:
            return ByMode(mode, &p.iterLya, &p.referenzLyaMax, &p.iterKorr);
        case kRadii:
            return ByMode(mode, &p.numberOfLya, &p.numberOfLyaMax, &p.numberOfKorr);
        case kIterations:
            return &p.iterLyaMax;
        default:
            return nullptr;
    }
}

double* AnalysisView::DoubleField(int control) {
    AnalysisSettings& p = m_params;
    if (control == kRadiusMin) return ByMode(p.mode, &p.radiusMinLya, &p.radiusMinLyaMax, &p.radiusMinKorr);
    // The spectrum has no largest radius.
    if (control == kRadiusMax) return ByMode<double*>(p.mode, nullptr, &p.radiusMaxLyaMax, &p.radiusMaxKorr);
    return nullptr;
}

QString AnalysisView::Value(int control) const {
    auto* self = const_cast<AnalysisView*>(this);
    if (const double* d = self->DoubleField(control)) return QString::number(*d, 'g', 3);
    if (const int* i = self->IntField(control)) return QString::number(*i);
    return {};
}

int AnalysisView::DimensionSliderMaximum() const {
    return std::max(2, *const_cast<AnalysisView*>(this)->IntField(kMaxDimension));
}

void AnalysisView::ClampCounts() {
    const int points = *IntField(kPoints);
    // No points calculate nothing anyway; the counts the user set stay for the next number.
    if (points <= 0) return;
    for (int control : {kCount, kRadii}) {
        int* v = IntField(control);
        if (*v > points) *v = points;
    }
}

void AnalysisView::OnMode(AnalysisMode mode) {
    m_params.mode = mode;
    m_tooShortShown = false;
    Changed();
}

void AnalysisView::OnEdit(int control, const QString& text) {
    if (double* d = DoubleField(control)) {
        bool ok = false;
        const double value = text.trimmed().toDouble(&ok);
        if (ok) *d = value;
        Changed();
        return;
    }
    int* field = IntField(control);
    if (!field) return;
    bool ok = false;
    int value = text.trimmed().toInt(&ok);
    if (!ok) value = 0;
    switch (control) {
        case kDimension:
            value = std::clamp(value, 2, DimensionSliderMaximum());
            break;
        case kMaxDimension:
            value = std::max(value, 2);
            *field = value;
            if (int* dim = IntField(kDimension); *dim > value) *dim = value;
            break;
        case kCount:
        case kRadii:
            value = std::min(value, *IntField(kPoints));
            break;
        default:
            break;
    }
    *field = value;
    if (control == kPoints) ClampCounts();
    Changed();
}

// ---------------------------------------------------------------------------------------------
// Calculating

void AnalysisView::ClearResult(AnalysisMode mode) {
    switch (mode) {
        case AnalysisMode::Spectrum:
            m_spectrum.reset();
            m_kaplanYorke.clear();
            break;
        case AnalysisMode::LargestExponent:
            m_maxLyap.reset();
            m_slopeText.clear();
            break;
        case AnalysisMode::CorrelationDimension:
            m_corrDim.reset();
            break;
    }
}

void AnalysisView::OnReset() {
    if (IsCalculating()) return;
    m_askIterMaxLyap = true;
    m_tooShortShown = false;
    ClearResult(m_params.mode);
    m_cancelledMode.reset();
    update();
}

QString AnalysisView::NothingToCalculate() const {
    auto* self = const_cast<AnalysisView*>(this);
    struct Needed {
        int control, label, fewest;
    };
    // The spectrum's 0 iterations and 0 neighbours stand for their defaults; the reference
    // vectors' 0 for all of them.
    std::vector<Needed> needed = {{kPoints, kLabelPoints, kFewestPoints}};
    if (m_params.mode == AnalysisMode::LargestExponent)
        needed.insert(needed.end(), {{kRadii, kLabelRadii, 1}, {kIterations, kLabelIterations, 1}});
    // Each point of a slope curve joins two radii, and a curve needs two points.
    if (m_params.mode == AnalysisMode::CorrelationDimension)
        needed.insert(needed.end(), {{kRadii, kLabelRadii, 3}, {kCount, kLabelPairs, 1}});
    for (const Needed& n : needed) {
        const int value = *self->IntField(n.control);
        if (value < n.fewest)
            return Str(kTextNothingToCalculate, Str(n.label), QString::number(value),
                       QString::number(n.fewest));
    }
    return {};
}

void AnalysisView::OnCalculate() {
    if (IsCalculating()) return;
    std::optional<JobRunner::WorkerJob> job = PrepareCalculation();
    if (!job) return;
    setCursor(Qt::WaitCursor);
    m_job = m_doc.Jobs().StartWorker(std::move(*job));
    update();
}

void AnalysisView::CalculateNow() {
    if (IsCalculating()) return;
    if (std::optional<JobRunner::WorkerJob> job = PrepareCalculation()) JobRunner::RunNow(*job);
}

std::optional<JobRunner::WorkerJob> AnalysisView::PrepareCalculation() {
    UserInterface& ui = m_doc.Ui();
    m_askIterMaxLyap = true;
    m_tooShortShown = false;
    if (SelectionTooShort()) {
        m_tooShortShown = true;
        update();
        return std::nullopt;
    }
    if (const QString refusal = NothingToCalculate(); !refusal.isEmpty()) {
        ui.ShowMessage(refusal, MessageIcon::Exclamation);
        return std::nullopt;
    }
    m_cancelledMode.reset();
    const AnalysisMode mode = m_params.mode;
    if (mode == AnalysisMode::Spectrum && m_params.iterLya > 1000 && m_askIterSpectrum) {
        m_askIterSpectrum = ui.AskYesNo(Str(kAskIterSpectrum, m_params.iterLya), MessageIcon::Question);
        if (m_askIterSpectrum) m_params.iterLya = 1000;
    }
    if (mode == AnalysisMode::LargestExponent && m_params.iterLyaMax > 50 && m_askIterMaxLyap) {
        m_askIterMaxLyap = ui.AskYesNo(Str(kAskIterMaxLyap, m_params.iterLyaMax), MessageIcon::Question);
        if (m_askIterMaxLyap) m_params.iterLyaMax = 50;
    }
    Changed();
    ClearResult(mode);

    // The worker gets its own copy of the samples and parameters.
    LyapunovKantz probe;
    const std::size_t n = m_params.Prepare(probe, mode, m_doc.SelectedSamples().size());
    std::vector<double> samples(m_doc.SelectedSamples().begin(),
                                m_doc.SelectedSamples().begin() + static_cast<std::ptrdiff_t>(n));
    const AnalysisSettings params = m_params;
    auto shared = std::make_shared<Shared>();
    m_shared = shared;
    m_runningMode = mode;
    JobRunner::WorkerJob job;
    job.work = [shared, params, mode, samples = std::move(samples)](const CancelToken& token) {
        LyapunovKantz engine;
        LyapunovKantz::Hooks hooks;
        hooks.message = [shared](int id) {
            const std::lock_guard<std::mutex> hold(shared->lock);
            if (!shared->message) shared->message = id;
        };
        hooks.cancelled = [token] { return token.Cancelled(); };
        // A partial result is a copy of everything computed so far: taken a few times a second
        // at most (and at once the first time), so that many radii or iterations do not turn
        // the copying into the larger part of the work.
        auto due = [last = std::optional<std::chrono::steady_clock::time_point>()]() mutable {
            const auto now = std::chrono::steady_clock::now();
            if (last && now - *last < std::chrono::milliseconds(200)) return false;
            last = now;
            return true;
        };
        hooks.maxLyapProgress = [shared, due](const MaxLyapResult& partial) mutable {
            if (!due()) return;
            const std::lock_guard<std::mutex> hold(shared->lock);
            shared->maxLyap = partial;
        };
        hooks.spectrumProgress = [shared, due](const LyapSpectrumResult& partial) mutable {
            if (!due()) return;
            const std::lock_guard<std::mutex> hold(shared->lock);
            shared->spectrum = partial;
            shared->spectrumRows = partial.RowCount();
        };
        hooks.corrDimProgress = [shared, due](const CorrDimResult& partial) mutable {
            if (!due()) return;
            const std::lock_guard<std::mutex> hold(shared->lock);
            shared->corrDim = partial;
        };
        engine.SetHooks(hooks);
        params.Prepare(engine, mode, samples.size());
        std::optional<MaxLyapResult> maxLyap;
        std::optional<LyapSpectrumResult> spectrum;
        std::optional<CorrDimResult> corrDim;
        if (mode == AnalysisMode::Spectrum)
            spectrum = engine.CalcLyapSpectrum(samples.data(), params.SpectrumIterations(), samples.size());
        else if (mode == AnalysisMode::LargestExponent)
            maxLyap = engine.Calc_Max_Lyap_Exponent(samples.data(), samples.size());
        else
            corrDim = engine.CalcCorrDim(samples.data(), samples.size());
        const std::lock_guard<std::mutex> hold(shared->lock);
        shared->aborted = engine.Aborted();
        shared->maxLyap = std::move(maxLyap);
        shared->spectrum = std::move(spectrum);
        shared->spectrumRows = shared->spectrum ? shared->spectrum->RowCount() : 0;
        shared->corrDim = std::move(corrDim);
    };
    job.progress = [this] { update(); };
    job.finished = [this](JobRunner::Outcome outcome) { Finish(outcome); };
    return job;
}

void AnalysisView::Cancel() {
    if (IsCalculating()) m_doc.Jobs().Cancel(m_job);
}

void AnalysisView::WaitForCalculation() {
    if (IsCalculating()) m_doc.Jobs().Wait(m_job);
}

void AnalysisView::Finish(JobRunner::Outcome outcome) {
    m_job = 0;
    unsetCursor();
    std::shared_ptr<Shared> shared = std::move(m_shared);
    const std::optional<AnalysisMode> mode = m_runningMode;
    m_runningMode.reset();
    if (!shared || !mode || outcome == JobRunner::Outcome::Stopped) return;  // the window is closing
    if (shared->message) m_doc.Ui().Message(shared->message, MessageIcon::Exclamation);
    const bool cancelled = outcome == JobRunner::Outcome::Cancelled;
    if (shared->aborted || cancelled) {
        // A stopped calculation leaves nothing that could pass for a result; the picture says
        // it was stopped (a failure has said why in its message).
        if (cancelled || !shared->message) m_cancelledMode = mode;
    } else if (mode == AnalysisMode::Spectrum && shared->spectrum) {
        m_spectrum = std::move(shared->spectrum);
        m_kaplanYorke = LyapunovPlots::KaplanYorkeText(*m_spectrum, m_doc.SeriesUnitsPerSample());
    } else if (mode == AnalysisMode::LargestExponent) {
        m_maxLyap = std::move(shared->maxLyap);
    } else if (mode == AnalysisMode::CorrelationDimension) {
        m_corrDim = std::move(shared->corrDim);
    }
    update();
}

// ---------------------------------------------------------------------------------------------
// Drawing

void AnalysisView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (m_shared && m_runningMode == m_params.mode) {
        DrawProgress(painter, rect());
        return;
    }
    OnDraw(painter, rect());
    if (m_dragFrom && m_dragTo) {
        painter.setPen(QPen(Qt::black, 1, Qt::DashLine));
        painter.drawLine(*m_dragFrom, *m_dragTo);
    }
}

void AnalysisView::DrawProgress(QPainter& painter, const QRect& rect) {
    // The diagram as far as the calculation has come, below a line of its own that says so:
    // the growing curves may run anywhere in the diagram.
    painter.fillRect(rect, Qt::white);
    const QFont font = ViewFont(16);
    const int strip = QFontMetrics(font).height() + 4;
    const QRect plot = rect.adjusted(0, strip, 0, 0);
    {
        const std::lock_guard<std::mutex> hold(m_shared->lock);
        painter.save();
        painter.setClipRect(plot);  // an early, still unscaled curve stays out of the message's line
        if (m_runningMode == AnalysisMode::Spectrum && m_shared->spectrum)
            LyapunovPlots::DrawSpectrumPlot(painter, plot, *m_shared->spectrum, m_shared->spectrumRows, {});
        else if (m_runningMode == AnalysisMode::LargestExponent && m_shared->maxLyap)
            LyapunovPlots::DrawMaxLyapunovPlot(painter, plot, *m_shared->maxLyap);
        else if (m_runningMode == AnalysisMode::CorrelationDimension && m_shared->corrDim)
            LyapunovPlots::DrawCorrDimPlot(painter, plot, *m_shared->corrDim, 0, 0);
        painter.restore();
    }
    painter.setFont(font);
    painter.setPen(Qt::darkGray);
    painter.drawText(QRect(rect.left() + 45, rect.top() + 2, rect.width() - 45, strip - 2),
                     Qt::AlignLeft | Qt::AlignTop, Str(kTextCalculating));
}

void AnalysisView::OnDraw(QPainter& painter, const QRect& rect) {
    painter.fillRect(rect, Qt::white);
    const auto note = [&](int text) {
        painter.setFont(ViewFont(20));
        painter.setPen(Qt::black);
        painter.drawText(rect.adjusted(10, 10, -10, -10), Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop,
                         Str(text));
    };
    if (m_tooShortShown) {
        note(kTextTooShort);
        return;
    }
    if (m_cancelledMode == m_params.mode && !HasResult(m_params.mode)) {
        note(kTextCancelled);
        return;
    }
    if (m_doc.SelectedSamples().size() <= 50) return;
    switch (m_params.mode) {
        case AnalysisMode::Spectrum:
            if (m_spectrum)
                LyapunovPlots::DrawSpectrumPlot(painter, rect, *m_spectrum, m_spectrum->RowCount(),
                                                m_kaplanYorke);
            break;
        case AnalysisMode::LargestExponent:
            if (m_maxLyap) {
                LyapunovPlots::DrawMaxLyapunovPlot(painter, rect, *m_maxLyap);
                if (!m_slopeText.isEmpty()) {
                    painter.save();
                    painter.translate(rect.topLeft());
                    painter.setPen(Qt::black);
                    painter.drawLine(m_slopeFrom, m_slopeTo);
                    QFont font(QStringLiteral("Arial"));
                    font.setPixelSize(16);
                    painter.setFont(font);
                    painter.drawText(QRect(0, 2, rect.width(), 20), Qt::AlignHCenter | Qt::AlignTop,
                                     m_slopeText);
                    painter.restore();
                }
            }
            break;
        case AnalysisMode::CorrelationDimension:
            if (m_corrDim) {
                LyapunovPlots::DrawCorrDimPlot(painter, rect, *m_corrDim, m_fit[0].x(), m_fit[1].x());
                painter.save();
                painter.translate(rect.topLeft());
                painter.setPen(QPen(QColor(0, 0, 255), 1));
                const int bottom = LyapunovPlots::CorrDimSlopeBottom(QRect(QPoint(0, 0), rect.size()),
                                                                     m_fit[0].x(), m_fit[1].x());
                for (const QPoint& boundary : m_fit)
                    if (boundary.x() != 0) painter.drawLine(boundary.x(), 0, boundary.x(), bottom);
                painter.restore();
            }
            break;
    }
}

// ---------------------------------------------------------------------------------------------
// Mouse and keys

void AnalysisView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && !m_shared && m_params.mode == AnalysisMode::LargestExponent &&
        m_maxLyap) {
        m_dragFrom = event->position().toPoint();
        m_dragTo.reset();
    }
}

void AnalysisView::mouseMoveEvent(QMouseEvent* event) {
    if (m_dragFrom) {
        m_dragTo = event->position().toPoint();
        update();
    }
}

void AnalysisView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || m_shared) return;
    const QPoint at = event->position().toPoint();
    if (m_params.mode == AnalysisMode::LargestExponent && m_maxLyap && m_dragFrom) {
        const QPoint from = *m_dragFrom;
        m_dragFrom.reset();
        m_dragTo.reset();
        if (from != at) OnSlopeLine(from, at);
        update();
    } else if (m_params.mode == AnalysisMode::CorrelationDimension && m_corrDim) {
        OnFitClick(at);
    }
}

QList<QKeySequence> AnalysisView::ViewKeys() const {
    if (IsCalculating()) return {QKeySequence(Qt::Key_Escape)};
    return {};
}

void AnalysisView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && IsCalculating()) {
        Cancel();
        return;
    }
    QWidget::keyPressEvent(event);
}

void AnalysisView::OnSlopeLine(const QPoint& from, const QPoint& to) {
    if (!m_maxLyap) return;
    const double xs = LyapunovPlots::MaxLyapXScale(rect(), *m_maxLyap);
    const double ys = LyapunovPlots::MaxLyapYScale(rect(), *m_maxLyap);
    if (xs <= 0.0 || ys <= 0.0) return;
    const double i1 = (from.x() - 40) / xs, i2 = (to.x() - 40) / xs;
    if (i1 == i2) return;
    const double s1 = from.y() / ys, s2 = to.y() / ys;
    const double slope = -(s2 - s1) / (i2 - i1);
    m_slopeFrom = from;
    m_slopeTo = to;
    m_slopeText = Str(kTextSlope) + LyapunovPlots::CutNumber(slope, 10, 6);
    update();
}

void AnalysisView::OnFitClick(const QPoint& at) {
    QPoint& first = m_fit[0];
    QPoint& second = m_fit[1];
    if (first.x() != 0 && std::abs(at.x() - first.x()) < 5)
        first = QPoint();
    else if (second.x() != 0 && std::abs(at.x() - second.x()) < 5)
        second = QPoint();
    else if (first.x() == 0)
        first = at;
    else if (second.x() == 0)
        second = at;
    else if (std::abs(at.x() - first.x()) < std::abs(at.x() - second.x()))
        first = at;
    else
        second = at;
    if (first.x() != 0 && second.x() != 0 && second.x() < first.x()) std::swap(first, second);
    update();
}

// ---------------------------------------------------------------------------------------------
// Commands

bool AnalysisView::HasCommand(ViewCommand command) const {
    return command == ViewCommand::SaveView || command == ViewCommand::Copy;
}

void AnalysisView::OnViewCommand(ViewCommand command) {
    UserInterface& ui = m_doc.Ui();
    const auto paint = [this](QPainter& painter, const QRect& rect) { OnDraw(painter, rect); };
    if (command == ViewCommand::SaveView)
        SaveViewPicture(ui, Str(kTitleSave), PictureName(), size(), paint);
    else if (command == ViewCommand::Copy)
        CopyViewPicture(ui, PictureName(), size(), paint);
}
