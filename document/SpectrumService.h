#pragma once
// The spectral computations of the document: magnitude spectra of its samples, the iterated
// autocorrelations of the selection and the wavelet transform. One FFT object and its buffers
// are kept between calls of the same size. It asks and shows nothing: running out of memory
// comes back as std::bad_alloc, a refused wavelet as the outcome, and the document tells the user.

#include <array>
#include <cstddef>
#include <memory>
#include <optional>
#include <vector>

#include "analysis/CwtParameters.h"

class CancelToken;
class RealFft;
struct CwtOutcome;

class SpectrumService {
public:
    static constexpr std::size_t kAutoCorrelationCount = 11;  // function 1 and up to 10 iterations
    using AutoCorrelationArray = std::array<std::vector<double>, kAutoCorrelationCount>;

    SpectrumService();
    ~SpectrumService();
    SpectrumService(const SpectrumService&) = delete;
    SpectrumService& operator=(const SpectrumService&) = delete;

    // |X_k|/N of N values into out (N/2+1 elements). Throws std::bad_alloc.
    void Magnitudes(const double* values, int points, std::vector<double>& out);
    // The spectrum of the first N samples, zeros appended when there are fewer. Throws std::bad_alloc.
    void SpectrumOfStart(const std::vector<double>& samples, int points, std::vector<double>& out);
    // The spectrum of values[start .. start + N - 1]; false (out untouched) when they are not all there.
    bool SpectrumOf(const std::vector<double>& values, std::size_t start, int points,
                    std::vector<double>& out);
    // The circular autocorrelation of the samples zero-padded (or cut) to N points, each value
    // divided by N^2, into acf[0]; then min(count, 10) times the autocorrelation of the function
    // before into the next, with the magnitude spectrum of the last function transformed into
    // analysis. N must be at least 4. Throws std::bad_alloc (what was done stays).
    void AutoCorrelations(const std::vector<double>& samples, int points, int count,
                          AutoCorrelationArray& acf, std::vector<double>& analysis);
    // The first minimum of an autocorrelation function while it stays positive (or the last
    // positive lag before its first zero crossing); none when it does not start positive.
    static std::optional<int> FirstMinimum(const std::vector<double>& acf);
    // The wavelet transform of the samples, taken at the sample rate, with the parameters
    // (whose time span and rate it sets) into result.
    static CwtOutcome WaveletTransform(CwtParameters& parameters, const std::vector<double>& samples,
                                       int sampleRate, std::vector<float>& result, const CancelToken& token);

private:
    RealFft& FftOfSize(int points);

    std::unique_ptr<RealFft> m_fft;  // kept between spectra of the same size
    std::vector<double> m_in, m_out;
};
