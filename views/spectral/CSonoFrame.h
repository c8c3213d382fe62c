#pragma once
// The sonogram module's window: the view with its control bar at the right (frequency range,
// scaling, palette, zoom, line width, smoothing, and the read-only frequency under the cursor
// and FFT size). The controls carry their numbers as object names, so that the document can
// set the highest frequency and the FFT size.

#include "views/common/CModuleFrame.h"
#include "views/spectral/SonoViewSettings.h"

class CSonoView;
class CKalvoDoc;
class QWidget;

class CSonoFrame : public CModuleFrame {
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

    CSonoFrame(CKalvoSettings& settings, CKalvoDoc& doc);
    CSonoView* SonoView() const { return m_view; }

private:
    void BuildControlBar();
    void ShowSettings(const SonoViewSettings& settings);

    CSonoView* m_view;  // owned by the frame's widget tree
};
