#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "results/run_record.h"

// The verdict a folder holds on its history: the fit's (fit.json) or the
// report's (report.json), each tied to the history by the checksum of its
// accel.out, so that a verdict left from another history does not count.
struct FolderVerdict {
    enum class Judged { notJudged, passes, fails };
    Judged judged = Judged::notJudged;
    std::string source;  // "fit.json" or "report.json"
    std::optional<std::uint64_t> specificationChecksum;  // of the specification judged against
};

// `record` is the folder's run.out.
FolderVerdict readFolderVerdict(const std::string& dir, const RunRecord& record);

// The text the verdict files record the history by: accel.out's checksum,
// 16 hexadecimal digits.
std::string historyChecksumText(const RunRecord& record);
