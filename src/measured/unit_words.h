#pragma once

#include <optional>
#include <string>
#include <vector>

#include "model/units.h"

// The unit in a heading: the text in its last parentheses or brackets, or
// after its last '_' ("Control 1 (g)" gives "g", "acceleration_G" "G").
std::string unitInHeading(const std::string& heading);

// A unit word read as an acceleration unit: G, the SI unit, or neither.
enum class AccelUnitKind { none, g, si };
AccelUnitKind accelUnitKind(const std::string& unit);

// The unit system of a record from the acceleration's unit as the file names
// it (empty when it does not), the velocity's when it names one (our own
// exports do), and --units. False, with `error`, when they disagree, or
// nothing says.
bool resolveUnits(const std::string& accelUnit, const std::string& velocityUnit, const std::optional<UnitSystem>& given,
                  const std::string& where, UnitSystem& system, std::vector<std::string>& notes, std::string& error);
