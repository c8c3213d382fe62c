#include "analysis/PlateauFit.h"

#define __cminpack_double__
#include <cminpack.h>

#include <limits>

namespace {

int Residuals(void* data, int m, int /*n*/, const double* x, double* fvec, int /*iflag*/) {
    const auto* slopes = static_cast<const std::vector<double>*>(data);
    for (int i = 0; i < m; ++i) fvec[i] = (*slopes)[static_cast<std::size_t>(i)] - x[0];
    return 0;
}

}  // namespace

double FitPlateau(const std::vector<double>& slopes) {
    if (slopes.empty()) return std::numeric_limits<double>::quiet_NaN();
    const int m = static_cast<int>(slopes.size());
    constexpr int n = 1;
    double x[n] = {1.0};
    std::vector<double> fvec(slopes.size()), fjac(slopes.size() * n), wa4(slopes.size());
    double diag[n], qtf[n], wa1[n], wa2[n], wa3[n];
    int ipvt[n];
    int nfev = 0;
    lmdif(Residuals, const_cast<std::vector<double>*>(&slopes), m, n, x, fvec.data(), 1e-14, 1e-14, 1e-14,
          100 * (n + 1), 1e-14, diag, 1, 100.0, 0, &nfev, fjac.data(), m, ipvt, qtf, wa1, wa2, wa3,
          wa4.data());
    return x[0];
}
