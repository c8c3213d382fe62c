#pragma once
// The 3D FFT module's window: the landscape with its control bar at the right (colours,
// background, frequency range, mesh or faces, amplitude and frequency scaling, precision,
// width, and buttons that turn and move the landscape step by step). The controls carry their
// numbers as object names, so that the document can set the highest frequency.

#include "views/common/ModuleFrame.h"
#include "views/spectral/LandscapeView.h"

class SoundDocument;

class LandscapeFrame : public ModuleFrame {
    Q_OBJECT
public:
    enum ControlId : int {
        kBackground = 1043,
        kBottomCutHz = 1068,
        kBottomCutHzSpin = 1070,
        kTopCutkHz = 1069,
        kTopCutkHzSpin = 1077,
        kMesh = 1092,
        kFaces = 1091,
        kWidth = 1100,
        kPrecision = 1097,
        kPrecisionSpin = 1098,
        kGaudy = 1040,
        kFix = 1041,
        kFixColour = 1042,
        kAmpLin = 1071,
        kAmpLog = 1072,
        kFreqLin = 1073,
        kFreqLog = 1074,
        kReset = 1056,
    };

    LandscapeFrame(ProfileSettings& settings, SoundDocument& doc);
    LandscapeView* FFT3DView() const { return m_view; }

protected:
    // The 3D keys (Ctrl+H, Ctrl+R, F2, …) also work while a control of the bar has the focus.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildControlBar();
    void ShowSettings(const LandscapeViewSettings& settings);

    LandscapeView* m_view;  // owned by the frame's widget tree
};
