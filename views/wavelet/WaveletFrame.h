#pragma once
// The wavelet module's window: the view with its control bar at the right (wavelet and its
// arguments, number of time points, division, number of scales, lowest and highest
// frequency). The controls carry their numbers as object names; every change goes to the
// view's handler, and the bar then shows the view's settings as they came out.

#include "views/common/ModuleFrame.h"
#include "views/wavelet/WaveletViewSettings.h"

class SoundDocument;
class WaveletView;

class WaveletFrame : public ModuleFrame {
    Q_OBJECT
public:
    enum ControlId : int {
        kWaveletList = 1198,
        kArguments = 1199,
        kArgumentsLabel = 1209,
        kDescription = 1210,
        kTimePoints = 1200,
        kTimePointsSpin = 1208,
        kDivision = 1201,
        kScales = 1205,
        kScalesSpin = 1206,
        kMinFreq = 1203,
        kMinFreqSpin = 1202,
        kMaxFreq = 1204,
        kMaxFreqSpin = 1207,
    };
    static constexpr int kBarWidth = 190;

    WaveletFrame(ProfileSettings& settings, SoundDocument& doc);
    WaveletView* ShownView() const { return m_view; }

private:
    void BuildControlBar();
    void ShowSettings(const WaveletViewSettings& settings);

    WaveletView* m_view;  // owned by the frame's widget tree
};
