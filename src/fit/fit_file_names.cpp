#include "fit/fit_file_names.h"

#include <iterator>

#include "export/export_history.h"
#include "report/report_files.h"
#include "results/file_layout.h"

std::string attemptFolderName(int number) { return std::string(attemptsFolderName) + "/" + std::to_string(number); }

std::vector<std::string> fitOutputNames() {
    std::vector<std::string> names(std::begin(runFileNames), std::end(runFileNames));
    names.insert(names.end(), {answersFileName, fitRecordFileName, fitTableFileName});
    names.insert(names.end(), std::begin(reportFileNameList), std::end(reportFileNameList));
    for (const ExportFormat format : allExportFormats()) names.push_back(exportFileName(format));
    return names;
}
