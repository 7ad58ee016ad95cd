#include "results/output_file.h"

#include <cstdio>
#include <unistd.h>

bool openOutputFile(OutputFile& file, const char* name) {
    file.name = name;
    file.temporaryName = std::string(".") + name + "." + std::to_string(static_cast<long>(getpid())) + ".tmp";
    file.stream = std::fopen(file.temporaryName.c_str(), "wb");
    return file.stream != nullptr;
}

bool commitOutputFile(OutputFile& file) {
    if (file.stream == nullptr) return false;
    bool ok = std::fflush(file.stream) == 0 && std::ferror(file.stream) == 0;
    ok = (std::fclose(file.stream) == 0) && ok;
    file.stream = nullptr;
    if (ok) ok = std::rename(file.temporaryName.c_str(), file.name.c_str()) == 0;
    if (!ok) std::remove(file.temporaryName.c_str());
    return ok;
}

void discardOutputFile(OutputFile& file) {
    if (file.stream != nullptr) {
        std::fclose(file.stream);
        file.stream = nullptr;
        std::remove(file.temporaryName.c_str());
    }
}
