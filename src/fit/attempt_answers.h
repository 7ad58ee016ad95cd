#pragma once

#include <string>
#include <vector>

// The answers one attempt gives the program. The damping is always given as Q.
struct AttemptAnswers {
    std::string specFileName;  // relative to the attempt's folder, no blanks
    double zpa = 0.0;
    int spacingChoice = 2;     // the program's answer: 1 = 1/3, 2 = 1/6, 3 = 1/12 octave
    double q = 10.0;
    double duration = 0.0;     // seconds
    int trialCount = 300;
    int units = 1;             // 1, 2 or 3, as the program numbers them
    int skipCount = 1;         // the arbitrary integer: 1 skips no random draws
};

// The program's octave-spacing answer for 3, 6 or 12 points per octave: 1, 2, 3.
int spacingChoiceFor(int pointsPerOctave);

// Shortest text that reads back as exactly `value`, so that an answer typed
// from answers.txt gives the run the same double as the attempt had.
std::string exactNumberText(double value);

// One answer per entry, in the dialogue's order: file name, ZPA, spacing,
// damping format (2 = Q), Q, duration, trials, units, skip count.
std::vector<std::string> answerLines(const AttemptAnswers& answers);

// The same answers one to a line, as fed to the program and kept in answers.txt.
std::string answersText(const AttemptAnswers& answers);
