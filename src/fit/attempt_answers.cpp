#include "fit/attempt_answers.h"

#include <charconv>

int spacingChoiceFor(int pointsPerOctave) {
    if (pointsPerOctave == 12) return 3;
    if (pointsPerOctave == 6) return 2;
    return 1;
}

std::string exactNumberText(double value) {
    char text[64];
    const std::to_chars_result result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

std::vector<std::string> answerLines(const AttemptAnswers& answers) {
    constexpr const char* dampingAsQ = "2";
    return {answers.specFileName,
            exactNumberText(answers.zpa),
            std::to_string(answers.spacingChoice),
            dampingAsQ,
            exactNumberText(answers.q),
            exactNumberText(answers.duration),
            std::to_string(answers.trialCount),
            std::to_string(answers.units),
            std::to_string(answers.skipCount)};
}

std::string answersText(const AttemptAnswers& answers) {
    std::string text;
    for (const std::string& line : answerLines(answers)) text += line + "\n";
    return text;
}
