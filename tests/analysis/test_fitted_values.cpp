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
    // 8 finite points: the quarter is the points with SSR 1 and 2 (points 1 and 4); the
    // last iteration has no finite SSR and is passed over.
    const fitted_values f = fitted_values::of(
        record({{4, 1, nan, 3, 2, 8, 7, 6, 5}, {nan, INFINITY}}), {"a", "b", "c"});
    EXPECT_EQ(f.iteration, 0);
    EXPECT_EQ(f.quarterPoints, 2);
    const double expected[2][4] = {{10, 25, 11.5, 38.5}, {-1, -2.5, -3.85, -1.15}};
    ASSERT_EQ(f.rows.size(), 3);
    for (int j = 0; j < 2; ++j) {
        const fitted_values::row& r = f.rows[j];
        const double got[] = {r.best, r.median, r.low, r.high};
        for (int c = 0; c < 4; ++c)
            EXPECT_NEAR(got[c], expected[j][c], 1e-12) << j << " " << c;
        // The printed line reads back exactly.
        const QStringList cells = f.text().split('\n')[2 + j].split(' ', Qt::SkipEmptyParts);
        ASSERT_EQ(cells.size(), 5);
        EXPECT_EQ(cells[0], r.name);
        for (int c = 0; c < 4; ++c)
            EXPECT_EQ(cells[c + 1].toDouble(), got[c]);
    }
    EXPECT_TRUE(std::isnan(f.rows[2].best)); // beyond the parameter rows
}

} // namespace
