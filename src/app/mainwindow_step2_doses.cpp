// Page 2, the dose table: every edited cell becomes part of its dose record, names used by
// dose expressions become parameters, and the table is mirrored into the simulation page.
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "model/event_cells.h"

#include <QSignalBlocker>

void MainWindow::showCellResult(QTableWidgetItem* item, const event_cell_result& result) {
    if (result.textColour != event_cell_result::colour::unchanged) {
        // Colouring the item is not an edit: the cell handler must not run again.
        const QSignalBlocker blocker(item->tableWidget());
        item->setForeground(result.textColour == event_cell_result::colour::red ? Qt::red
                                                                                : Qt::black);
    }
    switch (result.paneAction) {
    case event_cell_result::pane::hide:
        ui->textEdit_error->clear();
        ui->textEdit_error->hide();
        break;
    case event_cell_result::pane::show:
        ui->textEdit_error->setHtml(result.paneHtml);
        ui->textEdit_error->show();
        break;
    case event_cell_result::pane::unchanged:
        break;
    }
}

void MainWindow::on_tableWidget_doseEvents_itemChanged(QTableWidgetItem* item) {
    const int row = item->row();
    const int column = item->column();
    const QString text = item->text();

    showCellResult(item, model.setDoseCell(row, column, text));
    on_pushButton_raed_in_dose_events_clicked();

    // The simulation page starts from the same doses.
    QTableWidget* simulation = ui->tableWidget_simulationDoseEvents;
    if (simulation->columnCount() <= column) simulation->setColumnCount(column + 1);
    if (simulation->rowCount() <= row) simulation->setRowCount(row + 1);
    simulation->setItem(row, column, new QTableWidgetItem(text));
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
