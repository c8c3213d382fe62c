#include "analysis/CSonogram.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "analysis/CRealFFT.h"

namespace {

constexpr std::uint32_t Rgb(int r, int g, int b) {
    return (static_cast<std::uint32_t>(r) << 16) | (static_cast<std::uint32_t>(g) << 8) | static_cast<std::uint32_t>(b);
}

CSonogram::Palette MakePalette(bool colour1) {
    CSonogram::Palette p{};
    for (int k = 0; k < 256; ++k) {
        const auto at = [&](int ramp) -> std::uint32_t& { return p[static_cast<std::size_t>(ramp * 256 + k)]; };
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

// A row as an int even for frequencies far outside the picture (or 0 Hz on a log axis).
int ToRow(double y) { return static_cast<int>(std::clamp(y, -1.0e9, 1.0e9)); }

}  // namespace

const CSonogram::Palette& CSonogram::Colours(bool colour1) {
    static const Palette kColour1 = MakePalette(true);
    static const Palette kColour2 = MakePalette(false);
    return colour1 ? kColour1 : kColour2;
}

CSonogram::CSonogram() = default;
CSonogram::~CSonogram() = default;

void CSonogram::SetScale(const SonoScale& scale, int height) {
    m_scale = scale;
    m_nHeight = std::max(height, 1);
    const double fmin = std::max(scale.bottomCutHz, 1);
    const double fmax = std::max(scale.topCutkHz, 1) * 1000.0;
    m_uMax = scale.freqLinear ? fmax : std::log(fmax);
    m_u0 = scale.freqLinear ? fmin / fmax : std::log(fmin) / std::log(fmax);
    const double fullScale = std::ldexp(1.0, std::clamp(scale.bits, 1, 32));
    const double top = fullScale / std::max(scale.gain, 1e-9);
    m_dK = scale.ampLinear ? top : std::log(top);
    m_nBins = 0;  // the rows of the bins are computed anew
}

double CSonogram::Fraction(double f) const {
    const double u = m_scale.freqLinear ? f / m_uMax : std::log(f) / m_uMax;
    return (u - m_u0) / (1.0 - m_u0);
}

int CSonogram::Row(double f) const { return ToRow(std::trunc(m_nHeight * (1.0 - Fraction(f)))); }

double CSonogram::FrequencyAt(double y) const {
    const double u = m_u0 + (m_nHeight - y) / m_nHeight * (1.0 - m_u0);
    return m_scale.freqLinear ? u * m_uMax : std::exp(u * m_uMax);
}

double CSonogram::Level(double s) const {
    if (std::isnan(s)) return 0.0;
    if (m_scale.ampLinear) return std::min(s / m_dK, 1.0);
    const double ls = std::log(s);
    return ls >= m_dK ? 1.0 : ls / m_dK;
}

int CSonogram::IndexOfLevel(double v) const {
    if (!(v > 0.0)) return 0;  // also silence on the log scale and levels below 1 sample unit
    v = std::min(v, 1.0);
    const double index = (kPaletteSize - 1) * (m_scale.ampLinear ? v : v * v * v);
    return static_cast<int>(index);
}

double CSonogram::DecibelOfLevel(double v) const {
    const double fullScale = std::ldexp(1.0, std::clamp(m_scale.bits, 1, 32));
    v = std::clamp(v, 0.0, 1.0);  // as drawn: nothing darker than colour 0
    if (m_scale.ampLinear) return 20.0 * std::log10(v * m_dK / fullScale);
    return 20.0 * (v * m_dK) / std::log(10.0) - 20.0 * std::log10(fullScale);
}

void CSonogram::PrepareBins(std::size_t n, int sampleRate) {
    if (n == m_nBins && sampleRate == m_nBinRate) return;
    // Rows of the bins depend only on the spectrum size and the scale: one logarithm per bin
    // once, instead of one per bin and column.
    m_aBinFrequency.resize(n);
    m_aBinRow.resize(n);
    const double binWidth = (sampleRate / 2.0) / static_cast<double>(n);
    for (std::size_t i = 0; i < n; ++i) {
        const double f = std::trunc(binWidth * static_cast<double>(i));
        m_aBinFrequency[i] = static_cast<int>(std::min(f, 2.0e9));
        m_aBinRow[i] = Row(f);
    }
    m_nBins = n;
    m_nBinRate = sampleRate;
}

const std::vector<float>& CSonogram::Column(const double* spectrum, std::size_t n, int sampleRate) {
    const int height = m_nHeight;
    m_aLevels.assign(static_cast<std::size_t>(height), std::numeric_limits<float>::quiet_NaN());
    if (n <= 2 || sampleRate <= 0) return m_aLevels;
    PrepareBins(n, sampleRate);
    m_aPoints.clear();
    const int fmin = m_scale.bottomCutHz;
    int yp = height;
    double vp = 0.0;
    std::size_t lastLow = n;  // the last bin at or below fmin: its level is where smoothing starts
    for (std::size_t i = 0; i < n; ++i) {
        if (m_aBinFrequency[i] <= fmin) {
            lastLow = i;
            continue;
        }
        const int y = m_aBinRow[i];
        if (y >= yp) continue;
        if (yp <= 0) {
            // The point before reached the top; this one only says it was not the last point,
            // and nothing from here on is inside the picture.
            m_aPoints.push_back({y, 0.0});
            break;
        }
        if (lastLow < n) {
            vp = Level(spectrum[lastLow]);
            lastLow = n;
        }
        const double v = Level(spectrum[i]);
        if (m_scale.smooth && i > 0 && y < yp - 2) {
            const int last = std::max(y + 1, -1);  // rows above the picture need no levels
            for (int j = 1; yp - j >= last; ++j) m_aPoints.push_back({yp - j, vp + j * (v - vp) / (yp - y)});
        }
        m_aPoints.push_back({y, v});
        vp = v;
        yp = y;
    }
    // Each point but the last is a bar from its row down to the point before it.
    int below = height;
    for (std::size_t k = 0; k + 1 < m_aPoints.size() && below > 0; ++k) {
        const Point& p = m_aPoints[k];
        const float level = static_cast<float>(p.level);
        for (int row = std::max(p.row, 0); row < below; ++row) m_aLevels[static_cast<std::size_t>(row)] = level;
        below = std::min(below, p.row);
    }
    return m_aLevels;
}

const std::vector<double>& CSonogram::Spectrum(const double* samples, int points) {
    const std::size_t n = static_cast<std::size_t>(points);
    if (!m_fft || m_fft->Size() != n) m_fft = std::make_unique<CRealFFT>(n);
    m_aTransform.resize(n);
    m_fft->Transform(m_aTransform.data(), samples);
    m_aSpectrum.resize(n / 2 + 1);
    const double scale = 1.0 / static_cast<double>(n);
    for (std::size_t k = 0; k <= n / 2; ++k) {
        const double re = m_aTransform[k];
        const double im = (k > 0 && k < n / 2) ? m_aTransform[n / 2 + k] : 0.0;  // bins 0 and N/2 are real
        m_aSpectrum[k] = std::sqrt(re * re + im * im) * scale;
    }
    return m_aSpectrum;
}

void CSonogram::Colour(const Palette& palette, std::uint32_t background, std::uint32_t* out) const {
    for (std::size_t row = 0; row < m_aLevels.size(); ++row) {
        const float v = m_aLevels[row];
        out[row] = std::isnan(v) ? background : palette[static_cast<std::size_t>(IndexOfLevel(v))];
    }
}
