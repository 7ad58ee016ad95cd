#include "fit/fit_folder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "common/file_paths.h"
#include "common/json_reader.h"
#include "common/text_file.h"
#include "results/file_layout.h"
#include "results/run_record.h"

namespace fs = std::filesystem;

namespace {

// A history of the longest record a run writes fits well within this.
constexpr std::size_t copyLimitBytes = std::size_t{1} << 30;

// A name an earlier fit.json may list: inside the folder, never a way out.
bool insideFolder(const std::string& relative) {
    if (relative.empty() || relative.front() == '/') return false;
    for (const fs::path& part : fs::path(relative)) {
        if (part == "..") return false;
    }
    return true;
}

bool startsWithAttempts(const std::string& relative) {
    return relative.compare(0, std::strlen(attemptsFolderName) + 1, std::string(attemptsFolderName) + "/") == 0;
}

// Removes a file an earlier fit wrote; a link is removed, never followed,
// and a folder is left alone.
void removeEarlierFile(const std::string& path) {
    struct stat status;
    if (lstat(path.c_str(), &status) != 0 || S_ISDIR(status.st_mode)) return;
    std::remove(path.c_str());
}

bool holds(const std::string& path, const std::string& text) {
    struct stat status;
    if (lstat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return false;
    if (static_cast<std::size_t>(status.st_size) != text.size()) return false;
    std::string current;
    std::string reason;
    return readWholeFile(path, current, reason, text.size() + 1) && current == text;
}

bool copyRunFile(OutputFolder& folder, const std::string& attemptDir, const std::string& name, std::string& error) {
    std::string text;
    std::string reason;
    if (!readWholeFile(pathInFolder(attemptDir, name), text, reason, copyLimitBytes)) {
        error = "cannot read " + pathInFolder(attemptDir, name) + ": " + reason;
        return false;
    }
    return writeFolderFile(folder, name, text, error);
}

// A file left as it was is the fit's only when an earlier fit wrote it.
void noteWrittenUnlessTheirs(OutputFolder& folder, const std::string& name) {
    if (folder.earlierFiles.count(name) != 0) noteWritten(folder, name);
}

}  // namespace

bool openOutputFolder(const std::string& dir, OutputFolder& folder, std::string& error) {
    folder = OutputFolder{};
    folder.dir = dir;
    std::error_code failed;
    fs::create_directories(dir, failed);
    if (failed || !fs::is_directory(dir)) {
        error = "cannot make the output folder " + dir + ": " + (failed ? failed.message() : "it is not a folder");
        return false;
    }
    const std::string lockPath = pathInFolder(dir, fitLockFileName);
    folder.lock = open(lockPath.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (folder.lock < 0) {
        error = "cannot lock the output folder " + dir + ": " + std::strerror(errno);
        return false;
    }
    if (flock(folder.lock, LOCK_EX | LOCK_NB) != 0) {
        const bool taken = errno == EWOULDBLOCK;
        error = taken ? "another kolvane_fit is writing into " + dir + "; wait until it has finished, or choose "
                                                                           "another folder"
                      : "cannot lock the output folder " + dir + ": " + std::strerror(errno);
        close(folder.lock);
        folder.lock = -1;
        return false;
    }
    // The file locked must still be the folder's lock: the fit that held it
    // removes it as it lets go.
    struct stat held, named;
    if (fstat(folder.lock, &held) != 0 || lstat(lockPath.c_str(), &named) != 0 || held.st_ino != named.st_ino ||
        held.st_dev != named.st_dev) {
        close(folder.lock);
        folder.lock = -1;
        return openOutputFolder(dir, folder, error);
    }
    std::string json;
    std::string reason;
    std::vector<std::string> listed;
    if (readWholeFile(pathInFolder(dir, fitRecordFileName), json, reason) && readJsonStringArray(json, "written_files", listed)) {
        for (const std::string& name : listed) {
            if (insideFolder(name)) folder.earlierFiles.insert(name);
        }
    }
    return true;
}

void closeOutputFolder(OutputFolder& folder) {
    if (folder.lock < 0) return;
    // Removed while still held: a fit that opened it meanwhile finds, once
    // it holds it, that it is no longer the folder's lock, and opens anew.
    unlink(pathInFolder(folder.dir, fitLockFileName).c_str());
    close(folder.lock);
    folder.lock = -1;
}

void clearEarlierAttempts(const OutputFolder& folder) {
    std::set<std::string> folders;
    for (const std::string& name : folder.earlierFiles) {
        if (!startsWithAttempts(name)) continue;
        removeEarlierFile(pathInFolder(folder.dir, name));
        for (fs::path parent = fs::path(name).parent_path(); !parent.empty(); parent = parent.parent_path()) {
            folders.insert(parent.string());
        }
    }
    // The deepest first; a folder still holding something stays.
    for (auto it = folders.rbegin(); it != folders.rend(); ++it) rmdir(pathInFolder(folder.dir, *it).c_str());
}

std::string freeName(const OutputFolder& folder, const std::string& wanted, const std::string& text) {
    const fs::path path(wanted);
    const std::string stem = path.stem().string();
    const std::string extension = path.extension().string();
    for (int k = 1;; ++k) {
        const std::string name = k == 1 ? wanted : stem + "-" + std::to_string(k) + extension;
        const std::string full = pathInFolder(folder.dir, name);
        struct stat status;
        if (lstat(full.c_str(), &status) != 0 || folder.earlierFiles.count(name) != 0 || holds(full, text)) {
            return name;
        }
    }
}

void noteWritten(OutputFolder& folder, const std::string& relativePath) {
    if (std::find(folder.writtenFiles.begin(), folder.writtenFiles.end(), relativePath) == folder.writtenFiles.end()) {
        folder.writtenFiles.push_back(relativePath);
    }
}

bool writeFolderFile(OutputFolder& folder, const std::string& name, const std::string& text, std::string& error) {
    if (!writeTextFile(pathInFolder(folder.dir, name), text, error)) return false;
    noteWritten(folder, name);
    return true;
}

namespace {

// run.out as it stands before a run's first results step.
RunRecord startedRecord(const RunRecord& record) {
    RunRecord started = record;
    started.trialsRanked = 0;
    started.optimumCase = -1;
    started.outputSampleRate = 0.0;
    started.outputTimeStep = 0.0;
    started.outputSampleCount = 0;
    started.hasChecksums = false;
    started.holds = HistoryKind::plainRun;
    started.checksums = {};
    started.wavelets.clear();
    started.driveReference.clear();
    started.driveMeasured.clear();
    started.driveCorrection.clear();
    return started;
}

// The program's search from `searchDir` (trials.out, rank_d.out, rank.out),
// then wavelet.out, run.out and the histories of `history`.
bool writeHistoryAfterSearch(OutputFolder& folder, const std::string& searchDir, const RefinedRun& history,
                             std::string& error) {
    for (const char* name : {trialsFileName, sortedListsFileName, ranksFileName}) {
        if (!copyRunFile(folder, searchDir, name, error)) return false;
    }
    const HistoryFiles& files = history.files;
    return writeFolderFile(folder, waveletFileName, history.waveletText, error) &&
           writeFolderFile(folder, runRecordFileName, formatRunRecord(history.results.record), error) &&
           writeFolderFile(folder, accelFileName, files.accelText, error) &&
           writeFolderFile(folder, velocityFileName, files.velocityText, error) &&
           writeFolderFile(folder, displacementFileName, files.displacementText, error) &&
           writeFolderFile(folder, srsFileName, files.srsText, error);
}

}  // namespace

bool publishKeptRun(OutputFolder& folder, const std::string& attemptDir, const AttemptPlan& plan,
                    const RefinedRun* refined, std::string& error) {
    std::string text;
    std::string reason;
    RunRecord record;
    std::string problem;
    if (!readWholeFile(pathInFolder(attemptDir, runRecordFileName), text, reason) ||
        !parseRunRecord(text, record, problem)) {
        error = "cannot read the kept attempt's " + pathInFolder(attemptDir, runRecordFileName) + ": " +
                (problem.empty() ? reason : problem);
        return false;
    }
    if (!writeFolderFile(folder, runRecordFileName, formatRunRecord(startedRecord(record)), error) ||
        !writeFolderFile(folder, answersFileName, answersText(plan.answers), error)) {
        return false;
    }
    // The specification may be the engineer's own file in this folder; it is
    // left as it is when it holds the text already.
    const std::string specPath = pathInFolder(folder.dir, plan.answers.specFileName);
    if (holds(specPath, plan.specText)) {
        noteWrittenUnlessTheirs(folder, plan.answers.specFileName);
    } else if (!writeFolderFile(folder, plan.answers.specFileName, plan.specText, error)) {
        return false;
    }
    if (refined == nullptr) {
        for (const char* name : runFileNames) {
            if (!copyRunFile(folder, attemptDir, name, error)) return false;
        }
        return true;
    }
    return writeHistoryAfterSearch(folder, attemptDir, *refined, error);
}

bool publishDrive(OutputFolder& folder, const RunFolder& reference, const RefinedRun& drive, std::string& error) {
    const RunRecord& record = drive.results.record;
    if (!writeFolderFile(folder, runRecordFileName, formatRunRecord(startedRecord(record)), error)) return false;
    std::string text;
    std::string reason;
    // The answers and the specification the program's run was made with, as
    // the reference holds them (the specification may be the engineer's own
    // file in this folder, left as it is when it holds the text already).
    if (readWholeFile(pathInFolder(reference.dir, answersFileName), text, reason) &&
        !writeFolderFile(folder, answersFileName, text, error)) {
        return false;
    }
    if (!readWholeFile(pathInFolder(reference.dir, record.specFileName), text, reason)) {
        error = "cannot read the reference's specification " + pathInFolder(reference.dir, record.specFileName) + ": " +
                reason;
        return false;
    }
    if (holds(pathInFolder(folder.dir, record.specFileName), text)) {
        noteWrittenUnlessTheirs(folder, record.specFileName);
    } else if (!writeFolderFile(folder, record.specFileName, text, error)) {
        return false;
    }
    return writeHistoryAfterSearch(folder, reference.dir, drive, error);
}

void removeStaleFiles(const OutputFolder& folder) {
    for (const std::string& name : folder.earlierFiles) {
        if (startsWithAttempts(name)) continue;
        if (std::find(folder.writtenFiles.begin(), folder.writtenFiles.end(), name) != folder.writtenFiles.end()) {
            continue;
        }
        removeEarlierFile(pathInFolder(folder.dir, name));
    }
}

std::vector<std::string> filesOwnedAfterStop(const OutputFolder& folder) {
    std::vector<std::string> owned = folder.writtenFiles;
    for (const std::string& name : folder.earlierFiles) {
        if (startsWithAttempts(name) || std::find(owned.begin(), owned.end(), name) != owned.end()) continue;
        struct stat status;
        if (lstat(pathInFolder(folder.dir, name).c_str(), &status) == 0) owned.push_back(name);
    }
    return owned;
}
