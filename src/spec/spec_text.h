#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "spec/spec_table.h"

// The strict reading of a specification that the acceptance check and the fit
// judge against. The program reads its file loosely (it stops at the first
// word that is not a number); a table judged as if whole when it was read
// only in part would pass a test that was never checked. So every word must
// be a finite number, the numbers must pair up into positive, strictly
// ascending frequencies with positive levels, and there are at most 200
// pairs. Two things spreadsheets write are forgiven, each with a note: a
// UTF-8 byte-order mark, and one heading line before the numbers.
struct SpecText {
    SpecTable table;                 // slopes computed
    std::vector<std::string> notes;  // what was forgiven, one sentence each
    // The text the program reads as the same table: the numeric lines alone,
    // as written (without the mark and the heading).
    std::string numericText;
    // FNV-1a 64 of every byte of the text, as run.out records its file's.
    std::uint64_t checksum = 0;
    // The file it was read from (readSpecTextFile); empty for a text given
    // otherwise.
    std::string path;
};

// The widest span a judged specification may have: the program's 200-point
// grid at 1/3 octave.
constexpr double maxSpecOctaves = 199.0 / 3.0;

// Reads `text`, naming `name` in the notes and the error. False, with `error`
// naming the line and the word where the reading fails, when the text is not
// a table the program would read whole.
bool readSpecText(const std::string& text, const std::string& name, SpecText& spec, std::string& error);

// Reads the file at `path` (a regular file of at most a megabyte) and then its
// text as above, naming the file as "specification file PATH".
bool readSpecTextFile(const std::string& path, SpecText& spec, std::string& error);
