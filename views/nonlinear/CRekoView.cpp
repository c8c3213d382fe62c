#include "views/nonlinear/CRekoView.h"

#include <QClipboard>
#include <QGuiApplication>
#include <algorithm>

#include "document/CKalvoDoc.h"
#include "platform/StringTable.h"
#include "platform/UserInterface.h"
#include "settings/CKalvoSettings.h"

namespace {

constexpr int kTitleSave = 61560;
constexpr int kHeaderExport = 61561;
constexpr int kMsgExported = 61485;
constexpr int kMsgNoClipboard = 61579;
constexpr int kKidsFftPoints = 8192;
constexpr float kAxisLength = 2.0f;

}  // namespace

CRekoView::CRekoView(CKalvoDoc& doc, CKalvoSettings& settings, QWidget* parent)
    : Document3DView(doc, parent), m_settings(settings) {
    m_s = RekoViewSettings::From(settings);
    Doc().AddView(this);
}

CRekoView::~CRekoView() {
    Doc().RemoveView(this);
    m_s.StoreInto(m_settings);
}

void CRekoView::OnInitialUpdate() {
    if (m_settings.IniAllgemeinGrundschulprofil) Doc().SetFftPoints(kKidsFftPoints);
    m_s = RekoViewSettings::From(m_settings);
    if (m_listener) m_listener(m_s);
    m_bRebuild = true;
    if (!Create3DEnvironment()) return;
    Render3DEnvironment();
}

void CRekoView::CollectWindowState(CKalvoSettings& settings) {
    m_s.StoreInto(settings);
}

void CRekoView::OnUpdate(int hint) {
    if (IsSelectionHint(hint) || hint == kHintRebuild || hint == kHintRemoveWave || hint == kHintSpectrum)
        m_bRebuild = true;
    if (hint == kHintRemoveWave) ResetView();
    Render3DEnvironment();
}

// ---------------------------------------------------------------------------------------
// Points

void CRekoView::Rebuild() {
    const CKalvoDoc& doc = Doc();
    const std::uint32_t axis = AxisColour();
    m_aAxes.assign(6, ReconstructionPoint{0, 0, 0, axis});
    for (int a = 0; a < 3; ++a) {
        float* from = &m_aAxes[std::size_t(2 * a)].x;
        float* to = &m_aAxes[std::size_t(2 * a + 1)].x;
        from[a] = -kAxisLength;
        to[a] = kAxisLength;
    }
    m_aPoints = DelayReconstruction::Build(doc.m_aSelSamples, doc.m_dFullScale, doc.m_nBitsPerSample == 8,
                                           m_s.tau, m_s.numPoints, m_s.rainbow, m_s.fixedColour);
    m_bRebuild = false;
    ++m_nGeneration;
}

const std::vector<ReconstructionPoint>& CRekoView::Points() {
    if (m_bRebuild) Rebuild();
    return m_aPoints;
}

QString CRekoView::ExportText() const {
    const CKalvoDoc& doc = Doc();
    return QString::fromStdString(DelayReconstruction::ExportText(
        doc.m_aSelSamples, doc.m_dFullScale, doc.m_nSampleRate, m_s.tau, Str(kHeaderExport).toStdString()));
}

// ---------------------------------------------------------------------------------------
// Drawing

void CRekoView::InitialCamera(float& distance, float& pitch, float& yaw) const {
    distance = 7.0f;
    pitch = -65.0f;
    yaw = -35.0f;
}

bool CRekoView::RestoreDeviceObjects() {
    return true;
}

void CRekoView::InvalidateDeviceObjects() {}

void CRekoView::RenderFrame() {
    if (m_bRebuild) Rebuild();
    CGlRenderer& r = Renderer();
    r.Clear(m_s.background);
    if (r.batchGeneration[CGlRenderer::kPoints] != m_nGeneration) {
        r.UploadBatch(CGlRenderer::kAxes, m_aAxes.data(), m_aAxes.size());
        r.UploadBatch(CGlRenderer::kPoints, m_aPoints.data(), m_aPoints.size());
        r.batchGeneration[CGlRenderer::kPoints] = m_nGeneration;
    }
    r.DrawBatch(CGlRenderer::kAxes, CGlRenderer::Primitive::Lines, m_aAxes.size(), 1.0f);
    if (m_aPoints.size() > 1) {
        if (m_s.points)
            r.DrawBatch(CGlRenderer::kPoints, CGlRenderer::Primitive::Points, m_aPoints.size(),
                        m_s.pointSize * 0.5f);
        else
            r.DrawBatch(CGlRenderer::kPoints, CGlRenderer::Primitive::LineStrip, m_aPoints.size(), 1.0f);
    }
    // The delay proposal of the time series window, after every frame.
    if (m_acfListener && Doc().m_nFirstAcfMinimum != m_nShownAcfMinimum) {
        m_nShownAcfMinimum = Doc().m_nFirstAcfMinimum;
        m_acfListener(m_nShownAcfMinimum);
    }
}

// ---------------------------------------------------------------------------------------
// Control bar

void CRekoView::Changed(bool rebuild) {
    if (rebuild) m_bRebuild = true;
    if (m_listener) m_listener(m_s);
    Render3DEnvironment();
}

void CRekoView::OnTau(int tau) {
    m_s.tau = RekoViewSettings::Key("IniRekoTau").Clamped(tau);
    Changed(true);
}

void CRekoView::OnPointMode(bool points) {
    m_s.points = points;
    m_s.pointSize = 1.0f;
    Changed(true);
}

void CRekoView::OnPointSize(int size) {
    m_s.pointSize = float(RekoViewSettings::Key("IniRekoSizePts").Clamped(size));
    Changed(false);
}

void CRekoView::OnNumPoints(int points) {
    m_s.numPoints = DelayReconstruction::CoupledPointCount(std::max(points, 1), m_s.tau);
    Changed(true);
}

void CRekoView::OnRainbow(bool rainbow) {
    m_s.rainbow = rainbow;
    Changed(true);
}

void CRekoView::OnChooseFixedColour() {
    const std::optional<QColor> colour = Doc().Ui().ChooseColour(QColor::fromRgb(m_s.fixedColour));
    if (!colour) return;
    m_s.fixedColour = 0xFF000000u | (colour->rgb() & 0x00FFFFFFu);
    m_s.rainbow = false;
    Changed(true);
}

void CRekoView::OnChooseBackground() {
    const std::optional<QColor> colour = Doc().Ui().ChooseColour(QColor::fromRgb(m_s.background));
    if (!colour) return;
    m_s.background = 0xFF000000u | (colour->rgb() & 0x00FFFFFFu);
    Changed(true);  // the axes take the inverse colour
}

// ---------------------------------------------------------------------------------------
// Commands

bool CRekoView::HasCommand(ViewCommand command) const {
    return command == ViewCommand::SaveView || command == ViewCommand::Copy ||
           command == ViewCommand::ClearAllData || command == ViewCommand::ExportData;
}

void CRekoView::OnViewCommand(ViewCommand command) {
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
            m_bRebuild = true;
            Render3DEnvironment();
            Doc().UpdateAllViews(kHintRebuild);
            break;
    }
}
