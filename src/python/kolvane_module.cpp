// The Python module kolvane: the program, the report, the fit and the export
// called with values, their results as NumPy arrays. Each function is a thin
// door on the library's typed entry points.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <thread>

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include "analysis/independent_srs.h"
#include "common/file_paths.h"
#include "common/text_file.h"
#include "export/export_history.h"
#include "fit/attempt_answers.h"
#include "fit/fit_app.h"
#include "fit/fit_options.h"
#include "model/damping.h"
#include "python/python_inputs.h"
#include "python/python_run.h"
#include "python/released_call.h"
#include "report/report_files.h"
#include "report/report_page.h"
#include "report/report_table.h"
#include "report/write_report.h"
#include "results/file_layout.h"
#include "run/synthesis_run.h"

namespace py = pybind11;

namespace {

using Array = py::array_t<double>;

Array arrayOf(const std::vector<double>& values) {
    Array array(static_cast<py::ssize_t>(values.size()));
    std::copy(values.begin(), values.end(), array.mutable_data());
    return array;
}

int threadsAvailable() { return std::max(1, static_cast<int>(std::thread::hardware_concurrency())); }

// The damping from q= or damping= (not both), Q 10 when neither.
double dampingRatioFrom(const std::optional<double>& q, const std::optional<double>& damping) {
    if (q && damping) throw std::invalid_argument("give the damping as q= or as damping=, not both");
    return damping ? *damping : dampingRatioOfQ(q.value_or(10.0));
}

// The program's refusal as it printed it, without the blank lines around it.
std::string refusalText(const std::string& console) {
    const std::size_t error = console.rfind("Error:");
    std::string text = console.substr(error == std::string::npos ? 0 : error);
    const std::size_t end = text.find("\n\n");
    if (end != std::string::npos) text.resize(end);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\n')) text.pop_back();
    return text.empty() ? "the run did not complete" : text;
}

// A scratch folder of the module's own, removed when it goes.
struct ScratchFolder {
    std::string dir;
    ScratchFolder() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/kolvane-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) throw FileProblem("cannot make a scratch folder in " + pattern);
        dir = pattern;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }
};

PythonRun synthesize(const py::object& specObject, double zpa, int spacing, std::optional<double> q,
                     std::optional<double> damping, std::optional<double> duration, int trials, int units, int seed,
                     std::optional<int> threads) {
    const SpecInput input = specificationFrom(specObject);
    if (spacing != 3 && spacing != 6 && spacing != 12) {
        throw std::invalid_argument("spacing is 3, 6 or 12 points per octave");
    }
    RunAnswers answers;
    answers.specFileName = input.fileName;
    answers.zpa = zpa;
    answers.spacingChoice = spacingChoiceFor(spacing);
    answers.dampingRatio = dampingRatioFrom(q, damping);
    answers.duration = duration ? *duration : 2.0 / input.spec.table.frequency[0];
    answers.trialCount = trials;
    answers.units = units;
    answers.skipCount = seed;
    const ScratchFolder scratch;
    std::string error;
    if (!writeTextFile(pathInFolder(scratch.dir, input.fileName), input.bytes, error)) throw FileProblem(error);

    std::atomic<bool> cancel{false};
    RunResults results;
    char* consoleText = nullptr;
    std::size_t consoleSize = 0;
    std::FILE* console = open_memstream(&consoleText, &consoleSize);
    RunRequest request;
    request.answers = answers;
    request.specification = RunSpecification{pathInFolder(scratch.dir, input.fileName), std::nullopt};
    request.outputDir = scratch.dir;
    request.console = console;
    request.threadCount = threads ? std::max(1, *threads) : threadsAvailable();
    request.results = &results;
    request.cancel = &cancel;
    RunOutcome outcome = RunOutcome::completed;
    try {
        outcome = callReleased([&] { return runSynthesis(request); }, cancel);
    } catch (...) {
        std::fclose(console);
        std::free(consoleText);
        throw;
    }
    std::fclose(console);
    const std::string printed(consoleText, consoleSize);
    std::free(consoleText);
    if (outcome != RunOutcome::completed) throw std::invalid_argument(refusalText(printed));

    PythonRun run;
    run.folder = runFolderOf(results, input.spec.table);
    run.files.emplace_back(input.fileName, input.bytes);
    for (const char* name : runFileNames) {
        std::string bytes;
        std::string reason;
        if (!readWholeFile(pathInFolder(scratch.dir, name), bytes, reason, std::size_t{1} << 30)) {
            throw FileProblem("cannot read the run's " + std::string(name) + ": " + reason);
        }
        if (name == std::string(trialsFileName)) run.trialsText = bytes;
        run.files.emplace_back(name, bytes);
    }
    return run;
}

// The run a check or an export is given: a run object, or a folder's name.
PythonRun runOf(const py::object& run) {
    if (py::isinstance<PythonRun>(run)) return run.cast<PythonRun>();
    return runFromFolder(pathText(run));
}

py::tuple srs(const py::array_t<double, py::array::c_style | py::array::forcecast>& acceleration, double sampleRate,
              const std::vector<double>& frequencies, std::optional<double> q, std::optional<double> damping) {
    if (acceleration.ndim() != 1) throw std::invalid_argument("the acceleration is a one-dimensional array");
    if (!(sampleRate > 0.0) || !std::isfinite(sampleRate)) {
        throw std::invalid_argument("the sample rate must be a positive number");
    }
    IndependentSrsSettings settings;
    settings.dampingRatio = dampingRatioFrom(q, damping);
    if (!(settings.dampingRatio >= 0.0 && settings.dampingRatio < 1.0)) {
        throw std::invalid_argument("the damping ratio must be from 0 to below 1");
    }
    for (const double f : frequencies) {
        if (!(f > 0.0) || !std::isfinite(f)) throw std::invalid_argument("every frequency must be a positive number");
    }
    IndependentSrs result;
    {
        py::gil_scoped_release released;
        result = computeIndependentSrs(acceleration.data(), static_cast<std::size_t>(acceleration.shape(0)),
                                       1.0 / sampleRate, frequencies, settings);
    }
    return py::make_tuple(arrayOf(result.positive), arrayOf(result.negative));
}

// What a check found, for Python.
struct PythonCheck {
    ReportFindings findings;
    std::string table;
    std::string json;
    std::vector<std::string> files;
    std::vector<std::string> advice;
    UnitNames units{};
};

AcceptanceRules rulesFrom(std::pair<double, double> tolerance, std::optional<std::pair<double, double>> inner,
                          double innerShare, const std::string& polarity, int analysisSpacing, const std::string& aim,
                          const std::optional<std::string>& bandFile) {
    AcceptanceRules rules;
    rules.outer = {tolerance.first, tolerance.second};
    if (inner) rules.inner = DbBand{inner->first, inner->second};
    rules.innerSharePercent = innerShare;
    if (polarity != "maximax" && polarity != "both") throw std::invalid_argument("polarity is \"maximax\" or \"both\"");
    rules.polarity = polarity == "both" ? Polarity::both : Polarity::maximax;
    if (analysisSpacing != 6 && analysisSpacing != 12 && analysisSpacing != 24) {
        throw std::invalid_argument("analysis_spacing is 6, 12 or 24 points per octave");
    }
    rules.analysisPointsPerOctave = analysisSpacing;
    if (aim != "spec" && aim != "centre") throw std::invalid_argument("aim is \"spec\" or \"centre\"");
    rules.aim = aim == "centre" ? Aim::bandCentre : Aim::specification;
    if (bandFile) rules.bandFile = *bandFile;
    std::optional<ShakerLimits> none;
    std::string error;
    if (!readCheckFiles(rules, "", none, error)) throw std::invalid_argument(error);
    return rules;
}

PythonCheck check(const py::object& specObject, const py::object& runObject, std::pair<double, double> tolerance,
                  std::optional<std::pair<double, double>> inner, double innerShare, const std::string& polarity,
                  int analysisSpacing, const py::object& shaker, const std::string& aim,
                  std::optional<std::string> bandFile, std::optional<double> maxVelocity,
                  std::optional<double> maxDisplacement, std::optional<std::string> out, std::string title,
                  std::string note) {
    const SpecInput input = specificationFrom(specObject);
    const std::optional<ShakerLimits> shakerLimits = shakerFrom(shaker);
    const PythonRun run = runOf(runObject);
    ReportRequest request;
    request.specification = input.spec;
    request.history.folder = run.folder;
    if (run.folder.runRecord) request.history.kind = run.folder.runRecord->holds;
    request.rules = rulesFrom(tolerance, inner, innerShare, polarity, analysisSpacing, aim, bandFile);
    request.limits = {maxVelocity, maxDisplacement};
    request.shaker = shakerLimits;
    request.title = std::move(title);
    request.note = std::move(note);
    request.commandLine = {"kolvane.check"};
    PythonCheck result;
    std::atomic<bool> cancel{false};
    std::string error;
    if (out) {
        // The report's files, the specification beside them when it came from Python.
        std::error_code failed;
        std::filesystem::create_directories(*out, failed);
        if (!input.fromFile) {
            request.specification.path = pathInFolder(*out, input.fileName);
            if (!writeTextFile(request.specification.path, input.bytes, error)) throw FileProblem(error);
        }
        request.outputDir = *out;
        std::ostringstream printed;
        const ReportResult report = callReleased([&] { return writeReport(request, printed); }, cancel);
        if (report.status == ReportStatus::unusable) throw std::invalid_argument(report.error);
        result.findings = report.findings;
        result.table = report.table;
        result.files = report.writtenFiles;
        std::string reason;
        readWholeFile(pathInFolder(*out, reportJsonFileName), result.json, reason);
    } else {
        request.outputDir = run.sourceDir.empty() ? "." : run.sourceDir;
        const bool judged = callReleased([&] { return judgeHistory(request, result.findings, error); }, cancel);
        if (!judged) throw std::invalid_argument(error);
        result.table = reportTableText(request.history, result.findings);
        const CheckRecord record{checkTimeUtc(), request.outputDir, {}, "kolvane.check",
                                 request.title,  request.note,      {}};
        result.json = reportJson(request.specification, request.history, result.findings, record);
    }
    result.units = unitNamesOf(run.folder.unitSystem);
    result.advice = adviceLines(result.findings, result.units);
    return result;
}

py::dict fitCall(const py::object& specObject, const std::string& out, const py::object& shaker,
                 std::optional<double> zpa, std::optional<double> duration, double q, int trials, int units,
                 int spacing, int attempts, int passes, std::optional<double> maxDuration, bool plain,
                 const std::string& aim, std::pair<double, double> tolerance,
                 std::optional<std::pair<double, double>> inner, double innerShare, const std::string& polarity,
                 int analysisSpacing, std::optional<std::vector<std::string>> exportFormats, std::optional<double> rate,
                 bool exportFailed, std::string title, std::string note) {
    FitOptions options;
    const SpecInput input = specificationFrom(specObject);
    std::string error;
    if (input.fromFile) {
        options.specPath = input.spec.path;
    } else {
        std::error_code failed;
        std::filesystem::create_directories(out, failed);
        options.specPath = pathInFolder(out, input.fileName);
        if (!writeTextFile(options.specPath, input.bytes, error)) throw FileProblem(error);
    }
    options.outputDir = out;
    options.zpa = zpa;
    options.duration = duration;
    options.q = q;
    options.trialCount = trials;
    options.units = units;
    if (spacing != 3 && spacing != 6 && spacing != 12) {
        throw std::invalid_argument("spacing is 3, 6 or 12 points per octave");
    }
    options.pointsPerOctave = spacing;
    options.attemptLimit = attempts;
    options.refinementPasses = passes;
    options.maxDuration = maxDuration;
    options.refine = !plain;
    options.shaker = shakerFrom(shaker);
    if (options.shaker) options.shakerPath = options.shaker->path;
    options.rules = rulesFrom(tolerance, inner, innerShare, polarity, analysisSpacing, aim, std::nullopt);
    if (exportFormats) {
        std::string list;
        for (const std::string& format : *exportFormats) list += (list.empty() ? "" : ",") + format;
        if (!parseExportFormats(list, options.exportFormats, error)) throw std::invalid_argument("export " + error);
    }
    options.exportSampleRate = rate;
    options.exportFailed = exportFailed;
    options.title = std::move(title);
    options.note = std::move(note);
    options.commandLine = {"kolvane.fit"};
    std::atomic<bool> cancel{false};
    options.cancel = &cancel;
    std::ostringstream printed;
    std::ostringstream problems;
    const int status = callReleased([&] { return fitSpecification(options, printed, problems); }, cancel);
    if (status == fitUnusableInput) {
        std::string message = problems.str();
        const std::string prefix = "kolvane_fit: ";
        if (message.rfind(prefix, 0) == 0) message.erase(0, prefix.size());
        while (!message.empty() && message.back() == '\n') message.pop_back();
        throw std::invalid_argument(message);
    }
    py::dict fit;
    fit["verdict"] = status == fitPassed ? "PASS" : "FAIL";
    fit["status"] = status;
    fit["console"] = printed.str();
    fit["folder"] = out;
    std::string reason, json;
    readWholeFile(pathInFolder(out, "fit.json"), json, reason);
    fit["fit_json"] = json;
    json.clear();
    readWholeFile(pathInFolder(out, reportJsonFileName), json, reason);
    fit["report_json"] = json;
    fit["run"] = py::cast(runFromFolder(out));
    return fit;
}

std::vector<std::string> exportCall(const py::object& runObject, std::optional<std::string> folder,
                                    std::vector<std::string> formats, std::optional<double> rate, bool exportFailed) {
    PythonRun run = runOf(runObject);
    if (run.sourceDir.empty()) {
        if (!folder) throw std::invalid_argument("a run made in Python is exported into a folder: give folder=");
        writeRunFiles(run, *folder);
        run = runFromFolder(*folder);
    }
    ExportRequest request;
    request.folder = run.folder;
    std::string list, error;
    for (const std::string& format : formats) list += (list.empty() ? "" : ",") + format;
    if (!parseExportFormats(list, request.formats, error)) throw std::invalid_argument(error);
    request.rate = rate;
    request.outputDir = folder ? *folder : run.sourceDir;
    request.exportFailed = exportFailed;
    std::ostringstream printed;
    std::atomic<bool> cancel{false};
    const ExportResult result = callReleased([&] { return exportHistory(request, printed); }, cancel);
    if (!result.written) throw std::invalid_argument(result.error);
    return result.files;
}

py::dict waveletsOf(const PythonRun& run) {
    std::vector<double> frequency, amplitude, halfSines, delay;
    if (run.folder.runRecord) {
        for (const ExactWavelet& w : run.folder.runRecord->wavelets) {
            frequency.push_back(w.frequency);
            amplitude.push_back(w.amplitude);
            halfSines.push_back(w.halfSines);
            delay.push_back(w.delay);
        }
    }
    py::dict d;
    d["frequency"] = arrayOf(frequency);
    d["amplitude"] = arrayOf(amplitude);
    d["half_sines"] = arrayOf(halfSines);
    d["delay"] = arrayOf(delay);
    return d;
}

// A history with the zero it ends on, so that every array is as long as t.
Array endingAtRest(const std::vector<double>& values, std::size_t length) {
    std::vector<double> padded = values;
    padded.resize(length, 0.0);
    return arrayOf(padded);
}

}  // namespace

PYBIND11_MODULE(kolvane, m) {
    m.doc() =
        "Shock-test histories that meet an SRS specification: synthesis, the lab's check, the shaker fit and "
        "the controller's files.";
    py::register_exception_translator([](std::exception_ptr failure) {
        try {
            if (failure) std::rethrow_exception(failure);
        } catch (const FileProblem& problem) {
            PyErr_SetString(PyExc_OSError, problem.what());
        }
    });

    py::class_<PythonRun>(m, "Run", "A run of the program: its history as its files print it.")
        .def_property_readonly("time_step", &PythonRun::timeStep)
        .def_property_readonly("sample_rate", [](const PythonRun& r) { return 1.0 / r.timeStep(); })
        .def_property_readonly("t",
                               [](const PythonRun& r) {
                                   const std::size_t n = r.folder.velocity.value.size();
                                   std::vector<double> t(n);
                                   for (std::size_t i = 0; i < n; ++i) t[i] = static_cast<double>(i) * r.timeStep();
                                   return arrayOf(t);
                               })
        .def_property_readonly("acceleration",
                               [](const PythonRun& r) {
                                   return endingAtRest(r.folder.acceleration.value, r.folder.velocity.value.size());
                               })
        .def_property_readonly("velocity", [](const PythonRun& r) { return arrayOf(r.folder.velocity.value); })
        .def_property_readonly("displacement", [](const PythonRun& r) { return arrayOf(r.folder.displacement.value); })
        .def_property_readonly("units",
                               [](const PythonRun& r) {
                                   const UnitNames u = unitNamesOf(r.folder.unitSystem);
                                   return py::make_tuple(u.acceleration, u.velocity, u.displacement);
                               })
        .def_property_readonly("wavelets", &waveletsOf)
        .def_property_readonly("srs",
                               [](const PythonRun& r) {
                                   std::vector<double> f, pos, neg;
                                   for (const SrsLine& line : r.folder.srs) {
                                       f.push_back(line.frequency);
                                       pos.push_back(line.positive);
                                       neg.push_back(line.negative);
                                   }
                                   py::dict d;
                                   d["frequency"] = arrayOf(f);
                                   d["positive"] = arrayOf(pos);
                                   d["negative"] = arrayOf(neg);
                                   return d;
                               })
        .def_property_readonly("trials",
                               [](const PythonRun& r) {
                                   const std::vector<std::vector<double>> rows = trialRowsOf(r.trialsText);
                                   Array table({static_cast<py::ssize_t>(rows.size()), py::ssize_t{8}});
                                   auto cells = table.mutable_unchecked<2>();
                                   for (std::size_t i = 0; i < rows.size(); ++i) {
                                       for (std::size_t k = 0; k < 8; ++k) {
                                           cells(static_cast<py::ssize_t>(i), static_cast<py::ssize_t>(k)) = rows[i][k];
                                       }
                                   }
                                   return table;
                               })
        .def_property_readonly_static("trial_columns",
                                      [](const py::object&) {
                                          return std::vector<std::string>{
                                              "trial",   "peak_acceleration", "peak_velocity", "peak_displacement",
                                              "t_error", "i_error",           "strategy",      "passes"};
                                      })
        .def_property_readonly("optimum",
                               [](const PythonRun& r) {
                                   py::dict d;
                                   if (r.folder.ranks.empty()) return d;
                                   const OptimumCase optimum = chooseOptimum(r.folder.ranks);
                                   d["trial"] = optimum.trial;
                                   d["score"] = optimum.score;
                                   return d;
                               })
        .def_property_readonly(
            "kind",
            [](const PythonRun& r) {
                return historyKindName(r.folder.runRecord ? r.folder.runRecord->holds : HistoryKind::plainRun);
            })
        .def_property_readonly("folder",
                               [](const PythonRun& r) -> py::object {
                                   if (r.sourceDir.empty()) return py::none();
                                   return py::str(r.sourceDir);
                               })
        .def(
            "write", [](const PythonRun& r, const py::object& folder) { writeRunFiles(r, pathText(folder)); },
            py::arg("folder"),
            "Writes the run's files into the folder, byte for byte as kolvane_zpa writes them with the same "
            "answers, and the specification beside them.")
        .def("__repr__", [](const PythonRun& r) {
            std::ostringstream text;
            text << "<kolvane.Run " << r.folder.acceleration.value.size() << " samples at " << 1.0 / r.timeStep()
                 << " per second" << (r.sourceDir.empty() ? "" : ", from " + r.sourceDir) << ">";
            return text.str();
        });

    py::class_<PythonCheck>(m, "Check", "The acceptance check a test lab makes, as kolvane_report makes it.")
        .def_property_readonly("verdict",
                               [](const PythonCheck& c) {
                                   if (c.findings.historyKind == HistoryKind::drive) return "DRIVE";
                                   return c.findings.passes ? "PASS" : "FAIL";
                               })
        .def_property_readonly("verdict_words", [](const PythonCheck& c) { return verdictWords(c.findings); })
        .def_readonly("table", &PythonCheck::table)
        .def_readonly("json", &PythonCheck::json)
        .def_readonly("files", &PythonCheck::files)
        .def_readonly("advice", &PythonCheck::advice)
        .def_property_readonly("frequency",
                               [](const PythonCheck& c) {
                                   std::vector<double> v;
                                   for (const AnalysisPoint& p : c.findings.acceptance.points) v.push_back(p.frequency);
                                   return arrayOf(v);
                               })
        .def_property_readonly("maximax",
                               [](const PythonCheck& c) {
                                   std::vector<double> v;
                                   for (const AnalysisPoint& p : c.findings.acceptance.points) v.push_back(p.maximax);
                                   return arrayOf(v);
                               })
        .def_property_readonly("deviation_db",
                               [](const PythonCheck& c) {
                                   std::vector<double> v;
                                   for (const AnalysisPoint& p : c.findings.acceptance.points) v.push_back(p.judgedDb);
                                   return arrayOf(v);
                               })
        .def_property_readonly("margin_db",
                               [](const PythonCheck& c) {
                                   std::vector<double> v;
                                   for (const AnalysisPoint& p : c.findings.acceptance.points) v.push_back(p.marginDb);
                                   return arrayOf(v);
                               })
        .def_property_readonly("worst",
                               [](const PythonCheck& c) {
                                   const WorstPoint& w = c.findings.acceptance.worst;
                                   py::dict d;
                                   d["frequency"] = w.frequency;
                                   d["margin_db"] = w.marginDb;
                                   d["deviation_db"] = w.deviationDb;
                                   d["edge"] = w.upperEdge ? "upper" : "lower";
                                   return d;
                               })
        .def_property_readonly("shaker_fits", [](const PythonCheck& c) { return c.findings.shaker.feasible; })
        .def("__repr__",
             [](const PythonCheck& c) { return std::string("<kolvane.Check ") + verdictWords(c.findings) + ">"; });

    m.def("synthesize", &synthesize, py::arg("spec"), py::arg("zpa"), py::arg("spacing") = 12,
          py::arg("q") = py::none(), py::arg("damping") = py::none(), py::arg("duration") = py::none(),
          py::arg("trials") = 100, py::arg("units") = 1, py::arg("seed") = 1, py::arg("threads") = py::none(),
          "Runs the program: the specification (a file's name, an N x 2 array or a dict), the ZPA, the spacing in "
          "points per octave (3, 6 or 12), the damping as q= or damping=, the duration (default 2 / first "
          "frequency), the trials, the unit system and the arbitrary integer. Returns a Run.");
    m.def("srs", &srs, py::arg("acceleration"), py::arg("sample_rate"), py::arg("frequencies"),
          py::arg("q") = py::none(), py::arg("damping") = py::none(),
          "The independent SRS the report uses (ramp-invariant filters, the residual response included): the "
          "positive peaks and the magnitudes of the negative ones at each frequency.");
    m.def("check", &check, py::arg("spec"), py::arg("run"), py::arg("tolerance") = std::make_pair(-3.0, 6.0),
          py::arg("inner") = py::none(), py::arg("inner_share") = 90.0, py::arg("polarity") = "maximax",
          py::arg("analysis_spacing") = 12, py::arg("shaker") = py::none(), py::arg("aim") = "spec",
          py::arg("band_file") = py::none(), py::arg("max_velocity") = py::none(),
          py::arg("max_displacement") = py::none(), py::arg("out") = py::none(), py::arg("title") = "",
          py::arg("note") = "",
          "Judges a run (a Run or a folder's name) as kolvane_report does; with out= its files are written there.");
    m.def("fit", &fitCall, py::arg("spec"), py::arg("out"), py::arg("shaker") = py::none(), py::arg("zpa") = py::none(),
          py::arg("duration") = py::none(), py::arg("q") = 10.0, py::arg("trials") = 100, py::arg("units") = 1,
          py::arg("spacing") = 12, py::arg("attempts") = 6, py::arg("passes") = 12,
          py::arg("max_duration") = py::none(), py::arg("plain") = false, py::arg("aim") = "spec",
          py::arg("tolerance") = std::make_pair(-3.0, 6.0), py::arg("inner") = py::none(),
          py::arg("inner_share") = 90.0, py::arg("polarity") = "maximax", py::arg("analysis_spacing") = 12,
          py::arg("export") = py::none(), py::arg("rate") = py::none(), py::arg("export_failed") = false,
          py::arg("title") = "", py::arg("note") = "",
          "Finds the history a lab would run, as kolvane_fit does, into the folder out. Returns a dict with the "
          "verdict, the console, fit.json and report.json, and the kept run.");
    m.def("export", &exportCall, py::arg("run"), py::arg("folder") = py::none(),
          py::arg("formats") = std::vector<std::string>{"csv", "uff", "mat"}, py::arg("rate") = py::none(),
          py::arg("export_failed") = false,
          "Writes a run's history for a controller, as kolvane_export does. Returns the files written.");
    m.def(
        "read_run", [](const py::object& folder) { return runFromFolder(pathText(folder)); }, py::arg("folder"),
        "Reads a run from its folder.");
}
