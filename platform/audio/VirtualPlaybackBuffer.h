#pragma once
// The playback buffer of the virtual output: nothing is heard, but the play position moves on in
// real time from Play as a sound card's would (start + elapsed time × bytes per second, in whole
// frames), stops at the end or wraps when looping. The position is computed when asked, so no
// thread is needed. Used from one thread.

#include <chrono>

#include "platform/audio/AudioDevice.h"

class VirtualPlaybackBuffer final : public PlaybackBuffer {
public:
    VirtualPlaybackBuffer(const PcmFormat& format, std::vector<std::uint8_t> data);

    bool Play(bool loop) override;
    void Stop() override;
    bool SetPosition(std::uint32_t byte) override;
    bool GetPosition(std::uint32_t* byte) const override;
    bool IsPlaying() const override;
    std::uint32_t Size() const override { return static_cast<std::uint32_t>(m_data.size()); }
    QString LastError() const override { return m_error; }

private:
    using Clock = std::chrono::steady_clock;
    // Bytes played since m_since (whole frames), not reduced to the buffer.
    std::uint64_t PlayedBytes() const;
    // Where the cursor stands now and whether it still plays.
    std::uint32_t CurrentPosition(bool* playing) const;
    // Takes the current position as the new starting point.
    void Settle();

    PcmFormat m_format;
    std::vector<std::uint8_t> m_data;
    QString m_error;
    bool m_playing = false;
    bool m_loop = false;
    std::uint32_t m_start = 0;  // the position at m_since
    Clock::time_point m_since;
};
