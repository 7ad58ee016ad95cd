#include "report/report_plots.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

#include "report/plot_axes.h"
#include "common/readable_number.h"
#include "report/svg_writer.h"
#include "common/number_format.h"

namespace {

constexpr const char* specColour = "#111111";
constexpr const char* bandColour = "#2ca02c";
constexpr const char* positiveColour = "#1f62b4";
constexpr const char* negativeColour = "#d62728";
constexpr const char* failColour = "#ff7f0e";
// The shaker's usable limits on the history plot.
constexpr const char* usableColour = "#8a5a00";
constexpr const char* programColour = "#7a7a7a";
// A measured shot's reference, and the shock window on the history plot.
constexpr const char* referenceColour = "#6a3d9a";
constexpr const char* windowColour = "#fff1c9";
constexpr const char* gapColour = "#c9c9c9";
constexpr const char* gapEdgeColour = "#555555";
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
    if (marker == 4) {
        svgCircle(out, {centre.x - 6.0, centre.y}, 2.6, programColour, {programColour, 0.8});
        svgSquare(out, {centre.x + 6.0, centre.y}, 2.3, programColour, {programColour, 0.8});
    }
    if (marker == 5) svgRect(out, x, y - 7.0, 34.0, 14.0, gapColour, {gapEdgeColour, 1.0, "4 3"});
    svgText(out, {x + 44.0, y + 4.5}, label, {13.0});
}

}  // namespace

std::string srsPlotSvg(const SpecText& judged, const JudgedHistory& history, const ReportFindings& findings,
                       const std::string& idPrefix) {
    const double width = 900.0;
    const double height = 620.0;
    const PlotArea area{95.0, 50.0, 775.0, 490.0};
    const SpecTable& spec = judged.table;
    const AcceptanceOutcome& acceptance = findings.acceptance;
    const std::vector<AnalysisPoint>& points = acceptance.points;

    std::vector<double> frequency, specLevel, positive, negative, upper, lower;
    double fMin = std::numeric_limits<double>::infinity();
    double fMax = 0.0;
    double yMin = std::numeric_limits<double>::infinity();
    double yMax = 0.0;
    auto widenY = [&](double v) {
        if (!plottable(v)) return;
        yMin = std::min(yMin, v);
        yMax = std::max(yMax, v);
    };
    auto widenX = [&](double f) {
        if (!plottable(f)) return;
        fMin = std::min(fMin, f);
        fMax = std::max(fMax, f);
    };
    for (const AnalysisPoint& p : points) {
        frequency.push_back(p.frequency);
        specLevel.push_back(p.specLevel);
        positive.push_back(p.positive);
        negative.push_back(p.negative);
        upper.push_back(p.specLevel * std::pow(10.0, p.band.highDb / 20.0));
        lower.push_back(p.specLevel * std::pow(10.0, p.band.lowDb / 20.0));
        widenX(p.frequency);
        for (double v : {p.positive, p.negative, upper.back(), lower.back()}) widenY(v);
    }
    // The frequency axis spans the band judged; grid points of an extended
    // specification beyond it are left out.
    for (const SrsLine& line : history.folder.srs) {
        if (line.frequency > fMax) continue;
        widenY(line.positive);
        widenY(line.negative);
    }
    const ReferenceComparison* reference = findings.reference ? &*findings.reference : nullptr;
    std::vector<double> referenceMaximax;
    if (reference) {
        for (std::size_t i = 0; i < reference->positive.size(); ++i) {
            referenceMaximax.push_back(std::max(reference->positive[i], reference->negative[i]));
            widenY(referenceMaximax.back());
        }
    }
    for (int i = 0; i < spec.count; ++i) widenX(spec.frequency[i]);
    if (!(yMax > 0.0)) {
        yMin = 1.0;
        yMax = 10.0;
    }
    if (!(fMax > 0.0)) {
        fMin = 1.0;
        fMax = 10.0;
    }

    AxisScale xAxis{0.0, 0.0, area.left, area.right(), true};
    decadeRange(fMin, fMax, xAxis.low, xAxis.high);
    AxisScale yAxis{0.0, 0.0, area.bottom(), area.top, true};
    decadeRange(yMin, yMax, yAxis.low, yAxis.high);

    const UnitNames units = unitNamesOf(history.folder.unitSystem);
    const std::string clipId = idPrefix + "-plot-area";
    const char* clip = clipId.c_str();
    std::string out;
    beginSvg(out, width, height, "Independent shock response spectrum against specification");
    svgClipRect(out, clip, area.left, area.top, area.width, area.height);

    // Above the last synthesis grid point no wavelet is placed: shade it.
    const double lastGrid = acceptance.run.lastGridFrequency;
    const bool gapShown = plottable(lastGrid) && lastGrid < fMax;
    if (gapShown) {
        const double x = toPixel(xAxis, lastGrid);
        svgPolygon(out, {{x, area.top}, {area.right(), area.top}, {area.right(), area.bottom()}, {x, area.bottom()}},
                   gapColour, 0.35, clip);
    }
    drawLogGrid(out, xAxis, area, true);
    drawLogGrid(out, yAxis, area, false);

    std::vector<SvgPoint> band;
    for (std::size_t i = 0; i < points.size(); ++i) {
        band.push_back({toPixel(xAxis, frequency[i]), toPixel(yAxis, upper[i])});
    }
    for (std::size_t i = points.size(); i-- > 0;) band.push_back({toPixel(xAxis, frequency[i]), toPixel(yAxis, lower[i])});
    svgPolygon(out, band, bandColour, 0.16, clip);
    logSeries(out, frequency, upper, xAxis, yAxis, {bandColour, 1.2, "5 3"}, clip);
    logSeries(out, frequency, lower, xAxis, yAxis, {bandColour, 1.2, "5 3"}, clip);
    logSeries(out, frequency, specLevel, xAxis, yAxis, {specColour, 2.2}, clip);
    if (spec.count == 1 && plottable(spec.level[0])) {
        svgCircle(out, {toPixel(xAxis, spec.frequency[0]), toPixel(yAxis, spec.level[0])}, 4.0, specColour,
                  {specColour, 1.0});
    }

    if (gapShown) {
        const double x = toPixel(xAxis, lastGrid);
        svgLine(out, {x, area.top}, {x, area.bottom()}, {gapEdgeColour, 1.6, "4 3"});
        std::string label = "last grid point " + readableNumber(lastGrid) + " Hz";
        svgText(out, {x - 6.0, area.top + 12.0}, label, {12.0, SvgAnchor::end, gapEdgeColour, true, -90.0});
    } else if (plottable(lastGrid)) {
        // The grid covers the whole band: say how far it reaches.
        const std::string label = "synthesis grid up to " + readableNumber(lastGrid) + " Hz";
        svgText(out, {area.right() - 8.0, area.top + 16.0}, label, {12.0, SvgAnchor::end, gapEdgeColour, true});
    }

    // The program's own SRS at its grid points, as markers only.
    for (const SrsLine& line : history.folder.srs) {
        if (!plottable(line.frequency) || line.frequency > xAxis.high) continue;
        const double x = toPixel(xAxis, line.frequency);
        if (plottable(line.positive)) svgCircle(out, {x, toPixel(yAxis, line.positive)}, 2.6, programColour, {programColour, 0.8});
        if (plottable(line.negative)) svgSquare(out, {x, toPixel(yAxis, line.negative)}, 2.3, programColour, {programColour, 0.8});
    }

    if (reference) logSeries(out, frequency, referenceMaximax, xAxis, yAxis, {referenceColour, 2.0, "2 3"}, clip);
    logSeries(out, frequency, positive, xAxis, yAxis, {positiveColour, 1.8}, clip);
    logSeries(out, frequency, negative, xAxis, yAxis, {negativeColour, 1.6, "7 3"}, clip);
    bool anyFailure = false;
    for (const AnalysisPoint& p : points) {
        if (p.passes) continue;
        anyFailure = true;
        const double judgedLevel = p.specLevel * std::pow(10.0, p.judgedDb / 20.0);
        if (!plottable(judgedLevel)) continue;
        svgCircle(out, {toPixel(xAxis, p.frequency), toPixel(yAxis, judgedLevel)}, 7.0, "none", {failColour, 2.2});
    }
    svgRect(out, area.left, area.top, area.width, area.height, "none", {"#333", 1.2});

    std::string title = history.measured                   ? "Independent SRS of the measured shot: "
                        : history.kind == HistoryKind::drive ? "Independent SRS of the drive (for information): "
                                                             : "Independent SRS of accel.out: ";
    title += acceptance.outerPasses ? "within" : "OUTSIDE";
    appendFormat(title, " the %+.1f / %+.1f dB band", acceptance.rules.outer.lowDb, acceptance.rules.outer.highDb);
    if (!acceptance.rules.bandRows.empty()) title += " and the band file";
    svgText(out, {area.left + area.width / 2.0, 30.0}, title, {17.0, SvgAnchor::middle, "#111", true});
    svgText(out, {area.left + area.width / 2.0, height - 22.0}, "Natural frequency (Hz)",
            {14.0, SvgAnchor::middle, "#111", true});
    const std::string yTitle = std::string("Peak acceleration (") + units.acceleration + ")";
    svgText(out, {28.0, area.top + area.height / 2.0}, yTitle, {14.0, SvgAnchor::middle, "#111", true, -90.0});

    // Legend in the upper left, where a rising spectrum leaves room, unless
    // more points fall there than in the lower right.
    const bool programShown = !history.folder.srs.empty();
    const int entries = 4 + (programShown ? 1 : 0) + (reference ? 1 : 0) + (anyFailure ? 1 : 0) + (gapShown ? 1 : 0);
    const double legendWidth = reference ? 330.0 : 292.0;
    const double legendHeight = 12.0 + 22.0 * entries;
    int upperLeft = 0;
    int lowerRight = 0;
    for (std::size_t i = 0; i < frequency.size(); ++i) {
        for (double v : {positive[i], negative[i], specLevel[i]}) {
            if (!plottable(v)) continue;
            const double x = toPixel(xAxis, frequency[i]);
            const double y = toPixel(yAxis, v);
            if (x < area.left + legendWidth + 30.0 && y < area.top + legendHeight + 30.0) ++upperLeft;
            if (x > area.right() - legendWidth - 30.0 && y > area.bottom() - legendHeight - 30.0) ++lowerRight;
        }
    }
    const bool legendUpperLeft = upperLeft <= lowerRight;
    const double lx = legendUpperLeft ? area.left + 14.0 : area.right() - 40.0 - legendWidth;
    const double ly = legendUpperLeft ? area.top + 14.0 : area.bottom() - 14.0 - legendHeight;
    svgRect(out, lx, ly, legendWidth, legendHeight, "white", {"#888", 1.0});
    std::string bandLabel;
    appendFormat(bandLabel, "Band %+.1f / %+.1f dB", acceptance.rules.outer.lowDb, acceptance.rules.outer.highDb);
    if (!acceptance.rules.bandRows.empty()) bandLabel += " (band file)";
    double y = ly + 17.0;
    legendEntry(out, lx + 10.0, y, "Specification", {specColour, 2.2}, 0);
    legendEntry(out, lx + 10.0, y += 22.0, bandLabel.c_str(), {bandColour, 1.0}, 0, "#d5ecd5");
    legendEntry(out, lx + 10.0, y += 22.0, "Independent SRS, positive", {positiveColour, 1.8}, 0);
    legendEntry(out, lx + 10.0, y += 22.0, "Independent SRS, negative", {negativeColour, 1.6, "7 3"}, 0);
    if (programShown) legendEntry(out, lx + 10.0, y += 22.0, "srs.out at the grid points (pos, neg)", {"none", 0.0}, 4);
    if (reference) {
        legendEntry(out, lx + 10.0, y += 22.0, "Reference's SRS as played (maximax)", {referenceColour, 2.0, "2 3"}, 0);
    }
    if (anyFailure) legendEntry(out, lx + 10.0, y += 22.0, "Outside the band", {"none", 0.0}, 3);
    if (gapShown) legendEntry(out, lx + 10.0, y += 22.0, "Above the synthesis grid", {gapEdgeColour, 1.0}, 5);
    endSvg(out);
    return out;
}

std::string historyPlotSvg(const JudgedHistory& history, const ReportFindings& findings, const std::string& idPrefix) {
    const double width = 900.0;
    const double panelHeight = 170.0;
    const double gap = 42.0;
    const double top = 50.0;
    // A measured record shows its acceleration alone unless its estimated
    // velocity and displacement are judged; the whole record, with the shock
    // window shaded.
    const MeasuredShot* measured = history.measured ? &*history.measured : nullptr;
    const int panelCount = measured && !(findings.shakerLimits || findings.limits.maxVelocity ||
                                         findings.limits.maxDisplacement)
                               ? 1
                               : 3;
    const double height = top + panelCount * panelHeight + (panelCount - 1) * gap + 62.0;
    const double left = 95.0;
    const double plotWidth = 775.0;
    const UnitNames units = unitNamesOf(history.folder.unitSystem);

    struct Panel {
        const MotionRecord* record;
        const char* quantity;
        const char* unit;
        const char* colour;
        PeakValue peak;
        std::optional<double> limit;  // drawn at plus and minus its value
        std::optional<double> usable; // the shaker's usable limit, likewise
        const char* usableName;
    };
    Panel panels[3] = {
        {&history.folder.acceleration, "Acceleration", units.acceleration, "#1f62b4", findings.motion.acceleration, {}, {},
         "usable acceleration"},
        {&history.folder.velocity, "Velocity", units.velocity, "#2a8c2a", findings.motion.velocity,
         findings.limits.maxVelocity, {}, "usable velocity"},
        {&history.folder.displacement, "Displacement", units.displacement, "#9b3fb5", findings.motion.displacement,
         findings.limits.maxDisplacement, {}, "usable stroke"},
    };
    // The shaker's limits in the run's units: G or m/s^2, in/sec or m/sec,
    // in or mm.
    const bool english = history.folder.unitSystem == 1;
    for (const ShakerQuantity& q : findings.shaker.quantities) {
        switch (q.kind) {
            case ShakerQuantityKind::acceleration:
                panels[0].usable = q.limit * (history.folder.unitSystem == 3 ? standardGravity : 1.0);
                break;
            case ShakerQuantityKind::velocity: panels[1].usable = q.limit / (english ? 0.0254 : 1.0); break;
            case ShakerQuantityKind::displacement: panels[2].usable = q.limit / (english ? 25.4 : 1.0); break;
            case ShakerQuantityKind::force: break;
        }
    }

    MotionRecord wholeRecord;
    if (measured) {
        const std::vector<double>& raw = measured->record.acceleration;
        for (std::size_t i = 0; i < raw.size(); ++i) {
            wholeRecord.time.push_back(measured->timeOf(i));
            wholeRecord.value.push_back(raw[i] - measured->window.offset);
        }
        panels[0].record = &wholeRecord;
        panels[1].quantity = "Velocity, estimated";
        panels[2].quantity = "Displacement, estimated";
    }
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
    const char* title = measured ? "The measured record, the offset removed"
                        : history.kind == HistoryKind::drive ? "Time histories of the drive"
                                                             : "Time histories of the optimum case";
    beginSvg(out, width, height, measured ? "The measured record and its shock window"
                                          : "Acceleration, velocity and displacement of the optimum case");
    svgText(out, {left + plotWidth / 2.0, 30.0}, title, {17.0, SvgAnchor::middle, "#111", true});

    for (int p = 0; p < panelCount; ++p) {
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
        for (const std::optional<double>& limit : {panel.limit, panel.usable}) {
            if (!limit) continue;
            vMin = std::min(vMin, -*limit);
            vMax = std::max(vMax, *limit);
        }
        AxisScale valueAxis{0.0, 0.0, area.bottom(), area.top, false};
        linearRange(vMin, vMax, 5, valueAxis.low, valueAxis.high);
        const std::string clipId = idPrefix + "-panel-" + std::to_string(p);
        svgClipRect(out, clipId.c_str(), area.left, area.top, area.width, area.height);
        if (measured) {
            // The shock window: from its start to where it has died away.
            const double x0 = toPixel(timeAxis, measured->timeOf(measured->window.start));
            const double x1 = toPixel(timeAxis, measured->timeOf(measured->window.end - 1));
            svgPolygon(out, {{x0, area.top}, {x1, area.top}, {x1, area.bottom()}, {x0, area.bottom()}}, windowColour,
                       1.0, clipId.c_str());
            if (p == 0) {
                svgText(out, {x0 + 4.0, area.top + 14.0}, measured->window.given ? "window (--window)" : "shock window",
                        {12.0, SvgAnchor::start, gapEdgeColour, true});
            }
        }

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
        if (panel.limit) {
            for (const double level : {*panel.limit, -*panel.limit}) {
                const double y = toPixel(valueAxis, level);
                svgLine(out, {area.left, y}, {area.right(), y}, {failColour, 1.6, "8 4"});
            }
            std::string label = "limit " + readableNumber(*panel.limit) + " " + panel.unit;
            svgText(out, {area.right() - 6.0, toPixel(valueAxis, *panel.limit) - 5.0}, label,
                    {12.0, SvgAnchor::end, failColour, true});
        }
        if (panel.usable) {
            for (const double level : {*panel.usable, -*panel.usable}) {
                const double y = toPixel(valueAxis, level);
                svgLine(out, {area.left, y}, {area.right(), y}, {usableColour, 1.6, "3 3"});
            }
            std::string label = std::string(panel.usableName) + " " + readableNumber(*panel.usable) + " " + panel.unit;
            svgText(out, {area.left + 6.0, toPixel(valueAxis, -*panel.usable) + 15.0}, label,
                    {12.0, SvgAnchor::start, usableColour, true});
        }
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
