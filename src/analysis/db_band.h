#pragma once

#include <vector>

// A deviation band in dB, 20 log10(response / specification); a point on an
// edge passes.
struct DbBand {
    double lowDb = -3.0;
    double highDb = 6.0;
};

// 20 log10(response / specLevel): zero, infinite or not-a-number responses
// give values that no band holds.
double deviationDb(double response, double specLevel);

bool withinBand(double db, DbBand band);

// Distance of `db` to the nearer edge of `band`, negative outside; -infinity
// for a deviation that is not a number. `upperEdge` tells which edge.
double marginToBand(double db, DbBand band, bool& upperEdge);

// How a set of deviations in dB spreads: what an engineer compares two
// histories by at a glance.
struct DeviationSpread {
    double minDb = 0.0;
    double maxDb = 0.0;
    double medianDb = 0.0;
    double withinShare = 0.0;  // share of the deviations within +-withinDb
};

// `withinDb` is the half width of the band counted in withinShare.
DeviationSpread spreadOf(const std::vector<double>& deviationsDb, double withinDb);
