#include "rebuild/rebuild_app.h"

#include <filesystem>

#include "common/command_line.h"
#include "common/file_paths.h"
#include "common/text_file.h"
#include "results/file_layout.h"
#include "results/history_files.h"
#include "run_folder/run_record_file.h"

const char* const rebuildUsage =
    "Usage: kolvane_rebuild RUN_DIR OUTPUT_DIR\n"
    "\n"
    "Makes the history a run folder holds again from the exact wavelets its run.out\n"
    "records (17 significant digits): wavelet.out, accel.out, velox.out, disp.out and\n"
    "srs.out, byte for byte as the run or the fit wrote them, into OUTPUT_DIR. For a\n"
    "refined history this is how it is repeated: kolvane_zpa < answers.txt repeats the\n"
    "program's run before the refinement. Each file is checked against the checksum\n"
    "run.out records before anything is written.\n"
    "\n"
    "  -h, --help   show this text\n"
    "\n"
    "Exit status: 0 the files are written, 1 unusable input.\n";

int runRebuild(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CommandLine line;
    std::string error;
    if (!splitCommandLine(args, {}, line, error) || (!line.help && line.positional.size() != 2)) {
        if (error.empty()) error = line.positional.size() < 2 ? "give the run's folder and the output folder" : "too many arguments";
        err << "kolvane_rebuild: " << error << "\n\n" << rebuildUsage;
        return rebuildUnusable;
    }
    if (line.help) {
        out << rebuildUsage;
        return rebuildWritten;
    }
    const std::string& runDir = line.positional[0];
    const std::string& outputDir = line.positional[1];
    RunRecord record;
    if (!readRunRecord(pathInFolder(runDir, runRecordFileName), record, error)) {
        err << "kolvane_rebuild: " << error << "\n";
        return rebuildUnusable;
    }
    if (record.wavelets.empty() || record.trialsRanked < 1) {
        err << "kolvane_rebuild: " << pathInFolder(runDir, runRecordFileName)
            << " records no wavelets: it was written before run.out kept them, or before the run's first results "
               "step\n";
        return rebuildUnusable;
    }
    std::error_code failed;
    std::filesystem::create_directories(outputDir, failed);
    if (sameFile(runDir, outputDir)) {
        err << "kolvane_rebuild: the output folder is the run's own; give another, and compare the two\n";
        return rebuildUnusable;
    }
    const HistoryFiles files = historyFilesOf(record.wavelets, record);
    const std::string waveletText = waveletTableText(record.units, record.wavelets);
    const ResultFileChecksums sums = checksumsOf(waveletText, files);
    // wavelet.out of a plain run prints the amplitudes before the results
    // step scaled them once more, which run.out does not keep: it is
    // rebuilt for a refined history alone.
    const bool refined = record.holds != HistoryKind::plainRun;
    const struct {
        const char* name;
        const std::string* text;
        std::uint64_t rebuilt, recorded;
    } made[] = {{waveletFileName, &waveletText, sums.wavelets, record.checksums.wavelets},
                {accelFileName, &files.accelText, sums.acceleration, record.checksums.acceleration},
                {velocityFileName, &files.velocityText, sums.velocity, record.checksums.velocity},
                {displacementFileName, &files.displacementText, sums.displacement, record.checksums.displacement},
                {srsFileName, &files.srsText, sums.srs, record.checksums.srs}};
    for (const auto& file : made) {
        if (file.name == std::string(waveletFileName) && !refined) continue;
        if (file.rebuilt != file.recorded) {
            err << "kolvane_rebuild: the wavelets do not rebuild " << file.name
                << " as run.out records it: run.out was edited\n";
            return rebuildUnusable;
        }
    }
    out << " Rebuilt from run.out's " << record.wavelets.size() << " wavelets (" << historyKindName(record.holds)
        << ") into " << outputDir << ":";
    for (const auto& file : made) {
        if (file.name == std::string(waveletFileName) && !refined) continue;
        if (!writeTextFile(pathInFolder(outputDir, file.name), *file.text, error)) {
            err << "\nkolvane_rebuild: " << error << "\n";
            return rebuildUnusable;
        }
        out << " " << file.name;
    }
    out << "; each matches run.out's checksum\n";
    return rebuildWritten;
}
