#pragma once

#include <optional>
#include <string>
#include <vector>

#include "run_folder/run_folder.h"
#include "spec/spec_text.h"

// The checks that the files judged belong together and to one run: before
// any verdict, the report refuses (exit status 1) files that come from
// different runs, or from a results step that did not finish, and warns about
// what does not stop a judgement.

struct ConsistencyOutcome {
    // The damping ratio the report judges at: the command line's when given,
    // else run.out's.
    double dampingRatio = 0.0;
    // Printed by the report; none of them stops the judgement.
    std::vector<std::string> warnings;
    // What the report says plainly, without a warning: the run synthesised
    // against the specification extended above its last point.
    std::vector<std::string> notes;
    // trials.out holds trials the last results step did not rank: the run
    // was interrupted and the files judged are its last checkpoint's.
    bool interrupted = false;
};

// `dampingOverride` is the damping ratio given on the command line (--q Q as
// 1 / (2 Q), or --damping ZETA), if any. False, with a message naming the
// files involved, when the files do not belong together:
// - no run.out and no damping on the command line;
// - accel.out, velox.out, disp.out or srs.out older than run.out;
// - grid, units or row counts other than run.out records;
// - srs.out differing from an independent SRS of accel.out at srs.out's own
//   frequencies by more than the two algorithms can differ.
// Warnings: an interrupted run; a specification file other than the run's;
// a command-line damping other than the run's.
// `judged` is the specification the run is judged against, if any (an export
// judges none).
bool checkRunConsistency(const RunFolder& inputs, const SpecText* judged, std::optional<double> dampingOverride,
                         ConsistencyOutcome& outcome, std::string& error);

// How far, relatively, srs.out and the independent SRS of the same history
// may differ at a natural frequency sampled `samplesPerPeriod` (fs / fn)
// times a cycle, for the damping ratio both are computed at. Calibrated on
// the main program's own histories, with a margin of two.
double srsAgreementAllowance(double samplesPerPeriod, double dampingRatio);
