#include "analysis/DelayReconstruction.h"

#include <cmath>
#include <cstdio>

#include "analysis/Landscape3D.h"

int DelayReconstruction::CoupledPointCount(int points, int tau) {
    return points <= 2 * tau ? 3 * tau : points;
}

std::vector<ReconstructionPoint> DelayReconstruction::Build(const std::vector<double>& samples,
                                                            double fullScale, bool eightBit, int tau,
                                                            int maxPoints, bool rainbow,
                                                            std::uint32_t fixedColour) {
    std::vector<ReconstructionPoint> points;
    const long long n = static_cast<long long>(samples.size());
    if (tau < 1 || n - 1 <= 2LL * tau || fullScale <= 0) return points;
    const long long budget = std::max(maxPoints, 1);
    const long long step = (n - 1 <= budget) ? 1 : (n - 1 + budget - 1) / budget;
    const long long m = (n - 1) / step;
    const double s = 2.0 / fullScale;
    std::vector<float> v(static_cast<std::size_t>(m));
    for (long long i = 0; i < m; ++i)
        v[std::size_t(i)] = float(s * samples[std::size_t(i * step)] - (eightBit ? 1.0 : 0.0));
    const long long p = std::llabs(m - 2LL * tau);
    if (m <= 2LL * tau) return points;  // too few down-sampled values for the delay
    points.resize(std::size_t(p));
    for (long long k = 0; k < p; ++k) {
        ReconstructionPoint& pt = points[std::size_t(k)];
        pt.x = v[std::size_t(k)];
        pt.y = v[std::size_t(k + tau)];
        pt.z = v[std::size_t(k + 2 * tau)];
        pt.argb = rainbow ? RainbowColour(int(k * 1663 / p)) : fixedColour;
    }
    return points;
}

namespace {
void AppendNumber(std::string& out, double value) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.10g", value);
    for (char* c = buf; *c; ++c)
        if (*c == '.') *c = ',';
    out += buf;
}
}  // namespace

std::string DelayReconstruction::ExportText(const std::vector<double>& samples, double fullScale,
                                            double sampleRate, int tau, const std::string& header) {
    std::string text = header;
    const long long n = static_cast<long long>(samples.size());
    const double f = std::trunc(fullScale);
    if (f <= 0 || sampleRate <= 0 || tau < 0) return text;
    for (long long i = 0; i < n - 2LL * tau; ++i) {
        AppendNumber(text, double(i) / sampleRate * 1000.0);
        for (int d = 0; d < 3; ++d) {
            text += '\t';
            AppendNumber(text, samples[std::size_t(i + d * tau)] / f * 100.0);
        }
        text += "\r\n";
    }
    return text;
}
