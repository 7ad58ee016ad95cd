#pragma once

#include <string>

#include "results/run_record.h"

// Reads run.out. False, with a message naming the file, when it cannot be
// opened, does not hold a complete record, or holds a value no run of the
// program could have written (checkRunRecordValues).
bool readRunRecord(const std::string& path, RunRecord& record, std::string& error);

// Whether every value of the record is one a run of the program writes: the
// answers within what the program accepts, the derived values as it derives
// them from those answers. False, with `error` naming the field, otherwise.
bool checkRunRecordValues(const RunRecord& record, std::string& error);
