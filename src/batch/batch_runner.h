// The headless runner: loads a model directory, runs the Cluster Newton method with the
// window's defaults, reports progress on the terminal and writes the result files into
// the directory as the window does.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class cluster_newton_method;

class batch_runner {
public:
    // Options, with the defaults of the window's computation page.
    QString directory;
    int stage1Iterations = 0;
    int stage2Iterations = 20;
    double initialLambda = 1.0;
    double relativeTolerance = 0.1;
    double absoluteTolerance = 1.0;
    int points = -1; // -1: the saved initial cluster, or 250 drawn points
    QString weightsFile;
    int weightedIterations = 0;

    // Reads the options; on a bad option returns false with a one-line message.
    bool parseArguments(const QStringList& arguments, QString& message);
    static QString usage();

    // Loads the model directory; on a missing or malformed one returns 2 with a one-line
    // message naming the file and problem. Otherwise runs and returns 0.
    int run(QString& message);

    // Where progress lines go (the terminal by default).
    std::function<void(const QString&)> print;
    // Called with the engine before the run starts (Ctrl-C handling hooks in here).
    std::function<void(cluster_newton_method&)> onEngineReady;
};
