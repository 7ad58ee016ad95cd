#pragma once

#include <optional>
#include <string>
#include <vector>

// The acceptance check a test lab makes: the independent SRS of accel.out on
// an analysis grid over the whole specified band, judged against dB bands.
// Shared by kolvane_report and kolvane_fit.

// A deviation band in dB, 20 log10(response / specification); a point on an
// edge passes.
struct DbBand {
    double lowDb = -3.0;
    double highDb = 6.0;
};

// One row of a band file: from_Hz to_Hz low_dB high_dB.
struct BandRow {
    double fromHz = 0.0;
    double toHz = 0.0;
    DbBand band;
};

enum class Polarity { maximax, both };

struct AcceptanceRules {
    DbBand outer;                    // --tolerance LOW,HIGH
    std::optional<DbBand> inner;     // --inner LOW,HIGH
    double innerSharePercent = 90.0; // --inner-share PERCENT
    std::vector<BandRow> bandRows;   // --band-file FILE: bands that change with frequency
    Polarity polarity = Polarity::maximax;  // --polarity maximax|both
    int analysisPointsPerOctave = 12;       // --analysis-spacing 6|12|24
};

// Where an analysis point lies against the program's synthesis grid.
enum class PointPlace { onGridPoint, betweenGridPoints, aboveLastGridPoint };

struct WorstPoint {
    double frequency = 0.0;
    double marginDb = 0.0;  // negative outside the band
    PointPlace place = PointPlace::onGridPoint;
};

// What to change when the check fails, computed from the run.
struct AcceptanceGuidance {
    double suggestedZpa = 0.0;        // centres the maximax deviation in the band
    bool finerSpacing = false;        // failures lie between grid points
    bool extendSpecification = false; // shortfall lies above the last grid point
    double extensionFrequency = 0.0;  // one grid step above the last frequency
    double extensionLevel = 0.0;      // at the last level
};

struct AcceptanceOutcome {
    bool passes = false;
    WorstPoint worst;
    double innerSharePercent = 100.0;
    AcceptanceGuidance guidance;
};

// Reads the judging option at args[i] (and its value), advancing i past what
// it used. Returns false with `error` set on a bad value; sets `recognised`
// to false, and leaves i alone, when args[i] is not a judging option.
bool parseAcceptanceOption(const std::vector<std::string>& args, std::size_t& i, AcceptanceRules& rules,
                           bool& recognised, std::string& error);

// Judges the run whose files lie in `runDir` (run.out among them) against the
// specification file `specPath`. False, with a message naming the files, when
// the inputs are unusable or inconsistent.
bool judgeRun(const std::string& specPath, const std::string& runDir, const AcceptanceRules& rules,
              AcceptanceOutcome& outcome, std::string& error);
