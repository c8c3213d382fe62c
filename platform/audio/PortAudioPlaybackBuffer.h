#pragma once
// A playback buffer on a PortAudio output. The stream is opened on Play and closed on Stop or
// once a play has ended and drained, so an idle buffer does not hold the card. The callback
// copies from the data at the play position; position and flags live in one atomic word, which
// the callback advances by compare-and-swap, so a jump or a stop from the user-interface thread
// is never lost and neither side waits for the other.
//
// The position is the number of bytes handed to the card: it runs ahead of what is heard by the
// output latency (a few milliseconds with the low latency asked for).

#include <atomic>
#include <memory>

#include "platform/audio/AudioDevice.h"
#include "platform/audio/PortAudioSession.h"

class PortAudioPlaybackBuffer final : public PlaybackBuffer {
public:
    PortAudioPlaybackBuffer(std::shared_ptr<PortAudioSession> session, int device, const PcmFormat& format,
                            std::vector<std::uint8_t> data);
    ~PortAudioPlaybackBuffer() override;
    PortAudioPlaybackBuffer(const PortAudioPlaybackBuffer&) = delete;
    PortAudioPlaybackBuffer& operator=(const PortAudioPlaybackBuffer&) = delete;

    bool Play(bool loop) override;
    void Stop() override;
    bool SetPosition(std::uint32_t byte) override;
    bool GetPosition(std::uint32_t* byte) const override;
    bool IsPlaying() const override;
    std::uint32_t Size() const override { return static_cast<std::uint32_t>(m_data.size()); }
    QString LastError() const override { return m_error; }

private:
    // The state word: the position in the low 32 bits and two flags above.
    static constexpr std::uint64_t kPlaying = std::uint64_t{1} << 32;
    static constexpr std::uint64_t kLoop = std::uint64_t{1} << 33;
    static constexpr std::uint64_t kPositionMask = 0xFFFFFFFFu;

    static int Callback(const void* input, void* output, unsigned long frames,
                        const PaStreamCallbackTimeInfo* time, PaStreamCallbackFlags flags, void* self);
    void CloseStream() const;
    // Closes the stream once a play has ended by itself and the card has played it out.
    void ReleaseIfFinished() const;

    std::shared_ptr<PortAudioSession> m_session;
    int m_device;
    PcmFormat m_format;
    std::vector<std::uint8_t> m_data;
    std::uint8_t m_silence;
    std::atomic<std::uint64_t> m_state{0};
    // Closing a finished stream does not change what the buffer reports, so the queries may do it.
    mutable PaStream* m_stream = nullptr;
    QString m_error;
};
