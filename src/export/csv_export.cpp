#include "export/csv_export.h"

#include "common/number_format.h"

std::string historyCsv(const ExportedHistory& history) {
    const UnitNames& u = history.units;
    std::string csv = "# kolvane_ZPA history of the run in " + history.folder + "\n";
    csv += "# sample_rate_hz = " + roundTripText(sampleRateOf(history)) + "\n";
    appendFormat(csv, "# time_step_s = %.17g\n", history.timeStep);
    csv += "# samples = " + std::to_string(history.acceleration.size()) +
           " (the last is the zero the record ends on)\n";
    csv += std::string("# units: time s, acceleration ") + u.acceleration + ", velocity " + u.velocity +
           ", displacement " + u.displacement + "\n";
    if (history.resampled) csv += "# resampled band-limited from the run's own rate; velocity and displacement "
                                  "integrated again from rest\n";
    for (const std::string& setting : history.settings) csv += "# run: " + setting + "\n";
    csv += std::string("time_s,acceleration_") + u.acceleration + ",velocity_" + u.velocity + ",displacement_" +
           u.displacement + "\n";
    csv.reserve(csv.size() + history.acceleration.size() * 48);
    for (std::size_t i = 0; i < history.acceleration.size(); ++i) {
        appendRoundTrip(csv, sampleTimeOf(history, i));
        csv += ',';
        appendRoundTrip(csv, history.acceleration[i]);
        csv += ',';
        appendRoundTrip(csv, history.velocity[i]);
        csv += ',';
        appendRoundTrip(csv, history.displacement[i]);
        csv += '\n';
    }
    return csv;
}
