#pragma once

#include <cstddef>
#include <string>

// Whole files read and written in one go, for the commands around the program.

// Largest file readWholeFile takes unless told otherwise.
constexpr std::size_t defaultReadLimitBytes = std::size_t{1} << 20;

// Reads the regular file at `path` into `text`. False, with `reason` set to
// why, when it cannot be read: it is missing or unreadable (the system's
// words), it is a folder, it is not a regular file (a device or a pipe,
// which could be endless or never end), or it is larger than `limitBytes`.
bool readWholeFile(const std::string& path, std::string& text, std::string& reason,
                   std::size_t limitBytes = defaultReadLimitBytes);

// Creates a new, empty file beside `path` under a name of its own
// (".NAME.PID.N.tmp"), never an existing file or link, with the mode a new
// file gets. Returns its open descriptor, its path in `temporary`; -1, with
// errno set, when it cannot be created.
int createTemporaryBeside(const std::string& path, std::string& temporary);

// Writes `text` to `path` whole: into a temporary file in the same folder,
// every write and the close checked, then renamed over `path`. A link named
// `path` is replaced, never followed; a file that cannot be written whole
// leaves any previous one as it was. False, with a message naming the file,
// when it cannot be written.
bool writeTextFile(const std::string& path, const std::string& text, std::string& error);

// writeTextFile in two steps, for a set of files that go into place together
// or not at all: the text whole in a new temporary beside `path` (named in
// `temporary`), then the rename over `path`. Either step removes the
// temporary when it fails.
bool stageTextFile(const std::string& path, const std::string& text, std::string& temporary, std::string& error);
bool publishStagedFile(const std::string& temporary, const std::string& path, std::string& error);
