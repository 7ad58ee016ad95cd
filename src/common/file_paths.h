#pragma once

#include <string>

// `name` inside `folder`: the name as it stands when the folder is "." or
// empty (the working directory) or the name is an absolute path.
std::string pathInFolder(const std::string& folder, const std::string& name);

// Whether the two paths name one existing file (through links, or as two
// names of one file); false when either does not exist.
bool sameFile(const std::string& a, const std::string& b);
