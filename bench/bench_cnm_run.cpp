// A whole Cluster Newton run of the oral example (250 points, 20 iterations): wall time and
// model evaluations per second, parallel and sequential; and one evaluation pass of the
// cluster on the thread pool against the same pass point by point (the yardstick of the
// speed-up), for the oral and the pbpk13 examples.
#include "cnm/cluster_newton_method.h"
#include "cnm/pool_work.h"
#include "cnm/run_setup.h"
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
    explicit prepared(const char* example = "oral_multiple_dose") {
        model_directory files;
        files.load(QString(VELMORA_SOURCE_DIR) + "/examples/" + example);
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
    cluster_newton_method engine;
    engine.parallelEvaluation = parallel;
    run_settings settings; // the computation page's defaults: 0 + 20 iterations
    settings.seed = QStringLiteral("1");
    setUpRun(engine, p.model, settings, p.dir.path());
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

// One evaluation pass over the initial cluster, as the engine makes it.
void EvaluationPass(benchmark::State& state) {
    static prepared oral("oral_multiple_dose");
    static prepared pbpk("pbpk13");
    prepared& p = state.range(0) == 0 ? oral : pbpk;
    const bool parallel = state.range(1) != 0;
    const QVector<QVector<double>> cluster = p.model.para.initialCluster;
    QList<model_ode> models = p.model.buildModels(cluster.size(), 0.1, 1.0);
    for (int i = 0; i < models.size(); ++i) {
        models[i].parameterSpec.clusterX = cluster;
        models[i].parameterSpec.pointIndex = i;
    }
    const std::string name = std::string(state.range(0) == 0 ? "oral" : "pbpk13") + "_sequential";
    const double ns = yardstick::timed(state, [&] {
        QVector<QVector<QVector<double>>> results(models.size());
        QVector<QVector<double>>* into = results.data();
        if (parallel) {
            pool_work(models.size(), [&](int i) {
                into[i] = parallelODEeval_aux_function(models.at(i));
            }).run();
        } else {
            for (int i = 0; i < models.size(); ++i)
                results[i] = parallelODEeval_aux_function(models.at(i));
        }
        benchmark::DoNotOptimize(results);
    });
    state.counters["evals_per_s"] = models.size() / (ns * 1e-9);
    if (!parallel) {
        yardstick::record(name, ns);
    } else {
        auto it = yardstick::times().find(name);
        if (it != yardstick::times().end()) state.counters["speedup"] = it->second / ns;
    }
}

BENCHMARK(EvaluationPass)
    ->Args({0, 0})
    ->Args({0, 1})

    ->Args({1, 0})
    ->Args({1, 1})

    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

BENCHMARK(WholeRun)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    qInstallMessageHandler(silence);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
