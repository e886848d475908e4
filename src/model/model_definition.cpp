// Changing a model cell by cell with the table rules, and building one from a directory.
#include "model/model_definition.h"

#include "model/name_warnings.h"

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

// Keeps the pane message of a rejected non-blank cell; any other edit of the cell drops it.
void recordCell(QMap<QPair<int, int>, QString>& messages, int row, int column, const QString& text,
                const event_cell_result& result) {
    const QPair<int, int> cell(row, column);
    if (result.textColour == event_cell_result::colour::red && !text.trimmed().isEmpty())
        messages.insert(cell, result.paneHtml);
    else
        messages.remove(cell);
}

const char* const incompleteParameters =
    "Parameters are not specified correctly, Cluster Newton method cannot be run. Check Step 3.";

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
    recordCell(doseCellMessages, row, column, text, result);
    rebuildParameterNames();
    return result;
}

event_cell_result model_definition::setObservationCell(int row, int column, const QString& text) {
    const event_cell_result result = applyObservationCell(observationEvents, row, column, text,
                                                          ode.variable_name, para.parameterNames);
    recordCell(observationCellMessages, row, column, text, result);
    return result;
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
    boundMessages = para.makeParameters(cellNumbers(cells), para.parameterNames);
    QStringList messages = boundMessages + para.errors;
    messages += setGText(para.gText.join("\n"));
    messages += setGInverseText(para.gInverseText.join("\n"));
    messages.removeDuplicates();
    return messages;
}

QStringList model_definition::setGText(const QString& text) {
    para.parseParameterExpressions(text);
    gMessages = para.errors;
    return gMessages;
}

QStringList model_definition::setGInverseText(const QString& text) {
    para.parseParameterExpressionsInverse(text);
    gInverseMessages = para.errors;
    return gInverseMessages + redrawCluster();
}

QStringList model_definition::redrawCluster() {
    para.generateInitialCluster(cellNumbers(parameterTable), numInitCluster);
    clusterMessages = para.errors;
    return clusterMessages;
}

QStringList model_definition::setInitialCluster(const QVector<QVector<double>>& points) {
    para.setInitialCluster(points);
    clusterMessages = para.errors;
    return clusterMessages;
}

QStringList model_definition::checkParameterTable(const cell_table& cells) {
    parameters scratch;
    scratch.checkDoIandBounds(cellNumbers(cells), para.parameterNames);
    boundMessages = scratch.errors;
    return boundMessages;
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
        boundMessages = para.makeParameters(cellNumbers(parameterTable), para.parameterNames);
        for (const QString& m : qAsConst(boundMessages))
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
    if (!parametersComplete()) out << QLatin1String(incompleteParameters);
    if (observedValues().isEmpty()) out << "There is no valid observation.";
    if (para.initialCluster.isEmpty()) out << "The initial cluster is empty.";
    return out;
}

QVector<model_problem> model_definition::currentProblems() const {
    using part = model_problem::part;
    QVector<model_problem> out;
    const auto add = [&out](part where, const QString& message, bool warning = false) {
        model_problem p;
        p.where = where;
        p.warning = warning;
        p.message = message;
        out << p;
    };
    const auto addCells = [&out](part where, const QMap<QPair<int, int>, QString>& cells) {
        for (auto it = cells.cbegin(); it != cells.cend(); ++it) {
            model_problem p;
            p.where = where;
            p.row = it.key().first;
            p.column = it.key().second;
            p.html = it.value();
            p.message = plainText(QString(it.value()).replace("<br>", "\n"));
            out << p;
        }
    };

    for (const QString& e : ode.error_list)
        add(part::ode, e);

    // A typo such as 12h in a dose cell silently adds a parameter.
    QStringList doseOnly;
    for (const QString& name : doseParameterNames)
        if (!ode.parameter_name.contains(name)) doseOnly << name;
    if (!doseOnly.isEmpty()) {
        const int parameterCount = ode.parameter_name.size() + doseOnly.size();
        const bool rowsMissing =
            !parameterTable.isEmpty() && parameterTable.size() != parameterCount;
        add(part::doses,
            QString("The dose cells use %1, which the ODEs do not; %2 parameter%3 of the model "
                    "and need%4 a row in the parameter table.")
                .arg(doseOnly.join(", "), doseOnly.size() == 1 ? "it becomes a" : "they become",
                     doseOnly.size() == 1 ? "" : "s", doseOnly.size() == 1 ? "s" : ""),
            !rowsMissing);
    }
    addCells(part::doses, doseCellMessages);

    QStringList seen;
    const struct {
        part where;
        const QStringList& messages;
    } parameterParts[] = {{part::parameterTable, boundMessages},
                          {part::transformation, gMessages},
                          {part::inverseTransformation, gInverseMessages},
                          {part::initialCluster, clusterMessages}};
    for (const auto& p : parameterParts)
        for (const QString& m : p.messages)
            if (!seen.contains(m)) {
                seen << m;
                add(p.where, m);
            }
    if (!parameterTable.isEmpty() && !parametersComplete() &&
        !seen.contains(QLatin1String(incompleteParameters)))
        add(part::transformation, QLatin1String(incompleteParameters));

    addCells(part::observations, observationCellMessages);

    for (const QString& w : name_warnings::capitalsOnly(ode.variable_name, para.parameterNames))
        add(part::ode, w, true);
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
