#pragma once

#include <cstdio>

#include "model/constants.h"

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

enum class SpecReadStatus { ok, openFailed, noPoints, tooManyPoints, notFinite, levelNotPositive };

// Reads free-format value pairs with the "%lf %lf" convention, where commas
// and semicolons count as white space: a pair of which only the first number
// converts still counts as a point (level 0), the first pair that converts
// nothing ends the reading. More than maxSpecPoints pairs is refused, and so is
// a table holding a value that is not finite ("inf", "nan", "1e999"): such a
// level would make every history not a number. When the reading ends at a
// token that is not a number after some points were read, one warning line
// naming its line and the token goes to `warnings`, if given.
// `stoppedAtLine`, when given, gets the line where such a token ended the
// reading, or 0.
SpecReadStatus readSpecStream(std::FILE* stream, SpecTable& spec, std::FILE* warnings = nullptr,
                              int* stoppedAtLine = nullptr);

// Opens, reads and closes the file, printing " File: %s opened. \n" or
// " Failed to open file: %s \n" to `console`, and the reader's warning. The
// messages name the file as `shownName` when one is given (the name as typed,
// for a file opened in another folder).
SpecReadStatus readSpecFile(const char* fileName, SpecTable& spec, std::FILE* console,
                            const char* shownName = nullptr, int* stoppedAtLine = nullptr);

// The first point (from 0) whose frequency or level is not finite, or -1.
int firstNonFinitePoint(const SpecTable& spec);

// The first point (from 0) whose level is not above zero, or -1: the grid's
// log-log levels and the amplitude correction have no use for it.
int firstNonPositiveLevel(const SpecTable& spec);

// The status of a table read whole: noPoints, tooManyPoints, notFinite or
// levelNotPositive when it is one, else ok.
SpecReadStatus tableStatus(const SpecTable& spec);

// Grid points per octave for the octave-spacing answer: 6 for 2, 12 for 3,
// 3 for every other answer.
int gridStepsPerOctave(int spacingChoice);
// The grid's step ratio, 2 to the power 1/3, 1/6 or 1/12.
double gridStepRatio(int spacingChoice);

// Fills spec.slope and returns the grid. Prints the 200-point reduction warning
// to `console`, unless it is null, when the grid is cut.
FrequencyGrid buildFrequencyGrid(SpecTable& spec, int spacingChoice, std::FILE* console);
