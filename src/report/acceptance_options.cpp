#include <cmath>
#include <cstdlib>

#include "report/acceptance.h"
#include "report/band_file.h"
#include "common/number_parse.h"

namespace {

bool parseBand(const std::string& option, const std::string& text, DbBand& band, std::string& error) {
    const std::size_t comma = text.find(',');
    double low = 0.0;
    double high = 0.0;
    if (comma == std::string::npos || !parseDoubleToken(text.substr(0, comma), low) ||
        !parseDoubleToken(text.substr(comma + 1), high) || !(low <= high)) {
        error = option + " needs LOW,HIGH in dB with LOW <= HIGH, e.g. " + option + " -3,6 (got \"" + text + "\")";
        return false;
    }
    band = {low, high};
    return true;
}

const char* const judgingOptions[] = {"--tolerance", "--inner",   "--inner-share", "--band-file",
                                      "--polarity",  "--analysis-spacing", "--damping", "--q"};

}  // namespace

bool parseAcceptanceOption(const std::vector<std::string>& args, std::size_t& i, AcceptanceRules& rules,
                           bool& recognised, std::string& error) {
    recognised = false;
    if (i >= args.size()) return true;
    std::string name = args[i];
    std::string value;
    bool inlineValue = false;
    if (name.compare(0, 2, "--") == 0 && name.find('=') != std::string::npos) {
        value = name.substr(name.find('=') + 1);
        name = name.substr(0, name.find('='));
        inlineValue = true;
    }
    bool known = false;
    for (const char* option : judgingOptions) known = known || name == option;
    if (!known) return true;
    recognised = true;
    if (!inlineValue) {
        if (i + 1 >= args.size()) {
            error = name + " needs a value";
            return false;
        }
        value = args[i + 1];
    }

    double number = 0.0;
    if (name == "--tolerance") {
        if (!parseBand(name, value, rules.outer, error)) return false;
    } else if (name == "--inner") {
        DbBand inner;
        if (!parseBand(name, value, inner, error)) return false;
        rules.inner = inner;
    } else if (name == "--inner-share") {
        if (!parseDoubleToken(value, number) || number < 0.0 || number > 100.0) {
            error = "--inner-share needs a percentage from 0 to 100 (got \"" + value + "\")";
            return false;
        }
        rules.innerSharePercent = number;
    } else if (name == "--band-file") {
        if (!readBandFile(value, rules.bandRows, error)) return false;
        rules.bandFile = value;
    } else if (name == "--polarity") {
        if (value != "maximax" && value != "both") {
            error = "--polarity needs maximax or both (got \"" + value + "\")";
            return false;
        }
        rules.polarity = value == "both" ? Polarity::both : Polarity::maximax;
    } else if (name == "--analysis-spacing") {
        if (value != "6" && value != "12" && value != "24") {
            error = "--analysis-spacing needs 6, 12 or 24 points per octave (got \"" + value + "\")";
            return false;
        }
        rules.analysisPointsPerOctave = std::atoi(value.c_str());
    } else if (name == "--damping") {
        if (!parseDoubleToken(value, number) || !(number > 0.0) || !(number < 1.0)) {
            error = "--damping needs a damping ratio above 0 and below 1 (got \"" + value + "\")";
            return false;
        }
        rules.dampingRatio = number;
    } else {  // --q
        if (!parseDoubleToken(value, number) || !(number > 0.5)) {
            error = "--q needs an amplification factor above 0.5 (got \"" + value + "\")";
            return false;
        }
        rules.dampingRatio = 1.0 / (2.0 * number);
    }
    i += inlineValue ? 1 : 2;
    return true;
}
