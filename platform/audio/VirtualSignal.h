#pragma once
// The sound of a virtual input: a sine, a chirp, white noise or a wave file played in a loop,
// rendered frame by frame into any capture format. A value type: the device keeps one as the
// pattern and every capture buffer renders from its own copy (a file's samples are shared).
//
// Sample n (counted from 0 at the first rendered frame) of the synthetic signals, v in [-1, 1]:
//   sine:  v = sin(2π·f·n/rate)
//   chirp: t = (n mod 5·rate)/rate, v = sin(2π·(f0·t + (f1 − f0)·t²/10)), f0 = 100 Hz,
//          f1 = 5000 Hz or 0.45·rate when that is lower (no aliasing at low rates)
//   noise: uniform white noise
// coded at half of full scale: 16-bit round(16384·v), 8-bit 128 + round(64·v); stereo formats
// carry the same signal on both channels (noise differs per channel). A file keeps its own
// level: its samples are converted to the format, with linear interpolation between rates.

#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/audio/AudioDevice.h"

class VirtualSignal {
public:
    // A wave file's samples, as 16-bit values, interleaved.
    struct Clip {
        std::uint32_t rate = 0;
        std::uint16_t channels = 0;
        std::uint64_t frames = 0;
        std::vector<std::int16_t> samples;
    };

    static constexpr double kChirpStart = 100.0;
    static constexpr double kChirpEnd = 5000.0;
    static constexpr double kChirpSeconds = 5.0;
    static constexpr int kAmplitude16 = 16384;
    static constexpr int kAmplitude8 = 64;

    static VirtualSignal Sine(double frequency);
    static VirtualSignal Chirp();
    static VirtualSignal Noise();
    // Reads a sound file (any that libsndfile reads: WAV of any PCM format, AIFF, FLAC, MP3, ...,
    // also ":/" resources); null and error set when it cannot be used.
    static std::shared_ptr<const Clip> LoadClip(const QString& path, QString* error);
    static VirtualSignal File(std::shared_ptr<const Clip> clip);

    // Sets the format to render and goes back to frame 0.
    void Prepare(const PcmFormat& format);
    // Writes the next frames (frames × block align bytes). No allocation.
    void Render(std::uint8_t* out, std::uint32_t frames);
    // Passes frames over without rendering them.
    void Skip(std::uint64_t frames);
    std::uint64_t FramesRendered() const { return m_frame; }

private:
    enum class Kind { Sine, Chirp, Noise, File };
    explicit VirtualSignal(Kind kind) : m_kind(kind) {}
    // The value of one channel of the current frame, in [-1, 1].
    double SyntheticValue(int channel);
    double ClipValue(int channel) const;
    void Store(std::uint8_t*& out, double value, bool scaled) const;

    Kind m_kind;
    double m_frequency = 0.0;
    std::shared_ptr<const Clip> m_clip;

    PcmFormat m_format;
    double m_chirpEnd = kChirpEnd;
    std::uint64_t m_frame = 0;
    std::uint32_t m_noiseState = 0x12345678u;
    // The clip position in 1/rate steps of a clip frame, kept below frames × rate so that it
    // stays exact however long the loop runs.
    std::uint64_t m_clipPosition = 0;
};
