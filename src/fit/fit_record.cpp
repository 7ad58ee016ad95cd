#include "fit/fit_record.h"

#include <cmath>

#include "common/json_writer.h"
#include "common/number_format.h"

int chosenAttemptIndex(const std::vector<AttemptRecord>& records) {
    int chosen = -1;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const AcceptanceOutcome& outcome = records[i].outcome;
        if (outcome.passes) return static_cast<int>(i);
        // Written so that a margin that is not a number is never preferred.
        if (chosen < 0 || outcome.worst.marginDb > records[chosen].outcome.worst.marginDb) {
            chosen = static_cast<int>(i);
        }
    }
    return chosen;
}

const char* pointPlaceWords(PointPlace place) {
    switch (place) {
        case PointPlace::onGridPoint:
            return "on a grid point";
        case PointPlace::betweenGridPoints:
            return "between grid points";
        case PointPlace::aboveLastGridPoint:
            return "above the last grid point";
    }
    return "";
}

std::string progressLine(const AttemptRecord& record) {
    const AttemptAnswers& answers = record.plan.answers;
    const WorstPoint& worst = record.outcome.worst;
    std::string line;
    appendFormat(line, " attempt %d: ZPA %s, %s octave%s, worst margin %+.2f dB at %.1f Hz (%s)", record.number,
                 exactNumberText(answers.zpa).c_str(), spacingName(answers.spacingChoice),
                 record.plan.extended ? ", specification extended" : "", worst.marginDb, worst.frequency,
                 pointPlaceWords(worst.place));
    // With an inner band the share within it can fail a run whose margin is positive.
    if (record.outcome.rules.inner) {
        appendFormat(line, ", %.1f%% within the inner band", record.outcome.innerSharePercent);
    }
    line += record.outcome.passes ? ": PASS\n" : ": FAIL\n";
    return line;
}

std::string verdictLine(const std::vector<AttemptRecord>& records, int chosen, const std::string& outputDir) {
    const AttemptRecord& kept = records[chosen];
    std::string line;
    if (kept.outcome.passes) {
        appendFormat(line, "\n PASS: attempt %d meets the specification; its files are in %s\n", kept.number,
                     outputDir.c_str());
    } else {
        appendFormat(line,
                     "\n FAIL: no attempt passed in %zu; kept attempt %d, worst margin %+.2f dB, in %s\n",
                     records.size(), kept.number, kept.outcome.worst.marginDb, outputDir.c_str());
    }
    return line;
}

std::string fitJson(const std::string& specPath, const std::vector<AttemptRecord>& records, int chosen) {
    std::string json = "{\n  \"specification\": " + jsonString(specPath) + ",\n  \"attempts\": [";
    for (std::size_t i = 0; i < records.size(); ++i) {
        const AttemptRecord& record = records[i];
        const AcceptanceOutcome& outcome = record.outcome;
        json += i == 0 ? "\n" : ",\n";
        json += "    {\n      \"attempt\": " + std::to_string(record.number) + ",\n";
        json += "      \"folder\": " + jsonString("attempts/" + std::to_string(record.number)) + ",\n";
        json += "      \"answers\": [";
        const std::vector<std::string> lines = answerLines(record.plan.answers);
        for (std::size_t k = 0; k < lines.size(); ++k) json += (k == 0 ? "" : ", ") + jsonString(lines[k]);
        json += "],\n";
        json += "      \"zpa\": " + jsonNumber(record.plan.answers.zpa) + ",\n";
        json += std::string("      \"spacing\": \"") + spacingName(record.plan.answers.spacingChoice) + " octave\",\n";
        json += std::string("      \"specification_extended\": ") + (record.plan.extended ? "true" : "false") + ",\n";
        json += "      \"worst_margin_db\": " + jsonNumber(outcome.worst.marginDb) + ",\n";
        json += "      \"worst_frequency_hz\": " + jsonNumber(outcome.worst.frequency) + ",\n";
        json += std::string("      \"worst_place\": \"") + placeName(outcome.worst.place) + "\",\n";
        json += "      \"inner_share_percent\": " + jsonNumber(outcome.innerSharePercent) + ",\n";
        json += std::string("      \"passes\": ") + (outcome.passes ? "true" : "false") + "\n    }";
    }
    const bool passes = chosen >= 0 && records[chosen].outcome.passes;
    json += "\n  ],\n  \"chosen_attempt\": " + (chosen >= 0 ? std::to_string(records[chosen].number) : "null");
    json += std::string(",\n  \"verdict\": \"") + (passes ? "pass" : "fail") + "\"\n}\n";
    return json;
}
