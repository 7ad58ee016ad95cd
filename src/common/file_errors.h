#pragma once

#include <cstdio>

// Prints "\n\n Error: cannot write NAME \n\n" and returns false: the one
// report for an output file that could not be created or written, whichever
// step owns the file.
bool reportUnwritable(const char* name, std::FILE* console);
