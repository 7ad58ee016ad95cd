#pragma once

#include <string>

#include "export/exported_history.h"

// history.csv: '#' lines first (the sample rate, the step to 17 significant
// digits, each column's unit, the run's settings), then the header row
// "time_s,acceleration_<unit>,velocity_<unit>,displacement_<unit>" and one
// row per sample. Times are the index times the exact step, written so that
// they read back as those doubles; values as read or computed, likewise.
std::string historyCsv(const ExportedHistory& history);
