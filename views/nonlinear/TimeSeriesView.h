#pragma once
// The time series module's view: the selection as a step curve, its iterated autocorrelation
// functions in strips, or the mutual information between y(t) and y(t + tau) with the Shannon
// entropy and the first minimum. The plot scrolls horizontally; the zoom gives pixels per sample.
// Very long selections at a high zoom are offered a simpler view (fewer pixels per sample).

#include <QAbstractScrollArea>
#include <functional>
#include <optional>
#include <vector>

#include "document/IDocumentView.h"
#include "platform/PictureWriter.h"
#include "settings/SettingDescriptor.h"
#include "views/common/IViewCommands.h"

class SoundDocument;
class ProfileSettings;
class QPainter;

class TimeSeriesView : public QAbstractScrollArea, public IDocumentView, public IModuleView {
    Q_OBJECT
public:
    enum Mode : int { kTimeSeries = 0, kAutoCorrelation = 1, kMutualInformation = 2 };

    TimeSeriesView(SoundDocument& doc, ProfileSettings& settings, QWidget* parent = nullptr);
    ~TimeSeriesView() override;

    void OnInitialUpdate() override;
    void OnUpdate(int hint) override;
    void CollectWindowState(ProfileSettings& settings) override;

    // Draws the whole plot (all of its scroll extent) for a client height; returns its width.
    int OnDraw(QPainter& painter, int height);
    // The width of the whole plot.
    int PlotWidth() const;
    // The entropy and first-minimum texts of the mutual-information mode, at the top of rect.
    void DrawTexts(QPainter& painter, const QRect& rect) const;
    static QString PictureName() { return PictureNameOf(PictureKind::TimeSeries); }
    // The profile keys of the window's settings, with their ranges.
    static const std::vector<SettingDescriptor>& Keys();

    bool HasCommand(ViewCommand command) const override;
    void OnViewCommand(ViewCommand command) override;
    QString HelpTopic() const override { return QStringLiteral("html/Zeitreihendarstellung.html"); }

    // ---- the control bar ----
    int Mode() const { return m_whatIs; }
    void OnMode(int mode);
    // The zoom slider released at position v: v pixels per sample for v >= 1, 1 for 0, 1/|v| below.
    void OnZoomSlider(int position);
    int ZoomSliderPosition() const;
    void OnBoxes(int boxes);
    void OnMaxTau(int tau);
    void OnCorrelationCount(int count);
    int Boxes() const { return m_partitions; }
    int MaxTau() const { return m_corrLength; }
    int CorrelationCount() const { return m_korrCount; }
    double Zoom() const { return m_zoom; }
    void SetControlsListener(std::function<void()> listener) { m_listener = std::move(listener); }

    // The text "Export Data" puts on the clipboard for the current mode.
    QString ExportText();
    // Mutual information of the selection, as drawn (empty with 100 samples or fewer).
    const std::vector<double>& Information() const { return m_information; }
    // Why the mode shows no curve for the selection (too few samples, a constant series); empty
    // while it shows one. The window and its pictures show the text in place of the curve.
    QString MissingCurveText() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void Changed();
    void Recompute();  // what the mode needs from the selection
    void RecomputeAutoCorrelations();
    // The performance question for long selections; without ask the answer is yes.
    void AskSimplify(bool ask);
    void UpdateScrollRange();
    int Step() const;
    double DrawZoom() const;

    SoundDocument& m_doc;
    ProfileSettings& m_settings;
    std::function<void()> m_listener;
    int m_whatIs = 0;
    int m_korrCount = 3;
    int m_partitions = 16;
    int m_corrLength = 100;
    double m_zoom = 1.0;
    int m_simplify = 7;  // 7: not simplified (the answer No), 6: the user accepted (Yes)
    std::vector<double> m_information;
    std::optional<int> m_firstMinimum;
    bool m_constant = false;  // the selection is constant: it has no mutual information
    // The constant series last reported (its length, value, boxes and delays), told only once.
    struct ConstantSeries {
        std::size_t length;
        double value;
        int boxes, maxTau;
        bool operator==(const ConstantSeries&) const = default;
    };
    std::optional<ConstantSeries> m_toldConstant;
};
