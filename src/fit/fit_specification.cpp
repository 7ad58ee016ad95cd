#include "fit/fit_specification.h"

#include <cstdio>
#include <filesystem>

#include "fit/attempt_answers.h"
#include "model/run_answers.h"

bool readSpecificationText(const std::string& text, SpecTable& table) {
    if (text.empty()) {
        table = SpecTable{};
        return false;
    }
    std::FILE* stream = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
    if (stream == nullptr) return false;
    const SpecReadStatus status = readSpecStream(stream, table);
    std::fclose(stream);
    return status == SpecReadStatus::ok;
}

namespace {

// Files the program, the report and the fit write beside the specification.
bool nameTaken(const std::string& name) {
    static const char* const taken[] = {"answers.txt", "fit.json",    "console.txt", "report.txt",
                                        "report.html", "srs.svg",     "history.svg", "analysis.csv",
                                        "report.json", "attempts"};
    for (const char* other : taken) {
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
    const std::string point = exactNumberText(frequency) + " " + exactNumberText(level) + "\n";
    std::string extended = text;
    if (!extended.empty() && extended.back() != '\n') extended += '\n';
    extended += point;
    // Reading stops at the first word that is not a number: after such a
    // word the appended point would be lost, so the points are written anew.
    SpecTable original;
    SpecTable read;
    readSpecificationText(text, original);
    if (readSpecificationText(extended, read) && read.count == original.count + 1) return extended;
    std::string rewritten;
    for (int i = 0; i < original.count; ++i) {
        rewritten += exactNumberText(original.frequency[i]) + " " + exactNumberText(original.level[i]) + "\n";
    }
    return rewritten + point;
}
