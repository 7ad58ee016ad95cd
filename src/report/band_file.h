#pragma once

#include <string>
#include <vector>

#include "report/acceptance_types.h"

// A band file gives tolerance bands that change with frequency, one row per
// line: from_Hz to_Hz low_dB high_dB. A '#' starts a comment that runs to the
// end of the line; blank lines are skipped. Rows are in ascending frequency and
// do not overlap (one row may start where the previous one ends).

// Reads `path`; false with a message naming the file and line on a bad row.
bool readBandFile(const std::string& path, std::vector<BandRow>& rows, std::string& error);

// The same rules on text already in memory; `name` is used in messages.
bool parseBandText(const std::string& text, const std::string& name, std::vector<BandRow>& rows,
                   std::string& error);

// The band at frequency f: the row that covers it (on a boundary shared by two
// rows, the overlap of both), or `fallback` where no row does.
DbBand bandAt(const std::vector<BandRow>& rows, double f, DbBand fallback);
