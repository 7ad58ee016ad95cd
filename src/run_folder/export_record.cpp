#include "run_folder/export_record.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "common/file_paths.h"
#include "common/json_reader.h"
#include "common/text_file.h"
#include "run_folder/folder_verdict.h"

std::vector<ExportRecord> readExportRecords(const std::string& dir, const RunRecord& record) {
    std::vector<ExportRecord> records;
    if (!record.hasChecksums) return records;
    std::vector<std::string> names;
    std::error_code failed;
    for (const auto& entry : std::filesystem::directory_iterator(dir.empty() ? "." : dir, failed)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("history", 0) == 0 && name.size() > 5 && name.compare(name.size() - 5, 5, ".json") == 0) {
            names.push_back(name);
        }
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        std::string json, reason, history;
        if (!readWholeFile(pathInFolder(dir, name), json, reason) || !readJsonString(json, "history_checksum", history) ||
            history != historyChecksumText(record)) {
            continue;
        }
        ExportRecord exported;
        exported.metadataFile = name;
        std::vector<std::string> files, rates, checksums;
        readJsonStringArray(json, "files", files);
        readJsonStringArray(json, "file_rates_hz", rates);
        readJsonStringArray(json, "file_checksums", checksums);
        readJsonString(json, "check", exported.check);
        for (std::size_t k = 0; k < files.size(); ++k) {
            ExportedFile file;
            file.name = files[k];
            if (k < rates.size()) file.sampleRateHz = std::strtod(rates[k].c_str(), nullptr);
            if (k < checksums.size()) file.checksum = std::strtoull(checksums[k].c_str(), nullptr, 16);
            exported.files.push_back(file);
        }
        records.push_back(exported);
    }
    return records;
}
