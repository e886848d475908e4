// Saving and loading the model folder of a model directory.
#include "io/model_directory.h"

#include "io/csv.h"
#include "io/history_folder.h"
#include "io/log_categories.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryFile>
#include <QTextStream>

namespace {

int columnCount(const cell_table& cells) {
    int columns = 0;
    for (const auto& row : cells)
        columns = std::max(columns, static_cast<int>(row.size()));
    return columns;
}

// Replaces the file atomically; a failure is added to `failed`.
void writeFile(const QString& file, const QByteArray& content, QStringList& failed) {
    QSaveFile f(file);
    if (!f.open(QIODevice::WriteOnly) || f.write(content) != content.size() || !f.commit()) {
        qCDebug(lcIo) << "Error, unable to save" << file;
        failed << file;
    }
}

void writeText(const QString& file, const QString& text, QStringList& failed) {
    writeFile(file, text.toUtf8(), failed);
}

void writeCells(const QString& file, const cell_table& cells, QStringList& failed) {
    writeText(file, cellTableText(cells, columnCount(cells)), failed);
}

// The simulation tables are mostly cells without item (a parameter keeps its found value),
// which the table dialect writes as a single blank: they open without item again.
void restoreMissingCells(cell_table& cells) {
    for (QVector<QString>& row : cells)
        for (QString& cell : row)
            if (cell == QLatin1String(" ")) cell = QString();
}

// The file's lines joined by "\n" (no trailing newline); false when it cannot be opened.
bool readText(const QString& file, QString& text) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) return false;
    QTextStream in(&f);
    in.setCodec("UTF-8"); // as every model file is written
    QStringList lines;
    while (!in.atEnd())
        lines << in.readLine();
    text = lines.join("\n");
    return true;
}

} // namespace

bool model_directory::save(const QString& dir, QStringList* failedFiles) const {
    QStringList failed;
    QDir root(dir);
    const QString m = dir + "/model";
    if (!root.mkpath("compResult")) failed << dir + "/compResult";
    if (!root.mkpath("model")) {
        failed << m;
        if (failedFiles) *failedFiles = failed;
        return false;
    }

    writeCells(m + "/parameter_specifications.csv", parameterSpecification, failed);
    writeFile(m + "/x_ul.csv", csvText(QVector<QVector<double>>{xLowerBound, xUpperBound}), failed);
    writeText(odeTextFile(dir), odeText, failed);
    writeText(m + "/parameterNames.txt", parameterNames.join("\n"), failed);
    writeText(m + "/reparaDefinition.txt", gText, failed);
    writeText(m + "/reparaInverse.txt", gInverseText, failed);
    writeText(m + "/variableNames.txt", variableNames.join("\n"), failed);
    if (writeScripts) {
        writeText(m + "/rscript_ODE.R", rScript, failed);
        writeText(m + "/matlab_ODE.m", matlabScript, failed);
        writeText(m + "/rscript_compartmentDiagram.R", compartmentDiagramScript, failed);
    }
    writeCells(m + "/initial_cluster.txt", initialCluster, failed);
    writeCells(m + "/dose_events.txt", doseEvents, failed);
    writeCells(m + "/observations.txt", observations, failed);
    writeCells(m + "/simulationParameters.csv", simulationParameters, failed);
    writeCells(m + "/simulationDoseEvents.csv", simulationDoseEvents, failed);
    writeText(m + "/simulationTimePoints.txt", simulationTimePoints, failed);
    writeFile(m + "/ODE_RHS_Jacobian_Structure.csv", csvText(jacobianStructure), failed);
    writeText(runSettingsFile(dir), runSettings.toText(), failed);

    // History copy of the files that define the model, into a folder of its own, so a
    // second save within the same second keeps its copies too.
    const QString history = newHistoryFolder(dir, QStringLiteral("model "), false);
    for (const char* name : {"/ODE_expression.txt", "/reparaDefinition.txt", "/reparaInverse.txt",
                             "/initial_cluster.txt", "/parameter_specifications.csv",
                             "/dose_events.txt", "/observations.txt"}) {
        if (history.isEmpty() || !QFile::copy(m + name, history + name))
            qCDebug(lcIo) << "Error, unable to keep a history copy of" << m + name;
    }
    if (failedFiles) *failedFiles = failed;
    return failed.isEmpty();
}

QStringList model_directory::missingModelFiles() const {
    const struct {
        bool found;
        const char* file;
    } files[] = {{hasDoseEvents, "dose_events.txt"},
                 {hasParameterSpecification, "parameter_specifications.csv"},
                 {hasGText, "reparaDefinition.txt"},
                 {hasGInverseText, "reparaInverse.txt"},
                 {hasInitialCluster, "initial_cluster.txt (a cluster was drawn)"},
                 {hasObservations, "observations.txt"}};
    QStringList missing;
    for (const auto& f : files)
        if (!f.found) missing << QLatin1String(f.file);
    return missing;
}

bool model_directory::writable(const QString& dir) {
    if (dir.isEmpty() || !QDir(dir).exists()) return false;
    QTemporaryFile probe(dir + "/.velmora-write-XXXXXX");
    return probe.open();
}

bool model_directory::load(const QString& dir) {
    const QString m = dir + "/model";
    hasOdeText = readText(odeTextFile(dir), odeText);
    if (!hasOdeText) qCDebug(lcIo) << "could not find ODE_expression.txt file";
    hasDoseEvents = readCellTable(m + "/dose_events.txt", doseEvents);
    hasParameterSpecification =
        readCellTable(m + "/parameter_specifications.csv", parameterSpecification);
    hasGText = readText(m + "/reparaDefinition.txt", gText);
    if (!hasGText) qCDebug(lcIo) << "could not find reparaDefinition.txt file";
    hasGInverseText = readText(m + "/reparaInverse.txt", gInverseText);
    if (!hasGInverseText) qCDebug(lcIo) << "could not find reparaInverse.txt file";
    hasInitialCluster = readCellTable(m + "/initial_cluster.txt", initialCluster);
    hasObservations = readCellTable(m + "/observations.txt", observations);
    if (readCellTable(m + "/simulationParameters.csv", simulationParameters))
        restoreMissingCells(simulationParameters);
    // Without its own table the simulation starts from the fit's doses, as the window's
    // copy of every dose cell does.
    if (readCellTable(m + "/simulationDoseEvents.csv", simulationDoseEvents))
        restoreMissingCells(simulationDoseEvents);
    else
        simulationDoseEvents = doseEvents;
    readText(m + "/simulationTimePoints.txt", simulationTimePoints);
    QString settings;
    hasRunSettings = readText(runSettingsFile(dir), settings);
    runSettings = hasRunSettings ? run_settings::fromText(settings) : run_settings();
    QString log;
    hasComputationLog = readText(dir + "/compResult/computation_log.txt", log);
    if (hasComputationLog)
        computationLog = log.split("\n");
    else
        qCDebug(lcIo) << "could not find computation_log.txt file";
    return hasOdeText;
}
