// Page 2, the dose table: every edited cell becomes part of its dose record, names used by
// dose expressions become parameters, and the table is mirrored into the simulation page.
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "model/event_cells.h"

#include <QSignalBlocker>

void MainWindow::colourCell(QTableWidgetItem* item, const event_cell_result& result) {
    if (result.textColour == event_cell_result::colour::unchanged) return;
    // Colouring the item is not an edit: the cell handler must not run again.
    const QSignalBlocker blocker(item->tableWidget());
    item->setForeground(result.textColour == event_cell_result::colour::red ? Qt::red : Qt::black);
}

void MainWindow::showCellResult(QTableWidgetItem* item, const event_cell_result& result) {
    colourCell(item, result);
    // The value an accepted expression gave is shown below the model's problems.
    const bool note = result.paneAction == event_cell_result::pane::show &&
                      result.textColour != event_cell_result::colour::red;
    displayError(note ? result.paneHtml : QString());
}

void MainWindow::on_tableWidget_doseEvents_itemChanged(QTableWidgetItem* item) {
    const int row = item->row();
    const int column = item->column();
    const QString text = item->text();

    showCellResult(item, model.setDoseCell(row, column, text));
    on_pushButton_raed_in_dose_events_clicked();

    // The simulation page starts from the same doses.
    mirrorDoseCellIntoSimulation(row, column, text);
}

void MainWindow::on_pushButton_raed_in_dose_events_clicked() {
    model.rebuildParameterNames();
    const QStringList& names = para.parameterNames;

    ui->lab_parameterNames->setText(QStringLiteral("Parameters: ") + names.join(QLatin1Char(' ')));
    ui->lab_variableNames->setText(QStringLiteral("Variables: ") +
                                   odeParser.variable_name.join(QLatin1Char(' ')));

    for (QTableWidget* t : {static_cast<QTableWidget*>(ui->tableWidget_parametersSpec),
                            static_cast<QTableWidget*>(ui->tableWidget_simulationParameters)}) {
        t->setRowCount(names.size());
        t->setVerticalHeaderLabels(names);
    }
    para.simulationExpressions.resize(names.size());
}

void MainWindow::on_pushButton_6_clicked() {
    ui->tableWidget_doseEvents->setRowCount(ui->tableWidget_doseEvents->rowCount() + 5);
}
