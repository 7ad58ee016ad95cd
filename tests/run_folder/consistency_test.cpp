// The report's refusals and warnings on real runs of the main program whose
// files were then made stale, foreign or incomplete.
#include "run_folder/consistency.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "report/report_app.h"
#include "run_folder/run_folder.h"
#include "run_program.h"

namespace {

// A 10-point specification (1/3 octave, 10 to 80 Hz), 20 trials.
const std::string specText = "10 1\n40 10\n100 10\n";
std::string answersAt(const std::string& q) { return "s.srs 3 1 2 " + q + " 0.25 20 1 1\n"; }

// Public, so that the table of spoilt folders below can reach it.
class RunConsistency : public ::testing::Test {
public:
    void SetUp() override { dir = makeTempDir(); }
    void TearDown() override { removeTree(dir); }
    std::string path(const std::string& name) const { return dir + "/" + name; }

    void run(const std::string& q = "10") {
        writeFile(path("s.srs"), specText);
        ASSERT_EQ(runKolvane(dir, answersAt(q)).exitStatus, 0);
    }

    // Reads the folder and checks it; false with `error` from whichever failed.
    bool judge(std::optional<double> damping, ConsistencyOutcome& outcome, std::string& error) const {
        SpecText spec;
        RunFolder folder;
        return readSpecTextFile(path("s.srs"), spec, error) && readRunFolder(dir, folder, error) &&
               checkRunConsistency(folder, &spec, damping, outcome, error);
    }

    void cutLastLine(const std::string& name) const {
        const std::string text = readFile(path(name));
        writeFile(path(name), text.substr(0, text.find_last_of('\n', text.size() - 2) + 1));
    }

    // Replaces the first `from` in the file with `to`.
    void replaceIn(const std::string& name, const std::string& from, const std::string& to) const {
        std::string text = readFile(path(name));
        const std::size_t at = text.find(from);
        ASSERT_NE(at, std::string::npos) << name << ": " << from;
        text.replace(at, from.size(), to);
        writeFile(path(name), text);
    }

    // Sets run.out's line "key = ..." to "key = value" (the first of them),
    // or drops every line from that key on when `value` is null; its time
    // stays as it was, so that the files after it are not older.
    void setRecorded(const std::string& key, const char* value) const {
        struct stat before;
        stat(path("run.out").c_str(), &before);
        std::string text;
        bool done = false;
        for (const std::string& line : splitLines(readFile(path("run.out")))) {
            const bool match = !done && line.rfind(key + " = ", 0) == 0;
            if (match && value == nullptr) break;
            text += (match ? key + " = " + value : line) + "\n";
            done = done || match;
        }
        writeFile(path("run.out"), text);
        const timespec times[2] = {before.st_mtim, before.st_mtim};
        utimensat(AT_FDCWD, path("run.out").c_str(), times, 0);
    }

    // The report's command on the folder: its status and what it said.
    int report(std::string& said) const {
        std::ostringstream out, err;
        const int status = runReport({path("s.srs"), dir}, out, err);
        said = err.str();
        return status;
    }

    // Sets the file's modification time `seconds` before run.out's.
    void makeOlderThanRunRecord(const std::string& name, int seconds) const {
        struct stat record;
        ASSERT_EQ(stat(path("run.out").c_str(), &record), 0);
        timespec times[2] = {record.st_mtim, record.st_mtim};
        times[0].tv_sec -= seconds;
        times[1].tv_sec -= seconds;
        ASSERT_EQ(utimensat(AT_FDCWD, path(name).c_str(), times, 0), 0);
    }

    std::string dir;
};

}  // namespace

TEST_F(RunConsistency, AFinishedRunIsConsistentAndJudgedAtItsOwnDamping) {
    run();
    ConsistencyOutcome outcome;
    std::string error;
    ASSERT_TRUE(judge(std::nullopt, outcome, error)) << error;
    EXPECT_EQ(outcome.dampingRatio, 0.05);
    EXPECT_FALSE(outcome.interrupted);
    EXPECT_TRUE(outcome.warnings.empty()) << outcome.warnings.front();
}

// Hostile folders: files of other runs, values no run writes, and files
// that are not files. Each is refused, by the command, with exit status 1.
TEST_F(RunConsistency, FilesThatDoNotBelongTogetherAreRefused) {
    using Spoil = std::function<void(RunConsistency&)>;
    const struct {
        const char* what;
        Spoil spoil;
        const char* named;  // in the refusal
    } cases[] = {
        {"stale accel.out", [](RunConsistency& r) { r.makeOlderThanRunRecord("accel.out", 5); },
         "accel.out is older than run.out"},
        {"stale srs.out", [](RunConsistency& r) { r.makeOlderThanRunRecord("srs.out", 1); },
         "srs.out is older than run.out"},
        {"run.out cut short", [](RunConsistency& r) { r.cutLastLine("run.out"); },
         "run.out is not a complete run record"},
        {"other units",
         [](RunConsistency& r) { r.replaceIn("trials.out", "(G)         (in/sec)     (in)", "(m/sec^2)   (m/sec)      (mm)"); },
         "trials.out's units"},
        {"other grid in srs.out", [](RunConsistency& r) { r.cutLastLine("srs.out"); }, "srs.out has 9"},
        {"other grid in wavelet.out", [](RunConsistency& r) { r.cutLastLine("wavelet.out"); }, "wavelet.out has 9"},
        {"short accel.out", [](RunConsistency& r) { r.cutLastLine("accel.out"); },
         "accel.out has 1249 rows, run.out 1250"},
        {"short disp.out", [](RunConsistency& r) { r.cutLastLine("disp.out"); },
         "disp.out has 1250 rows, run.out 1251"},
        {"short rank.out", [](RunConsistency& r) { r.cutLastLine("rank.out"); }, "rank.out has 19 rows, run.out 20"},
        {"trials.out of a shorter run", [](RunConsistency& r) { r.cutLastLine("trials.out"); },
         "trials.out has 19 trials"},
        {"one peak of srs.out ten times too high", [](RunConsistency& r) { r.replaceIn("srs.out", "e+000", "e+001"); },
         "srs.out is not the file run.out vouches for"},
        {"the same, run.out written before checksums were kept",
         [](RunConsistency& r) {
             r.setRecorded("holds", nullptr);
             r.replaceIn("srs.out", "e+000", "e+001");
         },
         "srs.out does not match the SRS of accel.out at "},
        {"velox.out negated",
         [](RunConsistency& r) {
             std::string negated;
             for (const std::string& line : splitLines(readFile(r.path("velox.out")))) {
                 char text[64];
                 std::snprintf(text, sizeof text, "%12.4f \n", -std::stod(line.substr(13)));
                 negated += line.substr(0, 13) + text;
             }
             writeFile(r.path("velox.out"), negated);
         },
         "velox.out is not the file run.out vouches for"},
        {"disp.out zeroed, run.out without checksums",
         [](RunConsistency& r) {
             r.setRecorded("holds", nullptr);
             std::string zeroed;
             for (const std::string& line : splitLines(readFile(r.path("disp.out")))) {
                 zeroed += line.substr(0, 13) + "      0.0000 \n";
             }
             writeFile(r.path("disp.out"), zeroed);
         },
         "disp.out row "},
        {"a wavelet's amplitude edited in run.out",
         [](RunConsistency& r) {
             const std::string text = readFile(r.path("run.out"));
             const std::size_t at = text.find("wavelet = ");
             const std::string line = text.substr(at + 10, text.find('\n', at) - at - 10);
             std::istringstream words(line);
             std::string frequency, amplitude, halfSines, delay;
             words >> frequency >> amplitude >> halfSines >> delay;
             r.setRecorded("wavelet", (frequency + " 1.5 " + halfSines + " " + delay).c_str());
         },
         "the wavelets run.out records do not rebuild accel.out"},
        {"no run.out and no damping", [](RunConsistency& r) { std::remove(r.path("run.out").c_str()); }, "--q Q"},
        {"a damping ratio of 2", [](RunConsistency& r) { r.setRecorded("damping_ratio", "2"); },
         "damping_ratio = 2, outside 0 to 1"},
        {"a damping ratio of inf",
         [](RunConsistency& r) { r.setRecorded("damping_ratio", "inf"); },
         "damping_ratio = inf"},
        {"a ZPA that is not a number", [](RunConsistency& r) { r.setRecorded("zpa", "nan"); },
         "zpa = nan, not a finite number"},
        {"negated times in accel.out", [](RunConsistency& r) { r.replaceIn("accel.out", "\n     0.00020", "\n    -0.00020"); },
         "accel.out row 2 has time -0.00020, not 1 times run.out's output time step"},
        {"velox.out holding inf", [](RunConsistency& r) { r.replaceIn("velox.out", "      0.0000 \n", "         inf \n"); },
         "\"inf\" is not a finite number"},
        {"wavelet.out of another grid", [](RunConsistency& r) { r.replaceIn("wavelet.out", "12.599", "13.599"); },
         "wavelet.out's wavelet 1 lies at 13.599 Hz, srs.out's grid point at 12.599 Hz"},
        {"answers.txt of another run", [](RunConsistency& r) { writeFile(r.path("answers.txt"), answersAt("25")); },
         "answers.txt does not give run.out's answers (its damping differs)"},
        {"rank.out of another ranking", [](RunConsistency& r) { r.replaceIn("rank.out", "i=0 \t n=", "i=0 \t n=-"); },
         "rank.out's lowest score is trial 0's"},
        {"rank_d.out cut short", [](RunConsistency& r) { r.cutLastLine("rank_d.out"); },
         "rank_d.out does not list the 20 trials"},
        {"run.out converted to CR LF",
         [](RunConsistency& r) {
             std::string text;
             for (const std::string& line : splitLines(readFile(r.path("run.out")))) text += line + "\r\n";
             writeFile(r.path("run.out"), text);
         },
         "run.out has Windows line ends (CR LF)"},
        {"accel.out a folder",
         [](RunConsistency& r) {
             std::remove(r.path("accel.out").c_str());
             std::filesystem::create_directory(r.path("accel.out"));
         },
         "accel.out (" /* then the path */},
        {"accel.out a link to /dev/zero",
         [](RunConsistency& r) {
             std::remove(r.path("accel.out").c_str());
             std::filesystem::create_symlink("/dev/zero", r.path("accel.out"));
         },
         "it is not a regular file"},
        {"srs.out a pipe that nobody writes",
         [](RunConsistency& r) {
             std::remove(r.path("srs.out").c_str());
             mkfifo(r.path("srs.out").c_str(), 0644);
         },
         "srs.out (" /* then the path */},
        {"the specification named analysis.csv in the folder",
         [](RunConsistency& r) { std::rename(r.path("s.srs").c_str(), r.path("analysis.csv").c_str()); },
         "is " /* the folder's analysis.csv */},
    };
    for (const auto& c : cases) {
        run();
        c.spoil(*this);
        std::string said;
        const std::string spec = fileExists(path("s.srs")) ? path("s.srs") : path("analysis.csv");
        std::ostringstream out, err;
        EXPECT_EQ(runReport({spec, dir}, out, err), reportUnusableInput) << c.what;
        said = err.str();
        EXPECT_NE(said.find(c.named), std::string::npos) << c.what << ": " << said;
        removeTree(dir);
        std::filesystem::create_directory(dir);
    }
}

// The report's files go through a temporary and a rename: a link in their
// place is replaced, and what it pointed at is left alone.
TEST_F(RunConsistency, LinksInTheFolderAreReplacedNotFollowed) {
    run();
    const std::string outside = dir + "-outside.txt";
    writeFile(outside, "someone else's");
    std::filesystem::create_symlink(outside, path("report.html"));
    std::filesystem::create_symlink(dir + "-dangling.svg", path("srs.svg"));
    std::string said;
    EXPECT_NE(report(said), reportUnusableInput) << said;
    EXPECT_EQ(readFile(outside), "someone else's");
    EXPECT_FALSE(fileExists(dir + "-dangling.svg"));
    EXPECT_FALSE(std::filesystem::is_symlink(path("report.html")));
    std::remove(outside.c_str());
}

TEST_F(RunConsistency, WithoutRunRecordTheDampingGivenMustBeTheRuns) {
    run("25");
    std::remove(path("run.out").c_str());
    ConsistencyOutcome outcome;
    std::string error;
    EXPECT_FALSE(judge(1.0 / 20.0, outcome, error));
    EXPECT_NE(error.find("srs.out does not match the SRS of accel.out"), std::string::npos) << error;
    EXPECT_NE(error.find("the damping given"), std::string::npos) << error;
    ASSERT_TRUE(judge(1.0 / 50.0, outcome, error)) << error;
    EXPECT_EQ(outcome.dampingRatio, 1.0 / 50.0);
}

TEST_F(RunConsistency, InterruptedRunsForeignSpecificationsAndOtherDampingsAreWarnings) {
    run();
    // Two more trials finished after the last results step.
    std::string trials = readFile(path("trials.out"));
    trials += " 20        1.000        2.000        0.500        3.250        0.125 1  44\n";
    trials += " 21        1.000        2.000        0.500        3.250        0.125 3  44\n";
    trials += " 22        1.000   ";  // a row the stop cut short
    writeFile(path("trials.out"), trials);
    // The same points, written otherwise: another file.
    writeFile(path("s.srs"), "10 1.0\n40 10\n100 10\n");
    ConsistencyOutcome outcome;
    std::string error;
    ASSERT_TRUE(judge(1.0 / 24.0, outcome, error)) << error;
    EXPECT_TRUE(outcome.interrupted);
    EXPECT_EQ(outcome.dampingRatio, 1.0 / 24.0);
    ASSERT_EQ(outcome.warnings.size(), 3u);
    EXPECT_NE(outcome.warnings[0].find("Q = 12"), std::string::npos) << outcome.warnings[0];
    EXPECT_NE(outcome.warnings[1].find("trials.out holds 22 of its 20 trials, the last results step ranked 20"),
              std::string::npos)
        << outcome.warnings[1];
    EXPECT_NE(outcome.warnings[2].find("s.srs is not the run's (s.srs in run.out)"), std::string::npos)
        << outcome.warnings[2];
}
