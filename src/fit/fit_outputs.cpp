#include "fit/fit_outputs.h"

#include <sstream>

#include "export/export_history.h"
#include "fit/fit_file_names.h"

bool writeKeptReport(const ReportRequest& request, OutputFolder& folder, std::ostream& err) {
    std::ostringstream table;
    const ReportResult result = writeReport(request, table);
    for (const std::string& path : result.writtenFiles) {
        noteWritten(folder, path.substr(path.find_last_of('/') + 1));
    }
    std::string error = result.error;
    if (result.status == ReportStatus::unusable || !writeFolderFile(folder, fitTableFileName, table.str(), error)) {
        err << "kolvane_fit: " << error << "\n";
        return false;
    }
    return true;
}

bool exportKeptHistory(const FitOptions& options, const RunFolder& kept, const std::string& verdictTag,
                       std::uint64_t judgedChecksum, OutputFolder& folder, ExportRecord& exported, std::ostream& out,
                       std::ostream& err) {
    ExportRequest request;
    request.folder = kept;
    request.formats = options.exportFormats;
    request.rate = options.exportSampleRate;
    request.verdictTag = verdictTag;
    request.exportFailed = !verdictTag.empty();
    FolderVerdict verdict;
    verdict.judged = verdictTag.empty() ? FolderVerdict::Judged::passes : FolderVerdict::Judged::fails;
    verdict.specificationChecksum = judgedChecksum;
    request.verdict = verdict;
    const ExportResult result = exportHistory(request, out);
    if (!result.written) {
        err << "kolvane_fit: " << result.error << "\n";
        return false;
    }
    for (const std::string& path : result.files) noteWritten(folder, path.substr(path.find_last_of('/') + 1));
    exported.metadataFile = result.files.back().substr(result.files.back().find_last_of('/') + 1);
    exported.files = result.exported;
    exported.check = result.check;
    return true;
}
