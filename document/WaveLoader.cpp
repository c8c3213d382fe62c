#include "document/WaveLoader.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "document/RiffWave.h"

namespace {

std::int16_t ReadS16(const std::uint8_t* p) {
    return static_cast<std::int16_t>(p[0] | (p[1] << 8));
}
void WriteS16(std::uint8_t* p, int v) {
    p[0] = static_cast<std::uint8_t>(v & 0xFF);
    p[1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
}

// Converts samples of wider PCM or of 32/64-bit float to 16-bit PCM in place; returns the new byte count.
std::uint32_t ConvertTo16Bit(std::uint8_t* data, std::uint32_t bytes, int bits, bool isFloat) {
    const std::uint32_t width = static_cast<std::uint32_t>(bits / 8);
    const std::uint32_t count = bytes / width;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint8_t* in = data + static_cast<std::size_t>(i) * width;
        int v = 0;
        if (isFloat) {
            double x = 0.0;
            if (bits == 32) {
                float f;
                std::memcpy(&f, in, 4);
                x = f;
            } else {
                std::memcpy(&x, in, 8);
            }
            if (!std::isfinite(x)) x = 0.0;
            v = static_cast<int>(std::lround(std::clamp(x, -1.0, 1.0) * 32767.0));
        } else {
            // The two most significant bytes of a little-endian sample.
            v = ReadS16(in + width - 2);
        }
        WriteS16(data + static_cast<std::size_t>(i) * 2, v);  // never beyond what was read
    }
    return count * 2;
}

WaveLoadFailure Failure(WaveLoadError error) {
    WaveLoadFailure failure;
    failure.error = error;
    return failure;
}

// The bits of a sample that carry the sound: the extensible record names them apart from the
// width of the word that holds them (0 there: all of it).
int ValidBits(const WaveFormat& format) {
    if (format.formatTag == WaveFormat::kExtensible && format.extra.size() >= 2) {
        const int valid = format.extra[0] | (format.extra[1] << 8);
        if (valid != 0) return valid;
    }
    return format.bitsPerSample;
}

}  // namespace

WaveLoader::Result WaveLoader::Read(const QString& path) {
    RiffWave wave;
    WaveFormat format;
    if (wave.Open(path, &format, RiffWave::Mode::Read) != RiffWave::Status::Success)
        return Failure(WaveLoadError::CannotOpen);
    const std::uint16_t tag = format.EffectiveTag();
    const int validBits = ValidBits(format);
    const bool isFloat = tag == WaveFormat::kIeeeFloat;
    if (tag != WaveFormat::kPcm && !isFloat) {
        WaveLoadFailure failure = Failure(WaveLoadError::NotPcm);
        failure.formatTag = format.formatTag;
        return failure;
    }
    if ((isFloat && validBits != 32 && validBits != 64) || (!isFloat && (validBits < 1 || validBits > 32)))
        return Failure(WaveLoadError::UnsupportedWidth);
    // A rate of 0 or beyond any recorder's is a broken header, not a sound.
    if (format.samplesPerSec == 0 || format.samplesPerSec > kHighestRate) {
        WaveLoadFailure failure = Failure(WaveLoadError::BadSampleRate);
        failure.sampleRate = format.samplesPerSec;
        return failure;
    }
    // Each sample lies in a word of the frame's width per channel, its bits at the top of the
    // word (12-bit samples in 16-bit words, 20-bit ones in 24-bit words).
    if (format.channels == 0 || format.blockAlign % format.channels != 0)
        return Failure(WaveLoadError::BadLayout);
    const int bits = format.blockAlign / format.channels * 8;
    if (bits < validBits || (isFloat ? bits != validBits : bits > 32))
        return Failure(WaveLoadError::BadLayout);
    WaveBlock result;
    result.format = format;
    result.format.bitsPerSample = static_cast<std::uint16_t>(bits);
    result.validBits = validBits;
    // Only whole frames are kept: a torn last frame would shift every channel after it.
    const std::uint32_t size = wave.GetSize() - wave.GetSize() % format.blockAlign;
    std::unique_ptr<std::uint8_t[]> block = Allocate(size);
    if (!block) {
        WaveLoadFailure failure = Failure(WaveLoadError::OutOfMemory);
        failure.bytes = size;
        return failure;
    }
    std::uint32_t read = 0;
    if (wave.Read(block.get(), size, &read) != RiffWave::Status::Success || read != size)
        return Failure(WaveLoadError::ReadFailed);
    if (size == 0) return Failure(WaveLoadError::NoSamples);
    result.bytes = size;
    if (isFloat || bits > 16) {
        result.bytes = ConvertTo16Bit(block.get(), size, bits, isFloat);
        result.convertedFromBits = validBits;
        result.convertedFromFloat = isFloat;
        result.format.formatTag = WaveFormat::kPcm;
        result.format.bitsPerSample = 16;
        result.format.blockAlign = static_cast<std::uint16_t>(format.channels * 2);
        result.format.avgBytesPerSec = result.format.blockAlign * format.samplesPerSec;
        if (isFloat) result.format.extra.clear();  // the float origin is kept in convertedFromFloat
    }
    result.data = std::move(block);
    return result;
}

std::unique_ptr<std::uint8_t[]> WaveLoader::Allocate(std::uint32_t size) {
    try {
        return std::make_unique_for_overwrite<std::uint8_t[]>(std::max<std::uint32_t>(size, 1));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void WaveLoader::CopyChannel(const WaveFormat& format, const std::uint8_t* data, std::size_t firstFrame,
                             std::size_t frames, int channel, std::uint8_t* out) {
    const std::size_t width = static_cast<std::size_t>(format.bitsPerSample / 8);
    const std::size_t frame = format.blockAlign;
    const std::uint8_t* in = data + firstFrame * frame + static_cast<std::size_t>(channel) * width;
    for (std::size_t i = 0; i < frames; ++i) std::memcpy(out + i * width, in + i * frame, width);
}
