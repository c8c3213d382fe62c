#pragma once
// The time series module's window: the view with its control bar (the three modes, the zoom
// slider, and the numbers of the autocorrelation and mutual-information modes, each shown only
// in its mode).

#include "views/common/ModuleFrame.h"

class TimeSeriesView;
class SoundDocument;

class TimeSeriesFrame : public ModuleFrame {
    Q_OBJECT
public:
    enum ControlId : int {
        kTimeSeries = 1160,
        kAutoCorrelation = 1161,
        kMutualInformation = 1163,
        kZoom = 1231,
        kBoxes = 1171,
        kBoxesSpin = 1172,
        kMaxTau = 1169,
        kMaxTauSpin = 1170,
        kCount = 1229,
        kCountSpin = 1230,
        kBoxesLabel = 1233,
        kMaxTauLabel = 1234,
        kCountLabel = 1232,
    };

    TimeSeriesFrame(ProfileSettings& settings, SoundDocument& doc);
    TimeSeriesView* ShownView() const { return m_view; }

private:
    void BuildControlBar();
    void ShowControls();

    TimeSeriesView* m_view;  // owned by the frame's widget tree
};
