#include "fit/attempt_run.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "run/program.h"

AttemptRun runAttempt(const std::string& dir, const std::string& answers, int threadCount) {
    AttemptRun run;
    std::error_code failed;
    const std::filesystem::path previous = std::filesystem::current_path(failed);
    if (failed) return run;
    std::filesystem::current_path(dir, failed);
    if (failed) {
        run.console = "cannot enter " + dir + ": " + failed.message();
        return run;
    }
    std::FILE* input = fmemopen(const_cast<char*>(answers.data()), answers.size(), "r");
    char* text = nullptr;
    std::size_t size = 0;
    std::FILE* console = open_memstream(&text, &size);
    if (input != nullptr && console != nullptr) run.exitStatus = runProgram(input, console, threadCount).exitStatus;
    if (console != nullptr) std::fclose(console);
    if (input != nullptr) std::fclose(input);
    std::filesystem::current_path(previous, failed);
    if (text != nullptr) run.console.assign(text, size);
    std::free(text);
    return run;
}

std::string programErrorText(const std::string& console) {
    std::size_t at = console.rfind("Error:");
    const std::size_t failedOpen = console.rfind("Failed to open file:");
    if (failedOpen != std::string::npos && (at == std::string::npos || failedOpen > at)) at = failedOpen;
    if (at == std::string::npos) return "";
    const std::size_t end = console.find("\n\n", at);
    std::string message = console.substr(at, end == std::string::npos ? std::string::npos : end - at);
    while (!message.empty() && (message.back() == ' ' || message.back() == '\n')) message.pop_back();
    return message;
}
