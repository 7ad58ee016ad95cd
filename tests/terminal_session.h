#pragma once

#include <sys/types.h>

#include <string>

// The real executable with a pseudo-terminal as its controlling terminal, as
// when a user starts it by hand. Standard input and output are the terminal
// too, unless redirected to files; echo and output translation are off, so the
// transcript holds the program's own bytes.
struct TerminalSession {
    int master = -1;
    pid_t pid = -1;
    std::string transcript;  // everything the program wrote to the terminal
    bool ended = false;
    int exitStatus = -1;     // once ended: the program's status, or 128 + signal
};

struct TerminalRedirections {
    std::string inputFile;   // standard input from this file, if not empty
    std::string outputFile;  // standard output into this file, if not empty
};

TerminalSession startOnTerminal(const std::string& workDir, const TerminalRedirections& redirections = {});

// Reads until the transcript ends with `text`; false after `seconds` without.
bool waitForEnding(TerminalSession& session, const std::string& text, int seconds);

// Keys typed at the terminal; "\x04" is Ctrl-D at the start of a line.
void typeKeys(TerminalSession& session, const std::string& keys);

// Whether the program is still running, without waiting.
bool stillRunning(TerminalSession& session);

// Waits up to `seconds` for the program to end and returns its exit status;
// -1 if it had to be killed.
int finishSession(TerminalSession& session, int seconds);
