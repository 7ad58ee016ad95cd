#pragma once

#include <string>

#include "export/exported_history.h"

// history.uff: Universal File Format, dataset 58 (function at nodal DOF) in
// ASCII, one dataset each for the acceleration, the velocity and the
// displacement: function type 1 (time response), real double precision
// ordinates (type 4), even abscissa spacing from 0, time as the abscissa
// (specific data type 17) and acceleration, velocity or displacement (12, 11,
// 8) as the ordinate with its unit label, four values a line as E20.12. The
// step is stored in the format's 13-character field with seven significant
// digits, which hold the round controller rates' steps exactly. `created`
// goes to ID line 3 (DD-MMM-YY HH:MM:SS), what the history is and its
// verdict to ID line 4.
std::string historyUff58(const ExportedHistory& history, const std::string& created);

// Now, or SOURCE_DATE_EPOCH's time, as ID line 3 wants it.
std::string uffCreationTime();
