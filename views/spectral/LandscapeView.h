#pragma once
// The 3D FFT module's view: successive spectra laid one behind the other as the rows of a lit
// landscape that the user turns, moves and zooms. For a loaded sound the view computes the
// spectra along the selection itself, on worker threads, one per core, while the window only
// adds the finished rows (Escape cancels); while listening or playing every new spectrum of the document
// becomes the newest row and the older rows move back. A row only rewrites the vertex array in place; the
// graphics buffers are filled at the next paint, so a live block never waits for the renderer.

#include <QTimer>
#include <algorithm>
#include <functional>
#include <memory>

#include "analysis/Landscape3D.h"
#include "document/IDocumentView.h"
#include "document/JobRunner.h"
#include "platform/PictureWriter.h"
#include "views/common/Document3DView.h"
#include "views/common/IViewCommands.h"
#include "views/spectral/LandscapeViewSettings.h"

class ProfileSettings;

class LandscapeView : public Document3DView, public IDocumentView, public IModuleView {
    Q_OBJECT
public:
    LandscapeView(SoundDocument& doc, ProfileSettings& settings, QWidget* parent = nullptr);
    ~LandscapeView() override;

    void OnInitialUpdate() override;
    void OnUpdate(int hint) override;
    void CollectWindowState(ProfileSettings& settings) override;

    bool HasCommand(ViewCommand command) const override;
    void OnViewCommand(ViewCommand command) override;
    QString HelpTopic() const override { return QStringLiteral("html/3DFFTDarstellung.html"); }
    QList<QKeySequence> ViewKeys() const override { return NavigationKeys(); }

    // ---- the landscape of a loaded sound ----
    // Starts building the landscape on worker threads; false when there is too little sound
    // (the message says so).
    bool StartRebuild();
    // Builds it at once (command line, tests); false as above or when cancelled.
    bool RebuildNow();
    bool IsRebuilding() const { return m_job != 0; }
    // How many threads compute the rows; by default one per core.
    void SetThreads(int threads) { m_threads = std::max(threads, 1); }
    // One spectrum (N/2 + 1 magnitudes of the FFT size) as the newest row.
    void AddSpectrum(const std::vector<double>& spectrum);

    // ---- the control bar's handlers ----
    void OnBottomCutHz(int hz);
    void OnTopCutkHz(int khz);
    void OnAmplitudeLinear(bool linear);
    void OnFrequencyLinear(bool linear);
    void OnPrecision(int hundredths);  // epsilon = value / 100
    void OnWidth(int width);
    void OnRainbow(bool rainbow);
    void OnChooseFixedColour();
    void OnChooseBackground();
    void OnWire(bool wire);

    const LandscapeViewSettings& Settings() const { return m_s; }
    const Landscape3D& Landscape() const { return m_landscape; }
    const QString& MessageText() const { return m_message; }
    void SetSettingsListener(std::function<void(const LandscapeViewSettings&)> l) {
        m_listener = std::move(l);
    }
    static QString PictureName() { return PictureNameOf(PictureKind::Fft3D); }

protected:
    bool RestoreDeviceObjects() override;
    void RenderFrame() override;
    void DrawOverlay(QPainter& painter, const QRect& rect) const override;
    void InvalidateDeviceObjects() override;
    void InitialCamera(float& distance, float& pitch, float& yaw) const override;
    void OnSaveKey() override { OnViewCommand(ViewCommand::SaveView); }
    std::uint32_t BackgroundColour() const override { return m_s.background; }

private:
    void Changed();  // a setting that shapes the landscape changed
    void ScheduleRebuild();
    bool PrepareRebuild();
    // The build as a job: the rows on the worker threads.
    JobRunner::WorkerJob RebuildJob();
    // The finished rows not in the landscape yet go there, in order.
    void TakeRows();
    void FinishRebuild(JobRunner::Outcome outcome);
    void CancelRebuild();
    // The samples the landscape is built from: the selection, or the whole sound without one.
    std::size_t SourceLength() const;
    void SourceBlock(std::size_t start, std::size_t points, std::vector<double>& out) const;
    // What the worker threads read their rows from: the samples of the row.
    std::function<void(std::size_t row, double* out)> RowSource() const;
    int Bits() const;

    ProfileSettings& m_settings;
    std::function<void(const LandscapeViewSettings&)> m_listener;
    LandscapeViewSettings m_s;
    Landscape3D m_landscape;
    std::uint64_t m_generation = 1;  // counts the landscape's changes for the renderer
    std::uint64_t m_layout = 1;      // counts new meshes (index buffers)
    std::uint64_t m_uploadedLayout = 0;
    int m_lastRows = -1, m_lastK = -1;
    QString m_message;

    QTimer m_rebuildLater;       // settings changes and hints come in bursts: one rebuild for them
    JobRunner::JobId m_job = 0;  // the build running on worker threads
    bool m_keepCleared = false;  // Clear all Data: the landscape stays empty until new sound
    int m_threads = 1;
    std::size_t m_step = 1, m_rows = 0;  // the rows after the first: at step, 2 step, ...
    int m_points = 0;
    struct RowBuild;
    std::shared_ptr<RowBuild> m_build;  // shared with the worker threads
    std::size_t m_placed = 0;           // its rows in the landscape so far
};
