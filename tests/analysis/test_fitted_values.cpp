// The fitted-values table: best point, median and 5-95 % range of the best quarter of the
// last iteration with a finite SSR, on small hand-made records.
#include "analysis/fitted_values.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

const double nan = std::nan("");

// Point p of every iteration has the parameters {10 p, -p}.
compResult record(const QVector<QVector<double>>& ssr) {
    compResult r;
    r.R = ssr;
    for (const QVector<double>& iteration : ssr) {
        QVector<QVector<double>> rows;
        for (int p = 0; p < iteration.size(); ++p)
            rows << QVector<double>{10.0 * p, -1.0 * p};
        r.Parameter << rows;
    }
    return r;
}

TEST(FittedValues, BestPointAndBestQuarterOfTheLastUsableIteration) {
    const struct {
        QVector<QVector<double>> ssr;
        int iteration, quarter;
        double a[4], b[4]; // best, median, 5 %, 95 %
    } rows[] = {
        // 8 finite points: the quarter is the points with SSR 1 and 2 (points 1 and 4); the
        // last iteration has none and is passed over.
        {{{4, 1, nan, 3, 2, 8, 7, 6, 5}, {nan, nan, nan, nan, nan, nan, nan, nan, nan}},
         0,
         2,
         {10, 25, 11.5, 38.5},
         {-1, -2.5, -3.85, -1.15}},
        // 3 finite points: a quarter of at least one point.
        {{{3, 2, 1}, {5, 9, 7}}, 1, 1, {0, 0, 0, 0}, {0, 0, 0, 0}},
        {{{nan, INFINITY}}, -1, 0, {}, {}},
    };
    for (const auto& r : rows) {
        const fitted_values f = fitted_values::of(record(r.ssr), {"a", "b", "c"});
        EXPECT_EQ(f.iteration, r.iteration);
        EXPECT_EQ(f.quarterPoints, r.quarter);
        if (r.iteration < 0) {
            EXPECT_TRUE(f.rows.isEmpty());
            EXPECT_TRUE(f.text().isEmpty());
            continue;
        }
        ASSERT_EQ(f.rows.size(), 3);
        for (int j = 0; j < 2; ++j) {
            const fitted_values::row& got = f.rows[j];
            const double* want = j == 0 ? r.a : r.b;
            EXPECT_DOUBLE_EQ(got.best, want[0]);
            EXPECT_DOUBLE_EQ(got.median, want[1]);
            EXPECT_NEAR(got.low, want[2], 1e-12);
            EXPECT_NEAR(got.high, want[3], 1e-12);
        }
        // A name beyond the parameter rows has no values.
        EXPECT_TRUE(std::isnan(f.rows[2].best));

        // Every number of the printed table reads back exactly.
        const QStringList lines = f.text().split('\n', Qt::SkipEmptyParts);
        ASSERT_EQ(lines.size(), 5);
        const QStringList cells = lines[3].split(' ', Qt::SkipEmptyParts);
        ASSERT_EQ(cells.size(), 5);
        EXPECT_EQ(cells[0], "b");
        const fitted_values::row& b = f.rows[1];
        const double values[] = {b.best, b.median, b.low, b.high};
        for (int c = 0; c < 4; ++c)
            EXPECT_EQ(cells[c + 1].toDouble(), values[c]);
    }
}

} // namespace
