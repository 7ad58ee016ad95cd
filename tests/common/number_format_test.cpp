#include "common/number_format.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include <gtest/gtest.h>

namespace {
// The glibc text with its two-digit exponent widened by hand, for comparison.
std::string reference(const char* format, double value) {
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}
std::string widened(std::string text) {
    const std::size_t e = text.find('e');
    if (e != std::string::npos && text.size() - e == 4) text = text.substr(0, e + 2) + "0" + text.substr(e + 2);
    return text;
}
}  // namespace

TEST(NumberFormat, ExponentHasSignAndThreeDigits) {
    EXPECT_EQ(formatExponent(123.45, 12, 5), "1.23450e+002");
    EXPECT_EQ(formatExponent(-123.45, 12, 5), "-1.23450e+002");
    EXPECT_EQ(formatExponent(0.0, 12, 5), "0.00000e+000");
    EXPECT_EQ(formatExponent(1.5e-7, 14, 5), "  1.50000e-007");
    EXPECT_EQ(formatExponent(2.5e123, 12, 5), "2.50000e+123");
    EXPECT_EQ(formatExponent(9.9999996e99, 12, 5), "1.00000e+100");
    EXPECT_EQ(formatExponent(0.5, 12, 6), "5.000000e-001");
    EXPECT_EQ(formatGeneral(1.234e-5, 14, 4), "    1.234e-005");
    EXPECT_EQ(formatGeneral(12345678.0, 14, 4), "    1.235e+007");
    EXPECT_EQ(formatGeneral(0.25, 14, 4), "          0.25");
    EXPECT_EQ(formatGeneral(1234.0, 14, 4), "          1234");
}

TEST(NumberFormat, AgreesWithPrintfApartFromTheExtraDigit) {
    const double values[] = {0.0, -0.0, 1.0, 3.14159, -2.5e-3, 6.02e23, 1e-300, 123456.789, 9.99995, 0.0001};
    for (double v : values) {
        std::string e = widened(reference("%.5e", v));
        EXPECT_EQ(formatExponent(v, 0, 5), e) << v;
        std::string g = reference("%.4g", v);
        g = widened(g);
        EXPECT_EQ(formatGeneral(v, 0, 4), g) << v;
    }
}

TEST(NumberFormat, NonFiniteValuesArePaddedAndLeftAlone) {
    EXPECT_EQ(formatExponent(std::numeric_limits<double>::infinity(), 12, 5), "         inf");
    EXPECT_EQ(formatExponent(-std::numeric_limits<double>::infinity(), 12, 5), "        -inf");
    EXPECT_EQ(formatGeneral(std::nan(""), 14, 4), "           nan");
}

TEST(NumberFormat, AppendFormatHandlesLongText) {
    std::string out = "x";
    appendFormat(out, " %ld %12.3f", 12L, 1.5);
    EXPECT_EQ(out, "x 12        1.500");
    const std::string longWord(2000, 'a');
    appendFormat(out, "%s", longWord.c_str());
    EXPECT_EQ(out.size(), 17u + 2000u);
}

TEST(NumberFormat, AppendFixedAndUpperExponentWriteWhatPrintfWrites) {
    // The history files' conversions on any double: random bit patterns
    // (NaNs of both signs, denormals, the largest magnitudes), values of
    // every scale, and values a hair off the rounding ties of each precision.
    std::mt19937_64 engine(99);
    std::uniform_int_distribution<int> decade(-12, 12);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    const double specials[] = {0.0,
                               -0.0,
                               std::numeric_limits<double>::infinity(),
                               -std::numeric_limits<double>::infinity(),
                               std::numeric_limits<double>::quiet_NaN(),
                               -std::numeric_limits<double>::quiet_NaN(),
                               std::numeric_limits<double>::denorm_min(),
                               std::numeric_limits<double>::max(),
                               -std::numeric_limits<double>::max(),
                               0.00005,
                               -0.000025,
                               2.5,
                               12345.678949999999};
    auto expectSame = [](double value) {
        for (int precision : {4, 5, 8}) {
            std::string fast;
            appendFixed(fast, value, 12, precision);
            char printed[512];
            std::snprintf(printed, sizeof printed, "%12.*f", precision, value);
            ASSERT_EQ(fast, printed) << precision << " decimals of " << value;
        }
        std::string fast;
        appendUpperExponent(fast, value, 20, 12);
        char printed[512];
        std::snprintf(printed, sizeof printed, "%20.12E", value);
        ASSERT_EQ(fast, printed) << "%20.12E of " << value;
    };
    for (double value : specials) expectSame(value);
    for (int i = 0; i < 100000; ++i) {
        double value;
        if (i % 3 == 0) {
            const std::uint64_t bits = engine();
            std::memcpy(&value, &bits, sizeof value);
        } else if (i % 3 == 1) {
            value = unit(engine) * std::pow(10.0, decade(engine));
        } else {
            value = std::round(unit(engine) * 1e9) / 1e4 + 0.00005;
        }
        expectSame(value);
        if (HasFatalFailure()) return;
    }
}
