#include "results/file_layout.h"

#include <charconv>
#include <string>

#include "common/number_format.h"

int historyTimeDecimals(double timeStep) { return 1.0 / timeStep > 10000.0 ? 8 : 5; }

double historyValueAsPrinted(double value) {
    std::string text;
    appendFixed(text, value, 0, historyValueDecimals);
    double read = 0.0;
    std::from_chars(text.data(), text.data() + text.size(), read);
    return read;
}
