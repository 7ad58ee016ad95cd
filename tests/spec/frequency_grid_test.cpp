#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "run/synthesis_run.h"
#include "spec/spec_table.h"

namespace {

SpecTable readText(const std::string& text, SpecReadStatus* status = nullptr) {
    SpecTable spec;
    std::FILE* stream = fmemopen(const_cast<char*>(text.data()), text.size(), "rb");
    const SpecReadStatus read = readSpecStream(stream, spec);
    std::fclose(stream);
    if (status != nullptr) *status = read;
    return spec;
}

// The reading of a file before commas and semicolons counted as separators:
// one "%lf %lf" scan per pair.
SpecTable readWithPairScans(const std::string& text) {
    SpecTable spec;
    std::FILE* stream = fmemopen(const_cast<char*>(text.data()), text.size(), "rb");
    for (;;) {
        double frequency = 0.0;
        double level = 0.0;
        const int converted = std::fscanf(stream, "%lf %lf", &frequency, &level);
        if (converted < 1 || spec.count == maxSpecPoints) break;
        spec.frequency[spec.count] = frequency;
        spec.level[spec.count] = converted == 2 ? level : 0.0;
        ++spec.count;
    }
    std::fclose(stream);
    return spec;
}

bool sameBits(const SpecTable& a, const SpecTable& b) {
    const std::size_t bytes = static_cast<std::size_t>(a.count) * sizeof(double);
    return a.count == b.count && std::memcmp(a.frequency, b.frequency, bytes) == 0 &&
           std::memcmp(a.level, b.level, bytes) == 0;
}

// The reader's warning for `text`, and the table it read.
std::string warningFor(const std::string& text, SpecTable& spec) {
    char* warning = nullptr;
    std::size_t size = 0;
    std::FILE* sink = open_memstream(&warning, &size);
    std::FILE* stream = fmemopen(const_cast<char*>(text.data()), text.size(), "rb");
    readSpecStream(stream, spec, sink);
    std::fclose(stream);
    std::fclose(sink);
    const std::string result(warning, size);
    std::free(warning);
    return result;
}

FrequencyGrid gridFor(SpecTable& spec, int choice, std::string* console = nullptr) {
    char* text = nullptr;
    std::size_t size = 0;
    std::FILE* out = open_memstream(&text, &size);
    const FrequencyGrid grid = buildFrequencyGrid(spec, choice, out);
    std::fclose(out);
    if (console != nullptr) *console = std::string(text, size);
    std::free(text);
    return grid;
}

}  // namespace

TEST(SpecReader, PairsRunThroughTheFileWhateverItsLineStructure) {
    const SpecTable rows = readText("10 1\n2000 100\n");
    const SpecTable oneLine = readText("10 1 2000 100");
    const SpecTable fourLines = readText("10\n1\n2000\n100\n");
    const SpecTable crlfTabs = readText("10\t1\r\n2000\t100\r\n");
    for (const SpecTable* spec : {&rows, &oneLine, &fourLines, &crlfTabs}) {
        ASSERT_EQ(spec->count, 2);
        EXPECT_EQ(spec->frequency[1], 2000.0);
        EXPECT_EQ(spec->level[1], 100.0);
    }
}

TEST(SpecReader, LoneFinalNumberCountsWithLevelZeroAndTextEndsTheReading) {
    SpecTable spec = readText("10 1\n2000");
    ASSERT_EQ(spec.count, 2);
    EXPECT_EQ(spec.level[1], 0.0);
    spec = readText("10 1\n20 2 end 30 3\n");
    EXPECT_EQ(spec.count, 2);
    SpecReadStatus status;
    readText("Freq Accel\n10 1\n", &status);
    EXPECT_EQ(status, SpecReadStatus::noPoints);
    readText("", &status);
    EXPECT_EQ(status, SpecReadStatus::noPoints);
}

TEST(SpecReader, CommasAndSemicolonsReadAsBlanksAndBlanksAsEver) {
    // Random texts of number fragments, words and separators: with blanks only
    // they read bit for bit as the pair scans read them, and with commas and
    // semicolons as their twin with blanks in their place.
    const char alphabet[] = "0123456789012345.-+eEnaifxX     \n\n\t\r,,;";
    std::uint32_t state = 11;
    auto next = [&state](std::uint32_t range) {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) % range;
    };
    for (int text = 0; text < 20000; ++text) {
        std::string csv;
        const std::uint32_t length = next(48);
        for (std::uint32_t i = 0; i < length; ++i) csv.push_back(alphabet[next(sizeof alphabet - 1)]);
        std::string blanks = csv;
        for (char& c : blanks) {
            if (c == ',' || c == ';') c = ' ';
        }
        const SpecTable expected = readWithPairScans(blanks);
        EXPECT_TRUE(sameBits(readText(blanks), expected)) << blanks;
        EXPECT_TRUE(sameBits(readText(csv), expected)) << csv;
    }
    // A spreadsheet's exports, with and without a separator at the line's end.
    const SpecTable twin = readText("10 1\n100 10.5\n2000 1e2\n");
    for (const char* text : {"10,1\n100,10.5\n2000,1e2\n", "10;1\r\n100;10.5\r\n2000;1e2\r\n",
                             "10,1,\n100,10.5,\n2000,1e2,\n", "10, 1\n100 ,10.5\n2000 ;; 1e2"}) {
        EXPECT_TRUE(sameBits(readText(text), twin)) << text;
    }
}

TEST(SpecReader, ATokenThatEndsTheReadingAfterSomePointsIsNamedWithItsLine) {
    struct Case {
        const char* text;
        int points;
        const char* token;  // nullptr: no warning
        int line;
    };
    const Case cases[] = {
        {"10,1\n2000,100\nNote: measured 2024\n", 2, "Note:", 3},
        {"10 1\r\n2000 100\r\n\r\nnominal", 2, "nominal", 4},  // a word that starts like "nan"
        {"10 1\r2000 100\r\rend", 2, "end", 4},
        {"10\r1\nend", 1, "end", 3},  // a CR and an LF of two line ends
        {"10 1\n2000 Hz\n", 2, "Hz", 2},                       // the level reads as 0
        {"10 1 2000 -\n", 2, "-", 1},
        {"10 1 20 2 end 30 3\n", 2, "end", 1},
        {"10 1\n", 1, nullptr, 0},
        {"10 1 2000 100\x01\xff 5 5", 2, "?\xff", 1},
        {"10 1 Frequencies-are-in-hertz-and-levels-in-G-throughout", 1, "Frequencies-are-in-hertz-and-levels-in-G...", 1},
        {"Frequency,Level\n10,1\n", 0, nullptr, 0},  // a header: the caller's error alone
        {"10 1\n2000", 2, nullptr, 0},
    };
    for (const Case& c : cases) {
        SpecTable spec;
        const std::string warning = warningFor(c.text, spec);
        EXPECT_EQ(spec.count, c.points) << c.text;
        const std::string expected =
            c.token == nullptr ? ""
                               : " Warning: reading stopped at line " + std::to_string(c.line) + " on \"" + c.token +
                                     "\", which is not a number (points read: " + std::to_string(c.points) + "). \n";
        EXPECT_EQ(warning, expected) << c.text;
    }
}

TEST(SpecReader, TwoHundredPairsFitAndTheNextIsRefused) {
    std::string text;
    for (int i = 1; i <= 200; ++i) text += std::to_string(i) + " 1\n";
    SpecReadStatus status;
    EXPECT_EQ(readText(text, &status).count, 200);
    EXPECT_EQ(status, SpecReadStatus::ok);
    readText(text + "201 1\n", &status);
    EXPECT_EQ(status, SpecReadStatus::tooManyPoints);
    // A lone number after the 200th pair is a 201st point too.
    readText(text + "201", &status);
    EXPECT_EQ(status, SpecReadStatus::tooManyPoints);
}

TEST(FrequencyGrid, OctaveSpacingsOverTwoPoints) {
    SpecTable spec = readText("10 1\n2000 100\n");
    FrequencyGrid third = gridFor(spec, 1);
    EXPECT_NEAR(spec.slope[0], 0.869176, 1e-6);
    ASSERT_EQ(third.count, 23);
    EXPECT_EQ(third.frequency[0], 10.0);
    EXPECT_EQ(third.level[0], 1.0);
    EXPECT_NEAR(third.frequency[1], 12.5992, 1e-4);
    EXPECT_NEAR(third.level[1], 1.22241, 1e-5);
    EXPECT_NEAR(third.frequency[3], 20.0, 1e-9);
    EXPECT_NEAR(third.level[3], 1.82662, 1e-5);
    EXPECT_NEAR(third.frequency[22], 1612.70, 1e-2);

    const FrequencyGrid sixth = gridFor(spec, 2);
    ASSERT_EQ(sixth.count, 46);
    EXPECT_NEAR(sixth.frequency[45], 1810.19, 1e-2);
    const FrequencyGrid twelfth = gridFor(spec, 3);
    ASSERT_EQ(twelfth.count, 92);
    EXPECT_NEAR(twelfth.frequency[91], 1917.83, 1e-2);

    // Every other answer means 1/3 octave.
    for (int choice : {0, 4, -1}) EXPECT_EQ(gridFor(spec, choice).count, 23) << choice;

    // Frequencies are multiplied step by step, not taken as powers of the ratio.
    const double ratio = std::pow(2.0, 1.0 / 3.0);
    double f = 10.0;
    for (int j = 1; j < third.count; ++j) {
        f = f * ratio;
        EXPECT_EQ(third.frequency[j], f);
    }
}

TEST(FrequencyGrid, PointsHitExactlyTakeTheFileLevel) {
    // 1/3-octave steps from 8 Hz do not hit 16 Hz exactly, so build a table
    // whose middle point is the grid's own second frequency.
    const double second = 10.0 * std::pow(2.0, 1.0 / 3.0);
    SpecTable spec = readText("10 1\n" + std::to_string(second) + " 5\n100 3\n");
    spec.frequency[1] = second;
    const FrequencyGrid grid = gridFor(spec, 1);
    EXPECT_EQ(grid.frequency[1], second);
    EXPECT_EQ(grid.level[1], 5.0);

    // A single point gives a single grid point, copied.
    spec = readText("50 7\n");
    const FrequencyGrid one = gridFor(spec, 3);
    ASSERT_EQ(one.count, 1);
    EXPECT_EQ(one.frequency[0], 50.0);
    EXPECT_EQ(one.level[0], 7.0);
}

TEST(FrequencyGrid, SpanOfThreeDecadesAndTheTwoHundredPointCap) {
    SpecTable spec = readText("10 1\n10000 1000\n");
    EXPECT_EQ(gridFor(spec, 1).count, 30);
    EXPECT_EQ(gridFor(spec, 2).count, 60);
    EXPECT_EQ(gridFor(spec, 3).count, 120);

    std::string console;
    spec = readText("1 1\n1000000 1\n");
    const FrequencyGrid capped = gridFor(spec, 3, &console);
    EXPECT_EQ(capped.count, 200);
    EXPECT_EQ(console, "\n Warning: number of specification points reduced.");
    gridFor(spec, 1, &console);
    EXPECT_EQ(console, "");
}

TEST(SampleCount, QuotientOfDurationByTheStoredTimeStepIsTruncated) {
    std::FILE* sink = std::fopen("/dev/null", "w");
    EXPECT_EQ(deriveSampleCount(3.0, 1.0 / (12.0 * 100.0), sink), 3599);
    EXPECT_EQ(deriveSampleCount(1.0, 1.0 / (12.0 * 2000.0), sink), 24000);
    std::fclose(sink);

    char* text = nullptr;
    std::size_t size = 0;
    std::FILE* out = open_memstream(&text, &size);
    EXPECT_EQ(deriveSampleCount(1e12, 1.0 / 120000.0, out), 150000);
    std::fclose(out);
    EXPECT_EQ(std::string(text, size), "\n\n Warning: duration reduced. \n");
    std::free(text);
}
