#pragma once

#include <cstdint>

// The unit system answered in the dialogue: 1 = G, in/sec, in; 2 = G, m/sec, mm;
// 3 = m/sec^2, m/sec, mm. Accelerations are never converted; only velocity and
// displacement carry unit factors.
using UnitSystem = std::int32_t;

// The words for the three quantities, as the program's tables and files
// caption them: "G", "in/sec", "in" for unit system 1. Any system other
// than 1 or 2 is named as 3.
struct UnitNames {
    const char* acceleration;
    const char* velocity;
    const char* displacement;
};
UnitNames unitNamesOf(UnitSystem units);
