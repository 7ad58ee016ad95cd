#pragma once

#include <optional>
#include <string>
#include <vector>

#include "report/acceptance.h"

struct FitOptions {
    std::string specPath;
    std::string outputDir;
    // The dialogue's answers the engineer may fix; the rest the fit chooses.
    std::optional<double> zpa;       // first ZPA; default a third of the largest level
    std::optional<double> duration;  // default the program's recommendation, 2 / f_first
    double q = 10.0;
    int trialCount = 300;
    int units = 1;
    int pointsPerOctave = 6;         // the first attempt's spacing
    int attemptLimit = 6;
    // The acceptance check, and the same options word for word for the report.
    AcceptanceRules rules;
    std::vector<std::string> judgingArgs;
    bool help = false;
};

extern const char* const fitUsage;

// Arguments without the program name. "--name=value" and "--name value" both work.
bool parseFitOptions(const std::vector<std::string>& args, FitOptions& options, std::string& error);
