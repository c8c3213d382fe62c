#pragma once
// The capture buffer of a virtual input: a worker thread produces the signal in real time from
// Start, writing what is due into the looping buffer every few milliseconds. The amount due is
// computed from the time elapsed since Start, so the rate holds exactly however the thread is
// scheduled.

#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/audio/AudioDevice.h"
#include "platform/audio/CaptureRing.h"
#include "platform/audio/VirtualSignal.h"

class VirtualCaptureBuffer final : public CaptureBuffer {
public:
    // How often the worker wakes; the notifications come at most this late.
    static constexpr int kTickMilliseconds = 5;

    VirtualCaptureBuffer(const PcmFormat& format, std::uint32_t bytes, VirtualSignal signal);
    ~VirtualCaptureBuffer() override;
    VirtualCaptureBuffer(const VirtualCaptureBuffer&) = delete;
    VirtualCaptureBuffer& operator=(const VirtualCaptureBuffer&) = delete;

    bool SetNotificationPositions(const std::vector<std::uint32_t>& offsets, std::function<void()> notify) override;
    bool Start() override;
    void Stop() override;
    bool GetReadPosition(std::uint32_t* offset) const override;
    bool Lock(std::uint32_t offset, std::uint32_t bytes, Region* region) override;
    void Unlock(const Region& region) override;
    std::uint32_t Size() const override { return m_ring.Size(); }
    QString LastError() const override { return m_error; }

private:
    void Run();
    // Writes frames of the signal into the loop.
    void Produce(std::uint64_t frames);

    PcmFormat m_format;
    CaptureRing m_ring;
    VirtualSignal m_signal;
    QString m_error;

    std::thread m_worker;
    std::mutex m_mutex;  // guards m_stop between Stop and the worker's wait only
    std::condition_variable m_wake;
    bool m_stop = false;
};
