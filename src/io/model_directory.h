// The "model" folder of a model directory: the ODE text, the tables of the window as cell
// texts, the g(x) texts, names, bounds, the exported scripts and the Jacobian structure,
// in a fixed order, with a time-stamped history copy of the files that define the model.
// The window and the batch runner both save and load through this class.
#pragma once

#include "io/cell_table.h"

#include <QString>
#include <QStringList>
#include <QVector>

class model_directory {
public:
    QString odeText;
    cell_table parameterSpecification;
    QVector<double> xLowerBound;
    QVector<double> xUpperBound;
    QStringList parameterNames;
    QString gText;
    QString gInverseText;
    QStringList variableNames;
    // Written only when writeScripts is set (a g inverse has been parsed).
    bool writeScripts = false;
    QString rScript;
    QString matlabScript;
    QString compartmentDiagramScript;
    cell_table initialCluster;
    cell_table doseEvents;
    cell_table observations;
    cell_table simulationParameters;
    cell_table simulationDoseEvents;
    QString simulationTimePoints;
    QVector<QVector<int>> jacobianStructure;
    QStringList computationLog;

    // Which of the files read by load were found.
    bool hasOdeText = false;
    bool hasDoseEvents = false;
    bool hasParameterSpecification = false;
    bool hasGText = false;
    bool hasGInverseText = false;
    bool hasInitialCluster = false;
    bool hasObservations = false;
    bool hasComputationLog = false;

    // Creates "compResult" and "model" in dir, writes the model files in their fixed order
    // and copies the seven defining files into "history/model <date>". Returns false, having
    // written nothing, when "model/ODE_expression.txt" cannot be created.
    bool save(const QString& dir) const;

    // Reads the files that define the model and the computation log. Missing files leave
    // their fields empty and their has-flag false; returns hasOdeText.
    bool load(const QString& dir);

    // File names inside a model directory.
    static QString odeTextFile(const QString& dir) { return dir + "/model/ODE_expression.txt"; }
};
