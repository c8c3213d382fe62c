#include "platform/audio/VirtualCaptureBuffer.h"

#include <algorithm>
#include <chrono>
#include <system_error>

VirtualCaptureBuffer::VirtualCaptureBuffer(const PcmFormat& format, std::uint32_t bytes, VirtualSignal signal)
    : RingCaptureBuffer(format, bytes), m_signal(std::move(signal)) {
    m_signal.Prepare(format);
}

VirtualCaptureBuffer::~VirtualCaptureBuffer() {
    Stop();
}

bool VirtualCaptureBuffer::Start() {
    if (m_worker.joinable()) return true;
    m_stop = false;
    try {
        m_worker = std::thread(&VirtualCaptureBuffer::Run, this);
    } catch (const std::system_error& e) {
        m_error =
            QStringLiteral("The virtual input could not start: %1").arg(QString::fromLocal8Bit(e.what()));
        return false;
    }
    return true;
}

void VirtualCaptureBuffer::Stop() {
    if (!m_worker.joinable()) return;
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_one();
    m_worker.join();
}

void VirtualCaptureBuffer::Run() {
    using Clock = std::chrono::steady_clock;
    constexpr auto tick = std::chrono::milliseconds(kTickMilliseconds);
    const Clock::time_point start = Clock::now();
    const std::uint64_t framesAtStart = m_signal.FramesRendered();
    std::int64_t ticks = 0;
    std::unique_lock lock(m_mutex);
    while (!m_stop) {
        ++ticks;
        m_wake.wait_until(lock, start + ticks * tick, [this] { return m_stop; });
        if (m_stop) break;
        const auto elapsed =
            std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start).count();
        // After a long stall, go on from now instead of waking in a burst for every missed tick.
        ticks = std::max<std::int64_t>(ticks, elapsed / std::chrono::nanoseconds(tick).count());
        // Whole seconds and the rest apart, so the product cannot overflow.
        constexpr std::int64_t second = 1'000'000'000;
        const std::uint64_t due = framesAtStart +
                                  static_cast<std::uint64_t>(elapsed / second) * m_format.rate +
                                  static_cast<std::uint64_t>(elapsed % second) * m_format.rate / second;
        lock.unlock();
        Produce(due - m_signal.FramesRendered());
        lock.lock();
    }
}

void VirtualCaptureBuffer::Produce(std::uint64_t frames) {
    const std::uint32_t align = m_format.BlockAlign();
    const std::uint64_t loopFrames = m_ring.Size() / align;
    if (frames > loopFrames) {
        // Only the last loop's worth could ever be read; the rest is passed over unwritten.
        const std::uint64_t skipped = frames - loopFrames;
        m_signal.Skip(skipped);
        m_ring.Skip(skipped * align);
        frames = loopFrames;
    }
    while (frames > 0) {
        std::uint32_t room = 0;
        std::uint8_t* to = m_ring.WritePointer(&room);
        const auto n = static_cast<std::uint32_t>(std::min<std::uint64_t>(frames, room / align));
        m_signal.Render(to, n);
        m_ring.Commit(n * align);
        frames -= n;
    }
}
