#pragma once
// The waveform: the lower pane of the main sound window. It draws, at full height, the
// stretch of the sound marked in the overview above it, lets the user drag out a selection
// whose spectrum the document then computes, and sets two markers by double-click.
// The plot is inset 10 pixels on every side; the margins show the window colour.

#include <QPen>
#include <QPoint>
#include <QWidget>
#include <array>
#include <cstdint>
#include <vector>

#include "analysis/SplinePoint.h"
#include "document/IDocumentView.h"
#include "platform/PictureWriter.h"
#include "views/common/IViewCommands.h"
#include "views/time/EnvelopeCurves.h"
#include "views/time/TraceBuilder.h"

class ProfileSettings;
class SoundDocument;
class EnvelopeDialog;
class IModuleFrame;

class WaveformView : public QWidget, public IDocumentView, public IViewCommands {
    Q_OBJECT
public:
    static constexpr int kMargin = 10;
    static constexpr int kCtrlSamples = 1099;       // the "Samples" field of the control bar
    static constexpr int kTextNoSound = 63012;      // what the empty pane says
    static constexpr int kCtrlModeSamples = 1184;   // radio: the waveform shows the samples
    static constexpr int kCtrlModeEnvelope = 1025;  // radio: the waveform shows the envelope
    static constexpr int kMsgSetMarkers = 61506;    // "edit envelope" needs both markers
    // Display modes.
    static constexpr int kModeEnvelope = 0;
    static constexpr int kModeSamples = 1;

    // The stretch marked in the overview: x positions in pixels of a plot plotWidth pixels
    // wide, counted from the plot's left edge. An empty window (right not above left, or no
    // plot width) shows the whole sound.
    struct ZoomWindow {
        int left = 0, top = 0, right = 0, bottom = 0;
        std::int64_t plotWidth = 0;
        friend bool operator==(const ZoomWindow&, const ZoomWindow&) = default;
    };

    WaveformView(SoundDocument& doc, const ProfileSettings& settings, QWidget* parent = nullptr);
    ~WaveformView() override;

    void OnInitialUpdate();
    void OnUpdate(int hint) override;
    // Draws the view for a client area of rect's size: on screen through the off-screen
    // surface, and into pictures.
    void OnDraw(QPainter& painter, const QRect& rect);
    static QString PictureName() { return PictureNameOf(PictureKind::Wave); }

    // Save View and Copy give the picture of the view as it is on screen.
    bool HasCommand(ViewCommand command) const override;
    void OnViewCommand(ViewCommand command) override;
    QString HelpTopic() const override { return QStringLiteral("html/Hauptfenster.html"); }

    // The control bar of the frame, for the "Samples" field; may be null.
    void SetFrame(IModuleFrame* frame) { m_moduleFrame = frame; }

    void SetZoomWindow(const ZoomWindow& window);
    const ZoomWindow& GetZoomWindow() const { return m_zoomWindow; }
    void ClearDragBand();
    void SetAmplitudeFactor(int factor);
    void SetHorizontalFactor(int factor) { m_horzFactor = factor; }
    void SetPrecision(int precision);
    int AmplitudeFactor() const { return m_ampFactor; }
    int Precision() const { return m_precision; }
    // Samples (the red trace) or envelope (the envelope of the whole stretch shown).
    void SetDisplayMode(int mode);
    int DisplayMode() const { return m_displayMode; }

    // "edit envelope": measures the envelope between the two markers, draws its points over
    // the waveform, merges it into the curves of the envelope dialog and shows the dialog.
    void OnEditEnvelope();
    // The envelope points between the markers, in view pixels (empty until "edit").
    const std::vector<SplinePoint>& UpperEnvelope() const { return m_upperEnvelope; }
    const std::vector<SplinePoint>& LowerEnvelope() const { return m_lowerEnvelope; }
    bool IsEnvelopeShown() const { return m_envelopeShown; }
    // The curves of the envelope dialog, accumulated over the edits.
    EnvelopeCurves& Curves() { return m_curves; }
    // The envelope dialog; null until the first "edit".
    EnvelopeDialog* EnvelopeWindow() const { return m_envelopeDlg; }
    // The pixel offset of a sample from the plot's middle line for a view height pixels high
    // (upwards positive), as the trace draws it.
    int SampleOffset(std::int64_t sample, int height) const;

    // The first and last sample of the stretch shown (both even), inside the sound.
    struct Stretch {
        double first = 0.0, last = 0.0;
    };
    Stretch VisibleSamples() const;
    // The sample a pixel column of a view width pixels wide stands for.
    static double SampleAtX(int x, const Stretch& stretch, int width);
    // Every how many samples a point is drawn: at most precision points per pixel column.
    static std::int64_t DrawStep(double first, double last, int width, int precision);

    // The band being dragged or last dragged, in view pixels (left <= right); empty when none.
    QRect DragBand() const;
    // The two markers' x positions, 0 when a marker is not set.
    std::array<int, 2> MarkerX() const { return {m_marker[0].x(), m_marker[1].x()}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    // What the cached trace was built from.
    struct TraceKey {
        const std::uint8_t* data = nullptr;
        std::uint32_t bytes = 0;
        int bits = 0;
        double first = 0.0, last = 0.0;
        std::int64_t step = 0;
        int width = 0, height = 0, amplitude = 0;
        friend bool operator==(const TraceKey&, const TraceKey&) = default;
    };

    // Resets what a new zoom window or a new size makes meaningless, before a paint.
    void SyncDrawState();
    // Forgets the envelope points; with curves also the dialog's curves.
    void ResetEnvelope(bool curves);
    const std::vector<QPoint>& Trace(const QRect& rect);
    // The envelope of the whole stretch shown, for the "envelope" display mode.
    const std::vector<QPoint>& StretchEnvelope(const QRect& rect);
    void DrawEnvelopePoints(QPainter& painter) const;
    void DrawNoSoundHint(QPainter& painter, const QRect& rect) const;
    int ClampToPlot(int x) const;
    void UpdateStrip(int x1, int x2);

    SoundDocument& m_doc;
    const ProfileSettings& m_settings;
    IModuleFrame* m_moduleFrame = nullptr;

    ZoomWindow m_zoomWindow;
    ZoomWindow m_lastZoomWindow;
    // The drag band: start, end and the last mouse position; previous x = 0 when no band is shown.
    QPoint m_bandStart, m_bandEnd, m_prev;
    bool m_dragging = false;
    std::array<QPoint, 2> m_marker{};  // x = 0: not set
    int m_ampFactor = 1;
    int m_horzFactor = 1;  // kept for the frame's zoom slider; the stretch alone decides the drawing
    int m_precision = 100;
    bool m_redrawAll = true;
    int m_displayMode = kModeSamples;
    QPen m_penRed, m_penBlue;

    std::vector<SplinePoint> m_upperEnvelope, m_lowerEnvelope;  // between the markers, view pixels
    bool m_envelopeShown = false;
    EnvelopeCurves m_curves;
    // The sound the curves were measured on: another one starts them afresh.
    const std::uint8_t* m_curvesData = nullptr;
    std::uint32_t m_curvesBytes = 0;
    EnvelopeDialog* m_envelopeDlg = nullptr;  // owned by this view as its child window

    // The envelope of the stretch shown ("envelope" mode): upper points, then the lower ones
    // backwards, as one outline; rebuilt when its key changes.
    std::vector<QPoint> m_stretchEnvelope;
    TraceKey m_stretchEnvelopeKey;
    bool m_stretchEnvelopeValid = false;

    TraceBuilder m_trace;
    TraceKey m_traceKey;
    bool m_traceValid = false;
};
