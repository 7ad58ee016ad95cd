#include "report/report_app.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "report/report_inputs.h"
#include "report/report_page.h"
#include "report/report_plots.h"
#include "report/report_table.h"
#include "report/svg_writer.h"

const char* const reportUsage =
    "Usage: kolvane_report SPEC_FILE [OUTPUT_DIR] [options]\n"
    "\n"
    "Checks a finished run against its SRS specification. Reads SPEC_FILE and, from\n"
    "OUTPUT_DIR (default: the current directory), srs.out, accel.out, velox.out,\n"
    "disp.out, wavelet.out, rank.out and the units line of trials.out. Prints one row\n"
    "per SRS frequency and a summary, and writes srs.svg, history.svg and\n"
    "report.html into OUTPUT_DIR.\n"
    "\n"
    "Options:\n"
    "  --tolerance LOW,HIGH     SRS tolerance band in dB (default -3,6); a point on\n"
    "                           an edge passes\n"
    "  --max-velocity V         fail when the peak velocity exceeds V (velocity unit\n"
    "                           of the run)\n"
    "  --max-displacement D     fail when the peak displacement exceeds D\n"
    "                           (displacement unit of the run)\n"
    "  --help                   show this text\n"
    "\n"
    "Exit status: 0 every check passes, 2 a check fails, 1 unusable input.\n";

namespace {

bool parseNumber(const std::string& text, double& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return *end == '\0' && std::isfinite(value);
}

bool parseBand(const std::string& text, ToleranceBand& band, std::string& error) {
    const std::size_t comma = text.find(',');
    double low = 0.0;
    double high = 0.0;
    if (comma == std::string::npos || !parseNumber(text.substr(0, comma), low) ||
        !parseNumber(text.substr(comma + 1), high) || !(low <= high)) {
        error = "--tolerance needs LOW,HIGH in dB with LOW <= HIGH, e.g. --tolerance -3,6 (got \"" + text + "\")";
        return false;
    }
    band = {low, high};
    return true;
}

bool parseLimit(const std::string& option, const std::string& text, std::optional<double>& limit,
                std::string& error) {
    double value = 0.0;
    if (!parseNumber(text, value) || value < 0.0) {
        error = option + " needs a non-negative number (got \"" + text + "\")";
        return false;
    }
    limit = value;
    return true;
}

bool writeFile(const std::string& path, const std::string& text, std::string& error) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (file) file << text;
    if (!file) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

}  // namespace

bool parseReportOptions(const std::vector<std::string>& args, ReportOptions& options, std::string& error) {
    std::vector<std::string> positional;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::string value;
        const bool isOption = name.size() > 2 && name.compare(0, 2, "--") == 0;
        if (isOption && name.find('=') != std::string::npos) {
            value = name.substr(name.find('=') + 1);
            name = name.substr(0, name.find('='));
        } else if (isOption && name != "--help") {
            if (i + 1 == args.size()) {
                error = name + " needs a value";
                return false;
            }
            value = args[++i];
        }
        if (name == "--help") {
            options.help = true;
        } else if (name == "--tolerance") {
            if (!parseBand(value, options.band, error)) return false;
        } else if (name == "--max-velocity") {
            if (!parseLimit(name, value, options.limits.maxVelocity, error)) return false;
        } else if (name == "--max-displacement") {
            if (!parseLimit(name, value, options.limits.maxDisplacement, error)) return false;
        } else if (isOption || (name.size() > 1 && name[0] == '-')) {
            error = "unknown option " + name;
            return false;
        } else {
            positional.push_back(name);
        }
    }
    if (options.help) return true;
    if (positional.empty() || positional.size() > 2) {
        error = positional.empty() ? "no specification file given" : "too many arguments";
        return false;
    }
    options.specPath = positional[0];
    if (positional.size() == 2) options.outputDir = positional[1];
    return true;
}

int runReport(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    ReportOptions options;
    std::string error;
    if (!parseReportOptions(args, options, error)) {
        err << "kolvane_report: " << error << "\n\n" << reportUsage;
        return reportUnusableInput;
    }
    if (options.help) {
        out << reportUsage;
        return reportPassed;
    }

    ReportInputs inputs;
    if (!readReportInputs(options.specPath, options.outputDir, inputs, error)) {
        err << "kolvane_report: " << error << "\n";
        return reportUnusableInput;
    }
    const ReportFindings findings = assessRun(inputs, options.band, options.limits);
    out << reportTableText(inputs, findings);

    const std::string srsSvg = srsPlotSvg(inputs, findings, "srs");
    const std::string historySvg = historyPlotSvg(inputs, findings, "history");
    const std::string dir = options.outputDir.back() == '/' ? options.outputDir : options.outputDir + "/";
    if (!writeFile(dir + "srs.svg", standaloneSvg(srsSvg), error) ||
        !writeFile(dir + "history.svg", standaloneSvg(historySvg), error) ||
        !writeFile(dir + "report.html", reportPageHtml(options.specPath, inputs, findings, srsSvg, historySvg),
                   error)) {
        err << "kolvane_report: " << error << "\n";
        return reportUnusableInput;
    }
    out << "\n Plots: " << dir << "srs.svg, " << dir << "history.svg; page: " << dir << "report.html\n";
    return findings.passes ? reportPassed : reportCheckFailed;
}
