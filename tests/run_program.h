#pragma once

#include <string>
#include <vector>

// Runs the real executable in `workDir` with `answers` on standard input and
// no controlling terminal (so the final key press does not wait).
struct ProgramRun {
    std::string console;
    int exitStatus = -1;
};

ProgramRun runKolvane(const std::string& workDir, const std::string& answers,
                      const std::vector<std::string>& arguments = {});

// Runs the whole program inside this process with `threadCount` threads,
// working in `workDir`. Returns the console text.
ProgramRun runInProcess(const std::string& workDir, const std::string& answers, int threadCount);

// A fresh empty directory under the system's temporary folder, or under `parent`.
std::string makeTempDir();
std::string makeTempDirIn(const std::string& parent);
void removeTree(const std::string& dir);

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& text);
bool fileExists(const std::string& path);
std::vector<std::string> splitLines(const std::string& text);
