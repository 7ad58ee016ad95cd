#include "run_folder/shaker.h"

#include <cmath>
#include <cstdlib>
#include <sstream>

#include "common/number_format.h"
#include "common/text_file.h"
#include "analysis/motion_from_rest.h"
#include "common/readable_number.h"

namespace {

struct Key {
    const char* name;
    std::optional<double> ShakerLimits::*field;  // null for usable_share
};

const Key keys[] = {
    {"stroke_mm_pk_pk", &ShakerLimits::strokeMmPkPk}, {"velocity_m_s", &ShakerLimits::velocityMs},
    {"acceleration_g", &ShakerLimits::accelerationG}, {"force_n", &ShakerLimits::forceN},
    {"moving_mass_kg", &ShakerLimits::movingMassKg},  {"payload_kg", &ShakerLimits::payloadKg},
    {"usable_share", nullptr},
};

std::string trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::string shown(double value) { return readableNumber(value); }

}  // namespace

bool parseShakerText(const std::string& given, const std::string& name, ShakerLimits& limits, std::string& error) {
    limits = ShakerLimits{};
    // A spreadsheet's or an editor's UTF-8 byte-order mark is forgiven, as in
    // a specification.
    const std::string text = given.compare(0, 3, "\xEF\xBB\xBF") == 0 ? given.substr(3) : given;
    std::istringstream lines(text);
    std::string line;
    bool shareGiven = false;
    for (int number = 1; std::getline(lines, line); ++number) {
        const std::string where = name + " line " + std::to_string(number) + ": ";
        line = trimmed(line.substr(0, line.find('#')));
        if (line.empty()) continue;
        const std::size_t equals = line.find('=');
        const std::string key = trimmed(line.substr(0, equals));
        const Key* known = nullptr;
        for (const Key& candidate : keys) {
            if (key == candidate.name) known = &candidate;
        }
        if (known == nullptr) {
            error = where + "unknown key \"" + key + "\" (known: stroke_mm_pk_pk, velocity_m_s, acceleration_g, "
                                                     "force_n, moving_mass_kg, payload_kg, usable_share)";
            return false;
        }
        const std::string valueText = equals == std::string::npos ? "" : trimmed(line.substr(equals + 1));
        if (valueText.empty()) {
            error = where + key + " has no value (write " + key + " = NUMBER)";
            return false;
        }
        char* end = nullptr;
        const double value = std::strtod(valueText.c_str(), &end);
        if (end != valueText.c_str() + valueText.size() || !std::isfinite(value)) {
            error = where + "the value of " + key + ", \"" + valueText + "\", is not a finite number";
            return false;
        }
        if (value < 0.0) {
            error = where + "the value of " + key + " is negative";
            return false;
        }
        // A rating of zero would make every history fail; one beyond any
        // shaker would overflow the force. The masses may be light, the test
        // item absent.
        const bool mass = known->field == &ShakerLimits::movingMassKg || known->field == &ShakerLimits::payloadKg;
        const double largest = mass ? 1e6 : 1e9;
        if ((!mass && known->field != nullptr && !(value > 0.0)) || value > largest) {
            error = where + "the value of " + key + ", " + valueText + ", is " +
                    (value > largest ? "beyond any shaker (at most " + formatGeneral(largest, 0, 6) + ")"
                                     : std::string("zero: a limit of nothing would refuse every history"));
            return false;
        }
        const bool repeated = known->field != nullptr ? (limits.*known->field).has_value() : shareGiven;
        if (repeated) {
            error = where + key + " is given twice";
            return false;
        }
        if (known->field == nullptr) {
            if (!(value >= 0.01 && value <= 1.0)) {
                error = where + "usable_share must be from 0.01 to 1 (got " + valueText + ")";
                return false;
            }
            limits.usableShare = value;
            shareGiven = true;
        } else {
            limits.*known->field = value;
        }
    }
    if (limits.forceN && !(limits.movingMassKg && limits.payloadKg)) {
        error = name + ": force_n needs both moving_mass_kg and payload_kg, the mass the force moves";
        return false;
    }
    if (limits.forceN && !(*limits.movingMassKg + *limits.payloadKg > 0.0)) {
        error = name + ": moving_mass_kg and payload_kg add up to nothing for force_n to move";
        return false;
    }
    if (!limits.strokeMmPkPk && !limits.velocityMs && !limits.accelerationG && !limits.forceN) {
        error = name + " sets no limit: give at least one of stroke_mm_pk_pk, velocity_m_s, acceleration_g and "
                       "force_n";
        return false;
    }
    return true;
}

bool readShakerFile(const std::string& path, ShakerLimits& limits, std::string& error) {
    if (path.empty()) {
        error = "the shaker file's name is empty";
        return false;
    }
    std::string text;
    std::string reason;
    if (!readWholeFile(path, text, reason)) {
        error = "cannot read shaker file " + path + ": " + reason;
        return false;
    }
    if (!parseShakerText(text, "shaker file " + path, limits, error)) return false;
    limits.path = path;
    return true;
}

ShakerPeaks shakerPeaksOf(const std::vector<double>& acceleration, double timeStep, int unitSystem) {
    // The acceleration unit is G for unit systems 1 and 2, m/s^2 for 3.
    const double toSi = unitSystem == 3 ? 1.0 : standardGravity;
    // The record ends on a zero after its last sample.
    std::vector<double> si(acceleration.size() + 1, 0.0);
    for (std::size_t i = 0; i < acceleration.size(); ++i) si[i] = acceleration[i] * toSi;
    std::vector<double> velocity, displacement;
    integrateFromRest(si, timeStep, velocity, displacement);
    ShakerPeaks peaks;
    for (std::size_t i = 0; i < si.size(); ++i) {
        peaks.accelerationG = std::fmax(peaks.accelerationG, std::fabs(si[i]) / standardGravity);
        peaks.velocityMs = std::fmax(peaks.velocityMs, std::fabs(velocity[i]));
        peaks.displacementMm = std::fmax(peaks.displacementMm, 1000.0 * std::fabs(displacement[i]));
    }
    return peaks;
}

ShakerPeaks shakerPeaksOfMotion(double acceleration, double velocity, double displacement, int unitSystem) {
    const bool english = unitSystem == 1;
    ShakerPeaks peaks;
    peaks.accelerationG = unitSystem == 3 ? acceleration / standardGravity : acceleration;
    peaks.velocityMs = english ? velocity * 0.0254 : velocity;
    peaks.displacementMm = english ? displacement * 25.4 : displacement;
    return peaks;
}

const ShakerQuantityRow& shakerQuantityRow(ShakerQuantityKind kind) {
    static const ShakerQuantityRow rows[] = {
        {ShakerQuantityKind::displacement, "displacement_mm", "stroke", "displacement from rest", "mm", "stroke", true,
         2.0},
        {ShakerQuantityKind::velocity, "velocity_m_s", "velocity", "velocity", "m/s", "peak velocity", true, 1.0},
        {ShakerQuantityKind::acceleration, "acceleration_g", "acceleration", "acceleration", "G",
         "bare-table acceleration", false, 1.0},
        {ShakerQuantityKind::force, "force_n", "force", "force on the moving mass", "N", "rated force", false, 1.0},
    };
    return rows[static_cast<int>(kind)];
}

const ShakerQuantity* quantityOf(const ShakerVerdict& verdict, ShakerQuantityKind kind) {
    for (const ShakerQuantity& q : verdict.quantities) {
        if (q.kind == kind) return &q;
    }
    return nullptr;
}

ShakerVerdict judgeShaker(const ShakerLimits& limits, const ShakerPeaks& peaks) {
    ShakerVerdict verdict;
    const double share = limits.usableShare;
    const auto add = [&](ShakerQuantityKind kind, double peak, const std::optional<double>& rating) {
        const double limit = share * *rating / shakerQuantityRow(kind).ratingPerLimit;
        ShakerQuantity q{kind, peak, limit, limit > 0.0 ? peak / limit : HUGE_VAL, peak <= limit};
        verdict.feasible = verdict.feasible && q.within;
        verdict.quantities.push_back(q);
    };
    if (limits.strokeMmPkPk) add(ShakerQuantityKind::displacement, peaks.displacementMm, limits.strokeMmPkPk);
    if (limits.velocityMs) add(ShakerQuantityKind::velocity, peaks.velocityMs, limits.velocityMs);
    if (limits.accelerationG) add(ShakerQuantityKind::acceleration, peaks.accelerationG, limits.accelerationG);
    if (limits.forceN) {
        const double mass = *limits.movingMassKg + *limits.payloadKg;
        add(ShakerQuantityKind::force, mass * peaks.accelerationG * standardGravity, limits.forceN);
    }
    return verdict;
}

std::vector<std::string> shakerLines(const ShakerVerdict& verdict) {
    std::vector<std::string> lines;
    for (const ShakerQuantity& q : verdict.quantities) {
        std::string line;
        const ShakerQuantityRow& row = q.row();
        appendFormat(line, "Peak %s %s %s of %s %s usable (%.0f %%)", row.what, shown(q.peak).c_str(), row.unit,
                     shown(q.limit).c_str(), row.unit, 100.0 * q.share);
        if (!q.within) {
            appendFormat(line, ": FAIL, %s %s (%.0f %%) over", shown(q.peak - q.limit).c_str(), row.unit,
                         100.0 * (q.share - 1.0));
        }
        lines.push_back(line);
    }
    return lines;
}
