#pragma once

#include <optional>
#include <string>
#include <vector>

#include "measured/printed_times.h"
#include "measured/read_options.h"
#include "measured/unit_words.h"

// One acceleration channel as a file's reader found it, before its step is
// checked and its unit resolved.
struct RawChannel {
    std::vector<double> acceleration;
    PrintedTimes times;               // a time column, when the file has one
    std::optional<double> startTime;  // else the first time and the step it states
    std::optional<double> step;
    std::string accelUnit;  // as the file names it; empty when it does not
    std::string velocityUnit;
    std::string channel;
    std::vector<std::string> notes;
};

// Each returns false with `error` saying why (without the file's name).
bool readTextChannel(const std::string& text, const MeasuredReadOptions& options, RawChannel& channel,
                     std::string& error);
bool readUffChannel(const std::string& text, const MeasuredReadOptions& options, RawChannel& channel,
                    std::string& error);
bool readMatChannel(const std::string& path, const MeasuredReadOptions& options, RawChannel& channel,
                    std::string& error);

// Whether a file's text is UFF: its first line that is not blank is the
// delimiter "-1".
bool looksLikeUff(const std::string& text);
