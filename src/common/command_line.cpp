#include "common/command_line.h"

#include <cmath>

#include "common/number_parse.h"

bool splitCommandLine(const std::vector<std::string>& args, const std::vector<OptionName>& known, CommandLine& line,
                      std::string& error) {
    line = CommandLine{};
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "-h" || arg == "--help") {
            line.help = true;
            continue;
        }
        // A lone "-" and anything not starting with one is an argument.
        if (arg.size() < 2 || arg[0] != '-') {
            line.positional.push_back(arg);
            continue;
        }
        const std::size_t equals = arg.find('=');
        const bool inlineValue = arg.compare(0, 2, "--") == 0 && equals != std::string::npos;
        GivenOption option{inlineValue ? arg.substr(0, equals) : arg, inlineValue ? arg.substr(equals + 1) : ""};
        const OptionName* spec = nullptr;
        for (const OptionName& candidate : known) {
            if (option.name == candidate.name) spec = &candidate;
        }
        if (spec == nullptr) {
            error = "unknown option " + option.name;
            return false;
        }
        if (!spec->takesValue && inlineValue) {
            error = option.name + " takes no value";
            return false;
        }
        if (spec->takesValue && !inlineValue) {
            if (i + 1 == args.size()) {
                error = option.name + " needs a value";
                return false;
            }
            option.value = args[++i];
        }
        // A second value would silently replace the first.
        for (const GivenOption& earlier : line.options) {
            if (earlier.name == option.name) {
                error = option.name + " is given twice";
                return false;
            }
        }
        line.options.push_back(option);
    }
    return true;
}

namespace {

// The value without the blanks around it: " 48000" and "48000 " read alike.
std::string trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

}  // namespace

bool readOptionNumber(const std::string& text, double& value) { return parseDoubleToken(trimmed(text), value); }

bool readOptionWhole(const std::string& text, int& value) {
    double number = 0.0;
    if (!parseDoubleToken(trimmed(text), number) || number != std::floor(number) || std::fabs(number) > 1e9) return false;
    value = static_cast<int>(number);
    return true;
}
