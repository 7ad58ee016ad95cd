#include "measured/unit_words.h"

#include <cctype>

namespace {

std::string lowered(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c != ' ') out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
}

}  // namespace

std::string unitInHeading(const std::string& heading) {
    for (const auto& [open, close] : {std::pair{'(', ')'}, std::pair{'[', ']'}}) {
        const std::size_t end = heading.rfind(close);
        const std::size_t start = end == std::string::npos ? end : heading.rfind(open, end);
        if (start != std::string::npos) return heading.substr(start + 1, end - start - 1);
    }
    const std::size_t underscore = heading.rfind('_');
    return underscore == std::string::npos ? "" : heading.substr(underscore + 1);
}

AccelUnitKind accelUnitKind(const std::string& unit) {
    const std::string u = lowered(unit);
    for (const char* g : {"g", "gn", "g's", "gs", "g0"}) {
        if (u == g) return AccelUnitKind::g;
    }
    for (const char* si : {"m/s^2", "m/s2", "m/s\xc2\xb2", "m/sec^2", "m/sec2", "ms^-2", "ms-2", "m/s/s", "m*s^-2"}) {
        if (u == si) return AccelUnitKind::si;
    }
    return AccelUnitKind::none;
}

bool resolveUnits(const std::string& accelUnit, const std::string& velocityUnit, const std::optional<UnitSystem>& given,
                  const std::string& where, UnitSystem& system, std::vector<std::string>& notes, std::string& error) {
    const AccelUnitKind kind = accelUnitKind(accelUnit);
    const char* ask = "give --units 1 (G; in/sec, in), 2 (G; m/sec, mm) or 3 (m/sec^2; m/sec, mm)";
    if (given) {
        if (kind != AccelUnitKind::none && (kind == AccelUnitKind::si) != (*given == 3)) {
            error = where + " gives the acceleration in \"" + accelUnit + "\", and --units " + std::to_string(*given) +
                    " says " + (*given == 3 ? "m/sec^2" : "G") + ": drop --units, or convert the record";
            return false;
        }
        if (kind == AccelUnitKind::none && !accelUnit.empty()) {
            notes.push_back(where + "'s acceleration unit \"" + accelUnit + "\" read as " +
                            (*given == 3 ? "m/sec^2" : "G") + " (--units " + std::to_string(*given) + ")");
        }
        system = *given;
        return true;
    }
    if (kind == AccelUnitKind::si) {
        system = 3;
        return true;
    }
    if (kind == AccelUnitKind::g) {
        const std::string v = lowered(velocityUnit);
        system = v == "in/sec" || v == "in/s" || v == "ips" ? 1 : 2;
        if (v.empty())
            notes.push_back(where +
                            " gives the acceleration in G: velocity and displacement in m/sec "
                            "and mm (--units 1 for in/sec and in)");
        return true;
    }
    error = accelUnit.empty() ? where + " does not say the acceleration's unit: " + ask
                              : where + " gives the acceleration in \"" + accelUnit +
                                    "\", which is neither G nor m/sec^2: convert the record, or " + ask;
    return false;
}
