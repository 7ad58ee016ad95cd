#pragma once

#include <string>

#include "export/exported_history.h"

// history.mat: a MATLAB level 5 file, written with matio, holding t,
// acceleration, velocity and displacement (1 x N rows of doubles),
// sample_rate and dt (scalars) and units (a string naming each column's
// unit). Written to a temporary file in the same folder and renamed into
// place. False, with `error` naming the file, when it cannot be written.
bool writeHistoryMat(const std::string& path, const ExportedHistory& history, std::string& error);

// The same, left in its temporary (named in `temporary`) for
// publishStagedFile to put in place.
bool stageHistoryMat(const std::string& path, const ExportedHistory& history, std::string& temporary,
                     std::string& error);
