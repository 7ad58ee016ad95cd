#include "export/csv_export.h"

#include "common/json_writer.h"
#include "common/number_format.h"

std::string historyCsv(const ExportedHistory& history) {
    const UnitNames& u = history.units;
    std::string csv = std::string("time_s,acceleration_") + u.acceleration + ",velocity_" + u.velocity +
                      ",displacement_" + u.displacement + "\n";
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

std::string historyJson(const ExportedHistory& history) {
    const UnitNames& u = history.units;
    std::string json = "{\n";
    json += "  \"description\": " + jsonString("kolvane_ZPA history of the run in " + history.folder) + ",\n";
    json += "  \"history\": " + jsonString(history.kind) + ",\n";
    json += "  \"verdict\": " + jsonString(history.verdict) + ",\n";
    appendFormat(json, "  \"specification_checksum\": \"%016llx\",\n",
                 static_cast<unsigned long long>(history.specificationChecksum));
    json += std::string("  \"specification_checksum_of\": ") +
            (history.specificationJudged ? "\"the specification judged against\"" : "\"the run's own specification\"") +
            ",\n";
    json += "  \"sample_rate_hz\": " + jsonNumber(sampleRateOf(history)) + ",\n";
    json += "  \"time_step_s\": " + jsonNumber(history.timeStep) + ",\n";
    json += "  \"samples\": " + std::to_string(history.acceleration.size()) + ",\n";
    json += "  \"last_sample\": \"the zero the record ends on\",\n";
    json += std::string("  \"units\": {\"time\": \"s\", \"acceleration\": ") + jsonString(u.acceleration) +
            ", \"velocity\": " + jsonString(u.velocity) + ", \"displacement\": " + jsonString(u.displacement) + "},\n";
    json += std::string("  \"resampled\": ") + jsonBool(history.resampled) + ",\n";
    json += "  \"check\": " + jsonString(history.check) + ",\n";
    json += "  \"history_checksum\": " + jsonString(history.historyChecksum) + ",\n";
    std::string names, rates, sums;
    for (std::size_t k = 0; k < history.files.size(); ++k) {
        const ExportedFile& file = history.files[k];
        const std::string comma = k == 0 ? "" : ", ";
        std::string sum;
        appendFormat(sum, "%016llx", static_cast<unsigned long long>(file.checksum));
        names += comma;
        names += jsonString(file.name);
        rates += comma;
        rates += jsonString(roundTripText(file.sampleRateHz));
        sums += comma;
        sums += jsonString(sum);
    }
    json += "  \"files\": [" + names + "],\n  \"file_rates_hz\": [" + rates + "],\n  \"file_checksums\": [" + sums +
            "],\n";
    json += "  \"run\": {";
    for (std::size_t i = 0; i < history.settings.size(); ++i) {
        const std::string& setting = history.settings[i];
        const std::size_t equals = setting.find(" = ");
        json += std::string(i == 0 ? "\n    " : ",\n    ") + jsonString(setting.substr(0, equals)) + ": " +
                jsonString(equals == std::string::npos ? "" : setting.substr(equals + 3));
    }
    json += "\n  }\n}\n";
    return json;
}
