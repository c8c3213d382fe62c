#pragma once
// The sonogram module's view: a time-frequency picture, one spectrum per column, frequency
// upwards and the level of each frequency as a palette colour, between a piano keyboard on the
// left and a frequency scale on the right. For a loaded sound the view computes the spectra
// along the whole sound itself, on worker threads, one per core, while the window only puts
// the finished columns into the picture (Escape cancels); while listening or playing it adds a
// column for every new spectrum of the document and starts again at the left when the picture
// is full.

#include <QImage>
#include <QWidget>
#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

#include "analysis/Sonogram.h"
#include "analysis/SonogramBuild.h"
#include "document/IDocumentView.h"
#include "document/JobRunner.h"
#include "platform/PictureWriter.h"
#include "views/common/IViewCommands.h"
#include "views/spectral/SonogramViewSettings.h"

class SoundDocument;
class ProfileSettings;
class IModuleFrame;
class QPainter;

class SonogramView : public QWidget, public IDocumentView, public IModuleView {
    Q_OBJECT
public:
    static constexpr int kCtrlFftPoints = 1076;
    static constexpr int kKeyboardWidth = 25;  // the keyboard strip at the left
    // The width of the frequency scale at the right: its widest label in the interface
    // language (German writes decimal commas) beside the tick marks.
    static int ScaleWidth();
    static constexpr double kInitialGain = 32.0;

    SonogramView(SoundDocument& doc, ProfileSettings& settings, QWidget* parent = nullptr);
    ~SonogramView() override;

    void SetFrame(IModuleFrame* frame) { m_moduleFrame = frame; }
    // The size of the off-screen picture; by default the full screen. Set before the initial update.
    void SetPictureSize(const QSize& size) { m_pictureSize = size; }

    void OnInitialUpdate() override;
    void OnUpdate(int hint) override;
    void CollectWindowState(ProfileSettings& settings) override;

    // The picture scaled between the keyboard and the scale, both strips and the message.
    void OnDraw(QPainter& painter, const QRect& rect) const;
    static QString PictureName() { return PictureNameOf(PictureKind::Sonogram); }

    bool HasCommand(ViewCommand command) const override;
    void OnViewCommand(ViewCommand command) override;
    QString HelpTopic() const override { return QStringLiteral("html/Sonogrammdarstellung.html"); }

    // ---- the whole sound ----
    // Starts drawing the whole sound on worker threads; false when there is no sound or too
    // little of it (the message says so).
    bool StartRebuild();
    // Draws the whole sound at once (command line, tests); false as above or when cancelled.
    bool RebuildNow();
    bool IsRebuilding() const { return m_job != 0 || m_rebuildingNow; }
    // How many threads compute the columns; by default one per core.
    void SetThreads(int threads) { m_threads = std::max(threads, 1); }
    // The whole sound as a table: a header line with the frequencies of the rows in Hz, then
    // one line per column with its start time in seconds and the measured level in dB full
    // scale of every row (the loudest bin of the bar drawn there, whatever the gain), bottom
    // row first. Empty when the sound gives no column.
    QString ExportTable();

    // ---- the control bar's handlers ----
    void OnBottomCutHz(int hz);
    void OnTopCutkHz(int khz);
    void OnAmplitudeLinear(bool linear);
    void OnFrequencyLinear(bool linear);
    void OnPalette(bool colour1);
    void OnLineWidth(int width);
    void OnSmooth(bool on);
    void OnZoom(int position);  // the gain becomes 4 position + 1

    const SonogramViewSettings& Settings() const { return m_s; }
    double Gain() const { return m_gain; }
    const QImage& Picture() const { return m_picture; }
    int WritePosition() const { return m_x; }
    const QString& MessageText() const { return m_message; }
    // The frequency under a point of the window (the "Freq:" field).
    double FrequencyAt(int y) const;
    void SetSettingsListener(std::function<void(const SonogramViewSettings&)> l) {
        m_listener = std::move(l);
    }
    void SetFrequencyListener(std::function<void(double)> l) { m_frequencyListener = std::move(l); }

    // One column from a spectrum at the write position (a live column, a step of a rebuild).
    void AddColumn(const std::vector<double>& spectrum);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void Changed(bool redraw);  // the bar follows; the picture starts anew when redraw is set
    void ApplyScale();
    void EnsurePicture();
    void ClearPicture();
    void FillColumns(int x, int width, std::uint32_t colour);
    // Draws a column of colours (none: only the cursor moves on) at the write position.
    void PutColumn(const std::uint32_t* colours);
    bool PrepareRebuild();
    // The rebuild as a job: the columns on the worker threads.
    JobRunner::WorkerJob RebuildJob();
    // The finished columns that are not in the picture yet go there (and into the export).
    void TakeColumns();
    void FinishRebuild(JobRunner::Outcome outcome);
    // Stops a rebuild; tell: the picture says that it was cancelled.
    void CancelRebuild(bool tell);
    void DrawKeyboard(QPainter& painter, const QRect& rect) const;
    void DrawScale(QPainter& painter, const QRect& rect) const;
    void ShowFftPoints(int points);
    std::uint32_t Background() const;
    QColor TextColour() const;
    int BitsPerSample() const;

    SoundDocument& m_doc;
    ProfileSettings& m_settings;
    IModuleFrame* m_moduleFrame = nullptr;
    std::function<void(const SonogramViewSettings&)> m_listener;
    std::function<void(double)> m_frequencyListener;
    SonogramViewSettings m_s;
    double m_gain = kInitialGain;
    Sonogram m_sono;
    QSize m_pictureSize;
    QImage m_picture;  // allocated once at the full size and reused
    int m_x = 0;       // left edge of the next column
    bool m_clear = true;
    QString m_message;

    // The whole-sound rebuild in progress.
    JobRunner::JobId m_job = 0;    // the rebuild running on worker threads
    bool m_rebuildingNow = false;  // the rebuild running to the end at once
    bool m_keepCleared = false;
    int m_threads = 1;
    std::shared_ptr<SonogramBuild> m_build;  // shared with the worker threads
    std::size_t m_placed = 0;                // its columns in the picture so far
    // Filled while the export runs: one line per column.
    QString* m_export = nullptr;
};
