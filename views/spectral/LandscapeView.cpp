#include "views/spectral/LandscapeView.h"

#include <QApplication>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <new>

#include "analysis/ParallelColumns.h"
#include "document/SoundDocument.h"
#include "document/SpectrumService.h"
#include "platform/StringTable.h"
#include "platform/UserInterface.h"
#include "settings/ProfileSettings.h"

namespace {

constexpr int kMsgSelectMore = 61543;
constexpr int kMsgTooLittle = 61544;
constexpr int kTitleSave = 61556;
constexpr int kMsgCancelled = 64316;

}  // namespace

// The rows after the first, computed on worker threads. Each thread has its own transform and
// its own landscape to build rows in, so a row comes out bit for bit as on one thread.
struct LandscapeView::RowBuild {
    explicit RowBuild(std::size_t count) : pieces(count), rows(count) {}

    ParallelColumns pieces;
    std::vector<Landscape3D::BuiltRow> rows;  // until the window takes them
    int points = 0;
    double sampleRate = 0;
    int bits = 16;
    LandscapeSettings settings;
    std::function<void(std::size_t, double*)> source;  // the samples of a row

    bool Run(int threads, const CancelToken& token) {
        const std::size_t count = std::clamp<std::size_t>(std::size_t(std::max(threads, 1)), 1,
                                                          std::max<std::size_t>(rows.size(), 1));
        std::vector<std::unique_ptr<SpectrumService>> spectra;
        std::vector<Landscape3D> scratch(count);
        std::vector<std::vector<double>> blocks(count, std::vector<double>(std::size_t(points))),
            magnitudes(count);
        for (std::size_t t = 0; t < count; ++t) spectra.push_back(std::make_unique<SpectrumService>());
        return pieces.Run(
            int(count),
            [&](int thread, std::size_t row) {
                const auto t = std::size_t(thread);
                source(row, blocks[t].data());
                spectra[t]->Magnitudes(blocks[t].data(), points, magnitudes[t]);
                scratch[t].BuildRow(magnitudes[t].data(), magnitudes[t].size(), sampleRate, bits, settings);
                rows[row].x = scratch[t].RowX();
                rows[row].height = scratch[t].RowHeight();
            },
            token);
    }
};

// ---------------------------------------------------------------------------------------

LandscapeView::LandscapeView(SoundDocument& doc, ProfileSettings& settings, QWidget* parent)
    : Document3DView(doc, parent), m_settings(settings), m_threads(ParallelColumns::DefaultThreads()) {
    m_s = LandscapeViewSettings::From(settings);
    m_rebuildLater.setSingleShot(true);
    m_rebuildLater.setInterval(0);
    connect(&m_rebuildLater, &QTimer::timeout, this, [this] { StartRebuild(); });
    Doc().AddView(this);
}

LandscapeView::~LandscapeView() {
    CancelRebuild();
    Doc().RemoveView(this);
    m_s.StoreInto(m_settings);
}

void LandscapeView::OnInitialUpdate() {
    m_s = LandscapeViewSettings::From(m_settings);
    if (m_listener) m_listener(m_s);
    if (!Create3DEnvironment()) return;
    if (Doc().IsWaveLoaded() && !Doc().Activity().Live()) ScheduleRebuild();
    Render3DEnvironment();
}

void LandscapeView::CollectWindowState(ProfileSettings& settings) {
    m_s.StoreInto(settings);
}

int LandscapeView::Bits() const {
    return Doc().BitsPerSample() > 0 ? Doc().BitsPerSample() : 16;
}

// ---------------------------------------------------------------------------------------
// Rows

void LandscapeView::AddSpectrum(const std::vector<double>& spectrum) {
    if (spectrum.size() < 2) return;
    m_landscape.AddSpectrum(spectrum.data(), spectrum.size(), Doc().SampleRate(), Bits(), m_s.Landscape());
    ++m_generation;
}

void LandscapeView::OnUpdate(int hint) {
    const bool live = Doc().Activity().Live();
    if (hint == kHintRemoveWave) {
        CancelRebuild();
        ResetView();
    }
    if (hint == kHintRebuild) {
        if (Doc().IsWaveLoaded() && !live && !m_keepCleared)
            ScheduleRebuild();
        else
            CancelRebuild();
    }
    if (hint == kHintPlayStarted) CancelRebuild();
    // While listening or playing every spectrum of the transform size is a new row.
    if (hint == kHintSpectrum && live && Doc().Spectrum().size() == std::size_t(Doc().FftPoints() / 2 + 1)) {
        m_message.clear();
        AddSpectrum(Doc().Spectrum());
    }
    if (IsSelectionHint(hint) && !live && Doc().IsWaveLoaded()) {
        ResetView();
        ScheduleRebuild();
    }
    Render3DEnvironment();
}

// ---------------------------------------------------------------------------------------
// The landscape of a loaded sound

std::size_t LandscapeView::SourceLength() const {
    // Without a selection (the document keeps a single zero then) the whole sound.
    const SoundDocument& doc = Doc();
    if (doc.SelectedSamples().size() > 1) return doc.SelectedSamples().size();
    return doc.IsWaveLoaded() ? doc.SampleCount() : 0;
}

void LandscapeView::SourceBlock(std::size_t start, std::size_t points, std::vector<double>& out) const {
    const SoundDocument& doc = Doc();
    out.resize(points);
    if (doc.SelectedSamples().size() > 1) {
        std::copy_n(doc.SelectedSamples().begin() + std::ptrdiff_t(start), points, out.begin());
    } else {
        for (std::size_t i = 0; i < points; ++i) out[i] = doc.Sample(std::uint32_t(start + i));
    }
}

void LandscapeView::ScheduleRebuild() {
    if (!testAttribute(Qt::WA_DontShowOnScreen)) m_rebuildLater.start();
}

std::function<void(std::size_t, double*)> LandscapeView::RowSource() const {
    const SoundDocument& doc = Doc();
    const std::size_t step = m_step, points = std::size_t(m_points);
    if (doc.SelectedSamples().size() <= 1) {
        // The whole sound: its samples stay until the sound goes, which stops the build first.
        return [&doc, step, points](std::size_t row, double* out) {
            const std::size_t start = (row + 1) * step;
            for (std::size_t i = 0; i < points; ++i) out[i] = doc.Sample(std::uint32_t(start + i));
        };
    }
    // A new selection replaces the selected samples while the build may still run: the workers
    // read a copy, of the rows' samples alone where the rows lie apart.
    const std::vector<double>& selection = doc.SelectedSamples();
    if (m_rows * points < selection.size()) {
        auto rows = std::make_shared<std::vector<double>>(m_rows * points);
        for (std::size_t r = 0; r < m_rows; ++r)
            std::copy_n(selection.begin() + std::ptrdiff_t((r + 1) * step), points,
                        rows->begin() + std::ptrdiff_t(r * points));
        return [rows, points](std::size_t row, double* out) {
            std::copy_n(rows->begin() + std::ptrdiff_t(row * points), points, out);
        };
    }
    auto copy = std::make_shared<const std::vector<double>>(selection);
    return [copy, step, points](std::size_t row, double* out) {
        std::copy_n(copy->begin() + std::ptrdiff_t((row + 1) * step), points, out);
    };
}

bool LandscapeView::PrepareRebuild() {
    CancelRebuild();
    m_landscape.Clear();
    ++m_generation;
    m_message.clear();
    if (!Doc().IsWaveLoaded()) return false;
    const std::size_t n = SourceLength();
    m_points = Doc().FftPoints();
    if (m_points < 2 || n < std::size_t(m_points)) {
        m_message = Str(m_settings.IniAllgemeinGrundschulprofil ? kMsgSelectMore : kMsgTooLittle);
        return false;
    }
    // The first spectrum fixes the row length and so the number of rows.
    std::vector<double> block, spectrum;
    SourceBlock(0, std::size_t(m_points), block);
    if (!Doc().ComputeSpectrumOf(block, 0, m_points, spectrum)) return false;
    AddSpectrum(spectrum);
    // The other rows spread evenly up to the last full transform, so that the landscape shows
    // the whole sound and fills every row it can.
    const std::size_t rows = std::size_t(std::max(m_landscape.Rows(), 2));
    const std::size_t last = n - std::size_t(m_points);
    m_step = std::max<std::size_t>(last / (rows - 1), 1);
    if (last < 1) return false;
    m_rows = last / m_step;
    if (m_landscape.Rows() > 0)
        m_rows = std::min(m_rows, std::size_t(m_landscape.Rows() - m_landscape.FilledRows()));
    try {
        m_build = std::make_shared<RowBuild>(m_rows);
        m_build->points = m_points;
        m_build->sampleRate = double(Doc().SampleRate());
        m_build->bits = Bits();
        m_build->settings = m_s.Landscape();
        m_build->source = RowSource();
    } catch (const std::bad_alloc&) {
        // Too little memory for the copy of a long selection: the first row is all there is.
        m_build.reset();
        return false;
    }
    m_placed = 0;
    return true;
}

bool LandscapeView::StartRebuild() {
    if (testAttribute(Qt::WA_DontShowOnScreen)) return RebuildNow();
    if (!PrepareRebuild()) {
        Render3DEnvironment();
        return m_message.isEmpty() && !m_landscape.Empty();
    }
    JobRunner::WorkerJob job = RebuildJob();
    job.ui = &Doc().Ui();  // the wait cursor; the growing landscape shows the progress
    job.progress = [this] {
        TakeRows();
        m_landscape.ComputeNormals();
        ++m_generation;
        Render3DEnvironment();  // the landscape grows in front of the user
    };
    m_job = Doc().Jobs().StartWorker(std::move(job));
    return true;
}

bool LandscapeView::RebuildNow() {
    if (!PrepareRebuild()) return m_message.isEmpty() && !m_landscape.Empty();
    return JobRunner::RunNow(RebuildJob()) == JobRunner::Outcome::Finished;
}

JobRunner::WorkerJob LandscapeView::RebuildJob() {
    JobRunner::WorkerJob job;
    job.work = [build = m_build, threads = m_threads](const CancelToken& token) {
        try {
            build->Run(threads, token);
        } catch (const std::bad_alloc&) {
            token.Cancel();  // the rows not done stay missing: the build ends as if cancelled
        }
    };
    job.finished = [this](JobRunner::Outcome outcome) { FinishRebuild(outcome); };
    return job;
}

void LandscapeView::TakeRows() {
    if (!m_build) return;
    const std::size_t finished = m_build->pieces.Finished();
    if (finished == m_placed) return;
    // All of them at once: the mesh moves back once, not once per row.
    std::vector<Landscape3D::BuiltRow> rows;
    rows.reserve(finished - m_placed);
    for (; m_placed < finished; ++m_placed) rows.push_back(std::move(m_build->rows[m_placed]));
    m_landscape.AddRows(rows, m_build->settings);
}

void LandscapeView::FinishRebuild(JobRunner::Outcome outcome) {
    m_job = 0;
    if (outcome == JobRunner::Outcome::Finished) {
        TakeRows();
        m_landscape.ComputeNormals();
    } else {
        // Never a part of the sound that looks like all of it; a build its owner stopped says nothing.
        m_landscape.Clear();
        if (outcome == JobRunner::Outcome::Cancelled) m_message = Str(kMsgCancelled);
    }
    m_build.reset();
    ++m_generation;
    Render3DEnvironment();
}

void LandscapeView::CancelRebuild() {
    m_rebuildLater.stop();
    if (m_job != 0) Doc().Jobs().Stop(m_job);
}

// ---------------------------------------------------------------------------------------
// Drawing

void LandscapeView::InitialCamera(float& distance, float& pitch, float& yaw) const {
    // Seen from the front and above: low frequencies at the left, the newest row in front.
    distance = 1.4f * float(m_s.width) + 3.5f;
    pitch = -50.0f;
    yaw = 0.0f;
}

bool LandscapeView::RestoreDeviceObjects() {
    m_uploadedLayout = 0;  // a new context has empty buffers
    return true;
}

void LandscapeView::InvalidateDeviceObjects() {
    // The vertices stay in the landscape (system memory); only the buffers go with the context.
    m_uploadedLayout = 0;
}

void LandscapeView::RenderFrame() {
    GlRenderer& r = Renderer();
    r.Clear(m_s.background);
    if (m_landscape.Empty()) return;
    if (m_landscape.Rows() != m_lastRows || m_landscape.RowLength() != m_lastK) {
        m_lastRows = m_landscape.Rows();
        m_lastK = m_landscape.RowLength();
        ++m_layout;
    }
    if (r.meshGeneration != m_generation || m_uploadedLayout != m_layout) {
        const auto& v = m_landscape.Vertices();
        if (m_uploadedLayout != m_layout || r.MeshIndexCount() == 0) {
            const auto& idx = m_landscape.Indices();
            r.UploadMesh(v.data(), v.size(), idx.data(), idx.size());
            m_uploadedLayout = m_layout;
        } else {
            r.UploadMeshVertices(v.data(), v.size());
        }
        r.meshGeneration = m_generation;
    }
    r.DrawMesh(m_s.wire, m_landscape.FilledIndexCount());
}

void LandscapeView::DrawOverlay(QPainter& painter, const QRect& rect) const {
    if (m_message.isEmpty()) return;
    painter.save();
    QFont font(QStringLiteral("Century Gothic"));
    font.setPixelSize(16);
    painter.setFont(font);
    painter.setPen(QColor::fromRgb(~m_s.background & 0x00FFFFFFu));
    painter.drawText(rect.adjusted(10, 40, -10, -10), Qt::AlignCenter | Qt::TextWordWrap, m_message);
    painter.restore();
}

// ---------------------------------------------------------------------------------------
// Control bar

void LandscapeView::Changed() {
    if (m_listener) m_listener(m_s);
    m_landscape.Invalidate();
    // A loaded sound is built again; a live landscape starts a new mesh with the next row.
    if (Doc().IsWaveLoaded() && !Doc().Activity().Live()) ScheduleRebuild();
    Render3DEnvironment();
}

void LandscapeView::OnBottomCutHz(int hz) {
    m_s.bottomCutHz = LandscapeViewSettings::Key("Ini3DFFTBottomCutHz").Clamped(hz);
    Changed();
}

void LandscapeView::OnTopCutkHz(int khz) {
    m_s.topCutkHz = LandscapeViewSettings::Key("Ini3DFFTTopCutkHz").Clamped(khz);
    Changed();
}

void LandscapeView::OnAmplitudeLinear(bool linear) {
    m_s.ampLinear = linear;
    Changed();
}

void LandscapeView::OnFrequencyLinear(bool linear) {
    m_s.freqLinear = linear;
    Changed();
}

void LandscapeView::OnPrecision(int hundredths) {
    m_s.epsilon = float(std::clamp(hundredths, 1, 20)) / 100.0f;
    Changed();
}

void LandscapeView::OnWidth(int width) {
    m_s.width = std::clamp(width, 1, 20);
    Changed();
}

void LandscapeView::OnRainbow(bool rainbow) {
    m_s.rainbow = rainbow;
    Changed();
}

void LandscapeView::OnChooseFixedColour() {
    const std::optional<QColor> colour = Doc().Ui().ChooseColour(QColor::fromRgb(m_s.fixedColour));
    if (!colour) return;
    m_s.fixedColour = 0xFF000000u | (colour->rgb() & 0x00FFFFFFu);
    m_s.rainbow = false;
    Changed();
}

void LandscapeView::OnChooseBackground() {
    const std::optional<QColor> colour = Doc().Ui().ChooseColour(QColor::fromRgb(m_s.background));
    if (!colour) return;
    m_s.background = 0xFF000000u | (colour->rgb() & 0x00FFFFFFu);
    if (m_listener) m_listener(m_s);
    Render3DEnvironment();
}

void LandscapeView::OnWire(bool wire) {
    // Only the fill mode: the mesh stays as it is.
    m_s.wire = wire;
    if (m_listener) m_listener(m_s);
    Render3DEnvironment();
}

// ---------------------------------------------------------------------------------------
// Commands

bool LandscapeView::HasCommand(ViewCommand command) const {
    return command == ViewCommand::SaveView || command == ViewCommand::Copy ||
           command == ViewCommand::ClearAllData;
}

void LandscapeView::OnViewCommand(ViewCommand command) {
    UserInterface& ui = Doc().Ui();
    switch (command) {
        case ViewCommand::SaveView:
            SaveView(ui, Str(kTitleSave));
            break;
        case ViewCommand::Copy:
            CopyView(ui);
            break;
        case ViewCommand::ClearAllData:
            CancelRebuild();
            Doc().DeleteContents();
            m_landscape.Clear();
            ++m_generation;
            m_message.clear();
            Render3DEnvironment();
            m_keepCleared = true;
            Doc().UpdateAllViews(kHintRebuild);
            m_keepCleared = false;
            break;
        case ViewCommand::ExportData:
            break;
    }
}
