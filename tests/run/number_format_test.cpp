#include "run/number_format.h"

#include <cmath>
#include <cstdio>
#include <limits>
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
