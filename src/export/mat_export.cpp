#include "export/mat_export.h"

#include <matio.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "common/check_time.h"
#include "common/text_file.h"

namespace {

bool addMatrix(mat_t* file, const char* name, std::vector<double> values) {
    std::size_t dims[2] = {1, values.size()};
    matvar_t* variable = Mat_VarCreate(name, MAT_C_DOUBLE, MAT_T_DOUBLE, 2, dims, values.data(), 0);
    if (variable == nullptr) return false;
    const bool written = Mat_VarWrite(file, variable, MAT_COMPRESSION_NONE) == 0;
    Mat_VarFree(variable);
    return written;
}

bool addText(mat_t* file, const char* name, std::string text) {
    std::size_t dims[2] = {1, text.size()};
    matvar_t* variable = Mat_VarCreate(name, MAT_C_CHAR, MAT_T_UINT8, 2, dims, text.data(), 0);
    if (variable == nullptr) return false;
    const bool written = Mat_VarWrite(file, variable, MAT_COMPRESSION_NONE) == 0;
    Mat_VarFree(variable);
    return written;
}

}  // namespace

bool writeHistoryMat(const std::string& path, const ExportedHistory& history, std::string& error) {
    std::string temporary;
    return stageHistoryMat(path, history, temporary, error) && publishStagedFile(temporary, path, error);
}

bool stageHistoryMat(const std::string& path, const ExportedHistory& history, std::string& temporary,
                     std::string& error) {
    // matio opens the file by name: it takes over the temporary file made
    // for it, so it never writes through a link.
    const int descriptor = createTemporaryBeside(path, temporary);
    if (descriptor < 0) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    close(descriptor);
    // matio's own header would stamp the wall clock; ours follows
    // SOURCE_DATE_EPOCH like the UFF's ID line, so an export can repeat.
    const std::string header =
        "MATLAB 5.0 MAT-file, kolvane_ZPA history, created " + checkTimeText("%Y-%m-%d %H:%M:%S UTC");
    mat_t* file = Mat_CreateVer(temporary.c_str(), header.c_str(), MAT_FT_MAT5);
    if (file == nullptr) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        std::remove(temporary.c_str());
        return false;
    }
    std::vector<double> time(history.acceleration.size());
    for (std::size_t i = 0; i < time.size(); ++i) time[i] = sampleTimeOf(history, i);
    const UnitNames& u = history.units;
    const std::string units = std::string("t: s, acceleration: ") + u.acceleration + ", velocity: " + u.velocity +
                              ", displacement: " + u.displacement;
    bool written = addMatrix(file, "t", time) && addMatrix(file, "acceleration", history.acceleration) &&
                   addMatrix(file, "velocity", history.velocity) &&
                   addMatrix(file, "displacement", history.displacement) &&
                   addMatrix(file, "sample_rate", {sampleRateOf(history)}) &&
                   addMatrix(file, "dt", {history.timeStep}) && addText(file, "units", units) &&
                   addText(file, "history", history.kind) && addText(file, "verdict", history.verdict);
    written = Mat_Close(file) == 0 && written;
    if (!written) {
        std::remove(temporary.c_str());
        error = "cannot write " + path + " (a full disk, or a folder that does not take it)";
        return false;
    }
    return true;
}
