#pragma once

#include <optional>
#include <string>
#include <vector>

// Whether a lab's electrodynamic shaker can play a history: the armature's
// stroke between its stops, its peak velocity, the bare table's peak
// acceleration and the amplifier's force over the whole moving mass, each
// used only up to a share (a controller adds compensation and the real system
// overshoots).

// A shaker file: "key = value" lines, '#' starting a comment, every key
// optional (a missing one means no limit on that quantity).
struct ShakerLimits {
    std::optional<double> strokeMmPkPk;   // stroke_mm_pk_pk: travel between the stops
    std::optional<double> velocityMs;     // velocity_m_s: peak velocity
    std::optional<double> accelerationG;  // acceleration_g: peak acceleration of the bare table
    std::optional<double> forceN;         // force_n: rated peak force for shock
    std::optional<double> movingMassKg;   // moving_mass_kg: armature, expander or slip table, fixture
    std::optional<double> payloadKg;      // payload_kg: the test item
    double usableShare = 0.8;             // usable_share: share of each limit a test may use
    std::string path;                     // the file read
};

// Reads a shaker file. False, with `error` naming the file, the line and the
// reason, for an unknown or repeated key, a missing value, a value that is
// not a finite number or is negative, a share outside 0 to 1, or a force
// limit without both masses.
bool parseShakerText(const std::string& text, const std::string& name, ShakerLimits& limits, std::string& error);
bool readShakerFile(const std::string& path, ShakerLimits& limits, std::string& error);

// Standard gravity, m/s^2 per G.
constexpr double standardGravity = 9.80665;

// The peaks a shaker must reach to play a history, in SI: velocity and
// displacement from rest, integrated by the trapezoidal rule from the
// acceleration samples (and a last sample of zero after them), independently
// of the program's own velocity and displacement files.
struct ShakerPeaks {
    double displacementMm = 0.0;
    double velocityMs = 0.0;
    double accelerationG = 0.0;
};

// `acceleration` in G for unit systems 1 and 2, in m/s^2 for 3, sampled every
// `timeStep` seconds from t = 0.
ShakerPeaks shakerPeaksOf(const std::vector<double>& acceleration, double timeStep, int unitSystem);

// The same from peaks already known in the unit system's units (a measured
// record's estimated velocity and displacement).
ShakerPeaks shakerPeaksOfMotion(double acceleration, double velocity, double displacement, int unitSystem);

// The four quantities a shaker bounds, in the order they are judged and
// listed.
enum class ShakerQuantityKind { displacement, velocity, acceleration, force };

// What names a quantity, in one row each.
struct ShakerQuantityRow {
    ShakerQuantityKind kind;
    const char* key;     // report.json's and fit.json's: "displacement_mm", "velocity_m_s", ...
    const char* name;    // "stroke", "velocity", "acceleration", "force"
    const char* what;    // "displacement from rest", "velocity", ...
    const char* unit;    // "mm", "m/s", "G", "N"
    const char* rating;  // what the shaker is rated for: "stroke", "peak velocity", ...
    // Set by the low frequencies, so that a longer duration lowers it; the
    // others are set by the ZPA.
    bool travel;
    // The rating that gives a usable limit of 1: the stroke is quoted peak to
    // peak, and the history starts at rest in its middle.
    double ratingPerLimit;
};
const ShakerQuantityRow& shakerQuantityRow(ShakerQuantityKind kind);

// One quantity against its usable limit.
struct ShakerQuantity {
    ShakerQuantityKind kind = ShakerQuantityKind::displacement;
    double peak = 0.0;
    double limit = 0.0;  // the usable limit: share times the rating (half the stroke for displacement)
    double share = 0.0;  // peak / limit
    bool within = false;
    const ShakerQuantityRow& row() const { return shakerQuantityRow(kind); }
};

struct ShakerVerdict {
    std::vector<ShakerQuantity> quantities;  // one per limit in the file, in the order above
    bool feasible = true;
};

// The verdict's quantity of that kind; null when the shaker sets no limit on it.
const ShakerQuantity* quantityOf(const ShakerVerdict& verdict, ShakerQuantityKind kind);

ShakerVerdict judgeShaker(const ShakerLimits& limits, const ShakerPeaks& peaks);

// One line per quantity, "Peak velocity 0.83 m/s of 1.44 m/s usable (58 %)",
// and for a limit that fails how far over it is.
std::vector<std::string> shakerLines(const ShakerVerdict& verdict);
