#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "measured/channel_readers.h"

namespace {

struct Line {
    std::size_t number = 0;
    std::string text;
};

std::string trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t\r\"'");
    if (first == std::string::npos) return "";
    const std::size_t last = text.find_last_not_of(" \t\r\"'");
    return text.substr(first, last - first + 1);
}

std::string lowered(const std::string& text) {
    std::string out = text;
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// The fields of a line split at `delimiter`, or at runs of blanks when it is
// ' '; a delimiter closing the line adds no field.
std::vector<std::string> fieldsOf(const std::string& line, char delimiter) {
    std::vector<std::string> fields;
    if (delimiter == ' ') {
        std::size_t start = line.find_first_not_of(" \t\r");
        while (start != std::string::npos) {
            const std::size_t end = line.find_first_of(" \t\r", start);
            fields.push_back(line.substr(start, end == std::string::npos ? end : end - start));
            start = end == std::string::npos ? end : line.find_first_not_of(" \t\r", end);
        }
        return fields;
    }
    std::size_t start = 0;
    while (true) {
        const std::size_t end = line.find(delimiter, start);
        fields.push_back(trimmed(line.substr(start, end == std::string::npos ? end : end - start)));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    if (fields.size() > 1 && fields.back().empty()) fields.pop_back();
    return fields;
}

bool numberOf(const std::string& field, double& value) {
    if (field.empty()) return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtod(field.c_str(), &end);
    return end == field.c_str() + field.size();
}

// The delimiter that splits `line` into numbers only, or 0.
char dataDelimiter(const std::string& line) {
    for (const char delimiter : {',', ';', '\t', ' '}) {
        const std::vector<std::string> fields = fieldsOf(line, delimiter);
        if (fields.empty()) continue;
        bool numbers = true;
        for (const std::string& field : fields) {
            double value = 0.0;
            numbers = numbers && numberOf(field, value);
        }
        if (numbers) return delimiter;
    }
    return 0;
}

bool isTimeHeading(const std::string& heading) {
    const std::string h = lowered(heading);
    return h.rfind("time", 0) == 0 || h == "t" || h.rfind("t (", 0) == 0 || h.rfind("t [", 0) == 0 ||
           h.rfind("t_", 0) == 0 || h.rfind("t(", 0) == 0 || h.rfind("t[", 0) == 0;
}

// The seconds in one unit of a time column's heading.
bool secondsPerUnit(const std::string& unit, double& seconds) {
    const std::string u = lowered(trimmed(unit));
    if (u.empty() || u == "s" || u == "sec" || u == "seconds")
        seconds = 1.0;
    else if (u == "ms" || u == "msec")
        seconds = 1e-3;
    else if (u == "us" || u == "\xc2\xb5s" || u == "usec")
        seconds = 1e-6;
    else
        return false;
    return true;
}

// A column named by --column: its 1-based number, or its heading.
bool columnNamed(const std::string& name, const std::vector<std::string>& headings, std::size_t count,
                 std::size_t& column, std::string& error) {
    char* end = nullptr;
    const long number = std::strtol(name.c_str(), &end, 10);
    if (!name.empty() && end == name.c_str() + name.size()) {
        if (number < 1 || static_cast<std::size_t>(number) > count) {
            error = "--column " + name + " is not one of its " + std::to_string(count) + " columns";
            return false;
        }
        column = static_cast<std::size_t>(number - 1);
        return true;
    }
    for (std::size_t k = 0; k < headings.size(); ++k) {
        if (lowered(headings[k]) == lowered(trimmed(name))) {
            column = k;
            return true;
        }
    }
    error = "no column is headed \"" + name + "\"";
    if (!headings.empty()) {
        error += " (the headings are";
        for (std::size_t k = 0; k < headings.size(); ++k) error += (k ? ", \"" : " \"") + headings[k] + "\"";
        error += ")";
    }
    return false;
}

std::string columnWords(std::size_t column, const std::vector<std::string>& headings) {
    std::string words = "column " + std::to_string(column + 1);
    if (column < headings.size() && !headings[column].empty()) words += " (\"" + headings[column] + "\")";
    return words;
}

}  // namespace

bool readTextChannel(const std::string& whole, const MeasuredReadOptions& options, RawChannel& channel,
                     std::string& error) {
    std::string_view text(whole);
    if (text.substr(0, 3) == "\xef\xbb\xbf") text.remove_prefix(3);
    // The lines that carry something, numbered as an editor numbers them.
    std::vector<Line> lines;
    for (std::size_t start = 0, number = 1; start < text.size(); ++number) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line(text.substr(start, end - start));
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#') continue;
        lines.push_back({number, line});
    }
    std::size_t firstData = 0;
    char delimiter = 0;
    while (firstData < lines.size() && (delimiter = dataDelimiter(lines[firstData].text)) == 0) ++firstData;
    if (firstData == lines.size()) {
        error = "no line of numbers found: a CSV or whitespace-separated table of time and acceleration is expected";
        return false;
    }
    const std::size_t count = fieldsOf(lines[firstData].text, delimiter).size();
    if (count < 2) {
        error = "line " + std::to_string(lines[firstData].number) +
                " holds one number: a time column and an acceleration column are needed";
        return false;
    }
    std::vector<std::string> headings;
    if (firstData > 0) {
        headings = fieldsOf(
            lines[firstData - 1].text,
            delimiter == ' ' ? (lines[firstData - 1].text.find('\t') != std::string::npos ? '\t' : ' ') : delimiter);
        for (std::string& heading : headings) heading = trimmed(heading);
        if (headings.size() != count) headings.clear();
    }

    std::size_t timeColumn = count;
    std::size_t accelColumn = count;
    if (!options.timeColumn.empty() && !columnNamed(options.timeColumn, headings, count, timeColumn, error))
        return false;
    if (!options.accelColumn.empty() && !columnNamed(options.accelColumn, headings, count, accelColumn, error)) {
        return false;
    }
    if (timeColumn == count) {
        for (std::size_t k = 0; k < headings.size() && timeColumn == count; ++k) {
            if (k != accelColumn && isTimeHeading(headings[k])) timeColumn = k;
        }
        if (timeColumn == count && count >= 2 && accelColumn != 0) timeColumn = 0;
    }
    if (timeColumn == count) {
        error =
            "it has no time column (one column of numbers, or --column chose the first): the step is taken "
            "from the times";
        return false;
    }
    std::size_t candidates = 0;
    if (accelColumn == count) {
        for (std::size_t k = 0; k < headings.size(); ++k) {
            if (k == timeColumn) continue;
            const std::string h = lowered(headings[k]);
            if (h.find("acc") != std::string::npos ||
                accelUnitKind(unitInHeading(headings[k])) != AccelUnitKind::none) {
                ++candidates;
                if (accelColumn == count) accelColumn = k;
            }
        }
        if (accelColumn == count) {
            accelColumn = timeColumn == 0 ? 1 : 0;
            candidates = count - 1;
        }
    }
    if (accelColumn == timeColumn) {
        error = "the time and the acceleration would be the same column";
        return false;
    }
    double seconds = 1.0;
    if (!headings.empty() && !secondsPerUnit(unitInHeading(headings[timeColumn]), seconds)) {
        error = "the time column's unit \"" + unitInHeading(headings[timeColumn]) + "\" is not s, ms or us";
        return false;
    }

    channel.channel = columnWords(accelColumn, headings);
    if (candidates > 1) {
        channel.notes.push_back("judged " + channel.channel + ", one of " + std::to_string(candidates) +
                                " acceleration channels; --column chooses another");
    }
    if (!headings.empty()) {
        channel.accelUnit = trimmed(unitInHeading(headings[accelColumn]));
        for (const std::string& heading : headings) {
            if (lowered(heading).rfind("vel", 0) == 0) channel.velocityUnit = unitInHeading(heading);
        }
    }
    const std::size_t rows = lines.size() - firstData;
    if (rows > maxMeasuredSamples) {
        error = "it holds more than " + std::to_string(maxMeasuredSamples) + " samples";
        return false;
    }
    channel.acceleration.reserve(rows);
    channel.times.time.reserve(rows);
    channel.times.rounding.reserve(rows);
    for (std::size_t l = firstData; l < lines.size(); ++l) {
        const std::vector<std::string> fields = fieldsOf(lines[l].text, delimiter);
        const std::string where = "line " + std::to_string(lines[l].number);
        if (fields.size() != count) {
            error = where + " has " + std::to_string(fields.size()) + " fields where the first line of numbers has " +
                    std::to_string(count);
            return false;
        }
        double time = 0.0;
        double acceleration = 0.0;
        if (!numberOf(fields[timeColumn], time) || !numberOf(fields[accelColumn], acceleration)) {
            error = where + " does not read as numbers (\"" + lines[l].text.substr(0, 60) + "\")";
            return false;
        }
        if (!std::isfinite(time) || !std::isfinite(acceleration)) {
            error = where +
                    " holds a value that is not a finite number; a record with gaps or overflows cannot "
                    "be judged";
            return false;
        }
        channel.times.time.push_back(time * seconds);
        channel.times.rounding.push_back(halfLastDigit(fields[timeColumn]) * seconds);
        channel.acceleration.push_back(acceleration);
    }
    return true;
}
