#pragma once

#include <cstdio>
#include <string>

// A result file written under a temporary name in its folder and renamed over
// its real name only once complete, so a run stopped at any moment leaves
// either the previous file or the new one, whole. The rename replaces a link
// of that name, never the file it points to.
struct OutputFile {
    std::FILE* stream = nullptr;
    std::string name;           // as messages name it
    std::string path;           // in its folder
    std::string temporaryPath;  // ".NAME.PID.tmp" beside it
};

// Creates the temporary file for `name` in `folder`. False when it cannot be
// created.
bool openOutputFile(OutputFile& file, const std::string& folder, const char* name);

// For a file written as the run goes (trials.out): created under the
// temporary name and renamed into place at once, so that a link of that name
// is replaced, not followed, and every row shows as soon as it is flushed.
// False (and nothing left behind) when it cannot be created.
bool openStreamedOutputFile(OutputFile& file, const std::string& folder, const char* name);

// Flushes, checks every write, closes and renames into place. False (and the
// temporary removed) when anything failed.
bool commitOutputFile(OutputFile& file);

// Closes and removes the temporary file, leaving any previous file in place.
void discardOutputFile(OutputFile& file);
