#include "fit/fit_app.h"
#include "rebuild/rebuild_app.h"
#include "report/report_app.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "run_program.h"

namespace fs = std::filesystem;

namespace {

const std::string pyroshockSpec = std::string(KOLVANE_SOURCE_DIR) + "/examples/pyroshock.srs";
const char* const programFiles[] = {"trials.out", "rank_d.out", "rank.out", "wavelet.out", "accel.out",
                                    "velox.out",  "disp.out",   "srs.out",  "run.out"};

struct Fit {
    int status = -1;
    std::string out;
    std::string err;
    std::string dir;
};

// Few trials and one rung of attempts keep the sanitizer build quick; the
// rules are the report's defaults.
Fit fitInto(const std::string& scratch, const std::string& spec, std::vector<std::string> options) {
    Fit fit;
    fit.dir = scratch + "/fit";
    std::vector<std::string> args{spec, fit.dir};
    for (const char* fixed : {"--trials", "--attempts"}) {
        if (std::find(options.begin(), options.end(), fixed) == options.end()) {
            args.insert(args.end(), {fixed, fixed == std::string("--trials") ? "40" : "2"});
        }
    }
    args.insert(args.end(), options.begin(), options.end());
    std::ostringstream out;
    std::ostringstream err;
    fit.status = runFit(args, out, err);
    fit.out = out.str();
    fit.err = err.str();
    return fit;
}

// The attempts' lines in fit.json, one string per attempt.
std::vector<std::string> attemptEntries(const std::string& json) {
    std::vector<std::string> entries;
    std::size_t at = json.find("\"attempt\": ");
    while (at != std::string::npos) {
        const std::size_t next = json.find("\"attempt\": ", at + 1);
        entries.push_back(json.substr(at, next == std::string::npos ? std::string::npos : next - at));
        at = next;
    }
    return entries;
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The kept folder's answers.txt, typed into kolvane_zpa beside a copy of the
// specification it names, gives the program's run before any refinement
// byte for byte: its attempt folder's files, and the search files
// (trials.out, rank_d.out, rank.out) of the kept folder.
void expectReplays(const Fit& fit, const std::string& replay) {
    const std::string answers = readFile(fit.dir + "/answers.txt");
    const std::string specName = splitLines(answers).front();
    fs::create_directory(replay);
    fs::copy_file(fit.dir + "/" + specName, replay + "/" + specName);
    const ProgramRun run = runKolvane(replay, answers);
    ASSERT_EQ(run.exitStatus, 0) << run.console;
    const std::string json = readFile(fit.dir + "/fit.json");
    const std::size_t chosenAt = json.find("\"chosen_attempt\": ");
    const std::string attempt = fit.dir + "/attempts/" + json.substr(chosenAt + 18, json.find(',', chosenAt) - chosenAt - 18);
    for (const char* name : programFiles) {
        EXPECT_TRUE(readFile(replay + "/" + name) == readFile(attempt + "/" + name)) << name;
    }
    for (const char* name : {"trials.out", "rank_d.out", "rank.out"}) {
        EXPECT_TRUE(readFile(replay + "/" + name) == readFile(fit.dir + "/" + name)) << name;
    }
}

const std::string lowSpec = std::string(KOLVANE_SOURCE_DIR) + "/examples/low-frequency.srs";

class FitCommand : public testing::Test {
protected:
    void SetUp() override { scratch_ = makeTempDir(); }
    void TearDown() override { removeTree(scratch_); }
    std::string scratch_;
};

}  // namespace

// Keeping the program's histories, the ZPA is what moves the spectrum.
TEST_F(FitCommand, APlainFitFromAFarOffZpaPassesAfterAZpaChange) {
    const Fit fit = fitInto(scratch_, pyroshockSpec, {"--zpa", "2000", "--plain", "--attempts", "6"});
    ASSERT_EQ(fit.status, fitPassed) << fit.out << fit.err;
    const std::vector<std::string> attempts = attemptEntries(readFile(fit.dir + "/fit.json"));
    ASSERT_GE(attempts.size(), 3u);
    EXPECT_TRUE(contains(attempts.front(), "\"zpa\": 2000,")) << attempts.front();
    EXPECT_TRUE(contains(attempts.front(), "\"passes\": false"));
    EXPECT_TRUE(contains(attempts.front(), "\"history\": \"plain\""));
    EXPECT_FALSE(contains(attempts.back(), "\"zpa\": 2000,"));
    EXPECT_EQ(splitLines(fit.out).size(), attempts.size() + 2) << fit.out;  // a line each, a blank, the verdict
    EXPECT_TRUE(contains(fit.out, " PASS: attempt ")) << fit.out;
    EXPECT_EQ(readFile(fit.dir + "/run.out").find("holds = plain run"), readFile(fit.dir + "/run.out").find("holds"));
}

// The 10 kHz specification's last 1/12-octave grid point lies below 10 kHz:
// the first attempt already carries the point a grid step above it. Its
// refined history lies within +-1 dB of the specification, the folder holds
// it, the report accepts it, and its answers replay the program's run.
TEST_F(FitCommand, TheRefinedHistoryMeetsTheAimAndItsFolderReplaysTheProgramsRun) {
    const Fit fit = fitInto(scratch_, pyroshockSpec,
                            {"--attempts", "2", "--export", "csv", "--title", "bracket A", "--note", "axis Z, J. Doe"});
    ASSERT_EQ(fit.status, fitPassed) << fit.out << fit.err;
    // The page names the test item and what the controller will play.
    const std::string page = readFile(fit.dir + "/report.html");
    EXPECT_TRUE(contains(page, "<th>Test item</th><td>bracket A</td>")) << page.substr(0, 3000);
    EXPECT_TRUE(contains(page, "<th>Note</th><td>axis Z, J. Doe</td>"));
    EXPECT_TRUE(contains(page, "<th>Exported</th><td>history.csv at 121920 per second, FNV-1a 64 "));
    EXPECT_TRUE(contains(page, "kolvane_fit " + pyroshockSpec)) << "the fit's command as typed";
    const std::string json = readFile(fit.dir + "/fit.json");
    const std::vector<std::string> attempts = attemptEntries(json);
    ASSERT_EQ(attempts.size(), 2u);
    EXPECT_TRUE(contains(attempts.front(), "\"specification_extended\": true")) << attempts.front();
    EXPECT_TRUE(contains(json, "\"verdict\": \"pass\""));
    EXPECT_TRUE(contains(json, "\"meets_aim\": true"));
    EXPECT_TRUE(contains(readFile(fit.dir + "/run.out"), "\nholds = refined history\n"));
    EXPECT_TRUE(contains(fit.out, "within +-1 dB")) << fit.out;

    EXPECT_EQ(splitLines(readFile(fit.dir + "/answers.txt")).front(), "pyroshock_extended.srs");
    expectReplays(fit, scratch_ + "/replay");
    EXPECT_TRUE(contains(fit.out, "its report in " + fit.dir + "/report.html")) << fit.out;
    std::ostringstream out, err;
    EXPECT_EQ(runReport({pyroshockSpec, fit.dir, "--prefix", "again"}, out, err), reportPassed) << err.str();
    EXPECT_TRUE(contains(readFile(fit.dir + "/again-report.json"), "\"deviation\": {\"min_db\": -"));

    // kolvane_rebuild makes the refined history again from run.out's
    // wavelets, byte for byte.
    std::ostringstream said, failed;
    ASSERT_EQ(runRebuild({fit.dir, scratch_ + "/rebuilt"}, said, failed), rebuildWritten) << failed.str();
    for (const char* name : {"wavelet.out", "accel.out", "velox.out", "disp.out", "srs.out"}) {
        EXPECT_TRUE(readFile(scratch_ + "/rebuilt/" + name) == readFile(fit.dir + "/" + name)) << name;
    }
    // A history that is not the one run.out records is refused.
    std::string accel = readFile(fit.dir + "/accel.out");
    accel[accel.find('\n') - 1] = accel[accel.find('\n') - 1] == '0' ? '1' : '0';
    writeFile(fit.dir + "/accel.out", accel);
    std::ostringstream refusedOut, refusedErr;
    EXPECT_EQ(runReport({pyroshockSpec, fit.dir, "--prefix", "tampered"}, refusedOut, refusedErr), reportUnusableInput);
    EXPECT_TRUE(contains(refusedErr.str(), "accel.out is not the file run.out vouches for")) << refusedErr.str();
}

// 1 to 50 Hz: at the recommended 2 s the history needs five times the
// stroke of a 25.4 mm shaker and 1.7 times that of a 76.2 mm one. Longer
// durations bring the long-stroke shaker within reach; the kept attempt, at
// its duration and arbitrary integer, replays through the program.
TEST_F(FitCommand, AShakerFitLengthensTheDurationOrSaysWhatMustChange) {
    writeFile(scratch_ + "/long.txt", "stroke_mm_pk_pk = 76.2\nvelocity_m_s = 1.8\n");
    const Fit fit = fitInto(scratch_, lowSpec, {"--units", "2", "--shaker", scratch_ + "/long.txt", "--attempts", "6"});
    ASSERT_EQ(fit.status, fitPassed) << fit.out << fit.err;
    const std::string json = readFile(fit.dir + "/fit.json");
    const std::vector<std::string> attempts = attemptEntries(json);
    EXPECT_TRUE(contains(attempts.front(), "\"duration_s\": 2,")) << attempts.front();
    EXPECT_TRUE(contains(attempts.front(), "\"fits_shaker\": false"));
    EXPECT_TRUE(contains(json, "\"stroke_mm_pk_pk\": 76.2")) << "the shaker's values";
    const std::size_t chosenAt = json.find("\"chosen_attempt\": ");
    const std::string& chosen = attempts[std::stoul(json.substr(chosenAt + 18)) - 1];
    EXPECT_TRUE(contains(chosen, "\"fits_shaker\": true")) << chosen;
    EXPECT_FALSE(contains(chosen, "\"duration_s\": 2,")) << chosen;
    EXPECT_TRUE(contains(fit.out, "meets the specification and fits the shaker")) << fit.out;
    expectReplays(fit, scratch_ + "/replay");

    writeFile(scratch_ + "/short.txt", "stroke_mm_pk_pk = 25.4\n");
    const Fit none =
        fitInto(scratch_ + "/none", lowSpec, {"--units", "2", "--shaker", scratch_ + "/short.txt", "--attempts", "6"});
    ASSERT_EQ(none.status, fitNoPass) << none.out << none.err;
    EXPECT_TRUE(contains(none.out, " The shaker's displacement from rest binds: the best reached is ")) << none.out;
    EXPECT_TRUE(contains(none.out, "It would take a shaker with ")) << none.out;
    EXPECT_TRUE(contains(none.out, "or a duration of about ") || contains(none.out, "beyond the ")) << none.out;
    const std::string advice = readFile(none.dir + "/fit.json");
    EXPECT_TRUE(contains(advice, "\"binding_limits\": [\n    {\"limit\": \"displacement_mm\", \"best\": ")) << advice;
    EXPECT_TRUE(contains(advice, "\"verdict\": \"fail\""));
    EXPECT_TRUE(contains(readFile(none.dir + "/report.txt"), "Shaker (")) << "the report judges the shaker too";
    EXPECT_TRUE(contains(readFile(none.dir + "/report.txt"), " Verdict:               FAIL (shaker)\n"));
}

// A peak that the refinement lowers brings the force within the shaker's
// rating, where a plain run's would not; a test item too heavy for any
// history is told the moving mass that would do.
TEST_F(FitCommand, TheForceBindsOnlyWhenNothingLowersThePeakAndTheAdviceNamesTheMass) {
    writeFile(scratch_ + "/force.srs", "50 5\n500 150\n5000 150\n");
    const std::string shaker = std::string(KOLVANE_SOURCE_DIR) + "/examples/shaker-25mm.txt";
    const Fit fits = fitInto(scratch_, scratch_ + "/force.srs", {"--shaker", shaker});
    EXPECT_EQ(fits.status, fitPassed) << fits.out << fits.err;

    writeFile(scratch_ + "/heavy.txt", "stroke_mm_pk_pk = 25.4\nforce_n = 8900\nmoving_mass_kg = 10\npayload_kg = 15\n");
    const Fit heavy = fitInto(scratch_ + "/heavy", scratch_ + "/force.srs", {"--shaker", scratch_ + "/heavy.txt"});
    ASSERT_EQ(heavy.status, fitNoPass) << heavy.out << heavy.err;
    EXPECT_TRUE(contains(heavy.out, "The shaker's force on the moving mass binds")) << heavy.out;
    EXPECT_TRUE(contains(heavy.out, "a moving mass of at most ")) << heavy.out;
    EXPECT_TRUE(contains(heavy.out, "(now 10.00 kg) with the 15.00 kg test item")) << heavy.out;
    EXPECT_TRUE(contains(readFile(heavy.dir + "/fit.json"), "\"moving_mass_kg_at_most\": "));
}

// At Q = 25 each resonance is narrow, so the response of a plain run dips
// between 1/3-octave grid points further than a ZPA change can make up.
TEST_F(FitCommand, APlainCoarseStartPassesAfterAFinerSpacing) {
    const Fit fit = fitInto(scratch_, pyroshockSpec, {"--spacing", "3", "--q", "25", "--plain", "--attempts", "6"});
    ASSERT_EQ(fit.status, fitPassed) << fit.out << fit.err;
    const std::vector<std::string> attempts = attemptEntries(readFile(fit.dir + "/fit.json"));
    EXPECT_TRUE(contains(attempts.front(), "\"spacing\": \"1/3 octave\""));
    EXPECT_FALSE(contains(attempts.back(), "\"spacing\": \"1/3 octave\"")) << attempts.back();
}

// A band narrower than any history comes: the fit says the band is the
// obstacle, keeps the nearest, and never makes an attempt twice.
TEST_F(FitCommand, NoPassWithinTheAttemptsExitsTwoWithTheBestKept) {
    const Fit fit = fitInto(scratch_, pyroshockSpec, {"--tolerance", "-0.1,0.1", "--attempts", "3"});
    ASSERT_EQ(fit.status, fitNoPass) << fit.out << fit.err;
    const std::string json = readFile(fit.dir + "/fit.json");
    EXPECT_TRUE(contains(json, "\"verdict\": \"fail\""));
    const std::size_t chosenAt = json.find("\"chosen_attempt\": ");
    ASSERT_NE(chosenAt, std::string::npos);
    const std::string chosen = json.substr(chosenAt + 18, json.find(',', chosenAt) - chosenAt - 18);
    EXPECT_TRUE(contains(fit.out, " FAIL: no attempt of ")) << fit.out;
    EXPECT_TRUE(contains(fit.out, "kept attempt " + chosen + ","));
    EXPECT_TRUE(contains(fit.out, "its report in " + fit.dir + "/report.html")) << fit.out;
    EXPECT_TRUE(contains(fit.out, " Options that could help, most likely first: a band that holds ")) << fit.out;
    EXPECT_FALSE(contains(fit.out, "--trials")) << fit.out;
    const std::vector<std::string> attempts = attemptEntries(json);
    EXPECT_EQ(attempts.size(), 3u);
    for (std::size_t i = 0; i < attempts.size(); ++i) {
        const std::string answers = attempts[i].substr(attempts[i].find("\"answers\""), attempts[i].find("\"zpa\"") -
                                                                                           attempts[i].find("\"answers\""));
        for (std::size_t k = 0; k < i; ++k) EXPECT_FALSE(contains(attempts[k], answers)) << "attempt " << i + 1;
    }
    EXPECT_TRUE(readFile(fit.dir + "/trials.out") == readFile(fit.dir + "/attempts/" + chosen + "/trials.out"));
}

// Hostile specifications: the fit refuses a table the program would read
// only in part, naming the line and the word, and forgives what spreadsheets
// write, handing the program a clean numeric copy.
TEST_F(FitCommand, UnusableInputExitsOneWithAMessage) {
    const std::string out = scratch_ + "/fit";
    fs::create_directories(out);
    const struct {
        const char* name;
        const char* text;  // nullptr: the file is not written
        std::vector<std::string> options;
        const char* message;
    } cases[] = {
        {"missing.srs", nullptr, {}, "cannot read specification file"},
        {"empty.srs", "", {}, "no frequency/level pairs"},
        {"partial.srs", "10 4.2\n45 40\nabc 40\n2000 40\n", {}, "line 3: \"abc\" is not a number"},
        {"letter.srs", "10 4.2\n45 40\n2000 4O\n", {}, "line 3: \"4O\" is not a number"},
        {"zero.srs", "0 1\n100 10\n", {}, "line 1, point 1: the frequency 0 Hz is not above zero"},
        {"infinite.srs", "10 inf\n100 10\n", {}, "line 1: \"inf\" is not a finite number"},
        {"fit/analysis.csv", "100 30\n1000 1000\n", {}, "is the output folder's analysis.csv, which the fit writes"},
        {"pyroshock.srs", "100 30\n1000 1000\n", {"--duration", "0.001"},
         "kolvane_zpa refused every attempt (the duration is too short)"},
        {"pyroshock.srs", "100 30\n1000 1000\n", {"--polarity", "sideways"}, "--polarity"},
        {"pyroshock.srs", "100 30\n1000 1000\n", {"--max-duration", "0.01"},
         "--max-duration 0.01 is below the first duration, 0.02 s"},
    };
    for (const auto& c : cases) {
        const std::string spec = scratch_ + "/" + c.name;
        if (c.text != nullptr) writeFile(spec, c.text);
        const Fit fit = fitInto(scratch_, spec, c.options);
        EXPECT_EQ(fit.status, fitUnusableInput) << c.message;
        EXPECT_TRUE(contains(fit.err, c.message)) << fit.err;
    }
    fs::create_directory(scratch_ + "/folder.srs");
    EXPECT_TRUE(contains(fitInto(scratch_, scratch_ + "/folder.srs", {}).err, "it is a folder, not a file"));

    writeFile(scratch_ + "/sheet.srs", "\xEF\xBB\xBF" "Frequency (Hz),Level (G)\r\n100,30\r\n1000,1000\r\n10000,1000\r\n");
    const Fit forgiven = fitInto(scratch_, scratch_ + "/sheet.srs", {"--attempts", "1"});
    EXPECT_NE(forgiven.status, fitUnusableInput) << forgiven.err;
    EXPECT_TRUE(contains(forgiven.out, " Note: specification file " + scratch_ + "/sheet.srs starts with a UTF-8 "
                                       "byte-order mark")) << forgiven.out;
    EXPECT_TRUE(contains(forgiven.out, "line 1, \"Frequency (Hz) Level (G)\", is taken as a heading")) << forgiven.out;
    EXPECT_EQ(readFile(forgiven.dir + "/attempts/1/sheet_extended.srs"),
              "100,30\r\n1000,1000\r\n10000,1000\r\n10160 1000\n");
}

// Hostile folders: links are replaced, never followed; the engineer's own
// files are never written over; a second fit removes what the first wrote
// and nothing else; a second fit at the same time is refused; a full disk
// is an error; on tmpfs the kept run is whole.
TEST_F(FitCommand, TheFitOwnsItsFolderAndNothingElse) {
    const std::string outside = scratch_ + "/outside";
    const std::string dir = scratch_ + "/fit";
    fs::create_directories(outside);
    fs::create_directories(dir + "/attempts");
    writeFile(outside + "/accel.txt", "not the fit's");
    writeFile(outside + "/answers.txt", "not the fit's either");
    fs::create_symlink(outside + "/accel.txt", dir + "/accel.out");
    fs::create_symlink(outside + "/answers.txt", dir + "/answers.txt");
    fs::create_symlink(outside + "/dangling.html", dir + "/report.html");
    fs::create_symlink(outside + "/dangling.json", dir + "/fit.json");
    writeFile(dir + "/pyroshock_extended.srs", "the engineer's own extension\n");
    writeFile(dir + "/attempts/notes.txt", "the engineer's notes\n");

    const Fit first = fitInto(scratch_, pyroshockSpec, {});
    ASSERT_EQ(first.status, fitPassed) << first.out << first.err;
    EXPECT_EQ(readFile(outside + "/accel.txt"), "not the fit's");
    EXPECT_EQ(readFile(outside + "/answers.txt"), "not the fit's either");
    EXPECT_FALSE(fileExists(outside + "/dangling.html"));
    EXPECT_FALSE(fileExists(outside + "/dangling.json"));
    for (const char* name : {"accel.out", "answers.txt", "report.html", "fit.json"}) {
        EXPECT_FALSE(fs::is_symlink(dir + "/" + name)) << name;
    }
    EXPECT_EQ(readFile(dir + "/pyroshock_extended.srs"), "the engineer's own extension\n");
    EXPECT_EQ(splitLines(readFile(dir + "/answers.txt")).front(), "pyroshock_extended-2.srs");
    EXPECT_EQ(runKolvane(dir, readFile(dir + "/answers.txt")).exitStatus, 0) << "the kept files replay";

    // The second fit needs no extension: the first one's extended copy goes,
    // the engineer's files stay.
    const Fit second = fitInto(scratch_, std::string(KOLVANE_SOURCE_DIR) + "/examples/pyroshock-extended.srs", {});
    ASSERT_EQ(second.status, fitPassed) << second.out << second.err;
    EXPECT_FALSE(fileExists(dir + "/pyroshock_extended-2.srs"));
    EXPECT_EQ(readFile(dir + "/pyroshock_extended.srs"), "the engineer's own extension\n");
    EXPECT_EQ(readFile(dir + "/attempts/notes.txt"), "the engineer's notes\n");

    // An export refused after the search: the fit still records what it owns.
    const Fit refused = fitInto(scratch_, std::string(KOLVANE_SOURCE_DIR) + "/examples/pyroshock-extended.srs",
                                {"--trials", "50", "--export", "csv", "--rate", "1000"});
    EXPECT_EQ(refused.status, fitUnusableInput);
    const std::string record = readFile(dir + "/fit.json");
    EXPECT_TRUE(contains(record, "\"trials\": 50,") && contains(record, "\"accel.out\"") &&
                contains(record, "\"attempts/1/console.txt\""))
        << record;

    // A fit leaves no lock behind; another fit holds the folder.
    EXPECT_FALSE(fileExists(dir + "/.kolvane_fit.lock"));
    const int lock = open((dir + "/.kolvane_fit.lock").c_str(), O_RDWR | O_CREAT, 0644);
    ASSERT_EQ(flock(lock, LOCK_EX | LOCK_NB), 0);
    const Fit blocked = fitInto(scratch_, pyroshockSpec, {});
    close(lock);
    EXPECT_EQ(blocked.status, fitUnusableInput);
    EXPECT_TRUE(contains(blocked.err, "another kolvane_fit is writing into " + dir)) << blocked.err;

    // A disk that fills: the files cannot be written whole, and the fit says so.
    const pid_t child = fork();
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{16 * 1024, 16 * 1024};
        setrlimit(RLIMIT_FSIZE, &limit);
        _exit(fitInto(scratch_ + "/full", pyroshockSpec, {}).status);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == fitUnusableInput) << status;

    // On tmpfs the copies' times come out in the order written.
    if (fs::is_directory("/dev/shm")) {
        const std::string shm = makeTempDirIn("/dev/shm");
        const Fit tmpfs = fitInto(shm, pyroshockSpec, {"--duration", "1", "--attempts", "2", "--plain"});
        EXPECT_NE(tmpfs.status, fitUnusableInput) << tmpfs.err;
        std::ostringstream reportOut, reportErr;
        EXPECT_NE(runReport({pyroshockSpec, tmpfs.dir}, reportOut, reportErr), reportUnusableInput) << reportErr.str();
        removeTree(shm);
    }
}

// What the fit hands the report shows in a diff: a whole fit with a shaker,
// made under SOURCE_DATE_EPOCH, against its committed fit.json, report.json
// and report.txt, the scratch folder and the source folder written as
// placeholders. KOLVANE_BLESS=1 writes the goldens anew (review their diff).
TEST_F(FitCommand, AShakerFitGivesItsGoldenFilesByteForByte) {
    const std::string source = KOLVANE_SOURCE_DIR;
    const std::string golden = source + "/tests/golden/shaker_fit/";
    setenv("SOURCE_DATE_EPOCH", "1700000000", 1);
    const Fit fit = fitInto(scratch_, source + "/examples/plateau-75g.srs",
                            {"--units", "2", "--shaker", source + "/examples/shaker-25mm.txt", "--attempts", "6"});
    unsetenv("SOURCE_DATE_EPOCH");
    ASSERT_NE(fit.status, fitUnusableInput) << fit.err;
    const auto placeholders = [&](std::string text) {
        for (const auto& [from, to] : {std::pair{scratch_, std::string("SCRATCH")}, std::pair{source, std::string("SOURCE")}}) {
            for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
                text.replace(at, from.size(), to);
            }
        }
        return text;
    };
    const bool bless = std::getenv("KOLVANE_BLESS") != nullptr;
    for (const char* name : {"fit.json", "report.json", "report.txt"}) {
        const std::string made = placeholders(readFile(fit.dir + "/" + name));
        if (bless) writeFile(golden + name, made);
        EXPECT_EQ(made, readFile(golden + name)) << name;
    }
    const std::string console = placeholders(fit.out);
    if (bless) writeFile(golden + "console.txt", console);
    EXPECT_EQ(console, readFile(golden + "console.txt"));

    // The fit judged its kept run in memory; kolvane_report reading the
    // folder it wrote finds the same, word for word but for the command.
    setenv("SOURCE_DATE_EPOCH", "1700000000", 1);
    std::ostringstream out, err;
    const int status = runReport({source + "/examples/plateau-75g.srs", fit.dir, "--shaker",
                                  source + "/examples/shaker-25mm.txt", "--prefix", "again"},
                                 out, err);
    unsetenv("SOURCE_DATE_EPOCH");
    EXPECT_EQ(status, fit.status) << err.str();
    const auto withoutCommand = [](std::string json) {
        const std::size_t at = json.find("  \"arguments\"");
        return json.erase(at, json.find('\n', at) - at);
    };
    EXPECT_EQ(withoutCommand(readFile(fit.dir + "/again-report.json")), withoutCommand(readFile(fit.dir + "/report.json")));
}
