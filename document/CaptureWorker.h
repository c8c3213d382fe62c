#pragma once
// The worker that listens: it captures into the looping buffer of the input device, wakes at
// the sixteen notification points, hands every new block to the user-interface thread and,
// while recording, appends the raw bytes to the recording file, whose sizes it keeps up to
// date so that a recording survives the program being killed.

#include <QString>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/audio/AudioDevice.h"

class CaptureWorker {
public:
    // What the thread is given when it starts.
    struct Parameters {
        AudioInputDevice* input = nullptr;  // owned by the caller, alive while the thread runs
        PcmFormat format;
        QString recordPath;  // where a recording goes ("Aufnahme.wav" in the program folder)
        // The document's listening and recording, read while the thread runs: it ends once
        // listening does, and writes the file while recording is on. Alive while the thread runs.
        const std::atomic<bool>* listening = nullptr;
        const std::atomic<bool>* recording = nullptr;
        // Hands a block (raw sample values) to the user-interface thread and waits until it has been
        // taken or the time is up; false when the block was dropped. Called on the capture thread.
        std::function<bool(const std::vector<double>& block, const QString& recordPath)> handOver;
        // Reports a failure by string number, on the capture thread; the thread then ends.
        std::function<void(int message)> failure;
        // Reports, on the capture thread, that a block could not be written to the recording file.
        // The file stays valid with what it held; nothing more is written until ResumeRecording.
        std::function<void(const QString& recordPath)> recordingFailed;
        // How often the recording file's sizes are brought up to date.
        int sizeUpdateMs = 1000;
        // The largest data chunk of a recording (a wave file's sizes are 32-bit).
        std::uint64_t recordLimitBytes = 0xFFFFFFFFull;
    };

    // Bytes per notification: a fifth of the rate, whole frames (100 ms of 16-bit mono).
    static std::uint32_t NotifySize(const PcmFormat& format);

    CaptureWorker() = default;
    ~CaptureWorker();
    CaptureWorker(const CaptureWorker&) = delete;
    CaptureWorker& operator=(const CaptureWorker&) = delete;

    void Start(Parameters parameters);
    // Signals the thread to end and waits until it has (the recording file is then complete).
    void Stop();
    bool IsRunning() const { return m_thread.joinable(); }
    // Blocks handed over and dropped since the start (a slow user-interface thread drops blocks).
    std::uint64_t BlocksHandedOver() const { return m_handedOver.load(); }
    std::uint64_t BlocksDropped() const { return m_dropped.load(); }
    // Whether the recording file has been opened in this listening session.
    bool RecordingOpened() const { return m_recordingOpened.load(); }
    // After a failed write: the next blocks are written again (a new record command).
    void ResumeRecording() { m_writeFailed = false; }

private:
    void Run();
    void Notify();
    bool WaitForNotification();

    Parameters m_params;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_notified = false;  // the auto-reset notification event
    std::atomic<bool> m_stop{false};
    std::atomic<std::uint64_t> m_handedOver{0};
    std::atomic<std::uint64_t> m_dropped{0};
    std::atomic<bool> m_recordingOpened{false};
    std::atomic<bool> m_writeFailed{false};
};
