// kolvane_export on a real run: each format read back, resampling against a
// history sampled directly at the new rate, and the refusals.
#include "export/export_app.h"

#include <matio.h>
#include <sys/stat.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "analysis/resample.h"
#include "report/report_app.h"
#include "spec/spec_text.h"
#include "results/run_record.h"
#include "run_program.h"

namespace {

struct Export {
    int status = -1;
    std::string out;
    std::string err;
};

Export exportWith(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    Export result;
    result.status = runExport(args, out, err);
    result.out = out.str();
    result.err = err.str();
    return result;
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::vector<double> column(const std::string& path, std::size_t index) {
    std::vector<double> values;
    for (const std::string& line : splitLines(readFile(path))) {
        std::istringstream fields(line);
        double field = 0.0;
        for (std::size_t k = 0; k <= index && fields >> field; ++k) {}
        if (fields) values.push_back(field);
    }
    return values;
}

// A UFF dataset 58 of real double precision values at even spacing: its
// record 7 (fields of 10, 10, 10, 13, 13, 13 characters) and its values,
// four of 20 characters to a line.
struct Uff58 {
    int ordinateType = 0, count = 0, spacing = 0;
    double minimum = 0.0, increment = 0.0;
    int abscissaType = 0, ordinateDataType = 0;
    std::string unit;
    std::vector<double> values;
};

std::vector<Uff58> readUff58(const std::string& path) {
    const std::vector<std::string> lines = splitLines(readFile(path));
    std::vector<Uff58> sets;
    for (std::size_t i = 0; i + 12 < lines.size(); ++i) {
        if (lines[i] != "    -1" || lines[i + 1] != "    58") continue;
        Uff58 set;
        const std::string& r7 = lines[i + 8];
        set.ordinateType = std::stoi(r7.substr(0, 10));
        set.count = std::stoi(r7.substr(10, 10));
        set.spacing = std::stoi(r7.substr(20, 10));
        set.minimum = std::stod(r7.substr(30, 13));
        set.increment = std::stod(r7.substr(43, 13));
        set.abscissaType = std::stoi(lines[i + 9].substr(0, 10));
        set.ordinateDataType = std::stoi(lines[i + 10].substr(0, 10));
        set.unit = lines[i + 10].substr(47, 20);
        set.unit.erase(set.unit.find_last_not_of(' ') + 1);
        std::size_t k = i + 13;
        for (; k < lines.size() && lines[k] != "    -1"; ++k) {
            for (std::size_t at = 0; at + 20 <= lines[k].size(); at += 20) set.values.push_back(std::stod(lines[k].substr(at, 20)));
        }
        sets.push_back(set);
        i = k;
    }
    return sets;
}

std::vector<double> matRow(mat_t* file, const char* name) {
    matvar_t* variable = Mat_VarRead(file, name);
    std::vector<double> values;
    if (variable != nullptr && variable->class_type == MAT_C_DOUBLE && variable->rank == 2 && variable->dims[0] == 1) {
        const double* data = static_cast<const double*>(variable->data);
        values.assign(data, data + variable->dims[1]);
    }
    Mat_VarFree(variable);
    return values;
}

class ExportCommand : public ::testing::Test {
protected:
    void SetUp() override {
        dir = makeTempDir();
        for (const char* name : {"pyroshock-extended.srs"}) {
            writeFile(dir + "/" + name, readFile(std::string(KOLVANE_SOURCE_DIR) + "/examples/" + name));
        }
        ASSERT_EQ(runInProcess(dir, "pyroshock-extended.srs 320 2 2 10 0.05 20 2 1\n", 2).exitStatus, 0);
        std::string problem;
        ASSERT_TRUE(parseRunRecord(readFile(dir + "/run.out"), record, problem)) << problem;
    }
    void TearDown() override { removeTree(dir); }
    std::string dir;
    RunRecord record;
};

}  // namespace

// Each format read back: the same step (the CSV's and the .mat's to 1e-12;
// UFF 58 stores it in an E13.5 field, six significant digits) and the same
// values as the run's files. With the time fixed, an export repeats byte for
// byte.
TEST_F(ExportCommand, EachFormatReadsBackWithTheRunsStepAndValues) {
    setenv("SOURCE_DATE_EPOCH", "1700000000", 1);
    const Export written = exportWith({dir});
    ASSERT_EQ(written.status, exportWritten) << written.err;
    const char* const formats[] = {"/history.csv", "/history.uff", "/history.mat"};
    std::vector<std::string> firstBytes;
    for (const char* name : formats) firstBytes.push_back(readFile(dir + name));
    EXPECT_EQ(firstBytes[2].rfind("MATLAB 5.0 MAT-file, kolvane_ZPA history, created 2023-11-14 22:13:20 UTC", 0), 0u);
    const std::vector<double> accel = column(dir + "/accel.out", 1);
    const std::vector<double> velocity = column(dir + "/velox.out", 1);
    const std::vector<double> displacement = column(dir + "/disp.out", 1);
    const double step = record.outputTimeStep;

    // A plain CSV, its header first; what it cannot say lies beside it.
    const std::string csv = readFile(dir + "/history.csv");
    EXPECT_EQ(csv.rfind("time_s,acceleration_G,velocity_m/sec,displacement_mm\n", 0), 0u) << csv.substr(0, 200);
    EXPECT_EQ(csv.find('#'), std::string::npos);
    const std::string json = readFile(dir + "/history.json");
    EXPECT_TRUE(contains(json, "\"sample_rate_hz\": 121920,")) << json;
    EXPECT_TRUE(contains(json, "\"spec_checksum\": \"")) << json;
    EXPECT_TRUE(contains(json, "\"verdict\": \"not judged")) << json;
    std::vector<std::vector<double>> rows;
    for (const std::string& line : splitLines(csv)) {
        if (line.empty() || line[0] == 't') continue;
        std::vector<double> row;
        std::istringstream fields(line);
        for (std::string field; std::getline(fields, field, ',');) row.push_back(std::stod(field));
        rows.push_back(row);
    }
    ASSERT_EQ(rows.size(), accel.size() + 1);
    for (std::size_t i = 1; i < rows.size(); ++i) {
        ASSERT_NEAR(rows[i][0] - rows[i - 1][0], step, 1e-12 * step) << i;
        ASSERT_EQ(rows[i - 1][1], accel[i - 1]) << i;
        ASSERT_EQ(rows[i][2], velocity[i]) << i;
        ASSERT_EQ(rows[i][3], displacement[i]) << i;
    }
    EXPECT_EQ(rows.back()[1], 0.0) << "the record ends at rest";

    const std::vector<Uff58> sets = readUff58(dir + "/history.uff");
    ASSERT_EQ(sets.size(), 3u);
    const int ordinateTypes[] = {12, 11, 8};
    const char* const units[] = {"G", "m/sec", "mm"};
    const std::vector<double>* series[] = {nullptr, &velocity, &displacement};
    for (int k = 0; k < 3; ++k) {
        const Uff58& set = sets[static_cast<std::size_t>(k)];
        EXPECT_EQ(set.ordinateType, 4);
        EXPECT_EQ(set.spacing, 1);
        EXPECT_EQ(set.abscissaType, 17);
        EXPECT_EQ(set.ordinateDataType, ordinateTypes[k]);
        EXPECT_EQ(set.unit, units[k]);
        EXPECT_EQ(set.minimum, 0.0);
        EXPECT_NEAR(set.increment, step, 5e-7 * step);
        ASSERT_EQ(set.count, static_cast<int>(rows.size()));
        ASSERT_EQ(set.values.size(), rows.size());
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const double expected = k == 0 ? rows[i][1] : (*series[k])[i];
            ASSERT_NEAR(set.values[i], expected, 1e-11 * std::fabs(expected)) << k << " " << i;
        }
    }

    mat_t* mat = Mat_Open((dir + "/history.mat").c_str(), MAT_ACC_RDONLY);
    ASSERT_NE(mat, nullptr);
    const std::vector<double> t = matRow(mat, "t");
    const std::vector<double> a = matRow(mat, "acceleration");
    const std::vector<double> dt = matRow(mat, "dt");
    const std::vector<double> rate = matRow(mat, "sample_rate");
    matvar_t* unitsText = Mat_VarRead(mat, "units");
    ASSERT_NE(unitsText, nullptr);
    const std::string unitsRead(static_cast<const char*>(unitsText->data), unitsText->dims[1]);
    Mat_VarFree(unitsText);
    Mat_Close(mat);
    ASSERT_EQ(t.size(), rows.size());
    ASSERT_EQ(dt.size(), 1u);
    EXPECT_EQ(dt[0], step);
    EXPECT_EQ(rate[0], 1.0 / step);
    EXPECT_NEAR(t[100] - t[99], step, 1e-12 * step);
    for (std::size_t i = 0; i < rows.size(); ++i) ASSERT_EQ(a[i], rows[i][1]) << i;
    EXPECT_EQ(unitsRead, "t: s, acceleration: G, velocity: m/sec, displacement: mm");

    ASSERT_EQ(exportWith({dir}).status, exportWritten);
    unsetenv("SOURCE_DATE_EPOCH");
    for (std::size_t k = 0; k < firstBytes.size(); ++k) EXPECT_EQ(readFile(dir + formats[k]), firstBytes[k]) << formats[k];
}

// At a controller's round rate the history is checked against the run's own
// and written; a rate whose Nyquist frequency misses the top is refused.
TEST_F(ExportCommand, ResamplingToRoundRatesIsCheckedAndTooLowARateRefused) {
    for (const char* rate : {"102400", "51200"}) {
        const Export written = exportWith({dir, "--rate", rate, "--format", "csv,uff"});
        ASSERT_EQ(written.status, exportWritten) << written.err;
        EXPECT_TRUE(contains(written.out, std::string(" Resampled from 121920 to ") + rate + " per second: SRS"))
            << written.out;
        EXPECT_TRUE(contains(readFile(dir + "/history.json"), std::string("\"sample_rate_hz\": ") + rate + ","));
        // The UFF's step reads back as the round rate's exactly.
        EXPECT_EQ(1.0 / readUff58(dir + "/history.uff").front().increment, std::stod(rate)) << rate;
    }
    EXPECT_FALSE(fileExists(dir + "/history.mat"));
    const Export low = exportWith({dir, "--rate", "20000"});
    EXPECT_EQ(low.status, exportUnusableInput);
    EXPECT_TRUE(contains(low.err, "has its Nyquist frequency below the last analysis frequency, 10160 Hz")) << low.err;

    // The run's specification edited after it: its bytes no longer match
    // run.out's checksum, so it cannot move the frequencies the check is made
    // at; srs.out's grid stands in, and the export says so.
    writeFile(dir + "/pyroshock-extended.srs", "100 30\n1000 1000\n15000 1000\n");
    const Export edited = exportWith({dir, "--rate", "25600", "--format", "csv"});
    EXPECT_EQ(edited.status, exportWritten) << edited.err;
    EXPECT_TRUE(contains(edited.out, "is not beside it with the bytes run.out records")) << edited.out;
}

TEST_F(ExportCommand, WhatCannotBeExportedIsRefusedWithTheFileNamed) {
    const std::string empty = dir + "/empty";
    std::filesystem::create_directory(empty);
    const Export noRun = exportWith({empty});
    EXPECT_EQ(noRun.status, exportUnusableInput);
    EXPECT_TRUE(contains(noRun.err, "holds no run of kolvane_zpa")) << noRun.err;

    const Export format = exportWith({dir, "--format", "csv,xls"});
    EXPECT_EQ(format.status, exportUnusableInput);
    EXPECT_TRUE(contains(format.err, "--format takes csv, uff and mat")) << format.err;
    EXPECT_TRUE(contains(format.err, "Usage: kolvane_export"));

    const std::string text = readFile(dir + "/accel.out");
    writeFile(dir + "/accel.out", text.substr(0, text.find_last_of('\n', text.size() - 2) + 1));
    const Export mixed = exportWith({dir});
    EXPECT_EQ(mixed.status, exportUnusableInput);
    EXPECT_TRUE(contains(mixed.err, "accel.out has ")) << mixed.err;
    writeFile(dir + "/accel.out", text);

    if (geteuid() != 0) {
        chmod(dir.c_str(), 0555);
        const Export locked = exportWith({dir, "--format", "csv"});
        chmod(dir.c_str(), 0755);
        EXPECT_EQ(locked.status, exportUnusableInput);
        EXPECT_TRUE(contains(locked.err, "cannot write " + dir + "/history.csv")) << locked.err;
    }
    std::filesystem::create_directory(dir + "/history.csv");
    const Export folderInTheWay = exportWith({dir, "--format", "csv"});
    EXPECT_EQ(folderInTheWay.status, exportUnusableInput);
    EXPECT_TRUE(contains(folderInTheWay.err, "cannot write " + dir + "/history.csv")) << folderInTheWay.err;
    EXPECT_FALSE(fileExists(dir + "/history.json")) << "all or none of the files go into place";
    std::filesystem::remove(dir + "/history.csv");

    // Bad rates and lists, before anything is made.
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{dir, "--rate", "1e12"}, {dir, "--rate", "1e308"}, {dir, "--format", "csv,"},
          {dir, "--format", ",csv"}, {dir, "--format", "csv", "--format", "uff"}}) {
        const Export refused = exportWith(args);
        EXPECT_EQ(refused.status, exportUnusableInput) << args.back();
        EXPECT_FALSE(fileExists(dir + "/history.csv")) << args.back();
    }
    EXPECT_EQ(exportWith({dir, "--rate", " 48000", "--format", "mat"}).status, exportWritten);
    EXPECT_EQ(exportWith({dir, "--rate", "48000 ", "--format", "mat"}).status, exportWritten);

    // A specification named like an export in the run's folder is not written over.
    RunRecord named = record;
    named.specFileName = "history.csv";
    writeFile(dir + "/history.csv", readFile(dir + "/pyroshock-extended.srs"));
    writeFile(dir + "/run.out.kept", readFile(dir + "/run.out"));
    writeFile(dir + "/run.out", formatRunRecord(named));
    std::filesystem::last_write_time(dir + "/run.out", std::filesystem::last_write_time(dir + "/accel.out") -
                                                           std::chrono::seconds(1));
    const Export overSpec = exportWith({dir, "--format", "csv"});
    EXPECT_EQ(overSpec.status, exportUnusableInput);
    EXPECT_TRUE(contains(overSpec.err, "which the export writes")) << overSpec.err;
    EXPECT_EQ(readFile(dir + "/history.csv"), readFile(dir + "/pyroshock-extended.srs"));
    writeFile(dir + "/run.out", readFile(dir + "/run.out.kept"));
    std::filesystem::last_write_time(dir + "/run.out", std::filesystem::last_write_time(dir + "/accel.out") -
                                                           std::chrono::seconds(1));
    std::filesystem::remove(dir + "/history.csv");
}

// A history whose verdict is a fail is not exported unless asked, and then
// marked in its names and metadata; one that passes says so.
TEST_F(ExportCommand, AFailingHistoryIsExportedOnlyWhenAskedAndMarked) {
    std::ostringstream out, err;
    const std::string strictSpec = dir + "/strict.srs";
    writeFile(strictSpec, "100 300\n1000 10000\n10000 10000\n");  // ten times the run's levels
    const std::vector<std::string> judge{strictSpec, dir};
    ASSERT_EQ(runReport(judge, out, err), reportCheckFailed) << err.str();
    const Export refused = exportWith({dir, "--format", "csv"});
    EXPECT_EQ(refused.status, exportUnusableInput);
    EXPECT_TRUE(contains(refused.err, "fails its check (report.json)")) << refused.err;
    EXPECT_FALSE(fileExists(dir + "/history.csv"));
    const Export marked = exportWith({dir, "--format", "csv,uff", "--export-failed"});
    ASSERT_EQ(marked.status, exportWritten) << marked.err;
    EXPECT_TRUE(fileExists(dir + "/history-FAIL.csv") && fileExists(dir + "/history-FAIL.uff"));
    EXPECT_TRUE(contains(readFile(dir + "/history-FAIL.json"), "\"verdict\": \"FAIL\""));
    // The specification judged against, not the run's extended one.
    SpecText strict;
    std::string error;
    ASSERT_TRUE(readSpecTextFile(strictSpec, strict, error));
    char checksum[32];
    std::snprintf(checksum, sizeof checksum, "%016llx", static_cast<unsigned long long>(strict.checksum));
    EXPECT_TRUE(contains(readFile(dir + "/history-FAIL.json"), std::string("\"specification_checksum\": \"") + checksum));

    std::ostringstream passOut, passErr;
    ASSERT_EQ(runReport({dir + "/pyroshock-extended.srs", dir}, passOut, passErr), reportPassed) << passErr.str();
    ASSERT_EQ(exportWith({dir, "--format", "csv"}).status, exportWritten);
    EXPECT_TRUE(contains(readFile(dir + "/history.json"), "\"verdict\": \"PASS (report.json)\""));
}

// A sum of three wavelets, well inside both rates' bands, sampled at 10000
// per second and resampled to 8192 and to 12800 matches the same sum
// sampled at those rates directly, within 0.2 % of its peak: the wavelets'
// ends are not quite band-limited, and their tails alias a little.
TEST(Resampling, ABandLimitedHistoryMatchesItsOwnSamplesAtTheNewRate) {
    const double pi = std::atan2(0.0, -1.0);
    const auto history = [&](double t) {
        double sum = 0.0;
        const double frequencies[] = {200.0, 550.0, 900.0};
        const int halfCycles[] = {5, 9, 15};
        const double delays[] = {0.01, 0.02, 0.005};
        for (int k = 0; k < 3; ++k) {
            const double tau = t - delays[k];
            const double length = halfCycles[k] / (2.0 * frequencies[k]);
            if (tau < 0.0 || tau > length) continue;
            const double w = 2.0 * pi * frequencies[k];
            sum += std::sin(w * tau / halfCycles[k]) * std::sin(w * tau);
        }
        return sum;
    };
    const double duration = 0.05;
    std::vector<double> original;
    for (int i = 0; i / 10000.0 <= duration; ++i) original.push_back(history(i / 10000.0));
    for (const double rate : {8192.0, 12800.0}) {
        const std::vector<double> resampled = resampleBandLimited(original, 1.0 / 10000.0, 1.0 / rate);
        ASSERT_EQ(resampled.size(), static_cast<std::size_t>(std::floor(duration * rate)) + 1) << rate;
        double worst = 0.0;
        for (std::size_t j = 0; j < resampled.size(); ++j) {
            worst = std::max(worst, std::fabs(resampled[j] - history(static_cast<double>(j) / rate)));
        }
        EXPECT_LT(worst, 2e-3) << rate;
    }
}
