// The "model" folder of a model directory: the ODE text, the tables of the window as cell
// texts, the g(x) texts, names, bounds, the exported scripts and the Jacobian structure,
// in a fixed order, with a time-stamped history copy of the files that define the model.
// The settings of the computation page live in "model/run_settings.txt". Every file is
// replaced atomically (written to a temporary file, then renamed), so a failed save leaves
// the previous file intact. The window and the batch runner both save and load through
// this class.
#pragma once

#include "cnm/run_settings.h"
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
    run_settings runSettings;

    // Which of the files read by load were found.
    bool hasOdeText = false;
    bool hasDoseEvents = false;
    bool hasParameterSpecification = false;
    bool hasGText = false;
    bool hasGInverseText = false;
    bool hasInitialCluster = false;
    bool hasObservations = false;
    bool hasComputationLog = false;
    bool hasRunSettings = false;
    // After load: the model files the directory lacks, by name, in their loading order
    // ("initial_cluster.txt (a cluster was drawn)" for a missing cluster).
    QStringList missingModelFiles() const;

    // Creates "compResult" and "model" in dir, writes the model files in their fixed order
    // and copies the seven defining files into "history/model <date>". Returns true when
    // every file was written; otherwise the paths of the files (or folders) that could not
    // be written go to `failed`, and an unwritable "model" folder stops the save at once.
    bool save(const QString& dir, QStringList* failed = nullptr) const;

    // Reads the files that define the model, the simulation page's tables and time text,
    // the run settings and the computation log. Without simulationDoseEvents.csv the
    // simulation dose table is the dose table; a single blank in a simulation table (how a
    // cell without item is saved) reads as a cell without item.
    // Missing files leave their fields as they are and their has-flag false (the run
    // settings keep the defaults); returns hasOdeText.
    bool load(const QString& dir);

    // Whether files can be created in dir (an installed example may be read-only).
    static bool writable(const QString& dir);

    // File names inside a model directory.
    static QString odeTextFile(const QString& dir) { return dir + "/model/ODE_expression.txt"; }
    static QString runSettingsFile(const QString& dir) { return dir + "/model/run_settings.txt"; }
};
