#pragma once
// The mother wavelets of the continuous wavelet transform. WaveletFunction is the abstract base;
// RealWavelet (RealWavelet.h) and ComplexWavelet (ComplexWavelet.h) are the two kinds,
// and each family is a class of its own. A wavelet is made from a wavelet text such
// as "morlet,2": the family's name, then its arguments, each introduced by a comma.
//
// A wavelet never ends the program: an argument text it does not accept makes parse_args
// return false with the reason in error(), and the caller refuses the wavelet.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/CwtParameters.h"

class DivisionRange;
class DiscreteSignal;

// Why a wavelet refused its arguments. detail is what the message quotes: the argument text
// without its leading comma, the wavelet's name, or the value of mu2.
struct WaveletError {
    enum Code {
        none = 0,
        no_arguments_expected,  // detail: the wavelet's name
        morlet_arguments,
        cauchy_arguments,
        spinning_missing,
        spinning_arguments,
        spinning_mu2,  // detail: mu2 as "%f"
        bspline_arguments,
        bspline_missing,
        bspline_evaluate,  // the B-spline wavelet was asked for a single value
        unknown_name,      // the text begins with no family's name; detail: the text
    };
    Code code = none;
    std::string detail;
    // The English text of the reason.
    std::string text() const;
};

// How one transform ended.
enum class CwtStatus {
    ok,             // the result holds the scale count, the time count and the values
    constant,       // the transform was constant (silence): the result is empty
    no_wavelet,     // the wavelet text names no wavelet: the result is left as it was
    bad_arguments,  // the wavelet refused its arguments: the result is left as it was
    unusable,       // nothing to compute for these parameters (an infinite or huge support,
                    // no scales or time points): the result is empty
    cancelled,      // stopped by the cancel flag: the result is empty
    no_memory,      // a buffer could not be had: the result is empty
};

class WaveletFunction {
public:
    virtual ~WaveletFunction() = default;

    // Sets norm, support, name and the family's defaults; called once right after creation.
    virtual void init() = 0;
    // Frees what init or parse_args took.
    virtual void release() {}
    // Reads the argument text (empty, or items ",number"); false with error() set when the
    // wavelet does not accept it.
    virtual bool parse_args(std::string_view args) = 0;
    // The value at x (the real part, or for a complex wavelet the part it is set to), without
    // a support test.
    virtual float evaluate(float x) const = 0;
    // The transform of the signal on the grid of the division and the parameters into result.
    virtual CwtStatus transform(const DiscreteSignal& signal, const DivisionRange& division,
                                const CwtParameters& parameters, std::vector<float>& result,
                                const CwtControl& control) = 0;
    // buffer[i - i0] := f * psi(i * h) for i0 <= i < i1, with psi 0 outside [lsupp, rsupp].
    virtual void discretize(float* buffer, std::int64_t i0, std::int64_t i1, float h, float f) const;
    // The frequency, in cycles per unit of x, that the wavelet answers most strongly: a row of
    // scale a seconds shows a steady tone of centre_frequency() / a Hz strongest. The transform
    // weighs each scale by sqrt(a), so a tone of f Hz gives at scale a a coefficient of
    // sqrt(a) |psi^(f a)|: the centre is where sqrt(nu) (|psi^(nu)| + |psi^(-nu)|) peaks, with
    // psi^ the Fourier transform of the wavelet as the transform uses it (cut at its support).
    // 0 when there is none (a support that is not a finite interval). Complex wavelets are
    // set back to their real part afterwards.
    virtual double centre_frequency();

    bool is_complex() const { return m_complex; }
    const WaveletError& error() const { return m_error; }
    // Lines about the support and the arguments, for a debug log.
    const std::string& diagnostics() const { return m_diagnostics; }
    // True once evaluate was asked for something the wavelet cannot give (the run fails).
    bool failed() const { return m_failed; }

    float norm = 1.0f;
    float lsupp = 0.0f;
    float rsupp = 0.0f;
    std::string name;

protected:
    bool fail(WaveletError::Code code, std::string detail);
    void diagnose(const char* format, double first, double second);

    bool m_complex = false;
    mutable bool m_failed = false;
    WaveletError m_error;
    std::string m_diagnostics;
};

// The family names in the order they are matched as prefixes of a wavelet text.
inline constexpr const char* kWaveletSpecNames[] = {"haar",   "mexicanhat", "sinus",  "poisson",
                                                    "cauchy", "spinning",   "morlet", "bspline"};

// The wavelet whose family name begins the wavelet text (in any mix of upper and lower case),
// initialised; null when none does. The rest of the text (its arguments) goes into args.
std::unique_ptr<WaveletFunction> create_wavelet(std::string_view spec, std::string_view* args = nullptr);

// The argument text read as items ",number": the numbers, or nothing when an item is not good.
// A number is read as strtod reads it in the C locale (leading blanks, sign, exponent); blanks
// after it are skipped; the item must then end the text or be followed by a comma.
bool read_wavelet_arguments(std::string_view text, std::vector<double>& values);

// The centre frequency of a wavelet found from its samples: the peak of
// sqrt(nu) (|psi^(nu)| + |psi^(-nu)|) over the spectrum of the wavelet sampled at 4096 points of
// its support. For the families whose cut-off support moves that peak away from any closed form.
double sampled_centre_frequency(WaveletFunction& wavelet);

// Why the wavelet text is refused: none when it names a wavelet that accepts its arguments.
WaveletError check_wavelet_spec(std::string_view spec);

// The centre frequency of the wavelet of a wavelet text with its arguments read; 0 when the text
// names no wavelet, its arguments are refused or the wavelet has no centre.
double wavelet_centre_frequency(std::string_view spec);
