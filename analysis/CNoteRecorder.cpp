#include "analysis/CNoteRecorder.h"

bool CNoteRecorder::Detect(const Partial& fundamental, bool selection) {
    const int k = NoteNumber(fundamental.frequency);
    if (k == m_nLastNote) {
        m_aRun.push_back(k);
        m_lastRecord = fundamental;
    } else {
        m_aRun.clear();
    }
    m_nLastNote = k;
    if (selection) {
        m_aNotes.push_back(fundamental);
        return true;
    }
    if (static_cast<int>(m_aRun.size()) == kRunToRecord) {
        m_aNotes.push_back(m_lastRecord);
        return true;
    }
    return false;
}

void CNoteRecorder::Silence() {
    m_aRun.clear();
    m_nLastNote = -1000;
}

void CNoteRecorder::Clear() {
    m_aNotes.clear();
    Silence();
}
