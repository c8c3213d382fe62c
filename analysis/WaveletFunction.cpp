#include "analysis/WaveletFunction.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <charconv>
#include <cmath>
#include <complex>
#include <cstdio>

#include "analysis/RealFft.h"

#include "analysis/BSplineWavelet.h"
#include "analysis/ComplexWavelets.h"
#include "analysis/RealWavelets.h"

std::string WaveletError::text() const {
    const auto quoted = [this](const char* before, const char* after) { return before + detail + after; };
    switch (code) {
        case none:
            return {};
        case no_arguments_expected:
            return quoted("The ", " wavelet doesn't expect any arguments.\n");
        case morlet_arguments:
            return quoted("Morlet wavelet accepts only one float argument for frequency, but not <", ">\n");
        case cauchy_arguments:
            return quoted("Cauchy wavelet accepts only one non-negative argument for the order, but not <",
                          ">\n");
        case spinning_missing:
            return "Two arguments required for spinning wavelet.\n";
        case spinning_arguments:
            return quoted("Spinning wavelet requires two arguments but not <", ">\n");
        case spinning_mu2:
            return quoted("To get an admissible wavelet it must hold mu2 >= 1/4, but for mu2=",
                          " this does not hold.\n");
        case bspline_arguments:
            return quoted("B-Spline wavelet accepts a comma separated list of positive floats, but not <",
                          ">\n");
        case bspline_missing:
            return "At least one window width argument is required for the B-spline wavelet.\n";
        case bspline_evaluate:
            return "wavelet_bspline::evaluate is not implemented - use wavelet_bspline::discretize instead\n";
        case unknown_name:
            return quoted("The wavelet <", "> is unknown.\n");
    }
    return {};
}

bool WaveletFunction::fail(WaveletError::Code code, std::string detail) {
    m_error = {code, std::move(detail)};
    return false;
}

void WaveletFunction::diagnose(const char* format, double first, double second) {
    char line[160];
    std::snprintf(line, sizeof line, format, first, second);
    m_diagnostics += line;
}

void WaveletFunction::discretize(float* buffer, std::int64_t i0, std::int64_t i1, float h, float f) const {
    for (std::int64_t i = i0; i < i1; ++i) {
        const float x = static_cast<float>(i) * h;
        buffer[i - i0] = (x >= lsupp && x <= rsupp) ? f * evaluate(x) : 0.0f;
    }
}

std::unique_ptr<WaveletFunction> create_wavelet(std::string_view spec, std::string_view* args) {
    std::unique_ptr<WaveletFunction> wavelet;
    std::size_t length = 0;
    for (std::size_t i = 0; i < std::size(kWaveletSpecNames) && !wavelet; ++i) {
        const std::string_view name = kWaveletSpecNames[i];
        const auto same = [](char a, char b) {
            return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
        };
        if (spec.size() < name.size() || !std::equal(name.begin(), name.end(), spec.begin(), same)) continue;
        length = name.size();
        switch (i) {
            case 0:
                wavelet = std::make_unique<HaarWavelet>();
                break;
            case 1:
                wavelet = std::make_unique<MexicanHatWavelet>();
                break;
            case 2:
                wavelet = std::make_unique<SineWavelet>();
                break;
            case 3:
                wavelet = std::make_unique<PoissonWavelet>();
                break;
            case 4:
                wavelet = std::make_unique<CauchyWavelet>();
                break;
            case 5:
                wavelet = std::make_unique<SpinningWavelet>();
                break;
            case 6:
                wavelet = std::make_unique<MorletWavelet>();
                break;
            default:
                wavelet = std::make_unique<BSplineWavelet>();
                break;
        }
    }
    if (!wavelet) return nullptr;
    wavelet->init();
    if (args) *args = spec.substr(length);
    return wavelet;
}

namespace {

bool IsBlank(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

// One number as strtod reads it in the C locale; the locale of the desktop plays no part.
bool ReadNumber(std::string_view& text, double& value) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // from_chars takes no '+' and no second sign: after the sign a digit, a point or a letter.
    if (i >= text.size() || text[i] == '+' || text[i] == '-') return false;
    const char* begin = text.data() + i;
    const char* end = text.data() + text.size();
    std::chars_format format = std::chars_format::general;
    if (end - begin > 2 && begin[0] == '0' && (begin[1] == 'x' || begin[1] == 'X')) {
        begin += 2;
        format = std::chars_format::hex;
    }
    const auto [stop, ec] = std::from_chars(begin, end, value, format);
    if (ec == std::errc::invalid_argument) return false;
    // Out of range: strtod gives infinity or zero; both are refused or caught by the caller.
    if (ec == std::errc::result_out_of_range) value = HUGE_VAL;
    if (negative) value = -value;
    text.remove_prefix(static_cast<std::size_t>(stop - text.data()));
    return true;
}

}  // namespace

bool read_wavelet_arguments(std::string_view text, std::vector<double>& values) {
    values.clear();
    while (!text.empty()) {
        if (text.front() != ',') return false;
        text.remove_prefix(1);
        double value = 0.0;
        if (!ReadNumber(text, value)) return false;
        while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
        if (!text.empty() && text.front() != ',') return false;
        values.push_back(value);
    }
    return true;
}

// ---- centre frequency

namespace {

// The wavelet is sampled at 4096 points of its support, and at least 16 per unit of x (the
// families oscillate about once per unit), at most 2^18.
constexpr double kFewestSamples = 4096, kSamplesPerUnit = 16, kMostSamples = 1 << 18;
// The spectrum's grid is 1 / (8 support widths), coarser for the longest wavelets.
constexpr std::size_t kPadding = 8, kLargestTransform = std::size_t(1) << 21;

// The wavelet's samples x_j = (i0 + j) h over its support, real and imaginary part.
struct Sampled {
    std::vector<double> re, im;
    double h = 0.0;
    double x0 = 0.0;
};

// sqrt(nu) (|psi^(nu)| + |psi^(-nu)|) by the direct sum, for the refinement between grid points.
double Response(const Sampled& s, double nu) {
    std::complex<double> a, b;  // the transforms of the real and the imaginary part at nu
    const double step = -2.0 * 3.14159265358979323846 * nu * s.h;
    const double start = -2.0 * 3.14159265358979323846 * nu * s.x0;
    for (std::size_t j = 0; j < s.re.size(); ++j) {
        const std::complex<double> e = std::polar(1.0, start + step * double(j));
        a += s.re[j] * e;
        b += s.im[j] * e;
    }
    // psi^(nu) = A + iB; for real parts, A(-nu) = conj A(nu), so psi^(-nu) = conj A + i conj B.
    const std::complex<double> i(0.0, 1.0);
    return std::sqrt(nu) * (std::abs(a + i * b) + std::abs(std::conj(a) + i * std::conj(b)));
}

}  // namespace

double sampled_centre_frequency(WaveletFunction& wavelet) {
    const double width = double(wavelet.rsupp) - double(wavelet.lsupp);
    if (!std::isfinite(width) || !(width > 0.0)) return 0.0;
    auto* complex = dynamic_cast<ComplexWavelet*>(&wavelet);
    Sampled s;
    s.h = width / std::clamp(std::ceil(width * kSamplesPerUnit), kFewestSamples, kMostSamples);
    const auto i0 = static_cast<std::int64_t>(std::floor(double(wavelet.lsupp) / s.h));
    const auto i1 = static_cast<std::int64_t>(std::ceil(double(wavelet.rsupp) / s.h)) + 1;
    s.x0 = double(i0) * s.h;
    const auto count = static_cast<std::size_t>(i1 - i0);
    std::vector<float> buffer(count);
    const auto take = [&](std::vector<double>& into) {
        wavelet.discretize(buffer.data(), i0, i1, static_cast<float>(s.h), 1.0f);
        into.assign(buffer.begin(), buffer.end());
    };
    if (complex) complex->imag_part = 0;
    take(s.re);
    if (complex) {
        complex->imag_part = 1;
        take(s.im);
        complex->imag_part = 0;
    } else {
        s.im.assign(count, 0.0);
    }
    if (wavelet.failed()) return 0.0;

    // The spectrum on a fine grid by zero-padded FFTs of both parts.
    const std::size_t n =
        std::max(std::bit_ceil(count) * 2, std::min(std::bit_ceil(count) * kPadding, kLargestTransform));
    RealFft fft(n);
    std::vector<double> padded(n, 0.0), fa(n), fb(n);
    std::copy(s.re.begin(), s.re.end(), padded.begin());
    fft.Transform(fa.data(), padded.data());
    std::copy(s.im.begin(), s.im.end(), padded.begin());
    fft.Transform(fb.data(), padded.data());
    const double bin = 1.0 / (double(n) * s.h);  // grid step in cycles per unit
    std::size_t best = 0;
    double largest = 0.0;
    // Up to half the Nyquist frequency of the samples: far above any centre of these families.
    for (std::size_t k = 1; k < n / 4; ++k) {
        const std::complex<double> a(fa[k], -fa[n / 2 + k]);
        const std::complex<double> b(fb[k], -fb[n / 2 + k]);
        const std::complex<double> i(0.0, 1.0);
        const double value =
            std::sqrt(double(k) * bin) * (std::abs(a + i * b) + std::abs(std::conj(a) + i * std::conj(b)));
        if (value > largest) {
            largest = value;
            best = k;
        }
    }
    if (best == 0 || !(largest > 0.0)) return 0.0;
    // Golden-section search between the grid's neighbours of the peak.
    double lo = double(best - 1) * bin;
    double hi = double(best + 1) * bin;
    const double g = (std::sqrt(5.0) - 1.0) / 2.0;
    double c = hi - g * (hi - lo), d = lo + g * (hi - lo);
    double fc = Response(s, c), fd = Response(s, d);
    for (int step = 0; step < 40; ++step) {
        if (fc > fd) {
            hi = d;
            d = c;
            fd = fc;
            c = hi - g * (hi - lo);
            fc = Response(s, c);
        } else {
            lo = c;
            c = d;
            fc = fd;
            d = lo + g * (hi - lo);
            fd = Response(s, d);
        }
    }
    return (lo + hi) / 2.0;
}

double WaveletFunction::centre_frequency() {
    return sampled_centre_frequency(*this);
}

WaveletError check_wavelet_spec(std::string_view spec) {
    std::string_view args;
    const std::unique_ptr<WaveletFunction> wavelet = create_wavelet(spec, &args);
    if (!wavelet) return {WaveletError::unknown_name, std::string(spec)};
    const bool accepted = wavelet->parse_args(args);
    wavelet->release();
    return accepted ? WaveletError{} : wavelet->error();
}

double wavelet_centre_frequency(std::string_view spec) {
    std::string_view args;
    const std::unique_ptr<WaveletFunction> wavelet = create_wavelet(spec, &args);
    if (!wavelet) return 0.0;
    const bool accepted = wavelet->parse_args(args);
    const double centre = accepted ? wavelet->centre_frequency() : 0.0;
    wavelet->release();
    return std::isfinite(centre) && centre > 0.0 ? centre : 0.0;
}
