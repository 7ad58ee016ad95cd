#pragma once

#include <string>

// Whole files read and written in one go, for the commands around the program.

// Reads the file at `path` into `text`. False, with `reason` set to why (the
// system's words), when it cannot be read.
bool readWholeFile(const std::string& path, std::string& text, std::string& reason);

// Writes `text` to `path` whole, replacing the file. False, with a message
// naming the file, when it cannot be written.
bool writeTextFile(const std::string& path, const std::string& text, std::string& error);
