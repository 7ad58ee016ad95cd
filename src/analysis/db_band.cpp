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
