#include <iostream>
#include <string>
#include <vector>

#include "rebuild/rebuild_app.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    return runRebuild(args, std::cout, std::cerr);
}
