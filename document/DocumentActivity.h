#pragma once
// What the document is doing: listening, recording, playing (and whether playback loops), whether
// a sound is loaded, whether a long computation runs, and whether playback plays a copy at another
// rate. The document changes these facts; views and the main window read them and, where they
// must react at once, connect to the change signals. The capture thread reads listening and
// recording while they change, so those two are atomic.

#include <QObject>
#include <atomic>

class DocumentActivity : public QObject {
    Q_OBJECT
public:
    explicit DocumentActivity(QObject* parent = nullptr) : QObject(parent) {}

    bool Listening() const { return m_listening.load(); }
    bool Recording() const { return m_recording.load(); }
    bool Playing() const { return m_playing; }
    bool Looping() const { return m_looping; }
    bool WaveLoaded() const { return m_waveLoaded; }
    bool Busy() const { return m_busy; }
    bool PlaysReducedCopy() const { return m_playsReducedCopy; }
    // Listening or playing: the views show running spectra.
    bool Live() const { return Listening() || Playing(); }

    // For the capture thread, which watches them while it runs.
    const std::atomic<bool>& ListeningFlag() const { return m_listening; }
    const std::atomic<bool>& RecordingFlag() const { return m_recording; }

    // Each setter tells only of a real change.
    void SetListening(bool on);
    void SetRecording(bool on);
    void SetPlaying(bool on);
    void SetLooping(bool on);
    void SetWaveLoaded(bool on);
    void SetBusy(bool on);
    void SetPlaysReducedCopy(bool on) { m_playsReducedCopy = on; }

signals:
    void ListeningChanged(bool on);
    void RecordingChanged(bool on);
    void PlayingChanged(bool on);
    void LoopingChanged(bool on);
    void WaveLoadedChanged(bool on);
    void BusyChanged(bool on);
    // A sound of a new format was taken: a loaded file, an imported time series (timeSeries), or
    // the capture format as listening starts. The spectral windows fit their ranges to it.
    void SoundFormatTaken(bool timeSeries);

private:
    std::atomic<bool> m_listening{false};
    std::atomic<bool> m_recording{false};
    bool m_playing = false;
    bool m_looping = false;
    bool m_waveLoaded = false;
    bool m_busy = false;
    bool m_playsReducedCopy = false;
};
