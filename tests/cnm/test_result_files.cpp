// Result files: what save writes is what readIn reads, the iteration count stops at the
// first incomplete iteration, and moving a run into the history folder loses nothing.
#include "cnm/compResult.h"

#include "io/csv.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>

namespace {

compResult sampleRecord(int iterations) {
    compResult r;
    for (int k = 0; k < iterations; ++k) {
        r.X.append({{1.5 + k, -2.0}, {3.25, 1e-7}});
        r.Y.append({{0.1 * k, 2.0, 3.0}, {4.0, std::nan(""), 6.0}});
        r.Parameter.append({{10.0, 20.0 + k}, {30.0, 40.0}});
        r.R.append({0.5 + k, std::nan("")});
        r.ODE_sol.append({{{1, 2, 3}, {4, 5, 6}}, {{7, 8, 9}, {10, 11, 12.0 + k}}});
    }
    r.ode_time = {0.5, 1, 2};
    r.computation_log = QStringList{"first line", "", "=== third ==="};
    r.sortDataByResidual();
    return r;
}

class ResultFiles : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(QDir(dir).mkdir("compResult")); }
    QTemporaryDir tmp;
    const QString dir = tmp.path();
};

void expectSameMatrices(const QVector<QVector<QVector<double>>>& a,
                        const QVector<QVector<QVector<double>>>& b) {
    ASSERT_EQ(a.size(), b.size());
    for (int k = 0; k < a.size(); ++k) {
        ASSERT_EQ(a[k].size(), b[k].size());
        for (int p = 0; p < a[k].size(); ++p) {
            ASSERT_EQ(a[k][p].size(), b[k][p].size());
            for (int i = 0; i < a[k][p].size(); ++i)
                if (std::isnan(a[k][p][i]))
                    EXPECT_TRUE(std::isnan(b[k][p][i]));
                else
                    EXPECT_DOUBLE_EQ(a[k][p][i], b[k][p][i]);
        }
    }
}

TEST_F(ResultFiles, SaveThenReadInRoundTrips) {
    compResult saved = sampleRecord(3);
    saved.save(dir);

    compResult loaded;
    ASSERT_TRUE(loaded.readIn(dir));
    expectSameMatrices(saved.X, loaded.X);
    expectSameMatrices(saved.Y, loaded.Y);
    expectSameMatrices(saved.Parameter, loaded.Parameter);
    ASSERT_EQ(loaded.R.size(), 3);
    EXPECT_DOUBLE_EQ(loaded.R[2][0], 2.5);
    EXPECT_TRUE(std::isnan(loaded.R[2][1]));
    ASSERT_EQ(loaded.ODE_sol.size(), 3);
    EXPECT_EQ(loaded.ODE_sol[2][1][1][2], 14);
    EXPECT_EQ(loaded.ode_time, saved.ode_time);

    // The log file holds one entry per line, empty entries included.
    QFile log(dir + "/compResult/computation_log.txt");
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(log.readAll()), "first line\n\n=== third ===\n");
    // sortIndex: one line of point indices per iteration.
    QFile sortIndex(dir + "/compResult/sortIndex.csv");
    ASSERT_TRUE(sortIndex.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(sortIndex.readAll()), "0\n0\n0\n");
}

TEST_F(ResultFiles, ReadInStopsAtTheFirstIncompleteIteration) {
    sampleRecord(2).save(dir);
    QFile::remove(dir + "/compResult/Parameter_1.csv");
    compResult loaded;
    ASSERT_TRUE(loaded.readIn(dir));
    EXPECT_EQ(loaded.X.size(), 1);
    EXPECT_EQ(loaded.R.size(), 1);

    // An empty R file leaves R one entry shorter than X.
    QFile empty(dir + "/compResult/R_0.csv");
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly | QIODevice::Truncate));
    empty.close();
    compResult again;
    ASSERT_TRUE(again.readIn(dir));
    EXPECT_EQ(again.X.size(), 1);
    EXPECT_EQ(again.R.size(), 0);

    QTemporaryDir none;
    QDir(none.path()).mkdir("compResult");
    compResult nothing;
    EXPECT_FALSE(nothing.readIn(none.path()));
}

TEST_F(ResultFiles, OdeSolutionsWithAGapAreReadUpToTheGap) {
    compResult r = sampleRecord(3);
    r.ODE_sol[1].clear();
    r.save(dir);
    EXPECT_TRUE(QFile::exists(dir + "/compResult/ODE_sol_2_0.csv"));
    EXPECT_FALSE(QFile::exists(dir + "/compResult/ODE_sol_1_0.csv"));
    compResult loaded;
    loaded.readIn(dir);
    EXPECT_EQ(loaded.ODE_sol.size(), 1);
}

TEST_F(ResultFiles, SaveLastIterWritesOnlyTheNewestIteration) {
    sampleRecord(2).save_last_iter(dir);
    EXPECT_FALSE(QFile::exists(dir + "/compResult/X_0.csv"));
    for (const char* name :
         {"X_1.csv", "Y_1.csv", "Parameter_1.csv", "R_1.csv", "ODE_sol_1_0.csv", "ODE_sol_1_1.csv",
          "ode_time.csv", "computation_log.txt", "sortIndex.csv"})
        EXPECT_TRUE(QFile::exists(dir + "/compResult/" + name)) << name;
}

TEST_F(ResultFiles, HistoryMoveEmptiesTheFolderAndKeepsEveryFile) {
    compResult first = sampleRecord(2);
    first.save(dir);
    first.save_history_clean_current(dir);
    EXPECT_TRUE(first.ODE_sol.isEmpty());
    EXPECT_TRUE(QDir(dir + "/compResult").entryList(QDir::Files).isEmpty());

    // A second run within the same second gets its own history folder: nothing is left
    // behind in compResult to be overwritten by the next run.
    compResult second = sampleRecord(1);
    second.save(dir);
    second.save_history_clean_current(dir);
    EXPECT_TRUE(QDir(dir + "/compResult").entryList(QDir::Files).isEmpty());

    const QStringList folders = QDir(dir + "/history").entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    ASSERT_EQ(folders.size(), 2);
    int files = 0;
    for (const QString& f : folders) {
        EXPECT_TRUE(f.startsWith("compResult "));
        EXPECT_FALSE(f.contains(':'));
        files += QDir(dir + "/history/" + f).entryList(QDir::Files).size();
    }
    // 2 iterations x (R, X, Y, Parameter, 2 ODE files) + 3 shared files, then 1 x 6 + 3.
    EXPECT_EQ(files, 15 + 9);
}

} // namespace
