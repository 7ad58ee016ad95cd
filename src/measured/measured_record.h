#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "measured/read_options.h"
#include "model/units.h"

// A shot as a controller or recorder saved it: one acceleration channel,
// sampled uniformly, with where its samples came from in the file.

enum class MeasuredFormat { text, uff58, mat };

struct MeasuredRecord {
    std::string path;
    std::uint64_t checksum = 0;  // FNV-1a 64 of the file's bytes
    MeasuredFormat format = MeasuredFormat::text;
    std::string channel;               // which column, record or variable, in words
    double startTime = 0.0;            // the first sample's time in the file, seconds
    double timeStep = 0.0;             // the record's length over its intervals
    std::vector<double> acceleration;  // as the file holds it, in its unit
    UnitSystem unitSystem = 0;         // resolved from the file and --units
    std::vector<std::string> notes;    // what was chosen or assumed, plainly
};

// Reads the file at `path`: a .mat file through matio, a file whose first
// line is a UFF delimiter as UFF dataset 58 (ASCII), anything else as CSV
// or whitespace-separated text. False, with `error` naming the file and
// saying why, when it cannot be judged: no acceleration channel found, a
// step that is not uniform, a value that is not finite, no unit.
bool readMeasuredRecord(const std::string& path, const MeasuredReadOptions& options, MeasuredRecord& record,
                        std::string& error);
