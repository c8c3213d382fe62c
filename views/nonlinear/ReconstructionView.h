#pragma once
// The 3D reconstruction module's view: the selection as a delay reconstruction, the points
// (y(t), y(t+Tau), y(t+2·Tau)) inside three axes, as a cloud of points or as a line, coloured
// along time or in one colour. A sine becomes an ellipse, a vowel its attractor. The first
// minimum of the autocorrelation, which the time series window finds, is shown beside it as
// a proposal for Tau.

#include <functional>
#include <vector>

#include "analysis/DelayReconstruction.h"
#include "document/IDocumentView.h"
#include "platform/PictureWriter.h"
#include "views/common/Document3DView.h"
#include "views/common/IViewCommands.h"
#include "views/nonlinear/ReconstructionViewSettings.h"

class ProfileSettings;

class ReconstructionView : public Document3DView, public IDocumentView, public IModuleView {
    Q_OBJECT
public:
    static constexpr int kCtrlAcfMinimum = 1167;

    ReconstructionView(SoundDocument& doc, ProfileSettings& settings, QWidget* parent = nullptr);
    ~ReconstructionView() override;

    void OnInitialUpdate() override;
    void OnUpdate(int hint) override;
    void CollectWindowState(ProfileSettings& settings) override;

    bool HasCommand(ViewCommand command) const override;
    void OnViewCommand(ViewCommand command) override;
    QString HelpTopic() const override { return QStringLiteral("html/Rekonstruktionsfenster.html"); }
    QList<QKeySequence> ViewKeys() const override { return NavigationKeys(); }

    // The points of the current selection (built when a setting or the selection changed).
    const std::vector<ReconstructionPoint>& Points();
    // The reconstruction of the selection as a table for a spreadsheet (raw samples).
    QString ExportText() const;

    // ---- the control bar's handlers ----
    void OnTau(int tau);
    void OnPointMode(bool points);
    void OnPointSize(int size);
    // The number of points as entered; one not above 2·Tau becomes 3·Tau (the bar shows it).
    void OnNumPoints(int points);
    void OnRainbow(bool rainbow);
    void OnChooseFixedColour();
    void OnChooseBackground();

    const ReconstructionViewSettings& Settings() const { return m_s; }
    std::uint32_t AxisColour() const { return 0xFF000000u | (~m_s.background & 0x00FFFFFFu); }
    void SetSettingsListener(std::function<void(const ReconstructionViewSettings&)> l) {
        m_listener = std::move(l);
    }
    // Told the document's first autocorrelation minimum after a frame when it changed (0: not
    // computed yet; the time series window computes it).
    void SetAcfListener(std::function<void(int)> l) { m_acfListener = std::move(l); }
    static QString PictureName() { return PictureNameOf(PictureKind::Reconstruction); }

protected:
    bool RestoreDeviceObjects() override;
    void RenderFrame() override;
    void InvalidateDeviceObjects() override;
    void InitialCamera(float& distance, float& pitch, float& yaw) const override;
    void OnSaveKey() override { OnViewCommand(ViewCommand::SaveView); }
    std::uint32_t BackgroundColour() const override { return m_s.background; }

private:
    void Changed(bool rebuild);
    void Rebuild();

    ProfileSettings& m_settings;
    std::function<void(const ReconstructionViewSettings&)> m_listener;
    std::function<void(int)> m_acfListener;
    ReconstructionViewSettings m_s;
    std::vector<ReconstructionPoint> m_points;
    std::vector<ReconstructionPoint> m_axes;
    bool m_rebuild = true;
    std::uint64_t m_generation = 1;
    int m_shownAcfMinimum = -1;
};
