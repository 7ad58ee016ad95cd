#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "results/run_record.h"

// What an export of a folder's history wrote, as its metadata file
// (history.json, or history-TAG.json) records it: every file with its rate
// and checksum, and the export's own check. The report's page names it, so
// that what the controller plays is on the record of the test.
struct ExportedFile {
    std::string name;
    double sampleRateHz = 0.0;
    std::uint64_t checksum = 0;  // FNV-1a 64 of its bytes
};

struct ExportRecord {
    std::string metadataFile;  // the history*.json it was read from
    std::vector<ExportedFile> files;
    std::string check;  // what the export checked, in a sentence
};

// The exports in `dir` of the history `record` describes (their metadata tied
// to it by accel.out's checksum), in the order of their names.
std::vector<ExportRecord> readExportRecords(const std::string& dir, const RunRecord& record);
