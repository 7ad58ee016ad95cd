#include "hardening/guarded_run.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "run_program.h"

std::string temporaryNameOf(const std::string& name, long pid) {
    return "." + name + "." + std::to_string(pid) + ".tmp";
}

GuardedRun runGuarded(const std::string& workDir, const std::string& answers, int seconds,
                      const GuardOptions& options) {
    const std::string inputPath = workDir + "/.answers";
    const std::string outputPath = workDir + "/.console";
    const std::string errorPath = workDir + "/.errors";
    writeFile(inputPath, answers);
    const pid_t pid = fork();
    if (pid == 0) {
        setsid();
        if (chdir(workDir.c_str()) != 0) _exit(127);
        for (const std::string& name : options.fullTemporaries) {
            if (symlink("/dev/full", temporaryNameOf(name, getpid()).c_str()) != 0) _exit(127);
        }
        const int in = open(inputPath.c_str(), O_RDONLY);
        const int out = open(outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = open(errorPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0 || err < 0) _exit(127);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        if (options.asNobody && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(127);
        // A pending alarm survives exec: the program is killed if it runs too long.
        alarm(static_cast<unsigned>(seconds));
        execl(KOLVANE_EXE, KOLVANE_EXE, static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    GuardedRun run;
    if (WIFEXITED(status)) {
        run.exitStatus = WEXITSTATUS(status);
    } else {
        run.exitStatus = 128 + WTERMSIG(status);
        run.timedOut = WTERMSIG(status) == SIGALRM;
    }
    run.console = readFile(outputPath);
    run.errors = readFile(errorPath);
    for (const std::string& path : {inputPath, outputPath, errorPath}) std::remove(path.c_str());
    return run;
}

std::vector<std::string> leftoverTemporaries(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        if (name.size() > 4 && name.front() == '.' && name.substr(name.size() - 4) == ".tmp") names.push_back(name);
    }
    return names;
}

bool sanitizedBuild() {
#if defined(__SANITIZE_ADDRESS__)
    return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return true;
#else
    return false;
#endif
#else
    return false;
#endif
}
