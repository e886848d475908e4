// The settings of a Cluster Newton run as typed on the computation page: kept as texts so
// that nothing typed is lost, read into numbers with one message per field that does not
// read, and stored as the model folder's "run_settings.txt" ("key=value" lines, "\" and
// newlines escaped as "\\" and "\n"). A missing file or key keeps the default, so old model
// directories open with the page's defaults.
#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

class run_settings {
public:
    QString initialLambda = QStringLiteral("1.00");
    QString relativeTolerance = QStringLiteral("0.1");
    QString absoluteTolerance = QStringLiteral("1.0");
    int stage1Iterations = 0;
    int stage2Iterations = 20;
    int weightedIterations = 0;
    // One row of comma-separated weights per line, one weight per observation.
    QString weights;
    // A whole number; empty draws a new seed for every run.
    QString seed;

    // The settings as numbers.
    struct numbers {
        double initialLambda = 1.0;
        double relativeTolerance = 0.1;
        double absoluteTolerance = 1.0;
        int stage1Iterations = 0;
        int stage2Iterations = 20;
        int weightedIterations = 0;
        QVector<QVector<double>> weightRows;
        bool seedGiven = false;
        quint64 seed = 0;
    };

    // Reads every field; returns one message per field that does not read (empty when all
    // do). Lambda and tolerances must be positive numbers; the weights, when they are used
    // (weighted iterations above 0) or typed, must be rows of `observationCount` numbers.
    QStringList read(numbers& out, int observationCount) const;

    QString toText() const;
    // Unknown keys and malformed lines are ignored; missing keys keep their defaults.
    static run_settings fromText(const QString& text);

    bool operator==(const run_settings& other) const;
};
