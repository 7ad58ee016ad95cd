#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/command_line.h"
#include "report/acceptance_types.h"
#include "analysis/independent_srs.h"
#include "measured/measured_shot.h"
#include "run_folder/run_folder.h"
#include "spec/spec_text.h"
#include "run_folder/shaker.h"
#include "spec/spec_table.h"

// The acceptance check a test lab makes: the independent SRS of accel.out on
// an analysis grid over the whole specified band, judged against dB bands.
// Shared by kolvane_report and kolvane_fit.

// The judging options kolvane_report and kolvane_fit both take.
const std::vector<OptionName>& acceptanceOptionNames();

// Applies a judging option to `rules`. False, with `error` set, on a bad
// value; `applied` false, and nothing done, when it is not a judging option.
// --band-file only takes the file's name; readCheckFiles reads it.
bool applyAcceptanceOption(const GivenOption& option, AcceptanceRules& rules, bool& applied, std::string& error);

// Reads the band file the rules name, if any, and the shaker file at
// `shakerPath`, if given, into `shaker`. False, with `error` naming the file
// and the line, when one cannot be used.
bool readCheckFiles(AcceptanceRules& rules, const std::string& shakerPath, std::optional<ShakerLimits>& shaker,
                    std::string& error);

// The files a check reads, with what each is: the specification, the band
// file and the shaker file (those given).
struct CheckInput {
    const char* what;  // "specification file", ...
    std::string path;
};
std::vector<CheckInput> checkInputs(const std::string& specPath, const AcceptanceRules& rules,
                                    const std::optional<ShakerLimits>& shaker);

// The input that is the same file as `output`, or null: a command never
// writes over what it reads.
const CheckInput* inputAt(const std::vector<CheckInput>& inputs, const std::string& output);

// Judges the run in `folder` against the specification `spec`, after the
// consistency checks of its files. False, with a message naming the files,
// when they are unusable or inconsistent.
bool judgeRun(const SpecText& spec, const RunFolder& folder, const AcceptanceRules& rules, AcceptanceOutcome& outcome,
              std::string& error);

// Judges a measured shot's independent SRS, from the shock's start to the
// record's end, against `spec` (already at the shot's level), at the damping
// the rules give (Q = 10 by default).
void judgeMeasured(const SpecText& spec, const MeasuredShot& shot, const AcceptanceRules& rules,
                   AcceptanceOutcome& outcome);

// Judges an SRS already computed at the analysis frequencies against `spec`,
// with outcome.rules, outcome.run and outcome.gridFrequencies already set;
// fills the points, the verdict and the guidance.
void judgeSpectrum(const SpecTable& spec, const IndependentSrs& srs, AcceptanceOutcome& outcome);

// "1/3", "1/6" or "1/12".
const char* spacingName(int spacingChoice);
const char* placeName(PointPlace place);  // "grid", "between", "above"
