#include "analysis/db_band.h"

#include <algorithm>
#include <cmath>
#include <limits>

double deviationDb(double response, double specLevel) { return 20.0 * std::log10(response / specLevel); }

bool withinBand(double db, DbBand band) { return db >= band.lowDb && db <= band.highDb; }

double marginToBand(double db, DbBand band, bool& upperEdge) {
    upperEdge = false;
    if (std::isnan(db)) return -std::numeric_limits<double>::infinity();
    const double belowUpper = band.highDb - db;
    const double aboveLower = db - band.lowDb;
    upperEdge = belowUpper < aboveLower;
    return std::min(belowUpper, aboveLower);
}

DeviationSpread spreadOf(const std::vector<double>& deviationsDb, double withinDb) {
    DeviationSpread spread;
    if (deviationsDb.empty()) return spread;
    std::vector<double> sorted = deviationsDb;
    std::sort(sorted.begin(), sorted.end());
    const std::size_t n = sorted.size();
    spread.minDb = sorted.front();
    spread.maxDb = sorted.back();
    spread.medianDb = n % 2 == 1 ? sorted[n / 2] : 0.5 * (sorted[n / 2 - 1] + sorted[n / 2]);
    std::size_t within = 0;
    for (const double d : sorted) within += std::fabs(d) <= withinDb ? 1 : 0;
    spread.withinShare = static_cast<double>(within) / static_cast<double>(n);
    return spread;
}
