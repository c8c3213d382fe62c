#include "views/spectral/CFFT3DView.h"

#include <QApplication>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "document/CKalvoDoc.h"
#include "platform/StringTable.h"
#include "platform/UserInterface.h"
#include "settings/CKalvoSettings.h"

namespace {

constexpr int kMsgSelectMore = 61543;
constexpr int kMsgTooLittle = 61544;
constexpr int kTitleSave = 61556;
constexpr int kMsgCancelled = 64316;

}  // namespace

// ---------------------------------------------------------------------------------------

CFFT3DView::CFFT3DView(CKalvoDoc& doc, CKalvoSettings& settings, QWidget* parent)
    : Document3DView(doc, parent), m_settings(settings) {
    m_s = FFT3DViewSettings::From(settings);
    m_rebuildLater.setSingleShot(true);
    m_rebuildLater.setInterval(0);
    connect(&m_rebuildLater, &QTimer::timeout, this, [this] { StartRebuild(); });
    Doc().AddView(this);
}

CFFT3DView::~CFFT3DView() {
    CancelRebuild();
    Doc().RemoveView(this);
    m_s.StoreInto(m_settings);
}

void CFFT3DView::OnInitialUpdate() {
    m_s = FFT3DViewSettings::From(m_settings);
    if (m_listener) m_listener(m_s);
    if (!Create3DEnvironment()) return;
    if (Doc().IsWaveLoaded() && !Doc().Activity().Live()) ScheduleRebuild();
    Render3DEnvironment();
}

void CFFT3DView::CollectWindowState(CKalvoSettings& settings) {
    m_s.StoreInto(settings);
}

int CFFT3DView::Bits() const {
    return Doc().m_nBitsPerSample > 0 ? Doc().m_nBitsPerSample : 16;
}

// ---------------------------------------------------------------------------------------
// Rows

void CFFT3DView::AddSpectrum(const std::vector<double>& spectrum) {
    if (spectrum.size() < 2) return;
    m_landscape.AddSpectrum(spectrum.data(), spectrum.size(), Doc().m_nSampleRate, Bits(), m_s.Landscape());
    ++m_nGeneration;
}

void CFFT3DView::OnUpdate(int hint) {
    const bool live = Doc().Activity().Live();
    if (hint == kHintRemoveWave) {
        CancelRebuild();
        ResetView();
    }
    if (hint == kHintRebuild) {
        if (Doc().IsWaveLoaded() && !live && !m_bKeepCleared)
            ScheduleRebuild();
        else
            CancelRebuild();
    }
    if (hint == kHintPlayStarted) CancelRebuild();
    // While listening or playing every spectrum of the transform size is a new row.
    if (hint == kHintSpectrum && live &&
        Doc().m_aSpectrum.size() == std::size_t(Doc().m_nFFTPoints / 2 + 1)) {
        m_strMessage.clear();
        AddSpectrum(Doc().m_aSpectrum);
    }
    if (IsSelectionHint(hint) && !live && Doc().IsWaveLoaded()) {
        ResetView();
        ScheduleRebuild();
    }
    Render3DEnvironment();
}

// ---------------------------------------------------------------------------------------
// The landscape of a loaded sound

std::size_t CFFT3DView::SourceLength() const {
    // Without a selection (the document keeps a single zero then) the whole sound.
    const CKalvoDoc& doc = Doc();
    if (doc.m_aSelSamples.size() > 1) return doc.m_aSelSamples.size();
    return doc.IsWaveLoaded() ? doc.SampleCount() : 0;
}

void CFFT3DView::SourceBlock(std::size_t start, std::size_t points, std::vector<double>& out) const {
    const CKalvoDoc& doc = Doc();
    out.resize(points);
    if (doc.m_aSelSamples.size() > 1) {
        std::copy_n(doc.m_aSelSamples.begin() + std::ptrdiff_t(start), points, out.begin());
    } else {
        for (std::size_t i = 0; i < points; ++i) out[i] = doc.Sample(std::uint32_t(start + i));
    }
}

void CFFT3DView::ScheduleRebuild() {
    if (!testAttribute(Qt::WA_DontShowOnScreen)) m_rebuildLater.start();
}

bool CFFT3DView::PrepareRebuild() {
    CancelRebuild();
    m_landscape.Clear();
    ++m_nGeneration;
    m_strMessage.clear();
    if (!Doc().IsWaveLoaded()) return false;
    const std::size_t n = SourceLength();
    m_nPoints = Doc().m_nFFTPoints;
    if (m_nPoints < 2 || n < std::size_t(m_nPoints)) {
        m_strMessage = Str(m_settings.IniAllgemeinGrundschulprofil ? kMsgSelectMore : kMsgTooLittle);
        return false;
    }
    // The first spectrum fixes the row length and so the number of rows.
    SourceBlock(0, std::size_t(m_nPoints), m_aBlock);
    if (!Doc().ComputeSpectrumOf(m_aBlock, 0, m_nPoints, m_aSpectrum)) return false;
    AddSpectrum(m_aSpectrum);
    // The other rows spread evenly up to the last full transform, so that the landscape shows
    // the whole sound and fills every row it can.
    const std::size_t rows = std::size_t(std::max(m_landscape.Rows(), 2));
    m_nLast = n - std::size_t(m_nPoints);
    m_nStep = std::max<std::size_t>(m_nLast / (rows - 1), 1);
    m_nStart = m_nStep;
    return m_nLast >= 1;
}

bool CFFT3DView::StartRebuild() {
    if (testAttribute(Qt::WA_DontShowOnScreen)) return RebuildNow();
    if (!PrepareRebuild()) {
        Render3DEnvironment();
        return m_strMessage.isEmpty() && !m_landscape.Empty();
    }
    JobRunner::SlicedJob job = RebuildJob();
    job.ui = &Doc().Ui();  // the wait cursor; the growing landscape shows the progress
    job.sliceDone = [this] {
        m_landscape.ComputeNormals();
        ++m_nGeneration;
        Render3DEnvironment();  // the landscape grows in front of the user
    };
    m_nJob = Doc().Jobs().StartSliced(std::move(job));
    return true;
}

bool CFFT3DView::RebuildNow() {
    if (!PrepareRebuild()) return m_strMessage.isEmpty() && !m_landscape.Empty();
    return JobRunner::RunNow(RebuildJob()) == JobRunner::Outcome::Finished;
}

JobRunner::SlicedJob CFFT3DView::RebuildJob() {
    JobRunner::SlicedJob job;
    job.step = [this] { return RebuildStep(); };
    job.finished = [this](JobRunner::Outcome outcome) { FinishRebuild(outcome); };
    return job;
}

bool CFFT3DView::RebuildStep() {
    const auto more = [this] { return m_nStart <= m_nLast && !m_landscape.Full(); };
    if (!more()) return false;
    const LandscapeSettings landscape = m_s.Landscape();
    SourceBlock(m_nStart, std::size_t(m_nPoints), m_aBlock);
    if (Doc().ComputeSpectrumOf(m_aBlock, 0, m_nPoints, m_aSpectrum)) {
        m_landscape.BuildRow(m_aSpectrum.data(), m_aSpectrum.size(), Doc().m_nSampleRate, Bits(), landscape);
        m_landscape.AddRow(landscape, false);
    }
    m_nStart += m_nStep;
    return more();
}

void CFFT3DView::FinishRebuild(JobRunner::Outcome outcome) {
    m_nJob = 0;
    if (outcome == JobRunner::Outcome::Finished) {
        m_landscape.ComputeNormals();
    } else {
        // Never a part of the sound that looks like all of it; a build its owner stopped says nothing.
        m_landscape.Clear();
        if (outcome == JobRunner::Outcome::Cancelled) m_strMessage = Str(kMsgCancelled);
    }
    ++m_nGeneration;
    Render3DEnvironment();
}

void CFFT3DView::CancelRebuild() {
    m_rebuildLater.stop();
    if (m_nJob != 0) Doc().Jobs().Stop(m_nJob);
}

// ---------------------------------------------------------------------------------------
// Drawing

void CFFT3DView::InitialCamera(float& distance, float& pitch, float& yaw) const {
    // Seen from the front and above: low frequencies at the left, the newest row in front.
    distance = 1.4f * float(m_s.width) + 3.5f;
    pitch = -50.0f;
    yaw = 0.0f;
}

bool CFFT3DView::RestoreDeviceObjects() {
    m_nUploadedLayout = 0;  // a new context has empty buffers
    return true;
}

void CFFT3DView::InvalidateDeviceObjects() {
    // The vertices stay in the landscape (system memory); only the buffers go with the context.
    m_nUploadedLayout = 0;
}

void CFFT3DView::RenderFrame() {
    CGlRenderer& r = Renderer();
    r.Clear(m_s.background);
    if (m_landscape.Empty()) return;
    if (m_landscape.Rows() != m_nLastRows || m_landscape.RowLength() != m_nLastK) {
        m_nLastRows = m_landscape.Rows();
        m_nLastK = m_landscape.RowLength();
        ++m_nLayout;
    }
    if (r.meshGeneration != m_nGeneration || m_nUploadedLayout != m_nLayout) {
        const auto& v = m_landscape.Vertices();
        if (m_nUploadedLayout != m_nLayout || r.MeshIndexCount() == 0) {
            const auto& idx = m_landscape.Indices();
            r.UploadMesh(v.data(), v.size(), idx.data(), idx.size());
            m_nUploadedLayout = m_nLayout;
        } else {
            r.UploadMeshVertices(v.data(), v.size());
        }
        r.meshGeneration = m_nGeneration;
    }
    r.DrawMesh(m_s.wire, m_landscape.FilledIndexCount());
}

void CFFT3DView::DrawOverlay(QPainter& painter, const QRect& rect) const {
    if (m_strMessage.isEmpty()) return;
    painter.save();
    QFont font(QStringLiteral("Century Gothic"));
    font.setPixelSize(16);
    painter.setFont(font);
    painter.setPen(QColor::fromRgb(~m_s.background & 0x00FFFFFFu));
    painter.drawText(rect.adjusted(10, 40, -10, -10), Qt::AlignCenter | Qt::TextWordWrap, m_strMessage);
    painter.restore();
}

// ---------------------------------------------------------------------------------------
// Control bar

void CFFT3DView::Changed() {
    if (m_listener) m_listener(m_s);
    m_landscape.Invalidate();
    // A loaded sound is built again; a live landscape starts a new mesh with the next row.
    if (Doc().IsWaveLoaded() && !Doc().Activity().Live()) ScheduleRebuild();
    Render3DEnvironment();
}

void CFFT3DView::OnBottomCutHz(int hz) {
    m_s.bottomCutHz = FFT3DViewSettings::Key("Ini3DFFTBottomCutHz").Clamped(hz);
    Changed();
}

void CFFT3DView::OnTopCutkHz(int khz) {
    m_s.topCutkHz = FFT3DViewSettings::Key("Ini3DFFTTopCutkHz").Clamped(khz);
    Changed();
}

void CFFT3DView::OnAmplitudeLinear(bool linear) {
    m_s.ampLinear = linear;
    Changed();
}

void CFFT3DView::OnFrequencyLinear(bool linear) {
    m_s.freqLinear = linear;
    Changed();
}

void CFFT3DView::OnPrecision(int hundredths) {
    m_s.epsilon = float(std::clamp(hundredths, 1, 20)) / 100.0f;
    Changed();
}

void CFFT3DView::OnWidth(int width) {
    m_s.width = std::clamp(width, 1, 20);
    Changed();
}

void CFFT3DView::OnRainbow(bool rainbow) {
    m_s.rainbow = rainbow;
    Changed();
}

void CFFT3DView::OnChooseFixedColour() {
    const std::optional<QColor> colour = Doc().Ui().ChooseColour(QColor::fromRgb(m_s.fixedColour));
    if (!colour) return;
    m_s.fixedColour = 0xFF000000u | (colour->rgb() & 0x00FFFFFFu);
    m_s.rainbow = false;
    Changed();
}

void CFFT3DView::OnChooseBackground() {
    const std::optional<QColor> colour = Doc().Ui().ChooseColour(QColor::fromRgb(m_s.background));
    if (!colour) return;
    m_s.background = 0xFF000000u | (colour->rgb() & 0x00FFFFFFu);
    if (m_listener) m_listener(m_s);
    Render3DEnvironment();
}

void CFFT3DView::OnWire(bool wire) {
    // Only the fill mode: the mesh stays as it is.
    m_s.wire = wire;
    if (m_listener) m_listener(m_s);
    Render3DEnvironment();
}

// ---------------------------------------------------------------------------------------
// Commands

bool CFFT3DView::HasCommand(ViewCommand command) const {
    return command == ViewCommand::SaveView || command == ViewCommand::Copy ||
           command == ViewCommand::ClearAllData;
}

void CFFT3DView::OnViewCommand(ViewCommand command) {
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
            ++m_nGeneration;
            m_strMessage.clear();
            Render3DEnvironment();
            m_bKeepCleared = true;
            Doc().UpdateAllViews(kHintRebuild);
            m_bKeepCleared = false;
            break;
        case ViewCommand::ExportData:
            break;
    }
}
