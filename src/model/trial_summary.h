#pragma once

// The five measures of one finished trial, all stored as magnitudes.
struct TrialSummary {
    double peakAccel = 0.0;
    double peakVel = 0.0;
    double peakDisp = 0.0;
    double totalError = 0.0;
    double largestError = 0.0;
};
