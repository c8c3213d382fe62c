#include "platform/audio/VirtualSignal.h"

#include <sndfile.h>
#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <new>
#include <numbers>

namespace {

// libsndfile reads the file from memory, so Qt resolves the path (also ":/" resources).
struct MemoryFile {
    QByteArray bytes;
    sf_count_t at = 0;
};

sf_count_t MemLength(void* user) {
    return static_cast<MemoryFile*>(user)->bytes.size();
}

sf_count_t MemSeek(sf_count_t offset, int whence, void* user) {
    auto* f = static_cast<MemoryFile*>(user);
    const sf_count_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? f->at : f->bytes.size();
    f->at = std::clamp<sf_count_t>(base + offset, 0, f->bytes.size());
    return f->at;
}

sf_count_t MemRead(void* to, sf_count_t count, void* user) {
    auto* f = static_cast<MemoryFile*>(user);
    const sf_count_t n = std::clamp<sf_count_t>(f->bytes.size() - f->at, 0, count);
    std::copy_n(f->bytes.constData() + f->at, n, static_cast<char*>(to));
    f->at += n;
    return n;
}

sf_count_t MemWrite(const void*, sf_count_t, void*) {
    return 0;
}

sf_count_t MemTell(void* user) {
    return static_cast<MemoryFile*>(user)->at;
}

struct SndfileCloser {
    void operator()(SNDFILE* f) const { sf_close(f); }
};

}  // namespace

VirtualSignal VirtualSignal::Sine(double frequency) {
    VirtualSignal s(Kind::Sine);
    s.m_frequency = frequency;
    return s;
}

VirtualSignal VirtualSignal::Chirp() {
    return VirtualSignal(Kind::Chirp);
}

VirtualSignal VirtualSignal::Noise() {
    return VirtualSignal(Kind::Noise);
}

VirtualSignal VirtualSignal::File(std::shared_ptr<const Clip> clip) {
    VirtualSignal s(Kind::File);
    s.m_clip = std::move(clip);
    return s;
}

std::shared_ptr<const VirtualSignal::Clip> VirtualSignal::LoadClip(const QString& path, QString* error) {
    auto fail = [&](const QString& why) {
        if (error)
            *error = QStringLiteral("The sound file \"%1\" cannot be used as input: %2").arg(path, why);
        return nullptr;
    };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return fail(file.errorString());
    MemoryFile memory{file.readAll(), 0};
    file.close();

    SF_VIRTUAL_IO io{MemLength, MemSeek, MemRead, MemWrite, MemTell};
    SF_INFO info{};
    std::unique_ptr<SNDFILE, SndfileCloser> sf(sf_open_virtual(&io, SFM_READ, &info, &memory));
    if (!sf) return fail(QString::fromUtf8(sf_strerror(nullptr)));
    if (info.channels < 1 || info.samplerate < 1)
        return fail(QStringLiteral("the file has no valid format."));
    if (info.frames <= 0) return fail(QStringLiteral("the file holds no samples."));

    auto clip = std::make_shared<Clip>();
    clip->rate = static_cast<std::uint32_t>(info.samplerate);
    clip->channels = static_cast<std::uint16_t>(info.channels);
    try {
        clip->samples.resize(static_cast<std::size_t>(info.frames) * static_cast<std::size_t>(info.channels));
    } catch (const std::bad_alloc&) {
        return fail(QStringLiteral("the file is too large to hold in memory."));
    }
    // libsndfile scales every format to 16 bits (8-bit unsigned becomes (u − 128)·256).
    const sf_count_t got = sf_readf_short(sf.get(), clip->samples.data(), info.frames);
    if (got <= 0) return fail(QString::fromUtf8(sf_strerror(sf.get())));
    clip->frames = static_cast<std::uint64_t>(got);
    clip->samples.resize(static_cast<std::size_t>(got) * static_cast<std::size_t>(info.channels));
    return clip;
}

void VirtualSignal::Prepare(const PcmFormat& format) {
    m_format = format;
    m_chirpEnd = std::min(kChirpEnd, 0.45 * format.rate);
    m_frame = 0;
    m_clipPosition = 0;
}

double VirtualSignal::SyntheticValue(int channel) {
    const double rate = m_format.rate;
    switch (m_kind) {
        case Kind::Sine:
            // The phase from the whole frame count, reduced to one period: no error builds up.
            return std::sin(2.0 * std::numbers::pi * std::fmod(double(m_frame) * m_frequency, rate) / rate);
        case Kind::Chirp: {
            const auto period = static_cast<std::uint64_t>(kChirpSeconds * rate);
            const double t = double(m_frame % period) / rate;
            const double cycles =
                kChirpStart * t + (m_chirpEnd - kChirpStart) * t * t / (2.0 * kChirpSeconds);
            return std::sin(2.0 * std::numbers::pi * (cycles - std::floor(cycles)));
        }
        case Kind::Noise: {
            (void)channel;
            // xorshift32: cheap, and good enough for a flat spectrum.
            m_noiseState ^= m_noiseState << 13;
            m_noiseState ^= m_noiseState >> 17;
            m_noiseState ^= m_noiseState << 5;
            return double(m_noiseState) / 2147483647.5 - 1.0;
        }
        case Kind::File:
            break;
    }
    return 0.0;
}

double VirtualSignal::ClipValue(int channel) const {
    const Clip& c = *m_clip;
    const std::uint64_t index = m_clipPosition / m_format.rate;
    const double frac = double(m_clipPosition % m_format.rate) / m_format.rate;
    // After the last frame the loop goes on with the first one.
    const std::uint64_t next = index + 1 < c.frames ? index + 1 : 0;
    auto at = [&](std::uint64_t frame) {
        const std::int16_t* s = c.samples.data() + frame * c.channels;
        if (m_format.channels == 1 && c.channels > 1) {
            double sum = 0.0;
            for (int ch = 0; ch < c.channels; ++ch) sum += s[ch];
            return sum / c.channels;
        }
        return double(s[std::min(channel, c.channels - 1)]);
    };
    const double a = at(index);
    const double v = frac == 0.0 ? a : a + (at(next) - a) * frac;
    return v / 32768.0;
}

void VirtualSignal::Store(std::uint8_t*& out, double value, bool scaled) const {
    if (m_format.bits == 16) {
        const long s = std::lround(value * (scaled ? kAmplitude16 : 32768));
        const auto v = static_cast<std::uint16_t>(static_cast<std::int16_t>(std::clamp(s, -32768L, 32767L)));
        *out++ = static_cast<std::uint8_t>(v & 0xFF);
        *out++ = static_cast<std::uint8_t>(v >> 8);
    } else {
        const long s = 128 + std::lround(value * (scaled ? kAmplitude8 : 128));
        *out++ = static_cast<std::uint8_t>(std::clamp(s, 0L, 255L));
    }
}

void VirtualSignal::Render(std::uint8_t* out, std::uint32_t frames) {
    const bool file = m_kind == Kind::File;
    const std::uint64_t clipLoop = file ? m_clip->frames * m_format.rate : 0;
    for (std::uint32_t i = 0; i < frames; ++i) {
        if (file) {
            for (int ch = 0; ch < m_format.channels; ++ch) Store(out, ClipValue(ch), false);
            m_clipPosition += m_clip->rate;
            if (m_clipPosition >= clipLoop) m_clipPosition %= clipLoop;
        } else if (m_kind == Kind::Noise) {
            for (int ch = 0; ch < m_format.channels; ++ch) Store(out, SyntheticValue(ch), true);
        } else {
            const double v = SyntheticValue(0);
            for (int ch = 0; ch < m_format.channels; ++ch) Store(out, v, true);
        }
        ++m_frame;
    }
}

void VirtualSignal::Skip(std::uint64_t frames) {
    m_frame += frames;
    if (m_kind == Kind::File) {
        const std::uint64_t clipLoop = m_clip->frames * m_format.rate;
        // 128-bit: frames × clip rate may exceed 64 bits after a long suspension.
        const unsigned __int128 step = static_cast<unsigned __int128>(frames) * m_clip->rate;
        m_clipPosition = static_cast<std::uint64_t>((m_clipPosition + step) % clipLoop);
    }
}
