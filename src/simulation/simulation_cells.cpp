// Cell rules of the simulation dose and parameter tables.
#include "simulation/simulation_cells.h"

#include <cmath>

event_cell_result applySimulationDoseCell(QVector<dose_event>& simulationDoses, int row, int column,
                                          const QString& text, const QStringList& odeVariables) {
    const event_cell_result result = applyDoseCell(simulationDoses, row, column, text, odeVariables,
                                                   simulationDoseTableMessages());
    if (row >= 0) simulationDoses[row].isValid = isDoseRowValid(simulationDoses[row]);
    return result;
}

event_cell_result applySimulationParameterCell(parameters& record, int row, int column,
                                               const QString& text) {
    event_cell_result result;
    if (row < 0 || column != 0) return result;
    if (record.simulationExpressions.size() <= row) record.simulationExpressions.resize(row + 1);

    const bool empty = text.trimmed().isEmpty();
    parser& expression = record.simulationExpressions[row];
    expression =
        parser(empty && row < record.parameterNames.size() ? record.parameterNames[row] : text);
    expression.variable_name = record.parameterNames;
    expression.error_list.clear();
    expression.generate_tree();
    const double tested = testEvaluateCellExpression(expression);
    if (std::isnan(tested))
        expression.error_list << QStringLiteral(
            "Could not evaluate the simulation parameter expression.");

    if (!expression.error_list.isEmpty()) {
        result.textColour = event_cell_result::colour::red;
        result.paneAction = event_cell_result::pane::show;
        result.paneHtml = QStringLiteral("<font color=red> Error in Simulation Parameter Table "
                                         "</font>");
        return result;
    }
    result.textColour = event_cell_result::colour::black;
    bool plainNumber = false;
    text.toDouble(&plainNumber);
    if (plainNumber || empty) {
        result.paneAction = event_cell_result::pane::hide;
    } else {
        result.paneAction = event_cell_result::pane::show;
        result.paneHtml =
            expression.expression + QLatin1Char('=') + QString::number(tested, 'g', 6);
    }
    return result;
}
