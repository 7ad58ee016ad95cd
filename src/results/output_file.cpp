#include "results/output_file.h"

#include <unistd.h>

#include "common/file_paths.h"

bool openOutputFile(OutputFile& file, const std::string& folder, const char* name) {
    file.name = name;
    file.path = pathInFolder(folder, name);
    file.temporaryPath =
        pathInFolder(folder, std::string(".") + name + "." + std::to_string(static_cast<long>(getpid())) + ".tmp");
    file.stream = std::fopen(file.temporaryPath.c_str(), "wb");
    return file.stream != nullptr;
}

bool openStreamedOutputFile(OutputFile& file, const std::string& folder, const char* name) {
    if (!openOutputFile(file, folder, name)) return false;
    if (std::rename(file.temporaryPath.c_str(), file.path.c_str()) == 0) return true;
    discardOutputFile(file);
    return false;
}

bool commitOutputFile(OutputFile& file) {
    if (file.stream == nullptr) return false;
    bool ok = std::fflush(file.stream) == 0 && std::ferror(file.stream) == 0;
    ok = (std::fclose(file.stream) == 0) && ok;
    file.stream = nullptr;
    if (ok) ok = std::rename(file.temporaryPath.c_str(), file.path.c_str()) == 0;
    if (!ok) std::remove(file.temporaryPath.c_str());
    return ok;
}

void discardOutputFile(OutputFile& file) {
    if (file.stream != nullptr) {
        std::fclose(file.stream);
        file.stream = nullptr;
        std::remove(file.temporaryPath.c_str());
    }
}
