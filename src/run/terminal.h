#pragma once

#include <cstdio>

// Whether `stream` is a terminal: someone types the answers and reads the
// prompts. False for files, pipes and memory streams.
bool isTerminal(std::FILE* stream);
