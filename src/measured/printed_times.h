#pragma once

#include <string>
#include <vector>

// The sample times a file printed, with the rounding of each: half the
// place value of its last printed digit, or the rounding of its binary type.
struct PrintedTimes {
    std::vector<double> time;
    std::vector<double> rounding;
};

// The step of a record whose times are printed: its length over its
// intervals. False, with `error` saying where and by how much, when a time
// strays from the uniform grid by more than its rounding (and the ends',
// which the step is taken from), or the times do not increase.
bool uniformStepOf(const PrintedTimes& times, double& step, std::string& error);

// Half the place value of the last digit of a number as printed: "0.00125"
// gives 5e-6, "1.953125E-05" 5e-12, "12" 0.5; a bare "0" is taken as exact,
// as the first time of a record printed so is.
double halfLastDigit(const std::string& printed);
