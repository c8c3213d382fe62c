#include "views/spectral/LandscapeView.h"

#include <QApplication>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "document/SoundDocument.h"
#include "platform/StringTable.h"
#include "platform/UserInterface.h"
#include "settings/ProfileSettings.h"

namespace {

constexpr int kMsgSelectMore = 61543;
constexpr int kMsgTooLittle = 61544;
constexpr int kTitleSave = 61556;
constexpr int kMsgCancelled = 64316;

}  // namespace

// ---------------------------------------------------------------------------------------

LandscapeView::LandscapeView(SoundDocument& doc, ProfileSettings& settings, QWidget* parent)
    : Document3DView(doc, parent), m_settings(settings) {
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
    SourceBlock(0, std::size_t(m_points), m_block);
    if (!Doc().ComputeSpectrumOf(m_block, 0, m_points, m_spectrum)) return false;
    AddSpectrum(m_spectrum);
    // The other rows spread evenly up to the last full transform, so that the landscape shows
    // the whole sound and fills every row it can.
    const std::size_t rows = std::size_t(std::max(m_landscape.Rows(), 2));
    m_last = n - std::size_t(m_points);
    m_step = std::max<std::size_t>(m_last / (rows - 1), 1);
    m_start = m_step;
    return m_last >= 1;
}

bool LandscapeView::StartRebuild() {
    if (testAttribute(Qt::WA_DontShowOnScreen)) return RebuildNow();
    if (!PrepareRebuild()) {
        Render3DEnvironment();
        return m_message.isEmpty() && !m_landscape.Empty();
    }
    JobRunner::SlicedJob job = RebuildJob();
    job.ui = &Doc().Ui();  // the wait cursor; the growing landscape shows the progress
    job.sliceDone = [this] {
        m_landscape.ComputeNormals();
        ++m_generation;
        Render3DEnvironment();  // the landscape grows in front of the user
    };
    m_job = Doc().Jobs().StartSliced(std::move(job));
    return true;
}

bool LandscapeView::RebuildNow() {
    if (!PrepareRebuild()) return m_message.isEmpty() && !m_landscape.Empty();
    return JobRunner::RunNow(RebuildJob()) == JobRunner::Outcome::Finished;
}

JobRunner::SlicedJob LandscapeView::RebuildJob() {
    JobRunner::SlicedJob job;
    job.step = [this] { return RebuildStep(); };
    job.finished = [this](JobRunner::Outcome outcome) { FinishRebuild(outcome); };
    return job;
}

bool LandscapeView::RebuildStep() {
    const auto more = [this] { return m_start <= m_last && !m_landscape.Full(); };
    if (!more()) return false;
    const LandscapeSettings landscape = m_s.Landscape();
    SourceBlock(m_start, std::size_t(m_points), m_block);
    if (Doc().ComputeSpectrumOf(m_block, 0, m_points, m_spectrum)) {
        m_landscape.BuildRow(m_spectrum.data(), m_spectrum.size(), Doc().SampleRate(), Bits(), landscape);
        m_landscape.AddRow(landscape, false);
    }
    m_start += m_step;
    return more();
}

void LandscapeView::FinishRebuild(JobRunner::Outcome outcome) {
    m_job = 0;
    if (outcome == JobRunner::Outcome::Finished) {
        m_landscape.ComputeNormals();
    } else {
        // Never a part of the sound that looks like all of it; a build its owner stopped says nothing.
        m_landscape.Clear();
        if (outcome == JobRunner::Outcome::Cancelled) m_message = Str(kMsgCancelled);
    }
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
