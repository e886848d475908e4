// Cell rules of the simulation dose and parameter tables.
#include "simulation/simulation_cells.h"

#include <QRegularExpression>

#include <cmath>

namespace {

// The error pane's HTML as one plain line.
QString plainLine(const QString& html) {
    QString text = html;
    text.replace(QLatin1String("<br>"), QLatin1String(" "));
    text.remove(QRegularExpression(QStringLiteral("<[^>]*>")));
    return text.simplified();
}

} // namespace

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

QStringList applySimulationTables(QVector<dose_event>& simulationDoses, parameters& record,
                                  const cell_table& doseCells, const cell_table& parameterCells,
                                  const QStringList& odeVariables) {
    QStringList problems;
    const auto report = [&problems](const char* file, int row, int column, const QString& text,
                                    const event_cell_result& result) {
        if (result.textColour == event_cell_result::colour::red && !text.trimmed().isEmpty())
            problems << QStringLiteral("%1 row %2 column %3: %4")
                            .arg(QLatin1String(file))
                            .arg(row + 1)
                            .arg(column + 1)
                            .arg(plainLine(result.paneHtml));
    };
    for (int r = 0; r < doseCells.size(); ++r)
        for (int c = 0; c < doseCells[r].size(); ++c)
            if (!doseCells[r][c].isNull())
                report(
                    "simulationDoseEvents.csv", r, c, doseCells[r][c],
                    applySimulationDoseCell(simulationDoses, r, c, doseCells[r][c], odeVariables));
    for (int r = 0; r < parameterCells.size(); ++r) {
        const QString text = parameterCells[r].value(0);
        if (!text.isNull())
            report("simulationParameters.csv", r, 0, text,
                   applySimulationParameterCell(record, r, 0, text));
    }
    return problems;
}
