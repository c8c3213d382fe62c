#include "platform/audio/PortAudioCaptureBuffer.h"

#include <algorithm>
#include <cstring>
#include <new>

PortAudioCaptureBuffer::PortAudioCaptureBuffer(std::shared_ptr<PortAudioSession> session,
                                               const PcmFormat& format, std::uint32_t bytes)
    : RingCaptureBuffer(format, bytes), m_session(std::move(session)) {}

std::unique_ptr<PortAudioCaptureBuffer> PortAudioCaptureBuffer::Open(
    std::shared_ptr<PortAudioSession> session, int device, const PcmFormat& format, std::uint32_t bytes,
    QString* error) {
    std::unique_ptr<PortAudioCaptureBuffer> buffer;
    try {
        buffer.reset(new PortAudioCaptureBuffer(std::move(session), format, bytes));
    } catch (const std::bad_alloc&) {
        if (error)
            *error =
                QStringLiteral("There is not enough memory for a capture buffer of %1 bytes.").arg(bytes);
        return nullptr;
    }
    PaError e = paNoError;
    {
        const auto lock = PortAudioSession::Lock();
        const PaStreamParameters in = buffer->m_session->StreamParameters(device, true, format);
        e = Pa_OpenStream(&buffer->m_stream, &in, nullptr, format.rate, paFramesPerBufferUnspecified,
                          paNoFlag, &PortAudioCaptureBuffer::Callback, buffer.get());
    }
    if (e != paNoError) {
        buffer->m_stream = nullptr;
        if (error)
            *error =
                QStringLiteral("The sound input could not be opened: %1").arg(PortAudioSession::ErrorText(e));
        return nullptr;
    }
    return buffer;
}

PortAudioCaptureBuffer::~PortAudioCaptureBuffer() {
    if (!m_stream) return;
    const auto lock = PortAudioSession::Lock();
    // Closing an active stream aborts it first; the callback has finished when this returns.
    Pa_CloseStream(m_stream);
}

bool PortAudioCaptureBuffer::Start() {
    if (m_running) return true;
    const auto lock = PortAudioSession::Lock();
    const PaError e = Pa_StartStream(m_stream);
    if (e != paNoError) {
        m_error = QStringLiteral("The sound input could not start: %1").arg(PortAudioSession::ErrorText(e));
        return false;
    }
    m_running = true;
    return true;
}

void PortAudioCaptureBuffer::Stop() {
    if (!m_running) return;
    const auto lock = PortAudioSession::Lock();
    // Abort, not stop: what is still in the card's buffers is not wanted once capture ends.
    Pa_AbortStream(m_stream);
    m_running = false;
}

int PortAudioCaptureBuffer::Callback(const void* input, void*, unsigned long frames,
                                     const PaStreamCallbackTimeInfo*, PaStreamCallbackFlags, void* self) {
    auto* buffer = static_cast<PortAudioCaptureBuffer*>(self);
    CaptureRing& ring = buffer->m_ring;
    const std::uint32_t bytes = static_cast<std::uint32_t>(frames) * ring.BlockAlign();
    if (input) {
        ring.Write(static_cast<const std::uint8_t*>(input), bytes);
    } else {
        // No data from the host for this period: keep the time line with silence.
        const std::uint8_t silence = buffer->m_format.bits == 8 ? 128 : 0;
        for (std::uint32_t left = bytes; left > 0;) {
            std::uint32_t room = 0;
            std::uint8_t* to = ring.WritePointer(&room);
            const std::uint32_t n = std::min(left, room);
            std::memset(to, silence, n);
            ring.Commit(n);
            left -= n;
        }
    }
    return paContinue;
}
