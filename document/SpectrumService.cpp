#include "document/SpectrumService.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "analysis/CwtTransform.h"
#include "analysis/RealFft.h"

SpectrumService::SpectrumService() = default;
SpectrumService::~SpectrumService() = default;

RealFft& SpectrumService::FftOfSize(int points) {
    // One transform object per size, kept: building the tables costs more than a transform.
    if (!m_fft || static_cast<int>(m_fft->Size()) != points)
        m_fft = std::make_unique<RealFft>(static_cast<std::size_t>(points));
    return *m_fft;
}

void SpectrumService::Magnitudes(const double* values, int points, std::vector<double>& out) {
    RealFft& fft = FftOfSize(points);
    const std::size_t n = static_cast<std::size_t>(points);
    m_out.resize(n);
    fft.Transform(m_out.data(), values);
    fft.Rescale(m_out.data());
    out.resize(n / 2 + 1);
    for (std::size_t k = 0; k <= n / 2; ++k) {
        const double re = m_out[k];
        const double im = (k > 0 && k < n / 2) ? m_out[n / 2 + k] : 0.0;  // bins 0 and N/2 are real
        out[k] = std::sqrt(re * re + im * im);
    }
}

void SpectrumService::SpectrumOfStart(const std::vector<double>& samples, int points,
                                      std::vector<double>& out) {
    const std::size_t n = static_cast<std::size_t>(points);
    m_in.assign(n, 0.0);
    std::copy_n(samples.begin(), std::min(n, samples.size()), m_in.begin());
    Magnitudes(m_in.data(), points, out);
}

bool SpectrumService::SpectrumOf(const std::vector<double>& values, std::size_t start, int points,
                                 std::vector<double>& out) {
    if (points < 1 || values.size() < static_cast<std::size_t>(points) || start + points > values.size())
        return false;
    Magnitudes(values.data() + start, points, out);
    return true;
}

void SpectrumService::AutoCorrelations(const std::vector<double>& samples, int points, int count,
                                       AutoCorrelationArray& acf, std::vector<double>& analysis) {
    const std::size_t n = static_cast<std::size_t>(points);
    RealFft& fft = FftOfSize(points);
    m_in.assign(n, 0.0);
    std::copy_n(samples.begin(), std::min(n, samples.size()), m_in.begin());
    m_out.resize(n);
    // The power spectrum of a transformed array, transformed back, is its autocorrelation.
    const auto autocorrelation = [&](std::vector<double>& out) {
        for (double& v : m_out) v *= v;
        for (std::size_t i = 0; i < n / 2; ++i) m_out[i] += m_out[n / 2 + i];
        std::fill(m_out.begin() + static_cast<std::ptrdiff_t>(n / 2), m_out.end(), 0.0);
        out.resize(n);
        fft.InverseTransform(m_out.data(), out.data());
        fft.Rescale(out.data());
    };
    fft.Transform(m_out.data(), m_in.data());
    fft.Rescale(m_out.data());
    autocorrelation(acf[0]);
    const int iterations = std::clamp(count, 0, static_cast<int>(kAutoCorrelationCount) - 1);
    for (int k = 0; k < iterations; ++k) {
        fft.Transform(m_out.data(), acf[static_cast<std::size_t>(k)].data());
        fft.Rescale(m_out.data());
        analysis.resize(n / 2 + 1);
        for (std::size_t j = 0; j <= n / 2; ++j) {
            const double re = m_out[j];
            const double im = (j > 0 && j < n / 2) ? m_out[n / 2 + j] : 0.0;
            analysis[j] = std::sqrt(re * re + im * im);
        }
        autocorrelation(acf[static_cast<std::size_t>(k) + 1]);
    }
}

std::optional<int> SpectrumService::FirstMinimum(const std::vector<double>& acf) {
    if (acf.empty() || !(acf[0] > 0.0)) return std::nullopt;
    std::size_t i = 0;
    while (i + 1 < acf.size() && acf[i + 1] > 0.0 && acf[i + 1] <= acf[i]) ++i;
    return static_cast<int>(i);
}

CwtOutcome SpectrumService::WaveletTransform(CwtParameters& parameters, const std::vector<double>& samples,
                                             int sampleRate, std::vector<float>& result,
                                             const CancelToken& token) {
    const auto n = static_cast<std::int64_t>(samples.size());
    parameters.start_time = 0.0f;
    parameters.end_time = static_cast<float>(static_cast<double>(n) / sampleRate);
    parameters.sample_rate = static_cast<float>(sampleRate);
    return RunTransform(parameters, samples.data(), n, result, {&token});
}
