#include "report/independent_srs.h"

#include <cmath>

// First cut: the ramp-invariant filter at the record's own sample rate, with
// no upsampling yet.
//   y[n] = b0 x[n] + b1 x[n-1] + b2 x[n-2] + 2 C y[n-1] - E^2 y[n-2]
IndependentSrs computeIndependentSrs(const std::vector<double>& acceleration, double timeStep,
                                     const std::vector<double>& frequencies, IndependentSrsSettings settings) {
    IndependentSrs srs;
    srs.frequency = frequencies;
    const double zeta = settings.dampingRatio;
    const std::size_t tail = static_cast<std::size_t>(std::ceil(settings.tailSeconds / timeStep));
    const double pi = std::atan2(0.0, -1.0);
    for (const double fn : frequencies) {
        const double wn = 2.0 * pi * fn;
        const double wd = wn * std::sqrt(1.0 - zeta * zeta);
        const double e = std::exp(-zeta * wn * timeStep);
        const double b = wd * timeStep;
        const double c = e * std::cos(b);
        const double s = e * std::sin(b);
        const double sb = s / b;
        const double b0 = 1.0 - sb;
        const double b1 = 2.0 * (sb - c);
        const double b2 = e * e - sb;
        double x1 = 0.0, x2 = 0.0, y1 = 0.0, y2 = 0.0, high = 0.0, low = 0.0;
        for (std::size_t i = 0; i < acceleration.size() + tail; ++i) {
            const double x = i < acceleration.size() ? acceleration[i] : 0.0;
            const double y = b0 * x + b1 * x1 + b2 * x2 + 2.0 * c * y1 - e * e * y2;
            if (y > high) high = y;
            if (y < low) low = y;
            x2 = x1;
            x1 = x;
            y2 = y1;
            y1 = y;
        }
        srs.positive.push_back(high);
        srs.negative.push_back(-low);
    }
    return srs;
}
