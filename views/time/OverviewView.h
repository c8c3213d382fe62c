#pragma once
// The overview: the upper pane of the main sound window. It shows the whole sound as one
// trace under a time ruler, can be widened by a zoom factor and scrolled, and lets the user
// mark a stretch, which becomes the waveform view's window and the loop bounds of playback.
// While the program listens, it shows a running trace of the incoming blocks instead.
//
// Coordinates: the canvas is zoom × client width wide; marks are kept in canvas pixels
// counted from the left margin, the band in canvas pixels (scroll offset added).

#include <QAbstractScrollArea>
#include <QPen>
#include <QPoint>
#include <QTimer>
#include <cstdint>
#include <vector>

#include "document/IDocumentView.h"
#include "platform/PictureWriter.h"
#include "views/common/IViewCommands.h"
#include "views/time/TraceBuilder.h"

class ProfileSettings;
class SoundDocument;
class WaveformView;
class IModuleFrame;

class OverviewView : public QAbstractScrollArea, public IDocumentView, public IViewCommands {
    Q_OBJECT
public:
    static constexpr int kMargin = 10;  // left and right of the trace
    static constexpr int kRuler = 20;   // the time ruler's band at the top
    static constexpr int kCtrlSamples = 1099;
    // Marks of fewer samples than this do not become loop bounds.
    static constexpr std::int64_t kMinSelection = 21;

    OverviewView(SoundDocument& doc, const ProfileSettings& settings, QWidget* parent = nullptr);
    ~OverviewView() override;

    void SetWaveView(WaveformView* view) { m_waveView = view; }
    void SetFrame(IModuleFrame* frame) { m_moduleFrame = frame; }

    void OnInitialUpdate();
    void OnUpdate(int hint) override;
    // Draws the view for a client area of rect's size, at the current scroll position.
    void OnDraw(QPainter& painter, const QRect& rect);
    static QString PictureName() { return PictureNameOf(PictureKind::Overview); }
    QString HelpTopic() const override { return QStringLiteral("html/Hauptfenster.html"); }
    // Save View and Copy give the picture of the view as it is on screen, under the name of the
    // main sound window's pictures.
    bool HasCommand(ViewCommand command) const override;
    void OnViewCommand(ViewCommand command) override;

    void SetZoom(int zoom);
    void SetVerticalFactor(int factor);
    int Zoom() const { return m_zoom; }
    int VerticalFactor() const { return m_vFactor; }
    int CanvasWidth() const;
    int ScrollX() const;

    // Marks samples first up to last (exclusive) as if the user had marked them.
    void MarkSamples(std::uint32_t first, std::uint32_t last);
    // Removes the mark: the band goes, the waveform view empties and the loop bounds become 0, 0.
    void ClearMark();
    QPoint MarkStart() const { return m_markStart; }
    QPoint MarkEnd() const { return m_markEnd; }
    int CaretX() const { return m_caretX; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    struct TraceKey {
        const std::uint8_t* data = nullptr;
        std::uint32_t bytes = 0;
        int bits = 0;
        int width = 0, height = 0, zoom = 0, factor = 0, scroll = 0;
        friend bool operator==(const TraceKey&, const TraceKey&) = default;
    };

    const std::vector<QPoint>& Trace(int width, int height, int scroll);
    void DrawRuler(QPainter& painter, int width, int scroll);
    void AppendLiveBlock();
    // The waveform's window and the document's selection from the mark.
    void ApplyMark();
    void ApplySelection(std::int64_t first, std::int64_t last, std::int64_t firstp, std::int64_t lastp);
    std::int64_t PlaybackSampleCount() const;
    int CanvasXAt(int clientX) const;
    void UpdateBand(int canvasX1, int canvasX2);
    void UpdateScrollRange();

    SoundDocument& m_doc;
    const ProfileSettings& m_settings;
    WaveformView* m_waveView = nullptr;
    IModuleFrame* m_moduleFrame = nullptr;

    int m_zoom = 1;
    int m_vFactor = 1;
    QPoint m_markStart, m_markEnd;
    int m_bandStartX = 0, m_bandEndX = 0, m_bandLastX = 0;
    bool m_bandShown = false;
    bool m_marking = false;
    int m_caretX = kMargin;
    QTimer m_playTimer;  // follows the play position every 60 ms while playing
    void OnPlayTick();
    TraceBuilder m_liveTrace;  // the running trace while listening
    int m_nextX = kMargin;
    QPen m_penRed;

    TraceBuilder m_trace;
    TraceKey m_traceKey;
    bool m_traceValid = false;
};
