// Page 4, the observation table and the Observation menu that fills it from the
// clipboard, copies the observed expression down, log-transforms the values and undoes
// the last of these actions.
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "io/clipboard_text.h"
#include "model/event_cells.h"
#include "ui/table_utils.h"

#include <QApplication>
#include <QClipboard>

void MainWindow::on_tableWidget_observations_itemChanged(QTableWidgetItem* item) {
    showCellResult(item, model.setObservationCell(item->row(), item->column(), item->text()));
    ui->textBrowser_y_names->setPlainText(observationNamesText(observationEvents));
}

void MainWindow::on_pushButton_increaseObsRows_clicked() {
    ui->tableWidget_observations->setRowCount(ui->tableWidget_observations->rowCount() + 10);
}

void MainWindow::pasteIntoObservationColumn(int column) {
    QTableWidget* table = ui->tableWidget_observations;
    observationTableSnapshot = tableReadString(table);

    const QStringList parts =
        clipboard_text::cells(QApplication::clipboard()->text(QClipboard::Clipboard), true);
    if (parts.size() > table->rowCount()) table->setRowCount(parts.size());
    for (int i = 0; i < parts.size(); ++i)
        table->setItem(i, column, new QTableWidgetItem(parts[i]));
}

void MainWindow::menu_pasteObservationTime() {
    pasteIntoObservationColumn(0);
}

void MainWindow::menu_pasteObservationVariable() {
    pasteIntoObservationColumn(1);
}

void MainWindow::menu_pasteObservationValue() {
    pasteIntoObservationColumn(2);
}

void MainWindow::menu_fillObservationVariable() {
    QTableWidget* table = ui->tableWidget_observations;
    observationTableSnapshot = tableReadString(table);
    if (table->rowCount() == 0 || !table->item(0, 1)) return;
    const QString text = table->item(0, 1)->text();
    for (int r = 0; r < table->rowCount(); ++r)
        table->setItem(r, 1, new QTableWidgetItem(text));
}

void MainWindow::menu_log10Value() {
    QTableWidget* table = ui->tableWidget_observations;
    observationTableSnapshot = tableReadString(table);
    for (int r = 0; r < table->rowCount(); ++r) {
        const QTableWidgetItem* value = table->item(r, 2);
        if (value && !value->text().isEmpty())
            table->setItem(r, 2,
                           new QTableWidgetItem(QStringLiteral("LOG10(") + value->text() +
                                                QStringLiteral(")")));
    }
}

void MainWindow::menu_undoObservation() {
    if (observationTableSnapshot.isEmpty()) return;
    tableDisplay(ui->tableWidget_observations, observationTableSnapshot);
}
