#include "python/python_run.h"

#include <filesystem>
#include <sstream>

#include "common/file_paths.h"
#include "common/text_file.h"
#include "python/python_inputs.h"
#include "results/file_layout.h"

namespace {

constexpr std::size_t runFileLimit = std::size_t{1} << 30;

}  // namespace

double PythonRun::timeStep() const {
    if (folder.runRecord && folder.runRecord->outputTimeStep > 0.0) return folder.runRecord->outputTimeStep;
    const MotionRecord& a = folder.acceleration;
    return a.time.size() < 2 ? 0.0 : (a.time.back() - a.time.front()) / static_cast<double>(a.time.size() - 1);
}

PythonRun runFromFolder(const std::string& dir) {
    std::error_code failed;
    if (!std::filesystem::is_directory(dir, failed)) throw FileProblem("cannot read the run folder " + dir);
    PythonRun run;
    std::string error;
    if (!folderHoldsRun(dir, error) || !readRunFolder(dir, run.folder, error)) throw std::invalid_argument(error);
    run.sourceDir = dir;
    std::string reason;
    readWholeFile(pathInFolder(dir, trialsFileName), run.trialsText, reason, runFileLimit);
    return run;
}

void writeRunFiles(const PythonRun& run, const std::string& dir) {
    std::error_code failed;
    std::filesystem::create_directories(dir, failed);
    if (failed) throw FileProblem("cannot make " + dir + ": " + failed.message());
    std::vector<std::pair<std::string, std::string>> files = run.files;
    if (!run.sourceDir.empty()) {
        if (sameFile(run.sourceDir, dir)) throw std::invalid_argument("the run is already in " + dir);
        std::vector<std::string> names = {runRecordFileName, answersFileName};
        if (run.folder.runRecord) names.push_back(run.folder.runRecord->specFileName);
        for (const char* name : runFileNames) names.push_back(name);
        names.push_back(runRecordFileName);
        for (const std::string& name : names) {
            std::string text;
            std::string reason;
            if (readWholeFile(pathInFolder(run.sourceDir, name), text, reason, runFileLimit)) {
                files.emplace_back(name, text);
            }
        }
    }
    for (const auto& [name, bytes] : files) {
        std::string error;
        if (!writeTextFile(pathInFolder(dir, name), bytes, error)) throw FileProblem(error);
    }
}

std::vector<std::vector<double>> trialRowsOf(const std::string& trialsText) {
    std::vector<std::vector<double>> rows;
    std::istringstream lines(trialsText);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::vector<double> row;
        for (double value = 0.0; fields >> value;) row.push_back(value);
        if (row.size() == 8 && fields.eof()) rows.push_back(row);
    }
    return rows;
}
