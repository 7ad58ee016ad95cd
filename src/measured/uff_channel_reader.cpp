#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "measured/channel_readers.h"

namespace {

std::string trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// Fortran numbers: "1.5D+00" is read as "1.5E+00".
bool fortranNumber(std::string token, double& value) {
    for (char& c : token) {
        if (c == 'D' || c == 'd') c = 'E';
    }
    if (token.empty()) return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtod(token.c_str(), &end);
    return end == token.c_str() + token.size();
}

// A fixed-width field of a record line, or the line's blank-separated words
// when the writer did not keep to the widths.
bool fixedFields(const std::string& line, const std::vector<int>& widths, std::vector<double>& values) {
    values.clear();
    std::size_t at = 0;
    for (const int width : widths) {
        double value = 0.0;
        if (at >= line.size() || !fortranNumber(trimmed(line.substr(at, static_cast<std::size_t>(width))), value)) {
            break;
        }
        values.push_back(value);
        at += static_cast<std::size_t>(width);
    }
    if (values.size() == widths.size()) return true;
    values.clear();
    std::size_t start = line.find_first_not_of(" \t\r");
    while (start != std::string::npos && values.size() < widths.size()) {
        const std::size_t end = line.find_first_of(" \t\r", start);
        double value = 0.0;
        if (!fortranNumber(line.substr(start, end == std::string::npos ? end : end - start), value)) return false;
        values.push_back(value);
        start = end == std::string::npos ? end : line.find_first_not_of(" \t\r", end);
    }
    return values.size() == widths.size();
}

// A whole number in a record's field, within what any such field can mean.
bool wholeIn(double value, long& whole) {
    if (!(std::fabs(value) <= 2e9) || value != std::floor(value)) return false;
    whole = static_cast<long>(value);
    return true;
}

struct Dataset {
    std::size_t firstLine = 0;       // of its "58" line, numbered from 1
    std::vector<std::string> lines;  // after the "58" line, up to the closing delimiter
    bool binary = false;
};

// The datasets 58 of the file, in order; others are passed over.
std::vector<Dataset> datasetsOf(const std::string& text, std::vector<std::string>& others) {
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    std::vector<Dataset> sets;
    std::size_t l = 0;
    while (l < lines.size()) {
        if (trimmed(lines[l]) != "-1") {
            ++l;
            continue;
        }
        if (l + 1 >= lines.size()) break;
        const std::string kind = trimmed(lines[l + 1]);
        const std::string number = kind.substr(0, kind.find_first_of(" \t"));
        std::size_t close = l + 2;
        while (close < lines.size() && trimmed(lines[close]) != "-1") ++close;
        if (number == "58" || number == "58b" || number == "58B") {
            Dataset set;
            set.firstLine = l + 2;
            set.binary = number != "58";
            set.lines.assign(lines.begin() + static_cast<std::ptrdiff_t>(l + 2),
                             lines.begin() + static_cast<std::ptrdiff_t>(close));
            sets.push_back(std::move(set));
        } else if (!number.empty()) {
            others.push_back(number);
        }
        l = close + 1;
    }
    return sets;
}

struct Header {
    int functionType = 0;  // record 6: 1 time response
    int ordinateType = 0;  // record 7: 2 real single, 4 real double, 5 and 6 complex
    long count = 0;
    int evenSpacing = 0;  // 1 even, 0 uneven
    double xMin = 0.0;
    double dx = 0.0;
    int abscissaKind = 0;  // record 8: 17 time
    int ordinateKind = 0;  // record 9: 12 acceleration, 11 velocity, 8 displacement, 0 unknown
    std::string ordinateLabel;
    std::string ordinateUnit;
    std::string description;  // ID line 1
};

bool readHeader(const Dataset& set, Header& header, std::string& error) {
    if (set.lines.size() < 11) {
        error = "it ends before its eleven header records";
        return false;
    }
    header.description = trimmed(set.lines[0]);
    std::vector<double> values;
    long whole[3] = {};
    if (!fixedFields(set.lines[5].substr(0, 5), {5}, values) || !wholeIn(values[0], whole[0])) {
        error = "record 6 does not read";
        return false;
    }
    header.functionType = static_cast<int>(whole[0]);
    if (!fixedFields(set.lines[6], {10, 10, 10, 13, 13, 13}, values) || !wholeIn(values[0], whole[0]) ||
        !wholeIn(values[1], whole[1]) || !wholeIn(values[2], whole[2])) {
        error = "record 7 does not read";
        return false;
    }
    header.ordinateType = static_cast<int>(whole[0]);
    header.count = whole[1];
    header.evenSpacing = static_cast<int>(whole[2]);
    header.xMin = values[3];
    header.dx = values[4];
    for (int axis = 0; axis < 2; ++axis) {
        const std::string& line = set.lines[7 + static_cast<std::size_t>(axis)];
        if (!fixedFields(line.substr(0, std::min<std::size_t>(line.size(), 10)), {10}, values) ||
            !wholeIn(values[0], whole[0])) {
            error = "record " + std::to_string(8 + axis) + " does not read";
            return false;
        }
        (axis == 0 ? header.abscissaKind : header.ordinateKind) = static_cast<int>(whole[0]);
    }
    const std::string& ordinate = set.lines[8];
    // (I10,3I5,2(1X,20A1)): the label from column 27, the unit from 48.
    if (ordinate.size() > 26) header.ordinateLabel = trimmed(ordinate.substr(26, 20));
    if (ordinate.size() > 47) header.ordinateUnit = trimmed(ordinate.substr(47, 20));
    return true;
}

const char* kindName(int kind) {
    switch (kind) {
        case 12:
            return "acceleration";
        case 11:
            return "velocity";
        case 8:
            return "displacement";
        case 0:
            return "unknown quantity";
        default:
            return "not an acceleration";
    }
}

std::string describe(std::size_t index, std::size_t total, const Header& header) {
    std::string words = "UFF 58 record " + std::to_string(index + 1) + " of " + std::to_string(total);
    if (!header.description.empty() && header.description != "NONE") words += " (\"" + header.description + "\")";
    return words;
}

}  // namespace

bool looksLikeUff(const std::string& text) {
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string line = trimmed(text.substr(start, end - start));
        if (!line.empty()) return line == "-1";
        start = end + 1;
    }
    return false;
}

bool readUffChannel(const std::string& text, const MeasuredReadOptions& options, RawChannel& channel,
                    std::string& error) {
    std::vector<std::string> others;
    const std::vector<Dataset> sets = datasetsOf(text, others);
    if (sets.empty()) {
        error = "a UFF file without a dataset 58 (a function record)";
        if (!others.empty()) error += "; its datasets are " + others.front() + (others.size() > 1 ? ", ..." : "");
        return false;
    }
    std::vector<Header> headers(sets.size());
    std::size_t chosen = sets.size();
    if (options.record > 0) {
        if (static_cast<std::size_t>(options.record) > sets.size()) {
            error = "--record " + std::to_string(options.record) + " asks for more than its " +
                    std::to_string(sets.size()) + " dataset 58 records";
            return false;
        }
        chosen = static_cast<std::size_t>(options.record - 1);
    }
    std::size_t accelerations = 0;
    std::vector<std::string> problems(sets.size());
    for (std::size_t k = 0; k < sets.size(); ++k) {
        if (sets[k].binary) continue;
        if (!readHeader(sets[k], headers[k], problems[k])) {
            if (k == chosen) {
                error = "UFF 58 record " + std::to_string(k + 1) + ": " + problems[k];
                return false;
            }
            continue;
        }
        if (headers[k].functionType == 1 && headers[k].ordinateKind == 12) {
            ++accelerations;
            if (options.record == 0 && chosen == sets.size()) chosen = k;
        }
    }
    if (chosen == sets.size()) {
        for (std::size_t k = 0; k < sets.size() && chosen == sets.size(); ++k) {
            if (!sets[k].binary && problems[k].empty() && headers[k].functionType == 1 &&
                headers[k].ordinateKind == 0) {
                chosen = k;
            }
        }
    }
    if (chosen == sets.size()) {
        if (!problems.front().empty()) {
            error = "UFF 58 record 1: " + problems.front();
        } else {
            error = sets.front().binary ? "its records are binary UFF (58b), which is not read: save the record as "
                                          "ASCII UFF 58, CSV or .mat"
                                        : "none of its dataset 58 records is a time response of acceleration; "
                                          "--record N chooses one";
        }
        return false;
    }
    const Dataset& set = sets[chosen];
    const Header& h = headers[chosen];
    const std::string where = "UFF 58 record " + std::to_string(chosen + 1);
    if (set.binary) {
        error = where + " is binary UFF (58b), which is not read: save the record as ASCII UFF 58, CSV or .mat";
        return false;
    }
    if (h.functionType != 1) {
        error = where + " is not a time response (function type " + std::to_string(h.functionType) + ")";
        return false;
    }
    if (h.ordinateKind != 12 && h.ordinateKind != 0) {
        error = where + " holds a " + kindName(h.ordinateKind) + " (data type " + std::to_string(h.ordinateKind) +
                "), not an acceleration";
        return false;
    }
    if (h.ordinateType != 2 && h.ordinateType != 4) {
        error = where + " holds " + (h.ordinateType == 5 || h.ordinateType == 6 ? "complex" : "unknown") +
                " values (ordinate data type " + std::to_string(h.ordinateType) + "); a time response is real";
        return false;
    }
    if (h.abscissaKind != 17 && h.abscissaKind != 0) {
        error = where + "'s abscissa is not time (data type " + std::to_string(h.abscissaKind) + ")";
        return false;
    }
    if (h.count < 2 || static_cast<std::size_t>(h.count) > maxMeasuredSamples) {
        error = where + " gives " + std::to_string(h.count) + " values";
        return false;
    }
    const bool even = h.evenSpacing == 1;
    const std::size_t wanted = static_cast<std::size_t>(h.count) * (even ? 1 : 2);
    std::vector<double> numbers;
    std::vector<std::string> abscissas;
    numbers.reserve(wanted);
    for (std::size_t l = 11; l < set.lines.size() && numbers.size() < wanted; ++l) {
        const std::string& line = set.lines[l];
        std::size_t start = line.find_first_not_of(" \t\r");
        while (start != std::string::npos) {
            const std::size_t end = line.find_first_of(" \t\r", start);
            const std::string token = line.substr(start, end == std::string::npos ? end : end - start);
            double value = 0.0;
            if (!fortranNumber(token, value)) {
                error = where + ": line " + std::to_string(set.firstLine + l + 1) + " does not read as numbers (\"" +
                        token + "\")";
                return false;
            }
            if (!even && numbers.size() % 2 == 0) abscissas.push_back(token);
            numbers.push_back(value);
            start = end == std::string::npos ? end : line.find_first_not_of(" \t\r", end);
        }
    }
    if (numbers.size() != wanted) {
        error = where + " holds " + std::to_string(numbers.size()) + " numbers where record 7 announces " +
                std::to_string(wanted);
        return false;
    }
    if (even) {
        channel.acceleration = std::move(numbers);
        channel.startTime = h.xMin;
        channel.step = h.dx;
    } else {
        for (std::size_t i = 0; i < numbers.size(); i += 2) {
            channel.times.time.push_back(numbers[i]);
            channel.times.rounding.push_back(halfLastDigit(abscissas[i / 2]));
            channel.acceleration.push_back(numbers[i + 1]);
        }
    }
    channel.accelUnit = h.ordinateUnit == "NONE" ? "" : h.ordinateUnit;
    // A velocity record beside it says the unit system, as our export's does.
    for (std::size_t k = 0; k < sets.size(); ++k) {
        if (!sets[k].binary && headers[k].ordinateKind == 11 && headers[k].ordinateUnit != "NONE") {
            channel.velocityUnit = headers[k].ordinateUnit;
            break;
        }
    }
    channel.channel = describe(chosen, sets.size(), h);
    if (accelerations > 1 && options.record == 0) {
        channel.notes.push_back("judged " + channel.channel + ", the first of " + std::to_string(accelerations) +
                                " acceleration records; --record N chooses another");
    }
    return true;
}
