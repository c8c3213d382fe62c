// The whole-sound sonogram on several threads: the same columns as on one, each the spectrum
// of its own samples; and the spreading of numbered pieces over threads.

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <new>
#include <stdexcept>
#include <thread>
#include <vector>

#include "analysis/ParallelColumns.h"
#include "analysis/SonogramBuild.h"

namespace {

constexpr int kRate = 8000;
constexpr int kPoints = 512;
constexpr int kHeight = 120;

// A chirp with a little noise, as 16-bit sample values.
std::vector<double> Chirp(std::size_t count) {
    std::vector<double> s(count);
    std::uint32_t noise = 12345;
    for (std::size_t i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / kRate;
        noise = noise * 1664525u + 1013904223u;
        s[i] = std::round(12000.0 * std::sin(2 * M_PI * (100.0 * t + 800.0 * t * t)) +
                          static_cast<double>(noise >> 24) - 128.0);
    }
    return s;
}

SonogramScale Scale() {
    SonogramScale s;
    s.topCutkHz = 4;
    s.smooth = true;
    return s;
}

struct Built {
    std::vector<std::uint32_t> colours;
    std::vector<double> levels;
};

Built Build(const std::vector<double>& sound, const SonogramBuild::Layout& layout, int threads) {
    const SonogramBuild::SampleReader reader = [&sound](std::uint64_t first, std::size_t count, double* out) {
        std::copy_n(sound.begin() + static_cast<std::ptrdiff_t>(first), count, out);
    };
    SonogramBuild build(Scale(), kHeight, Sonogram::Colours(true), 0x123456, layout, reader, true);
    EXPECT_TRUE(build.Run(threads, CancelToken()));
    EXPECT_EQ(build.Finished(), layout.columns);
    Built b;
    for (std::size_t c = 0; c < layout.columns; ++c) {
        b.colours.insert(b.colours.end(), build.Colours(c), build.Colours(c) + kHeight);
        b.levels.insert(b.levels.end(), build.LevelsDb(c), build.LevelsDb(c) + kHeight);
    }
    return b;
}

// |X_k| / N of N samples by a direct DFT in long double.
std::vector<double> DirectSpectrum(const double* x, std::size_t n) {
    std::vector<double> out(n / 2 + 1);
    for (std::size_t k = 0; k <= n / 2; ++k) {
        long double re = 0, im = 0;
        for (std::size_t i = 0; i < n; ++i) {
            const long double phase = 2.0L * M_PIl * static_cast<long double>((k * i) % n) / n;
            re += x[i] * std::cos(phase);
            im -= x[i] * std::sin(phase);
        }
        out[k] = static_cast<double>(std::sqrt(re * re + im * im) / n);
    }
    return out;
}

}  // namespace

TEST(SonogramBuild, ColumnsOfSeveralThreadsAreBitForBitThoseOfOneAndTheSpectraOfTheirSamples) {
    const std::vector<double> sound = Chirp(40000);
    SonogramBuild::Layout layout;
    layout.columns = 150;
    layout.step = (sound.size() - kPoints) / (layout.columns - 1);
    layout.points = kPoints;
    layout.sampleRate = kRate;
    const Built one = Build(sound, layout, 1);
    for (int threads : {2, 3, 7}) {
        const Built more = Build(sound, layout, threads);
        EXPECT_EQ(more.colours, one.colours) << threads;
        ASSERT_EQ(more.levels.size(), one.levels.size());
        // Bit for bit, NaN rows included.
        EXPECT_EQ(std::memcmp(more.levels.data(), one.levels.data(), one.levels.size() * sizeof(double)), 0)
            << threads;
    }
    // A few columns against the levels of a direct DFT of the samples at their start.
    Sonogram reference;
    reference.SetScale(Scale(), kHeight);
    for (std::size_t column : {std::size_t(0), std::size_t(77), layout.columns - 1}) {
        const double* from = sound.data() + column * layout.step;
        const std::vector<double> direct = DirectSpectrum(from, kPoints);
        const std::vector<double> expected = reference.ColumnDb(direct.data(), direct.size(), kRate);
        int compared = 0;
        for (int row = 0; row < kHeight; ++row) {
            const double got = one.levels[column * kHeight + static_cast<std::size_t>(row)];
            const double want = expected[static_cast<std::size_t>(row)];
            if (std::isnan(want)) {
                EXPECT_TRUE(std::isnan(got)) << column << " " << row;
                continue;
            }
            EXPECT_NEAR(got, want, 1e-6) << column << " " << row;
            ++compared;
        }
        EXPECT_GT(compared, kHeight / 2);
    }
}

TEST(ParallelColumns, EveryPieceOnceACancelStopsThemAndAFailureReachesTheCaller) {
    {
        ParallelColumns pieces(1000);
        std::vector<std::atomic<int>> calls(1000);
        std::atomic<int> widest{-1};
        EXPECT_TRUE(pieces.Run(
            3,
            [&](int thread, std::size_t piece) {
                ++calls[piece];
                for (int seen = widest; thread > seen && !widest.compare_exchange_weak(seen, thread);) {
                }
            },
            CancelToken()));
        EXPECT_EQ(pieces.Finished(), 1000u);
        for (const auto& c : calls) ASSERT_EQ(c, 1);
        EXPECT_LE(widest, 2);
    }
    {
        // Cancelled from a piece: the others end at their next piece, the front stays in order.
        ParallelColumns pieces(100000);
        CancelToken token;
        std::atomic<int> done{0};
        EXPECT_FALSE(pieces.Run(
            2,
            [&](int, std::size_t) {
                if (++done == 50) token.Cancel();
            },
            token));
        EXPECT_LT(done, 100000);
        EXPECT_LE(pieces.Finished(), static_cast<std::size_t>(done.load()));
    }
    {
        ParallelColumns pieces(1000);
        EXPECT_THROW(pieces.Run(
                         2,
                         [](int, std::size_t piece) {
                             if (piece == 10) throw std::bad_alloc();
                         },
                         CancelToken()),
                     std::bad_alloc);
        EXPECT_LT(pieces.Finished(), 1000u);
    }
}
