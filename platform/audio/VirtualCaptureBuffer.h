#pragma once
// The capture buffer of a virtual input: a worker thread produces the signal in real time from
// Start, writing what is due into the looping buffer every few milliseconds. The amount due is
// computed from the time elapsed since Start, so the rate holds exactly however the thread is
// scheduled.

#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/audio/AudioDevice.h"
#include "platform/audio/RingCaptureBuffer.h"
#include "platform/audio/VirtualSignal.h"

class VirtualCaptureBuffer final : public RingCaptureBuffer {
public:
    // How often the worker wakes; the notifications come at most this late.
    static constexpr int kTickMilliseconds = 5;

    VirtualCaptureBuffer(const PcmFormat& format, std::uint32_t bytes, VirtualSignal signal);
    ~VirtualCaptureBuffer() override;
    VirtualCaptureBuffer(const VirtualCaptureBuffer&) = delete;
    VirtualCaptureBuffer& operator=(const VirtualCaptureBuffer&) = delete;

    bool Start() override;
    void Stop() override;

private:
    bool IsCapturing() const override { return m_worker.joinable(); }
    void Run();
    // Writes frames of the signal into the loop.
    void Produce(std::uint64_t frames);

    VirtualSignal m_signal;

    std::thread m_worker;
    std::mutex m_mutex;  // guards m_stop between Stop and the worker's wait only
    std::condition_variable m_wake;
    bool m_stop = false;
};
