#pragma once

#include <string>
#include <vector>

// The one reader of the commands' arguments. Every option is written
// "--name value" or "--name=value"; -h and --help ask for the usage text.

// An option a command takes, and whether a value follows it.
struct OptionName {
    const char* name;  // "--zpa"
    bool takesValue;
};

struct GivenOption {
    std::string name;
    std::string value;  // empty for a flag
};

struct CommandLine {
    std::vector<GivenOption> options;     // in the order given
    std::vector<std::string> positional;  // the arguments that are not options
    bool help = false;                    // -h or --help anywhere
};

// Splits `args` (without the program name) against the options `known`.
// False, with `error` set, for an unknown option, a missing value, a value
// given to a flag, or an option given twice.
bool splitCommandLine(const std::vector<std::string>& args, const std::vector<OptionName>& known, CommandLine& line,
                      std::string& error);

// Values of options, each read whole but for blanks around it: a finite
// number, or a whole number. False when the text is not one.
bool readOptionNumber(const std::string& text, double& value);
bool readOptionWhole(const std::string& text, int& value);
