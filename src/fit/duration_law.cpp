#include "fit/duration_law.h"

#include <algorithm>
#include <cmath>

std::vector<std::pair<double, double>> smallestByDuration(const std::vector<AttemptRecord>& records,
                                                          const std::function<double(const AttemptRecord&)>& measure) {
    std::vector<std::pair<double, double>> smallest;
    for (const AttemptRecord& r : records) {
        if (r.refusal) continue;
        const double value = measure(r);
        if (value < 0.0) continue;
        const double d = r.plan.answers.duration;
        auto at = std::find_if(smallest.begin(), smallest.end(), [&](const auto& p) { return p.first == d; });
        if (at == smallest.end()) {
            smallest.push_back({d, value});
        } else {
            at->second = std::min(at->second, value);
        }
    }
    return smallest;
}

PowerLaw fitPowerLaw(const std::vector<std::pair<double, double>>& points) {
    PowerLaw law;
    if (points.size() < 2) return law;
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (const auto& [d, value] : points) {
        const double x = std::log(d), y = std::log(value);
        sx += x;
        sy += y;
        sxx += x * x;
        sxy += x * y;
    }
    const double n = static_cast<double>(points.size());
    law.exponent = (n * sxy - sx * sy) / (n * sxx - sx * sx);
    law.logCoefficient = (sy - law.exponent * sx) / n;
    law.fitted = std::isfinite(law.exponent) && std::isfinite(law.logCoefficient);
    return law;
}

double durationReaching(const std::vector<AttemptRecord>& records, ShakerQuantityKind kind, double limit) {
    const PowerLaw law = fitPowerLaw(smallestByDuration(records, [kind](const AttemptRecord& r) {
        const ShakerQuantity* q = quantityOf(r.shaker, kind);
        return q == nullptr ? -1.0 : q->peak;
    }));
    if (!law.fitted || !(law.exponent < -0.05)) return 0.0;
    return std::exp((std::log(limit) - law.logCoefficient) / law.exponent);
}
