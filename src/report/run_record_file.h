#pragma once

#include <string>

#include "results/run_record.h"

// Reads run.out. False, with a message naming the file, when it cannot be
// opened or does not hold a complete record.
bool readRunRecord(const std::string& path, RunRecord& record, std::string& error);
