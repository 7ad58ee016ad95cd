#pragma once

#include <string>
#include <vector>

// The names a fit gives what it writes in its output folder.

// The lock file's name: hidden, and the fit's own.
constexpr const char* fitLockFileName = ".kolvane_fit.lock";
// The fit's record of its attempts, and the report's table of the kept one.
constexpr const char* fitRecordFileName = "fit.json";
constexpr const char* fitTableFileName = "report.txt";
// Each attempt runs in attempts/N, its console in console.txt there.
constexpr const char* attemptsFolderName = "attempts";
constexpr const char* attemptConsoleFileName = "console.txt";
std::string attemptFolderName(int number);

// Every file the fit may write at the top of its output folder, besides the
// specification it names: the run's, the answers, its own, the report's and
// the export's.
std::vector<std::string> fitOutputNames();
