#include "results/run_record.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

namespace {

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0 || (std::isnan(a) && std::isnan(b)); }

}  // namespace

TEST(RunRecordText, EveryRealReadsBackToTheSameDouble) {
    const double values[] = {0.05,
                             1.0 / 1200.0,
                             1.0 / 3.0,
                             -0.0,
                             5e-324,
                             1.7976931348623157e308,
                             2.2250738585072014e-308,
                             std::numeric_limits<double>::infinity(),
                             -std::numeric_limits<double>::infinity(),
                             std::numeric_limits<double>::quiet_NaN()};
    for (const double value : values) {
        RunRecord record;
        record.version = "1.0";
        record.specFileName = "dir/spec=1.srs";
        record.specChecksum = 0x00ff00ff00ff00ffull;
        record.zpa = value;
        record.dampingRatio = value;
        record.q = 1.0 / (2.0 * value);
        record.outputTimeStep = value;
        record.optimumCase = -1;
        const std::string text = formatRunRecord(record);
        RunRecord back;
        std::string error;
        ASSERT_TRUE(parseRunRecord(text, back, error)) << error << "\n" << text;
        EXPECT_TRUE(sameBits(back.zpa, value) && sameBits(back.dampingRatio, value) && sameBits(back.q, record.q) &&
                    sameBits(back.outputTimeStep, value))
            << text;
        EXPECT_EQ(back.specFileName, record.specFileName);
        EXPECT_EQ(back.specChecksum, record.specChecksum);
        EXPECT_EQ(back.optimumCase, -1);
        // Exponents are written with three digits, as everywhere in the program.
        if (value == 5e-324) {
            EXPECT_NE(text.find("zpa = 4.9406564584124654e-324\n"), std::string::npos) << text;
        }
        if (value == 0.05) {
            EXPECT_NE(text.find("q = 10\n"), std::string::npos) << text;
        }
    }
}

TEST(RunRecordText, IncompleteOrAlteredRecordsAreRefused) {
    RunRecord named;
    named.version = "1.0";
    named.specFileName = "s.srs";
    const std::string good = formatRunRecord(named);
    const struct {
        std::string text;
        const char* problem;
    } cases[] = {
        {"", "empty"},
        {good.substr(0, good.find("time_step")), "no time_step line"},
        {good.substr(0, good.find("time_step") + 5), "line 14"},
        {"x" + good, "line 1"},
        {good + "zpa = 3\n", "zpa given twice"},
        {good + "colour = blue\n", "known key"},
        {good + "\n", "known key"},
        {std::string(good).replace(good.find("trials = 0"), 10, "trials = 1.5"), "trials"},
        {std::string(good).replace(good.find("trials = 0"), 10, "trials = 99999999999"), "trials"},
        {std::string(good).replace(good.find("zpa = 0"), 7, "zpa = "), "zpa"},
        {std::string(good).replace(good.find("zpa = 0"), 7, "zpa = 0 G"), "zpa"},
        {std::string(good).replace(good.find("spec_checksum = 0"), 17, "spec_checksum = 0x1"), "spec_checksum"},
    };
    for (const auto& c : cases) {
        RunRecord record;
        std::string error;
        EXPECT_FALSE(parseRunRecord(c.text, record, error)) << c.text;
        EXPECT_NE(error.find(c.problem), std::string::npos) << error;
    }
}
