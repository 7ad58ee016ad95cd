#include "export/exported_history.h"

#include <charconv>

double sampleRateOf(const ExportedHistory& history) { return 1.0 / history.timeStep; }

std::string roundTripText(double value) {
    std::string text;
    appendRoundTrip(text, value);
    return text;
}

void appendRoundTrip(std::string& out, double value) {
    char text[64];
    const std::to_chars_result written = std::to_chars(text, text + sizeof text, value);
    out.append(text, written.ptr);
}
