#include "report/band_file.h"

#include "common/text_file.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace {

bool parseField(const std::string& field, double& value) {
    char* end = nullptr;
    errno = 0;
    value = std::strtod(field.c_str(), &end);
    return end != field.c_str() && *end == '\0' && std::isfinite(value);
}

}  // namespace

bool parseBandText(const std::string& text, const std::string& name, std::vector<BandRow>& rows,
                   std::string& error) {
    rows.clear();
    std::istringstream lines(text);
    std::string line;
    int lineNumber = 0;
    while (std::getline(lines, line)) {
        ++lineNumber;
        const std::string where = name + " line " + std::to_string(lineNumber) + ": ";
        line = line.substr(0, line.find('#'));
        std::istringstream fields(line);
        std::vector<std::string> words;
        std::string word;
        while (fields >> word) words.push_back(word);
        if (words.empty()) continue;
        if (words.size() != 4) {
            error = where + "expected four numbers, from_Hz to_Hz low_dB high_dB (got " +
                    std::to_string(words.size()) + " fields)";
            return false;
        }
        double values[4];
        for (int i = 0; i < 4; ++i) {
            if (!parseField(words[static_cast<std::size_t>(i)], values[i])) {
                error = where + "\"" + words[static_cast<std::size_t>(i)] + "\" is not a finite number";
                return false;
            }
        }
        const BandRow row{values[0], values[1], {values[2], values[3]}};
        if (!(row.fromHz > 0.0) || !(row.toHz > row.fromHz)) {
            error = where + "the frequencies must be positive with from_Hz below to_Hz";
            return false;
        }
        if (!(row.band.lowDb <= row.band.highDb)) {
            error = where + "low_dB must not be above high_dB";
            return false;
        }
        if (!rows.empty() && row.fromHz < rows.back().toHz) {
            error = where + "the row starts below the end of the row before it (rows ascend and do not overlap)";
            return false;
        }
        rows.push_back(row);
    }
    if (rows.empty()) {
        error = name + ": no band rows (from_Hz to_Hz low_dB high_dB)";
        return false;
    }
    return true;
}

bool readBandFile(const std::string& path, std::vector<BandRow>& rows, std::string& error) {
    std::string text;
    std::string reason;
    if (!readWholeFile(path, text, reason)) {
        error = "cannot open band file " + path + ": " + reason;
        return false;
    }
    return parseBandText(text, "band file " + path, rows, error);
}

DbBand bandAt(const std::vector<BandRow>& rows, double f, DbBand fallback) {
    bool covered = false;
    DbBand band{-HUGE_VAL, HUGE_VAL};
    for (const BandRow& row : rows) {
        if (f < row.fromHz || f > row.toHz) continue;
        covered = true;
        band.lowDb = std::max(band.lowDb, row.band.lowDb);
        band.highDb = std::min(band.highDb, row.band.highDb);
    }
    return covered ? band : fallback;
}
