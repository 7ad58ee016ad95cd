#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/units.h"
#include "run_folder/export_record.h"

// A run's history as the exports write it: the acceleration, velocity and
// displacement at every sample of an even step from t = 0, in the run's
// units, with the last sample the zero the record ends on.
struct ExportedHistory {
    double timeStep = 0.0;  // seconds, exact
    std::vector<double> acceleration;
    std::vector<double> velocity;
    std::vector<double> displacement;
    UnitNames units{"G", "in/sec", "in"};
    bool resampled = false;
    // What names the run: its folder, its settings and its specification.
    std::string folder;
    std::vector<std::string> settings;  // "key = value" lines, run.out's
    // What the history is and what was found of it: "plain run", "refined
    // history" or "drive"; "PASS", "FAIL..." or "not judged" and where from;
    // the checksum of the specification it was judged against (run.out's own
    // when it was not judged).
    std::string kind = "plain run";
    std::string verdict = "not judged";
    std::uint64_t specificationChecksum = 0;
    bool specificationJudged = false;
    // accel.out's checksum, which ties the metadata to the history; the
    // files written with it; what the export checked.
    std::string historyChecksum;
    std::vector<ExportedFile> files;
    std::string check;
};

// The sample rate, 1 / timeStep.
double sampleRateOf(const ExportedHistory& history);

// The time of sample i: the index times the exact step.
inline double sampleTimeOf(const ExportedHistory& history, std::size_t i) {
    return static_cast<double>(i) * history.timeStep;
}

// The shortest text that reads back as exactly `value`.
std::string roundTripText(double value);
void appendRoundTrip(std::string& out, double value);
