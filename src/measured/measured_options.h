#pragma once

#include <string>
#include <vector>

#include "common/command_line.h"
#include "measured/measured_shot.h"
#include "measured/read_options.h"

// The options that say how to read and judge a measured record, which
// kolvane_report --measured and kolvane_fit --correct both take.
struct MeasuredOptions {
    MeasuredReadOptions read;
    MeasuredShotOptions shot;
    bool any = false;  // one of them was given
};

const std::vector<OptionName>& measuredOptionNames();

// Applies one of them; `applied` false, and nothing done, for another.
bool applyMeasuredOption(const GivenOption& option, MeasuredOptions& options, bool& applied, std::string& error);

// The usage lines that describe them.
extern const char* const measuredOptionsUsage;
