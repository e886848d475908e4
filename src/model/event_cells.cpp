// Cell rules of the dose and observation tables.
#include "model/event_cells.h"

#include "expr/parenthesis_check.h"
#include "model/odeTextParser.h"

#include <cmath>
#include <cstdlib>
#include <limits>

namespace {

using colour = event_cell_result::colour;
using pane = event_cell_result::pane;

const double kNaN = std::numeric_limits<double>::quiet_NaN();

event_cell_result acceptedHidingPane() {
    event_cell_result result;
    result.textColour = colour::black;
    result.paneAction = pane::hide;
    return result;
}

event_cell_result showing(colour textColour, const QString& html) {
    event_cell_result result;
    result.textColour = textColour;
    result.paneAction = pane::show;
    result.paneHtml = html;
    return result;
}

QString rowNumber(int row) {
    return QString::number(row + 1);
}

// A cell that does not evaluate, or whose parentheses do not pair up (which the forgiving
// evaluation would let pass), gets its message; the second case says what and where.
void appendCellProblems(const QString& text, bool notEvaluated, const QString& message,
                        QStringList& errors) {
    const parenthesis_check::problem unbalanced = parenthesis_check::inExpression(text);
    if (notEvaluated || unbalanced.found) errors.append(message);
    if (unbalanced.found) errors.append(unbalanced.describe());
}

// One numeric dose cell (time, dosage or duration): the expression keeps the names it
// uses itself; an expression of parameters is evaluated per parameter vector later.
event_cell_result applyDoseExpression(const QString& text, int row,
                                      const dose_table_messages& messages, const QString& heading,
                                      const QString& evaluationMessage, double& value,
                                      parser& expression, bool& dependsOnParameters, bool& ok) {
    expression = parser(text);
    expression.variable_name = expression.extract_variables();
    expression.error_list.clear();
    expression.generate_tree();
    const double tested = testEvaluateCellExpression(expression);
    appendCellProblems(text, std::isnan(tested), evaluationMessage, expression.error_list);
    ok = expression.error_list.isEmpty();

    if (!ok)
        return showing(colour::red, messages.errorHeading + rowNumber(row) + heading +
                                        expression.error_list.join(QStringLiteral("<br>")) +
                                        QStringLiteral("</font>"));
    if (!expression.variable_name.isEmpty()) {
        value = kNaN;
        dependsOnParameters = true;
        return acceptedHidingPane();
    }
    value = tested;
    dependsOnParameters = false;
    bool plainNumber = false;
    text.toDouble(&plainNumber);
    if (plainNumber) return acceptedHidingPane();
    return showing(colour::black,
                   expression.expression + QLatin1Char('=') + QString::number(value, 'g', 6));
}

// A time or value cell of the observation table: a number, or an expression without names.
event_cell_result applyObservationNumber(const QString& text, parser& temporary,
                                         const QVector<double>& testValues, int row,
                                         const QString& heading, double& value, bool& ok) {
    value = text.toDouble(&ok);
    if (ok) return acceptedHidingPane();
    temporary.generate_tree();
    const double evaluated = temporary.evaluate_tree(testValues);
    QStringList problems;
    appendCellProblems(text, std::isnan(evaluated),
                       QStringLiteral(" Expression could not be understood."), problems);
    if (!problems.isEmpty()) {
        value = kNaN;
        ok = false;
        return showing(colour::red, QStringLiteral("<font color=red> Error in Observation "
                                                   "Table (") +
                                        rowNumber(row) + heading + QStringLiteral("<br>") +
                                        problems.join(QStringLiteral("<br>")) +
                                        QStringLiteral("</font>"));
    }
    value = evaluated;
    ok = true;
    return showing(colour::black, text + QLatin1Char('=') + QString::number(value, 'g', 6));
}

} // namespace

const dose_table_messages& doseTableMessages() {
    static const dose_table_messages messages{
        QStringLiteral("<font color=red> Error in Dosing Table ("),
        QStringLiteral("Could not evaluate the expression for the dosage time.")};
    return messages;
}

const dose_table_messages& simulationDoseTableMessages() {
    static const dose_table_messages messages{
        QStringLiteral("<font color=red> Error in Simulation Dosing Table ("),
        QStringLiteral("Could not evaluate the tree.")};
    return messages;
}

double testEvaluateCellExpression(const parser& expression) {
    QVector<double> values(expression.variable_name.size());
    for (double& v : values)
        v = std::rand() / 2147483647.0;
    return expression.evaluate_tree(values);
}

event_cell_result applyDoseCell(dose_event& event, int row, int column, const QString& text,
                                const QStringList& odeVariables,
                                const dose_table_messages& messages) {
    switch (column) {
    case doseTimeColumn:
        return applyDoseExpression(text, row, messages, QStringLiteral("th row Time):<br>"),
                                   messages.timeNotEvaluated, event.time, event.timeExpression,
                                   event.timeDependsOnParameters, event.timeOk);
    case doseDosageColumn:
        return applyDoseExpression(text, row, messages, QStringLiteral("th row Dosage):<br>"),
                                   QStringLiteral("Could not evaluate the tree."), event.dosage,
                                   event.dosageExpression, event.dosageDependsOnParameters,
                                   event.dosageOk);
    case doseDurationColumn:
        return applyDoseExpression(text, row, messages, QStringLiteral("th row Duration):<br>"),
                                   QStringLiteral("Could not evaluate the tree."), event.duration,
                                   event.durationExpression, event.durationDependsOnParameters,
                                   event.durationOk);
    case doseCompartmentColumn: {
        // "Central liver" names the compartment Central.
        const QStringList words = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        event.compartment = words.isEmpty() ? text : words.first();
        event.determineCompartment(odeVariables);
        if (event.compartmentErrors.isEmpty()) return acceptedHidingPane();
        return showing(colour::red, messages.errorHeading + rowNumber(row) +
                                        QStringLiteral("th row Compartment):<br>") +
                                        event.compartmentErrors.join(QStringLiteral("<br>")) +
                                        QStringLiteral("</font>"));
    }
    default:
        return event_cell_result(); // the note is not interpreted
    }
}

event_cell_result applyDoseCell(dose_event& event, int row, int column, const QString& text,
                                const odeTextParser& ode, const dose_table_messages& messages) {
    return applyDoseCell(event, row, column, text, ode.variable_name, messages);
}

event_cell_result applyDoseCell(QVector<dose_event>& doseEvents, int row, int column,
                                const QString& text, const QStringList& odeVariables,
                                const dose_table_messages& messages) {
    if (row < 0) return event_cell_result();
    if (doseEvents.size() <= row) doseEvents.resize(row + 1);
    return applyDoseCell(doseEvents[row], row, column, text, odeVariables, messages);
}

bool isDoseRowValid(const dose_event& event) {
    return event.timeOk && event.compartmentFound && event.dosageOk && event.durationOk;
}

event_cell_result applyObservationCell(observation_event& event, int row, int column,
                                       const QString& text, const QStringList& odeVariables,
                                       const QStringList& parameterNames) {
    parser temporary(text);
    QVector<double> testValues(odeVariables.size() + parameterNames.size());
    for (double& v : testValues)
        v = std::rand() / 2147483647.0;

    event_cell_result result;
    switch (column) {
    case observationTimeColumn:
        result = applyObservationNumber(text, temporary, testValues, row,
                                        QStringLiteral("th row Time):"), event.time, event.timeOk);
        break;
    case observationValueColumn:
        result =
            applyObservationNumber(text, temporary, testValues, row,
                                   QStringLiteral("th row Value):"), event.value, event.valueOk);
        break;
    case observationExpressionColumn: {
        // Model evaluation relies on this order: ODE variables, then parameters.
        parser& expression = event.observedExpression;
        expression = parser(text);
        expression.variable_name = odeVariables + parameterNames;
        expression.error_list.clear();
        expression.generate_tree();
        appendCellProblems(text, std::isnan(expression.evaluate_tree(testValues)),
                           QStringLiteral("Could not evaluate the tree."), expression.error_list);
        event.observedExpressionOk = expression.error_list.isEmpty();
        if (event.observedExpressionOk)
            result = acceptedHidingPane();
        else
            result = showing(colour::red,
                             QStringLiteral("<font color=red> Error in Observation Table (") +
                                 rowNumber(row) + QStringLiteral("th row Compartment):<br>") +
                                 expression.error_list.join(QStringLiteral("<br>")) +
                                 QStringLiteral("</font>"));
        break;
    }
    default:
        break; // the note is not interpreted
    }
    event.isValid = event.valueOk && event.timeOk && event.observedExpressionOk;
    return result;
}

event_cell_result applyObservationCell(QVector<observation_event>& observationEvents, int row,
                                       int column, const QString& text,
                                       const QStringList& odeVariables,
                                       const QStringList& parameterNames) {
    if (row < 0) return event_cell_result();
    if (observationEvents.size() <= row) observationEvents.resize(row + 1);
    return applyObservationCell(observationEvents[row], row, column, text, odeVariables,
                                parameterNames);
}

QStringList rebuildParameterNames(QVector<dose_event>& doseEvents, const QStringList& odeParameters,
                                  QStringList& doseParameterNames) {
    doseParameterNames.clear();
    for (dose_event& event : doseEvents) {
        event.isValid = isDoseRowValid(event);
        if (!event.isValid) continue;
        for (const parser* expression :
             {&event.timeExpression, &event.dosageExpression, &event.durationExpression})
            doseParameterNames.append(expression->variable_name);
    }
    doseParameterNames.removeDuplicates();
    doseParameterNames.sort();

    QStringList parameterNames = odeParameters + doseParameterNames;
    parameterNames.removeDuplicates();
    return parameterNames;
}

QString observationNamesText(const QVector<observation_event>& observationEvents) {
    QString text;
    for (int row = 0; row < observationEvents.size(); ++row) {
        const observation_event& event = observationEvents.at(row);
        if (event.isValid)
            text += QLatin1Char('y') + QString::number(row + 1) + QLatin1Char('=') +
                    event.observedExpression.expression + QLatin1Char('\n');
    }
    return text;
}
