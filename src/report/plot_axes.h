#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Maps data values to pixels along one axis; `logarithmic` axes map log10 of
// the value. Pixel coordinates may run backwards (SVG's y grows downwards).
struct AxisScale {
    double low = 0.0;   // data value at pixelLow (for log axes: the decade's value, e.g. 10)
    double high = 1.0;  // data value at pixelHigh
    double pixelLow = 0.0;
    double pixelHigh = 1.0;
    bool logarithmic = false;
};

double toPixel(const AxisScale& axis, double value);

// Whole decades enclosing the positive, finite values in [smallest, largest]:
// the powers of ten at or below the smallest and at or above the largest, at
// least one decade apart.
void decadeRange(double smallest, double largest, double& low, double& high);

// Tick positions at 1, 2 or 5 times a power of ten, at most about `target` of
// them between low and high inclusive.
std::vector<double> linearTicks(double low, double high, int target, double& step);
// Pads [smallest, largest] by a few percent and rounds it out to the tick step.
void linearRange(double smallest, double largest, int target, double& low, double& high);

// Text of a tick value: as many decimals as the step needs.
std::string tickLabel(double value, double step);
// Text of a decade or 2x/5x value on a log axis ("0.01", "200", "1e+006").
std::string logTickLabel(double value);

// Indices of the samples to draw when `count` samples span `columns` pixel
// columns: per column the smallest and the largest value, in time order, so
// that every peak of the record survives. Records with fewer than two samples
// per column are kept whole.
std::vector<std::size_t> decimateByColumns(const std::vector<double>& value, std::size_t count, int columns);
