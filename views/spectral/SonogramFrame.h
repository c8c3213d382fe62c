#pragma once
// The sonogram module's window: the view with its control bar at the right (frequency range,
// scaling, palette, zoom, line width, smoothing, and the read-only frequency under the cursor
// and FFT size). The controls carry their numbers as object names, so that the document can
// set the highest frequency and the FFT size.

#include "views/common/ModuleFrame.h"
#include "views/spectral/SonogramViewSettings.h"

class SonogramView;
class SoundDocument;
class QWidget;

class SonogramFrame : public ModuleFrame {
    Q_OBJECT
public:
    enum ControlId : int {
        kBottomCutHz = 1068,
        kBottomCutHzSpin = 1070,
        kTopCutkHz = 1069,
        kTopCutkHzSpin = 1077,
        kAmpLin = 1071,
        kAmpLog = 1072,
        kFreqLin = 1073,
        kFreqLog = 1074,
        kColour1 = 1088,
        kColour2 = 1089,
        kZoom = 1087,
        kLineWidth = 1090,
        kLineWidthSpin = 1075,
        kSmooth = 1105,
        kFrequency = 1078,
        kFftPoints = 1076,
    };

    SonogramFrame(ProfileSettings& settings, SoundDocument& doc);
    SonogramView* SonoView() const { return m_view; }

private:
    void BuildControlBar();
    void ShowSettings(const SonogramViewSettings& settings);

    SonogramView* m_view;  // owned by the frame's widget tree
};
