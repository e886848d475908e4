// The result page's plot data: percentile filter, axis ranges, plotData of every plot and
// the sample correlation of the shown rows.
#include "cnm/result_plots.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

const double nan_ = std::numeric_limits<double>::quiet_NaN();
const double inf = std::numeric_limits<double>::infinity();

// Matrices compared as text so that NaN rows compare equal.
std::string text(const QVector<QVector<double>>& M) {
    QStringList rows;
    for (const QVector<double>& r : M) {
        QStringList v;
        for (double x : r)
            v << QString::number(x, 'g', 6);
        rows << v.join(',');
    }
    return rows.join(QLatin1Char('|')).toStdString();
}

// Iteration 0: five points, two coordinates; SSR [3, NaN, 1, inf, 2].
compResult smallRecord() {
    compResult r;
    r.R = {{3, nan_, 1, inf, 2}};
    r.X = {{{1, 10}, {2, 20}, {3, 30}, {4, 40}, {5, 50}}};
    r.Y = {{{0.1, 0.2}, {nan_, nan_}, {0.3, 0.4}, {nan_, nan_}, {0.5, 0.6}}};
    r.ODE_sol = {{{{1, 2, 3}, {}, {4, 5, 6}, {}, {0, -1, 7}}}};
    r.ode_time = {0, 1};
    return r;
}

TEST(ResultPlots, DisplayIndexAndTolerance) {
    struct row {
        QVector<QVector<double>> R;
        int k, percentile;
        QVector<int> shown;
        std::string label;
    };
    const row rows[] = {
        {{{3, nan_, 1, inf, 2}}, 0, 40, {2, 4}, "Display tolerence: 2"},
        {{{3, nan_, 1, inf, 2}}, 0, 60, {0, 2, 4}, "Display tolerence: 3"},
        // Fewer finite values than asked for: every point, failed ones included.
        {{{3, nan_, 1, inf, 2}}, 0, 100, {0, 1, 2, 3, 4}, "Display tolerence: Inf/NaN"},
        // Below one point: the single best point.
        {{{3, nan_, 1, inf, 2}}, 0, 10, {2}, "Display tolerence: 1"},
        // Ties at the tolerance are all shown.
        {{{5, 5, 1}}, 0, 67, {0, 1, 2}, "Display tolerence: 5"},
        {{{5, 5, 1}}, 0, 34, {2}, "Display tolerence: 1"},
        {{{}}, 0, 25, {}, "Display tolerence: Inf/NaN"},
        {{{nan_, nan_}}, 0, 100, {0, 1}, "Display tolerence: Inf/NaN"},
        {{{1, 2}}, 3, 50, {}, "Display tolerence: Inf/NaN"},
        {{{1, 2}, {0.25, 1e-7, 9}}, 1, 50, {1}, "Display tolerence: 1e-07"},
    };
    for (const row& c : rows) {
        compResult r;
        r.R = c.R;
        EXPECT_EQ(plotDisplayIndex(r, c.k, c.percentile), c.shown) << c.percentile;
        EXPECT_EQ(displayToleranceText(displayTolerance(r, c.k, c.percentile)).toStdString(),
                  c.label);
    }
}

TEST(ResultPlots, AxisRangesShowEveryValue) {
    struct row {
        QVector<double> values;
        bool log;
        double min, max;
        bool logAfter, fits;
    };
    const row rows[] = {
        {{2, 4}, false, 1.9, 4.1, false, true},
        {{-4, -2}, false, -4.1, -1.9, false, true},
        {{3, nan_, inf, -inf}, false, 2.85, 3.15, false, true},
        {{0}, false, -1, 1, false, true},
        {{}, false, 0, 1, false, true},
        {{-1, 0, 1.1, 11}, true, 1, 12.1, true, true},
        // No positive value: linear over all values, reported.
        {{-2, 0}, true, -2.1, 0.1, false, false},
        {{nan_}, true, 0, 1, false, false},
    };
    for (const row& c : rows) {
        plot_figure::axis a;
        a.log = c.log;
        EXPECT_EQ(fitAxis(a, c.values), c.fits);
        EXPECT_DOUBLE_EQ(a.min, c.min);
        EXPECT_DOUBLE_EQ(a.max, c.max);
        EXPECT_EQ(a.log, c.logAfter);
    }
}

TEST(ResultPlots, PlotDataOfEveryPlot) {
    const compResult r = smallRecord();
    const QVector<int> shown{0, 2, 4};
    const QVector<double> lb{0, 5}, ub{6, 60};
    struct row {
        const char* plot;
        plot_figure figure;
        std::string plotData;
        int drawn;
    };
    const row rows[] = {
        {"range", parameterRangePlot(r, 0, shown, lb, ub), "0,5|6,60|1,10|3,30|5,50", 3},
        {"ssr x2", ssrParameterPlot(r, 0, shown, 1), "10,3|30,1|50,2", 3},
        {"ssr bad coordinate", ssrParameterPlot(r, 0, shown, -1), "", 0},
        {"scatter", parameterScatterPlot(r, 0, {1, 2}, 1, 0, lb, ub, true),
         "5,0|60,0|5,6|60,6|20,2|30,3", 2},
        {"scatter bad axis", parameterScatterPlot(r, 0, shown, 0, 2, lb, ub, true), "", 0},
        {"observations", observationSimulationPlot(r, 0, {1, 4}, {0.15, 0.35}),
         "0.15,0.35|nan,nan|0.5,0.6", 2},
        // Solutions are cut to the output times; a point without solution is left out.
        {"ode", odeSolutionPlot(r, 0, {0, 1, 4}, 0, "A", false), "0,1|1,2|0,-1", 2},
        {"ode not recorded", odeSolutionPlot(r, 1, shown, 0, "A", false), "", 0},
        {"ssr per iteration", ssrPerIterationPlot(r), "0,1,1,2", 1},
        // No valid observation: the simulations are still drawn.
        {"no measured value", observationSimulationPlot(r, 0, {0}, {}), "|0.1,0.2", 1},
        // An iteration the record lacks: an empty row per point, nothing indexed.
        {"missing iteration", parameterRangePlot(r, 5, {0}, lb, ub), "0,5|6,60|", 1},
    };
    for (const row& c : rows) {
        EXPECT_EQ(text(c.figure.plotData), c.plotData) << c.plot;
        int drawn = 0;
        for (const plot_figure::layer& l : c.figure.layers)
            if (l.what == plot_figure::layer::cluster)
                drawn = l.type == plot_figure::layer::points ? l.curves[0].size() : l.curves.size();
            else if (l.what == plot_figure::layer::statistic)
                drawn = 1;
        EXPECT_EQ(drawn, c.drawn) << c.plot;
    }
    // The axes include the band and the measured values, not only the cluster.
    const plot_figure range = parameterRangePlot(r, 0, shown, lb, ub);
    EXPECT_DOUBLE_EQ(range.y.min, -3);
    EXPECT_DOUBLE_EQ(range.y.max, 63);
    EXPECT_EQ(range.x.tickCount, 3);
    EXPECT_FALSE(odeSolutionPlot(r, 1, shown, 0, "A", false).message.isEmpty());
    const plot_figure logOde = odeSolutionPlot(r, 0, {0}, 0, "A", true);
    EXPECT_TRUE(logOde.y.log && logOde.message.isEmpty());
    EXPECT_DOUBLE_EQ(logOde.y.min, 1 / 1.1);
    const plot_figure noPositive = odeSolutionPlot(r, 0, {4}, 0, "A", true);
    EXPECT_TRUE(!noPositive.y.log && !noPositive.message.isEmpty());
}

TEST(ResultPlots, SsrPerIterationStatistics) {
    compResult r;
    r.R = {{4, 1, 3, 2}, {nan_, inf}, {8, nan_, 2, 6, 4, 10, 12, 14}};
    const plot_figure f = ssrPerIterationPlot(r);
    EXPECT_EQ(text(f.plotData), "0,1,1,2.5|1,nan,nan,nan|2,2,2,8");
    EXPECT_TRUE(f.y.log);
    EXPECT_DOUBLE_EQ(f.y.min, 1 / 1.1);
    EXPECT_DOUBLE_EQ(f.y.max, 8 * 1.1);
}

TEST(ResultPlots, CorrelationOfTheShownRows) {
    compResult r;
    r.R = {{1, 1, 1, 1, 1}};
    r.X = {{{1, 2, 7}, {2, 1, 7}, {3, 5, 7}, {4, 3, 7}, {100, -50, 7}}};
    const QVector<int> shown{0, 1, 2, 3};
    const QVector<QVector<double>> C = sampleCorrelation(r, 0, shown);
    // Over the shown rows the deviations are (-1.5, -0.5, 0.5, 1.5) and
    // (-0.75, -1.75, 2.25, 0.25): r = 3.5 / sqrt(5 * 8.75) = sqrt(0.28).
    ASSERT_EQ(C.size(), 3);
    const double r01 = std::sqrt(0.28);
    EXPECT_NEAR(C[0][0], 1, 1e-14);
    EXPECT_NEAR(C[1][1], 1, 1e-14);
    EXPECT_NEAR(C[0][1], r01, 1e-14);
    EXPECT_NEAR(C[1][0], r01, 1e-14);
    // A coordinate that does not vary has no correlation.
    EXPECT_TRUE(std::isnan(C[2][2]) && std::isnan(C[0][2]));
    EXPECT_TRUE(sampleCorrelation(r, 0, {}).isEmpty());
}

} // namespace
