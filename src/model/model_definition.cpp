// Changing a model cell by cell with the table rules, and building one from a directory.
#include "model/model_definition.h"

#include <QRegularExpression>

namespace {

QString plainText(const QString& html) {
    QString text = html;
    text.remove(QRegularExpression("<[^>]*>"));
    return text.trimmed();
}

// Messages of a cell that was rejected although the user wrote something into it.
void collectProblem(QStringList& problems, const char* file, int row, int column,
                    const QString& text, const event_cell_result& result) {
    if (result.textColour == event_cell_result::colour::red && !text.trimmed().isEmpty())
        problems << QString("%1 row %2 column %3: %4")
                        .arg(QLatin1String(file))
                        .arg(row + 1)
                        .arg(column + 1)
                        .arg(plainText(result.paneHtml));
}

} // namespace

void model_definition::rebuildParameterNames() {
    para.parameterNames =
        ::rebuildParameterNames(doseEvents, ode.parameter_name, doseParameterNames);
}

void model_definition::setOdeText(const QString& text) {
    ode.readText(text);
    ode.parse();
    rebuildParameterNames();
}

event_cell_result model_definition::setDoseCell(int row, int column, const QString& text) {
    const event_cell_result result =
        applyDoseCell(doseEvents, row, column, text, ode.variable_name);
    rebuildParameterNames();
    return result;
}

event_cell_result model_definition::setObservationCell(int row, int column, const QString& text) {
    return applyObservationCell(observationEvents, row, column, text, ode.variable_name,
                                para.parameterNames);
}

void model_definition::setDoseTable(const cell_table& cells) {
    for (int r = 0; r < cells.size(); ++r)
        for (int c = 0; c < cells[r].size(); ++c)
            if (!cells[r][c].isNull()) // no item, no edit
                collectProblem(problems, "dose_events.txt", r, c, cells[r][c],
                               setDoseCell(r, c, cells[r][c]));
}

void model_definition::setObservationTable(const cell_table& cells) {
    for (int r = 0; r < cells.size(); ++r)
        for (int c = 0; c < cells[r].size(); ++c)
            if (!cells[r][c].isNull())
                collectProblem(problems, "observations.txt", r, c, cells[r][c],
                               setObservationCell(r, c, cells[r][c]));
}

QStringList model_definition::setParameterTable(const cell_table& cells) {
    parameterTable = cells;
    QStringList messages = para.makeParameters(cellNumbers(cells), para.parameterNames);
    messages += para.errors;
    messages += setGText(para.gText.join("\n"));
    messages += setGInverseText(para.gInverseText.join("\n"));
    messages.removeDuplicates();
    return messages;
}

QStringList model_definition::setGText(const QString& text) {
    para.parseParameterExpressions(text);
    return para.errors;
}

QStringList model_definition::setGInverseText(const QString& text) {
    para.parseParameterExpressionsInverse(text);
    const QStringList parseMessages = para.errors;
    return parseMessages + redrawCluster();
}

QStringList model_definition::redrawCluster() {
    para.generateInitialCluster(cellNumbers(parameterTable), numInitCluster);
    return para.errors;
}

QStringList model_definition::setInitialCluster(const QVector<QVector<double>>& points) {
    para.setInitialCluster(points);
    return para.errors;
}

void model_definition::load(const model_directory& files) {
    const int clusterSize = numInitCluster;
    *this = model_definition();
    numInitCluster = clusterSize;

    setOdeText(files.odeText);
    for (const QString& e : ode.error_list)
        problems << "ODE_expression.txt: " + QString(e).replace('\n', ' ');
    if (files.hasDoseEvents) setDoseTable(files.doseEvents);
    if (files.hasParameterSpecification) {
        parameterTable = files.parameterSpecification;
        for (const QString& m :
             para.makeParameters(cellNumbers(parameterTable), para.parameterNames))
            problems << "parameter_specifications.csv: " + m;
        setGText(para.gText.join("\n"));
        setGInverseText(para.gInverseText.join("\n"));
    }
    if (files.hasGText) setGText(files.gText);
    if (files.hasGInverseText) setGInverseText(files.gInverseText);
    if (files.hasInitialCluster) {
        const QVector<QVector<double>> points = cellNumbers(files.initialCluster);
        if (points.isEmpty()) {
            para.initialCluster.clear();
            initialClusterLoaded = true;
        } else if (points[0].size() == para.gInverse.size()) {
            for (const QString& e : setInitialCluster(points))
                problems << "initial_cluster.txt: " + e;
            initialClusterLoaded = true;
        }
    }
    if (files.hasObservations) setObservationTable(files.observations);
}

QVector<double> model_definition::observedValues() const {
    QVector<double> y;
    for (const observation_event& o : observationEvents)
        if (o.isValid) y << o.value;
    return y;
}

bool model_definition::parametersComplete() const {
    int lines = 0;
    for (const QString& line : para.gText)
        if (!line.trimmed().isEmpty()) ++lines;
    return para.parameterNames.size() == lines;
}

QStringList model_definition::blockingErrors() const {
    QStringList out;
    for (const QString& e : ode.error_list)
        out << QString(e).replace('\n', ' ');
    if (ode.variable_name.isEmpty()) out << "The model has no ODE.";
    if (!parametersComplete())
        out << "Parameters are not specified correctly, Cluster Newton method cannot be run. "
               "Check Step 3.";
    if (observedValues().isEmpty()) out << "There is no valid observation.";
    if (para.initialCluster.isEmpty()) out << "The initial cluster is empty.";
    return out;
}

QList<model_ode> model_definition::buildModels(int count, double relativeTolerance,
                                               double absoluteTolerance) const {
    QList<model_ode> models;
    const model_ode prototype(ode, doseEvents, observationEvents, para);
    for (int i = 0; i < count; ++i) {
        model_ode m = prototype;
        m.relativeTolerance = relativeTolerance;
        m.absoluteTolerance = absoluteTolerance;
        m.parameterSpec.pointIndex = i;
        models.append(m);
    }
    return models;
}
