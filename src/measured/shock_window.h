#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// Where the shock lies in a longer record, and the offset measured before it.
//
// The rule: the baseline is the median of the record's first hundredth (at
// least 16 samples), and the shock is clearly under way at the first sample
// a quarter of the record's peak (from that baseline) away. The pre-trigger
// is the first half of the time before that sample, or, when that is not
// quiet, its first quarter, eighth, ...: quiet means steady, none of its
// eight blocks swinging (RMS about the block's own mean) more than four
// times as much as the quietest, where the onset of a shock grows. Its mean
// is the offset, its RMS about that mean the noise. The shock starts where
// the motion first rises above max(5 x noise, 0.2 % of the peak), backed up
// to the last sample still within one noise RMS of the offset, and has died
// away after the last sample above that threshold. A record without a quiet
// start of at least 32 samples starts with the shock, as an exported history
// does: it has no pre-trigger and no offset to remove.
struct ShockWindow {
    std::size_t start = 0;  // first sample of the shock
    std::size_t end = 0;    // one past its last sample above the threshold
    bool given = false;     // --window START,END
    bool preTrigger = false;
    std::size_t preTriggerSamples = 0;  // the samples the offset and noise were measured on
    double offset = 0.0;                // removed from the whole record
    double noiseRms = 0.0;              // of the pre-trigger about its mean
    double threshold = 0.0;             // above the offset: where the shock starts and ends
    double peak = 0.0;                  // the record's largest distance from its baseline
};

constexpr std::size_t minPreTriggerSamples = 32;

ShockWindow findShockWindow(const std::vector<double>& acceleration);

// The window from --window's times, `first` and `last` sample numbers
// (inclusive): the offset from the samples before `first`, when there are
// enough of them, the threshold as the rule finds it.
ShockWindow givenShockWindow(const std::vector<double>& acceleration, std::size_t first, std::size_t last);
