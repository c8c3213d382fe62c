#pragma once
// The spectrum module's window: the view with its control bar at the right. The bar's
// controls carry their numbers as object names, so that the document can set the frequency
// and amplitude range and the FFT size; every change goes to the view's handler, and the bar
// then shows the view's settings as they came out (coupled values included).

#include "views/common/ModuleFrame.h"
#include "views/spectral/FftViewSettings.h"

class FftView;
class SoundDocument;
class QWidget;

class FftFrame : public ModuleFrame {
    Q_OBJECT
public:
    // The controls of the bar.
    enum ControlId : int {
        kBottomCutHz = 1068,
        kBottomCutHzSpin = 1070,
        kTopCutkHz = 1069,
        kTopCutkHzSpin = 1077,
        kUpperAmp = 1082,
        kUpperAmpSpin = 1088,
        kLowerAmp = 1083,
        kLowerAmpSpin = 1089,
        kAmpLin = 1071,
        kAmpLog = 1072,
        kFreqLin = 1073,
        kFreqLog = 1074,
        kFftPoints = 1076,
        kBars = 1078,
        kLines = 1046,
        kColumns = 1182,
        kHold = 1171,
        kDelay = 1180,
        kDelayPixels = 1087,
        kDelayPixelsSpin = 1090,
        kGrid = 1181,
        kMarkers = 1177,
        kMinDistMaxima = 1094,
        kMinDistMaximaSpin = 1095,
        kMinDistNeighbour = 1096,
        kMinDistNeighbourSpin = 1097,
        kBezier = 1084,
        kCubic = 1085,
        kBeta = 1086,
    };

    FftFrame(ProfileSettings& settings, SoundDocument& doc);
    FftView* ShownView() const { return m_view; }

private:
    QWidget* BuildControlBar();
    void ShowSettings(const FftViewSettings& settings);

    FftView* m_view;  // owned by the frame's widget tree
};
