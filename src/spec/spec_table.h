#pragma once

#include <cstdio>

#include "run/constants.h"

// The specification as read: natural frequency (Hz) against SRS level.
struct SpecTable {
    int count = 0;
    double frequency[maxSpecPoints] = {};
    double level[maxSpecPoints] = {};
    // Log-log slope of the segment from point i to point i+1.
    double slope[maxSpecPoints] = {};
};

// The octave-spaced natural frequencies at which the spectrum is synthesised
// and judged, with the specification level interpolated at each.
struct FrequencyGrid {
    int count = 0;
    double frequency[maxGridPoints] = {};
    double level[maxGridPoints] = {};
};

enum class SpecReadStatus { ok, openFailed, noPoints, tooManyPoints };

// Reads free-format value pairs with the "%lf %lf" convention: a call that
// converts one number still counts as a point (level 0), the first call that
// converts nothing ends the reading. More than maxSpecPoints pairs is refused.
SpecReadStatus readSpecStream(std::FILE* stream, SpecTable& spec);

// Opens, reads and closes the file, printing " File: %s opened. \n" or
// " Failed to open file: %s \n" to `console`.
SpecReadStatus readSpecFile(const char* fileName, SpecTable& spec, std::FILE* console);

// Grid points per octave for the octave-spacing answer: 6 for 2, 12 for 3,
// 3 for every other answer.
int gridStepsPerOctave(int spacingChoice);

// Fills spec.slope and returns the grid. Prints the 200-point reduction warning
// to `console` when the grid is cut.
FrequencyGrid buildFrequencyGrid(SpecTable& spec, int spacingChoice, std::FILE* console);
