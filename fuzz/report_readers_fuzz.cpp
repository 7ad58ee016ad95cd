// Feeds arbitrary bytes to the report's readers. The first byte chooses what
// the rest is: one file for one reader (run.out, srs.out, a history,
// trials.out twice, rank.out, wavelet.out, the specification, the band file),
// or, split at lines "====", a whole run folder (run.out, srs.out, accel.out,
// velox.out, disp.out, trials.out, rank.out, wavelet.out and the
// specification) that is read and checked for consistency as the report does.
// Readers must refuse, never crash, hang or run out of memory.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "fuzz_files.h"
#include "report/band_file.h"
#include "run_folder/consistency.h"
#include "run_folder/run_folder.h"
#include "run_folder/run_record_file.h"
#include "spec/spec_text.h"
#include "results/run_record.h"

namespace {

std::string workDir;

// A record that reads must come back the same through its own text.
void checkRunRecord(const std::string& path) {
    RunRecord record;
    std::string error;
    if (!readRunRecord(path, record, error)) {
        if (error.find("input.out") == std::string::npos) std::abort();
        return;
    }
    const std::string text = formatRunRecord(record);
    RunRecord again;
    if (!parseRunRecord(text, again, error) || formatRunRecord(again) != text) std::abort();
}

void readOneFile(int reader, const char* data, std::size_t size) {
    const std::string path = workDir + "/input.out";
    writeBytes(path, data, size);
    std::string error;
    bool ok = true;
    switch (reader) {
        case 0: checkRunRecord(path); return;
        case 1: {
            std::vector<SrsLine> lines;
            ok = readSrsFile(path, lines, error);
            break;
        }
        case 2: {
            MotionRecord record;
            ok = readMotionFile(path, record, error);
            if (ok && record.time.size() != record.value.size()) std::abort();
            break;
        }
        case 3: {
            int units = 0;
            ok = readUnitSystem(path, units, error);
            if (ok && (units < 1 || units > 3)) std::abort();
            break;
        }
        case 4: {
            int rows = -1;
            ok = readTrialRowCount(path, rows, error);
            if (ok && rows < 0) std::abort();
            break;
        }
        case 5: {
            std::vector<RankLine> lines;
            ok = readRankFile(path, lines, error);
            break;
        }
        case 6: {
            std::vector<double> frequencies;
            ok = readWaveletFrequencies(path, frequencies, error);
            break;
        }
        case 7: {
            SpecTable spec;
            ok = readSpecification(path, spec, error);
            break;
        }
        default: {
            std::vector<BandRow> rows;
            ok = readBandFile(path, rows, error);
            break;
        }
    }
    // Every refusal names the file it refuses.
    if (!ok && error.find("input.out") == std::string::npos) std::abort();
}

void readFolder(bool dampingGiven, const char* data, std::size_t size) {
    static const char* const names[] = {"run.out", "srs.out",  "accel.out",   "velox.out", "disp.out",
                                        "trials.out", "rank.out", "wavelet.out", "spec.srs"};
    const std::string text(data, size);
    const std::string separator = "\n====\n";
    std::size_t start = 0;
    for (const char* name : names) {
        const std::string path = workDir + "/" + name;
        std::size_t end = start <= text.size() ? text.find(separator, start) : std::string::npos;
        if (end == std::string::npos) end = text.size();
        const std::string part = start < text.size() ? text.substr(start, end - start) : std::string();
        // An empty first part stands for a folder without run.out.
        if (name == names[0] && part.empty()) {
            std::remove(path.c_str());
        } else {
            writeBytes(path, part.data(), part.size());
        }
        start = end + separator.size();
    }
    SpecText spec;
    RunFolder inputs;
    std::string error;
    if (!readSpecTextFile(workDir + "/spec.srs", spec, error) || !readRunFolder(workDir, inputs, error)) return;
    ConsistencyOutcome outcome;
    const std::optional<double> damping = dampingGiven ? std::optional<double>(0.05) : std::nullopt;
    if (checkRunConsistency(inputs, &spec, damping, outcome, error)) return;
    if (error.empty()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Every input rewrites nine files.
    workDir = makeFuzzWorkDir("report_readers_fuzz");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const char* rest = reinterpret_cast<const char*>(data + 1);
    const int choice = data[0] % 10;
    if (choice == 9) {
        readFolder((data[0] & 0x80) != 0, rest, size - 1);
    } else {
        readOneFile(choice, rest, size - 1);
    }
    return 0;
}
