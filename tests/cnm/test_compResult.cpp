// The result record: sorting by SSR (NaN and infinite values, ties, missing rows), trimming,
// and its files: what save writes is what readIn reads, the iteration count stops at the
// first incomplete iteration, and moving a run into the history folder loses nothing.
#include "cnm/compResult.h"

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
