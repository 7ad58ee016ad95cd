#pragma once

#include <optional>
#include <string>
#include <vector>

#include "measured/estimated_motion.h"
#include "measured/measured_record.h"
#include "measured/shock_window.h"
#include "spec/spec_table.h"

// A measured record made ready to judge: the shock found in it, the offset
// before it removed, and what makes it doubtful said.

struct MeasuredShotOptions {
    std::optional<double> windowStart;  // --window START,END, in the file's time
    std::optional<double> windowEnd;
    double levelDb = 0.0;  // --level DB: the shot's level against the specification
};

struct MeasuredShot {
    MeasuredRecord record;  // as read; its acceleration as in the file
    ShockWindow window;
    double levelDb = 0.0;
    // From the window's start to the record's end, less the offset: what is
    // judged, so that the tail's free response counts.
    std::vector<double> judged;
    EstimatedMotion estimate;  // of `judged`
    std::vector<std::string> warnings;
    std::vector<std::string> notes;

    double sampleRate() const { return 1.0 / record.timeStep; }
    double timeOf(std::size_t sample) const { return record.startTime + static_cast<double>(sample) * record.timeStep; }
};

// The sample rate a record must have for an SRS up to `lastHz`: below it the
// record is refused; below `recommendedRateMultiple` times it, a warning.
constexpr double leastRateMultiple = 2.56;
constexpr double recommendedRateMultiple = 10.0;

// Prepares `record` for judging up to `lastHz`, from `firstHz`. False, with
// `error` naming the file, when it cannot be judged: a sample rate below
// 2.56 x lastHz, or a --window outside the record.
bool prepareMeasuredShot(MeasuredRecord record, double firstHz, double lastHz, const MeasuredShotOptions& options,
                         MeasuredShot& shot, std::string& error);

// Reads the record at `path` and prepares it for judging over the
// specification's band: readMeasuredRecord, then prepareMeasuredShot.
bool readMeasuredShot(const std::string& path, const MeasuredReadOptions& reading,
                      const MeasuredShotOptions& judging, const SpecTable& spec, MeasuredShot& shot,
                      std::string& error);
