#pragma once

#include <string>

#include "spec/spec_table.h"

// The specification file an attempt runs on, handled as text so that an
// extension keeps every original line exactly as the engineer wrote it.

// The points of a specification text the fit has accepted (readSpecText).
// False when the text is not such a table.
bool readSpecificationText(const std::string& text, SpecTable& table);

// The name a specification gets in the attempt folders and the output folder:
// the file's own name when the program's dialogue can take it as one answer
// and no output file has it, otherwise "specification.srs".
std::string specFileNameFor(const std::string& path);

// "pyroshock.srs" -> "pyroshock_extended.srs"; an extended name stays as it is.
std::string extendedSpecFileName(const std::string& fileName);

// The numeric text with one more point, frequency and level written exactly,
// on a line of its own after the last one.
std::string extendedSpecText(const std::string& text, double frequency, double level);
