// The result record: sorting by SSR (NaN and infinite values, ties mapped by value, missing
// rows) and trimming in both directions.
#include "cnm/compResult.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <string>
#include <utility>

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

compResult recordWith(const QVector<QVector<double>>& R) {
    compResult c;
    c.R = R;
    for (int k = 0; k < R.size(); ++k) {
        c.X.append(rows(R[k].size(), 100 * k));
        c.Y.append(rows(R[k].size(), 100 * k + 10));
        c.Parameter.append(rows(R[k].size(), 100 * k + 50));
    }
    return c;
}

// The rows of `source` at the given point indices.
Matrix pick(const Matrix& source, const QVector<int>& index) {
    Matrix M;
    for (int p : index)
        M.append(source[p]);
    return M;
}

compResult fullRecord(int iterations) {
    QVector<QVector<double>> R;
    for (int k = 0; k < iterations; ++k)
        R.append({double(k + 2), double(k + 1)});
    compResult c = recordWith(R);
    c.sortDataByResidual();
    for (int k = 0; k < iterations; ++k)
        c.ODE_sol.append({rows(2, k), rows(2, k + 0.5)});
    c.ode_time = {0, 0.5, 1};
    c.computation_log = QStringList{"line 1", "line 2"};
    return c;
}

} // namespace

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
        {"negative infinity dropped too", {2, -kInf, 1}, {1, 2}, {2, 0}},
        {"already sorted", {0, 0.5, 1e300}, {0, 0.5, 1e300}, {0, 1, 2}},
        {"empty iteration", {}, {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        compResult r = recordWith({c.R});
        r.sortDataByResidual();
        ASSERT_EQ(r.R_sorted.size(), 1);
        EXPECT_EQ(r.R_sorted[0], c.sorted);
        ASSERT_EQ(r.sortIndex.size(), 1);
        EXPECT_EQ(r.sortIndex[0], c.index);
        EXPECT_EQ(r.X_sorted, QVector<Matrix>({pick(r.X[0], c.index)}));
        EXPECT_EQ(r.Y_sorted, QVector<Matrix>({pick(r.Y[0], c.index)}));
        EXPECT_EQ(r.Parameter_sorted, QVector<Matrix>({pick(r.Parameter[0], c.index)}));
    }
}

TEST(CompResultSort, EveryIterationIsSortedOnItsOwn) {
    compResult r = recordWith({{2, 1}, {kNaN, kNaN}, {7, kNaN, 3}});
    r.sortDataByResidual();
    EXPECT_EQ(r.R_sorted, (QVector<QVector<double>>{{1, 2}, {}, {3, 7}}));
    EXPECT_EQ(r.sortIndex, (QVector<QVector<int>>{{1, 0}, {}, {2, 0}}));
    ASSERT_EQ(r.X_sorted.size(), 3);
    EXPECT_TRUE(r.X_sorted[1].isEmpty());
    EXPECT_EQ(r.X_sorted[2], pick(r.X[2], {2, 0}));
    EXPECT_EQ(r.Parameter_sorted[0], pick(r.Parameter[0], {1, 0}));
}

TEST(CompResultSort, MissingRowsAreSkippedInTheirSortedMatrix) {
    compResult r;
    r.R = {{3, 1, 2}, {2, 1}};
    r.X = {rows(2, 0)};                // iteration 0 lacks point 2; iteration 1 is missing
    r.Y = {rows(3, 10), rows(2, 110)}; // complete
    r.sortDataByResidual();
    EXPECT_EQ(r.sortIndex, (QVector<QVector<int>>{{1, 2, 0}, {1, 0}}));
    EXPECT_EQ(r.X_sorted, (QVector<Matrix>{pick(r.X[0], {1, 0}), {}}));
    EXPECT_EQ(r.Y_sorted, (QVector<Matrix>{pick(r.Y[0], {1, 2, 0}), pick(r.Y[1], {1, 0})}));
    EXPECT_EQ(r.Parameter_sorted, (QVector<Matrix>{{}, {}}));
}

TEST(CompResultSort, EmptyRClearsEarlierSortedFields) {
    compResult r = recordWith({{2, 1}});
    r.sortDataByResidual();
    ASSERT_FALSE(r.sortIndex.isEmpty());
    r.R.clear();
    r.sortDataByResidual();
    EXPECT_TRUE(r.R_sorted.isEmpty() && r.X_sorted.isEmpty() && r.Y_sorted.isEmpty());
    EXPECT_TRUE(r.Parameter_sorted.isEmpty() && r.sortIndex.isEmpty());
}

// Trimming to n iterations: the first n of every iteration-indexed field, padded with empty
// iterations; ode_time, sortIndex and the log are kept whole.
TEST(CompResultTrim, KeepsOrPadsToExactlyNIterations) {
    const auto first = [](auto v, int n) {
        v.resize(std::max(n, 0));
        return v;
    };
    const std::pair<int, int> cases[] = {{5, 3}, {2, 3}, {2, 0}, {2, -1}};
    for (const auto& [iterations, n] : cases) {
        SCOPED_TRACE(std::to_string(iterations) + " iterations trimmed to " + std::to_string(n));
        const compResult o = fullRecord(iterations);
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
