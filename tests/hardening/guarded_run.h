#pragma once

#include <string>
#include <vector>

// A run of the real executable that cannot hang the suite and whose standard
// error is kept, so that a sanitizer report or a stray message is seen.
struct GuardedRun {
    std::string console;
    std::string errors;
    int exitStatus = -1;   // the program's own status, or 128 + signal
    bool timedOut = false;
};

struct GuardOptions {
    // Result files whose temporary (named with the child's process id) is made
    // a link to /dev/full before the program starts, so writing it fails.
    std::vector<std::string> fullTemporaries;
    // Run as the unprivileged user "nobody" (only when started as root), for
    // whom file permissions hold.
    bool asNobody = false;
};

// Runs the program in `workDir` with `answers` on standard input and no
// controlling terminal, killing it after `seconds`.
GuardedRun runGuarded(const std::string& workDir, const std::string& answers, int seconds,
                      const GuardOptions& options = {});

// The temporary name a process writes result file `name` under.
std::string temporaryNameOf(const std::string& name, long pid);

// Names in `dir` that look like a result file's temporary.
std::vector<std::string> leftoverTemporaries(const std::string& dir);

// Runs under AddressSanitizer are several times slower; the longest cases
// shrink there.
bool sanitizedBuild();
