// The start of a Cluster Newton run: checks, log header and the engine's inputs.
#include "cnm/run_setup.h"

#include "cnm/cluster_newton_method.h"
#include "model/model_definition.h"

#include <QDateTime>
#include <QDir>
#include <QRandomGenerator>

namespace {

QString number(double v) {
    return QString::number(v, 'g', 6);
}

} // namespace

QString velmoraVersion() {
    return QStringLiteral(VELMORA_VERSION);
}

QStringList runProblems(const model_definition& model, const run_settings& settings) {
    run_settings::numbers values;
    return model.blockingErrors() + settings.read(values, model.observedValues().size());
}

quint64 setUpRun(cluster_newton_method& engine, const model_definition& model,
                 const run_settings& settings, const QString& saveDirectory) {
    run_settings::numbers s;
    settings.read(s, model.observedValues().size());
    const quint64 seed = s.seedGiven ? s.seed : QRandomGenerator::global()->generate64();
    const QVector<QVector<double>> cluster = model.para.initialCluster;
    const int N = cluster.size();

    compResult record;
    record.computation_log << ">>>>>>Velmora version " + velmoraVersion() + "<<<<<<"
                           << " \n\n\n=== Cluster Newton method calculation started at " +
                                  QDateTime::currentDateTimeUtc().toString(Qt::TextDate) + " ===="
                           << "";
    QDir(saveDirectory).mkpath(QStringLiteral("compResult"));
    record.save_history_clean_current(saveDirectory);
    record.X = {cluster};
    record.computation_log << " InitialLambda: " + number(s.initialLambda)
                           << " ODE solve RelTol: " + number(s.relativeTolerance)
                           << " ODE solve AbsTol: " + number(s.absoluteTolerance)
                           << " Number of Stage1 iterations: " + QString::number(s.stage1Iterations)
                           << " Number of Stage2 iterations: " + QString::number(s.stage2Iterations)
                           << ""
                           << " Number of Weighted iterations: " +
                                  QString::number(s.weightedIterations)
                           << " Weights: " + settings.weights << ""
                           << " Random seed: " + QString::number(seed);

    engine.result = record;
    engine.initialLambda = s.initialLambda;
    engine.modelList = model.buildModels(N, s.relativeTolerance, s.absoluteTolerance);
    engine.numStage1Iter = s.stage1Iterations;
    engine.numStage2Iter = s.stage2Iterations;
    engine.numWeightIter = s.weightedIterations;
    engine.saveDirectory = saveDirectory;
    engine.setY_star_matrix(model.observedValues(), N);
    engine.x_lowerBound = model.para.xLowerBound;
    engine.x_upperBound = model.para.xUpperBound;
    engine.x_center.clear();
    for (int j = 0; j < engine.x_lowerBound.size() && j < engine.x_upperBound.size(); ++j)
        engine.x_center << (engine.x_lowerBound[j] + engine.x_upperBound[j]) / 2;
    engine.weightRows = s.weightRows;
    // Nothing of an earlier run carries over: the same seed gives the same run.
    engine.lambda = 0.0;
    engine.seed = seed;
    return seed;
}
