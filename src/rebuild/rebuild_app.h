#pragma once

#include <ostream>
#include <string>
#include <vector>

// kolvane_rebuild RUN_DIR OUTPUT_DIR: the history a run folder holds, made
// again from the exact wavelets its run.out records (a synthesis, not a
// rerun of the program or of the refinement): wavelet.out, accel.out,
// velox.out, disp.out and srs.out, byte for byte, into OUTPUT_DIR.
constexpr int rebuildWritten = 0;
constexpr int rebuildUnusable = 1;

extern const char* const rebuildUsage;

int runRebuild(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
