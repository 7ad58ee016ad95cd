#include <iostream>
#include <string>
#include <vector>

#include "export/export_app.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    return runExport(args, std::cout, std::cerr);
}
