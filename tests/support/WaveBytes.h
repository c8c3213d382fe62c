#pragma once
// Builds wave files byte by byte, so tests can make exactly the broken files they need.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <cmath>
#include <cstdint>
#include <vector>

namespace test {

inline void PutU16(QByteArray& b, std::uint16_t v) {
    b.append(static_cast<char>(v & 0xFF));
    b.append(static_cast<char>(v >> 8));
}
inline void PutU32(QByteArray& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.append(static_cast<char>((v >> (8 * i)) & 0xFF));
}

// A chunk: id, size (the body's length unless given), body and a pad byte for odd bodies.
inline QByteArray Chunk(const char* id, const QByteArray& body, std::int64_t sizeField = -1,
                        bool pad = true) {
    QByteArray c(id, 4);
    PutU32(c,
           sizeField < 0 ? static_cast<std::uint32_t>(body.size()) : static_cast<std::uint32_t>(sizeField));
    c += body;
    if (pad && (body.size() & 1)) c.append('\0');
    return c;
}

inline QByteArray FmtBody(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits,
                          int extraBytes = -1) {
    QByteArray b;
    PutU16(b, tag);
    PutU16(b, channels);
    PutU32(b, rate);
    const std::uint16_t align = static_cast<std::uint16_t>(channels * (bits / 8));
    PutU32(b, align * rate);
    PutU16(b, align);
    PutU16(b, bits);
    if (extraBytes >= 0) PutU16(b, static_cast<std::uint16_t>(extraBytes));
    return b;
}

// The body of a WAVE_FORMAT_EXTENSIBLE "fmt " chunk with the given sub-format tag.
inline QByteArray ExtensibleFmtBody(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits,
                                    std::uint16_t subFormat) {
    QByteArray b = FmtBody(0xFFFE, channels, rate, bits, 22);
    PutU16(b, bits);  // valid bits
    PutU32(b, channels == 1 ? 4 : 3);
    PutU16(b, subFormat);
    b += QByteArray::fromHex("000000001000800000aa00389b71");
    return b;
}

inline QByteArray Riff(const QByteArray& chunks, std::int64_t sizeField = -1) {
    QByteArray r("RIFF", 4);
    PutU32(r, sizeField < 0 ? static_cast<std::uint32_t>(4 + chunks.size())
                            : static_cast<std::uint32_t>(sizeField));
    r += "WAVE";
    r += chunks;
    return r;
}

inline QByteArray Pcm16(const std::vector<int>& samples) {
    QByteArray b;
    for (int s : samples) PutU16(b, static_cast<std::uint16_t>(static_cast<std::int16_t>(s)));
    return b;
}

inline QByteArray Wave(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits,
                       const QByteArray& data) {
    return Riff(Chunk("fmt ", FmtBody(1, channels, rate, bits)) + Chunk("data", data));
}

inline QByteArray Mono16(std::uint32_t rate, const std::vector<int>& samples) {
    return Wave(1, rate, 16, Pcm16(samples));
}

inline std::vector<int> Sine(double frequency, std::uint32_t rate, std::size_t count, double amplitude) {
    std::vector<int> s(count);
    for (std::size_t i = 0; i < count; ++i)
        s[i] = static_cast<int>(std::lround(amplitude * std::sin(2.0 * M_PI * frequency * double(i) / rate)));
    return s;
}

inline bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

inline QByteArray ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline std::uint32_t U32At(const QByteArray& b, qsizetype pos) {
    const auto* p = reinterpret_cast<const unsigned char*>(b.constData() + pos);
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

}  // namespace test
