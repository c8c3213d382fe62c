#pragma once
// Time series of two textbook chaotic systems, for checking the nonlinear analysis against
// the values known from the literature.

#include <cstddef>
#include <vector>

// x component of the Hénon map x' = 1 - a x^2 + y, y' = b x (a = 1.4, b = 0.3), after a
// transient of 1000 steps. Largest exponent 0.42 per step, second -1.62, Kaplan-Yorke dimension
// 1.26, correlation dimension about 1.2.
inline std::vector<double> HenonSeries(std::size_t n) {
    double x = 0.1, y = 0.1;
    std::vector<double> out;
    out.reserve(n);
    for (std::size_t i = 0; i < n + 1000; ++i) {
        const double next = 1.0 - 1.4 * x * x + y;
        y = 0.3 * x;
        x = next;
        if (i >= 1000) out.push_back(x);
    }
    return out;
}

// x component of the Lorenz system (sigma 10, r 28, b 8/3), fourth-order Runge-Kutta with step
// 0.01, sampled every `every` steps after a transient. Correlation dimension about 2.05.
inline std::vector<double> LorenzSeries(std::size_t n, int every = 5) {
    double s[3] = {1.0, 1.0, 20.0};
    auto f = [](const double* p, double* d) {
        d[0] = 10.0 * (p[1] - p[0]);
        d[1] = p[0] * (28.0 - p[2]) - p[1];
        d[2] = p[0] * p[1] - 8.0 / 3.0 * p[2];
    };
    auto step = [&] {
        const double h = 0.01;
        double k1[3], k2[3], k3[3], k4[3], t[3];
        f(s, k1);
        for (int i = 0; i < 3; ++i) t[i] = s[i] + h / 2 * k1[i];
        f(t, k2);
        for (int i = 0; i < 3; ++i) t[i] = s[i] + h / 2 * k2[i];
        f(t, k3);
        for (int i = 0; i < 3; ++i) t[i] = s[i] + h * k3[i];
        f(t, k4);
        for (int i = 0; i < 3; ++i) s[i] += h / 6 * (k1[i] + 2 * k2[i] + 2 * k3[i] + k4[i]);
    };
    for (int i = 0; i < 5000; ++i) step();
    std::vector<double> out;
    out.reserve(n);
    while (out.size() < n) {
        for (int i = 0; i < every; ++i) step();
        out.push_back(s[0]);
    }
    return out;
}
