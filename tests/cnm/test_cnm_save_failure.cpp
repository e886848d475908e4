// A run whose result files cannot be written ends at once and says why; it never reports the
// lost iteration as kept.
#include "one_compartment_engine.h"

#include <QFile>

#include <gtest/gtest.h>

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
