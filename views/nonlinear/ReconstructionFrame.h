#pragma once
// The 3D reconstruction module's window: the reconstruction with its control bar at the right
// (Tau, points or lines, point size, number of points, colours, rotation steps, reset, the
// autocorrelation's delay proposal and Save View). In the primary-school profile only the
// colours and the drawing mode are offered.

#include "views/common/ModuleFrame.h"
#include "views/nonlinear/ReconstructionView.h"

class SoundDocument;

class ReconstructionFrame : public ModuleFrame {
    Q_OBJECT
public:
    enum ControlId : int {
        kTau = 1023,
        kTauSpin = 1022,
        kPoints = 1045,
        kLines = 1046,
        kPointSize = 1025,
        kPointSizeSpin = 1062,
        kNumPoints = 1026,
        kGaudy = 1040,
        kFix = 1041,
        kForeground = 1042,
        kBackground = 1043,
        kRotXLess = 1055,
        kRotXMore = 1057,
        kRotYLess = 1058,
        kRotYMore = 1059,
        kRotZLess = 1060,
        kRotZMore = 1061,
        kResetView = 1056,
        kAcfMinimum = ReconstructionView::kCtrlAcfMinimum,
        kSaveView = 32808,
    };

    ReconstructionFrame(ProfileSettings& settings, SoundDocument& doc);
    ReconstructionView* ShownView() const { return m_view; }

protected:
    // The 3D keys (Ctrl+H, Ctrl+R, F2, …) also work while a control of the bar has the focus.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildControlBar(bool kids);
    void ShowSettings(const ReconstructionViewSettings& settings);

    ReconstructionView* m_view;  // owned by the frame's widget tree
};
