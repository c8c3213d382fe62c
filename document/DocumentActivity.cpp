#include "document/DocumentActivity.h"

void DocumentActivity::SetListening(bool on) {
    if (m_listening.exchange(on) != on) emit ListeningChanged(on);
}

void DocumentActivity::SetRecording(bool on) {
    if (m_recording.exchange(on) != on) emit RecordingChanged(on);
}

void DocumentActivity::SetPlaying(bool on) {
    if (m_playing == on) return;
    m_playing = on;
    emit PlayingChanged(on);
}

void DocumentActivity::SetLooping(bool on) {
    if (m_looping == on) return;
    m_looping = on;
    emit LoopingChanged(on);
}

void DocumentActivity::SetWaveLoaded(bool on) {
    if (m_waveLoaded == on) return;
    m_waveLoaded = on;
    emit WaveLoadedChanged(on);
}

void DocumentActivity::SetBusy(bool on) {
    if (m_busy == on) return;
    m_busy = on;
    emit BusyChanged(on);
}
