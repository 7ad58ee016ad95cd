#include "analysis/ramp_invariant_filter.h"

#include <cmath>

#include "model/constants.h"

RampInvariantFilter rampInvariantFilter(double fn, double zeta, double interval) {
    const double wn = 2.0 * pi * fn;
    const double wd = wn * std::sqrt(1.0 - zeta * zeta);
    const double e = std::exp(-zeta * wn * interval);
    const double b = wd * interval;
    const double c = e * std::cos(b);
    const double sb = e * std::sin(b) / b;
    return {1.0 - sb, 2.0 * (sb - c), e * e - sb, 2.0 * c, e * e, b, zeta * wn * interval};
}

std::vector<double> rampInvariantResponse(const RampInvariantFilter& f, const double* x, std::size_t n,
                                          std::size_t tail) {
    std::vector<double> y(n + tail);
    double x1 = 0.0, x2 = 0.0, y1 = 0.0, y2 = 0.0;
    for (std::size_t i = 0; i < n + tail; ++i) {
        const double x0 = i < n ? x[i] : 0.0;
        const double out = (((f.b0 * x0 + f.b1 * x1) + f.b2 * x2) - f.a2 * y2) + f.a1 * y1;
        y[i] = out;
        y2 = y1;
        y1 = out;
        x2 = x1;
        x1 = x0;
    }
    return y;
}
