// Page 7, the simulation with found parameters and new doses: the two tables, the time
// text, the run over the parameter sets that page 6 shows, the curves or their prediction
// band with the measured values, and the CSV file. The simulation, its figure and its file
// come from the core (src/simulation/); the plot painter draws.
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "cnm/result_plots.h"
#include "simulation/simulation_cells.h"
#include "simulation/simulation_figure.h"
#include "simulation/simulation_time_text.h"
#include "ui/plot_painter.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QSignalBlocker>
#include <QStatusBar>

namespace {

// Status messages stay until the next one replaces them.
const int statusTimeout = 0;

} // namespace

QStringList MainWindow::readSimulationTimeText() {
    const simulation_time_points parsed =
        parseSimulationTimeText(ui->lineEdit_simulationTimePoints->text());
    simulationTimePoints = parsed.points;
    return parsed.messages;
}

void MainWindow::on_lineEdit_simulationTimePoints_editingFinished() {
    const QStringList messages = readSimulationTimeText();
    if (!messages.isEmpty())
        statusBar()->showMessage(messages.join(QLatin1Char(' ')), statusTimeout);
}

void MainWindow::on_pushButton_computeSimulation_clicked() {
    // The time text as it stands, also when the button is pressed without leaving the field.
    const QStringList timeMessages = readSimulationTimeText();

    simulation_setup setup;
    setup.ode = odeParser;
    setup.parameterRecord = para;
    setup.doses = simulationDoseEvents;
    setup.timePoints = simulationTimePoints;
    setSimulationTolerances(setup, currentRunSettings());

    const int k = ui->spinBox_iterationNumber->value();
    const QVector<int> shown =
        plotDisplayIndex(computationResult, k, ui->spinBox_percentile->value());
    QApplication::setOverrideCursor(Qt::WaitCursor);
    simulationRun = runSimulation(setup, computationResult, k, shown);
    QApplication::restoreOverrideCursor();
    const QStringList problems = timeMessages + redraw_simulation_ODE_variable_Plot();
    if (!problems.isEmpty())
        statusBar()->showMessage(problems.join(QLatin1Char(' ')), statusTimeout);
    else
        statusBar()->showMessage(
            tr("Simulated %1 parameter sets of iteration %2 at %3 time points.")
                .arg(simulationRun.points.size())
                .arg(k)
                .arg(simulationRun.timePoints.size()),
            statusTimeout);
}

QStringList MainWindow::redraw_simulation_ODE_variable_Plot() {
    const QString expression = ui->lineEdit_simulationVariable->text();
    simulationResult = simulationView(simulationRun, expression);
    const plot_figure figure =
        simulationFigure(simulationResult, ui->checkBox_simulationBand->isChecked(),
                         ui->checkBox_ode_simulation_sol_y_log->isChecked(),
                         measuredValuesOf(observationEvents, expression));
    painter_simulation->draw(figure);
    ui->pushButton_saveSimulationAsCSV->setEnabled(!simulationResult.isEmpty());

    if (!simulationResult.paneHtml.isEmpty()) {
        ui->textEdit_error->setHtml(simulationResult.paneHtml);
        ui->textEdit_error->show();
    } else if (ui->textEdit_error->toPlainText().contains(
                   QLatin1String("simulation valiable expression"))) {
        // The expression's earlier complaint no longer holds; other pages' messages stay.
        ui->textEdit_error->clear();
        ui->textEdit_error->hide();
    }
    QStringList status = simulationResult.problems;
    if (!figure.message.isEmpty()) status << figure.message;
    if (!status.isEmpty()) statusBar()->showMessage(status.join(QLatin1Char(' ')), statusTimeout);
    return status;
}

void MainWindow::on_lineEdit_simulationVariable_editingFinished() {
    redraw_simulation_ODE_variable_Plot();
}

void MainWindow::on_checkBox_ode_simulation_sol_y_log_stateChanged(int state) {
    Q_UNUSED(state);
    redraw_simulation_ODE_variable_Plot();
}

void MainWindow::on_checkBox_simulationBand_stateChanged(int state) {
    Q_UNUSED(state);
    redraw_simulation_ODE_variable_Plot();
}

void MainWindow::on_pushButton_increaseSimulationDose_clicked() {
    ui->tableWidget_simulationDoseEvents->setRowCount(
        ui->tableWidget_simulationDoseEvents->rowCount() + 5);
}

void MainWindow::on_tableWidget_simulationDoseEvents_itemChanged(QTableWidgetItem* item) {
    showCellResult(item, applySimulationDoseCell(simulationDoseEvents, item->row(), item->column(),
                                                 item->text(), odeParser.variable_name));
}

void MainWindow::mirrorDoseCellIntoSimulation(int row, int column, const QString& text) {
    QTableWidget* simulation = ui->tableWidget_simulationDoseEvents;
    const QSignalBlocker blocker(simulation);
    if (simulation->columnCount() <= column) simulation->setColumnCount(column + 1);
    if (simulation->rowCount() <= row) simulation->setRowCount(row + 1);
    auto* item = new QTableWidgetItem(text);
    simulation->setItem(row, column, item);
    // The copy is coloured like the simulation page's own cells, but the error pane keeps the
    // dose table's message: that is the table the user edited.
    colourCell(item, applySimulationDoseCell(simulationDoseEvents, row, column, text,
                                             odeParser.variable_name));
}

void MainWindow::applySavedSimulationTables(const model_directory& files) {
    simulationDoseEvents.clear();
    model.problems << applySimulationTables(simulationDoseEvents, para, files.simulationDoseEvents,
                                            files.simulationParameters, odeParser.variable_name);
    simulationRun = simulation_run();
    redraw_simulation_ODE_variable_Plot();
}

void MainWindow::on_tableWidget_simulationParameters_itemChanged(QTableWidgetItem* item) {
    showCellResult(item,
                   applySimulationParameterCell(para, item->row(), item->column(), item->text()));
}

void MainWindow::on_pushButton_saveSimulationAsCSV_clicked() {
    if (simulationResult.isEmpty()) return;
    const QString name = simulationCsvFileName(ui->lineEdit_simulationVariable->text(),
                                               ui->checkBox_simulationBand->isChecked());
    const QString proposed = modelDirectory.isEmpty() ? name : QDir(modelDirectory).filePath(name);
    const QString file = QFileDialog::getSaveFileName(this, tr("Save .csv file"), proposed,
                                                      tr("csv file (*.csv);;All Files (*)"));
    // A cancelled dialog writes nothing.
    if (!file.isEmpty()) saveSimulationAsCSV(file);
}

bool MainWindow::saveSimulationAsCSV(const QString& file) {
    const bool saved =
        writeSimulationCsv(file, simulationResult, ui->checkBox_simulationBand->isChecked());
    statusBar()->showMessage(
        saved ? tr("Saved %1").arg(file) : tr("Error, unable to save %1").arg(file), statusTimeout);
    return saved;
}
