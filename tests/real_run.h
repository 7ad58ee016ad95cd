#pragma once

#include <cstdio>
#include <string>

#include "run_program.h"

// A real run of the main program in a scratch folder, made in process: the
// bundled example's specification files (pyroshock.srs and
// pyroshock-extended.srs) are copied in first, so answers can name either.
class RealRun {
public:
    explicit RealRun(const std::string& answers) : dir_(makeTempDir()) {
        for (const char* name : {"pyroshock.srs", "pyroshock-extended.srs"}) {
            writeFile(path(name), readFile(std::string(KOLVANE_SOURCE_DIR) + "/examples/" + name));
        }
        exitStatus_ = runInProcess(dir_, answers, 2).exitStatus;
    }
    ~RealRun() { removeTree(dir_); }
    RealRun(const RealRun&) = delete;
    RealRun& operator=(const RealRun&) = delete;

    int exitStatus() const { return exitStatus_; }
    const std::string& dir() const { return dir_; }
    std::string path(const std::string& name) const { return dir_ + "/" + name; }
    std::string read(const std::string& name) const { return readFile(path(name)); }
    // The specification every run here is judged against: the original one.
    std::string judgedSpec() const { return path("pyroshock.srs"); }

private:
    std::string dir_;
    int exitStatus_ = -1;
};

// Answers for a run of the example: specification file, ZPA, spacing choice
// (1 = 1/3, 2 = 1/6, 3 = 1/12), Q, trials and units; 0.05 s, skip count 1.
inline std::string exampleAnswers(const char* specFile, double zpa, int spacing, double q, int trials, int units = 1) {
    char text[256];
    std::snprintf(text, sizeof text, "%s\n%g\n%d\n2\n%g\n0.05\n%d\n%d\n1\n", specFile, zpa, spacing, q, trials, units);
    return text;
}

// The bundled example exactly as `make run` runs it.
inline std::string bundledExampleAnswers() {
    return readFile(std::string(KOLVANE_SOURCE_DIR) + "/examples/pyroshock.answers");
}
