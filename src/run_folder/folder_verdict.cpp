#include "run_folder/folder_verdict.h"

#include <cinttypes>
#include <cstdlib>

#include "common/file_paths.h"
#include "common/json_reader.h"
#include "common/number_format.h"
#include "common/text_file.h"

std::string historyChecksumText(const RunRecord& record) {
    std::string text;
    appendFormat(text, "%016" PRIx64, record.checksums.acceleration);
    return text;
}

FolderVerdict readFolderVerdict(const std::string& dir, const RunRecord& record) {
    FolderVerdict verdict;
    if (!record.hasChecksums) return verdict;
    for (const char* name : {"fit.json", "report.json"}) {
        std::string json, reason, history, said, checksum;
        if (!readWholeFile(pathInFolder(dir, name), json, reason) || !readJsonString(json, "history_checksum", history) ||
            history != historyChecksumText(record) || !readJsonString(json, "verdict", said)) {
            continue;
        }
        verdict.judged = said == "PASS" || said == "pass" ? FolderVerdict::Judged::passes : FolderVerdict::Judged::fails;
        verdict.source = name;
        if (readJsonString(json, "specification_checksum", checksum) && checksum.size() == 16) {
            verdict.specificationChecksum = std::strtoull(checksum.c_str(), nullptr, 16);
        }
        return verdict;
    }
    return verdict;
}
