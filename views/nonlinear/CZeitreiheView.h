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
#include "views/common/IViewCommands.h"

class CKalvoDoc;
class CKalvoSettings;
class QPainter;

class CZeitreiheView : public QAbstractScrollArea, public IDocumentView, public IModuleView {
    Q_OBJECT
public:
    enum Mode : int { kTimeSeries = 0, kAutoCorrelation = 1, kMutualInformation = 2 };

    CZeitreiheView(CKalvoDoc& doc, CKalvoSettings& settings, QWidget* parent = nullptr);
    ~CZeitreiheView() override;

    void OnInitialUpdate() override;
    void OnUpdate(int hint) override;
    void CollectWindowState(CKalvoSettings& settings) override;

    // Draws the whole plot (all of its scroll extent) for a client height; returns its width.
    int OnDraw(QPainter& painter, int height);
    // The width of the whole plot.
    int PlotWidth() const;
    // The entropy and first-minimum texts of the mutual-information mode, at the top of rect.
    void DrawTexts(QPainter& painter, const QRect& rect) const;
    static QString PictureName() { return PictureNameOf(PictureKind::TimeSeries); }

    bool HasCommand(ViewCommand command) const override;
    void OnViewCommand(ViewCommand command) override;
    QString HelpTopic() const override { return QStringLiteral("html/Zeitreihendarstellung.html"); }

    // ---- the control bar ----
    int Mode() const { return m_nWhatIs; }
    void OnMode(int mode);
    // The zoom slider released at position v: v pixels per sample for v >= 1, 1 for 0, 1/|v| below.
    void OnZoomSlider(int position);
    int ZoomSliderPosition() const;
    void OnBoxes(int boxes);
    void OnMaxTau(int tau);
    void OnCorrelationCount(int count);
    int Boxes() const { return m_nPartitions; }
    int MaxTau() const { return m_nCorrLength; }
    int CorrelationCount() const { return m_nKorrCount; }
    double Zoom() const { return m_dZoom; }
    void SetControlsListener(std::function<void()> listener) { m_listener = std::move(listener); }

    // The text "Export Data" puts on the clipboard for the current mode.
    QString ExportText();
    // Mutual information of the selection, as drawn (empty with 100 samples or fewer).
    const std::vector<double>& Information() const { return m_aInformation; }
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

    CKalvoDoc& m_doc;
    CKalvoSettings& m_settings;
    std::function<void()> m_listener;
    int m_nWhatIs = 0;
    int m_nKorrCount = 3;
    int m_nPartitions = 16;
    int m_nCorrLength = 100;
    double m_dZoom = 1.0;
    int m_nSimplify = 7;  // 7: not simplified (the answer No), 6: the user accepted (Yes)
    std::vector<double> m_aInformation;
    std::optional<int> m_firstMinimum;
    bool m_bConstant = false;  // the selection is constant: it has no mutual information
    // The constant series last reported (its length, value, boxes and delays), told only once.
    struct ConstantSeries {
        std::size_t length;
        double value;
        int boxes, maxTau;
        bool operator==(const ConstantSeries&) const = default;
    };
    std::optional<ConstantSeries> m_toldConstant;
};
