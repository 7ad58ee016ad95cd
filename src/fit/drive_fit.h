#pragma once

#include <ostream>

#include "fit/fit_folder.h"
#include "fit/fit_options.h"
#include "spec/spec_text.h"

// kolvane_fit --correct: the next drive from a measured shot, written into
// the output folder with its report. Returns the exit status: 0 written, 2
// it would exceed the shaker (nothing written), 1 unusable input.
int correctDriveInFolder(FitOptions options, const SpecText& spec, OutputFolder& folder, std::ostream& out,
                         std::ostream& err);
