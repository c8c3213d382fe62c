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
#include "views/time/CTraceBuilder.h"

class CKalvoSettings;
class CKalvoDoc;
class CKalvoView;
class IModuleFrame;

class CKalvoOverView : public QAbstractScrollArea, public IDocumentView, public IViewCommands {
    Q_OBJECT
public:
    static constexpr int kMargin = 10;  // left and right of the trace
    static constexpr int kRuler = 20;   // the time ruler's band at the top
    static constexpr int kCtrlSamples = 1099;
    // Marks of fewer samples than this do not become loop bounds.
    static constexpr std::int64_t kMinSelection = 21;

    CKalvoOverView(CKalvoDoc& doc, const CKalvoSettings& settings, QWidget* parent = nullptr);
    ~CKalvoOverView() override;

    void SetWaveView(CKalvoView* view) { m_pWaveView = view; }
    void SetFrame(IModuleFrame* frame) { m_pFrame = frame; }

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
    int Zoom() const { return m_nZoom; }
    int VerticalFactor() const { return m_nVFactor; }
    int CanvasWidth() const;
    int ScrollX() const;

    // Marks samples first up to last (exclusive) as if the user had marked them.
    void MarkSamples(std::uint32_t first, std::uint32_t last);
    // Removes the mark: the band goes, the waveform view empties and the loop bounds become 0, 0.
    void ClearMark();
    QPoint MarkStart() const { return m_ptMarkStart; }
    QPoint MarkEnd() const { return m_ptMarkEnd; }
    int CaretX() const { return m_nCaretX; }

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

    CKalvoDoc& m_doc;
    const CKalvoSettings& m_settings;
    CKalvoView* m_pWaveView = nullptr;
    IModuleFrame* m_pFrame = nullptr;

    int m_nZoom = 1;
    int m_nVFactor = 1;
    QPoint m_ptMarkStart, m_ptMarkEnd;
    int m_nBandStartX = 0, m_nBandEndX = 0, m_nBandLastX = 0;
    bool m_bBandShown = false;
    bool m_bMarking = false;
    int m_nCaretX = kMargin;
    QTimer m_playTimer;  // follows the play position every 60 ms while playing
    void OnPlayTick();
    CTraceBuilder m_liveTrace;  // the running trace while listening
    int m_nNextX = kMargin;
    QPen m_penRed;

    CTraceBuilder m_trace;
    TraceKey m_traceKey;
    bool m_bTraceValid = false;
};
