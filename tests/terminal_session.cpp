#include "terminal_session.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>

namespace {

// Appends what the terminal holds, waiting up to `milliseconds` for the first
// byte. False once the program's side of the terminal is closed.
bool readSome(TerminalSession& session, int milliseconds) {
    pollfd ready{session.master, POLLIN, 0};
    if (poll(&ready, 1, milliseconds) <= 0) return true;
    char buffer[4096];
    const ssize_t got = read(session.master, buffer, sizeof buffer);
    if (got <= 0) return false;
    session.transcript.append(buffer, static_cast<std::size_t>(got));
    return true;
}

bool endsWith(const std::string& text, const std::string& ending) {
    return text.size() >= ending.size() && text.compare(text.size() - ending.size(), ending.size(), ending) == 0;
}

}  // namespace

TerminalSession startOnTerminal(const std::string& workDir, const TerminalRedirections& redirections) {
    TerminalSession session;
    session.pid = forkpty(&session.master, nullptr, nullptr, nullptr);
    if (session.pid == 0) {
        termios mode{};
        tcgetattr(STDIN_FILENO, &mode);
        mode.c_lflag &= static_cast<tcflag_t>(~ECHO);
        mode.c_oflag &= static_cast<tcflag_t>(~OPOST);
        tcsetattr(STDIN_FILENO, TCSANOW, &mode);
        if (chdir(workDir.c_str()) != 0) _exit(127);
        if (!redirections.inputFile.empty()) {
            const int in = open(redirections.inputFile.c_str(), O_RDONLY);
            if (in < 0 || dup2(in, STDIN_FILENO) < 0) _exit(127);
        }
        if (!redirections.outputFile.empty()) {
            const int out = open(redirections.outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (out < 0 || dup2(out, STDOUT_FILENO) < 0) _exit(127);
        }
        execl(KOLVANE_EXE, KOLVANE_EXE, static_cast<char*>(nullptr));
        _exit(127);
    }
    return session;
}

bool waitForEnding(TerminalSession& session, const std::string& text, int seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!endsWith(session.transcript, text)) {
        if (std::chrono::steady_clock::now() > deadline || !readSome(session, 100)) return false;
    }
    return true;
}

void typeKeys(TerminalSession& session, const std::string& keys) {
    [[maybe_unused]] const ssize_t written = write(session.master, keys.data(), keys.size());
}

bool stillRunning(TerminalSession& session) {
    int status = 0;
    if (session.ended || waitpid(session.pid, &status, WNOHANG) == 0) return !session.ended;
    session.ended = true;
    session.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return false;
}

int finishSession(TerminalSession& session, int seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (stillRunning(session) && std::chrono::steady_clock::now() < deadline) {
        if (!readSome(session, 100)) usleep(10000);
    }
    const bool killed = stillRunning(session);
    if (killed) {
        kill(session.pid, SIGKILL);
        int status = 0;
        waitpid(session.pid, &status, 0);
    }
    // What the program wrote just before it ended.
    pollfd ready{session.master, POLLIN, 0};
    while (poll(&ready, 1, 0) > 0 && readSome(session, 0)) {
    }
    close(session.master);
    return killed ? -1 : session.exitStatus;
}
