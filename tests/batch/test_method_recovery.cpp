// Whole runs on problems with a known answer: the pbpk13 example, made from known
// parameter values without noise, is run headless and the points that fit recover the
// identifiable parameters (three tissue partition coefficients and the hepatic ratio).
#include "batch/batch_runner.h"

#include "cnm/compResult.h"
#include "batch/example_copy.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(MethodRecovery, Pbpk13RecoversItsIdentifiableParameters) {
    QTemporaryDir tmp;
    copyExample("pbpk13", tmp.path());
    batch_runner runner;
    QString message;
    ASSERT_EQ(runner.parseArguments(
                  {tmp.path(), "--stage2", "30", "--reltol", "1e-6", "--abstol", "1e-6"}, message),
              batch_runner::parsed::run);
    runner.print = [](const QString&) {};
    ASSERT_EQ(runner.run(message), 0) << message.toStdString();

    compResult result;
    ASSERT_TRUE(result.readIn(tmp.path()));
    ASSERT_EQ(result.R.size(), 30);
    const QVector<double>& ssr = result.R.last();
    const QVector<QVector<double>>& p = result.Parameter.last();
    // Parameter order: CLint, CLr, KpAD, KpBO, KpBR, KpGU, KpHT, KpKI, KpLI, KpLU, KpMU,
    // KpSK, KpSP. The data were made with KpAD 8, KpMU 1.1, KpSK 2.5 and CLint/KpLI 60/3.
    int fitting = 0;
    for (int i = 0; i < ssr.size(); ++i) {
        if (!(ssr[i] < 1e-6)) continue;
        ++fitting;
        EXPECT_NEAR(p[i][2], 8.0, 0.02 * 8.0);
        EXPECT_NEAR(p[i][10], 1.1, 0.02 * 1.1);
        EXPECT_NEAR(p[i][11], 2.5, 0.02 * 2.5);
        EXPECT_NEAR(p[i][0] / p[i][8], 20.0, 0.15 * 20.0);
        // Fixed parameters stay at their values.
        EXPECT_DOUBLE_EQ(p[i][3], 2.0);
        EXPECT_DOUBLE_EQ(p[i][12], 1.3);
    }
    // The initial cluster fits nowhere near this well; a good share of points gets there.
    EXPECT_GE(fitting, 10);
    double initialBest = INFINITY;
    for (double r : result.R.first())
        if (r < initialBest) initialBest = r;
    EXPECT_GT(initialBest, 1e-3);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
