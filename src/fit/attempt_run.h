#pragma once

#include <string>

struct AttemptRun {
    int exitStatus = 1;
    std::string console;  // everything the program printed
};

// One whole run of the program inside this process, in the folder `dir`
// (which must exist and hold the specification file), with `answers` as its
// standard input and its console captured. The working directory is
// restored afterwards. The files written are those kolvane_zpa writes for
// the same answers.
AttemptRun runAttempt(const std::string& dir, const std::string& answers, int threadCount);

// The program's last error message on `console`, trimmed; empty when none.
std::string programErrorText(const std::string& console);
