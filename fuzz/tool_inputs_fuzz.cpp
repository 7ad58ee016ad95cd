// Feeds arbitrary bytes to the readers of what an engineer or a controller
// hands the tools: the first byte chooses a shaker file, a fit.json (the
// lists and strings the fit and the export read from it), or a measured
// record as CSV or text, or as UFF 58, which is then made ready to judge.
// Readers must refuse, never crash, hang or run out of memory.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "common/json_reader.h"
#include "fuzz_files.h"
#include "measured/measured_record.h"
#include "measured/measured_shot.h"
#include "run_folder/shaker.h"

namespace {

std::string workDir;

void readShaker(const std::string& text) {
    ShakerLimits limits;
    std::string error;
    if (!parseShakerText(text, "shaker.txt", limits, error)) {
        if (error.empty()) std::abort();
        return;
    }
    for (const std::optional<double>* rating : {&limits.strokeMmPkPk, &limits.velocityMs, &limits.accelerationG,
                                                &limits.forceN, &limits.movingMassKg, &limits.payloadKg}) {
        if (*rating && !(**rating >= 0.0)) std::abort();
    }
    judgeShaker(limits, ShakerPeaks{1.0, 1.0, 1.0});
}

void readFitJson(const std::string& json) {
    std::vector<std::string> files;
    std::string value;
    readJsonStringArray(json, "written_files", files);
    for (const char* key : {"verdict", "history_checksum", "specification_checksum", "history"}) {
        readJsonString(json, key, value);
    }
}

void readMeasured(const char* data, std::size_t size, const char* name) {
    const std::string path = workDir + "/" + name;
    writeBytes(path, data, size);
    MeasuredReadOptions options;
    options.units = 1;
    MeasuredRecord record;
    std::string error;
    if (!readMeasuredRecord(path, options, record, error)) {
        if (error.find(path) == std::string::npos) std::abort();
        return;
    }
    if (record.acceleration.size() > 200000) return;  // the judging, not the size, is what is fuzzed here
    MeasuredShot shot;
    if (prepareMeasuredShot(record, 10.0, 0.1 / record.timeStep, {}, shot, error)) {
        if (shot.judged.empty() || shot.window.start >= record.acceleration.size()) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    workDir = makeFuzzWorkDir("kolvane-tool-fuzz");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const char* text = reinterpret_cast<const char*>(data + 1);
    const std::size_t length = size - 1;
    switch (data[0] % 4) {
        case 0: readShaker(std::string(text, length)); break;
        case 1: readFitJson(std::string(text, length)); break;
        case 2: readMeasured(text, length, "shot.csv"); break;
        default: readMeasured(text, length, "shot.uff"); break;
    }
    return 0;
}
