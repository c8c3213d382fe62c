#include "document/PlaybackSound.h"

#include <vector>

#include "document/RiffWave.h"
#include "platform/audio/AudioDevice.h"

std::unique_ptr<PlaybackSound> PlaybackSound::Create(AudioOutputDevice& device, const QString& wavePath,
                                                     QString* error) {
    RiffWave wave;
    WaveFormat format;
    if (wave.Open(wavePath, &format, RiffWave::Mode::Read) != RiffWave::Status::Success) {
        if (error) *error = wavePath;
        return nullptr;
    }
    const std::uint32_t size =
        wave.GetSize() - wave.GetSize() % std::max<std::uint32_t>(format.blockAlign, 1);
    if (size == 0) {
        if (error) *error = wavePath;
        return nullptr;
    }
    std::vector<std::uint8_t> data(size);
    std::uint32_t read = 0;
    wave.Read(data.data(), size, &read);
    // A file that delivers less than it announced plays silence for the rest.
    if (read < size) std::fill(data.begin() + read, data.end(), format.bitsPerSample == 8 ? 128 : 0);
    PcmFormat pcm;
    pcm.rate = format.samplesPerSec;
    pcm.bits = format.bitsPerSample;
    pcm.channels = format.channels;
    std::unique_ptr<PlaybackBuffer> buffer = device.CreatePlaybackBuffer(pcm, std::move(data), error);
    if (!buffer) return nullptr;
    return std::unique_ptr<PlaybackSound>(new PlaybackSound(std::move(buffer), format.bitsPerSample));
}

PlaybackSound::PlaybackSound(std::unique_ptr<PlaybackBuffer> buffer, int bits)
    : m_buffer(std::move(buffer)), m_bits(bits) {}
PlaybackSound::~PlaybackSound() {
    if (m_buffer) m_buffer->Stop();
}

bool PlaybackSound::Play(bool loop) {
    return m_buffer->Play(loop);
}
void PlaybackSound::Stop() {
    m_buffer->Stop();
}
void PlaybackSound::Reset() {
    m_buffer->SetPosition(0);
}
bool PlaybackSound::IsPlaying() const {
    return m_buffer->IsPlaying();
}
bool PlaybackSound::GetCurrentPosition(std::uint32_t* byte) const {
    return m_buffer->GetPosition(byte);
}
bool PlaybackSound::SetCurrentPosition(std::uint32_t byte) {
    return m_buffer->SetPosition(byte);
}
std::uint32_t PlaybackSound::Size() const {
    return m_buffer->Size();
}
