// The result record: sorting by SSR (NaN and infinite values, ties, missing rows), trimming,
// and its files: what save writes is what readIn reads, the iteration count stops at the
// first incomplete iteration, moving a run into the history folder loses nothing, and a run
// whose files cannot be written ends at once and says why. Also the result page's plot data:
// percentile filter, axis ranges, plotData of every plot and the correlation of shown rows.
#include "cnm/compResult.h"

#include "cnm/one_compartment_engine.h"
#include "cnm/result_plots.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();
using Matrix = QVector<QVector<double>>;

// Point p of an iteration gets the row {base + p, -(base + p)}, so rows are recognisable.
Matrix rows(int count, double base) {
    Matrix M;
    for (int p = 0; p < count; ++p)
        M.append({base + p, -(base + p)});
    return M;
}

// A sorted record with recognisable rows, ODE solutions, ode_time and a log.
compResult recordWith(const QVector<QVector<double>>& R) {
    compResult c;
    c.R = R;
    for (int k = 0; k < R.size(); ++k) {
        c.X.append(rows(R[k].size(), 100 * k));
        c.Y.append(rows(R[k].size(), 100 * k + 10.5));
        c.Parameter.append(rows(R[k].size(), 100 * k + 50));
        c.ODE_sol.append({rows(R[k].size(), k), rows(R[k].size(), k + 0.25)});
    }
    c.ode_time = {0.5, 1};
    c.computation_log = QStringList{"first line", "", "=== third ==="};
    c.sortDataByResidual();
    return c;
}

// Equal entries, NaN equal to NaN, at any depth of nesting.
bool same(double a, double b) {
    return a == b || (std::isnan(a) && std::isnan(b));
}
template <typename T> bool same(const QVector<T>& a, const QVector<T>& b) {
    if (a.size() != b.size()) return false;
    for (int i = 0; i < a.size(); ++i)
        if (!same(a[i], b[i])) return false;
    return true;
}

Matrix pick(const Matrix& source, const QVector<int>& index) {
    Matrix M;
    for (int p : index)
        M.append(source[p]);
    return M;
}

TEST(CompResultSort, DropsNaNAndInfiniteAndMapsRanksToPositions) {
    const struct {
        const char* name;
        QVector<double> R;
        QVector<double> sorted;
        QVector<int> index;
    } cases[] = {
        {"mixed", {3, kNaN, 1, kInf, 2}, {1, 2, 3}, {2, 4, 0}},
        {"ties map to the first point", {5, 5}, {5, 5}, {0, 0}},
        {"tie after other values", {4, 2, 9, 2, 1}, {1, 2, 2, 4, 9}, {4, 1, 1, 0, 2}},
        {"all NaN or infinite", {kNaN, kInf, kNaN, -kInf}, {}, {}},
        {"empty iteration", {}, {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const compResult r = recordWith({{2, 1}, c.R}); // iterations are sorted on their own
        EXPECT_EQ(r.R_sorted, Matrix({{1, 2}, c.sorted}));
        EXPECT_EQ(r.sortIndex, QVector<QVector<int>>({{1, 0}, c.index}));
        EXPECT_EQ(r.X_sorted[1], pick(r.X[1], c.index));
        EXPECT_EQ(r.Y_sorted[1], pick(r.Y[1], c.index));
        EXPECT_EQ(r.Parameter_sorted[1], pick(r.Parameter[1], c.index));
    }
    // Missing rows are skipped in their sorted matrix; an empty R clears the sorted fields.
    compResult r;
    r.R = {{3, 1, 2}, {2, 1}};
    r.X = {rows(2, 0)};
    r.Y = {rows(3, 10), rows(2, 110)};
    r.sortDataByResidual();
    EXPECT_EQ(r.X_sorted, (QVector<Matrix>{pick(r.X[0], {1, 0}), {}}));
    EXPECT_EQ(r.Y_sorted, (QVector<Matrix>{pick(r.Y[0], {1, 2, 0}), pick(r.Y[1], {1, 0})}));
    EXPECT_EQ(r.Parameter_sorted, (QVector<Matrix>{{}, {}}));
    r.R.clear();
    r.sortDataByResidual();
    EXPECT_TRUE(r.R_sorted.isEmpty() && r.X_sorted.isEmpty() && r.Y_sorted.isEmpty() &&
                r.Parameter_sorted.isEmpty() && r.sortIndex.isEmpty());
}

// Trimming to n iterations keeps the first n of every iteration-indexed field, padded with
// empty iterations; ode_time, sortIndex and the log are kept whole.
TEST(CompResultTrim, KeepsOrPadsToExactlyNIterations) {
    const auto first = [](auto v, int n) {
        v.resize(std::max(n, 0));
        return v;
    };
    const std::pair<int, int> cases[] = {{5, 3}, {2, 3}, {2, 0}, {2, -1}};
    for (const auto& [iterations, n] : cases) {
        SCOPED_TRACE(std::to_string(iterations) + " iterations trimmed to " + std::to_string(n));
        const compResult o = recordWith(QVector<QVector<double>>(iterations, {2, 1}));
        compResult c = o;
        c.trim(n);
        EXPECT_EQ(c.R, first(o.R, n));
        EXPECT_EQ(c.X, first(o.X, n));
        EXPECT_EQ(c.Y, first(o.Y, n));
        EXPECT_EQ(c.Parameter, first(o.Parameter, n));
        EXPECT_EQ(c.R_sorted, first(o.R_sorted, n));
        EXPECT_EQ(c.X_sorted, first(o.X_sorted, n));
        EXPECT_EQ(c.Y_sorted, first(o.Y_sorted, n));
        EXPECT_EQ(c.Parameter_sorted, first(o.Parameter_sorted, n));
        EXPECT_EQ(c.ODE_sol, first(o.ODE_sol, n));
        EXPECT_EQ(c.sortIndex, o.sortIndex);
        EXPECT_EQ(c.ode_time, o.ode_time);
        EXPECT_EQ(c.computation_log, o.computation_log);
    }
}

class ResultFiles : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(QDir(dir).mkdir("compResult")); }
    QString text(const QString& name) const {
        QFile f(dir + "/compResult/" + name);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : "<missing>";
    }
    QTemporaryDir tmp;
    const QString dir = tmp.path();
};

TEST_F(ResultFiles, SaveThenReadInRoundTrips) {
    compResult saved = recordWith({{0.5, kNaN}, {1.5, 7}, {2.5, 1e-7}});
    saved.Y[1][0][1] = kNaN;
    saved.save(dir);
    compResult loaded;
    ASSERT_TRUE(loaded.readIn(dir));
    // Every value is exact at six digits.
    EXPECT_TRUE(same(loaded.X, saved.X));
    EXPECT_TRUE(same(loaded.Y, saved.Y));
    EXPECT_TRUE(same(loaded.Parameter, saved.Parameter));
    EXPECT_TRUE(same(loaded.R, saved.R));
    EXPECT_TRUE(same(loaded.ODE_sol, saved.ODE_sol));
    EXPECT_EQ(loaded.ode_time, saved.ode_time);
    EXPECT_EQ(text("computation_log.txt"), "first line\n\n=== third ===\n");
    EXPECT_EQ(text("sortIndex.csv"), "0\n0,1\n1,0\n");
}

TEST_F(ResultFiles, ReadInStopsAtTheFirstIncompleteIteration) {
    compResult r = recordWith({{1, 2}, {1, 2}, {1, 2}});
    r.ODE_sol[1].clear(); // a gap in the ODE solutions: read up to the gap
    r.save(dir);
    EXPECT_EQ(text("ODE_sol_1_0.csv"), "<missing>");
    compResult gap;
    ASSERT_TRUE(gap.readIn(dir));
    EXPECT_EQ(gap.X.size(), 3);
    EXPECT_EQ(gap.ODE_sol.size(), 1);

    QFile::remove(dir + "/compResult/Parameter_1.csv");
    QFile(dir + "/compResult/R_0.csv").open(QIODevice::WriteOnly | QIODevice::Truncate);
    compResult loaded;
    ASSERT_TRUE(loaded.readIn(dir));
    EXPECT_EQ(loaded.X.size(), 1);
    EXPECT_EQ(loaded.R.size(), 0); // an empty R file leaves R one entry short

    QTemporaryDir none;
    QDir(none.path()).mkdir("compResult");
    EXPECT_FALSE(compResult().readIn(none.path()));
}

TEST_F(ResultFiles, SaveLastIterWritesOnlyTheNewestIteration) {
    recordWith({{1, 2}, {1, 2}}).save_last_iter(dir);
    QStringList files = QDir(dir + "/compResult").entryList(QDir::Files);
    files.sort();
    EXPECT_EQ(files, QStringList({"ODE_sol_1_0.csv", "ODE_sol_1_1.csv", "Parameter_1.csv",
                                  "R_1.csv", "X_1.csv", "Y_1.csv", "computation_log.txt",
                                  "ode_time.csv", "sortIndex.csv"}));
}

TEST_F(ResultFiles, HistoryMoveEmptiesTheFolderAndKeepsEveryFile) {
    // A second run within the same second gets its own history folder.
    for (int iterations : {2, 1}) {
        compResult r = recordWith(QVector<QVector<double>>(iterations, {2, 1}));
        r.save(dir);
        r.save_history_clean_current(dir);
        EXPECT_TRUE(r.ODE_sol.isEmpty());
        EXPECT_TRUE(QDir(dir + "/compResult").entryList(QDir::Files).isEmpty());
    }
    const QStringList folders = QDir(dir + "/history").entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    ASSERT_EQ(folders.size(), 2);
    int files = 0;
    for (const QString& f : folders) {
        EXPECT_TRUE(f.startsWith("compResult ") && !f.contains(':')) << f.toStdString();
        files += QDir(dir + "/history/" + f).entryList(QDir::Files).size();
    }
    // Per iteration R, X, Y, Parameter and 2 ODE files, plus 3 shared files per run.
    EXPECT_EQ(files, 2 * 6 + 3 + 1 * 6 + 3);
}

} // namespace

TEST(EngineSaving, AResultFolderThatCannotBeWrittenEndsTheRunWithItsMessage) {
    QTemporaryDir tmp;
    const one_compartment::problem problem;
    cluster_newton_method engine;
    problem.fill(engine, problem.cluster(20, 1), tmp.path());
    engine.numStage1Iter = 0;
    engine.numStage2Iter = 3;
    // "compResult" is a file, so nothing can be written below it (not even by root).
    ASSERT_TRUE(QDir(tmp.path()).rmdir("compResult"));
    QFile blocker(tmp.path() + "/compResult");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    engine.run_3();
    EXPECT_TRUE(engine.saveProblem.startsWith(
        "Error, the result files of iteration 0 could not be written into"))
        << engine.saveProblem.toStdString();
    EXPECT_TRUE(engine.result.computation_log.contains(engine.saveProblem));
    EXPECT_TRUE(engine.result.X.isEmpty()); // the unsaved iteration is not kept
    EXPECT_FALSE(engine.isRunning);
}

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
