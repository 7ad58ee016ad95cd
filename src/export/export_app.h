#pragma once

#include <ostream>
#include <string>
#include <vector>

constexpr int exportWritten = 0;
constexpr int exportUnusableInput = 1;

extern const char* const exportUsage;

// Reads a --format list: csv, uff and mat, comma-separated, each kept once
// in the order given. False, with `error` set, when it names anything else
// or nothing.
bool parseExportFormats(const std::string& list, std::vector<std::string>& formats, std::string& error);

// The names of the files kolvane_export writes, for the formats asked for.
std::vector<std::string> exportFileNames(const std::vector<std::string>& formats);

// The whole command, arguments without the program name: reads the run in
// OUTPUT_DIR (run.out, accel.out, velox.out, disp.out, checked as the report
// checks them), resamples it when --rate asks and checks the result, and
// writes history.csv, history.uff and history.mat. Returns the exit status.
int runExport(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
