#pragma once

#include <ostream>
#include <string>
#include <vector>

constexpr int exportWritten = 0;
constexpr int exportUnusableInput = 1;

extern const char* const exportUsage;

// The whole command, arguments without the program name: reads the run in
// OUTPUT_DIR and hands it to exportHistory. Returns the exit status.
int runExport(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
