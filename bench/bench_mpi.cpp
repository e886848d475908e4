// One evaluation pass of the pbpk13 example over 1000 points, run with mpirun: on rank 0
// alone with one thread (the yardstick), on the thread pool of one process with as many
// threads as there are ranks (the same cores without MPI), and over MPI with every rank
// evaluating on one thread. Start with `mpirun -np 2 bench_mpi`: the ratio of the MPI pass
// to the yardstick is the speed-up's inverse, its ratio to the thread pool the overhead.
#include "cnm/thread_pool_backend.h"
#include "io/model_directory.h"
#include "model/model_definition.h"
#include "mpi/model_package.h"
#include "mpi/mpi_evaluation_backend.h"
#include "mpi/mpi_session.h"
#include "mpi/mpi_worker.h"

#include "yardstick.h"

#include <QCoreApplication>
#include <QThreadPool>

#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

void silence(QtMsgType, const QMessageLogContext&, const QString&) {}

mpi_session* session = nullptr;
mpi_evaluation_backend* overMpi = nullptr;

struct prepared {
    model_definition model;
    QList<model_ode> models;
    QVector<int> points;
    prepared() {
        model_directory files;
        files.load(QString(VELMORA_SOURCE_DIR) + "/examples/pbpk13");
        files.hasInitialCluster = false;
        model.numInitCluster = 1000;
        model.load(files);
        models = model.buildModels(1000, 0.1, 1.0);
        for (int i = 0; i < 1000; ++i)
            points << i;
    }
};

prepared& data() {
    static prepared p;
    return p;
}

void pass(evaluation_backend& backend) {
    const std::atomic<bool> go{false};
    prepared& p = data();
    benchmark::DoNotOptimize(
        backend.evaluate(p.models, p.model.para.initialCluster, p.points, go, {}));
}

void OneThread(benchmark::State& state) {
    data();
    thread_pool_backend backend;
    backend.parallel = false;
    yardstick::record("one_thread", yardstick::timed(state, [&] { pass(backend); }));
}

void ThreadPool(benchmark::State& state) {
    data();
    QThreadPool::globalInstance()->setMaxThreadCount(session->size());
    thread_pool_backend backend;
    const double ns = yardstick::timed(state, [&] { pass(backend); });
    QThreadPool::globalInstance()->setMaxThreadCount(session->threads());
    yardstick::record("thread_pool", ns);
    yardstick::ratio(state, "one_thread", ns);
    state.counters["threads"] = session->size();
}

void OverMpi(benchmark::State& state) {
    data();
    const double ns = yardstick::timed(state, [&] { pass(*overMpi); });
    yardstick::ratio(state, "one_thread", ns);
    yardstick::ratio(state, "thread_pool", ns);
    state.counters["ranks"] = session->size();
}

BENCHMARK(OneThread)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(ThreadPool)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(OverMpi)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    qInstallMessageHandler(silence);
    mpi_session s(argc, argv, 1);
    session = &s;
    if (s.rank() != 0) {
        mpi_worker worker(s);
        QString message;
        return worker.serve(message);
    }
    model_package package;
    QString message;
    if (!package.readDirectory(QString(VELMORA_SOURCE_DIR) + "/examples/pbpk13", message)) {
        std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
        return 1;
    }
    mpi_evaluation_backend backend(s);
    if (!backend.connect(package.toBytes(), message)) {
        std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
        return 1;
    }
    overMpi = &backend;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
