#include <iostream>
#include <string>
#include <vector>

#include "fit/fit_app.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    return runFit(args, std::cout, std::cerr);
}
