#include "run_program.h"

#include "run/program.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

ProgramRun runKolvane(const std::string& workDir, const std::string& answers, const std::vector<std::string>& arguments) {
    const std::string inputPath = workDir + "/.answers";
    const std::string outputPath = workDir + "/.console";
    writeFile(inputPath, answers);
    ProgramRun run;
    const pid_t pid = fork();
    if (pid == 0) {
        setsid();  // no controlling terminal: /dev/tty cannot be opened
        if (chdir(workDir.c_str()) != 0) _exit(127);
        const int in = open(inputPath.c_str(), O_RDONLY);
        const int out = open(outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0) _exit(127);
        dup2(in, 0);
        dup2(out, 1);
        dup2(out, 2);
        std::vector<char*> argv{const_cast<char*>(KOLVANE_EXE)};
        for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        execv(KOLVANE_EXE, argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    run.console = readFile(outputPath);
    std::remove(inputPath.c_str());
    std::remove(outputPath.c_str());
    return run;
}

ProgramRun runInProcess(const std::string& workDir, const std::string& answers, int threadCount) {
    std::FILE* input = fmemopen(const_cast<char*>(answers.data()), answers.size(), "r");
    char* text = nullptr;
    std::size_t size = 0;
    std::FILE* console = open_memstream(&text, &size);
    const ProgramResult result = runProgram(input, console, workDir, threadCount);
    std::fclose(console);
    std::fclose(input);
    ProgramRun run;
    run.console.assign(text, size);
    run.exitStatus = result.exitStatus;
    std::free(text);
    return run;
}

std::string makeTempDirIn(const std::string& parent) {
    std::string pattern = (std::filesystem::path(parent) / "kolvane-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    return pattern;
}

std::string makeTempDir() { return makeTempDirIn(std::filesystem::temp_directory_path().string()); }

void removeTree(const std::string& dir) {
    std::error_code ignored;
    std::filesystem::permissions(dir, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(dir, ignored);
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

bool fileExists(const std::string& path) { return std::filesystem::exists(path); }

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}
