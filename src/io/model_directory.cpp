// Saving and loading the model folder of a model directory.
#include "io/model_directory.h"

#include "io/csv.h"

#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QTextStream>

namespace {

int columnCount(const cell_table& cells) {
    int columns = 0;
    for (const auto& row : cells) columns = std::max(columns, static_cast<int>(row.size()));
    return columns;
}

void writeText(const QString& file, const QString& text) {
    QFile f(file);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        qDebug() << "Error, unable to save" << file;
        return;
    }
    QTextStream out(&f);
    out << text;
}

// The file's lines joined by "\n" (no trailing newline); false when it cannot be opened.
bool readText(const QString& file, QString& text) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) return false;
    QTextStream in(&f);
    QStringList lines;
    while (!in.atEnd()) lines << in.readLine();
    text = lines.join("\n");
    return true;
}

} // namespace

bool model_directory::save(const QString& dir) const {
    QDir root(dir);
    root.mkdir("compResult");
    root.mkdir("model");

    QFile odeFile(odeTextFile(dir));
    if (!odeFile.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) return false;

    const QString m = dir + "/model";
    writeCellTable(m + "/parameter_specifications.csv", parameterSpecification,
                   columnCount(parameterSpecification));
    csvwrite(m + "/x_ul.csv", QVector<QVector<double>>{xLowerBound, xUpperBound});
    {
        QTextStream out(&odeFile);
        out << odeText;
    }
    odeFile.close();
    writeText(m + "/parameterNames.txt", parameterNames.join("\n"));
    writeText(m + "/reparaDefinition.txt", gText);
    writeText(m + "/reparaInverse.txt", gInverseText);
    writeText(m + "/variableNames.txt", variableNames.join("\n"));
    if (writeScripts) {
        writeText(m + "/rscript_ODE.R", rScript);
        writeText(m + "/matlab_ODE.m", matlabScript);
        writeText(m + "/rscript_compartmentDiagram.R", compartmentDiagramScript);
    }
    writeCellTable(m + "/initial_cluster.txt", initialCluster, columnCount(initialCluster));
    writeCellTable(m + "/dose_events.txt", doseEvents, columnCount(doseEvents));
    writeCellTable(m + "/observations.txt", observations, columnCount(observations));
    writeCellTable(m + "/simulationParameters.csv", simulationParameters,
                   columnCount(simulationParameters));
    writeCellTable(m + "/simulationDoseEvents.csv", simulationDoseEvents,
                   columnCount(simulationDoseEvents));
    writeText(m + "/simulationTimePoints.txt", simulationTimePoints);
    csvwrite(m + "/ODE_RHS_Jacobian_Structure.csv", jacobianStructure);

    // History copy of the files that define the model. Copies never overwrite: a second
    // save within the same second finds the folder and leaves its copies as they are.
    root.mkdir("history");
    const QString history =
        dir + "/history/model " + QDateTime::currentDateTimeUtc().toString(Qt::TextDate);
    QDir().mkpath(history);
    for (const char* name : {"/ODE_expression.txt", "/reparaDefinition.txt", "/reparaInverse.txt",
                             "/initial_cluster.txt", "/parameter_specifications.csv",
                             "/dose_events.txt", "/observations.txt"}) {
        QFile::copy(m + name, history + name);
    }
    return true;
}

bool model_directory::load(const QString& dir) {
    const QString m = dir + "/model";
    hasOdeText = readText(odeTextFile(dir), odeText);
    if (!hasOdeText) qDebug() << "could not find ODE_expression.txt file";
    hasDoseEvents = readCellTable(m + "/dose_events.txt", doseEvents);
    hasParameterSpecification =
        readCellTable(m + "/parameter_specifications.csv", parameterSpecification);
    hasGText = readText(m + "/reparaDefinition.txt", gText);
    if (!hasGText) qDebug() << "could not find reparaDefinition.txt file";
    hasGInverseText = readText(m + "/reparaInverse.txt", gInverseText);
    if (!hasGInverseText) qDebug() << "could not find reparaInverse.txt file";
    hasInitialCluster = readCellTable(m + "/initial_cluster.txt", initialCluster);
    hasObservations = readCellTable(m + "/observations.txt", observations);
    QString log;
    hasComputationLog = readText(dir + "/compResult/computation_log.txt", log);
    if (hasComputationLog)
        computationLog = log.split("\n");
    else
        qDebug() << "could not find computation_log.txt file";
    return hasOdeText;
}
