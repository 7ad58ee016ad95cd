#pragma once

#include <string>

#include "export/exported_history.h"

// history.csv: a plain CSV that any reader loads without options (pandas'
// read_csv, a spreadsheet): the header row
// "time_s,acceleration_<unit>,velocity_<unit>,displacement_<unit>" and one
// row per sample. Times are the index times the exact step, written so that
// they read back as those doubles; values as read or computed, likewise.
std::string historyCsv(const ExportedHistory& history);

// history.json, beside it: what the CSV cannot say in a plain table: the
// sample rate and the exact step, each column's unit, what the history is,
// its verdict, the specification's checksum and the run's settings.
std::string historyJson(const ExportedHistory& history);
