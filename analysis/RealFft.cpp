#include "analysis/RealFft.h"

#include <cmath>
#include <cstring>
#include <numbers>
#include <stdexcept>

// How the transform works
//
// The N real samples are read as M = N/2 complex values z[n] = x[2n] + i x[2n+1]. A complex
// FFT of length M (Stockham autosort, radix 4, re and im parts in separate arrays) gives Z[k];
// one last pass separates the spectra of the even and odd samples,
//   E[k] = (Z[k] + conj Z[M-k]) / 2,   O[k] = (Z[k] - conj Z[M-k]) / 2i,
// and forms X[k] = E[k] + exp(-2 pi i k / N) O[k] for k and M - k together. The inverse runs
// the same steps backwards; its complex FFT is the forward one with re and im swapped, since
// swap(DFT(swap(Z))) = M * IDFT(Z).
//
// A Stockham pass reads its input at stride s and writes its output in order, so there is no
// bit-reversal pass and every pass streams through memory. The inner loops work on four
// doubles at a time. The whole transform is compiled twice: with AVX2 and FMA (x86-64-v3),
// used when the CPU has them, and with the baseline instructions every x86-64 CPU has, where
// a vector is a pair of SSE2 registers.

// The 32-byte vector type only passes between inlined helpers, so its ABI does not matter.
#pragma GCC diagnostic ignored "-Wpsabi"

#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__)
#define KALVO_FFT_AVX2 1
#else
#define KALVO_FFT_AVX2 0
#endif

// Every helper is inlined into the transform of each instruction set, so that it is compiled
// for that set.
#define KALVO_FFT_INLINE [[gnu::always_inline]] inline

namespace {

// ---- Roots of unity ------------------------------------------------------------------

struct CosSin {
    double c;
    double s;
};

// cos and sin of 2 pi j / n, from a table of the first octant: values that are equal or
// opposite by symmetry come out exactly so, and quarter turns are exact.
class UnitRoots {
public:
    explicit UnitRoots(std::size_t n) : m_n(n), m_quarter(n / 4), m_cos(n / 8 + 1), m_sin(n / 8 + 1) {
        const double step = 2.0 * std::numbers::pi / static_cast<double>(n);
        for (std::size_t i = 0; i < m_cos.size(); ++i) {
            m_cos[i] = std::cos(step * static_cast<double>(i));
            m_sin[i] = std::sin(step * static_cast<double>(i));
        }
    }

    CosSin operator()(std::size_t j) const {
        j %= m_n;
        if (m_quarter == 0) return j == 0 ? CosSin{1.0, 0.0} : CosSin{-1.0, 0.0};  // n = 1, 2
        const std::size_t quadrant = j / m_quarter;
        const std::size_t r = j % m_quarter;
        const CosSin v = 2 * r <= m_quarter ? CosSin{m_cos[r], m_sin[r]}
                                            : CosSin{m_sin[m_quarter - r], m_cos[m_quarter - r]};
        switch (quadrant) {
            case 0:
                return v;
            case 1:
                return {-v.s, v.c};
            case 2:
                return {-v.c, -v.s};
            default:
                return {v.s, -v.c};
        }
    }

private:
    std::size_t m_n;
    std::size_t m_quarter;
    std::vector<double> m_cos;
    std::vector<double> m_sin;
};

// ---- Vectors of four doubles ---------------------------------------------------------
//
// Each instruction set provides a type V with + - * and the loads, stores and shuffles below.

// One 256-bit register.
struct Avx2 {
    using V = double __attribute__((vector_size(32)));

    KALVO_FFT_INLINE static V Load(const double* p) {
        V v;
        std::memcpy(&v, p, sizeof v);
        return v;
    }
    KALVO_FFT_INLINE static void Store(double* p, const V& v) { std::memcpy(p, &v, sizeof v); }
    KALVO_FFT_INLINE static V Splat(double a) { return V{a, a, a, a}; }
    KALVO_FFT_INLINE static V Reverse(const V& v) { return __builtin_shufflevector(v, v, 3, 2, 1, 0); }
    // (x0, x2, x4, x6) and (x1, x3, x5, x7) of p[0 .. 7].
    KALVO_FFT_INLINE static void LoadDeinterleaved(const double* p, V& even, V& odd) {
        const V lo = Load(p);
        const V hi = Load(p + 4);
        even = __builtin_shufflevector(lo, hi, 0, 2, 4, 6);
        odd = __builtin_shufflevector(lo, hi, 1, 3, 5, 7);
    }
    // p[0 .. 7] = (a0, b0, a1, b1, a2, b2, a3, b3).
    KALVO_FFT_INLINE static void StoreInterleaved(double* p, const V& a, const V& b) {
        Store(p, __builtin_shufflevector(a, b, 0, 4, 1, 5));
        Store(p + 4, __builtin_shufflevector(a, b, 2, 6, 3, 7));
    }
    // Rows a, b, c, d of a 4 x 4 block become its columns.
    KALVO_FFT_INLINE static void Transpose(V& a, V& b, V& c, V& d) {
        const V t0 = __builtin_shufflevector(a, b, 0, 4, 2, 6);
        const V t1 = __builtin_shufflevector(a, b, 1, 5, 3, 7);
        const V t2 = __builtin_shufflevector(c, d, 0, 4, 2, 6);
        const V t3 = __builtin_shufflevector(c, d, 1, 5, 3, 7);
        a = __builtin_shufflevector(t0, t2, 0, 1, 4, 5);
        b = __builtin_shufflevector(t1, t3, 0, 1, 4, 5);
        c = __builtin_shufflevector(t0, t2, 2, 3, 6, 7);
        d = __builtin_shufflevector(t1, t3, 2, 3, 6, 7);
    }
};

// Two 128-bit registers. The shuffles are spelt out on the halves: left to the compiler,
// shuffles of a 256-bit type without AVX go through memory and cost ten times as much.
struct Baseline {
    using D2 = double __attribute__((vector_size(16)));
    struct V {
        D2 lo;
        D2 hi;
        KALVO_FFT_INLINE friend V operator+(V a, V b) { return {a.lo + b.lo, a.hi + b.hi}; }
        KALVO_FFT_INLINE friend V operator-(V a, V b) { return {a.lo - b.lo, a.hi - b.hi}; }
        KALVO_FFT_INLINE friend V operator*(V a, V b) { return {a.lo * b.lo, a.hi * b.hi}; }
        KALVO_FFT_INLINE friend V operator*(double a, V b) { return {a * b.lo, a * b.hi}; }
        KALVO_FFT_INLINE friend V operator-(V a) { return {-a.lo, -a.hi}; }
    };

    KALVO_FFT_INLINE static D2 Load2(const double* p) {
        D2 v;
        std::memcpy(&v, p, sizeof v);
        return v;
    }
    KALVO_FFT_INLINE static void Store2(double* p, D2 v) { std::memcpy(p, &v, sizeof v); }
    KALVO_FFT_INLINE static D2 Low(D2 a, D2 b) { return __builtin_shufflevector(a, b, 0, 2); }
    KALVO_FFT_INLINE static D2 High(D2 a, D2 b) { return __builtin_shufflevector(a, b, 1, 3); }

    KALVO_FFT_INLINE static V Load(const double* p) { return {Load2(p), Load2(p + 2)}; }
    KALVO_FFT_INLINE static void Store(double* p, const V& v) {
        Store2(p, v.lo);
        Store2(p + 2, v.hi);
    }
    KALVO_FFT_INLINE static V Splat(double a) { return {D2{a, a}, D2{a, a}}; }
    KALVO_FFT_INLINE static V Reverse(const V& v) {
        return {__builtin_shufflevector(v.hi, v.hi, 1, 0), __builtin_shufflevector(v.lo, v.lo, 1, 0)};
    }
    KALVO_FFT_INLINE static void LoadDeinterleaved(const double* p, V& even, V& odd) {
        const D2 a = Load2(p), b = Load2(p + 2), c = Load2(p + 4), d = Load2(p + 6);
        even = {Low(a, b), Low(c, d)};
        odd = {High(a, b), High(c, d)};
    }
    KALVO_FFT_INLINE static void StoreInterleaved(double* p, const V& a, const V& b) {
        Store2(p, Low(a.lo, b.lo));
        Store2(p + 2, High(a.lo, b.lo));
        Store2(p + 4, Low(a.hi, b.hi));
        Store2(p + 6, High(a.hi, b.hi));
    }
    KALVO_FFT_INLINE static void Transpose(V& a, V& b, V& c, V& d) {
        const V col0{Low(a.lo, b.lo), Low(c.lo, d.lo)};
        const V col1{High(a.lo, b.lo), High(c.lo, d.lo)};
        const V col2{Low(a.hi, b.hi), Low(c.hi, d.hi)};
        const V col3{High(a.hi, b.hi), High(c.hi, d.hi)};
        a = col0, b = col1, c = col2, d = col3;
    }
};

// Four complex values, re and im apart.
template <class I>
struct Cx {
    typename I::V r;
    typename I::V i;
};
template <class I>
KALVO_FFT_INLINE Cx<I> operator+(const Cx<I>& a, const Cx<I>& b) {
    return {a.r + b.r, a.i + b.i};
}
template <class I>
KALVO_FFT_INLINE Cx<I> operator-(const Cx<I>& a, const Cx<I>& b) {
    return {a.r - b.r, a.i - b.i};
}
template <class I>
KALVO_FFT_INLINE Cx<I> Mul(const Cx<I>& a, const Cx<I>& w) {
    return {a.r * w.r - a.i * w.i, a.r * w.i + a.i * w.r};
}
template <class I>
KALVO_FFT_INLINE Cx<I> LoadSplit(const double* re, const double* im, std::size_t k) {
    return {I::Load(re + k), I::Load(im + k)};
}
template <class I>
KALVO_FFT_INLINE void StoreSplit(double* re, double* im, std::size_t k, const Cx<I>& v) {
    I::Store(re + k, v.r);
    I::Store(im + k, v.i);
}
// Complex values k .. k+3 of the real samples x: (x[2k], x[2k+1]), ...
template <class I>
KALVO_FFT_INLINE Cx<I> LoadSamples(const double* x, std::size_t k) {
    Cx<I> v;
    I::LoadDeinterleaved(x + 2 * k, v.r, v.i);
    return v;
}
// The inverse runs on swapped re/im, so its value k is stored as x[2k] = im, x[2k+1] = re.
template <class I>
KALVO_FFT_INLINE void StoreSwappedSamples(double* x, std::size_t k, const Cx<I>& v) {
    I::StoreInterleaved(x + 2 * k, v.i, v.r);
}

// Length-4 DFT (kernel exp(-2 pi i / 4)) of a, b, c, d, without twiddle factors.
template <class I>
struct Quad {
    Cx<I> y0, y1, y2, y3;
};
template <class I>
KALVO_FFT_INLINE Quad<I> Butterfly4(const Cx<I>& a, const Cx<I>& b, const Cx<I>& c, const Cx<I>& d) {
    const Cx<I> t0 = a + c;
    const Cx<I> t1 = a - c;
    const Cx<I> t2 = b + d;
    const Cx<I> t3 = b - d;  // enters as -i * t3
    return {t0 + t2, {t1.r + t3.i, t1.i - t3.r}, t0 - t2, {t1.r - t3.i, t1.i + t3.r}};
}

// ---- Passes of the complex FFT of length M --------------------------------------------
//
// A radix-4 pass with sub-transform length n and stride s (n * s = M, m = n / 4):
//   y[q + s (4p + k)] = w^(k p) * sum_j (-i)^(j k) x[q + s (p + j m)],  w = exp(-2 pi i / n),
// for p < m, q < s, k, j < 4. The twiddle factors of a pass are stored for blocks of four p
// as 24 doubles: re w^p, im w^p, re w^2p, im w^2p, re w^3p, im w^3p, four of each.

// First pass (s = 1): vectors run along p, so outputs 4p + k need a 4 x 4 transpose.
template <class I, bool kFromSamples>
KALVO_FFT_INLINE void FirstPass(const double* xr, const double* xi, double* yr, double* yi, const double* tw,
                                std::size_t M) {
    const std::size_t m = M / 4;
    for (std::size_t p = 0; p < m; p += 4, tw += 24) {
        Quad<I> b;
        if constexpr (kFromSamples) {
            b = Butterfly4(LoadSamples<I>(xr, p), LoadSamples<I>(xr, p + m), LoadSamples<I>(xr, p + 2 * m),
                           LoadSamples<I>(xr, p + 3 * m));
        } else {
            b = Butterfly4(LoadSplit<I>(xr, xi, p), LoadSplit<I>(xr, xi, p + m),
                           LoadSplit<I>(xr, xi, p + 2 * m), LoadSplit<I>(xr, xi, p + 3 * m));
        }
        const Cx<I> y1 = Mul(b.y1, {I::Load(tw), I::Load(tw + 4)});
        const Cx<I> y2 = Mul(b.y2, {I::Load(tw + 8), I::Load(tw + 12)});
        const Cx<I> y3 = Mul(b.y3, {I::Load(tw + 16), I::Load(tw + 20)});
        typename I::V r0 = b.y0.r, r1 = y1.r, r2 = y2.r, r3 = y3.r;
        typename I::V i0 = b.y0.i, i1 = y1.i, i2 = y2.i, i3 = y3.i;
        I::Transpose(r0, r1, r2, r3);
        I::Transpose(i0, i1, i2, i3);
        double* outR = yr + 4 * p;
        double* outI = yi + 4 * p;
        I::Store(outR, r0), I::Store(outR + 4, r1), I::Store(outR + 8, r2), I::Store(outR + 12, r3);
        I::Store(outI, i0), I::Store(outI + 4, i1), I::Store(outI + 8, i2), I::Store(outI + 12, i3);
    }
}

// A pass with s >= 4: vectors run along q, the twiddle factors are broadcast.
template <class I>
KALVO_FFT_INLINE void MiddlePass(const double* xr, const double* xi, double* yr, double* yi, const double* tw,
                                 std::size_t n, std::size_t s) {
    const std::size_t m = n / 4;
    const std::size_t quarter = s * m;
    for (std::size_t p = 0; p < m; ++p) {
        const double* w = tw + (p / 4) * 24 + p % 4;
        const Cx<I> w1{I::Splat(w[0]), I::Splat(w[4])};
        const Cx<I> w2{I::Splat(w[8]), I::Splat(w[12])};
        const Cx<I> w3{I::Splat(w[16]), I::Splat(w[20])};
        const std::size_t in = s * p;
        const std::size_t out = 4 * s * p;
        for (std::size_t q = 0; q < s; q += 4) {
            const Quad<I> b = Butterfly4(LoadSplit<I>(xr, xi, in + q), LoadSplit<I>(xr, xi, in + q + quarter),
                                         LoadSplit<I>(xr, xi, in + q + 2 * quarter),
                                         LoadSplit<I>(xr, xi, in + q + 3 * quarter));
            StoreSplit<I>(yr, yi, out + q, b.y0);
            StoreSplit<I>(yr, yi, out + s + q, Mul(b.y1, w1));
            StoreSplit<I>(yr, yi, out + 2 * s + q, Mul(b.y2, w2));
            StoreSplit<I>(yr, yi, out + 3 * s + q, Mul(b.y3, w3));
        }
    }
}

// Output k of the last pass: split arrays, or interleaved real samples (the inverse).
template <class I, bool kToSamples>
KALVO_FFT_INLINE void PutLast(double* yr, double* yi, std::size_t k, const Cx<I>& v) {
    if constexpr (kToSamples) {
        StoreSwappedSamples<I>(yr, k, v);
    } else {
        StoreSplit<I>(yr, yi, k, v);
    }
}

// Last pass, n = 4 (s = M/4) or n = 2 (s = M/2, when M is an odd power of two): no twiddle
// factors.
template <class I, bool kToSamples>
KALVO_FFT_INLINE void LastPass(const double* xr, const double* xi, double* yr, double* yi, std::size_t n,
                               std::size_t s) {
    if (n == 4) {
        for (std::size_t q = 0; q < s; q += 4) {
            const Quad<I> b = Butterfly4(LoadSplit<I>(xr, xi, q), LoadSplit<I>(xr, xi, q + s),
                                         LoadSplit<I>(xr, xi, q + 2 * s), LoadSplit<I>(xr, xi, q + 3 * s));
            PutLast<I, kToSamples>(yr, yi, q, b.y0);
            PutLast<I, kToSamples>(yr, yi, q + s, b.y1);
            PutLast<I, kToSamples>(yr, yi, q + 2 * s, b.y2);
            PutLast<I, kToSamples>(yr, yi, q + 3 * s, b.y3);
        }
    } else {
        for (std::size_t q = 0; q < s; q += 4) {
            const Cx<I> a = LoadSplit<I>(xr, xi, q);
            const Cx<I> b = LoadSplit<I>(xr, xi, q + s);
            PutLast<I, kToSamples>(yr, yi, q, a + b);
            PutLast<I, kToSamples>(yr, yi, q + s, a - b);
        }
    }
}

// ---- Separating the real spectrum -----------------------------------------------------
//
// For 0 < k < M/2 with A = Z[k], B = Z[M-k], c + i s = exp(2 pi i k / N):
//   E = ((Ar + Br) + i (Ai - Bi)) / 2,  O = ((Ai + Bi) + i (Br - Ar)) / 2,  P = (c - i s) O,
//   X[k] = E + P,  X[M-k] = conj(E - P).
// hc, hs hold c/2 and s/2, which takes care of the halving of O.

template <class I>
KALVO_FFT_INLINE void SplitForward(const double* zr, const double* zi, double* f, const double* hc,
                                   const double* hs, std::size_t M) {
    using V = typename I::V;
    const std::size_t half = M / 2;
    double* fSin = f + M;  // fSin[k] = -Im X[k]
    std::size_t k = 1;
    for (; k + 4 <= half; k += 4) {
        const std::size_t j = M - k - 3;  // M-k .. M-k-3 are lanes 0 .. 3 reversed
        const V ar = I::Load(zr + k), ai = I::Load(zi + k);
        const V br = I::Reverse(I::Load(zr + j)), bi = I::Reverse(I::Load(zi + j));
        const V c = I::Load(hc + k), s = I::Load(hs + k);
        const V sumR = ar + br, difI = ai - bi, sumI = ai + bi, difR = br - ar;
        const V pr = c * sumI + s * difR;
        const V pi = c * difR - s * sumI;
        const V er = 0.5 * sumR, ei = 0.5 * difI;
        I::Store(f + k, er + pr);
        I::Store(fSin + k, -(ei + pi));
        I::Store(f + j, I::Reverse(er - pr));
        I::Store(fSin + j, I::Reverse(ei - pi));
    }
    for (; k < half; ++k) {
        const std::size_t j = M - k;
        const double sumR = zr[k] + zr[j], difI = zi[k] - zi[j], sumI = zi[k] + zi[j], difR = zr[j] - zr[k];
        const double pr = hc[k] * sumI + hs[k] * difR;
        const double pi = hc[k] * difR - hs[k] * sumI;
        const double er = 0.5 * sumR, ei = 0.5 * difI;
        f[k] = er + pr;
        fSin[k] = -(ei + pi);
        f[j] = er - pr;
        fSin[j] = ei - pi;
    }
    f[half] = zr[half];  // X[M/2] = conj Z[M/2]
    fSin[half] = zi[half];
    f[0] = zr[0] + zi[0];
    f[M] = zr[0] - zi[0];
}

// The inverse of SplitForward, times 2 (so that the complex inverse yields N x): it writes
// Z'[k] = 2 E[k] + 2 i O[k] with E = (X[k] + conj X[M-k]) / 2, O = (X[k] - conj X[M-k]) (c + i s) / 2,
// swapped for the forward passes: outR = Im Z', outI = Re Z'.
template <class I>
KALVO_FFT_INLINE void SplitInverse(const double* f, double* outR, double* outI, const double* hc,
                                   const double* hs, std::size_t M) {
    using V = typename I::V;
    const std::size_t half = M / 2;
    const double* fSin = f + M;
    std::size_t k = 1;
    for (; k + 4 <= half; k += 4) {
        const std::size_t j = M - k - 3;
        const V a = I::Load(f + k), b = I::Reverse(I::Load(f + j));        // Re X[k], Re X[M-k]
        const V u = I::Load(fSin + k), v = I::Reverse(I::Load(fSin + j));  // -Im X[k], -Im X[M-k]
        const V c = I::Load(hc + k), s = I::Load(hs + k);
        const V er = a + b, ei = v - u;
        const V dr = (a - b) + (a - b), di = (u + v) + (u + v);
        const V orr = dr * c + di * s;
        const V oi = dr * s - di * c;
        I::Store(outR + k, ei + orr);
        I::Store(outI + k, er - oi);
        I::Store(outR + j, I::Reverse(orr - ei));
        I::Store(outI + j, I::Reverse(er + oi));
    }
    for (; k < half; ++k) {
        const std::size_t j = M - k;
        const double a = f[k], b = f[j], u = fSin[k], v = fSin[j];
        const double er = a + b, ei = v - u;
        const double dr = 2.0 * (a - b), di = 2.0 * (u + v);
        const double orr = dr * hc[k] + di * hs[k];
        const double oi = dr * hs[k] - di * hc[k];
        outR[k] = ei + orr;
        outI[k] = er - oi;
        outR[j] = orr - ei;
        outI[j] = er + oi;
    }
    outR[half] = 2.0 * fSin[half];
    outI[half] = 2.0 * f[half];
    outR[0] = f[0] - f[M];
    outI[0] = f[0] + f[M];
}

// ---- Whole transforms -----------------------------------------------------------------

struct Plan {
    std::size_t M;
    const std::size_t* passes;  // (n, s, twiddle offset) per pass
    std::size_t passCount;
    const double* twiddles;
    const double* splitCos;
    const double* splitSin;
    double* work;        // four arrays of M doubles: re, im of two ping-pong buffers
    std::size_t stride;  // distance of the work arrays
};

template <class I>
KALVO_FFT_INLINE void Forward(const Plan& plan, double* f, const double* x) {
    double* buf[2][2] = {{plan.work, plan.work + plan.stride},
                         {plan.work + 2 * plan.stride, plan.work + 3 * plan.stride}};
    int cur = 0;
    FirstPass<I, true>(x, nullptr, buf[0][0], buf[0][1], plan.twiddles + plan.passes[2], plan.M);
    for (std::size_t i = 1; i + 1 < plan.passCount; ++i, cur ^= 1) {
        const std::size_t* pass = plan.passes + 3 * i;
        MiddlePass<I>(buf[cur][0], buf[cur][1], buf[cur ^ 1][0], buf[cur ^ 1][1], plan.twiddles + pass[2],
                      pass[0], pass[1]);
    }
    const std::size_t* last = plan.passes + 3 * (plan.passCount - 1);
    LastPass<I, false>(buf[cur][0], buf[cur][1], buf[cur ^ 1][0], buf[cur ^ 1][1], last[0], last[1]);
    SplitForward<I>(buf[cur ^ 1][0], buf[cur ^ 1][1], f, plan.splitCos, plan.splitSin, plan.M);
}

template <class I>
KALVO_FFT_INLINE void Inverse(const Plan& plan, const double* f, double* x) {
    double* buf[2][2] = {{plan.work, plan.work + plan.stride},
                         {plan.work + 2 * plan.stride, plan.work + 3 * plan.stride}};
    int cur = 1;
    SplitInverse<I>(f, buf[0][0], buf[0][1], plan.splitCos, plan.splitSin, plan.M);
    FirstPass<I, false>(buf[0][0], buf[0][1], buf[1][0], buf[1][1], plan.twiddles + plan.passes[2], plan.M);
    for (std::size_t i = 1; i + 1 < plan.passCount; ++i, cur ^= 1) {
        const std::size_t* pass = plan.passes + 3 * i;
        MiddlePass<I>(buf[cur][0], buf[cur][1], buf[cur ^ 1][0], buf[cur ^ 1][1], plan.twiddles + pass[2],
                      pass[0], pass[1]);
    }
    const std::size_t* last = plan.passes + 3 * (plan.passCount - 1);
    LastPass<I, true>(buf[cur][0], buf[cur][1], x, nullptr, last[0], last[1]);
}

void ForwardBaseline(const Plan& plan, double* f, const double* x) {
    Forward<Baseline>(plan, f, x);
}
void InverseBaseline(const Plan& plan, const double* f, double* x) {
    Inverse<Baseline>(plan, f, x);
}

#if KALVO_FFT_AVX2
[[gnu::target("arch=x86-64-v3")]] void ForwardAvx2(const Plan& plan, double* f, const double* x) {
    Forward<Avx2>(plan, f, x);
}
[[gnu::target("arch=x86-64-v3")]] void InverseAvx2(const Plan& plan, const double* f, double* x) {
    Inverse<Avx2>(plan, f, x);
}
#endif

bool CpuHasAvx2() {
#if KALVO_FFT_AVX2
    static const bool has = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    }();
    return has;
#else
    return false;
#endif
}

// Below this length the transform is a direct sum over a cosine/sine table.
constexpr std::size_t kMinFastLength = 32;

}  // namespace

// ---- RealFft -------------------------------------------------------------------------

RealFft::RealFft(std::size_t n, Instructions instructions) : m_length(n), m_half(n / 2) {
    if (n == 0 || (n & (n - 1)) != 0) throw std::invalid_argument("RealFft: length must be a power of two");
    m_avx2 = instructions == Instructions::Best && CpuHasAvx2();
    const UnitRoots roots(n);

    if (n < kMinFastLength) {
        m_twiddles.resize(2 * n);
        for (std::size_t j = 0; j < n; ++j) {
            const CosSin w = roots(j);
            m_twiddles[j] = w.c;
            m_twiddles[n + j] = w.s;
        }
        m_work.resize(n);
        return;
    }

    // Radix-4 passes from length M down to 16 or 8, then one pass of length 4 or 2 without
    // factors. Each radix-4 pass gets ceil(n/16) blocks of 24 factors.
    const std::size_t M = m_half;
    std::size_t len = M, s = 1, size = 0;
    for (; len >= 8; len /= 4, s *= 4) {
        m_passes.insert(m_passes.end(), {len, s, size});
        size += (len / 4 + 3) / 4 * 24;
    }
    m_passes.insert(m_passes.end(), {len, s, size});

    m_twiddles.assign(size, 0.0);
    for (std::size_t i = 0; i + 3 < m_passes.size(); i += 3) {
        const std::size_t passLength = m_passes[i];
        const std::size_t step = n / passLength;  // exp(-2 pi i / passLength) = root -step of n
        double* tw = &m_twiddles[m_passes[i + 2]];
        for (std::size_t p = 0; p < passLength / 4; ++p) {
            double* block = tw + (p / 4) * 24 + p % 4;
            for (std::size_t k = 1; k <= 3; ++k) {
                const CosSin w = roots(k * p * step);
                block[(k - 1) * 8] = w.c;
                block[(k - 1) * 8 + 4] = -w.s;
            }
        }
    }

    m_splitCos.resize(M / 2);
    m_splitSin.resize(M / 2);
    for (std::size_t k = 0; k < M / 2; ++k) {
        const CosSin w = roots(k);
        m_splitCos[k] = 0.5 * w.c;
        m_splitSin[k] = 0.5 * w.s;
    }

    // Four arrays (re, im of two buffers), spaced 128 bytes more than a power of two apart so
    // that the streams of a pass do not compete for the same cache sets.
    m_workStride = M + 16;
    m_work.resize(4 * m_workStride);
}

void RealFft::Transform(double* f, const double* x) {
    if (m_length < kMinFastLength) {
        TransformSmall(f, x);
        return;
    }
    const Plan plan{m_half,
                    m_passes.data(),
                    m_passes.size() / 3,
                    m_twiddles.data(),
                    m_splitCos.data(),
                    m_splitSin.data(),
                    m_work.data(),
                    m_workStride};
#if KALVO_FFT_AVX2
    if (m_avx2) {
        ForwardAvx2(plan, f, x);
        return;
    }
#endif
    ForwardBaseline(plan, f, x);
}

void RealFft::InverseTransform(const double* f, double* x) {
    if (m_length < kMinFastLength) {
        InverseSmall(f, x);
        return;
    }
    const Plan plan{m_half,
                    m_passes.data(),
                    m_passes.size() / 3,
                    m_twiddles.data(),
                    m_splitCos.data(),
                    m_splitSin.data(),
                    m_work.data(),
                    m_workStride};
#if KALVO_FFT_AVX2
    if (m_avx2) {
        InverseAvx2(plan, f, x);
        return;
    }
#endif
    InverseBaseline(plan, f, x);
}

void RealFft::Rescale(double* a) const {
    const double scale = 1.0 / static_cast<double>(m_length);  // exact: N is a power of two
    for (std::size_t i = 0; i < m_length; ++i) a[i] *= scale;
}

void RealFft::TransformSmall(double* f, const double* x) {
    const std::size_t n = m_length, M = m_half;
    const double* cosTab = m_twiddles.data();
    const double* sinTab = cosTab + n;
    double* in = m_work.data();  // a copy, so that f may be x
    std::memcpy(in, x, n * sizeof(double));
    for (std::size_t k = 0; k <= M; ++k) {
        double re = 0.0, im = 0.0;
        for (std::size_t j = 0; j < n; ++j) {
            re += in[j] * cosTab[(k * j) % n];
            im += in[j] * sinTab[(k * j) % n];
        }
        f[k] = re;
        if (k > 0 && k < M) f[M + k] = im;
    }
}

void RealFft::InverseSmall(const double* f, double* x) {
    const std::size_t n = m_length, M = m_half;
    if (n == 1) {
        x[0] = f[0];
        return;
    }
    const double* cosTab = m_twiddles.data();
    const double* sinTab = cosTab + n;
    double* in = m_work.data();
    std::memcpy(in, f, n * sizeof(double));
    for (std::size_t j = 0; j < n; ++j) {
        double sum = 0.0;
        for (std::size_t k = 1; k < M; ++k)
            sum += in[k] * cosTab[(k * j) % n] + in[M + k] * sinTab[(k * j) % n];
        x[j] = in[0] + (j % 2 == 0 ? in[M] : -in[M]) + 2.0 * sum;
    }
}

void RealFft::CheckSpan(std::size_t size) const {
    if (size != m_length)
        throw std::invalid_argument("RealFft: array length differs from the transform length");
}

void RealFft::Transform(std::span<double> f, std::span<const double> x) {
    CheckSpan(f.size());
    CheckSpan(x.size());
    Transform(f.data(), x.data());
}

void RealFft::InverseTransform(std::span<const double> f, std::span<double> x) {
    CheckSpan(f.size());
    CheckSpan(x.size());
    InverseTransform(f.data(), x.data());
}

void RealFft::Rescale(std::span<double> a) const {
    CheckSpan(a.size());
    Rescale(a.data());
}
