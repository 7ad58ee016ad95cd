#include "common/file_errors.h"

bool reportUnwritable(const char* name, std::FILE* console) {
    std::fprintf(console, "\n\n Error: cannot write %s \n\n", name);
    return false;
}
