// Saving the model to a directory (Save, Save As, and at every launch) and opening a saved
// one. The files and their order belong to the core's model_directory; the model opened is
// built by model_definition::load, the same path velmora-batch takes.
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "model/script_export.h"
#include "ui/table_utils.h"

#include <QDir>
#include <QMessageBox>
#include <QSignalBlocker>
#include <QStatusBar>

cell_table tableCells(const QTableWidget* table) {
    cell_table cells(table->rowCount(), QVector<QString>(table->columnCount()));
    for (int r = 0; r < table->rowCount(); ++r)
        for (int c = 0; c < table->columnCount(); ++c)
            if (const QTableWidgetItem* item = table->item(r, c)) cells[r][c] = item->text();
    return cells;
}

void showCells(QTableWidget* table, const cell_table& cells) {
    const QSignalBlocker blocker(table);
    table->clearContents();
    int columns = table->columnCount();
    for (const auto& row : cells)
        columns = std::max(columns, static_cast<int>(row.size()));
    table->setColumnCount(columns);
    table->setRowCount(cells.size());
    for (int r = 0; r < cells.size(); ++r)
        for (int c = 0; c < cells[r].size(); ++c)
            if (!cells[r][c].isNull()) table->setItem(r, c, new QTableWidgetItem(cells[r][c]));
}

model_directory MainWindow::currentFiles(const QString& dir) const {
    model_directory files;
    files.odeText = ui->textEdit_ODEExpression->toPlainText();
    files.parameterSpecification = tableCells(ui->tableWidget_parametersSpec);
    files.xLowerBound = para.xLowerBound;
    files.xUpperBound = para.xUpperBound;
    files.parameterNames = para.parameterNames;
    files.gText = ui->textEdit_paraDefinition->toPlainText();
    files.gInverseText = ui->textEdit_paraDefInverse->toPlainText();
    files.variableNames = odeParser.variable_name;
    files.writeScripts = !para.xNames.isEmpty();
    if (files.writeScripts) {
        files.rScript = script_export::rscriptODE(odeParser, para, dir);
        files.matlabScript = script_export::matlabODE(odeParser, para, dir);
        files.compartmentDiagramScript = script_export::compartmentDiagram(odeParser);
    }
    files.initialCluster = tableCells(ui->tableWidget_initialCluster);
    files.doseEvents = tableCells(ui->tableWidget_doseEvents);
    files.observations = tableCells(ui->tableWidget_observations);
    files.simulationParameters = tableCells(ui->tableWidget_simulationParameters);
    files.simulationDoseEvents = tableCells(ui->tableWidget_simulationDoseEvents);
    files.simulationTimePoints = ui->lineEdit_simulationTimePoints->text();
    files.jacobianStructure = odeParser.jacobian_structure;
    files.runSettings = currentRunSettings();
    files.computationLog = computationResult.computation_log;
    // As read back from disk: every file is there.
    files.hasOdeText = files.hasDoseEvents = files.hasParameterSpecification = true;
    files.hasGText = files.hasGInverseText = files.hasInitialCluster = true;
    files.hasObservations = files.hasRunSettings = true;
    return files;
}

void MainWindow::updateWindowTitle() {
    setWindowTitle(modelDirectory.isEmpty()
                       ? QStringLiteral("Velmora")
                       : QStringLiteral("Velmora - ") + QDir::toNativeSeparators(modelDirectory));
}

bool MainWindow::chooseWritableDirectory(const QString& why) {
    if (!modelDirectory.isEmpty() && model_directory::writable(modelDirectory)) return true;
    const QString title = modelDirectory.isEmpty()
                              ? tr("Choose Saving Directory")
                              : tr("%1 cannot be written: choose another directory")
                                    .arg(QDir::toNativeSeparators(modelDirectory));
    const QString dir = askDirectory(title);
    if (dir.isEmpty()) {
        statusBar()->showMessage(tr("No directory was chosen: %1.").arg(why));
        return false;
    }
    modelDirectory = dir;
    updateWindowTitle();
    return true;
}

bool MainWindow::saveTo(const QString& dir) {
    QStringList failed;
    if (!currentFiles(dir).save(dir, &failed)) {
        QMessageBox::warning(this, tr("Save failed"),
                             tr("These files could not be written:\n") +
                                 failed.join(QLatin1Char('\n')));
        return false;
    }
    modelDirectory = dir;
    updateWindowTitle();
    statusBar()->showMessage(tr("Saved in %1.").arg(QDir::toNativeSeparators(dir)));
    return true;
}

void MainWindow::save() {
    if (chooseWritableDirectory(tr("nothing was saved"))) saveTo(modelDirectory);
}

void MainWindow::menu_save() {
    save();
}

void MainWindow::menu_saveAs() {
    const QString dir = askDirectory(tr("Choose Saving Directory"));
    if (dir.isEmpty()) {
        statusBar()->showMessage(tr("No directory was chosen: nothing was saved."));
        return;
    }
    saveTo(dir);
}

void MainWindow::load() {
    const QString dir = askDirectory(tr("Choose Directory"));
    if (dir.isEmpty()) {
        statusBar()->showMessage(tr("No directory was chosen: nothing was opened."));
        return;
    }
    loadFrom(dir);
}

void MainWindow::menu_open() {
    load();
}

void MainWindow::clearPages() {
    for (QTextEdit* e : {ui->textEdit_ODEExpression, ui->textEdit_paraDefinition,
                         ui->textEdit_paraDefInverse, ui->textEdit_weights, ui->textEdi_compLog}) {
        const QSignalBlocker blocker(e);
        e->clear();
    }
    ui->textBrowser_x_names->clear();
    ui->textBrowser_y_names->clear();
    ui->lineEdit_simulationTimePoints->clear();
    const struct {
        QTableWidget* table;
        int rows;
    } tables[] = {
        {ui->tableWidget_doseEvents, 5},           {ui->tableWidget_parametersSpec, 0},
        {ui->tableWidget_initialCluster, 0},       {ui->tableWidget_observations, 10},
        {ui->tableWidget_simulationParameters, 0}, {ui->tableWidget_simulationDoseEvents, 5}};
    for (const auto& t : tables) {
        const QSignalBlocker blocker(t.table);
        t.table->clearContents();
        t.table->setRowCount(t.rows);
    }
    ui->tableWidget_initialCluster->setColumnCount(0);
    showRunSettings(run_settings());
    ui->textEdit_error->clear();
    ui->textEdit_error->hide();
    ODEtextUndo.clear();
    ui->pushButton_ODEs_undo->setEnabled(false);
    computationResult.clear();
    const int clusterSize = numInitCluster;
    model = model_definition();
    numInitCluster = clusterSize;
}

bool MainWindow::loadFrom(const QString& dir) {
    model_directory files;
    if (!files.load(dir)) {
        QMessageBox::warning(this, tr("Open failed"),
                             tr("%1 holds no model: %2 cannot be read.")
                                 .arg(QDir::toNativeSeparators(dir),
                                      QDir::toNativeSeparators(model_directory::odeTextFile(dir))));
        return false;
    }
    clearPages();
    modelDirectory = dir;
    updateWindowTitle();
    model.load(files);

    {
        const QSignalBlocker blocker(ui->textEdit_ODEExpression);
        ui->textEdit_ODEExpression->setPlainText(files.odeText);
    }
    refillNameComboBoxes();
    ui->lab_parameterNames->setText(QStringLiteral("Parameters: ") +
                                    para.parameterNames.join(QLatin1Char(' ')));
    ui->lab_variableNames->setText(QStringLiteral("Variables: ") +
                                   odeParser.variable_name.join(QLatin1Char(' ')));
    if (!ui->tableWidget_jacobian->isHidden()) showJacobianStructure();

    showCells(ui->tableWidget_doseEvents, files.doseEvents);
    showCells(ui->tableWidget_simulationDoseEvents, files.simulationDoseEvents);
    showCells(ui->tableWidget_parametersSpec, files.parameterSpecification);
    showCells(ui->tableWidget_simulationParameters, files.simulationParameters);
    for (QTableWidget* t : {ui->tableWidget_parametersSpec, ui->tableWidget_simulationParameters}) {
        // A changed current cell would regenerate g(x) over the texts just loaded.
        const QSignalBlocker blocker(t);
        t->setRowCount(para.parameterNames.size());
        t->setVerticalHeaderLabels(para.parameterNames);
    }
    para.simulationExpressions.resize(para.parameterNames.size());
    applySavedSimulationTables(files);
    {
        const QSignalBlocker blockG(ui->textEdit_paraDefinition);
        const QSignalBlocker blockInverse(ui->textEdit_paraDefInverse);
        ui->textEdit_paraDefinition->setPlainText(para.gText.join(QLatin1Char('\n')));
        ui->textEdit_paraDefInverse->setPlainText(para.gInverseText.join(QLatin1Char('\n')));
    }
    ui->textBrowser_x_names->setPlainText(para.gInverseText.join(QLatin1Char('\n')));
    if (model.initialClusterLoaded) {
        showCells(ui->tableWidget_initialCluster, files.initialCluster);
        ui->tableWidget_initialCluster->setHorizontalHeaderLabels(para.xNames);
    } else {
        showInitialCluster();
    }
    showCells(ui->tableWidget_observations, files.observations);
    ui->textBrowser_y_names->setPlainText(observationNamesText(observationEvents));
    ui->lineEdit_simulationTimePoints->setText(files.simulationTimePoints);
    showRunSettings(files.runSettings);

    if (files.hasComputationLog) computationResult.computation_log = files.computationLog;
    ui->textEdi_compLog->setPlainText(computationResult.computation_log.join(QLatin1Char('\n')));
    compResult saved = computationResult;
    if (saved.readIn(dir)) update_computation_result(saved);

    displayError();
    const QStringList missing = files.missingModelFiles();
    QString message = tr("Opened %1.").arg(QDir::toNativeSeparators(dir));
    if (!model.problems.isEmpty())
        message += tr(" %1 problems, see the red pane.").arg(model.problems.size());
    if (!missing.isEmpty()) message += tr(" Not in model/: ") + missing.join(QStringLiteral(", "));
    statusBar()->showMessage(message);
    return true;
}
