// The rules that turn one edited cell of the dose or observation table into its record:
// the test evaluation with random values, the flags, the colour of the cell and the text
// of the error pane. The window calls these from its cell slots and shows the result; the
// batch runner calls them while reading a model directory.
#pragma once

#include "model/dose_event.h"
#include "model/observation_event.h"

#include <QString>
#include <QStringList>
#include <QVector>

class odeTextParser;

// What an edited cell asks of the window.
struct event_cell_result {
    enum class colour { unchanged, black, red };
    enum class pane { unchanged, hide, show };

    colour textColour = colour::unchanged;
    // hide: hide and empty the error pane; show: show paneHtml in it.
    pane paneAction = pane::unchanged;
    QString paneHtml;

    bool accepted() const { return textColour == colour::black; }
};

// Dose table columns.
enum dose_column {
    doseTimeColumn = 0,
    doseCompartmentColumn,
    doseDosageColumn,
    doseDurationColumn,
    doseNoteColumn
};
// Observation table columns.
enum observation_column {
    observationTimeColumn = 0,
    observationExpressionColumn,
    observationValueColumn,
    observationNoteColumn
};

// The wording that tells the fit's dose table from the simulation's in the error pane.
struct dose_table_messages {
    // Opens every error message, before the 1-based row number.
    QString errorHeading;
    // Added to the time expression's errors when it does not evaluate.
    QString timeNotEvaluated;
};
// "<font color=red> Error in Dosing Table (" and "Could not evaluate the expression for the
// dosage time."
const dose_table_messages& doseTableMessages();
// "<font color=red> Error in Simulation Dosing Table (" and "Could not evaluate the tree."
const dose_table_messages& simulationDoseTableMessages();

// One random test value per name, each rand() / 2147483647.0, and the expression's value
// for them. NaN means the expression cannot be evaluated.
double testEvaluateCellExpression(const parser& expression);

// Applies the text of dose cell (row, column) to event; row is 0-based and only used in
// messages. The caller rebuilds the parameter lists afterwards (rebuildParameterNames),
// whatever the column. messages: which table the error pane names.
event_cell_result applyDoseCell(dose_event& event, int row, int column, const QString& text,
                                const QStringList& odeVariables,
                                const dose_table_messages& messages = doseTableMessages());
event_cell_result applyDoseCell(dose_event& event, int row, int column, const QString& text,
                                const odeTextParser& ode,
                                const dose_table_messages& messages = doseTableMessages());
// The same on the table's event list, which grows to row + 1 events when it is shorter.
event_cell_result applyDoseCell(QVector<dose_event>& doseEvents, int row, int column,
                                const QString& text, const QStringList& odeVariables,
                                const dose_table_messages& messages = doseTableMessages());

// A dose row takes part in the model when its time, compartment, dosage and duration
// cells were all accepted.
bool isDoseRowValid(const dose_event& event);

// Applies the text of observation cell (row, column) to event and updates its isValid.
event_cell_result applyObservationCell(observation_event& event, int row, int column,
                                       const QString& text, const QStringList& odeVariables,
                                       const QStringList& parameterNames);
// The same on the table's event list, which grows to row + 1 events when it is shorter.
event_cell_result applyObservationCell(QVector<observation_event>& observationEvents, int row,
                                       int column, const QString& text,
                                       const QStringList& odeVariables,
                                       const QStringList& parameterNames);

// Sets isValid of every dose event, collects the names used by valid dose expressions into
// doseParameterNames (sorted, without duplicates) and returns the full parameter-name list:
// the ODE parameters followed by the dose parameters, each name once.
QStringList rebuildParameterNames(QVector<dose_event>& doseEvents, const QStringList& odeParameters,
                                  QStringList& doseParameterNames);

// "y1=expression" lines of the valid observations, numbered by table row.
QString observationNamesText(const QVector<observation_event>& observationEvents);
