#pragma once

#include <cstdint>

// The unit system answered in the dialogue: 1 = G, in/sec, in; 2 = G, m/sec, mm;
// 3 = m/sec^2, m/sec, mm. Accelerations are never converted.
using UnitSystem = std::int32_t;

constexpr int maxFileNameLength = 259;

// The dialogue's answers and the derived sampling. Read-only after the dialogue,
// except timeStep and sampleCount, which the first results step may replace.
struct RunParameters {
    char specFileName[maxFileNameLength + 1] = {};
    double zpa = 0.0;
    std::int32_t spacingChoice = 0;
    double dampingRatio = 0.0;
    double duration = 0.0;
    std::int32_t trialCount = 0;
    UnitSystem units = 0;
    std::int32_t skipCount = 0;

    double timeStep = 0.0;
    std::int32_t sampleCount = 0;
};
