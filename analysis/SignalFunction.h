#pragma once
// Signals for the continuous wavelet transform: SignalFunction is the abstract signal, and
// DiscreteSignal a sampled one that holds the absolute sample indices bmin <= j < bmax in a
// float buffer (samples outside the sound are zero). All values are single precision.

#include <cstdint>
#include <vector>

class SignalFunction {
public:
    virtual ~SignalFunction() = default;
    // The real sample at x (x truncated toward zero to a sample index).
    virtual float evaluate(float x) const = 0;
    // The imaginary sample at x; only complex signals have one (the program builds real ones).
    virtual float evaluate_imag(float x) const;
    // The real (part != 1) or imaginary (part == 1) sample buffer; null when there is none.
    virtual const float* data(int part) const = 0;
    bool complex_valued() const { return m_complex; }

protected:
    bool m_complex = false;
};

class DiscreteSignal : public SignalFunction {
public:
    // Absolute indices bmin .. bmax - 1; element k holds samples[bmin + k] when that index lies
    // in 0 .. count - 1, else 0. Throws std::bad_alloc when the buffer cannot be had.
    DiscreteSignal(const double* samples, std::int64_t count, std::int64_t bmin, std::int64_t bmax);

    float evaluate(float x) const override;
    const float* data(int part) const override { return part == 1 ? nullptr : m_buffer.data() + 1; }

    std::int64_t bmin() const { return m_bmin; }
    std::int64_t bmax() const { return m_bmax; }
    // The buffer with one zero before element 0 and one after the last element, so that an
    // index clamped to -1 .. size reads 0 (what lets the table method run without branches).
    const float* padded() const { return m_buffer.data(); }

private:
    std::vector<float> m_buffer;  // one zero, bmax - bmin samples, one zero
    std::int64_t m_bmin;
    std::int64_t m_bmax;
};
