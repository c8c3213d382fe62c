// The wavelet families: values, supports, arguments and the B-spline envelope.

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <functional>
#include <string>

#include "analysis/BSplineWavelet.h"
#include "analysis/ComplexWavelets.h"
#include "analysis/WaveletFunction.h"

namespace {

constexpr float kPi = 3.1415927f;

// The wavelet of the text with its arguments read; fails the test when refused.
std::unique_ptr<WaveletFunction> Make(const std::string& spec) {
    std::string_view args;
    auto wavelet = create_wavelet(spec, &args);
    if (!wavelet) {
        ADD_FAILURE() << "no wavelet for " << spec;
        return nullptr;
    }
    EXPECT_TRUE(wavelet->parse_args(args)) << spec << ": " << wavelet->error().text();
    return wavelet;
}

// The reason a wavelet text is refused, as its message says it.
std::string Refusal(const std::string& spec) {
    std::string_view args;
    auto wavelet = create_wavelet(spec, &args);
    if (!wavelet) return "no wavelet";
    if (wavelet->parse_args(args)) return "accepted";
    return wavelet->error().text();
}

TEST(Wavelets, FamiliesHaveTheirNameNormAndSupport) {
    struct Case {
        const char* spec;
        const char* name;
        bool complex;
        float norm, lsupp, rsupp;
    };
    const Case cases[] = {
        {"haar", "Haar", false, std::sqrt(2.0f), -0.5f, 0.5f},
        {"mexicanhat", "Mexican hat", false, std::sqrt(6.0f), -5.0f, 5.0f},
        {"sinus", "Sinus", false, 1.0f, -0.5f, 0.5f},
        {"poisson", "Poisson", false, 1.0f, -10.0f, 10.0f},
        // Cauchy of order 1: c = 4 pi / 3, support 20 / c.
        {"cauchy", "Cauchy", true, 0.15915494f, -20.0f / (4 * kPi / 3), 20.0f / (4 * kPi / 3)},
        {"morlet", "Morlet", true, std::sqrt(kPi), -2 * kPi, 2 * kPi},
        {"morlet,2", "Morlet", true, std::sqrt(kPi), -4 * kPi, 4 * kPi},
        {"morlet, 2", "Morlet", true, std::sqrt(kPi), -4 * kPi, 4 * kPi},  // strtod skips the blank
        {"bspline,0.5,0.5", "B-Spline", true, 1.0f, -0.5f, 0.5f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.spec);
        const auto w = Make(c.spec);
        ASSERT_TRUE(w);
        EXPECT_EQ(w->name, c.name);
        EXPECT_EQ(w->is_complex(), c.complex);
        EXPECT_FLOAT_EQ(w->norm, c.norm);
        EXPECT_NEAR(w->lsupp, c.lsupp, 1e-5);
        EXPECT_NEAR(w->rsupp, c.rsupp, 1e-5);
    }
    EXPECT_EQ(create_wavelet("gabor"), nullptr);
    // Names in any case.
    for (const char* spec : {"Haar", "MORLET,2", "BSpline,1"})
        EXPECT_NE(create_wavelet(spec), nullptr) << spec;
    EXPECT_EQ(check_wavelet_spec("MORLET,2").code, WaveletError::none);
    EXPECT_EQ(check_wavelet_spec("gabor,1").text(), "The wavelet <gabor,1> is unknown.\n");
}

TEST(Wavelets, HaarValuesAndTheEndsOfItsSupport) {
    const auto haar = Make("haar");
    EXPECT_EQ(haar->evaluate(0.0f), 1.0f);
    EXPECT_EQ(haar->evaluate(-0.1f), -1.0f);
    // x = -0.6 .. 0.6 in steps of 0.1, times 2: both ends of the support belong to it.
    float buffer[13];
    haar->discretize(buffer, -6, 7, 0.1f, 2.0f);
    EXPECT_EQ(buffer[0], 0.0f);   // -0.6
    EXPECT_EQ(buffer[1], -2.0f);  // -0.5
    EXPECT_EQ(buffer[6], 2.0f);   // 0
    EXPECT_EQ(buffer[11], 2.0f);  // 0.5
    EXPECT_EQ(buffer[12], 0.0f);  // 0.6
}

TEST(Wavelets, ComplexValues) {
    auto morlet = Make("morlet,2");
    auto& m = static_cast<MorletWavelet&>(*morlet);
    // A Gaussian of width 2 under the wave: at x = 2 the envelope is e^-1/2.
    EXPECT_NEAR(m.evaluate(2.0f), std::exp(-0.5f) * std::cos(4 * kPi), 1e-5);
    EXPECT_NEAR(m.evaluate(0.25f), std::exp(-0.0078125f) * std::cos(kPi / 2), 1e-5);
    m.imag_part = 1;
    EXPECT_NEAR(m.evaluate(0.25f), std::exp(-0.0078125f), 1e-5);

    auto spinning = Make("spinning,0,0.25");
    auto& s = static_cast<SpinningWavelet&>(*spinning);
    EXPECT_FLOAT_EQ(s.c, 4 * kPi);  // r = 0.5
    EXPECT_FLOAT_EQ(s.w.real(), -1.0f);
    // (1 - i c x)^-1 at x = 0 is 1.
    EXPECT_NEAR(s.evaluate(0.0f), 1.0f, 1e-6);

    auto cauchy = Make("cauchy,2");
    auto& c = static_cast<CauchyWavelet&>(*cauchy);
    EXPECT_FLOAT_EQ(c.c, 4 * kPi / 5);
    // (1 - i)^-3 = (1 + i)^3 / 8 = (-2 + 2i) / 8.
    c.imag_part = 0;
    EXPECT_NEAR(c.evaluate(1.0f / c.c), -0.25f, 1e-5);
    c.imag_part = 1;
    EXPECT_NEAR(c.evaluate(1.0f / c.c), 0.25f, 1e-5);
}

TEST(Wavelets, CauchyOfOrderZeroHasAnInfiniteSupport) {
    const auto cauchy = Make("cauchy,0");
    EXPECT_FLOAT_EQ(static_cast<CauchyWavelet&>(*cauchy).c, 4 * kPi);
    EXPECT_TRUE(std::isinf(cauchy->rsupp));
    EXPECT_TRUE(std::isinf(cauchy->lsupp));
}

TEST(Wavelets, RefusedArgumentsSayWhy) {
    const std::pair<const char*, const char*> cases[] = {
        {"haar,1", "The Haar wavelet doesn't expect any arguments.\n"},
        {"mexicanhat,", "The Mexican hat wavelet doesn't expect any arguments.\n"},
        {"morlet,2,3", "Morlet wavelet accepts only one float argument for frequency, but not <2,3>\n"},
        {"morlet,x", "Morlet wavelet accepts only one float argument for frequency, but not <x>\n"},
        {"morlet,2x", "Morlet wavelet accepts only one float argument for frequency, but not <2x>\n"},
        {"morlet2", "Morlet wavelet accepts only one float argument for frequency, but not <>\n"},
        {"cauchy,-1", "Cauchy wavelet accepts only one non-negative argument for the order, but not <-1>\n"},
        {"spinning", "Two arguments required for spinning wavelet.\n"},
        {"spinning,1", "Spinning wavelet requires two arguments but not <1>\n"},
        {"spinning,1,0.2",
         "To get an admissible wavelet it must hold mu2 >= 1/4, but for mu2=0.200000 this does not hold.\n"},
        {"bspline", "At least one window width argument is required for the B-spline wavelet.\n"},
        {"bspline,1,0",
         "B-Spline wavelet accepts a comma separated list of positive floats, but not <1,0>\n"},
        {"bspline,1,,2",
         "B-Spline wavelet accepts a comma separated list of positive floats, but not <1,,2>\n"},
    };
    for (const auto& [spec, text] : cases) EXPECT_EQ(Refusal(spec), text) << spec;
    // Blanks after a number are skipped; an exponent is a number.
    EXPECT_EQ(Refusal("morlet,2 "), "accepted");
    EXPECT_EQ(Refusal("morlet,1e1"), "accepted");
}

TEST(Wavelets, BsplineEnvelopeIsTheConvolutionOfItsBoxes) {
    const auto w = Make("bspline,0.5,0.5");
    auto& b = static_cast<BSplineWavelet&>(*w);
    // Two boxes of 5 points at step 0.1: a triangle of 9 points rising in steps of 1/25.
    const std::vector<float> e = b.envelope(0.1f);
    ASSERT_EQ(e.size(), 9u);
    const float expected[] = {1, 2, 3, 4, 5, 4, 3, 2, 1};
    for (std::size_t i = 0; i < 9; ++i) EXPECT_NEAR(e[i], expected[i] / 25.0f, 1e-6) << i;

    // discretize: half = 4, so i = -3 .. 3 carry the wave times the envelope, the rest is 0.
    float buffer[11];
    b.discretize(buffer, -5, 6, 0.1f, 123.0f);
    EXPECT_EQ(buffer[0], 0.0f);          // i = -5
    EXPECT_EQ(buffer[1], 0.0f);          // i = -4
    EXPECT_NEAR(buffer[5], e[3], 1e-6);  // i = 0: cos 0 times E[3]
    EXPECT_NEAR(buffer[8], std::cos(2 * kPi * 0.3f) * e[6], 1e-6);
    EXPECT_EQ(buffer[9], 0.0f);  // i = 4

    // It has no single value: asking for one fails the wavelet, never the program.
    EXPECT_FALSE(b.failed());
    EXPECT_EQ(b.evaluate(0.0f), 0.0f);
    EXPECT_TRUE(b.failed());
}

}  // namespace

namespace {

constexpr long double kPiL = 3.141592653589793238462643383279502884L;

// sqrt(nu) (|psi^(nu)| + |psi^(-nu)|) of a spectrum, found by a scan on a logarithmic grid and
// a golden-section search between the grid neighbours of the largest value.
double PeakOf(const std::function<long double(long double)>& spectrum) {
    const auto response = [&](long double nu) { return std::sqrt(nu) * (spectrum(nu) + spectrum(-nu)); };
    constexpr int kSteps = 500;
    const long double lo = 0.01L, hi = 4.0L, ratio = std::pow(hi / lo, 1.0L / kSteps);
    int best = 0;
    long double largest = -1;
    for (int k = 0; k <= kSteps; ++k) {
        const long double v = response(lo * std::pow(ratio, k));
        if (v > largest) largest = v, best = k;
    }
    long double a = lo * std::pow(ratio, best - 1), b = lo * std::pow(ratio, best + 1);
    const long double g = (std::sqrt(5.0L) - 1) / 2;
    for (int i = 0; i < 60; ++i) {
        const long double c = b - g * (b - a), d = a + g * (b - a);
        if (response(c) > response(d))
            b = d;
        else
            a = c;
    }
    return static_cast<double>((a + b) / 2);
}

// The wavelet as evaluate gives it, 0 outside its support, at 3000 midpoints of the support.
struct Samples {
    std::vector<std::complex<long double>> values;
    long double x0 = 0, h = 0;
};

Samples Sample(WaveletFunction& w) {
    auto* complex = dynamic_cast<ComplexWavelet*>(&w);
    constexpr int kPoints = 3000;
    Samples s;
    s.h = (static_cast<long double>(w.rsupp) - w.lsupp) / kPoints;
    s.x0 = w.lsupp + s.h / 2;
    for (int j = 0; j < kPoints; ++j) {
        const auto x = static_cast<float>(s.x0 + j * s.h);
        if (complex) complex->imag_part = 0;
        const long double re = w.evaluate(x);
        long double im = 0;
        if (complex) {
            complex->imag_part = 1;
            im = w.evaluate(x);
            complex->imag_part = 0;
        }
        s.values.emplace_back(re, im);
    }
    return s;
}

// |psi^(nu)| by the direct sum in long double (the phase turned on by one step per sample).
long double SampledSpectrum(const Samples& s, long double nu) {
    const std::complex<long double> step = std::polar(1.0L, -2 * kPiL * nu * s.h);
    std::complex<long double> phase = std::polar(1.0L, -2 * kPiL * nu * s.x0), sum;
    for (const auto& v : s.values) {
        sum += v * phase;
        phase *= step;
    }
    return std::abs(sum) * s.h;
}

// The frequency a wavelet answers most: its samples' spectrum, or for the B-spline (which has
// no single values) the spectrum of its envelope, the product of the boxes' sincs, moved to 1.
TEST(Wavelets, CentreFrequencyIsThePeakOfTheWaveletsSpectrum) {
    struct Case {
        const char* spec;
        double closedForm;  // 0: none to compare with
    };
    const double haarU = [] {  // tan u = 4 u by bisection
        long double a = 1.2L, b = 1.5L;
        for (int i = 0; i < 80; ++i) ((std::tan((a + b) / 2) - 4 * (a + b) / 2) < 0 ? a : b) = (a + b) / 2;
        return static_cast<double>(a);
    }();
    const auto morlet = [](double s0) { return (1 + std::sqrt(1 + 1 / (2 * kPi * kPi * s0 * s0))) / 2; };
    const Case cases[] = {
        {"haar", 2 * haarU / kPi}, {"mexicanhat", 0},       {"sinus", 1.0},      {"poisson", 0},
        {"cauchy,1", 1.0},         {"cauchy,2", 1.0},       {"spinning,2,2", 0}, {"spinning,0,0.25", 0},
        {"morlet,2", morlet(2)},   {"morlet,1", morlet(1)}, {"morlet,0.2", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.spec);
        const auto w = Make(c.spec);
        ASSERT_TRUE(w);
        const double centre = w->centre_frequency();
        const Samples samples = Sample(*w);
        const double sampled = PeakOf([&](long double nu) { return SampledSpectrum(samples, nu); });
        EXPECT_NEAR(centre, sampled, 0.005 * sampled);
        if (c.closedForm > 0) {
            EXPECT_NEAR(centre, c.closedForm, 1e-6);
        }
    }
    // The cut Mexican hat and Poisson wavelets lie off their uncut closed forms.
    EXPECT_NEAR(Make("mexicanhat")->centre_frequency(), std::sqrt(2.5) * 3 * std::sqrt(kPi) / (16 * kPi),
                0.01 * 0.1673);
    EXPECT_GT(Make("poisson")->centre_frequency(), 1.2 / (6 * kPi));

    for (const std::vector<double>& widths :
         {std::vector<double>{10, 10}, std::vector<double>{0.5, 0.5}, std::vector<double>{2}}) {
        std::string spec = "bspline";
        for (double width : widths) spec += "," + std::to_string(width);
        SCOPED_TRACE(spec);
        const auto sinc = [](long double y) { return y == 0 ? 1.0L : std::sin(kPiL * y) / (kPiL * y); };
        const double envelope = PeakOf([&](long double nu) {
            long double product = 1;
            for (double width : widths) product *= sinc(width * (nu - 1));
            return std::fabs(product);
        });
        EXPECT_NEAR(Make(spec)->centre_frequency(), envelope, 0.005 * envelope);
    }
    // No centre without a finite support or with refused arguments.
    EXPECT_EQ(wavelet_centre_frequency("cauchy,0"), 1.0);  // the closed form holds for every order
    EXPECT_EQ(wavelet_centre_frequency("morlet,2,3"), 0.0);
    EXPECT_EQ(wavelet_centre_frequency("gabor"), 0.0);
}

}  // namespace
