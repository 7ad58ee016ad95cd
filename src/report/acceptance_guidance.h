#pragma once

#include "report/acceptance_types.h"

// Fills outcome.guidance from the judged points, the run's settings and the
// specification:
// - the ZPA that puts the midpoint of the observed maximax deviations (each
//   taken from its band's centre) on the band's centre; the response scales
//   linearly with the ZPA, so a shift of s dB is a factor 10^(s/20); when the
//   specification is to be extended, the points above the last grid point
//   are left out of the centring;
// - a finer spacing when points between synthesis grid points fail and would
//   still fail at the suggested ZPA;
// - a specification point one grid step above the last grid point, at the
//   last level, when the SRS falls short above the last grid point.
void computeGuidance(const SpecTable& spec, AcceptanceOutcome& outcome);
