#pragma once
// The analysis module's window: the view with its control bar. The bar's edits and sliders
// serve all three calculations; their labels and which of them show follow the mode, and after
// every change the bar shows the view's values as they came out of the limits.

#include "views/common/ModuleFrame.h"

class AnalysisView;
class SoundDocument;

class AnalysisFrame : public ModuleFrame {
    Q_OBJECT
public:
    enum ControlId : int {
        kModeSpectrum = 1134,
        kModeMaxLyap = 1135,
        kModeCorrDim = 1136,
        kDimensionLabel = 1152,
        kCountLabel = 1153,
        kRadiiLabel = 1155,
    };

    AnalysisFrame(ProfileSettings& settings, SoundDocument& doc);
    AnalysisView* ShownView() const { return m_view; }

private:
    void BuildControlBar();
    void ShowControls();

    AnalysisView* m_view;  // owned by the frame's widget tree
};
