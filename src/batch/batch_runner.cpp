// Loading, checking and running a model directory without the window.
#include "batch/batch_runner.h"

#include "cnm/cluster_newton_method.h"
#include "io/csv.h"
#include "io/model_directory.h"
#include "model/model_definition.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTextStream>

#include <cstdio>

namespace {

const char* kVersion = "alpha 3.1.4";

QString number(double v) { return QString::number(v, 'g', 6); }

bool takeInt(const QString& text, int& out) {
    bool ok = false;
    const int v = text.toInt(&ok);
    if (ok && v >= 0) out = v;
    return ok && v >= 0;
}

bool takeDouble(const QString& text, double& out) {
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (ok) out = v;
    return ok;
}

// Which model file a blocking problem is about.
QString fileOf(const QString& problem) {
    if (problem.contains("observation")) return "model/observations.txt";
    if (problem.contains("Parameters") || problem.contains("initial cluster"))
        return "model/parameter_specifications.csv";
    return "model/ODE_expression.txt";
}

void toTerminal(const QString& line) {
    std::fputs(line.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
}

} // namespace

QString batch_runner::usage() {
    return "usage: velmora-batch <model-dir> [--stage1 N] [--stage2 N] [--lambda L] "
           "[--reltol R] [--abstol A] [--points N] [--weights FILE] [--weighted-iterations N]";
}

bool batch_runner::parseArguments(const QStringList& arguments, QString& message) {
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (!a.startsWith("--")) {
            if (!directory.isEmpty()) {
                message = "unexpected argument '" + a + "'";
                return false;
            }
            directory = a;
            continue;
        }
        if (a == "--help" || a == "-h") {
            message = usage();
            return false;
        }
        if (i + 1 >= arguments.size()) {
            message = "option " + a + " needs a value";
            return false;
        }
        const QString value = arguments[++i];
        bool ok = true;
        if (a == "--stage1")
            ok = takeInt(value, stage1Iterations);
        else if (a == "--stage2")
            ok = takeInt(value, stage2Iterations);
        else if (a == "--lambda")
            ok = takeDouble(value, initialLambda) && initialLambda > 0;
        else if (a == "--reltol")
            ok = takeDouble(value, relativeTolerance) && relativeTolerance > 0;
        else if (a == "--abstol")
            ok = takeDouble(value, absoluteTolerance) && absoluteTolerance > 0;
        else if (a == "--points")
            ok = takeInt(value, points) && points > 0;
        else if (a == "--weights")
            weightsFile = value;
        else if (a == "--weighted-iterations")
            ok = takeInt(value, weightedIterations);
        else {
            message = "unknown option " + a;
            return false;
        }
        if (!ok) {
            message = "option " + a + ": '" + value + "' is not a valid value";
            return false;
        }
    }
    if (directory.isEmpty()) {
        message = usage();
        return false;
    }
    while (directory.size() > 1 && directory.endsWith('/')) directory.chop(1);
    return true;
}

int batch_runner::run(QString& message) {
    if (!print) print = toTerminal;
    if (!QDir(directory).exists()) {
        message = directory + ": no such directory";
        return 2;
    }
    model_directory files;
    if (!files.load(directory)) {
        message = model_directory::odeTextFile(directory) + ": cannot be read";
        return 2;
    }
    model_definition model;
    if (points > 0) {
        model.numInitCluster = points;
        files.hasInitialCluster = false; // a new cluster of the requested size is drawn
    }
    model.load(files);
    for (const QString& p : model.problems) print("warning: " + p + "\n");
    const QStringList blocking = model.blockingErrors();
    if (!blocking.isEmpty()) {
        message = directory + "/" + fileOf(blocking.first()) + ": " + blocking.first();
        return 2;
    }

    QVector<QVector<double>> weightRows;
    QString weightsText;
    if (!weightsFile.isEmpty()) {
        QFile f(weightsFile);
        if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) {
            message = weightsFile + ": cannot be read";
            return 2;
        }
        weightsText = QString::fromUtf8(f.readAll());
        weightRows = csvTextReadToDouble(weightsText);
        const int m = model.observedValues().size();
        for (int r = 0; r < weightRows.size(); ++r) {
            if (weightRows[r].size() != m) {
                message = QString("%1: row %2 has %3 weights, the model has %4 observations")
                              .arg(weightsFile)
                              .arg(r + 1)
                              .arg(weightRows[r].size())
                              .arg(m);
                return 2;
            }
        }
    }

    QDir(directory).mkdir("compResult");
    compResult record;
    record.computation_log << QString(">>>>>>Velmora version ") + kVersion + "<<<<<<";
    record.computation_log << " \n\n\n=== Cluster Newton method calculation started at " +
                                  QDateTime::currentDateTimeUtc().toString(Qt::TextDate) +
                                  " ====";
    record.computation_log << "";
    record.save_history_clean_current(directory);
    const QVector<QVector<double>> cluster = model.para.initialCluster;
    record.X = {cluster};
    record.computation_log << " InitialLambda: " + number(initialLambda);
    record.computation_log << " ODE solve RelTol: " + number(relativeTolerance);
    record.computation_log << " ODE solve AbsTol: " + number(absoluteTolerance);
    record.computation_log << " Number of Stage1 iterations: " + QString::number(stage1Iterations);
    record.computation_log << " Number of Stage2 iterations: " + QString::number(stage2Iterations);
    record.computation_log << "";
    record.computation_log << " Number of Weighted iterations: " +
                                  QString::number(weightedIterations);
    record.computation_log << " Weights: " + weightsText;
    record.computation_log << "";

    const int n = cluster.size();
    cluster_newton_method engine;
    engine.initialLambda = initialLambda;
    engine.modelList = model.buildModels(n, relativeTolerance, absoluteTolerance);
    engine.numStage1Iter = stage1Iterations;
    engine.numStage2Iter = stage2Iterations;
    engine.numWeightIter = weightedIterations;
    engine.result = record;
    engine.saveDirectory = directory;
    engine.setY_star_matrix(model.observedValues(), n);
    engine.x_lowerBound = model.para.xLowerBound;
    engine.x_upperBound = model.para.xUpperBound;
    engine.x_center.clear();
    for (int j = 0; j < engine.x_lowerBound.size() && j < engine.x_upperBound.size(); ++j)
        engine.x_center << (engine.x_lowerBound[j] + engine.x_upperBound[j]) / 2;
    engine.weightRows = weightRows;

    print(QString("Velmora batch run: %1\n  %2 points, %3 parameters (%4 estimated), %5 "
                  "observations, %6 + %7 iterations\n")
              .arg(directory)
              .arg(n)
              .arg(model.para.parameterNames.size())
              .arg(model.para.gInverse.size())
              .arg(model.observedValues().size())
              .arg(stage1Iterations)
              .arg(stage2Iterations));

    int maximum = 1;
    int printedLogLines = record.computation_log.size();
    QObject::connect(&engine, &cluster_newton_method::max_modelEval,
                     [&](int m) { maximum = std::max(1, m); });
    QObject::connect(&engine, &cluster_newton_method::additional_modelEval, [&](int value) {
        const int width = 40;
        const int filled = std::min(width, width * value / maximum);
        print(QString("\r[%1%2] %3/%4 model evaluations")
                  .arg(QString(filled, '#'))
                  .arg(QString(width - filled, '-'))
                  .arg(std::min(value, maximum))
                  .arg(maximum));
    });
    QObject::connect(&engine, &cluster_newton_method::current_computation_result,
                     [&](const compResult& r) {
                         // The statistics block of the iteration just logged.
                         QString text = "\n";
                         for (int i = printedLogLines; i < r.computation_log.size(); ++i) {
                             const QString& line = r.computation_log[i];
                             if (line.startsWith("min:") || line.startsWith("median:") ||
                                 line.contains("iterNumber") ||
                                 line.startsWith("number of improved points") ||
                                 line.startsWith("failed model evaluations"))
                                 text += "  " + line.trimmed() + "\n";
                         }
                         printedLogLines = r.computation_log.size();
                         print(text);
                     });
    if (onEngineReady) onEngineReady(engine);
    engine.run_3();

    const compResult& done = engine.result;
    print(QString("\nfinished: %1 iterations kept; result files in %2/compResult\n")
              .arg(done.X.size())
              .arg(directory));
    if (!done.R_sorted.isEmpty() && !done.R_sorted.last().isEmpty())
        print("  best SSR " + number(done.R_sorted.last().first()) + ", median SSR " +
              number(done.R_sorted.last()[done.R_sorted.last().size() / 2]) + "\n");
    return 0;
}
