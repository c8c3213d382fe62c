#pragma once
// The wave format record of a RIFF wave file.

#include <cstdint>
#include <vector>

struct WaveFormat {
    static constexpr std::uint16_t kPcm = 1;
    static constexpr std::uint16_t kIeeeFloat = 3;
    static constexpr std::uint16_t kExtensible = 0xFFFE;

    std::uint16_t formatTag = kPcm;
    std::uint16_t channels = 1;
    std::uint32_t samplesPerSec = 44100;
    std::uint32_t avgBytesPerSec = 88200;
    std::uint16_t blockAlign = 2;
    std::uint16_t bitsPerSample = 16;
    std::uint16_t extraSize = 0;
    std::vector<std::uint8_t> extra;  // the extraSize bytes after the record (format tags other than PCM)

    // A mono PCM format as this program writes it.
    static WaveFormat MonoPcm(std::uint32_t rate, std::uint16_t bits) {
        WaveFormat f;
        f.channels = 1;
        f.samplesPerSec = rate;
        f.bitsPerSample = bits;
        f.blockAlign = static_cast<std::uint16_t>(bits / 8);
        f.avgBytesPerSec = f.blockAlign * rate;
        return f;
    }

    // The sample coding behind the tag: PCM or IEEE float, also when the file uses the
    // extensible record; any other tag is returned as it is.
    std::uint16_t EffectiveTag() const {
        if (formatTag == kExtensible && extra.size() >= 8)
            return static_cast<std::uint16_t>(extra[6] | (extra[7] << 8));
        return formatTag;
    }
};
