#pragma once
// The sound as it is heard: the playback sound made from a wave file, where it plays, and the copy
// at another rate for sounds no card plays as they are. The document owns one and decides when to
// play; this class knows how.

#include <QString>
#include <cstdint>
#include <memory>
#include <optional>

#include "document/PlaybackSound.h"

class Playback {
public:
    // The rates every sound card plays; a sound outside them is played from a copy.
    static constexpr std::uint32_t kMaxRate = 48000;
    static constexpr std::uint32_t kMinRate = 8000;

    // The copy of a sound at a rate every card takes. Above 48 kHz each group of `reduction`
    // samples becomes their mean; below 8 kHz each sample is repeated `expansion` times.
    struct Copy {
        std::uint32_t reduction = 1;
        std::uint32_t expansion = 1;
        std::uint32_t rate = 0;
        int bits = 16;
        std::uint64_t samples = 0;
        std::uint64_t Bytes() const { return samples * static_cast<std::uint64_t>(bits / 8); }
    };
    static Copy PlanCopy(std::uint32_t rate, int soundBits, std::uint32_t soundSamples);
    // A wave file holds at most 4 GiB: a longer copy cannot be made.
    static bool CopyFits(const Copy& copy) { return copy.Bytes() <= 0xFFFFFF00ull; }
    enum class CopyWritten { Written, CannotCreate, CannotWrite };
    // Writes the copy of `soundSamples` samples of `soundBits` (8: unsigned bytes, else 16-bit words).
    static CopyWritten WriteCopy(const QString& path, const Copy& copy, const std::uint8_t* sound,
                                 int soundBits, std::uint32_t soundSamples);

    void SetSoundFactory(SoundFactory factory) { m_factory = std::move(factory); }
    // False when this run has no sound output: the sound is analysed only.
    bool HasSoundOutput() const { return static_cast<bool>(m_factory); }
    // Makes the playback sound from a wave file. A sound that cannot be heard leaves none, with the
    // reason in silentReason when it is known; false only when memory ran out.
    bool MakeSound(const QString& path, QString* silentReason);
    // Lets the playback sound go; forgetFile also forgets the file it was made from.
    void ReleaseSound(bool forgetFile = false);
    PlaybackSound* Sound() const { return m_sound.get(); }
    // The wave file the playback sound was made from.
    const QString& SoundPath() const { return m_path; }
    void SoundFileMoved(const QString& from, const QString& to) {
        if (m_path == from) m_path = to;
    }

    // The data played: the sound itself (bytes) or a copy.
    void UseSound(std::uint32_t bytes);
    void UseCopy(const Copy& copy);
    // The width and rate the copy will have (a time series is always played from one).
    void SetCopyFormat(int bits, int rate) {
        m_bits = bits;
        m_rate = rate;
    }
    // No sound: no data, no position; clearAll also forgets the copy's format.
    void Clear(bool clearAll);
    std::uint32_t Bytes() const { return m_bytes; }
    int Bits() const { return m_bits; }  // of the copy
    int Rate() const { return m_rate; }  // of the copy
    std::uint32_t Reduction() const { return m_reduction; }
    std::uint32_t Expansion() const { return m_expansion; }
    // The sample of the sound that plays at a sample of the playback data.
    std::uint64_t SoundSampleOfPlaySample(std::uint64_t playSample) const {
        return playSample * m_reduction / m_expansion;
    }

    // The play position in samples of the playback data.
    std::uint32_t Position() const { return m_position; }
    void SetPosition(std::uint32_t sample) { m_position = sample; }
    // Whether the position lies outside the marked stretch (first == last: none, then before first).
    bool OutsideOf(std::uint32_t first, std::uint32_t last) const {
        return (first != last && m_position > last) || m_position < first;
    }
    // Moves the sound to a byte of the playback data, at a whole sample.
    void MoveTo(std::uint32_t byte);
    // Moves the sound to a sample of data `bits` wide.
    void MoveToSample(std::uint32_t sample, int bits);
    // Bytes per sample of the playback sound (at least 1); there must be one.
    std::uint32_t Width() const;
    bool Play(bool loop) { return m_sound->Play(loop); }
    // Stops the sound where it is, when it plays.
    void Stop() {
        if (m_sound && m_sound->IsPlaying()) m_sound->Stop();
    }
    // Stops the sound where it is, asking nothing.
    void Hold() {
        if (m_sound) m_sound->Stop();
    }
    // The sound to its start; with the position unless keepPosition.
    void Rewind(bool keepPosition = false);
    // Where the sound plays, in bytes of the playback data; none when the device cannot say.
    std::optional<std::uint32_t> Cursor() const;
    bool Sounding() const { return m_sound && m_sound->IsPlaying(); }

private:
    SoundFactory m_factory;
    std::unique_ptr<PlaybackSound> m_sound;
    QString m_path;
    std::uint32_t m_position = 0;
    int m_bits = 0;
    int m_rate = 0;
    std::uint32_t m_bytes = 0;
    std::uint32_t m_reduction = 1;
    std::uint32_t m_expansion = 1;
};
