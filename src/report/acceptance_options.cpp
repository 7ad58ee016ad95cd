#include <cmath>
#include <cstdlib>

#include "common/command_line.h"
#include "common/file_paths.h"
#include "model/damping.h"
#include "report/acceptance.h"
#include "report/band_file.h"

namespace {

bool parseBand(const std::string& option, const std::string& text, DbBand& band, std::string& error) {
    const std::size_t comma = text.find(',');
    double low = 0.0;
    double high = 0.0;
    if (comma == std::string::npos || !readOptionNumber(text.substr(0, comma), low) ||
        !readOptionNumber(text.substr(comma + 1), high) || !(low <= high)) {
        error = option + " needs LOW,HIGH in dB with LOW <= HIGH, e.g. " + option + " -3,6 (got \"" + text + "\")";
        return false;
    }
    // A band that leaves out the specification itself fails every point.
    if (low > 0.0 || high < 0.0) {
        error = option + " needs LOW <= 0 <= HIGH in dB, a band around the specification, e.g. " + option +
                " -3,6 (got \"" + text + "\")";
        return false;
    }
    band = {low, high};
    return true;
}

}  // namespace

const std::vector<OptionName>& acceptanceOptionNames() {
    static const std::vector<OptionName> names = {
        {"--tolerance", true}, {"--inner", true},   {"--inner-share", true},
        {"--band-file", true}, {"--polarity", true}, {"--analysis-spacing", true},
        {"--damping", true},   {"--q", true},        {"--aim", true}};
    return names;
}

bool applyAcceptanceOption(const GivenOption& option, AcceptanceRules& rules, bool& applied, std::string& error) {
    applied = false;
    bool known = false;
    for (const OptionName& judging : acceptanceOptionNames()) known = known || option.name == judging.name;
    if (!known) return true;
    applied = true;
    const std::string& name = option.name;
    const std::string& value = option.value;

    double number = 0.0;
    if (name == "--tolerance") {
        return parseBand(name, value, rules.outer, error);
    }
    if (name == "--inner") {
        DbBand inner;
        if (!parseBand(name, value, inner, error)) return false;
        rules.inner = inner;
    } else if (name == "--inner-share") {
        if (!readOptionNumber(value, number) || number < 0.0 || number > 100.0) {
            error = "--inner-share needs a percentage from 0 to 100 (got \"" + value + "\")";
            return false;
        }
        rules.innerSharePercent = number;
    } else if (name == "--band-file") {
        // Read with the other files the command names, once its line is whole.
        rules.bandFile = value;
    } else if (name == "--polarity") {
        if (value != "maximax" && value != "both") {
            error = "--polarity needs maximax or both (got \"" + value + "\")";
            return false;
        }
        rules.polarity = value == "both" ? Polarity::both : Polarity::maximax;
    } else if (name == "--aim") {
        if (value != "spec" && value != "centre") {
            error = "--aim needs spec (the specification itself) or centre (the band's centre) (got \"" + value + "\")";
            return false;
        }
        rules.aim = value == "centre" ? Aim::bandCentre : Aim::specification;
    } else if (name == "--analysis-spacing") {
        if (value != "6" && value != "12" && value != "24") {
            error = "--analysis-spacing needs 6, 12 or 24 points per octave (got \"" + value + "\")";
            return false;
        }
        rules.analysisPointsPerOctave = std::atoi(value.c_str());
    } else if (name == "--damping") {
        if (!readOptionNumber(value, number) || !(number > 0.0) || !(number < 1.0)) {
            error = "--damping needs a damping ratio above 0 and below 1 (got \"" + value + "\")";
            return false;
        }
        rules.dampingRatio = number;
    } else {  // --q
        if (!readOptionNumber(value, number) || !(number > 0.5)) {
            error = "--q needs an amplification factor above 0.5 (got \"" + value + "\")";
            return false;
        }
        rules.dampingRatio = dampingRatioOfQ(number);
    }
    return true;
}

std::vector<CheckInput> checkInputs(const std::string& specPath, const AcceptanceRules& rules,
                                    const std::optional<ShakerLimits>& shaker) {
    std::vector<CheckInput> inputs;
    for (CheckInput input : {CheckInput{"specification file", specPath}, CheckInput{"band file", rules.bandFile},
                             CheckInput{"shaker file", shaker ? shaker->path : std::string()}}) {
        if (!input.path.empty()) inputs.push_back(input);
    }
    return inputs;
}

const CheckInput* inputAt(const std::vector<CheckInput>& inputs, const std::string& output) {
    for (const CheckInput& input : inputs) {
        if (sameFile(output, input.path)) return &input;
    }
    return nullptr;
}

bool readCheckFiles(AcceptanceRules& rules, const std::string& shakerPath, std::optional<ShakerLimits>& shaker,
                    std::string& error) {
    if (!rules.bandFile.empty() && !readBandFile(rules.bandFile, rules.bandRows, error)) return false;
    if (shakerPath.empty()) return true;
    ShakerLimits limits;
    if (!readShakerFile(shakerPath, limits, error)) return false;
    shaker = limits;
    return true;
}
