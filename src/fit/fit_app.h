#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "fit/fit_exit_status.h"


// The whole command, arguments without the program name: the attempts, each
// in OUTPUT_DIR/attempts/N/, one progress line each and the verdict on
// `out`; then the kept attempt's files, its report, answers.txt and fit.json
// in OUTPUT_DIR. Returns the exit status.
int runFit(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The fit's typed door: the same on options given as values (the Python
// module's), the shaker already read when `options.shaker` holds it.
struct FitOptions;
int fitSpecification(FitOptions options, std::ostream& out, std::ostream& err);
