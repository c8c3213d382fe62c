#include "analysis/Sonogram.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

#include "analysis/RealFft.h"
#include "analysis/SpectrumScale.h"

namespace {

constexpr std::uint32_t Rgb(int r, int g, int b) {
    return (static_cast<std::uint32_t>(r) << 16) | (static_cast<std::uint32_t>(g) << 8) |
           static_cast<std::uint32_t>(b);
}

Sonogram::Palette MakePalette(bool colour1) {
    Sonogram::Palette p{};
    for (int k = 0; k < 256; ++k) {
        const auto at = [&](int ramp) -> std::uint32_t& {
            return p[static_cast<std::size_t>(ramp * 256 + k)];
        };
        if (colour1) {
            at(0) = Rgb(0, 0, k);
            at(1) = Rgb(0, k, 255);
            at(2) = Rgb(0, 255, 255 - k);
        } else {
            at(0) = Rgb(255 - k, 255, 255);
            at(1) = Rgb(0, 255 - k, 255);
            at(2) = Rgb(0, k, 255 - k);
        }
        at(3) = Rgb(k, 255, 0);
        at(4) = Rgb(255, 255 - k, 0);
    }
    return p;
}

// The natural logarithm, inline and without a library call: a column needs one per drawn
// row, and the library's logarithm would cost about as much as the transform. Accurate to
// about 1e-9 relative; exact at 1 and for powers of two consistently with itself, which is
// what the comparisons against the top level need.
inline double FastLn(double x) {
    if (!(x > 0.0))
        return x == 0.0 ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::quiet_NaN();
    if (std::isinf(x)) return x;
    const auto bits = std::bit_cast<std::uint64_t>(x);
    int exponent =
        static_cast<int>((bits >> 52) & 0x7FF) - 1023;  // subnormals: near enough to 0 for a colour
    double m = std::bit_cast<double>((bits & 0x000FFFFFFFFFFFFFull) | 0x3FF0000000000000ull);  // 1 <= m < 2
    if (m > 1.4142135623730951) {
        m *= 0.5;
        ++exponent;
    }
    // ln m = 2 atanh(t) with t = (m - 1)/(m + 1), |t| < 0.172.
    const double t = (m - 1.0) / (m + 1.0);
    const double t2 = t * t;
    const double series = 1.0 + t2 * (1.0 / 3 + t2 * (1.0 / 5 + t2 * (1.0 / 7 + t2 * (1.0 / 9))));
    return exponent * 0.6931471805599453 + 2.0 * t * series;
}

// A row as an int even for frequencies far outside the picture (or 0 Hz on a log axis).
int ToRow(double y) {
    return static_cast<int>(std::clamp(y, -1.0e9, 1.0e9));
}

}  // namespace

const Sonogram::Palette& Sonogram::Colours(bool colour1) {
    static const Palette kColour1 = MakePalette(true);
    static const Palette kColour2 = MakePalette(false);
    return colour1 ? kColour1 : kColour2;
}

Sonogram::Sonogram() = default;
Sonogram::~Sonogram() = default;

void Sonogram::SetScale(const SonogramScale& scale, int height) {
    m_scale = scale;
    m_height = std::max(height, 1);
    const double fmin = std::max(scale.bottomCutHz, 1);
    const double fmax = std::max(scale.topCutkHz, 1) * 1000.0;
    m_max = scale.freqLinear ? fmax : std::log(fmax);
    m_0 = scale.freqLinear ? fmin / fmax : std::log(fmin) / std::log(fmax);
    // The value |X_k|/N of a full-scale sine; the top colour lies 4/Z above it, which is
    // where 2^bits / Z always put it.
    const double fullSine = SpectrumScale::Magnitude(0.0, scale.bits);
    const double top = 4.0 * fullSine / std::max(scale.gain, 1e-9);
    // The value 1 of 16-bit sound, in the units of this sample width.
    const double step = fullSine / SpectrumScale::Magnitude(0.0, 16);
    m_lnStep = FastLn(step);
    m_k = scale.ampLinear ? top : FastLn(top) - m_lnStep;
    m_bins = 0;  // the rows of the bins are computed anew
}

double Sonogram::Fraction(double f) const {
    const double u = m_scale.freqLinear ? f / m_max : std::log(f) / m_max;
    return (u - m_0) / (1.0 - m_0);
}

int Sonogram::Row(double f) const {
    return ToRow(std::trunc(m_height * (1.0 - Fraction(f))));
}

double Sonogram::FrequencyAt(double y) const {
    const double u = m_0 + (m_height - y) / m_height * (1.0 - m_0);
    return m_scale.freqLinear ? u * m_max : std::exp(u * m_max);
}

double Sonogram::Level(double s) const {
    if (std::isnan(s)) return 0.0;
    if (m_scale.ampLinear) return std::min(s / m_k, 1.0);
    const double ls = FastLn(s) - m_lnStep;
    // Silence gives a level far below 0 but finite, so that blending with it stays a number.
    return ls >= m_k ? 1.0 : std::max(ls / m_k, -1.0e30);
}

int Sonogram::IndexOfLevel(double v) const {
    if (!(v > 0.0)) return 0;  // also silence on the log scale and levels below 1 sample unit
    v = std::min(v, 1.0);
    const double index = (kPaletteSize - 1) * (m_scale.ampLinear ? v : v * v * v);
    return static_cast<int>(index);
}

void Sonogram::PrepareBins(std::size_t n, int sampleRate) {
    if (n == m_bins && sampleRate == m_binRate) return;
    // Which bins a column draws and which rows each of them fills depends only on the spectrum
    // size and the scale, not on the levels: worked out once here, so that a column is a pass
    // over its drawn bins and one over the rows, without a branch that depends on the data.
    const int height = m_height;
    const int fmin = m_scale.bottomCutHz;
    const int points = static_cast<int>(2 * (n - 1));  // n values are bins 0 .. N/2
    m_pointBins.clear();
    m_rowFrom.assign(static_cast<std::size_t>(height), 0);
    m_rowTo.assign(static_cast<std::size_t>(height), 0);
    m_rowWeight.assign(static_cast<std::size_t>(height), 0.0);
    m_lowBin = -1;
    m_topRow = height;
    // The walk upwards: a bin at or below fmin only sets the level where smoothing starts
    // (source 0); a bin whose row is above the row of the point before becomes point k
    // (source k + 1). Each point but the last is a bar from its row down to the point before.
    int yp = height;
    bool hasPending = false;
    int pending = 0;  // rows [pending, pendingEnd) of the point before, drawn once another follows
    int pendingEnd = height;
    for (std::size_t i = 0; i < n; ++i) {
        const double f = SpectrumScale::BinFrequency(static_cast<double>(i), sampleRate, points);
        if (f <= fmin) {
            m_lowBin = static_cast<long>(i);
            continue;
        }
        const int y = Row(f);
        if (y >= yp) {
            // Another bin in the row of the point before: the row shows the loudest of them,
            // so that a narrow peak never falls between the drawn bins.
            if (!m_pointBins.empty()) m_pointBins.back().second = i;
            continue;
        }
        const int source = static_cast<int>(m_pointBins.size()) + 1;
        const auto fill = [&](int from, int to, int a, int b, double w) {
            for (int row = std::max(from, 0); row < std::min(to, height); ++row) {
                m_rowFrom[static_cast<std::size_t>(row)] = a;
                m_rowTo[static_cast<std::size_t>(row)] = b;
                m_rowWeight[static_cast<std::size_t>(row)] = w;
            }
        };
        if (hasPending) fill(pending, pendingEnd, source - 1, source - 1, 0.0);
        hasPending = true;
        m_pointBins.emplace_back(i, i);
        if (m_scale.smooth && i > 0 && y < yp - 2) {
            // Rows yp - j between the two bins: levels blended from the point before.
            for (int j = 1; yp - j > y && yp - j >= 0; ++j)
                fill(yp - j, yp - j + 1, source - 1, source, static_cast<double>(j) / (yp - y));
            pending = y;
            pendingEnd = y + 1;
        } else {
            pending = y;
            pendingEnd = yp;
        }
        m_topRow = std::clamp(pendingEnd, 0, height);
        yp = y;
        if (yp < -1) {
            // Everything further up lies above the picture; only whether another point
            // follows matters, for the bar of this one.
            for (std::size_t k = i + 1; k < n; ++k) {
                const double fk = SpectrumScale::BinFrequency(static_cast<double>(k), sampleRate, points);
                if (fk > fmin && Row(fk) < yp) {
                    fill(pending, pendingEnd, source, source, 0.0);
                    m_topRow = 0;
                    break;
                }
            }
            break;
        }
    }
    m_bins = n;
    m_binRate = sampleRate;
}

const std::vector<float>& Sonogram::Column(const double* spectrum, std::size_t n, int sampleRate) {
    const std::size_t height = static_cast<std::size_t>(m_height);
    m_levels.resize(height);
    if (n <= 2 || sampleRate <= 0) {
        std::fill(m_levels.begin(), m_levels.end(), std::numeric_limits<float>::quiet_NaN());
        return m_levels;
    }
    PrepareBins(n, sampleRate);
    const std::size_t points = m_pointBins.size();
    m_sources.resize(points + 1);
    m_sources[0] = m_lowBin >= 0 ? Level(spectrum[m_lowBin]) : 0.0;
    for (std::size_t k = 0; k < points; ++k) {
        const auto [first, last] = m_pointBins[k];
        double loudest = spectrum[first];
        for (std::size_t i = first + 1; i <= last; ++i) loudest = std::max(loudest, spectrum[i]);
        m_sources[k + 1] = Level(loudest);
    }
    const std::size_t top = static_cast<std::size_t>(m_topRow);
    std::fill(m_levels.begin(), m_levels.begin() + static_cast<std::ptrdiff_t>(top),
              std::numeric_limits<float>::quiet_NaN());
    for (std::size_t row = top; row < height; ++row) {
        const double a = m_sources[static_cast<std::size_t>(m_rowFrom[row])];
        const double b = m_sources[static_cast<std::size_t>(m_rowTo[row])];
        m_levels[row] = static_cast<float>(m_rowWeight[row] == 0.0 ? a : a + m_rowWeight[row] * (b - a));
    }
    return m_levels;
}

const std::vector<double>& Sonogram::ColumnDb(const double* spectrum, std::size_t n, int sampleRate) {
    const std::size_t height = static_cast<std::size_t>(m_height);
    m_levelsDb.resize(height);
    if (n <= 2 || sampleRate <= 0) {
        std::fill(m_levelsDb.begin(), m_levelsDb.end(), std::numeric_limits<double>::quiet_NaN());
        return m_levelsDb;
    }
    PrepareBins(n, sampleRate);
    const int bits = m_scale.bits;
    const int fftPoints = static_cast<int>(2 * (n - 1));
    // Bins 0 and N/2 compare with the others as the sine of the same level would.
    const auto value = [&](std::size_t i) {
        return SpectrumScale::SineEquivalent(spectrum[i], double(i), fftPoints);
    };
    const std::size_t points = m_pointBins.size();
    m_sourcesDb.resize(points + 1);
    m_sourcesDb[0] =
        SpectrumScale::LevelDb(m_lowBin >= 0 ? value(static_cast<std::size_t>(m_lowBin)) : 0.0, bits);
    for (std::size_t k = 0; k < points; ++k) {
        const auto [first, last] = m_pointBins[k];
        double loudest = value(first);
        for (std::size_t i = first + 1; i <= last; ++i) loudest = std::max(loudest, value(i));
        m_sourcesDb[k + 1] = SpectrumScale::LevelDb(loudest, bits);
    }
    const std::size_t top = static_cast<std::size_t>(m_topRow);
    std::fill(m_levelsDb.begin(), m_levelsDb.begin() + static_cast<std::ptrdiff_t>(top),
              std::numeric_limits<double>::quiet_NaN());
    for (std::size_t row = top; row < height; ++row) {
        // A blended row lies in the bar of the upper of its two bins.
        const int source = m_rowWeight[row] > 0.0 ? m_rowTo[row] : m_rowFrom[row];
        m_levelsDb[row] = m_sourcesDb[static_cast<std::size_t>(source)];
    }
    return m_levelsDb;
}

const std::vector<double>& Sonogram::Spectrum(const double* samples, int points) {
    const std::size_t n = static_cast<std::size_t>(points);
    if (!m_fft || m_fft->Size() != n) m_fft = std::make_unique<RealFft>(n);
    m_transform.resize(n);
    m_fft->Transform(m_transform.data(), samples);
    const std::size_t half = n / 2;
    m_spectrum.resize(half + 1);
    const double scale = 1.0 / static_cast<double>(n);
    // Bins 0 and N/2 are real; the loop between them has no branch, so that it runs in vector
    // registers (see CMakeLists.txt): it costs as much as the transform otherwise.
    const double* re = m_transform.data();
    const double* im = m_transform.data() + half;
    double* out = m_spectrum.data();
    for (std::size_t k = 1; k < half; ++k) out[k] = std::sqrt(re[k] * re[k] + im[k] * im[k]) * scale;
    out[0] = std::abs(re[0]) * scale;
    if (half > 0) out[half] = std::abs(re[half]) * scale;
    return m_spectrum;
}

void Sonogram::Colour(const Palette& palette, std::uint32_t background, std::uint32_t* out) const {
    for (std::size_t row = 0; row < m_levels.size(); ++row) {
        const float v = m_levels[row];
        out[row] = std::isnan(v) ? background : palette[static_cast<std::size_t>(IndexOfLevel(v))];
    }
}
