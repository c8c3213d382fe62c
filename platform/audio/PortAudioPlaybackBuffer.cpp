#include "platform/audio/PortAudioPlaybackBuffer.h"

#include <algorithm>
#include <cstring>

PortAudioPlaybackBuffer::PortAudioPlaybackBuffer(std::shared_ptr<PortAudioSession> session, int device,
                                                 const PcmFormat& format, std::vector<std::uint8_t> data)
    : m_session(std::move(session)),
      m_device(device),
      m_format(format),
      m_data(std::move(data)),
      m_silence(format.bits == 8 ? 128 : 0) {}

PortAudioPlaybackBuffer::~PortAudioPlaybackBuffer() {
    CloseStream();
}

void PortAudioPlaybackBuffer::CloseStream() const {
    if (!m_stream) return;
    const auto lock = PortAudioSession::Lock();
    // Closing an active stream aborts it; the callback has finished when this returns.
    Pa_CloseStream(m_stream);
    m_stream = nullptr;
}

void PortAudioPlaybackBuffer::ReleaseIfFinished() const {
    if (!m_stream || (m_state.load(std::memory_order_acquire) & kPlaying)) return;
    bool drained = false;
    {
        const auto lock = PortAudioSession::Lock();
        drained = Pa_IsStreamActive(m_stream) != 1;
    }
    if (drained) CloseStream();
}

bool PortAudioPlaybackBuffer::Play(bool loop) {
    ReleaseIfFinished();
    std::uint64_t s = m_state.load(std::memory_order_acquire);
    // Already playing: only the loop flag changes, unless the play ends in this very moment.
    while (s & kPlaying) {
        const std::uint64_t next = loop ? (s | kLoop) : (s & ~kLoop);
        if (m_state.compare_exchange_weak(s, next, std::memory_order_acq_rel)) return true;
    }
    // A stream that ended but still plays out its last buffers is cut short: a new play begins.
    CloseStream();
    const auto lock = PortAudioSession::Lock();
    const PaStreamParameters out = m_session->StreamParameters(m_device, false, m_format);
    PaError e = Pa_OpenStream(&m_stream, nullptr, &out, m_format.rate, paFramesPerBufferUnspecified, paNoFlag,
                              &PortAudioPlaybackBuffer::Callback, this);
    if (e == paNoError) {
        // No callback runs yet, so the state can simply be set.
        m_state.store((s & kPositionMask) | kPlaying | (loop ? kLoop : 0), std::memory_order_release);
        e = Pa_StartStream(m_stream);
        if (e == paNoError) return true;
        m_state.store(s & kPositionMask, std::memory_order_release);
        Pa_CloseStream(m_stream);
    }
    m_stream = nullptr;
    m_error = QStringLiteral("The sound could not be played: %1").arg(PortAudioSession::ErrorText(e));
    return false;
}

void PortAudioPlaybackBuffer::Stop() {
    std::uint64_t s = m_state.load(std::memory_order_acquire);
    while (!m_state.compare_exchange_weak(s, s & kPositionMask, std::memory_order_acq_rel)) {
    }
    CloseStream();
}

bool PortAudioPlaybackBuffer::SetPosition(std::uint32_t byte) {
    if (byte >= Size()) {
        m_error = QStringLiteral("The position %1 lies beyond the sound of %2 bytes.").arg(byte).arg(Size());
        return false;
    }
    const std::uint32_t aligned = byte - byte % m_format.BlockAlign();
    std::uint64_t s = m_state.load(std::memory_order_acquire);
    while (!m_state.compare_exchange_weak(s, (s & ~kPositionMask) | aligned, std::memory_order_acq_rel)) {
    }
    return true;
}

bool PortAudioPlaybackBuffer::GetPosition(std::uint32_t* byte) const {
    if (!byte) return false;
    ReleaseIfFinished();
    *byte = static_cast<std::uint32_t>(m_state.load(std::memory_order_acquire) & kPositionMask);
    return true;
}

bool PortAudioPlaybackBuffer::IsPlaying() const {
    ReleaseIfFinished();
    return (m_state.load(std::memory_order_acquire) & kPlaying) != 0;
}

int PortAudioPlaybackBuffer::Callback(const void*, void* output, unsigned long frames,
                                      const PaStreamCallbackTimeInfo*, PaStreamCallbackFlags, void* self) {
    auto* b = static_cast<PortAudioPlaybackBuffer*>(self);
    auto* out = static_cast<std::uint8_t*>(output);
    const std::uint64_t want = std::uint64_t{frames} * b->m_format.BlockAlign();
    const std::uint64_t size = b->m_data.size();
    // Claim the bytes first (the state may change under us: retry), then copy them.
    std::uint64_t s = b->m_state.load(std::memory_order_acquire);
    std::uint64_t next = 0;
    for (;;) {
        if (!(s & kPlaying)) {
            std::memset(out, b->m_silence, want);
            return paContinue;
        }
        const std::uint64_t pos = s & kPositionMask;
        if (s & kLoop)
            next = (s & ~kPositionMask) | ((pos + want) % size);
        else if (pos + want < size)
            next = (s & ~kPositionMask) | (pos + want);
        else
            next = 0;  // the end: stopped and rewound, ready to play again
        if (b->m_state.compare_exchange_weak(s, next, std::memory_order_acq_rel)) break;
    }
    std::uint64_t pos = s & kPositionMask;
    std::uint64_t left = want;
    const std::uint8_t* data = b->m_data.data();
    while (left > 0 && pos < size) {
        const std::uint64_t n = std::min(left, size - pos);
        std::memcpy(out, data + pos, n);
        out += n;
        left -= n;
        pos += n;
        if (pos == size && (s & kLoop)) pos = 0;
    }
    std::memset(out, b->m_silence, left);
    return (next & kPlaying) ? paContinue : paComplete;
}
