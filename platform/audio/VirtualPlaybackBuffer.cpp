#include "platform/audio/VirtualPlaybackBuffer.h"

VirtualPlaybackBuffer::VirtualPlaybackBuffer(const PcmFormat& format, std::vector<std::uint8_t> data)
    : m_format(format), m_data(std::move(data)) {}

std::uint64_t VirtualPlaybackBuffer::PlayedBytes() const {
    const auto elapsed = std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - m_since).count();
    // Whole seconds and the rest apart, so the product cannot overflow.
    constexpr std::int64_t second = 1'000'000'000;
    const std::uint64_t frames = static_cast<std::uint64_t>(elapsed / second) * m_format.rate +
                                 static_cast<std::uint64_t>(elapsed % second) * m_format.rate / second;
    return frames * m_format.BlockAlign();
}

std::uint32_t VirtualPlaybackBuffer::CurrentPosition(bool* playing) const {
    *playing = m_playing;
    if (!m_playing) return m_start;
    const std::uint64_t at = m_start + PlayedBytes();
    if (at < Size()) return static_cast<std::uint32_t>(at);
    if (m_loop) return static_cast<std::uint32_t>(at % Size());
    // A play without loop ends by itself and rewinds, ready to play again.
    *playing = false;
    return 0;
}

void VirtualPlaybackBuffer::Settle() {
    m_start = CurrentPosition(&m_playing);
    m_since = Clock::now();
}

bool VirtualPlaybackBuffer::Play(bool loop) {
    Settle();
    m_playing = true;
    m_loop = loop;
    return true;
}

void VirtualPlaybackBuffer::Stop() {
    Settle();
    m_playing = false;
}

bool VirtualPlaybackBuffer::SetPosition(std::uint32_t byte) {
    if (byte >= Size()) {
        m_error = QStringLiteral("The position %1 lies beyond the sound of %2 bytes.").arg(byte).arg(Size());
        return false;
    }
    Settle();
    m_start = byte - byte % m_format.BlockAlign();
    return true;
}

bool VirtualPlaybackBuffer::GetPosition(std::uint32_t* byte) const {
    if (!byte) return false;
    bool playing = false;
    *byte = CurrentPosition(&playing);
    return true;
}

bool VirtualPlaybackBuffer::IsPlaying() const {
    bool playing = false;
    CurrentPosition(&playing);
    return playing;
}
