#include "report/report_plots.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "report/plot_axes.h"
#include "report/svg_writer.h"
#include "common/number_format.h"

namespace {

constexpr const char* specColour = "#111111";
constexpr const char* bandColour = "#2ca02c";
constexpr const char* positiveColour = "#1f62b4";
constexpr const char* negativeColour = "#d62728";
constexpr const char* failColour = "#ff7f0e";
constexpr const char* majorGrid = "#b8b8b8";
constexpr const char* minorGrid = "#e4e4e4";

struct PlotArea {
    double left = 0.0;
    double top = 0.0;
    double width = 0.0;
    double height = 0.0;
    double right() const { return left + width; }
    double bottom() const { return top + height; }
};

bool plottable(double v) { return std::isfinite(v) && v > 0.0; }

// Polyline through the points whose value can be drawn on log axes; a value
// that cannot (zero, infinite, not a number) breaks the line.
void logSeries(std::string& out, const std::vector<double>& x, const std::vector<double>& y, const AxisScale& xAxis,
               const AxisScale& yAxis, SvgStroke stroke, const char* clipId) {
    std::vector<SvgPoint> run;
    for (std::size_t i = 0; i <= x.size(); ++i) {
        if (i < x.size() && plottable(x[i]) && plottable(y[i])) {
            run.push_back({toPixel(xAxis, x[i]), toPixel(yAxis, y[i])});
            continue;
        }
        svgPolyline(out, run, stroke, clipId);
        run.clear();
    }
}

void drawLogGrid(std::string& out, const AxisScale& axis, const PlotArea& area, bool horizontalAxis) {
    const bool labelMinor = axis.high / axis.low <= 100.0 * 1.0000001;
    const SvgText labelStyle{12.0, horizontalAxis ? SvgAnchor::middle : SvgAnchor::end};
    for (double decade = axis.low; decade <= axis.high * 1.0000001; decade *= 10.0) {
        for (int m = 1; m <= 9; ++m) {
            const double value = decade * m;
            if (value > axis.high * 1.0000001) break;
            const double p = toPixel(axis, value);
            const SvgStroke stroke{m == 1 ? majorGrid : minorGrid, m == 1 ? 1.0 : 0.8};
            if (horizontalAxis) {
                svgLine(out, {p, area.top}, {p, area.bottom()}, stroke);
            } else {
                svgLine(out, {area.left, p}, {area.right(), p}, stroke);
            }
            if (m == 1 || (labelMinor && (m == 2 || m == 5))) {
                const std::string text = logTickLabel(value);
                SvgText style = labelStyle;
                if (m != 1) style.colour = "#555";
                if (horizontalAxis) {
                    svgText(out, {p, area.bottom() + 18.0}, text, style);
                } else {
                    svgText(out, {area.left - 8.0, p + 4.0}, text, style);
                }
            }
        }
    }
}

void legendEntry(std::string& out, double x, double y, const char* label, SvgStroke stroke, int marker,
                 const char* fill = nullptr) {
    if (fill) {
        svgRect(out, x, y - 7.0, 34.0, 14.0, fill, {bandColour, 1.0, "5 3"});
    } else {
        svgLine(out, {x, y}, {x + 34.0, y}, stroke);
    }
    const SvgPoint centre{x + 17.0, y};
    if (marker == 1) svgCircle(out, centre, 3.5, "white", {stroke.colour, 1.5});
    if (marker == 2) svgSquare(out, centre, 3.2, "white", {stroke.colour, 1.5});
    if (marker == 3) svgCircle(out, centre, 7.0, "none", {failColour, 2.0});
    svgText(out, {x + 44.0, y + 4.5}, label, {13.0});
}

}  // namespace

std::string srsPlotSvg(const ReportInputs& inputs, const ReportFindings& findings, const std::string& idPrefix) {
    const double width = 900.0;
    const double height = 620.0;
    const PlotArea area{95.0, 50.0, 775.0, 490.0};
    const SpecTable& spec = inputs.spec;
    const std::vector<SrsRow>& rows = findings.srs.rows;
    const double lowFactor = std::pow(10.0, findings.band.lowDb / 20.0);
    const double highFactor = std::pow(10.0, findings.band.highDb / 20.0);

    std::vector<double> frequency, specLevel, positive, negative;
    double fMin = std::numeric_limits<double>::infinity();
    double fMax = 0.0;
    double yMin = std::numeric_limits<double>::infinity();
    double yMax = 0.0;
    auto widenY = [&](double v) {
        if (!plottable(v)) return;
        yMin = std::min(yMin, v);
        yMax = std::max(yMax, v);
    };
    for (const SrsRow& row : rows) {
        frequency.push_back(row.frequency);
        positive.push_back(row.positive);
        negative.push_back(row.negative);
        fMin = std::min(fMin, row.frequency);
        fMax = std::max(fMax, row.frequency);
        widenY(row.positive);
        widenY(row.negative);
        widenY(row.specLevel * lowFactor);
        widenY(row.specLevel * highFactor);
    }
    std::vector<double> specFrequency(spec.frequency, spec.frequency + spec.count);
    std::vector<double> specLevels(spec.level, spec.level + spec.count);
    for (int i = 0; i < spec.count; ++i) {
        fMin = std::min(fMin, spec.frequency[i]);
        fMax = std::max(fMax, spec.frequency[i]);
        widenY(spec.level[i] * lowFactor);
        widenY(spec.level[i] * highFactor);
    }
    if (!(yMax > 0.0)) {
        yMin = 1.0;
        yMax = 10.0;
    }

    AxisScale xAxis{0.0, 0.0, area.left, area.right(), true};
    decadeRange(fMin, fMax, xAxis.low, xAxis.high);
    AxisScale yAxis{0.0, 0.0, area.bottom(), area.top, true};
    decadeRange(yMin, yMax, yAxis.low, yAxis.high);

    const UnitNames units = unitNamesOf(inputs.unitSystem);
    const std::string clipId = idPrefix + "-plot-area";
    std::string out;
    beginSvg(out, width, height, "Shock response spectrum against specification");
    svgClipRect(out, clipId.c_str(), area.left, area.top, area.width, area.height);
    drawLogGrid(out, xAxis, area, true);
    drawLogGrid(out, yAxis, area, false);

    // Tolerance band between the specification points, then its edges.
    std::vector<SvgPoint> band;
    std::vector<double> upper, lower;
    for (int i = 0; i < spec.count; ++i) {
        upper.push_back(spec.level[i] * highFactor);
        lower.push_back(spec.level[i] * lowFactor);
        band.push_back({toPixel(xAxis, spec.frequency[i]), toPixel(yAxis, upper.back())});
    }
    for (int i = spec.count - 1; i >= 0; --i) {
        band.push_back({toPixel(xAxis, spec.frequency[i]), toPixel(yAxis, lower[static_cast<std::size_t>(i)])});
    }
    svgPolygon(out, band, bandColour, 0.16, clipId.c_str());
    logSeries(out, specFrequency, upper, xAxis, yAxis, {bandColour, 1.2, "5 3"}, clipId.c_str());
    logSeries(out, specFrequency, lower, xAxis, yAxis, {bandColour, 1.2, "5 3"}, clipId.c_str());
    logSeries(out, specFrequency, specLevels, xAxis, yAxis, {specColour, 2.2}, clipId.c_str());
    if (spec.count == 1 && plottable(spec.level[0])) {
        svgCircle(out, {toPixel(xAxis, spec.frequency[0]), toPixel(yAxis, spec.level[0])}, 4.0, specColour,
                  {specColour, 1.0});
    }

    logSeries(out, frequency, positive, xAxis, yAxis, {positiveColour, 1.6}, clipId.c_str());
    logSeries(out, frequency, negative, xAxis, yAxis, {negativeColour, 1.6, "7 3"}, clipId.c_str());
    bool anyFailure = false;
    for (const SrsRow& row : rows) {
        const double x = toPixel(xAxis, row.frequency);
        if (plottable(row.positive)) {
            const SvgPoint p{x, toPixel(yAxis, row.positive)};
            svgCircle(out, p, 3.0, "white", {positiveColour, 1.4});
            if (!row.positivePasses) svgCircle(out, p, 7.0, "none", {failColour, 2.0});
        }
        if (plottable(row.negative)) {
            const SvgPoint p{x, toPixel(yAxis, row.negative)};
            svgSquare(out, p, 2.8, "white", {negativeColour, 1.4});
            if (!row.negativePasses) svgCircle(out, p, 7.0, "none", {failColour, 2.0});
        }
        anyFailure = anyFailure || !row.positivePasses || !row.negativePasses;
    }
    svgRect(out, area.left, area.top, area.width, area.height, "none", {"#333", 1.2});

    std::string title = "Shock response spectrum: ";
    title += findings.srs.passes ? "within" : "OUTSIDE";
    appendFormat(title, " the %+.1f / %+.1f dB band", findings.band.lowDb, findings.band.highDb);
    svgText(out, {area.left + area.width / 2.0, 30.0}, title, {17.0, SvgAnchor::middle, "#111", true});
    svgText(out, {area.left + area.width / 2.0, height - 22.0}, "Natural frequency (Hz)",
            {14.0, SvgAnchor::middle, "#111", true});
    const std::string yTitle = std::string("Peak acceleration (") + units.acceleration + ")";
    svgText(out, {28.0, area.top + area.height / 2.0}, yTitle, {14.0, SvgAnchor::middle, "#111", true, -90.0});

    // Legend in the upper left, where a rising spectrum leaves room, unless
    // more points fall there than in the lower right.
    const int entries = anyFailure ? 5 : 4;
    const double legendWidth = 232.0;
    const double legendHeight = 12.0 + 22.0 * entries;
    int upperLeft = 0;
    int lowerRight = 0;
    for (std::size_t i = 0; i < frequency.size(); ++i) {
        for (double v : {positive[i], negative[i], rows[i].specLevel}) {
            if (!plottable(v)) continue;
            const double x = toPixel(xAxis, frequency[i]);
            const double y = toPixel(yAxis, v);
            if (x < area.left + legendWidth + 30.0 && y < area.top + legendHeight + 30.0) ++upperLeft;
            if (x > area.right() - legendWidth - 30.0 && y > area.bottom() - legendHeight - 30.0) ++lowerRight;
        }
    }
    const bool legendUpperLeft = upperLeft <= lowerRight;
    const double lx = legendUpperLeft ? area.left + 14.0 : area.right() - 14.0 - legendWidth;
    const double ly = legendUpperLeft ? area.top + 14.0 : area.bottom() - 14.0 - legendHeight;
    svgRect(out, lx, ly, legendWidth, legendHeight, "white", {"#888", 1.0});
    std::string bandLabel;
    appendFormat(bandLabel, "Tolerance band %+.1f / %+.1f dB", findings.band.lowDb, findings.band.highDb);
    legendEntry(out, lx + 10.0, ly + 17.0, "Specification", {specColour, 2.2}, 0);
    legendEntry(out, lx + 10.0, ly + 39.0, bandLabel.c_str(), {bandColour, 1.0}, 0, "#d5ecd5");
    legendEntry(out, lx + 10.0, ly + 61.0, "Positive SRS", {positiveColour, 1.6}, 1);
    legendEntry(out, lx + 10.0, ly + 83.0, "Negative SRS", {negativeColour, 1.6, "7 3"}, 2);
    if (anyFailure) legendEntry(out, lx + 10.0, ly + 105.0, "Outside the band", {"none", 0.0}, 3);
    endSvg(out);
    return out;
}

std::string historyPlotSvg(const ReportInputs& inputs, const ReportFindings& findings, const std::string& idPrefix) {
    const double width = 900.0;
    const double panelHeight = 170.0;
    const double gap = 42.0;
    const double top = 50.0;
    const double height = top + 3.0 * panelHeight + 2.0 * gap + 62.0;
    const double left = 95.0;
    const double plotWidth = 775.0;
    const UnitNames units = unitNamesOf(inputs.unitSystem);

    struct Panel {
        const MotionRecord* record;
        const char* quantity;
        const char* unit;
        const char* colour;
        PeakValue peak;
    };
    const Panel panels[3] = {
        {&inputs.acceleration, "Acceleration", units.acceleration, "#1f62b4", findings.motion.acceleration},
        {&inputs.velocity, "Velocity", units.velocity, "#2a8c2a", findings.motion.velocity},
        {&inputs.displacement, "Displacement", units.displacement, "#9b3fb5", findings.motion.displacement},
    };

    double tStart = std::numeric_limits<double>::infinity();
    double tEnd = -std::numeric_limits<double>::infinity();
    for (const Panel& panel : panels) {
        tStart = std::min(tStart, panel.record->time.front());
        tEnd = std::max(tEnd, panel.record->time.back());
    }
    if (!(tEnd > tStart)) tEnd = tStart + 1.0;
    double timeStep = 0.0;
    const std::vector<double> timeTicks = linearTicks(tStart, tEnd, 10, timeStep);
    const AxisScale timeAxis{tStart, tEnd, left, left + plotWidth, false};

    std::string out;
    beginSvg(out, width, height, "Acceleration, velocity and displacement of the optimum case");
    svgText(out, {left + plotWidth / 2.0, 30.0}, "Time histories of the optimum case",
            {17.0, SvgAnchor::middle, "#111", true});

    for (int p = 0; p < 3; ++p) {
        const Panel& panel = panels[p];
        const MotionRecord& record = *panel.record;
        const PlotArea area{left, top + p * (panelHeight + gap), plotWidth, panelHeight};
        double vMin = 0.0;
        double vMax = 0.0;
        for (double v : record.value) {
            if (!std::isfinite(v)) continue;
            vMin = std::min(vMin, v);
            vMax = std::max(vMax, v);
        }
        AxisScale valueAxis{0.0, 0.0, area.bottom(), area.top, false};
        linearRange(vMin, vMax, 5, valueAxis.low, valueAxis.high);
        const std::string clipId = idPrefix + "-panel-" + std::to_string(p);
        svgClipRect(out, clipId.c_str(), area.left, area.top, area.width, area.height);

        double valueStep = 0.0;
        for (double tick : linearTicks(valueAxis.low, valueAxis.high, 5, valueStep)) {
            const double y = toPixel(valueAxis, tick);
            svgLine(out, {area.left, y}, {area.right(), y}, {tick == 0.0 ? "#777" : minorGrid, 1.0});
            svgText(out, {area.left - 8.0, y + 4.0}, tickLabel(tick, valueStep), {12.0, SvgAnchor::end});
        }
        for (double tick : timeTicks) {
            const double x = toPixel(timeAxis, tick);
            svgLine(out, {x, area.top}, {x, area.bottom()}, {minorGrid, 1.0});
            svgText(out, {x, area.bottom() + 17.0}, tickLabel(tick, timeStep), {12.0, SvgAnchor::middle});
        }

        const std::vector<std::size_t> kept =
            decimateByColumns(record.value, record.value.size(), static_cast<int>(plotWidth));
        std::vector<SvgPoint> trace;
        trace.reserve(kept.size());
        for (std::size_t i : kept) {
            if (!std::isfinite(record.value[i])) continue;
            trace.push_back({toPixel(timeAxis, record.time[i]), toPixel(valueAxis, record.value[i])});
        }
        svgPolyline(out, trace, {panel.colour, 1.2}, clipId.c_str());
        svgRect(out, area.left, area.top, area.width, area.height, "none", {"#333", 1.2});

        std::string heading = std::string(panel.quantity) + " (" + panel.unit + ")";
        svgText(out, {area.left, area.top - 8.0}, heading, {14.0, SvgAnchor::start, "#111", true});
        std::string peak;
        appendFormat(peak, "peak %s %s at %.5f sec", formatGeneral(panel.peak.magnitude, 0, 4).c_str(), panel.unit,
                     panel.peak.time);
        svgText(out, {area.right(), area.top - 8.0}, peak, {12.5, SvgAnchor::end, "#333"});
        svgText(out, {26.0, area.top + area.height / 2.0}, std::string(panel.unit),
                {13.0, SvgAnchor::middle, "#111", true, -90.0});
    }
    svgText(out, {left + plotWidth / 2.0, height - 16.0}, "Time (sec)", {14.0, SvgAnchor::middle, "#111", true});
    endSvg(out);
    return out;
}
