#include "document/Playback.h"

#include <algorithm>
#include <new>
#include <vector>

#include "document/RiffWave.h"

Playback::Copy Playback::PlanCopy(std::uint32_t rate, int soundBits, std::uint32_t soundSamples) {
    Copy copy;
    if (rate > kMaxRate)
        copy.reduction = (rate + kMaxRate - 1) / kMaxRate;
    else if (rate > 0 && rate < kMinRate)
        copy.expansion = (kMinRate + rate - 1) / rate;
    copy.rate = rate / copy.reduction * copy.expansion;
    copy.bits = soundBits == 8 ? 8 : 16;
    copy.samples =
        (static_cast<std::uint64_t>(soundSamples) + copy.reduction - 1) / copy.reduction * copy.expansion;
    return copy;
}

Playback::CopyWritten Playback::WriteCopy(const QString& path, const Copy& copy, const std::uint8_t* sound,
                                          int soundBits, std::uint32_t soundSamples) {
    RiffWave out;
    WaveFormat format = WaveFormat::MonoPcm(copy.rate, static_cast<std::uint16_t>(copy.bits));
    if (out.Open(path, &format, RiffWave::Mode::Write) != RiffWave::Status::Success)
        return CopyWritten::CannotCreate;
    const std::uint32_t reduction = copy.reduction;
    const std::uint32_t expansion = copy.expansion;
    const std::uint32_t width = static_cast<std::uint32_t>(copy.bits / 8);
    // Raw values: 0..255 for 8-bit data, -32768..32767 for 16-bit.
    const auto sample = [sound, soundBits](std::uint32_t i) -> long long {
        if (soundBits == 8) return sound[i];
        const std::uint8_t* p = sound + 2 * static_cast<std::size_t>(i);
        return static_cast<std::int16_t>(p[0] | (p[1] << 8));
    };
    std::vector<std::uint8_t> chunk;
    // About 64 Ki samples of the copy per write.
    const std::uint32_t groupsPerWrite = std::max<std::uint32_t>(1, (1u << 16) / expansion);
    for (std::uint64_t start = 0; start < soundSamples;
         start += static_cast<std::uint64_t>(groupsPerWrite) * reduction) {
        const std::uint32_t groups = static_cast<std::uint32_t>(
            std::min<std::uint64_t>(groupsPerWrite, (soundSamples - start + reduction - 1) / reduction));
        chunk.resize(static_cast<std::size_t>(groups) * expansion * width);
        std::size_t at = 0;
        for (std::uint32_t j = 0; j < groups; ++j) {
            const std::uint32_t first =
                static_cast<std::uint32_t>(start + static_cast<std::uint64_t>(j) * reduction);
            const std::uint32_t count = std::min(reduction, soundSamples - first);  // a short last group
            long long sum = 0;
            for (std::uint32_t k = 0; k < count; ++k) sum += sample(first + k);
            // The mean rounded down, also for negative sums.
            long long mean = sum / count;
            if (sum % count != 0 && sum < 0) --mean;
            for (std::uint32_t k = 0; k < expansion; ++k, at += width) {
                chunk[at] = static_cast<std::uint8_t>(mean & 0xFF);
                if (width == 2) chunk[at + 1] = static_cast<std::uint8_t>((mean >> 8) & 0xFF);
            }
        }
        if (out.Write(static_cast<std::uint32_t>(chunk.size()), chunk.data(), nullptr) !=
            RiffWave::Status::Success)
            return CopyWritten::CannotWrite;
    }
    if (out.Close() != RiffWave::Status::Success) return CopyWritten::CannotWrite;
    return CopyWritten::Written;
}

bool Playback::MakeSound(const QString& path, QString* silentReason) {
    m_sound.reset();
    m_path = path;
    if (!m_factory) return true;
    try {
        m_sound = m_factory(path, silentReason);  // holds a copy of the whole sound
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

void Playback::ReleaseSound(bool forgetFile) {
    m_sound.reset();
    if (forgetFile) m_path.clear();
}

void Playback::UseSound(std::uint32_t bytes) {
    m_bytes = bytes;
    m_reduction = m_expansion = 1;
}

void Playback::UseCopy(const Copy& copy) {
    m_bytes = static_cast<std::uint32_t>(copy.Bytes());
    m_reduction = copy.reduction;
    m_expansion = copy.expansion;
    m_bits = copy.bits;
    m_rate = static_cast<int>(copy.rate);
}

void Playback::Clear(bool clearAll) {
    m_sound.reset();
    m_bytes = 0;
    m_reduction = m_expansion = 1;
    m_position = 0;
    if (clearAll) m_bits = m_rate = 0;
}

std::uint32_t Playback::Width() const {
    return static_cast<std::uint32_t>(std::max(m_sound->Bits() / 8, 1));
}

void Playback::MoveTo(std::uint32_t byte) {
    if (!m_sound) return;
    const std::uint32_t width = Width();
    byte -= byte % width;
    m_sound->SetCurrentPosition(byte);
    m_position = byte / width;
}

void Playback::MoveToSample(std::uint32_t sample, int bits) {
    if (m_sound) m_sound->SetCurrentPosition(sample * static_cast<std::uint32_t>(std::max(bits / 8, 1)));
    m_position = sample;
}

void Playback::Rewind(bool keepPosition) {
    if (m_sound) m_sound->Reset();
    if (!keepPosition) m_position = 0;
}

std::optional<std::uint32_t> Playback::Cursor() const {
    std::uint32_t byte = 0;
    if (!m_sound || !m_sound->GetCurrentPosition(&byte)) return std::nullopt;
    return byte;
}
