#include "run/terminal.h"

#include <unistd.h>

bool isTerminal(std::FILE* stream) {
    const int descriptor = fileno(stream);
    return descriptor >= 0 && isatty(descriptor) == 1;
}
