// The parameter record: names and order of the parameters, the bound table, the
// transformation g(x) from the unbounded x space to the parameters and its inverse (as
// text and parsed), the initial cluster in x, and the messages for the error pane.
// A plain value: every field is an implicitly shared Qt container.
#pragma once

#include "expr/parser.h"

#include <QString>
#include <QStringList>
#include <QVector>

class parameters {
public:
    QStringList parameterNames;
    // Per parameter: domain LB, domain UB, theoretical LB, theoretical UB (more ignored).
    QVector<QVector<double>> paraSpec;
    QStringList gText;
    QStringList gInverseText;
    // Per parameter, the 1-based index of its x component; 0 for a fixed parameter.
    QVector<int> xIndex;
    QVector<parser> g;
    QVector<parser> gInverse;
    QVector<parser> simulationExpressions;
    QVector<double> xLowerBound;
    QVector<double> xUpperBound;
    QStringList xNames;
    // The x names the g(x) expressions use; each needs an inverse equation.
    QStringList requiredXNames;
    QVector<QVector<double>> clusterX;
    int pointIndex = 0;
    QVector<QVector<double>> initialCluster;
    QStringList errors;

    parameters();

    // Empties parameterNames, paraSpec, gText, gInverseText, clusterX and errors.
    void clear();

    // Bound table checks; appends messages to errors and sets parameterNames.
    void checkDoIandBounds(QVector<QVector<double>> table, QStringList names);
    // Generates gText, gInverseText and xIndex from the bound table.
    void createParameters(QVector<QVector<double>> table, QStringList names);
    // Regeneration from the bound table: clear(), the bound check and the generation.
    // Generation empties errors, so the bound-check messages are returned for the pane.
    QStringList makeParameters(QVector<QVector<double>> table, QStringList names);
    // False, with a message appended to errors, when some parameter has no g(x) line.
    bool checkCompleteness();

    void parseParameterExpressions(QString text);
    void parseParameterExpressionsInverse(QString text);

    QVector<double> x_to_parameter(QVector<double> x) const;
    QVector<double> parameter_to_x(QVector<double> p) const;
    QVector<double> parameter_to_simulationParameter(QVector<double> p) const;

    void generateInitialCluster(QVector<QVector<double>> table, int n);
    void setInitialCluster(QVector<QVector<double>> X);

    // Pieces of the exported R and MATLAB scripts.
    QString rscript_parameters(QString dir) const;
    QString matlab_parameters(QString dir) const;
    QString matlab_parameters_inRHS() const;

    // A number as written into generated g(x) and inverse lines: six significant digits,
    // never in exponent form (the expression language cannot read 1e+06).
    static QString formatNumber(double value);
};
