#include "run/spec_refusal.h"

void printSpecRefusal(SpecReadStatus status, const SpecTable& spec, std::FILE* console) {
    switch (status) {
        case SpecReadStatus::ok:
        case SpecReadStatus::openFailed:
            return;
        case SpecReadStatus::noPoints:
            std::fputs("\n\n Error: no specification points read.\n\n", console);
            return;
        case SpecReadStatus::tooManyPoints:
            std::fputs("\n\n Error: more than 200 specification points.\n\n", console);
            return;
        case SpecReadStatus::notFinite: {
            const int point = firstNonFinitePoint(spec);
            std::fprintf(console, "\n\n Error: specification point %d (%g, %g) is not a finite number.\n\n", point + 1,
                         spec.frequency[point], spec.level[point]);
            return;
        }
        case SpecReadStatus::levelNotPositive: {
            const int point = firstNonPositiveLevel(spec);
            std::fprintf(console, "\n\n Error: specification point %d (%g, %g) has a level that is not above zero.\n\n",
                         point + 1, spec.frequency[point], spec.level[point]);
            return;
        }
    }
}

namespace {

// The file's first word, as far as a line can show it.
std::string firstWordOf(const std::string& path, bool& byteOrderMark) {
    std::string start(64, '\0');
    std::FILE* file = std::fopen(path.c_str(), "rb");
    const std::size_t got = file != nullptr ? std::fread(start.data(), 1, start.size(), file) : 0;
    if (file != nullptr) std::fclose(file);
    start.resize(got);
    byteOrderMark = start.compare(0, 3, "\xEF\xBB\xBF") == 0;
    const std::size_t first = start.find_first_not_of(" \t\r\n,;");
    if (first == std::string::npos) return "";
    const std::size_t end = start.find_first_of(" \t\r\n,;", first);
    std::string word = start.substr(first, end == std::string::npos ? std::string::npos : end - first);
    for (char& c : word) {
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7f) c = '?';
    }
    return word;
}

}  // namespace

std::string specRefusalReason(SpecReadStatus status, const SpecTable& spec, const std::string& path) {
    switch (status) {
        case SpecReadStatus::ok:
        case SpecReadStatus::openFailed:
            return "";
        case SpecReadStatus::noPoints: {
            bool byteOrderMark = false;
            const std::string word = firstWordOf(path, byteOrderMark);
            if (byteOrderMark) {
                return " The file gives no points: it starts with a byte-order mark (a spreadsheet's UTF-8 text); "
                       "save it as plain text \n";
            }
            if (word.empty()) return " The file gives no points: it holds no numbers \n";
            return " The file gives no points: its first word, \"" + word +
                   "\", is not a number (no header lines allowed) \n";
        }
        case SpecReadStatus::tooManyPoints:
            return " The file holds more than 200 points \n";
        case SpecReadStatus::notFinite: {
            const int point = firstNonFinitePoint(spec);
            char line[160];
            std::snprintf(line, sizeof line, " Point %d (%g, %g) of the file is not a finite number \n", point + 1,
                          spec.frequency[point], spec.level[point]);
            return line;
        }
        case SpecReadStatus::levelNotPositive: {
            const int point = firstNonPositiveLevel(spec);
            char line[160];
            std::snprintf(line, sizeof line, " Point %d (%g, %g) of the file has a level that is not above zero \n",
                          point + 1, spec.frequency[point], spec.level[point]);
            return line;
        }
    }
    return "";
}

RunOutcome specOutcomeOf(SpecReadStatus status) {
    switch (status) {
        case SpecReadStatus::ok: return RunOutcome::completed;
        case SpecReadStatus::openFailed: return RunOutcome::specUnreadable;
        case SpecReadStatus::noPoints: return RunOutcome::specHasNoPoints;
        case SpecReadStatus::tooManyPoints: return RunOutcome::specHasTooManyPoints;
        case SpecReadStatus::notFinite: return RunOutcome::specNotFinite;
        case SpecReadStatus::levelNotPositive: return RunOutcome::specLevelNotPositive;
    }
    return RunOutcome::specUnreadable;
}
