#pragma once
// The melody line of the score: the fundamentals detected one spectrum after another become
// recorded notes. From a running sound a note is recorded once it was detected the same
// several times in a row, so that passing tones and noise leave no note; a spectrum of a
// chosen stretch is recorded at once.

#include <vector>

#include "analysis/ScorePartials.h"

class NoteRecorder {
public:
    // Equal detections after the first that make a note.
    static constexpr int kRunToRecord = 4;

    // One detection; selection: the spectrum of a chosen stretch. True when a note was recorded.
    bool Detect(const Partial& fundamental, bool selection);
    // Nothing detected (silence): the run ends.
    void Silence();
    void Clear();

    const std::vector<Partial>& Notes() const { return m_notes; }
    int RunLength() const { return static_cast<int>(m_run.size()); }

private:
    std::vector<Partial> m_notes;
    std::vector<int> m_run;
    int m_lastNote = -1000;
    Partial m_lastRecord;
};
