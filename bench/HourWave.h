#pragma once
// The one-hour 44.1 kHz 16-bit mono wave file the benchmarks load: a saw-like pattern, so every
// pixel column of a drawing has a real extent.

#include <QString>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "document/RiffWave.h"

inline bool WriteHourWave(const QString& path) {
    constexpr std::uint32_t kRate = 44100;
    constexpr std::uint32_t kSamples = kRate * 3600;
    RiffWave out;
    WaveFormat format = WaveFormat::MonoPcm(kRate, 16);
    if (out.Open(path, &format, RiffWave::Mode::Write) != RiffWave::Status::Success) return false;
    std::vector<std::int16_t> block(kRate);
    for (std::uint32_t s = 0; s < kSamples; s += kRate) {
        for (std::uint32_t i = 0; i < kRate; ++i)
            block[i] = static_cast<std::int16_t>((((s + i) * 37) & 0x7FFF) - 16384);
        if (out.Write(kRate * 2, block.data(), nullptr) != RiffWave::Status::Success) return false;
    }
    return out.Close() == RiffWave::Status::Success;
}

// Writes the hour into dir and returns its path; says why on standard error and returns an
// empty path when it cannot.
inline QString WriteHourWaveIn(const QTemporaryDir& dir) {
    const QString path = dir.filePath(QStringLiteral("hour.wav"));
    if (WriteHourWave(path)) return path;
    std::fprintf(stderr, "could not write %s\n", qPrintable(path));
    return {};
}
