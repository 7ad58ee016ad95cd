#include "report/run_record_file.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

bool readRunRecord(const std::string& path, RunRecord& record, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string problem;
    if (!parseRunRecord(text, record, problem)) {
        error = path + " is not a complete run record: " + problem;
        return false;
    }
    return true;
}
