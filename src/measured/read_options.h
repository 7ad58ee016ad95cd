#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "model/units.h"

// How to read a file: --column [TIME,]ACCEL (heading names or 1-based column
// numbers; variable names in a .mat file), --record N (a UFF file's Nth
// dataset 58), --units 1|2|3 for a file that does not say its unit.
struct MeasuredReadOptions {
    std::string timeColumn;
    std::string accelColumn;
    int record = 0;  // 0: the first time response of acceleration
    std::optional<UnitSystem> units;
};

// The most samples a measured record may hold: two minutes at 409.6 kHz.
constexpr std::size_t maxMeasuredSamples = 50'000'000;
