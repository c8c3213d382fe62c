#pragma once
// The spectrum module's view: the amplitude spectrum that the document holds, drawn as bars,
// lines or columns over a linear or logarithmic frequency axis, with peak hold, slow fall,
// peaks that the user may correct with the right mouse button, a smooth curve through the
// peaks, a piano strip, and a read-out of frequency, level and note under a left click
// (a click on the piano strip plays the tone). The view never computes a spectrum itself.

#include <QImage>
#include <QWidget>
#include <functional>
#include <optional>

#include "document/IDocumentView.h"
#include "platform/PictureWriter.h"
#include "views/common/IViewCommands.h"
#include "views/spectral/FftPlot.h"

class SoundDocument;
class ProfileSettings;
class IModuleFrame;
class QPainter;

class FftView : public QWidget, public IDocumentView, public IModuleView {
    Q_OBJECT
public:
    static constexpr int kCtrlFftPoints = 1076;  // the read-only "actual FFT" field

    FftView(SoundDocument& doc, ProfileSettings& settings, QWidget* parent = nullptr);
    ~FftView() override;

    // The frame's control bar, where the view shows the FFT size; may be null.
    void SetFrame(IModuleFrame* frame) { m_moduleFrame = frame; }

    void OnInitialUpdate() override;
    void OnUpdate(int hint) override;
    void CollectWindowState(ProfileSettings& settings) override;

    // Rebuilds the plot from the document's spectrum for a client area of rect's size, then
    // draws it: what a repaint does.
    void OnDraw(QPainter& painter, const QRect& rect);
    // Draws the plot as it stands, without rebuilding it (pictures of the view on screen).
    void DrawPlot(QPainter& painter, const QRect& rect) const;
    static QString PictureName() { return PictureNameOf(PictureKind::Fft); }

    bool HasCommand(ViewCommand command) const override;
    void OnViewCommand(ViewCommand command) override;
    QString HelpTopic() const override {
        return QStringLiteral("html/Fouriertransformationsdarstellung.html");
    }

    // ---- the control bar's handlers; each repaints ----
    void OnBottomCutHz(int hz);
    void OnTopCutkHz(int khz);
    void OnUpperAmplitude(int db);  // upper end of the amplitude axis
    void OnLowerAmplitude(int db);  // lower end
    void OnAmplitudeLinear(bool linear);
    void OnFrequencyLinear(bool linear);
    void OnStyle(int style);
    void OnHold(bool on);
    void OnGrid(bool on);
    void OnDelayPixels(int pixels);
    void OnMinDistanceMaxima(int pixels);
    void OnMinDistanceNeighbour(int bins);
    void OnMarkers(bool on);
    void OnDelay(bool on);
    // A click on one of the three spline boxes (1 Bézier, 2 cubic, 3 beta), now checked or not.
    void OnSplineBox(int type, bool checked);

    const FftViewSettings& Settings() const { return m_plot.settings; }
    const FftPlot& Plot() const { return m_plot; }
    // Called after a handler changed the settings: the control bar shows them.
    void SetSettingsListener(std::function<void(const FftViewSettings&)> listener) {
        m_listener = std::move(listener);
    }

    // The read-out under a left click, while the button is held.
    struct ReadOut {
        QPoint at;
        double frequency = 0.0;
        double level = 0.0;
    };
    const std::optional<ReadOut>& CurrentReadOut() const { return m_readOut; }
    // Text of the read-out: 5 significant digits, at most one after the decimal point.
    static QString ReadOutNumber(double value);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void Changed();  // the bar follows, the plot is rebuilt and repainted
    void Rebuild();  // the next repaint rebuilds the plot
    void Geometry(const QRect& rect);
    void DrawCurve(QPainter& painter) const;
    void DrawPeaks(QPainter& painter) const;
    void DrawFrequencyAxis(QPainter& painter) const;
    void DrawAmplitudeAxis(QPainter& painter) const;
    void DrawPiano(QPainter& painter) const;
    void DrawCutNotice(QPainter& painter, const QRect& rect) const;
    void DrawReadOut(QPainter& painter, const ReadOut& readOut) const;
    void DrawCaptions(QPainter& painter, const QRect& rect) const;
    void ShowFftPoints(int points);
    void ExportData();
    int BitsPerSample() const;

    SoundDocument& m_doc;
    ProfileSettings& m_settings;
    IModuleFrame* m_moduleFrame = nullptr;
    std::function<void(const FftViewSettings&)> m_listener;
    FftPlot m_plot;
    QImage m_frame;  // the last repaint, shown again under a read-out
    bool m_rebuild = true;
    std::optional<ReadOut> m_readOut;
};
