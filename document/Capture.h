#pragma once
// The sound coming in: the capture thread, and the hand-over of its blocks, failures and failed
// recording writes to the window's thread. The document owns one and decides what a block means.

#include <QString>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "document/WaveFormat.h"

class AudioInputDevice;
class CaptureWorker;

class Capture {
public:
    // What the capture reads while it runs; the device and the flags stay alive until Stop.
    struct Source {
        AudioInputDevice* input = nullptr;
        WaveFormat format;  // mono PCM
        QString recordPath;
        // Listening ends the capture; recording writes the file while it is on.
        const std::atomic<bool>* listening = nullptr;
        const std::atomic<bool>* recording = nullptr;
        std::uint64_t recordLimitBytes = 0xFFFFFFFFull;
    };
    // Each called on the window's thread.
    struct Handlers {
        // A block of raw sample values; recordPath is empty until a recording file is named.
        std::function<void(const std::vector<double>& block, const QString& recordPath)> block;
        // The capture has ended with the failure of that string number.
        std::function<void(int message)> failure;
        // A block could not be written to the recording file; it stays valid with what it held.
        std::function<void(const QString& recordPath)> recordingFailed;
    };

    Capture();
    ~Capture();
    Capture(const Capture&) = delete;
    Capture& operator=(const Capture&) = delete;

    void Start(const Source& source, Handlers handlers);
    // Waits until the capture has ended (a recording file is then complete).
    void Stop();
    // Whether the recording file has been opened since the start.
    bool RecordingOpened() const;
    // After a failed write: the next blocks are written again.
    void ResumeRecording();
    // The thread of the last start, for its counts; null before the first.
    const CaptureWorker* Thread() const { return m_thread.get(); }

private:
    std::unique_ptr<CaptureWorker> m_thread;
    Handlers m_handlers;
};
