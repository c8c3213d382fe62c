#include "analysis/NoteRecorder.h"

bool NoteRecorder::Detect(const Partial& fundamental, bool selection) {
    const int k = NoteNumber(fundamental.frequency);
    if (k == m_lastNote) {
        m_run.push_back(k);
        m_lastRecord = fundamental;
    } else {
        m_run.clear();
    }
    m_lastNote = k;
    if (selection) {
        m_notes.push_back(fundamental);
        return true;
    }
    if (static_cast<int>(m_run.size()) == kRunToRecord) {
        m_notes.push_back(m_lastRecord);
        return true;
    }
    return false;
}

void NoteRecorder::Silence() {
    m_run.clear();
    m_lastNote = -1000;
}

void NoteRecorder::Clear() {
    m_notes.clear();
    Silence();
}
