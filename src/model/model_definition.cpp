// Building a model from table cells with the window's cell rules.
#include "model/model_definition.h"

#include "model/event_cells.h"

#include <QRegularExpression>

namespace {

QString plainText(const QString& html) {
    QString text = html;
    text.remove(QRegularExpression("<[^>]*>"));
    return text.trimmed();
}

} // namespace

void model_definition::rebuildParameterNames() {
    para.parameterNames =
        ::rebuildParameterNames(doseEvents, ode.parameter_name, doseParameterNames);
}

void model_definition::setOdeText(const QString& text) {
    ode.readText(text);
    ode.parse();
    for (const QString& e : ode.error_list) problems << "ODE_expression.txt: " + QString(e).replace('\n', ' ');
    rebuildParameterNames();
}

void model_definition::setDoseTable(const cell_table& cells) {
    for (int r = 0; r < cells.size(); ++r) {
        for (int c = 0; c < cells[r].size(); ++c) {
            if (cells[r][c].isNull()) continue; // no item, no edit
            const event_cell_result result =
                applyDoseCell(doseEvents, r, c, cells[r][c], ode.variable_name);
            const bool blank = cells[r][c].trimmed().isEmpty();
            if (result.textColour == event_cell_result::colour::red && !blank)
                problems << QString("dose_events.txt row %1 column %2: %3")
                                .arg(r + 1)
                                .arg(c + 1)
                                .arg(plainText(result.paneHtml));
        }
    }
    rebuildParameterNames();
}

void model_definition::setParameterTable(const cell_table& cells) {
    parameterTable = cells;
    const QStringList names = para.parameterNames;
    const QStringList boundMessages = para.makeParameters(cellNumbers(cells), names);
    for (const QString& m : boundMessages) problems << "parameter_specifications.csv: " + m;
    setGText(para.gText.join("\n"));
    setGInverseText(para.gInverseText.join("\n"));
}

void model_definition::setGText(const QString& text) { para.parseParameterExpressions(text); }

void model_definition::setGInverseText(const QString& text) {
    para.parseParameterExpressionsInverse(text);
    redrawCluster();
}

void model_definition::redrawCluster() {
    para.generateInitialCluster(cellNumbers(parameterTable), numInitCluster);
}

void model_definition::setInitialCluster(const QVector<QVector<double>>& points) {
    const QStringList before = para.errors;
    para.setInitialCluster(points);
    if (para.errors != before)
        for (const QString& e : para.errors) problems << "initial_cluster.txt: " + e;
}

void model_definition::setObservationTable(const cell_table& cells) {
    for (int r = 0; r < cells.size(); ++r) {
        for (int c = 0; c < cells[r].size(); ++c) {
            if (cells[r][c].isNull()) continue;
            const event_cell_result result = applyObservationCell(
                observationEvents, r, c, cells[r][c], ode.variable_name, para.parameterNames);
            const bool blank = cells[r][c].trimmed().isEmpty();
            if (result.textColour == event_cell_result::colour::red && !blank)
                problems << QString("observations.txt row %1 column %2: %3")
                                .arg(r + 1)
                                .arg(c + 1)
                                .arg(plainText(result.paneHtml));
        }
    }
}

void model_definition::load(const model_directory& files) {
    setOdeText(files.odeText);
    if (files.hasDoseEvents) setDoseTable(files.doseEvents);
    if (files.hasParameterSpecification) setParameterTable(files.parameterSpecification);
    if (files.hasGText) setGText(files.gText);
    if (files.hasGInverseText) setGInverseText(files.gInverseText);
    if (files.hasInitialCluster && !files.initialCluster.isEmpty()) {
        const QVector<QVector<double>> points = cellNumbers(files.initialCluster);
        if (!points.isEmpty() && points[0].size() == para.gInverse.size())
            setInitialCluster(points);
    }
    if (files.hasObservations) setObservationTable(files.observations);
}

QVector<double> model_definition::observedValues() const {
    QVector<double> y;
    for (const observation_event& o : observationEvents)
        if (o.isValid) y << o.value;
    return y;
}

QStringList model_definition::blockingErrors() const {
    QStringList out;
    for (const QString& e : ode.error_list) out << QString(e).replace('\n', ' ');
    if (ode.variable_name.isEmpty()) out << "The model has no ODE.";
    if (para.parameterNames.size() != para.gText.size())
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
