#include "export/uff58_export.h"

#include <vector>

#include "common/check_time.h"
#include "common/number_format.h"

namespace {

// An ID line: at most 80 characters, never blank.
std::string idLine(const std::string& text) {
    std::string line = text.empty() ? "NONE" : text.substr(0, 80);
    for (char& c : line) {
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7f) c = '?';
    }
    return line + "\n";
}

// Records 8 to 11: specific data type, length, force and temperature unit
// exponents, axis label and axis units label.
void appendAxis(std::string& out, int dataType, int lengthExponent, const std::string& label,
                const std::string& unit) {
    appendFormat(out, "%10d%5d%5d%5d %-20.20s %-20.20s\n", dataType, lengthExponent, 0, 0, label.c_str(),
                 unit.c_str());
}

struct Quantity {
    const char* name;
    int dataType;
    const char* unit;
    const std::vector<double>* values;
};

}  // namespace

std::string uffCreationTime() { return checkTimeText("%d-%b-%y %H:%M:%S"); }

std::string historyUff58(const ExportedHistory& history, const std::string& created) {
    const Quantity quantities[] = {{"Acceleration", 12, history.units.acceleration, &history.acceleration},
                                   {"Velocity", 11, history.units.velocity, &history.velocity},
                                   {"Displacement", 8, history.units.displacement, &history.displacement}};
    std::string out;
    int functionId = 0;
    for (const Quantity& q : quantities) {
        ++functionId;
        const std::vector<double>& values = *q.values;
        out += "    -1\n    58\n";
        out += idLine(std::string(q.name) + " of the kolvane_ZPA history (" + q.unit + ")");
        out += idLine("Run in " + history.folder);
        out += idLine(created);
        out += idLine(std::string(history.resampled ? "Resampled band-limited from the run's rate; " : "") +
                      history.kind + "; verdict " + history.verdict);
        out += idLine(std::string("Units: time s, ") + q.name + " " + q.unit);
        // Record 6: a time response at node 1, +Z, single point excitation.
        appendFormat(out, "%5d%10d%5d%10d %-10s%10d%4d %-10s%10d%4d\n", 1, functionId, 0, 0, "NONE", 1, 3, "NONE",
                     0, 0);
        // Record 7: real double precision, even spacing from 0.
        // The step with seven significant digits, which fits the field and
        // holds the steps of the round rates (1 / 51200 = 1.953125E-05)
        // exactly, so that a reader's rate comes out round.
        appendFormat(out, "%10d%10zu%10d%13.5E%13.6E%13.5E\n", 4, values.size(), 1, 0.0, history.timeStep, 0.0);
        appendAxis(out, 17, 0, "Time", "s");
        appendAxis(out, q.dataType, 1, q.name, q.unit);
        appendAxis(out, 0, 0, "NONE", "NONE");
        appendAxis(out, 0, 0, "NONE", "NONE");
        for (std::size_t i = 0; i < values.size(); ++i) {
            appendUpperExponent(out, values[i], 20, 12);
            if (i % 4 == 3 || i + 1 == values.size()) out += "\n";
        }
        out += "    -1\n";
    }
    return out;
}
