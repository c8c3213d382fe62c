#include "analysis/SignalFunction.h"

#include <algorithm>
#include <cmath>

float SignalFunction::evaluate_imag(float) const {
    // Only complex signals have an imaginary part; a real signal has none to give.
    return 0.0f;
}

DiscreteSignal::DiscreteSignal(const double* samples, std::int64_t count, std::int64_t bmin,
                               std::int64_t bmax)
    : m_bmin(bmin), m_bmax(std::max(bmin, bmax)) {
    const std::int64_t size = m_bmax - m_bmin;
    m_buffer.assign(static_cast<std::size_t>(size) + 2, 0.0f);
    const std::int64_t from = std::max<std::int64_t>(bmin, 0);
    const std::int64_t to = std::min<std::int64_t>(m_bmax, count);
    for (std::int64_t j = from; j < to; ++j)
        m_buffer[static_cast<std::size_t>(j - bmin + 1)] = static_cast<float>(samples[j]);
}

float DiscreteSignal::evaluate(float x) const {
    if (!(std::fabs(x) < 9.0e18f)) return 0.0f;
    const auto j = static_cast<std::int64_t>(x);  // toward zero
    if (j < m_bmin || j >= m_bmax) return 0.0f;
    return m_buffer[static_cast<std::size_t>(j - m_bmin + 1)];
}
