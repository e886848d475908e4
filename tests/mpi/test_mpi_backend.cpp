// The MPI evaluation back end on three ranks (rank 0 runs the tests, the others serve): the
// same numbers as the thread pool, in point order, for whole, sampled and stopped passes.
// A rank that dies is tested where the user sees it, in test_mpi_batch.
#include "cnm/thread_pool_backend.h"
#include "io/model_directory.h"
#include "model/model_definition.h"
#include "mpi/model_package.h"
#include "mpi/mpi_evaluation_backend.h"
#include "mpi/mpi_session.h"
#include "mpi/mpi_worker.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {

mpi_session* session = nullptr;
const QString example = QString(VELMORA_SOURCE_DIR) + "/examples/oral_multiple_dose";

bool sameBits(const QVector<double>& a, const QVector<double>& b) {
    return a.size() == b.size() &&
           std::memcmp(a.constData(), b.constData(), sizeof(double) * size_t(a.size())) == 0;
}

bool same(const point_evaluation& a, const point_evaluation& b) {
    if (a.states.size() != b.states.size() || !sameBits(a.observed, b.observed)) return false;
    for (int o = 0; o < a.states.size(); ++o)
        if (!sameBits(a.states[o], b.states[o])) return false;
    return true;
}

struct loaded_example {
    model_definition model;
    QList<model_ode> models;
    QByteArray package;

    explicit loaded_example(int points) {
        model_directory files;
        files.load(example);
        model.numInitCluster = points;
        files.hasInitialCluster = false;
        model.load(files);
        models = model.buildModels(points, 0.1, 1.0);
        model_package p;
        QString message;
        p.readDirectory(example, message);
        package = p.toBytes();
    }
};

TEST(MpiBackend, PassesGiveTheThreadPoolsNumbersInPointOrder) {
    const int N = 40;
    loaded_example ex(N);
    QVector<QVector<double>> cluster = ex.model.para.initialCluster;
    ASSERT_EQ(cluster.size(), N);
    cluster[5] = QVector<double>(cluster[5].size(), NAN); // an excluded point
    mpi_evaluation_backend backend(*session);
    QString message;
    ASSERT_TRUE(backend.connect(ex.package, message)) << message.toStdString();

    thread_pool_backend threads;
    const std::atomic<bool> go{false};
    QVector<int> everyPoint;
    for (int i = 0; i < N; ++i)
        everyPoint << i;
    // The whole cluster, a sample out of order with a repeated point, a point outside.
    const QVector<QVector<int>> passes{everyPoint, {7, 3, 39, 3, 0}, {2, N + 5}};
    for (const QVector<int>& points : passes) {
        const QList<model_ode> models = ex.models.mid(0, points.size());
        const QVector<point_evaluation> expected =
            threads.evaluate(models, cluster, points, go, {});
        int lastProgress = 0;
        const QVector<point_evaluation> got =
            backend.evaluate(models, cluster, points, go, [&](int done) { lastProgress = done; });
        ASSERT_EQ(got.size(), points.size());
        EXPECT_EQ(lastProgress, points.size());
        for (int i = 0; i < points.size(); ++i)
            EXPECT_TRUE(same(got[i], expected[i])) << "point " << points[i];
    }

    // A stopped pass ends at once; its cancelled chunks do not leak into the next pass.
    const std::atomic<bool> stop{true};
    const QVector<point_evaluation> stopped =
        backend.evaluate(ex.models, cluster, everyPoint, stop, {});
    EXPECT_TRUE(stopped.value(N - 1).states.isEmpty());
    const QVector<point_evaluation> after =
        backend.evaluate(ex.models, cluster, everyPoint, go, {});
    const QVector<point_evaluation> expected =
        threads.evaluate(ex.models, cluster, everyPoint, go, {});
    for (int i = 0; i < N; ++i)
        EXPECT_TRUE(same(after[i], expected[i])) << "point " << i;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    mpi_session s(argc, argv, 1);
    session = &s;
    if (s.rank() != 0) {
        mpi_worker worker(s);
        QString message;
        const int status = worker.serve(message);
        s.end(status);
        return status;
    }
    ::testing::InitGoogleTest(&argc, argv);
    const int status = RUN_ALL_TESTS();
    s.end(status);
    return status;
}
