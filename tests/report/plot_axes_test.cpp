#include "report/plot_axes.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "report/svg_writer.h"

TEST(PlotAxes, DecadesEncloseTheData) {
    double low = 0.0;
    double high = 0.0;
    decadeRange(3.0, 4000.0, low, high);
    EXPECT_EQ(low, 1.0);
    EXPECT_EQ(high, 10000.0);
    decadeRange(100.0, 1000.0, low, high);
    EXPECT_EQ(low, 100.0);
    EXPECT_EQ(high, 1000.0);
    decadeRange(5.0, 5.0, low, high);
    EXPECT_EQ(low, 1.0);
    EXPECT_EQ(high, 10.0);

    const AxisScale axis{10.0, 1000.0, 100.0, 300.0, true};
    EXPECT_DOUBLE_EQ(toPixel(axis, 100.0), 200.0);
}

TEST(PlotAxes, TickLabels) {
    EXPECT_EQ(logTickLabel(0.01), "0.01");
    EXPECT_EQ(logTickLabel(200.0), "200");
    EXPECT_EQ(logTickLabel(1e6), "1e+006");
    EXPECT_EQ(logTickLabel(1e-4), "1e-004");

    double step = 0.0;
    const std::vector<double> ticks = linearTicks(-0.013, 0.052, 5, step);
    EXPECT_DOUBLE_EQ(step, 0.02);
    ASSERT_EQ(ticks.size(), 3u);
    EXPECT_EQ(ticks[0], 0.0);
    EXPECT_EQ(tickLabel(ticks[2], step), "0.04");
    EXPECT_EQ(tickLabel(-250.0, 50.0), "-250");

    double low = 0.0;
    double high = 0.0;
    linearRange(0.0, 0.0, 5, low, high);  // an all-zero record still gets an axis
    EXPECT_LT(low, 0.0);
    EXPECT_GT(high, 0.0);
}

TEST(PlotAxes, DecimationKeepsEveryColumnsExtremes) {
    std::vector<double> value(100000);
    for (std::size_t i = 0; i < value.size(); ++i) value[i] = std::sin(0.01 * static_cast<double>(i)) * 1e-3;
    value[31337] = 5.0;
    value[77777] = -4.0;
    const std::vector<std::size_t> kept = decimateByColumns(value, value.size(), 500);
    EXPECT_LE(kept.size(), 1002u);
    EXPECT_TRUE(std::is_sorted(kept.begin(), kept.end()));
    EXPECT_EQ(kept.front(), 0u);
    EXPECT_EQ(kept.back(), value.size() - 1);
    EXPECT_NE(std::find(kept.begin(), kept.end(), 31337u), kept.end());
    EXPECT_NE(std::find(kept.begin(), kept.end(), 77777u), kept.end());

    const std::vector<std::size_t> whole = decimateByColumns(value, 900, 500);
    EXPECT_EQ(whole.size(), 900u);
}

TEST(SvgWriter, EscapesTextAndCarriesStyle) {
    EXPECT_EQ(escapeXml("a<b & \"c\">"), "a&lt;b &amp; &quot;c&quot;&gt;");
    std::string out;
    svgText(out, {1.0, 2.0}, "m/sec^2 < 5", {12.0, SvgAnchor::end, "#222", true, -90.0});
    EXPECT_EQ(out,
              "<text x=\"1.00\" y=\"2.00\" font-size=\"12.0\" fill=\"#222\" text-anchor=\"end\" font-weight=\"bold\""
              " transform=\"rotate(-90.0 1.00 2.00)\">m/sec^2 &lt; 5</text>\n");
    out.clear();
    svgPolyline(out, {{0.0, 0.0}}, {"red", 1.0});
    EXPECT_TRUE(out.empty());  // a single point draws nothing
}
