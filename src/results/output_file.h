#pragma once

#include <cstdio>
#include <string>

// A result file written under a temporary name in the working directory and
// renamed over its real name only once complete, so a run stopped at any
// moment leaves either the previous file or the new one, whole.
struct OutputFile {
    std::FILE* stream = nullptr;
    std::string name;
    std::string temporaryName;
};

// Creates the temporary file. False when it cannot be created.
bool openOutputFile(OutputFile& file, const char* name);

// Flushes, checks every write, closes and renames into place. False (and the
// temporary removed) when anything failed.
bool commitOutputFile(OutputFile& file);

// Closes and removes the temporary file, leaving any previous file in place.
void discardOutputFile(OutputFile& file);
