#pragma once
// The playback sound made from a wave file: the whole file in one static buffer of the sound
// device, played from a position, once or in a loop. The document owns one per loaded sound.

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

class AudioOutputDevice;
class PlaybackBuffer;

class PlaybackSound {
public:
    // Reads the wave file and fills a buffer of the device with it; null with the reason on failure.
    static std::unique_ptr<PlaybackSound> Create(AudioOutputDevice& device, const QString& wavePath,
                                                 QString* error);
    ~PlaybackSound();
    PlaybackSound(const PlaybackSound&) = delete;
    PlaybackSound& operator=(const PlaybackSound&) = delete;

    bool Play(bool loop);
    void Stop();
    void Reset();  // back to the start
    bool IsPlaying() const;
    bool GetCurrentPosition(std::uint32_t* byte) const;
    bool SetCurrentPosition(std::uint32_t byte);
    std::uint32_t Size() const;
    int Bits() const { return m_bits; }

private:
    PlaybackSound(std::unique_ptr<PlaybackBuffer> buffer, int bits);
    std::unique_ptr<PlaybackBuffer> m_buffer;
    int m_bits;
};

// Makes the playback sound of a wave file. When the sound will not be heard (the card refused
// it and a silent device stands in, or nothing can play it), silentReason says why in words.
using SoundFactory =
    std::function<std::unique_ptr<PlaybackSound>(const QString& wavePath, QString* silentReason)>;
// Converts a compressed sound file (MP3) into a 16-bit wave file; false on failure.
using SoundFileConverter = std::function<bool(const QString& source, const QString& waveOut)>;
