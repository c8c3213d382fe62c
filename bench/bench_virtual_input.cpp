// What the virtual input's worker spends to produce one second of sound, per signal, at the
// highest rate the program offers (192 kHz, 16-bit stereo) and at the usual 44.1 kHz mono. The
// worker runs beside live analysis, so this must stay a small fraction of real time.
//
// Prints one line per case:
//   virtual signal=<kind> rate=<hz> channels=<n> ms_per_second=<t> ratio=<t/1000>

#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <vector>

#include "document/RiffWave.h"
#include "platform/audio/VirtualSignal.h"

namespace {

double MsPerSecondOfSound(VirtualSignal signal, const PcmFormat& format) {
    signal.Prepare(format);
    // The worker renders a few milliseconds per tick; 5 ms pieces, as it does.
    const std::uint32_t piece = format.rate / 200;
    std::vector<std::uint8_t> out(piece * format.BlockAlign());
    std::vector<double> runs;
    for (int run = 0; run < 5; ++run) {
        const auto start = std::chrono::steady_clock::now();
        for (std::uint32_t done = 0; done < format.rate; done += piece) signal.Render(out.data(), piece);
        runs.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(runs.begin(), runs.end());
    return runs[runs.size() / 2];
}

}  // namespace

int main() {
    QTemporaryDir dir;
    // A 44.1 kHz stereo file, so the file input resamples and mixes.
    const QString path = dir.filePath(QStringLiteral("clip.wav"));
    {
        RiffWave wave;
        WaveFormat format = WaveFormat::MonoPcm(44100, 16);
        format.channels = 2;
        format.blockAlign = 4;
        format.avgBytesPerSec = 4 * 44100;
        if (wave.Open(path, &format, RiffWave::Mode::Write) != RiffWave::Status::Success) return 1;
        std::vector<std::int16_t> samples(2 * 44100);
        for (std::size_t i = 0; i < samples.size(); ++i)
            samples[i] = static_cast<std::int16_t>(10000 * std::sin(0.01 * double(i)));
        wave.Write(static_cast<std::uint32_t>(samples.size() * 2), samples.data(), nullptr);
        wave.Close();
    }
    QString error;
    const auto clip = VirtualSignal::LoadClip(path, &error);
    if (!clip) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    struct Case {
        const char* name;
        VirtualSignal signal;
    };
    const Case cases[] = {{"sine", VirtualSignal::Sine(440)},
                          {"chirp", VirtualSignal::Chirp()},
                          {"noise", VirtualSignal::Noise()},
                          {"file", VirtualSignal::File(clip)}};
    for (const PcmFormat& format : {PcmFormat{192000, 16, 2}, PcmFormat{44100, 16, 1}}) {
        for (const Case& c : cases) {
            const double ms = MsPerSecondOfSound(c.signal, format);
            std::printf("virtual signal=%s rate=%u channels=%u ms_per_second=%.3f ratio=%.5f\n", c.name,
                        format.rate, unsigned(format.channels), ms, ms / 1000.0);
        }
    }
    return 0;
}
