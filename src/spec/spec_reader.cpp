#include <cctype>
#include <cmath>
#include <cstdio>
#include <string>

#include "spec/spec_table.h"

namespace {

// Numbers are separated by white space, as "%lf" skips it, or by the comma and
// semicolon of a spreadsheet's export; a run of them counts as one separator.
bool isSeparator(int c) {
    return std::isspace(c) || c == ',' || c == ';';
}

// Skips separators, counting line breaks in `line` (LF, CR LF and a lone CR
// each end one line), and leaves the next character unread. Returns it, or EOF.
int skipSeparators(std::FILE* stream, int& line) {
    int previous = EOF;  // no separator before this run
    int c = std::getc(stream);
    while (c != EOF && isSeparator(c)) {
        if (c == '\r' || (c == '\n' && previous != '\r')) ++line;
        previous = c;
        c = std::getc(stream);
    }
    if (c != EOF) std::ungetc(c, stream);
    return c;
}

// One "%lf" conversion at a character that is not a separator: exactly the
// digits, and so the bits, that a scan of the whole file would convert there.
bool readNumber(std::FILE* stream, double& value) {
    return std::fscanf(stream, "%lf", &value) == 1;
}

// The token that starts at `start` (the stream's offset before the conversion
// that failed there), shortened for one console line. A stream that cannot
// seek back gives what follows the failed conversion instead.
std::string tokenAt(std::FILE* stream, long start) {
    constexpr std::size_t shownLength = 40;
    if (start >= 0) std::fseek(stream, start, SEEK_SET);
    std::string token;
    int c = std::getc(stream);
    while (c != EOF && !isSeparator(c) && token.size() < shownLength) {
        token.push_back(std::iscntrl(c) ? '?' : static_cast<char>(c));
        c = std::getc(stream);
    }
    if (c != EOF && !isSeparator(c)) token += "...";
    return token;
}

}  // namespace

SpecReadStatus readSpecStream(std::FILE* stream, SpecTable& spec, std::FILE* warnings, int* stoppedAtLine) {
    spec = SpecTable{};
    if (stoppedAtLine != nullptr) *stoppedAtLine = 0;
    int line = 1;
    // Where the conversion that ends the reading failed. A level that is not a
    // number is read as 0 and ends the reading at the next frequency, unless
    // what the failed conversion left is a number again.
    long failedStart = -1;
    int failedLine = 0;
    for (;;) {
        double frequency = 0.0;
        double level = 0.0;
        const bool atEnd = skipSeparators(stream, line) == EOF;
        if (!atEnd) {
            const long start = std::ftell(stream);
            if (readNumber(stream, frequency)) {
                failedLine = 0;
            } else if (failedLine == 0) {
                failedStart = start;
                failedLine = line;
            }
        }
        if (atEnd || failedLine != 0) {
            // A header line ends the reading with no points, which the caller
            // reports as an error without this warning.
            if (failedLine != 0 && spec.count > 0 && stoppedAtLine != nullptr) *stoppedAtLine = failedLine;
            if (failedLine != 0 && spec.count > 0 && warnings != nullptr) {
                std::fprintf(warnings,
                             " Warning: reading stopped at line %d on \"%s\", which is not a number"
                             " (points read: %d). \n",
                             failedLine, tokenAt(stream, failedStart).c_str(), spec.count);
            }
            break;
        }
        if (spec.count == maxSpecPoints) return SpecReadStatus::tooManyPoints;
        // A lone final number is a point of level 0.
        if (skipSeparators(stream, line) != EOF) {
            const long start = std::ftell(stream);
            if (!readNumber(stream, level)) {
                level = 0.0;
                failedStart = start;
                failedLine = line;
            }
        }
        spec.frequency[spec.count] = frequency;
        spec.level[spec.count] = level;
        ++spec.count;
    }
    return tableStatus(spec);
}

int firstNonPositiveLevel(const SpecTable& spec) {
    for (int i = 0; i < spec.count; ++i) {
        if (!(spec.level[i] > 0.0)) return i;
    }
    return -1;
}

SpecReadStatus tableStatus(const SpecTable& spec) {
    if (spec.count < 1) return SpecReadStatus::noPoints;
    if (spec.count > maxSpecPoints) return SpecReadStatus::tooManyPoints;
    if (firstNonFinitePoint(spec) >= 0) return SpecReadStatus::notFinite;
    if (firstNonPositiveLevel(spec) >= 0) return SpecReadStatus::levelNotPositive;
    return SpecReadStatus::ok;
}

int firstNonFinitePoint(const SpecTable& spec) {
    for (int i = 0; i < spec.count; ++i) {
        if (!std::isfinite(spec.frequency[i]) || !std::isfinite(spec.level[i])) return i;
    }
    return -1;
}

SpecReadStatus readSpecFile(const char* fileName, SpecTable& spec, std::FILE* console, const char* shownName,
                            int* stoppedAtLine) {
    const char* name = shownName != nullptr ? shownName : fileName;
    std::FILE* stream = std::fopen(fileName, "rb");
    if (stream == nullptr) {
        spec = SpecTable{};
        std::fprintf(console, " Failed to open file: %s \n", name);
        return SpecReadStatus::openFailed;
    }
    std::fprintf(console, " File: %s opened. \n", name);
    const SpecReadStatus status = readSpecStream(stream, spec, console, stoppedAtLine);
    std::fclose(stream);
    return status;
}
