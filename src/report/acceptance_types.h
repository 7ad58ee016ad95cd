#pragma once

#include <optional>
#include <string>
#include <vector>

#include "analysis/db_band.h"
#include "analysis/independent_srs.h"
#include "run_folder/run_folder.h"

// The records of the acceptance check: its rules, its analysis points and
// its outcome.

// One row of a band file: from_Hz to_Hz low_dB high_dB.
struct BandRow {
    double fromHz = 0.0;
    double toHz = 0.0;
    DbBand band;
};

enum class Polarity { maximax, both };

// Where a history's spectrum is aimed: at the specification itself, as
// controllers and labs aim a test (the band is the tolerance for what the
// shaker and controller add), or at the band's centre, for margin.
enum class Aim { specification, bandCentre };

struct AcceptanceRules {
    DbBand outer;                    // --tolerance LOW,HIGH
    std::optional<DbBand> inner;     // --inner LOW,HIGH
    double innerSharePercent = 90.0; // --inner-share PERCENT
    std::vector<BandRow> bandRows;   // --band-file FILE: bands that change with frequency
    std::string bandFile;            // its path, for the record of the rules applied
    Polarity polarity = Polarity::maximax;  // --polarity maximax|both
    Aim aim = Aim::specification;           // --aim spec|centre
    int analysisPointsPerOctave = 12;       // --analysis-spacing 6|12|24
    // --damping RATIO or --q Q: the run's damping, for a run that left no
    // run.out behind (the run record's value is used otherwise).
    std::optional<double> dampingRatio;
};

// Where an analysis point lies against the program's synthesis grid; a
// measured record has none.
enum class PointPlace { onGridPoint, betweenGridPoints, aboveLastGridPoint, noGrid };

// The settings of the run being judged.
struct RunSettings {
    double zpa = 0.0;            // acceleration unit of the run
    int spacingChoice = 1;       // 1 = 1/3, 2 = 1/6, 3 = 1/12 octave
    double dampingRatio = 0.05;
    double timeStep = 0.0;       // of accel.out, seconds
    long sampleCount = 0;        // of accel.out
    int gridCount = 0;
    double lastGridFrequency = 0.0;
    int unitSystem = 1;
    bool fromRunRecord = false;  // false: derived from the output files and the options
    bool measured = false;       // a measured record: no ZPA, no grid
};

// One analysis frequency judged.
struct AnalysisPoint {
    double frequency = 0.0;
    double specLevel = 0.0;
    double positive = 0.0;   // independent SRS, acceleration unit of the run
    double negative = 0.0;   // magnitude
    double maximax = 0.0;
    double positiveDb = 0.0;
    double negativeDb = 0.0;
    double maximaxDb = 0.0;
    double judgedDb = 0.0;   // maximax, or for both polarities the one nearer its edge
    bool nearUpperEdge = false;
    DbBand band;             // the outer band that applies here
    double marginDb = 0.0;   // to the nearer edge of `band`; negative outside
    bool passes = false;
    bool withinInner = true;
    PointPlace place = PointPlace::onGridPoint;
};

struct WorstPoint {
    double frequency = 0.0;
    double marginDb = 0.0;  // negative outside the band
    PointPlace place = PointPlace::onGridPoint;
    double deviationDb = 0.0;  // the judged deviation there
    bool upperEdge = false;    // nearer the band's upper edge
};

// What to change when the check fails, computed from the run.
struct AcceptanceGuidance {
    double suggestedZpa = 0.0;        // puts the maximax deviation's midpoint on the aim
    bool finerSpacing = false;        // failures lie between grid points
    bool extendSpecification = false; // shortfall lies above the last grid point
    double extensionFrequency = 0.0;  // one grid step above the last grid frequency, rounded up to 1 Hz
    double extensionLevel = 0.0;      // at the last level
    bool changeZpa = false;           // the check fails and the ZPA is off centre
    double zpaShiftDb = 0.0;          // 20 log10(suggestedZpa / zpa)
    double spreadDb = 0.0;            // max - min of the maximax deviation
    bool zpaCanCentreAll = false;     // the spread fits inside the narrowest band
    int suggestedSpacingChoice = 0;   // the next finer spacing (2 or 3) when finerSpacing
};

struct AcceptanceOutcome {
    bool passes = false;
    WorstPoint worst;
    double innerSharePercent = 100.0;
    AcceptanceGuidance guidance;
    RunSettings run;
    AcceptanceRules rules;                // as applied
    std::vector<AnalysisPoint> points;
    std::vector<double> gridFrequencies;  // the run's synthesis grid
    int failedPoints = 0;
    std::vector<std::string> warnings;  // from the consistency checks; none stops the judgement
    std::vector<std::string> notes;     // what the checks say plainly, without a warning
    bool interrupted = false;           // the files are an interrupted run's last checkpoint
    bool outerPasses = false;
    bool innerPasses = true;
    // The judged deviations from the specification (each polarity's under
    // both polarities): their least, largest and median, and the share
    // within +-1 dB.
    DeviationSpread spread;
};
