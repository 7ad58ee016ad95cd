#include "measured/measured_options.h"

const char* const measuredOptionsUsage =
    "  --column [TIME,]ACCEL    the acceleration (and time) column of a CSV or text\n"
    "                           file, by heading or number from 1, or the variables of a\n"
    "                           .mat file (default: the columns headed time and\n"
    "                           acceleration, or the first two)\n"
    "  --record N               the Nth dataset 58 of a UFF file (default: the first\n"
    "                           time response of acceleration)\n"
    "  --units 1|2|3            the record's unit when the file does not say it:\n"
    "                           1 G (in/sec, in), 2 G (m/sec, mm), 3 m/sec^2 (m/sec, mm)\n"
    "  --window START,END       the shock's start and end in the file's time, seconds,\n"
    "                           instead of the ones found; judged from START to the\n"
    "                           record's end\n"
    "  --level DB               the shot's level against the specification: -6 judges a\n"
    "                           shot at half the specification's levels (default 0)\n";

const std::vector<OptionName>& measuredOptionNames() {
    static const std::vector<OptionName> names = {
        {"--column", true}, {"--record", true}, {"--units", true}, {"--window", true}, {"--level", true}};
    return names;
}

bool applyMeasuredOption(const GivenOption& option, MeasuredOptions& options, bool& applied, std::string& error) {
    applied = true;
    const std::string& value = option.value;
    if (option.name == "--column") {
        const std::size_t comma = value.find(',');
        options.read.timeColumn = comma == std::string::npos ? "" : value.substr(0, comma);
        options.read.accelColumn = comma == std::string::npos ? value : value.substr(comma + 1);
        if (options.read.accelColumn.empty() || (comma != std::string::npos && options.read.timeColumn.empty())) {
            error = "--column needs ACCEL or TIME,ACCEL: headings, numbers from 1 or variable names (got \"" + value +
                    "\")";
            return false;
        }
    } else if (option.name == "--record") {
        int record = 0;
        if (!readOptionWhole(value, record) || record < 1) {
            error = "--record needs a record number from 1 (got \"" + value + "\")";
            return false;
        }
        options.read.record = record;
    } else if (option.name == "--units") {
        int units = 0;
        if (!readOptionWhole(value, units) || units < 1 || units > 3) {
            error = "--units needs 1, 2 or 3 (got \"" + value + "\")";
            return false;
        }
        options.read.units = units;
    } else if (option.name == "--window") {
        const std::size_t comma = value.find(',');
        double start = 0.0;
        double end = 0.0;
        if (comma == std::string::npos || !readOptionNumber(value.substr(0, comma), start) ||
            !readOptionNumber(value.substr(comma + 1), end) || !(end > start)) {
            error = "--window needs START,END in seconds, END after START (got \"" + value + "\")";
            return false;
        }
        options.shot.windowStart = start;
        options.shot.windowEnd = end;
    } else if (option.name == "--level") {
        double level = 0.0;
        if (!readOptionNumber(value, level) || level < -60.0 || level > 12.0) {
            error = "--level needs the shot's level in dB against the specification, from -60 to 12 (got \"" + value +
                    "\")";
            return false;
        }
        options.shot.levelDb = level;
    } else {
        applied = false;
        return true;
    }
    options.any = true;
    return true;
}
