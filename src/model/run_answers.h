#pragma once

#include <cstdint>
#include <string>

#include "model/units.h"

// Longest specification file name the dialogue takes.
constexpr int maxFileNameLength = 259;

// The answers a run is made of, as the dialogue accepts them. A run reads
// them and never changes them.
struct RunAnswers {
    std::string specFileName;   // as answered: recorded in run.out
    double zpa = 0.0;           // acceleration unit of `units`
    std::int32_t spacingChoice = 0;  // 2 = 1/6, 3 = 1/12 octave, anything else 1/3
    double dampingRatio = 0.0;
    double duration = 0.0;      // seconds
    std::int32_t trialCount = 0;
    UnitSystem units = 0;
    std::int32_t skipCount = 0; // skipCount - 1 draws are discarded before every trial
};
