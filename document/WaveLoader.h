#pragma once
// Reads a whole wave file into memory: its samples, its format and what was changed on the way.
// It asks nothing and shows nothing; the caller turns a failure into its own message.

#include <QString>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <variant>

#include "document/WaveFormat.h"

// A wave file's samples as read, before they become the loaded sound.
struct WaveBlock {
    WaveFormat format;  // after any conversion to 16 bit
    std::unique_ptr<std::uint8_t[]> data;
    std::uint32_t bytes = 0;
    int convertedFromBits = 0;  // the file's own width when converted to 16 bit, else 0
    // The bits of each sample that carry the sound, as the file gives them (12 for 12-bit samples
    // in 16-bit words): what the user is shown.
    int validBits = 0;
    bool convertedFromFloat = false;
};

// Why a wave file could not be read, in the order the reader finds out.
enum class WaveLoadError {
    CannotOpen,        // not a wave file, or its header is broken
    NotPcm,            // a sample coding other than PCM or IEEE float
    UnsupportedWidth,  // a sample width that coding does not have
    BadSampleRate,     // 0, or above kHighestRate
    BadLayout,         // no channels, or frames whose words cannot hold the samples
    OutOfMemory,
    ReadFailed,  // the data ended early or the disk failed
    NoSamples,
};

struct WaveLoadFailure {
    WaveLoadError error = WaveLoadError::CannotOpen;
    std::uint16_t formatTag = 0;   // NotPcm: the header's tag
    std::uint32_t sampleRate = 0;  // BadSampleRate: the header's rate
    std::uint64_t bytes = 0;       // OutOfMemory: what could not be had
};

class WaveLoader {
public:
    using Result = std::variant<WaveBlock, WaveLoadFailure>;

    // The highest sample rate a file may give: above what sound cards and ultrasound recorders
    // reach (768 kHz), and low enough that work sized in seconds (a wavelet, a sonogram column)
    // stays a few samples' worth where one header bit has flipped.
    static constexpr std::uint32_t kHighestRate = 1000000;

    // The whole file: whole frames only, wider PCM and float samples converted to 16 bit.
    static Result Read(const QString& path);

    // Room for a whole file's data; null when memory runs out.
    static std::unique_ptr<std::uint8_t[]> Allocate(std::uint32_t size);

    // Copies the samples of one channel (0 = left) of `frames` interleaved frames, starting at `firstFrame`,
    // to out, one sample after the other.
    static void CopyChannel(const WaveFormat& format, const std::uint8_t* data, std::size_t firstFrame,
                            std::size_t frames, int channel, std::uint8_t* out);
};
