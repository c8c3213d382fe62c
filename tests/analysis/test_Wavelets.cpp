// The wavelet families: values, supports, arguments and the B-spline envelope.

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "analysis/wavelet_bspline.h"
#include "analysis/wavelet_complex.h"
#include "analysis/wavelet_fkt.h"

namespace {

constexpr float kPi = 3.1415927f;

// The wavelet of the text with its arguments read; fails the test when refused.
std::unique_ptr<wavelet_fkt> Make(const std::string& spec) {
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
    EXPECT_EQ(create_wavelet("Haar"), nullptr);  // names are matched as they are written
}

TEST(Wavelets, HaarValuesAndTheEndsOfItsSupport) {
    const auto haar = Make("haar");
    EXPECT_EQ(haar->evaluate(0.0f), 1.0f);
    EXPECT_EQ(haar->evaluate(-0.1f), -1.0f);
    // x = -0.6 .. 0.6 in steps of 0.1, times 2: both ends of the support belong to it.
    float buffer[13];
    haar->discretize(buffer, -6, 7, 0.1f, 2.0f);
    EXPECT_EQ(buffer[0], 0.0f);    // -0.6
    EXPECT_EQ(buffer[1], -2.0f);   // -0.5
    EXPECT_EQ(buffer[6], 2.0f);    // 0
    EXPECT_EQ(buffer[11], 2.0f);   // 0.5
    EXPECT_EQ(buffer[12], 0.0f);   // 0.6
}

TEST(Wavelets, ComplexValues) {
    auto morlet = Make("morlet,2");
    auto& m = static_cast<wavelet_morlet&>(*morlet);
    // A Gaussian of width 2 under the wave: at x = 2 the envelope is e^-1/2.
    EXPECT_NEAR(m.evaluate(2.0f), std::exp(-0.5f) * std::cos(4 * kPi), 1e-5);
    EXPECT_NEAR(m.evaluate(0.25f), std::exp(-0.0078125f) * std::cos(kPi / 2), 1e-5);
    m.imag_part = 1;
    EXPECT_NEAR(m.evaluate(0.25f), std::exp(-0.0078125f), 1e-5);

    auto spinning = Make("spinning,0,0.25");
    auto& s = static_cast<wavelet_spinning&>(*spinning);
    EXPECT_FLOAT_EQ(s.c, 4 * kPi);  // r = 0.5
    EXPECT_FLOAT_EQ(s.w.real(), -1.0f);
    // (1 - i c x)^-1 at x = 0 is 1.
    EXPECT_NEAR(s.evaluate(0.0f), 1.0f, 1e-6);

    auto cauchy = Make("cauchy,2");
    auto& c = static_cast<wavelet_cauchy&>(*cauchy);
    EXPECT_FLOAT_EQ(c.c, 4 * kPi / 5);
    // (1 - i)^-3 = (1 + i)^3 / 8 = (-2 + 2i) / 8.
    c.imag_part = 0;
    EXPECT_NEAR(c.evaluate(1.0f / c.c), -0.25f, 1e-5);
    c.imag_part = 1;
    EXPECT_NEAR(c.evaluate(1.0f / c.c), 0.25f, 1e-5);
}

TEST(Wavelets, CauchyOfOrderZeroHasAnInfiniteSupport) {
    const auto cauchy = Make("cauchy,0");
    EXPECT_FLOAT_EQ(static_cast<wavelet_cauchy&>(*cauchy).c, 4 * kPi);
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
        {"bspline,1,0", "B-Spline wavelet accepts a comma separated list of positive floats, but not <1,0>\n"},
        {"bspline,1,,2", "B-Spline wavelet accepts a comma separated list of positive floats, but not <1,,2>\n"},
    };
    for (const auto& [spec, text] : cases) EXPECT_EQ(Refusal(spec), text) << spec;
    // Blanks after a number are skipped; an exponent is a number.
    EXPECT_EQ(Refusal("morlet,2 "), "accepted");
    EXPECT_EQ(Refusal("morlet,1e1"), "accepted");
}

TEST(Wavelets, BsplineEnvelopeIsTheConvolutionOfItsBoxes) {
    const auto w = Make("bspline,0.5,0.5");
    auto& b = static_cast<wavelet_bspline&>(*w);
    // Two boxes of 5 points at step 0.1: a triangle of 9 points rising in steps of 1/25.
    const std::vector<float> e = b.envelope(0.1f);
    ASSERT_EQ(e.size(), 9u);
    const float expected[] = {1, 2, 3, 4, 5, 4, 3, 2, 1};
    for (std::size_t i = 0; i < 9; ++i) EXPECT_NEAR(e[i], expected[i] / 25.0f, 1e-6) << i;

    // discretize: half = 4, so i = -3 .. 3 carry the wave times the envelope, the rest is 0.
    float buffer[11];
    b.discretize(buffer, -5, 6, 0.1f, 123.0f);
    EXPECT_EQ(buffer[0], 0.0f);   // i = -5
    EXPECT_EQ(buffer[1], 0.0f);   // i = -4
    EXPECT_NEAR(buffer[5], e[3], 1e-6);  // i = 0: cos 0 times E[3]
    EXPECT_NEAR(buffer[8], std::cos(2 * kPi * 0.3f) * e[6], 1e-6);
    EXPECT_EQ(buffer[9], 0.0f);   // i = 4

    // It has no single value: asking for one fails the wavelet, never the program.
    EXPECT_FALSE(b.failed());
    EXPECT_EQ(b.evaluate(0.0f), 0.0f);
    EXPECT_TRUE(b.failed());
}

}  // namespace
