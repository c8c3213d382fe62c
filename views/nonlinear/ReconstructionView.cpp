#include "views/nonlinear/ReconstructionView.h"

#include <QClipboard>
#include <QGuiApplication>
#include <algorithm>

#include "document/SoundDocument.h"
#include "platform/StringTable.h"
#include "platform/UserInterface.h"
#include "settings/ProfileSettings.h"

namespace {

constexpr int kTitleSave = 61560;
constexpr int kHeaderExport = 61561;
constexpr int kMsgExported = 61485;
constexpr int kMsgNoClipboard = 61579;
constexpr int kKidsFftPoints = 8192;
constexpr float kAxisLength = 2.0f;

}  // namespace

ReconstructionView::ReconstructionView(SoundDocument& doc, ProfileSettings& settings, QWidget* parent)
    : Document3DView(doc, parent), m_settings(settings) {
    m_s = ReconstructionViewSettings::From(settings);
    Doc().AddView(this);
}

ReconstructionView::~ReconstructionView() {
    Doc().RemoveView(this);
    m_s.StoreInto(m_settings);
}

void ReconstructionView::OnInitialUpdate() {
    if (m_settings.IniAllgemeinGrundschulprofil) Doc().SetFftPoints(kKidsFftPoints);
    m_s = ReconstructionViewSettings::From(m_settings);
    if (m_listener) m_listener(m_s);
    m_rebuild = true;
    if (!Create3DEnvironment()) return;
    Render3DEnvironment();
}

void ReconstructionView::CollectWindowState(ProfileSettings& settings) {
    m_s.StoreInto(settings);
}

void ReconstructionView::OnUpdate(int hint) {
    if (IsSelectionHint(hint) || hint == kHintRebuild || hint == kHintRemoveWave || hint == kHintSpectrum)
        m_rebuild = true;
    if (hint == kHintRemoveWave) ResetView();
    Render3DEnvironment();
}

// ---------------------------------------------------------------------------------------
// Points

void ReconstructionView::Rebuild() {
    const SoundDocument& doc = Doc();
    const std::uint32_t axis = AxisColour();
    m_axes.assign(6, ReconstructionPoint{0, 0, 0, axis});
    for (int a = 0; a < 3; ++a) {
        float* from = &m_axes[std::size_t(2 * a)].x;
        float* to = &m_axes[std::size_t(2 * a + 1)].x;
        from[a] = -kAxisLength;
        to[a] = kAxisLength;
    }
    m_points = DelayReconstruction::Build(doc.SelectedSamples(), doc.FullScale(), doc.BitsPerSample() == 8,
                                          m_s.tau, m_s.numPoints, m_s.rainbow, m_s.fixedColour);
    m_rebuild = false;
    ++m_generation;
}

const std::vector<ReconstructionPoint>& ReconstructionView::Points() {
    if (m_rebuild) Rebuild();
    return m_points;
}

QString ReconstructionView::ExportText() const {
    const SoundDocument& doc = Doc();
    return QString::fromStdString(DelayReconstruction::ExportText(
        doc.SelectedSamples(), doc.FullScale(), doc.SampleRate(), m_s.tau, Str(kHeaderExport).toStdString()));
}

// ---------------------------------------------------------------------------------------
// Drawing

void ReconstructionView::InitialCamera(float& distance, float& pitch, float& yaw) const {
    distance = 7.0f;
    pitch = -65.0f;
    yaw = -35.0f;
}

bool ReconstructionView::RestoreDeviceObjects() {
    return true;
}

void ReconstructionView::InvalidateDeviceObjects() {}

void ReconstructionView::RenderFrame() {
    if (m_rebuild) Rebuild();
    GlRenderer& r = Renderer();
    r.Clear(m_s.background);
    if (r.batchGeneration[GlRenderer::kPoints] != m_generation) {
        r.UploadBatch(GlRenderer::kAxes, m_axes.data(), m_axes.size());
        r.UploadBatch(GlRenderer::kPoints, m_points.data(), m_points.size());
        r.batchGeneration[GlRenderer::kPoints] = m_generation;
    }
    r.DrawBatch(GlRenderer::kAxes, GlRenderer::Primitive::Lines, m_axes.size(), 1.0f);
    if (m_points.size() > 1) {
        if (m_s.points)
            r.DrawBatch(GlRenderer::kPoints, GlRenderer::Primitive::Points, m_points.size(),
                        m_s.pointSize * 0.5f);
        else
            r.DrawBatch(GlRenderer::kPoints, GlRenderer::Primitive::LineStrip, m_points.size(), 1.0f);
    }
    // The delay proposal of the time series window, after every frame.
    if (m_acfListener && Doc().FirstAutoCorrelationMinimum() != m_shownAcfMinimum) {
        m_shownAcfMinimum = Doc().FirstAutoCorrelationMinimum();
        m_acfListener(m_shownAcfMinimum);
    }
}

// ---------------------------------------------------------------------------------------
// Control bar

void ReconstructionView::Changed(bool rebuild) {
    if (rebuild) m_rebuild = true;
    if (m_listener) m_listener(m_s);
    Render3DEnvironment();
}

void ReconstructionView::OnTau(int tau) {
    m_s.tau = ReconstructionViewSettings::Key("IniRekoTau").Clamped(tau);
    Changed(true);
}

void ReconstructionView::OnPointMode(bool points) {
    m_s.points = points;
    m_s.pointSize = 1.0f;
    Changed(true);
}

void ReconstructionView::OnPointSize(int size) {
    m_s.pointSize = float(ReconstructionViewSettings::Key("IniRekoSizePts").Clamped(size));
    Changed(false);
}

void ReconstructionView::OnNumPoints(int points) {
    m_s.numPoints = DelayReconstruction::CoupledPointCount(std::max(points, 1), m_s.tau);
    Changed(true);
}

void ReconstructionView::OnRainbow(bool rainbow) {
    m_s.rainbow = rainbow;
    Changed(true);
}

void ReconstructionView::OnChooseFixedColour() {
    const std::optional<QColor> colour = Doc().Ui().ChooseColour(QColor::fromRgb(m_s.fixedColour));
    if (!colour) return;
    m_s.fixedColour = 0xFF000000u | (colour->rgb() & 0x00FFFFFFu);
    m_s.rainbow = false;
    Changed(true);
}

void ReconstructionView::OnChooseBackground() {
    const std::optional<QColor> colour = Doc().Ui().ChooseColour(QColor::fromRgb(m_s.background));
    if (!colour) return;
    m_s.background = 0xFF000000u | (colour->rgb() & 0x00FFFFFFu);
    Changed(true);  // the axes take the inverse colour
}

// ---------------------------------------------------------------------------------------
// Commands

bool ReconstructionView::HasCommand(ViewCommand command) const {
    return command == ViewCommand::SaveView || command == ViewCommand::Copy ||
           command == ViewCommand::ClearAllData || command == ViewCommand::ExportData;
}

void ReconstructionView::OnViewCommand(ViewCommand command) {
    UserInterface& ui = Doc().Ui();
    switch (command) {
        case ViewCommand::SaveView:
            SaveView(ui, Str(kTitleSave));
            break;
        case ViewCommand::Copy:
            CopyView(ui);
            break;
        case ViewCommand::ExportData: {
            if (Doc().IsPlaying() && !Doc().IsListening()) break;
            QClipboard* clipboard = QGuiApplication::clipboard();
            if (!clipboard) {
                ui.Message(kMsgNoClipboard, MessageIcon::Exclamation);
                break;
            }
            clipboard->setText(ExportText());
            ui.Message(kMsgExported, MessageIcon::Information);
            break;
        }
        case ViewCommand::ClearAllData:
            Doc().DeleteContents();
            ResetView();
            m_rebuild = true;
            Render3DEnvironment();
            Doc().UpdateAllViews(kHintRebuild);
            break;
    }
}
