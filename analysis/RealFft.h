#pragma once
// Fast Fourier transform of real samples, for one fixed power-of-two length N.
//
// The forward transform writes a "half-complex" array f of N doubles:
//   f[k]       = sum_n x[n] * cos(2 pi k n / N)   for k = 0 .. N/2
//   f[N/2 + k] = sum_n x[n] * sin(2 pi k n / N)   for k = 1 .. N/2 - 1
// that is the real parts of bins 0 .. N/2 followed by the negated imaginary parts of bins
// 1 .. N/2 - 1 for the kernel exp(-2 pi i k n / N). For N = 4: f = (x0+x1+x2+x3, x0-x2,
// x0-x1+x2-x3, x1-x3). Neither direction scales: InverseTransform(Transform(x)) gives N * x,
// and Rescale multiplies by 1/N.
//
// All tables and scratch space are made by the constructor, so the transforms never allocate.
// They do write the scratch space: one object must not be used by two threads at once.
// Input and output may be the same array or overlap in any way; each transform reads its
// whole input before it writes the first output value.

#include <cstddef>
#include <new>
#include <span>
#include <vector>

class RealFft {
public:
    // Best: AVX2 and FMA where the CPU has them, else the baseline x86-64 instructions.
    // Baseline: always the latter (to compare or test that path on any machine).
    enum class Instructions { Best, Baseline };

    // n: a power of two >= 1; anything else throws std::invalid_argument.
    explicit RealFft(std::size_t n, Instructions instructions = Instructions::Best);

    std::size_t Size() const noexcept { return m_length; }

    // f, x: N doubles each.
    void Transform(double* f, const double* x);
    void InverseTransform(const double* f, double* x);
    void Rescale(double* a) const;

    // The same on spans; a span of another size than N throws std::invalid_argument.
    void Transform(std::span<double> f, std::span<const double> x);
    void InverseTransform(std::span<const double> f, std::span<double> x);
    void Rescale(std::span<double> a) const;

private:
    // Cache-line alignment keeps the vector loads of the passes within one line.
    template <class T>
    struct AlignedAllocator {
        using value_type = T;
        static constexpr std::align_val_t kAlignment{64};
        AlignedAllocator() = default;
        template <class U>
        AlignedAllocator(const AlignedAllocator<U>&) noexcept {}
        T* allocate(std::size_t n) { return static_cast<T*>(::operator new(n * sizeof(T), kAlignment)); }
        void deallocate(T* p, std::size_t) noexcept { ::operator delete(p, kAlignment); }
        friend bool operator==(const AlignedAllocator&, const AlignedAllocator&) { return true; }
    };
    using Buffer = std::vector<double, AlignedAllocator<double>>;

    void TransformSmall(double* f, const double* x);
    void InverseSmall(const double* f, double* x);
    void CheckSpan(std::size_t size) const;

    std::size_t m_length;
    std::size_t m_half;  // M = N/2, the length of the complex transform
    // Per pass of the complex transform of length M: sub-transform length, stride and offset of
    // its twiddle factors in m_twiddles, three numbers each.
    std::vector<std::size_t> m_passes;
    Buffer m_twiddles;             // factors of the radix-4 passes; below N = 32 the cos and sin tables
    Buffer m_splitCos;             // cos(2 pi k / N) / 2 for k < M/2: separating the real spectrum
    Buffer m_splitSin;             // sin(2 pi k / N) / 2
    Buffer m_work;                 // two ping-pong buffers of M complex values, re and im apart
    std::size_t m_workStride = 0;  // distance of the four work arrays in m_work
    bool m_avx2 = false;
};
