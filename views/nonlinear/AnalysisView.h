#pragma once
// The analysis module's view: one of three nonlinear calculations on the selection (the
// Lyapunov spectrum, the largest Lyapunov exponent, the correlation dimension), started with
// Calculate and drawn by LyapunovPlots while it runs and afterwards from the kept results.
//
// A calculation runs on a worker thread so that the window stays responsive; the diagram grows
// from the engine's progress, which the window picks up a few times a second. Escape (or the
// main frame's cancel command) stops it, and a stopped or failed calculation leaves no result.
// In the largest-exponent diagram a dragged line reads off a slope; in the correlation diagram
// two clicks set the radius range in which the plateau of every dimension is fitted.

#include <QWidget>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

#include "analysis/LyapunovKantz.h"
#include "document/IDocumentView.h"
#include "document/JobRunner.h"
#include "platform/PictureWriter.h"
#include "views/common/IViewCommands.h"
#include "views/nonlinear/AnalysisSettings.h"

class SoundDocument;
class ProfileSettings;
class QPainter;

class AnalysisView : public QWidget, public IDocumentView, public IModuleView {
    Q_OBJECT
public:
    // The shared controls of the bar (their meaning changes with the mode).
    enum Control : int {
        kTau = 1110,
        kTauSlider = 1109,
        kPoints = 1025,
        kPointsSlider = 1111,
        kDimension = 1114,
        kDimensionSlider = 1113,
        kMaxDimension = 1115,
        kCount = 1124,
        kCountSlider = 1123,
        kRadiusMin = 1116,
        kRadiusMax = 1126,
        kRadii = 1118,
        kRadiiSlider = 1117,
        kIterations = 1120,
        kIterationsSlider = 1119,
        kCalculate = 1133,
        kReset = 1130,
    };

    AnalysisView(SoundDocument& doc, ProfileSettings& settings, QWidget* parent = nullptr);
    ~AnalysisView() override;

    void OnInitialUpdate() override;
    void OnUpdate(int hint) override;
    void CollectWindowState(ProfileSettings& settings) override;

    void OnDraw(QPainter& painter, const QRect& rect);
    static QString PictureName() { return PictureNameOf(PictureKind::Analysis); }

    bool HasCommand(ViewCommand command) const override;
    void OnViewCommand(ViewCommand command) override;
    QString HelpTopic() const override { return QStringLiteral("html/Zeitreihenanalysefenster.html"); }
    // Escape is the view's own only while it calculates; otherwise it stops listening or playing
    // in the main window, as everywhere else.
    QList<QKeySequence> ViewKeys() const override;

    // ---- the control bar ----
    AnalysisMode Mode() const { return m_params.mode; }
    void OnMode(AnalysisMode mode);
    // An edit of the bar changed; its value is limited and kept. The bar then shows Values().
    void OnEdit(int control, const QString& text);
    // The value an edit shows in the current mode.
    QString Value(int control) const;
    // The upper end of the dimension slider.
    int DimensionSliderMaximum() const;
    void SetControlsListener(std::function<void()> listener) { m_listener = std::move(listener); }
    // A new selection of that many samples (never 0): the bar takes its length as the counts.
    void SetSelectionListener(std::function<void(int samples)> listener) {
        m_selectionListener = std::move(listener);
    }

    // Calculate: asks the iteration questions, then starts the calculation of the mode.
    void OnCalculate();
    // The same calculation to the end on the calling thread (the command line).
    void CalculateNow();
    void OnReset();
    // Stops a running calculation (Escape).
    void Cancel();
    bool IsCalculating() const { return m_job != 0; }
    // Waits until a running calculation has ended and was taken over (tests).
    void WaitForCalculation();

    const AnalysisSettings& Parameters() const { return m_params; }
    bool HasResult(AnalysisMode mode) const;
    // The mode whose last calculation was stopped before it ended, if any.
    std::optional<AnalysisMode> CancelledMode() const { return m_cancelledMode; }
    const std::optional<MaxLyapResult>& MaxLyap() const { return m_maxLyap; }
    const std::optional<LyapSpectrumResult>& Spectrum() const { return m_spectrum; }
    const std::optional<CorrDimResult>& CorrDim() const { return m_corrDim; }
    const QString& SlopeText() const { return m_slopeText; }
    const QString& KaplanYorkeText() const { return m_kaplanYorke; }
    int FitFrom() const { return m_fit[0].x(); }
    int FitTo() const { return m_fit[1].x(); }
    // A click in the correlation diagram at x: sets, moves or removes a fit boundary.
    void OnFitClick(const QPoint& at);
    // The slope between two points of the largest-exponent diagram.
    void OnSlopeLine(const QPoint& from, const QPoint& to);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Forgets the result of one calculation and the texts drawn with it.
    void ClearResult(AnalysisMode mode);
    struct Shared;  // what the worker and the window share while a calculation runs
    // Asks what the calculation needs and makes it a job; nothing when it cannot start.
    std::optional<JobRunner::WorkerJob> PrepareCalculation();
    void Finish(JobRunner::Outcome outcome);  // the worker has ended: take its result or show its message
    void Changed();
    int* IntField(int control);
    double* DoubleField(int control);
    void ClampCounts();
    bool SelectionTooShort() const;
    // Why the mode's counts leave nothing to calculate (a count of 0 radii...); empty if they do not.
    QString NothingToCalculate() const;
    void DrawProgress(QPainter& painter, const QRect& rect);

    SoundDocument& m_doc;
    ProfileSettings& m_settings;
    AnalysisSettings m_params;
    std::function<void()> m_listener;
    std::function<void(int)> m_selectionListener;

    std::optional<LyapSpectrumResult> m_spectrum;
    std::optional<MaxLyapResult> m_maxLyap;
    std::optional<CorrDimResult> m_corrDim;
    QString m_kaplanYorke;
    QString m_slopeText;
    QPoint m_slopeFrom, m_slopeTo;
    std::optional<QPoint> m_dragFrom, m_dragTo;
    QPoint m_fit[2];
    bool m_askIterSpectrum = true;  // the two iteration questions are asked while these hold
    bool m_askIterMaxLyap = true;
    bool m_tooShortShown = false;
    std::optional<AnalysisMode> m_cancelledMode;  // whose last calculation was stopped (the picture says so)

    std::shared_ptr<Shared> m_shared;
    JobRunner::JobId m_job = 0;
    std::optional<AnalysisMode> m_runningMode;
};
