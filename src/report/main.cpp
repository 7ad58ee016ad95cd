#include <iostream>
#include <string>
#include <vector>

#include "report/report_app.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    return runReport(args, std::cout, std::cerr);
}
