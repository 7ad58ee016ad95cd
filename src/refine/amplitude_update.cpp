#include "refine/amplitude_update.h"

#include <algorithm>
#include <cmath>

namespace {

// Solves the symmetric positive definite system a x = b (a is n x n, row
// major) by Cholesky's factorisation, in place; false when a is not
// positive definite.
bool solveSymmetric(std::vector<double>& a, std::vector<double>& b, std::size_t n) {
    for (std::size_t j = 0; j < n; ++j) {
        double diagonal = a[j * n + j];
        for (std::size_t k = 0; k < j; ++k) diagonal -= a[j * n + k] * a[j * n + k];
        if (!(diagonal > 0.0)) return false;
        const double root = std::sqrt(diagonal);
        a[j * n + j] = root;
        for (std::size_t i = j + 1; i < n; ++i) {
            double sum = a[i * n + j];
            for (std::size_t k = 0; k < j; ++k) sum -= a[i * n + k] * a[j * n + k];
            a[i * n + j] = sum / root;
        }
    }
    for (std::size_t i = 0; i < n; ++i) {
        double sum = b[i];
        for (std::size_t k = 0; k < i; ++k) sum -= a[i * n + k] * b[k];
        b[i] = sum / a[i * n + i];
    }
    for (std::size_t i = n; i-- > 0;) {
        double sum = b[i];
        for (std::size_t k = i + 1; k < n; ++k) sum -= a[k * n + i] * b[k];
        b[i] = sum / a[i * n + i];
    }
    return true;
}

}  // namespace

std::vector<double> updateAmplitudes(const std::vector<double>& amplitudes, const std::vector<PeakAim>& aims,
                                     const AmplitudeUpdateSettings& settings) {
    const std::size_t n = amplitudes.size();
    std::vector<double> normal(n * n, 0.0);
    std::vector<double> rhs(n, 0.0);
    double totalWeight = 0.0;
    for (const PeakAim& aim : aims) {
        const PeakRow& row = *aim.row;
        if (!(row.value > 0.0) || !std::isfinite(aim.errorDb)) continue;
        const double asked = std::clamp(settings.exponent * aim.errorDb, -settings.capDb, settings.capDb);
        // The miss in shares of the peak: (gains . change - wanted) / peak.
        const double wanted = row.value * (std::pow(10.0, asked / 20.0) - 1.0);
        const double scale = aim.weight / (row.value * row.value);
        totalWeight += aim.weight;
        for (std::size_t j = 0; j < n; ++j) {
            const double gj = row.gains[j];
            if (gj == 0.0) continue;
            rhs[j] += scale * gj * wanted;
            for (std::size_t k = 0; k <= j; ++k) normal[j * n + k] += scale * gj * row.gains[k];
        }
    }
    double largestAmplitude = 0.0;
    for (const double a : amplitudes) largestAmplitude = std::max(largestAmplitude, std::fabs(a));
    if (!(totalWeight > 0.0) || !(largestAmplitude > 0.0)) return amplitudes;
    for (std::size_t j = 0; j < n; ++j) {
        for (std::size_t k = 0; k < j; ++k) normal[k * n + j] = normal[j * n + k];
        const double size = std::max(std::fabs(amplitudes[j]), 0.1 * largestAmplitude);
        normal[j * n + j] += settings.damping * totalWeight / (size * size);
    }
    if (!solveSymmetric(normal, rhs, n)) return amplitudes;
    std::vector<double> updated = amplitudes;
    for (std::size_t j = 0; j < n; ++j) updated[j] += rhs[j];
    return updated;
}
