#include "analysis/LyapunovKantz.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <limits>
#include <new>
#include <numeric>

#include "analysis/ParallelFor.h"

namespace {

constexpr unsigned kAll = ~0u;

double Squared(double x) {
    return x * x;
}

// How many per-reference-point values a block of the largest exponent keeps at most before
// they are summed (2 MB): bounds the memory, whatever the number of reference points.
constexpr std::size_t kBlockValues = std::size_t{1} << 18;

// The correlation sum counts the pairs of up to this many points at once (and a first block
// after each change of radius of this many).
constexpr std::size_t kCorrBlock = 256;
constexpr std::size_t kCorrBlockStart = 8;

// The spectrum finds the neighbourhoods of up to this many points at once.
constexpr std::size_t kSpectrumBlock = 256;

// The box of a value in a grid of boxes of width eps that wraps around after mask + 1 boxes.
// Values far outside the data's bulk (an outlier) land in some box without overflowing.
unsigned BoxOf(double value, double eps, unsigned mask) {
    const double box = std::floor(value / eps);
    constexpr double kFar = 4.0e18;  // within the range of long long
    if (std::isnan(box)) return 0;
    return static_cast<unsigned>(static_cast<long long>(std::clamp(box, -kFar, kFar))) & mask;
}

// The local fits of the spectrum: the largest condition number (1-norm, of the moment matrix in
// units of the neighbourhood radius) that still gives coefficients, and how far the neighbourhood
// may be widened (a factor of the minimum number of neighbours) to reach it.
constexpr double kLargestCondition = 1e9;
constexpr unsigned kWidestNeighbourhood = 8;

// The largest column sum of absolute values of a size x size matrix.
double ColumnNorm(const std::vector<double>& a, unsigned size) {
    double largest = 0.0;
    for (unsigned k = 0; k < size; ++k) {
        double sum = 0.0;
        for (unsigned l = 0; l < size; ++l) sum += std::fabs(a[l * size + k]);
        largest = std::max(largest, sum);
    }
    return largest;
}

// The hot loop of the largest exponent: for every neighbour m of r the squared distances of the
// delay vectors of dimension dim, 0 .. iters-1 steps later, summed per step with their count
// (identical vectors do not count). Built for AVX2 as well where the CPU has it.
__attribute__((target_clones("avx2", "default"))) void AccumulateDivergence(
    const double* v, unsigned r, const int* neighbours, unsigned count, unsigned iters, unsigned dim,
    unsigned delay, double* squares, double* distances, double* localCount, double* localSum) {
    const unsigned reach = iters + (dim - 1) * delay;
    for (unsigned k = 0; k < count; ++k) {
        const double* a = v + r;
        const double* b = v + neighbours[k];
        for (unsigned t = 0; t < reach; ++t) {
            const double diff = a[t] - b[t];
            squares[t] = diff * diff;
        }
        for (unsigned i = 0; i < iters; ++i) distances[i] = squares[i];
        for (unsigned l = 1; l < dim; ++l) {
            const double* shifted = squares + l * delay;
            for (unsigned i = 0; i < iters; ++i) distances[i] += shifted[i];
        }
        for (unsigned i = 0; i < iters; ++i) {
            const double dist = distances[i];
            localCount[i] += dist > 0.0 ? 1.0 : 0.0;
            localSum[i] += dist;
        }
    }
}

}  // namespace

LyapunovKantz::LyapunovKantz() = default;
LyapunovKantz::~LyapunovKantz() = default;

void LyapunovKantz::SetParameters(unsigned a1, unsigned a2, unsigned a3, unsigned a4, unsigned a5, double e1,
                                  double e2, int mode, unsigned a9) {
    switch (mode) {
        case kSpectrum:
            m_spec.embedding = a3;
            m_spec.delay = a4;
            m_spec.minNeighbours = a5;
            m_spec.startRadius = e1;
            m_spec.absolute = false;
            m_spec.reverse = false;
            m_spec.mask = 511;
            break;
        case kMaxLyap:
            m_max.maxiter = a1;
            m_max.maxdim = a2;
            m_max.mindim = a3;
            m_max.delay = a4;
            m_max.epscount = a5;
            m_max.epsmin = e1;
            m_max.epsmax = e2;
            m_max.reference = a9;
            m_max.mask = 127;
            m_max.theiler = 0;
            m_max.epsminAbsolute = m_max.epsmaxAbsolute = false;
            break;
        case kCorrDim:
            m_corr.pairs = a1;
            m_corr.m = a2;
            m_corr.delay = a4;
            m_corr.radii = a5;
            m_corr.epsmin = e1;
            m_corr.epsmax = e2;
            m_corr.columns = 1;
            m_corr.theiler = 500;
            m_corr.mask = 255;
            break;
        default:
            break;
    }
    m_kaplanYorke = 0.0;
}

void LyapunovKantz::Fail(int message) {
    m_abort = true;
    if (m_hooks.message) m_hooks.message(message);
}

bool LyapunovKantz::PollCancel() {
    if (!m_abort && m_hooks.cancelled && m_hooks.cancelled()) m_abort = true;
    return m_abort;
}

bool LyapunovKantz::rescale_data(double* values, std::size_t n, double& minimum, double& interval) {
    minimum = interval = 0.0;
    if (n == 0) {
        Fail(kConstantData);
        return false;
    }
    const auto [lo, hi] = std::minmax_element(values, values + n);
    minimum = *lo;
    interval = *hi - *lo;
    if (!(interval > 0.0)) {
        Fail(kConstantData);
        return false;
    }
    for (std::size_t i = 0; i < n; ++i) values[i] = (values[i] - minimum) / interval;
    return true;
}

bool LyapunovKantz::RescaleToBulk(double* values, std::size_t n, double& minimum, double& interval) {
    minimum = interval = 0.0;
    if (n == 0) {
        Fail(kConstantData);
        return false;
    }
    const auto [lo, hi] = std::minmax_element(values, values + n);
    double low = *lo, high = *hi;
    if (n >= 4) {
        std::vector<double> sorted(values, values + n);
        const std::size_t q1 = n / 4, q3 = n - 1 - n / 4;
        std::nth_element(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(q1), sorted.end());
        const double lower = sorted[q1];
        std::nth_element(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(q3), sorted.end());
        const double upper = sorted[q3];
        const double spread = kBulkFences * (upper - lower);
        // Where values lie beyond the fences, the interval spans those within them, so that the
        // bulk of a series with an outlier gets the scale of the series without it. A series
        // that is mostly one value has no spread of its own and keeps the whole interval.
        if (upper > lower && std::isfinite(spread) && (low < lower - spread || high > upper + spread)) {
            const double lowFence = lower - spread, highFence = upper + spread;
            low = upper;
            high = lower;
            for (std::size_t i = 0; i < n; ++i)
                if (values[i] >= lowFence && values[i] <= highFence) {
                    low = std::min(low, values[i]);
                    high = std::max(high, values[i]);
                }
        }
    }
    minimum = low;
    interval = high - low;
    if (!(interval > 0.0) || !std::isfinite(interval)) {
        Fail(kConstantData);
        return false;
    }
    for (std::size_t i = 0; i < n; ++i) values[i] = (values[i] - minimum) / interval;
    return true;
}

bool LyapunovKantz::variance(const double* values, std::size_t n, double& mean, double& deviation) {
    double sum = 0.0, squares = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        sum += values[i];
        squares += values[i] * values[i];
    }
    mean = n ? sum / static_cast<double>(n) : 0.0;
    deviation = n ? std::sqrt(std::fabs(squares / static_cast<double>(n) - mean * mean)) : 0.0;
    if (deviation == 0.0 || std::isnan(deviation)) {
        Fail(kZeroVariance);
        return false;
    }
    return true;
}

double LyapunovKantz::KaplanYorkeDimension(const std::vector<double>& exponents) {
    double previous = 0.0;  // A_(i-1)
    for (std::size_t i = 0; i < exponents.size(); ++i) {
        const double accumulated = previous + exponents[i];
        if (accumulated < 0.0) return static_cast<double>(i) + previous / std::fabs(exponents[i]);
        previous = accumulated;
    }
    return static_cast<double>(exponents.size());
}

// ---------------------------------------------------------------------------------------------
// Largest exponent

std::optional<MaxLyapResult> LyapunovKantz::Calc_Max_Lyap_Exponent(const double* input, std::size_t n) {
    m_abort = false;
    std::vector<double> y;
    try {
        y.assign(input, input + n);
    } catch (const std::bad_alloc&) {
        Fail(kNoMemory);
        return std::nullopt;
    }
    double minimum = 0.0, interval = 0.0;
    if (!RescaleToBulk(y.data(), n, minimum, interval)) return std::nullopt;
    auto& p = m_max;
    if (p.epsminAbsolute) p.epsmin /= interval;
    if (p.epsmaxAbsolute) p.epsmax /= interval;
    if (p.epscount == 0) p.epscount = 1;
    // A radius of zero (or below) would divide by zero in the box grid: the smallest radius
    // falls back to its default, and a radius below the resolution of doubles is raised.
    if (!(p.epsmin > 0.0)) p.epsmin = 0.001;
    p.epsmin = std::max(p.epsmin, 1e-9);
    if (p.epsmax <= p.epsmin) {
        p.epscount = 1;
        p.epsmax = p.epsmin;
    }
    const std::size_t span =
        static_cast<std::size_t>(p.maxiter) + static_cast<std::size_t>(std::max(p.maxdim, 1u) - 1) * p.delay;
    if (span >= n) {
        Fail(kMaxLyapTooShort);
        return std::nullopt;
    }
    if (p.reference > n - span) p.reference = static_cast<unsigned>(n - span);
    p.mindim = std::max(p.mindim, 2u);
    p.maxdim = std::max(p.maxdim, 2u);
    if (p.mindim > p.maxdim) p.maxdim = p.mindim;
    // The corrected maxdim may reach further than the check above allowed.
    const std::size_t reach =
        static_cast<std::size_t>(p.maxiter) + static_cast<std::size_t>(p.maxdim - 1) * p.delay;
    if (reach >= n) {
        Fail(kMaxLyapTooShort);
        return std::nullopt;
    }
    const std::size_t boxed = n - reach;  // points 0 .. boxed-1 go into the grid
    const unsigned reference = static_cast<unsigned>(std::min<std::size_t>(p.reference, boxed));
    const unsigned dims = p.maxdim - 1;
    const unsigned iters = p.maxiter + 1;
    const unsigned cells = p.mask + 1;

    MaxLyapResult result;
    // The box grid as one array: the points of box c are members[start[c] .. start[c + 1]), the
    // latest first, with their first coordinates beside them in memberValues.
    std::vector<unsigned> start, members, boxOfPoint;
    std::vector<double> memberValues;
    std::vector<double> count, sum;
    // What one worker needs for one reference point.
    struct Scratch {
        std::vector<std::vector<int>> neighbours;
        std::vector<unsigned> neighbourCount;
        std::vector<double> localCount, localSum, squares, distances;
        std::uint64_t candidates = 0;
    };
    const unsigned workers = WorkerCount(m_threads, reference);
    std::vector<Scratch> scratch(workers);
    // The contribution of each reference point of a block, per dimension and iteration, and
    // whether it has one; they are summed in the order of the reference points afterwards, so
    // that the sums do not depend on how many threads computed them.
    const std::size_t perReference = static_cast<std::size_t>(dims) * iters;
    const std::size_t block =
        std::clamp<std::size_t>(kBlockValues / perReference, 1, std::max<std::size_t>(reference, 1));
    std::vector<double> terms;
    std::vector<unsigned char> hasTerm;
    try {
        result.mindim = p.mindim;
        result.maxdim = p.maxdim;
        result.maxiter = p.maxiter;
        result.epscount = p.epscount;
        result.S.assign(dims, std::vector<double>(static_cast<std::size_t>(p.epscount + 1) * iters, 0.0));
        result.counts.assign(dims,
                             std::vector<unsigned>(static_cast<std::size_t>(p.epscount + 1) * iters, 0u));
        start.resize(static_cast<std::size_t>(cells) * cells + 1);
        members.resize(boxed);
        memberValues.resize(boxed);
        boxOfPoint.resize(boxed);
        count.resize(perReference);
        sum.resize(count.size());
        for (Scratch& s : scratch) {
            s.neighbours.assign(dims, std::vector<int>(boxed));
            s.neighbourCount.resize(dims);
            s.localCount.resize(iters);
            s.localSum.resize(iters);
            s.squares.resize(iters + static_cast<std::size_t>(p.maxdim - 1) * p.delay);
            s.distances.resize(iters);
        }
        terms.resize(block * perReference);
        hasTerm.resize(terms.size());
    } catch (const std::bad_alloc&) {
        Fail(kNoMemory);
        return std::nullopt;
    }

    const double factor = p.epscount > 1 ? std::pow(p.epsmax / p.epsmin, 1.0 / (p.epscount - 1)) : 1.0;
    const unsigned mask = p.mask;
    const unsigned delay = p.delay;
    const double* v = y.data();

    bool anyCounted = false;
    for (unsigned e = 0; e < p.epscount; ++e) {
        const double eps = p.epsmin * std::pow(factor, e);
        const double eps2 = eps * eps;
        result.radii.push_back(eps);
        std::fill(count.begin(), count.end(), 0.0);
        std::fill(sum.begin(), sum.end(), 0.0);
        std::fill(start.begin(), start.end(), 0u);
        for (std::size_t m = 0; m < boxed; ++m) {
            boxOfPoint[m] = BoxOf(v[m], eps, mask) * cells + BoxOf(v[m + delay], eps, mask);
            ++start[boxOfPoint[m] + 1];
        }
        std::partial_sum(start.begin(), start.end(), start.begin());
        for (std::size_t m = boxed; m-- > 0;) {
            const unsigned at = start[boxOfPoint[m]]++;
            members[at] = static_cast<unsigned>(m);
            memberValues[at] = v[m];
        }
        // Filling moved every start to the end of its box: back by one box.
        std::copy_backward(start.begin(), start.end() - 1, start.end());
        start[0] = 0;
        // The terms of reference point r (of the block starting at first) into slot.
        auto divergence = [&](unsigned r, std::size_t slot, Scratch& s) {
            double* term = &terms[slot * perReference];
            unsigned char* has = &hasTerm[slot * perReference];
            std::fill(has, has + perReference, 0);
            // Neighbours of r in every dimension.
            std::fill(s.neighbourCount.begin(), s.neighbourCount.end(), 0u);
            const unsigned a = BoxOf(v[r], eps, mask), b = BoxOf(v[r + delay], eps, mask);
            std::uint64_t seen = 0;
            for (unsigned i = a + mask; i <= a + mask + 2; ++i) {
                for (unsigned j = b + mask; j <= b + mask + 2; ++j) {
                    const unsigned box = (i & mask) * cells + (j & mask);
                    for (unsigned at = start[box]; at < start[box + 1]; ++at) {
                        const unsigned m = members[at];
                        const long long gap = static_cast<long long>(m) - r;
                        if (gap >= -static_cast<long long>(p.theiler) &&
                            gap <= static_cast<long long>(p.theiler))
                            continue;
                        ++seen;
                        double dist = Squared(v[r] - memberValues[at]);
                        if (dist > eps2) continue;
                        for (unsigned l = 1; l < p.maxdim; ++l) {
                            dist += Squared(v[r + l * delay] - v[m + l * delay]);
                            if (dist > eps2) break;
                            s.neighbours[l - 1][s.neighbourCount[l - 1]++] = static_cast<int>(m);
                        }
                    }
                }
            }
            s.candidates += seen;
            // Divergence of r's neighbourhood.
            for (unsigned d = p.mindim - 2; d <= p.maxdim - 2; ++d) {
                if (s.neighbourCount[d] == 0) continue;
                std::fill(s.localCount.begin(), s.localCount.end(), 0.0);
                std::fill(s.localSum.begin(), s.localSum.end(), 0.0);
                AccumulateDivergence(v, r, s.neighbours[d].data(), s.neighbourCount[d], iters, d + 2, delay,
                                     s.squares.data(), s.distances.data(), s.localCount.data(),
                                     s.localSum.data());
                for (unsigned i = 0; i < iters; ++i) {
                    if (s.localCount[i] > 0.0) {
                        term[static_cast<std::size_t>(d) * iters + i] =
                            0.5 * std::log(s.localSum[i] / s.localCount[i]);
                        has[static_cast<std::size_t>(d) * iters + i] = 1;
                    }
                }
            }
        };
        for (unsigned first = 0; first < reference; first += static_cast<unsigned>(block)) {
            const unsigned last = static_cast<unsigned>(std::min<std::size_t>(reference, first + block));
            // The calling thread (worker 0) asks whether to stop before each of its reference
            // points; the other workers follow its answer.
            std::atomic<bool> stop = false;
            ParallelFor(workers, last - first, [&](std::size_t k, unsigned worker) {
                if (worker == 0 && PollCancel()) stop = true;
                if (stop.load(std::memory_order_relaxed)) return;
                divergence(first + static_cast<unsigned>(k), k, scratch[worker]);
            });
            if (stop) return std::nullopt;
            for (unsigned r = first; r < last; ++r) {
                const std::size_t slot = (r - first) * perReference;
                for (std::size_t at = 0; at < perReference; ++at)
                    if (hasTerm[slot + at]) {
                        count[at] += 1.0;
                        sum[at] += terms[slot + at];
                    }
            }
        }
        for (unsigned d = p.mindim - 2; d <= p.maxdim - 2; ++d)
            for (unsigned i = 0; i < iters; ++i) {
                const std::size_t at = static_cast<std::size_t>(d) * iters + i;
                if (count[at] > 0.0) {
                    result.S[d][static_cast<std::size_t>(e) * iters + i] = sum[at] / count[at];
                    result.counts[d][static_cast<std::size_t>(e) * iters + i] =
                        static_cast<unsigned>(count[at]);
                    anyCounted = true;
                }
            }
        result.epsDone = e + 1;
        if (m_hooks.maxLyapProgress) m_hooks.maxLyapProgress(result);
    }
    for (const Scratch& s : scratch) result.candidates += s.candidates;
    if (!anyCounted) {
        // No reference point had a neighbour within any radius: there is no curve to show.
        Fail(kNoNeighboursCounted);
        return std::nullopt;
    }
    return result;
}

// ---------------------------------------------------------------------------------------------
// Spectrum

LyapunovKantz::TableRandom::TableRandom(std::uint32_t seed) : m_table(9689), m_p{9688, 9531, 9374, 9217} {
    m_table[0] = seed;
    for (std::size_t k = 1; k < m_table.size(); ++k) m_table[k] = 69069u * m_table[k - 1] + 1u;
}

std::uint32_t LyapunovKantz::TableRandom::Next() {
    for (unsigned& position : m_p) position = position == 9688 ? 0 : position + 1;
    m_table[m_p[0]] = m_table[m_p[0]] ^ m_table[m_p[1]] ^ m_table[m_p[2]] ^ m_table[m_p[3]];
    return m_table[m_p[0]];
}

// Gaussian elimination with the largest pivot of each column; matrix is size x size, row major.
// The solution replaces vec; false for a singular matrix (a zero pivot).
bool LyapunovKantz::SolveLinear(std::vector<double>& a, std::vector<double>& vec, unsigned size) {
    for (unsigned i = 0; i + 1 < size; ++i) {
        unsigned pivot = i;
        double largest = std::fabs(a[i * size + i]);
        for (unsigned j = i + 1; j < size; ++j)
            if (std::fabs(a[j * size + i]) > largest) {
                largest = std::fabs(a[j * size + i]);
                pivot = j;
            }
        if (largest == 0.0) return false;
        if (pivot != i) {
            for (unsigned k = 0; k < size; ++k) std::swap(a[i * size + k], a[pivot * size + k]);
            std::swap(vec[i], vec[pivot]);
        }
        for (unsigned j = i + 1; j < size; ++j) {
            const double q = -a[j * size + i] / a[i * size + i];
            a[j * size + i] = 0.0;
            for (unsigned k = i + 1; k < size; ++k) a[j * size + k] += q * a[i * size + k];
            vec[j] += q * vec[i];
        }
    }
    if (a[(size - 1) * size + size - 1] == 0.0) return false;
    for (int i = static_cast<int>(size) - 1; i >= 0; --i) {
        double h = vec[i];
        for (unsigned k = static_cast<unsigned>(i) + 1; k < size; ++k) h -= a[i * size + k] * vec[k];
        vec[i] = h / a[i * size + i];
    }
    return true;
}

std::optional<LyapSpectrumResult> LyapunovKantz::CalcLyapSpectrum(const double* input, unsigned iterations,
                                                                  std::size_t n) {
    m_abort = false;
    const auto& p = m_spec;
    const unsigned embedding = std::max(p.embedding, 1u);
    const unsigned delay = std::max(p.delay, 1u);
    const unsigned minNeighbours = p.minNeighbours ? p.minNeighbours : 30;
    const std::size_t first = static_cast<std::size_t>(embedding - 1) * delay;
    if (n < first + 1 + minNeighbours || n <= first + delay) {
        Fail(kSpectrumTooShort);
        return std::nullopt;
    }
    std::vector<double> y;
    try {
        y.assign(input, input + n);
    } catch (const std::bad_alloc&) {
        Fail(kNoMemory);
        return std::nullopt;
    }
    double minimum = 0.0, interval = 0.0, mean = 0.0, deviation = 0.0;
    if (!rescale_data(y.data(), n, minimum, interval)) return std::nullopt;
    if (!variance(y.data(), n, mean, deviation)) return std::nullopt;
    if (p.reverse) std::reverse(y.begin(), y.end());
    double startRadius = p.absolute ? p.startRadius / interval : 0.001;

    const unsigned D = p.columns * embedding;  // one series: DIMENSION = embedding
    const unsigned M = D + 1;
    LyapSpectrumResult result;
    result.dimension = D;
    result.delay = delay;
    result.iterations = iterations;

    // The box grid of the local fits has both coordinates from the same value when there is one
    // series, so it is a one-dimensional box: the points sorted by their first component give
    // exactly the same candidates for every radius without being rebuilt for each new radius.
    const std::size_t last = n - delay;  // candidate points first .. last-1
    std::vector<unsigned> sorted;
    std::vector<double> sortedValue, tangent, image;
    try {
        sorted.resize(last - first);
        std::iota(sorted.begin(), sorted.end(), static_cast<unsigned>(first));
        std::stable_sort(sorted.begin(), sorted.end(), [&](unsigned a, unsigned b) { return y[a] < y[b]; });
        sortedValue.resize(sorted.size());
        for (std::size_t k = 0; k < sorted.size(); ++k) sortedValue[k] = y[sorted[k]];
        tangent.resize(D * D);
        image.resize(D * D);
        const std::size_t rowCount = std::min<std::size_t>(iterations, last) > first
                                         ? std::min<std::size_t>(iterations, last) - first
                                         : 0;
        result.rows.reserve(rowCount * D);
    } catch (const std::bad_alloc&) {
        Fail(kNoMemory);
        return std::nullopt;
    }

    TableRandom random(623426u);
    for (int k = 0; k < 10000; ++k) random.Next();
    for (double& t : tangent) t = random.Next() / 4294967295.0;
    std::vector<double> factors(D), exponents(D, 0.0), before(D);
    auto gramSchmidt = [&](std::vector<double>& t) {
        // Classical: the projections use the vector as it was before this step.
        for (unsigned i = 0; i < D; ++i) {
            double* w = &t[i * D];
            for (unsigned k = 0; k < D; ++k) before[k] = w[k];
            for (unsigned j = 0; j < i; ++j) {
                const double* e = &t[j * D];
                double dot = 0.0;
                for (unsigned k = 0; k < D; ++k) dot += before[k] * e[k];
                for (unsigned k = 0; k < D; ++k) w[k] -= dot * e[k];
            }
            double norm = 0.0;
            for (unsigned k = 0; k < D; ++k) norm += w[k] * w[k];
            factors[i] = std::sqrt(norm + 1e-18);
            for (unsigned k = 0; k < D; ++k) w[k] /= factors[i];
        }
    };
    gramSchmidt(tangent);

    auto component = [&](std::size_t point, unsigned k) {
        return y[point - static_cast<std::size_t>(k) * delay];
    };
    // The neighbourhood and local fit of each point do not depend on the points before it (the
    // radius the search starts from only saves time), so they are found ahead, a block of points
    // at a time on every worker; only a search that ran into the end of the data interval, whose
    // radius depends on where it started, is done again in order.
    struct LocalFit {
        std::vector<unsigned> found;
        std::vector<std::pair<double, unsigned>> byDistance;
        std::vector<double> moments, inverse, column, rhs, coefficients;
        double eps = 0.0;
        int failure = 0;      // the message of a neighbourhood without a fit
        bool capped = false;  // the search reached the end of the data interval
    };
    auto fitAt = [&](std::size_t point, double startEps, LocalFit& f) {
        auto& found = f.found;
        auto& byDistance = f.byDistance;
        auto& moments = f.moments;
        auto& inverse = f.inverse;
        auto& column = f.column;
        auto& rhs = f.rhs;
        auto& coefficients = f.coefficients;
        f.failure = 0;
        f.capped = false;
        found.clear();
        // Neighbours: grow the radius from eps until more than `wanted` points lie within it and
        // keep the nearest `wanted` of them; returns their radius. Beyond the data interval the
        // search stops with what it found.
        auto collect = [&](unsigned wanted, double eps) {
            for (;;) {
                if (eps > 1.0) {
                    f.capped = true;
                    return eps;
                }
                found.clear();
                const double centre = y[point];
                auto from = std::lower_bound(sortedValue.begin(), sortedValue.end(), centre - eps);
                for (auto it = from; it != sortedValue.end() && *it <= centre + eps; ++it) {
                    const unsigned j = sorted[static_cast<std::size_t>(it - sortedValue.begin())];
                    bool inside = true;
                    for (unsigned k = 1; k < D && inside; ++k)
                        inside = std::fabs(component(j, k) - component(point, k)) <= eps;
                    if (inside) found.push_back(j);
                }
                if (found.size() > wanted) {
                    byDistance.clear();
                    for (unsigned j : found) {
                        double dist = 0.0;
                        for (unsigned k = 0; k < D; ++k)
                            dist = std::max(dist, std::fabs(component(j, k) - component(point, k)));
                        byDistance.emplace_back(j == point ? 2.0 : dist, j);
                    }
                    // Ties are broken by index so that the fit never depends on the search order.
                    std::partial_sort(byDistance.begin(), byDistance.begin() + wanted, byDistance.end());
                    found.resize(wanted);
                    for (unsigned k = 0; k < wanted; ++k) found[k] = byDistance[k].second;
                    return byDistance[wanted - 1].first;
                }
                // A radius of 0 (the neighbours of the point before were all equal to it) would
                // never grow.
                eps = eps > 0.0 ? eps * p.radiusFactor : 1e-9;
            }
        };
        // The local linear fit next = a0 + sum_k a(k+1) component k, solved in coordinates
        // relative to the reference point in units of the radius, so that the condition of the
        // moment matrix tells how well the neighbourhood spans every direction. An
        // ill-conditioned fit (neighbours on a line or repeated values, as quantised data gives
        // them) has no meaningful coefficients: false.
        auto fitLocally = [&](double eps) {
            const double scale = eps > 0.0 ? eps : 1.0;
            const double share = 1.0 / static_cast<double>(found.size());
            std::fill(moments.begin(), moments.end(), 0.0);
            for (unsigned j : found) {
                moments[0] += 1.0;
                for (unsigned k = 0; k < D; ++k) {
                    const double uk = (component(j, k) - component(point, k)) / scale;
                    moments[k + 1] += uk;
                    for (unsigned l = k; l < D; ++l)
                        moments[(k + 1) * M + l + 1] += uk * (component(j, l) - component(point, l)) / scale;
                }
            }
            for (double& m : moments) m *= share;
            for (unsigned k = 0; k < M; ++k)
                for (unsigned l = 0; l < k; ++l) moments[k * M + l] = moments[l * M + k];
            for (unsigned k = 0; k < M; ++k) {
                column = moments;
                std::fill(rhs.begin(), rhs.end(), 0.0);
                rhs[k] = 1.0;
                if (!SolveLinear(column, rhs, M)) return false;
                for (unsigned l = 0; l < M; ++l) inverse[l * M + k] = rhs[l];
            }
            if (!(ColumnNorm(moments, M) * ColumnNorm(inverse, M) <= kLargestCondition)) return false;
            std::fill(rhs.begin(), rhs.end(), 0.0);
            for (unsigned j : found) {
                const double next = y[j + delay];
                rhs[0] += next;
                for (unsigned k = 0; k < D; ++k)
                    rhs[k + 1] += next * (component(j, k) - component(point, k)) / scale;
            }
            for (double& r : rhs) r *= share;
            for (unsigned k = 0; k < M; ++k) {
                double a = 0.0;
                for (unsigned l = 0; l < M; ++l) a += inverse[k * M + l] * rhs[l];
                coefficients[k] = k == 0 ? a : a / scale;
            }
            return true;
        };

        double eps = collect(minNeighbours, startEps);
        if (found.size() < minNeighbours) {
            f.failure = kTooFewNeighbours;
            return;
        }
        // An ill-conditioned fit is tried again with twice the neighbours, a few times; a
        // neighbourhood that stays degenerate gives no result rather than a made-up exponent.
        for (unsigned wanted = minNeighbours; !fitLocally(eps);) {
            const std::size_t had = found.size();
            wanted *= 2;
            if (wanted > minNeighbours * kWidestNeighbourhood) {
                f.failure = kSingularMatrix;
                return;
            }
            eps = collect(wanted, eps);
            if (found.size() <= had) {
                f.failure = kSingularMatrix;
                return;
            }
        }
        f.eps = eps;
    };
    const std::size_t end = std::min<std::size_t>(iterations, last);
    const std::size_t pointCount = end > first ? end - first : 0;
    const unsigned workers = WorkerCount(m_threads, std::min(pointCount, kSpectrumBlock));
    std::vector<LocalFit> fits(workers);
    struct Fitted {
        double eps = 0.0;
        std::size_t neighbours = 0;
        int failure = 0;
        bool capped = false;
    };
    std::vector<Fitted> fitted;
    std::vector<double> fittedCoefficients;
    try {
        for (LocalFit& f : fits) {
            f.found.reserve(sorted.size());
            f.byDistance.reserve(sorted.size());
            f.moments.resize(M * M);
            f.inverse.resize(M * M);
            f.column.resize(M * M);
            f.rhs.resize(M);
            f.coefficients.resize(M);
        }
        fitted.resize(kSpectrumBlock);
        fittedCoefficients.resize(kSpectrumBlock * M);
    } catch (const std::bad_alloc&) {
        Fail(kNoMemory);
        return std::nullopt;
    }
    auto keep = [&](std::size_t slot, const LocalFit& f) {
        fitted[slot] = {f.eps, f.found.size(), f.failure, f.capped};
        std::copy(f.coefficients.begin(), f.coefficients.end(), fittedCoefficients.begin() + slot * M);
    };

    double neighbourSum = 0.0, radiusSum = 0.0, errorSum = 0.0;
    unsigned long count = 0;
    std::size_t blockFirst = first, blockEnd = first;
    for (std::size_t point = first; point < end; ++point) {
        ++count;
        if (point >= blockEnd) {
            blockFirst = point;
            blockEnd = std::min(end, point + kSpectrumBlock);
            const double guess = startRadius;
            ParallelFor(workers, blockEnd - blockFirst, [&](std::size_t k, unsigned worker) {
                fitAt(blockFirst + k, guess, fits[worker]);
                keep(k, fits[worker]);
            });
        }
        const std::size_t slot = point - blockFirst;
        if (fitted[slot].capped) {
            fitAt(point, startRadius, fits[0]);
            keep(slot, fits[0]);
        }
        if (fitted[slot].failure) {
            Fail(fitted[slot].failure);
            return std::nullopt;
        }
        const double eps = fitted[slot].eps;
        const double* coefficients = &fittedCoefficients[slot * M];
        neighbourSum += static_cast<double>(fitted[slot].neighbours);
        radiusSum += eps;
        startRadius = radiusSum / static_cast<double>(count);
        const double forecast = coefficients[0];  // the reference point is the origin of the fit
        errorSum += Squared(forecast - y[point + delay]);
        // Tangent vectors through the map, then their stretching.
        for (unsigned i = 0; i < D; ++i) {
            const double* t = &tangent[i * D];
            double* u = &image[i * D];
            double a = 0.0;
            for (unsigned k = 0; k < D; ++k) a += coefficients[k + 1] * t[k];
            u[0] = a;
            for (unsigned k = 1; k < D; ++k) u[k] = t[k - 1];
        }
        std::swap(tangent, image);
        gramSchmidt(tangent);
        for (unsigned i = 0; i < D; ++i) exponents[i] += std::log(factors[i]) / delay;
        for (unsigned i = 0; i < D; ++i) result.rows.push_back(exponents[i] / static_cast<double>(count));
        if (PollCancel()) return std::nullopt;
        if (count > 10 && m_hooks.spectrumProgress) m_hooks.spectrumProgress(result);
    }
    if (count == 0) {
        Fail(kSpectrumTooShort);
        return std::nullopt;
    }
    std::vector<double> average(D);
    for (unsigned i = 0; i < D; ++i) average[i] = exponents[i] / static_cast<double>(count);
    m_kaplanYorke = KaplanYorkeDimension(average);
    result.kaplanYorke = m_kaplanYorke;
    result.meanNeighbours = neighbourSum / static_cast<double>(count);
    result.meanRadius = radiusSum * interval / static_cast<double>(count);
    result.forecastError = std::sqrt(errorSum / static_cast<double>(count)) * interval;
    return result;
}

// ---------------------------------------------------------------------------------------------
// Correlation sum

std::optional<CorrDimResult> LyapunovKantz::CalcCorrDim(const double* input, std::size_t n) {
    m_abort = false;
    auto& p = m_corr;
    std::vector<double> y;
    try {
        y.assign(input, input + n);
    } catch (const std::bad_alloc&) {
        Fail(kNoMemory);
        return std::nullopt;
    }
    double minimum = 0.0, interval = 0.0;
    if (!rescale_data(y.data(), n, minimum, interval)) return std::nullopt;
    const unsigned m = std::max(p.m, 1u);
    const unsigned delay = std::max(p.delay, 1u);
    const unsigned radii = std::max(p.radii, 2u);  // a slope needs two radii
    double epsmax = std::min(std::fabs(p.epsmax), 1.0);
    if (!(epsmax > 1e-9)) epsmax = 1.0;  // no radius would be left to count at
    double epsmin = std::fabs(p.epsmin);
    if (epsmin >= epsmax) epsmin = epsmax / 2.0;
    if (!(epsmin > 0.0)) epsmin = epsmax / 1000.0;
    const long long vectors = static_cast<long long>(n) - static_cast<long long>(m - 1) * delay;
    if (vectors <= 0) {
        Fail(kCorrDimTooShort);
        return std::nullopt;
    }
    const std::size_t N = static_cast<std::size_t>(vectors);
    const double factor = std::pow(epsmax / epsmin, 1.0 / (radii - 1));
    const double lnFactor = std::log(factor);
    const double lnMax = std::log(epsmax);
    const unsigned mask = p.mask, cells = p.mask + 1;
    const unsigned pairs = p.pairs;
    const long long theiler = p.theiler;

    CorrDimResult result;
    std::vector<double> radius(radii), C, norm(radii, 0.0);
    std::vector<unsigned> order(N), inverse(N);
    std::vector<int> head2, list2, head1(cells), list1;
    try {
        for (unsigned k = 0; k < radii; ++k) radius[k] = epsmax / std::pow(factor, k);
        C.assign(static_cast<std::size_t>(m) * radii, 0.0);
        if (m >= 2) head2.resize(static_cast<std::size_t>(cells) * cells);
        list2.resize(N);
        list1.resize(N);
        result.m = m;
        result.radii = radii;
        result.curves.assign(m, std::vector<CorrDimPoint>(radii - 1));
    } catch (const std::bad_alloc&) {
        Fail(kNoMemory);
        return std::nullopt;
    }

    // A fixed pseudo-random processing order, the same in every run.
    {
        std::vector<double> key(N);
        std::uint32_t x = 2311537u;
        for (int k = 0; k < 1000; ++k) x = 69069u * x + 1u;
        for (std::size_t k = 0; k < N; ++k) {
            x = 69069u * x + 1u;
            key[k] = x / 4294967295.0;
        }
        std::iota(order.begin(), order.end(), 0u);
        std::stable_sort(order.begin(), order.end(), [&](unsigned a, unsigned b) { return key[a] < key[b]; });
        for (std::size_t k = 0; k < N; ++k) inverse[order[k]] = static_cast<unsigned>(k);
    }

    const double* v = y.data();
    unsigned k0 = 0;
    double r = epsmax;
    auto insert = [&](unsigned j) {
        const unsigned c = BoxOf(v[j], r, mask);
        list1[j] = head1[c];
        head1[c] = static_cast<int>(j);
        if (m >= 2) {
            const unsigned cell = c * cells + BoxOf(v[j + delay], r, mask);
            list2[j] = head2[cell];
            head2[cell] = static_cast<int>(j);
        }
    };
    auto clearGrids = [&] {
        std::fill(head1.begin(), head1.end(), -1);
        std::fill(head2.begin(), head2.end(), -1);
    };
    auto bin = [&](double dist) -> unsigned {
        if (dist < epsmin) return radii - 1;
        const double b = (lnMax - std::log(dist)) / lnFactor;
        return b >= radii - 1 ? radii - 1 : static_cast<unsigned>(std::max(b, 0.0));
    };
    auto output = [&] {
        for (unsigned d = 0; d < m; ++d) {
            const double* c = &C[static_cast<std::size_t>(d) * radii];
            auto& curve = result.curves[d];
            for (unsigned k = 1; k < radii; ++k) {
                CorrDimPoint& point = curve[k - 1];
                point.radius = radius[k];
                point.hasSum = norm[k] > 0.0;
                point.sum = point.hasSum ? c[k] / norm[k] : 0.0;
                // ln(0) has no value: a slope needs pairs at both radii.
                point.hasSlope = c[k] > 0.0 && c[k - 1] > 0.0 && norm[k] > 0.0 && norm[k - 1] > 0.0;
                point.slope =
                    point.hasSlope ? std::log((c[k - 1] / norm[k - 1]) / (c[k] / norm[k])) / lnFactor : 0.0;
            }
            // Smoothing: each slope becomes the mean of the slopes of up to 7 neighbouring radii
            // (points before it already smoothed) that have a value. The radii stay the true ones.
            for (unsigned k = 3; k + 5 <= radii; ++k) {
                if (!curve[k].hasSlope) continue;
                double ss = 0.0;
                int used = 0;
                for (unsigned q = k - 3; q <= k + 3; ++q)
                    if (curve[q].hasSlope) {
                        ss += curve[q].slope;
                        ++used;
                    }
                ss /= used;
                if (std::fabs(ss) < 1e50) curve[k].slope = ss;
            }
        }
        if (m_hooks.corrDimProgress) m_hooks.corrDimProgress(result);
    };

    // The pairs of the point at position pos with the points before it in the processing order,
    // within the radius r: per dimension a histogram over the radius index of each pair (its
    // bin), and how many of the points before it the Theiler window leaves out. The grids hold
    // the points up to the end of the block; those at pos and after it are passed over.
    const std::size_t histSize = static_cast<std::size_t>(m) * radii;
    std::vector<std::uint32_t> histogram;
    std::vector<long long> closeCount;
    try {
        histogram.resize(kCorrBlock * histSize);
        closeCount.resize(kCorrBlock);
    } catch (const std::bad_alloc&) {
        Fail(kNoMemory);
        return std::nullopt;
    }
    auto countPairs = [&](std::size_t pos, std::size_t slot, double within) {
        std::uint32_t* h = &histogram[slot * histSize];
        std::fill(h, h + histSize, 0u);
        const unsigned i = order[pos];
        long long close = 0;
        if (theiler > 0) {
            const long long lo = std::max(0ll, static_cast<long long>(i) - theiler);
            const long long hi = std::min(static_cast<long long>(N) - 1, static_cast<long long>(i) + theiler);
            for (long long j = lo; j <= hi; ++j)
                if (inverse[static_cast<std::size_t>(j)] < pos) ++close;
        }
        closeCount[slot] = close;
        const double yi = v[i];
        // Dimension 1: the list over the first coordinate.
        const unsigned c1 = BoxOf(yi, within, mask);
        for (unsigned c = c1 + mask; c <= c1 + mask + 2; ++c)
            for (int j = head1[c & mask]; j != -1; j = list1[j]) {
                if (inverse[j] >= pos || std::llabs(static_cast<long long>(j) - i) <= theiler) continue;
                const double dist = std::fabs(yi - v[j]);
                if (dist > within) continue;
                ++h[bin(dist)];
            }
        // Higher dimensions: the grid over the first two coordinates.
        if (m >= 2) {
            const unsigned a = c1, b2 = BoxOf(v[i + delay], within, mask);
            for (unsigned ca = a + mask; ca <= a + mask + 2; ++ca)
                for (unsigned cb = b2 + mask; cb <= b2 + mask + 2; ++cb)
                    for (int j = head2[(ca & mask) * cells + (cb & mask)]; j != -1; j = list2[j]) {
                        if (inverse[j] >= pos || std::llabs(static_cast<long long>(j) - i) <= theiler)
                            continue;
                        double largest = -1.0;
                        unsigned b = radii - 1;
                        for (unsigned l = 0; l < m; ++l) {
                            const double dist = std::fabs(v[i + l * delay] - v[j + l * delay]);
                            if (dist > within) break;
                            if (dist > largest) {
                                largest = dist;
                                b = bin(dist);
                            }
                            if (l >= 1) ++h[static_cast<std::size_t>(l) * radii + b];
                        }
                    }
        }
    };

    clearGrids();
    auto lastOutput = std::chrono::steady_clock::now();
    bool done = N < 2;
    if (done) output();
    const unsigned workers = WorkerCount(m_threads, kCorrBlock);
    // The positions are counted block by block, all of a block at the same radius. When the radius
    // shrinks the rest of the block is counted again at the new one, and the blocks start small
    // again: the radius shrinks often while few pairs are counted.
    std::size_t blockFirst = 1, blockEnd = 1, blockSize = kCorrBlockStart, inserted = 0;
    for (std::size_t pos = 1; pos < N && !done; ++pos) {
        if (PollCancel()) return std::nullopt;
        bool moved = false;
        while (k0 < radii && C[static_cast<std::size_t>(m - 1) * radii + k0] >= pairs) {
            ++k0;
            moved = true;
        }
        if (moved && k0 < radii) {
            r = radius[k0];
            clearGrids();
            inserted = 0;
            blockEnd = pos;
            blockSize = kCorrBlockStart;
        }
        if (k0 < radii) {
            if (pos >= blockEnd) {
                blockFirst = pos;
                blockEnd = std::min(N, pos + blockSize);
                blockSize = std::min(blockSize * 2, kCorrBlock);
                for (; inserted < blockEnd; ++inserted) insert(order[inserted]);
                const double within = r;
                ParallelFor(workers, blockEnd - blockFirst,
                            [&](std::size_t k, unsigned) { countPairs(blockFirst + k, k, within); });
            }
            const std::size_t slot = pos - blockFirst;
            // A pair in bin b counts at every radius index from k0 to b: summed from the
            // smallest radius up. The counts are whole numbers, so the sums are exact.
            const std::uint32_t* h = &histogram[slot * histSize];
            for (unsigned l = 0; l < m; ++l) {
                double* row = &C[static_cast<std::size_t>(l) * radii];
                const std::uint32_t* counts = h + static_cast<std::size_t>(l) * radii;
                std::uint64_t pairsFrom = 0;
                for (unsigned k = radii; k-- > k0;) {
                    pairsFrom += counts[k];
                    row[k] += static_cast<double>(pairsFrom);
                }
            }
            const double pairsOfI = static_cast<double>(static_cast<long long>(pos) - closeCount[slot]);
            for (unsigned k = k0; k < radii; ++k) norm[k] += pairsOfI;
        }
        const auto now = std::chrono::steady_clock::now();
        const bool last = pos + 1 == N;
        if (last || k0 >= radii || now - lastOutput > std::chrono::seconds(1)) {
            lastOutput = now;
            output();
            if (k0 >= radii) done = true;
        }
    }
    const bool anyPair = std::any_of(C.begin(), C.end(), [](double c) { return c > 0.0; });
    if (!anyPair) {
        // No pair lay within any radius, or there was no pair to count at all (a series not
        // longer than the Theiler window).
        Fail(kNoPairsCounted);
        return std::nullopt;
    }
    return result;
}
