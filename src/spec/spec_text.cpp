#include "spec/spec_text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "common/checksum.h"
#include "common/number_format.h"
#include "common/text_file.h"
#include "spec/spec_level.h"

namespace {

const std::string byteOrderMark = "\xEF\xBB\xBF";

// The separators the program's reader skips: white space, and the comma and
// semicolon of a spreadsheet's export.
bool isSeparator(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f' || c == ',' || c == ';';
}

struct Word {
    std::string text;
    int line = 0;
};

// The text's lines, each with its words; LF, CR LF and a lone CR end a line.
struct Line {
    std::size_t start = 0;  // offset of the line's first character
    std::vector<Word> words;
};

std::vector<Line> splitWords(const std::string& text, std::size_t from) {
    std::vector<Line> lines(1);
    lines.back().start = from;
    std::size_t i = from;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '\n' || c == '\r') {
            i += (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
            lines.emplace_back();
            lines.back().start = i;
            continue;
        }
        if (isSeparator(c)) {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < text.size() && !isSeparator(text[end])) ++end;
        lines.back().words.push_back({text.substr(i, end - i), static_cast<int>(lines.size())});
        i = end;
    }
    return lines;
}

// A word as the console can show it: control bytes as '?', long ones cut.
std::string shown(const std::string& word) {
    constexpr std::size_t shownLength = 40;
    std::string out;
    for (const char c : word.substr(0, shownLength)) {
        out.push_back(static_cast<unsigned char>(c) < 0x20 || c == 0x7f ? '?' : c);
    }
    return word.size() > shownLength ? out + "..." : out;
}

// strtod over the whole word; what "%lf" reads from a word that is wholly a
// number is the same double.
bool wholeNumber(const std::string& word, double& value) {
    char* end = nullptr;
    value = std::strtod(word.c_str(), &end);
    return !word.empty() && end == word.c_str() + word.size();
}

std::string numberText(double value) { return formatGeneral(value, 0, 10); }

}  // namespace

bool readSpecText(const std::string& text, const std::string& name, SpecText& spec, std::string& error) {
    spec = SpecText{};
    spec.checksum = fnv1a64(text.data(), text.size());
    const bool marked = text.compare(0, byteOrderMark.size(), byteOrderMark) == 0;
    if (marked) spec.notes.push_back(name + " starts with a UTF-8 byte-order mark, which is skipped");
    std::vector<Line> lines = splitWords(text, marked ? byteOrderMark.size() : 0);

    // One heading line is forgiven: the first line with words, when its
    // first word is not a number.
    std::size_t numericStart = marked ? byteOrderMark.size() : 0;
    for (Line& line : lines) {
        if (line.words.empty()) continue;
        double ignored = 0.0;
        if (!wholeNumber(line.words.front().text, ignored)) {
            std::string heading;
            for (const Word& word : line.words) heading += (heading.empty() ? "" : " ") + word.text;
            spec.notes.push_back(name + ": line " + std::to_string(line.words.front().line) + ", \"" + shown(heading) +
                                 "\", is taken as a heading");
            line.words.clear();
            const std::size_t next = static_cast<std::size_t>(&line - lines.data()) + 1;
            numericStart = next < lines.size() ? lines[next].start : text.size();
        }
        break;
    }
    spec.numericText = text.substr(numericStart);

    std::vector<Word> words;
    for (const Line& line : lines) words.insert(words.end(), line.words.begin(), line.words.end());
    std::vector<double> numbers;
    for (const Word& word : words) {
        const std::string where = name + " line " + std::to_string(word.line) + ": \"" + shown(word.text) + "\"";
        double value = 0.0;
        if (!wholeNumber(word.text, value)) {
            // The program reads "%lf": a word that starts with a number ("7S")
            // gives it that number, and a frequency without a level is a point.
            char* end = nullptr;
            std::strtod(word.text.c_str(), &end);
            const std::size_t read = numbers.size() + (end != word.text.c_str() ? 1 : 0);
            const std::size_t points = (read + 1) / 2;
            error = where + " is not a number; the program would stop reading there" +
                    (points >= 1 ? " and use only the " + std::to_string(points) + " point" + (points == 1 ? "" : "s") +
                                       " read by then"
                                 : "");
            return false;
        }
        if (!std::isfinite(value)) {
            error = where + " is not a finite number";
            return false;
        }
        numbers.push_back(value);
    }
    if (numbers.empty()) {
        error = name + ": no frequency/level pairs (the numbers start on the first line, or after one heading line)";
        return false;
    }
    if (numbers.size() % 2 != 0) {
        error = name + " line " + std::to_string(words.back().line) + ": the frequency " +
                numberText(numbers.back()) + " Hz has no level after it";
        return false;
    }
    const std::size_t pairs = numbers.size() / 2;
    if (pairs > static_cast<std::size_t>(maxSpecPoints)) {
        error = name + ": more than " + std::to_string(maxSpecPoints) + " points (" + std::to_string(pairs) +
                " frequency/level pairs); the program holds " + std::to_string(maxSpecPoints);
        return false;
    }
    SpecTable& table = spec.table;
    for (std::size_t i = 0; i < pairs; ++i) {
        const double frequency = numbers[2 * i];
        const double level = numbers[2 * i + 1];
        const std::string where = name + " line " + std::to_string(words[2 * i].line) + ", point " +
                                  std::to_string(i + 1) + ": ";
        if (!(frequency > 0.0)) {
            error = where + "the frequency " + numberText(frequency) + " Hz is not above zero";
            return false;
        }
        if (i > 0 && !(frequency > table.frequency[i - 1])) {
            error = where + "the frequency " + numberText(frequency) + " Hz is not above the one before it (" +
                    numberText(table.frequency[i - 1]) + " Hz); frequencies ascend";
            return false;
        }
        if (!(level > 0.0)) {
            error = where + "the level " + numberText(level) + " is not above zero";
            return false;
        }
        table.frequency[i] = frequency;
        table.level[i] = level;
        table.count = static_cast<int>(i + 1);
    }
    // The program's 200-point grid spans at most 199 third-octave steps: a
    // wider table is no run's, and its analysis grid would run to thousands
    // of points.
    const double octaves = std::log2(table.frequency[table.count - 1] / table.frequency[0]);
    if (octaves > maxSpecOctaves) {
        error = name + ": it spans " + numberText(std::floor(octaves)) + " octaves, " +
                numberText(table.frequency[0]) + " to " + numberText(table.frequency[table.count - 1]) +
                " Hz, more than the 66 the program's 200-point grid covers";
        return false;
    }
    computeSlopes(table);
    return true;
}

bool readSpecTextFile(const std::string& path, SpecText& spec, std::string& error) {
    const std::string name = "specification file " + path;
    std::string text;
    std::string reason;
    if (!readWholeFile(path, text, reason)) {
        spec = SpecText{};
        error = "cannot read " + name + ": " + reason;
        return false;
    }
    const bool read = readSpecText(text, name, spec, error);
    spec.path = path;
    return read;
}
