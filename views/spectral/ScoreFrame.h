#pragma once
// The score module's window: the view with its control bar (display mode,
// ladder spacing, number of overtones, playing the overtones, deleting the recorded notes).

#include "views/common/ModuleFrame.h"

class ScoreView;
class SoundDocument;

class ScoreFrame : public ModuleFrame {
    Q_OBJECT
public:
    enum ControlId : int {
        kLinear = 1025,
        kLogarithmic = 1026,
        kLadder = 1188,
        kOvertoneNotes = 1189,
        kMelody = 1190,
        kOvertones = 1192,
        kOvertonesSpin = 1193,
        kPlay = 1194,
        kDelete = 1195,
    };

    ScoreFrame(ProfileSettings& settings, SoundDocument& doc);
    ScoreView* ShownView() const { return m_view; }
    // The bar shows the view's settings (after the initial update).
    void ShowSettings();

private:
    void BuildControlBar();

    ScoreView* m_view;  // owned by the frame's widget tree
};
