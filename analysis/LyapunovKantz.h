#pragma once
// The nonlinear analysis of a scalar time series: the largest Lyapunov exponent after Kantz,
// the spectrum of Lyapunov exponents from local linear fits (with the Kaplan-Yorke dimension)
// and the correlation sum with its local slopes (the correlation dimension).
//
// One object serves one calculation: set the parameters, run one Calc..., read the result.
// The calculations never throw for bad input. They report a failure by its message number
// (see the Message enum) through the message hook, set the abort flag and return nothing;
// the cancel hook is asked once per reference point and ends the calculation the same way.
// The progress hooks hand over the part of the result that is already final, so that a
// diagram can grow while the calculation runs; they are called on the calculating thread.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

// Result of the largest exponent: S(e, d, i) = the mean over the reference points of
// ln(rms distance of the neighbours after i steps), for radius e and embedding dimension d + 2.
struct MaxLyapResult {
    unsigned mindim = 2;
    unsigned maxdim = 2;
    unsigned maxiter = 0;
    unsigned epscount = 0;
    unsigned epsDone = 0;                // radii finished (all of them in a complete result)
    std::vector<double> radii;           // the epscount radii, in units of the data interval
    std::vector<std::vector<double>> S;  // maxdim - 1 arrays of (epscount + 1) * (maxiter + 1)
    // Beside each S, the number of reference points with neighbours that it averages; where it
    // is 0 nothing was counted and S has no value.
    std::vector<std::vector<unsigned>> counts;
    // How many candidate neighbours the box grid handed over, all radii together: the work of
    // the neighbour search.
    std::uint64_t candidates = 0;

    double Value(unsigned e, unsigned d, unsigned i) const { return S[d][e * (maxiter + 1) + i]; }
    unsigned Count(unsigned e, unsigned d, unsigned i) const { return counts[d][e * (maxiter + 1) + i]; }
    bool HasValue(unsigned e, unsigned d, unsigned i) const { return Count(e, d, i) > 0; }
};

// Result of the spectrum: one row per iteration with the running means of the exponents.
struct LyapSpectrumResult {
    unsigned dimension = 0;
    unsigned delay = 1;
    unsigned iterations = 0;   // the iteration parameter (the diagram's x range)
    std::vector<double> rows;  // row after row, dimension values each
    std::size_t RowCount() const { return dimension ? rows.size() / dimension : 0; }
    double Exponent(std::size_t row, unsigned i) const { return rows[row * dimension + i]; }
    double kaplanYorke = 0.0;
    double meanNeighbours = 0.0;  // neighbours used per local fit
    double meanRadius = 0.0;      // mean neighbourhood radius in data units
    double forecastError = 0.0;   // rms one-step error of the local fits, data units
};

// Result of the correlation sum: per embedding dimension 1..m the local slopes over the radius.
// A radius at which no pair was counted has no sum, and a slope needs a sum above 0 at both of
// its radii; a point without them has no value (not 0).
struct CorrDimPoint {
    double radius = 0.0;  // in units of the data interval
    double slope = 0.0;   // smoothed over up to 7 neighbouring slopes
    double sum = 0.0;     // the correlation sum at the radius
    bool hasSlope = false;
    bool hasSum = false;
};
struct CorrDimResult {
    unsigned m = 0;
    unsigned radii = 0;
    std::vector<std::vector<CorrDimPoint>> curves;  // m curves of radii - 1 points
};

class LyapunovKantz {
public:
    // Message numbers of the string table.
    enum Message : int {
        kNoMemory = 61475,
        kConstantData = 61476,
        kMaxLyapTooShort = 61477,
        kSingularMatrix = 61478,
        kTooFewNeighbours = 61479,
        kZeroVariance = 61480,
        kSpectrumTooShort = 61481,
        kCorrDimTooShort = 61482,
        kNoPairsCounted = 64229,
        kNoNeighboursCounted = 64230,
    };
    enum Mode : int { kSpectrum = 0, kMaxLyap = 1, kCorrDim = 2 };

    struct Hooks {
        std::function<void(int)> message;                                 // show the message of this number
        std::function<bool()> cancelled;                                  // true: stop now
        std::function<void(const MaxLyapResult&)> maxLyapProgress;        // after each radius
        std::function<void(const LyapSpectrumResult&)> spectrumProgress;  // after each iteration > 10
        std::function<void(const CorrDimResult&)> corrDimProgress;        // about once a second
    };

    LyapunovKantz();
    virtual ~LyapunovKantz();

    void SetHooks(Hooks hooks) { m_hooks = std::move(hooks); }

    // The threads the calculations split their work over, 0 for one per core. The results do not
    // depend on it.
    void SetThreads(unsigned threads) { m_threads = threads; }
    unsigned Threads() const { return m_threads; }

    // Mode 0 (spectrum): embedding = a3, delay = a4, minimum neighbours = a5, start radius = e1.
    // Mode 1 (largest exponent): maxiter = a1, maxdim = a2, mindim = a3, delay = a4,
    //   epscount = a5, epsmin = e1, epsmax = e2, reference = a9.
    // Mode 2 (correlation sum): pairs = a1, maximal dimension = a2, delay = a4, radii = a5,
    //   epsmin = e1, epsmax = e2.
    void SetParameters(unsigned a1, unsigned a2, unsigned a3, unsigned a4, unsigned a5, double e1, double e2,
                       int mode, unsigned a9);

    std::optional<MaxLyapResult> Calc_Max_Lyap_Exponent(const double* values, std::size_t n);
    std::optional<LyapSpectrumResult> CalcLyapSpectrum(const double* values, unsigned iterations,
                                                       std::size_t n);
    std::optional<CorrDimResult> CalcCorrDim(const double* values, std::size_t n);

    // Shared routines. rescale_data maps the values onto [0, 1]; a constant series reports
    // kConstantData and stays unchanged. variance returns false (kZeroVariance) for zero spread.
    bool rescale_data(double* values, std::size_t n, double& minimum, double& interval);
    bool variance(const double* values, std::size_t n, double& mean, double& deviation);
    // Like rescale_data, but onto the bulk of the values: the interval is clipped to fences
    // kBulkFences interquartile ranges beyond the quartiles, so that a few wild values (a
    // glitch, a spike) do not shrink every radius relative to the data into nothing. A series
    // whose values all lie within the fences gets exactly the interval of rescale_data; values
    // beyond them end up outside [0, 1] and simply have no neighbours at small radii.
    static constexpr double kBulkFences = 3.0;
    bool RescaleToBulk(double* values, std::size_t n, double& minimum, double& interval);

    bool Aborted() const { return m_abort; }
    double KaplanYorke() const { return m_kaplanYorke; }

    // Kaplan-Yorke dimension of exponents in the order they come (largest first).
    static double KaplanYorkeDimension(const std::vector<double>& exponents);

    // The pseudo-random generator of the tangent vectors (a lagged-xor table generator).
    class TableRandom {
    public:
        explicit TableRandom(std::uint32_t seed);
        std::uint32_t Next();

    private:
        std::vector<std::uint32_t> m_table;
        unsigned m_p[4];
    };

private:
    void Fail(int message);
    bool PollCancel();

    // Spectrum helpers.
    bool SolveLinear(std::vector<double>& matrix, std::vector<double>& vec, unsigned size);

    Hooks m_hooks;
    unsigned m_threads = 0;
    bool m_abort = false;
    double m_kaplanYorke = 0.0;

    struct {
        unsigned mindim = 2, maxdim = 2, delay = 1, epscount = 5, maxiter = 50;
        unsigned reference = ~0u;
        unsigned theiler = 0;
        double epsmin = 0.001, epsmax = 0.01;
        bool epsminAbsolute = false, epsmaxAbsolute = false;
        unsigned mask = 127;
    } m_max;

    struct {
        unsigned columns = 1, embedding = 3, delay = 2, minNeighbours = 30;
        double radiusFactor = 1.2, startRadius = 0.001;
        bool absolute = false;
        unsigned mask = 511;
        bool reverse = false;
    } m_spec;

    struct {
        unsigned m = 10, radii = 100, delay = 1, pairs = 1000, theiler = 90, columns = 1, mask = 255;
        double epsmax = 1.0, epsmin = 0.001;
    } m_corr;
};
