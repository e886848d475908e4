// The cell rules of the simulation page's two tables: the simulation dose table (the rules
// of the fit's dose table, with its own messages) and the simulation parameter table (one
// optional expression of the found parameters per parameter).
#pragma once

#include "io/cell_table.h"
#include "model/event_cells.h"
#include "model/parameters.h"

#include <QString>
#include <QStringList>
#include <QVector>

// Applies the text of simulation dose cell (row, column): the dose table's rules, with
// "<font color=red> Error in Simulation Dosing Table (" opening its messages and "Could not
// evaluate the tree." for a time that does not evaluate. The list grows to row + 1 events;
// the row's isValid is brought up to date (nothing else is rebuilt).
event_cell_result applySimulationDoseCell(QVector<dose_event>& simulationDoses, int row, int column,
                                          const QString& text, const QStringList& odeVariables);

// Applies the text of simulation parameter cell (row, column 0) to
// record.simulationExpressions, which grows to row + 1 entries. An empty cell stands for the
// parameter's name: the found value is kept. The expression is over the parameter names
// and test-evaluated with random values in [0, 1]; NaN (an unknown name, bad syntax) adds
// "Could not evaluate the simulation parameter expression." and gives red text with the
// pane "<font color=red> Error in Simulation Parameter Table </font>". An accepted plain
// number hides the pane; an accepted expression shows "expression=value". Other columns
// and a negative row change nothing.
event_cell_result applySimulationParameterCell(parameters& record, int row, int column,
                                               const QString& text);

// Applies the saved simulation tables as the window's cell handlers apply them when the
// tables are filled: every cell with an item (a null text has none) of the dose table, row
// by row, into simulationDoses, and column 0 of the parameter table into
// record.simulationExpressions. Returns one plain line per rejected cell that is not blank,
// naming the table's file, the 1-based row and column, and the message.
QStringList applySimulationTables(QVector<dose_event>& simulationDoses, parameters& record,
                                  const cell_table& doseCells, const cell_table& parameterCells,
                                  const QStringList& odeVariables);
