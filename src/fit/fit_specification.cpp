#include "fit/fit_specification.h"

#include <algorithm>
#include <filesystem>
#include <vector>

#include "fit/attempt_answers.h"
#include "fit/fit_file_names.h"
#include "model/run_answers.h"
#include "spec/spec_text.h"

bool readSpecificationText(const std::string& text, SpecTable& table) {
    SpecText spec;
    std::string error;
    const bool read = readSpecText(text, "specification", spec, error);
    table = spec.table;
    return read;
}

namespace {

// Files the program, the report, the export and the fit write beside the
// specification, and the folder and lock file the fit keeps there.
bool nameTaken(const std::string& name) {
    const std::vector<std::string> written = fitOutputNames();
    if (std::find(written.begin(), written.end(), name) != written.end()) return true;
    for (const char* other : {attemptsFolderName, attemptConsoleFileName, fitLockFileName}) {
        if (name == other) return true;
    }
    return name.size() >= 4 && name.compare(name.size() - 4, 4, ".out") == 0;
}

}  // namespace

std::string specFileNameFor(const std::string& path) {
    const std::string name = std::filesystem::path(path).filename().string();
    const bool oneToken = name.find_first_of(" \t\n\v\f\r") == std::string::npos;
    if (name.empty() || !oneToken || name.size() > static_cast<std::size_t>(maxFileNameLength) || nameTaken(name)) {
        return "specification.srs";
    }
    return name;
}

std::string extendedSpecFileName(const std::string& fileName) {
    const std::filesystem::path path(fileName);
    const std::string stem = path.stem().string();
    const std::string suffix = "_extended";
    if (stem.size() >= suffix.size() && stem.compare(stem.size() - suffix.size(), suffix.size(), suffix) == 0) {
        return fileName;
    }
    const std::string extended = stem + suffix + path.extension().string();
    if (extended.size() > static_cast<std::size_t>(maxFileNameLength)) return "specification_extended.srs";
    return extended;
}

std::string extendedSpecText(const std::string& text, double frequency, double level) {
    std::string extended = text;
    if (!extended.empty() && extended.back() != '\n' && extended.back() != '\r') extended += '\n';
    return extended + exactNumberText(frequency) + " " + exactNumberText(level) + "\n";
}
