#pragma once

#include <functional>
#include <utility>
#include <vector>

#include "fit/fit_record.h"

// How a measure of the attempts falls as the duration grows: a longer
// history lets its lowest wavelets build up over more cycles, with less
// amplitude, so that the stroke and velocity it needs fall about as a power
// of the duration.

// The smallest of `measure` over the attempts at each duration tried, where
// the attempt has it (a measure below zero means it has not): (duration,
// smallest) pairs, in the order the durations were first tried.
std::vector<std::pair<double, double>> smallestByDuration(const std::vector<AttemptRecord>& records,
                                                          const std::function<double(const AttemptRecord&)>& measure);

// value = coefficient duration^exponent, the least-squares line on log-log
// axes through the points; no fit with fewer than two durations.
struct PowerLaw {
    bool fitted = false;
    double exponent = 0.0;
    double logCoefficient = 0.0;
};
PowerLaw fitPowerLaw(const std::vector<std::pair<double, double>>& points);

// The duration at which the peak of `kind` meets `limit`, by the power law
// through the smallest peak measured at each duration; 0 when the measured
// peaks do not fall with the duration.
double durationReaching(const std::vector<AttemptRecord>& records, ShakerQuantityKind kind, double limit);
