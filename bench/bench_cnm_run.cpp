// A whole Cluster Newton run of the oral example (250 points, 20 iterations): wall time,
// model evaluations per second, and the parallel evaluation pass against the sequential
// one in the same run (the yardstick of the speed-up).
#include "cnm/cluster_newton_method.h"
#include "io/model_directory.h"
#include "model/model_definition.h"

#include "yardstick.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

void silence(QtMsgType, const QMessageLogContext&, const QString&) {}

struct prepared {
    model_definition model;
    QTemporaryDir dir;
    prepared() {
        model_directory files;
        files.load(QString(VELMORA_SOURCE_DIR) + "/examples/oral_multiple_dose");
        model.load(files);
        QDir(dir.path()).mkdir("compResult");
    }
};

prepared& data() {
    static prepared p;
    return p;
}

long runOnce(bool parallel) {
    prepared& p = data();
    const QVector<QVector<double>> cluster = p.model.para.initialCluster;
    cluster_newton_method engine;
    engine.parallelEvaluation = parallel;
    engine.modelList = p.model.buildModels(cluster.size(), 0.1, 1.0);
    engine.numStage1Iter = 0;
    engine.numStage2Iter = 20;
    engine.result.X = {cluster};
    engine.saveDirectory = p.dir.path();
    engine.setY_star_matrix(p.model.observedValues(), cluster.size());
    engine.x_lowerBound = p.model.para.xLowerBound;
    engine.x_upperBound = p.model.para.xUpperBound;
    for (int j = 0; j < engine.x_lowerBound.size(); ++j)
        engine.x_center << (engine.x_lowerBound[j] + engine.x_upperBound[j]) / 2;
    long evaluations = 0;
    QObject::connect(&engine, &cluster_newton_method::additional_modelEval,
                     [&](int v) { evaluations = std::max<long>(evaluations, v); });
    engine.run_3();
    return evaluations;
}

void WholeRun(benchmark::State& state) {
    const bool parallel = state.range(0) != 0;
    long evaluations = 0;
    const double ns = yardstick::timed(state, [&] { evaluations = runOnce(parallel); });
    state.counters["model_evals"] = static_cast<double>(evaluations);
    state.counters["evals_per_s"] = evaluations / (ns * 1e-9);
    if (!parallel) {
        yardstick::record("sequential", ns);
    } else {
        yardstick::ratio(state, "sequential", ns);
        // Speed-up of the parallel run over the sequential one.
        auto it = yardstick::times().find("sequential");
        if (it != yardstick::times().end()) state.counters["speedup"] = it->second / ns;
    }
}

BENCHMARK(WholeRun)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    qInstallMessageHandler(silence);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
