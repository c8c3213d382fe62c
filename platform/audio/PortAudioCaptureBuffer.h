#pragma once
// A capture buffer on a PortAudio input: the stream's callback copies what the card delivers into
// the looping buffer and fires the notification positions it passes. The stream is opened when
// the buffer is made (so making one tests the device and format) and runs from Start to Stop.

#include <memory>

#include "platform/audio/AudioDevice.h"
#include "platform/audio/PortAudioSession.h"
#include "platform/audio/RingCaptureBuffer.h"

class PortAudioCaptureBuffer final : public RingCaptureBuffer {
public:
    // Null and error set when the stream cannot be opened.
    static std::unique_ptr<PortAudioCaptureBuffer> Open(std::shared_ptr<PortAudioSession> session, int device,
                                                        const PcmFormat& format, std::uint32_t bytes,
                                                        QString* error);
    ~PortAudioCaptureBuffer() override;
    PortAudioCaptureBuffer(const PortAudioCaptureBuffer&) = delete;
    PortAudioCaptureBuffer& operator=(const PortAudioCaptureBuffer&) = delete;

    bool Start() override;
    void Stop() override;

private:
    bool IsCapturing() const override { return m_running; }
    PortAudioCaptureBuffer(std::shared_ptr<PortAudioSession> session, const PcmFormat& format,
                           std::uint32_t bytes);
    static int Callback(const void* input, void* output, unsigned long frames,
                        const PaStreamCallbackTimeInfo* time, PaStreamCallbackFlags flags, void* self);

    std::shared_ptr<PortAudioSession> m_session;
    PaStream* m_stream = nullptr;
    bool m_running = false;
};
