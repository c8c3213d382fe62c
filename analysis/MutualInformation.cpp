#include "analysis/MutualInformation.h"

#include <algorithm>
#include <cmath>

std::vector<double> MutualInformation(const std::vector<double>& series, int boxes, int& maxTau) {
    const std::size_t n = series.size();
    if (n < 2 || boxes < 1) return {};
    const auto [lo, hi] = std::minmax_element(series.begin(), series.end());
    const double minimum = *lo, interval = *hi - *lo;
    if (!(interval > 0.0)) return {};
    const auto P = static_cast<std::size_t>(boxes);
    std::vector<std::size_t> box(n);
    for (std::size_t i = 0; i < n; ++i) {
        const double x = (series[i] - minimum) / interval;
        box[i] = x >= 1.0 ? P - 1 : std::min(P - 1, static_cast<std::size_t>(x * static_cast<double>(P)));
    }
    if (maxTau < 0) maxTau = 0;
    if (n <= static_cast<std::size_t>(maxTau)) maxTau = static_cast<int>(n - 1);
    std::vector<double> joint(P * P), first(P), second(P), information;
    information.reserve(static_cast<std::size_t>(maxTau) + 1);
    for (int tau = 0; tau <= maxTau; ++tau) {
        std::fill(joint.begin(), joint.end(), 0.0);
        std::fill(first.begin(), first.end(), 0.0);
        std::fill(second.begin(), second.end(), 0.0);
        const auto t = static_cast<std::size_t>(tau);
        for (std::size_t i = t; i < n; ++i) {
            const std::size_t a = box[i - t], b = box[i];
            joint[a * P + b] += 1.0;
            first[a] += 1.0;
            second[b] += 1.0;
        }
        const double pairs = static_cast<double>(n - t);
        double sum = 0.0;
        for (std::size_t a = 0; a < P; ++a) {
            if (first[a] == 0.0) continue;
            for (std::size_t b = 0; b < P; ++b) {
                const double pab = joint[a * P + b] / pairs;
                if (pab > 0.0 && second[b] > 0.0)
                    sum += pab * std::log(pab / ((first[a] / pairs) * (second[b] / pairs)));
            }
        }
        information.push_back(sum);
    }
    return information;
}

std::optional<int> FirstMinimum(const std::vector<double>& information) {
    if (information.size() < 2 || !(information[1] < information[0])) return std::nullopt;
    for (std::size_t tau = 1; tau + 1 < information.size(); ++tau)
        if (information[tau + 1] >= information[tau]) return static_cast<int>(tau);
    return std::nullopt;
}
