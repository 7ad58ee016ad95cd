#include "report/run_record_file.h"

#include "common/text_file.h"

bool readRunRecord(const std::string& path, RunRecord& record, std::string& error) {
    std::string text;
    std::string reason;
    if (!readWholeFile(path, text, reason)) {
        error = "cannot open " + path + ": " + reason;
        return false;
    }
    std::string problem;
    if (!parseRunRecord(text, record, problem)) {
        error = path + " is not a complete run record: " + problem;
        return false;
    }
    return true;
}
