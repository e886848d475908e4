// Page 6, the results: the plots and tables of the chosen iteration limited to the best
// fraction of the cluster, point highlighting across plots, and export as CSV, PDF, PNG
// and SVG. The numbers come from the core (cnm/result_plots.h); the plot painter draws.
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "cnm/result_plots.h"
#include "io/csv.h"
#include "io/log_categories.h"
#include "ui/Chart.h"
#include "ui/ChartView.h"
#include "ui/plot_painter.h"
#include "ui/table_utils.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QSignalBlocker>
#include <QStatusBar>

#include <cmath>

namespace {

const QLatin1String tabParameterRange("Parameter Range");
const QLatin1String tabSSRParameter("SSR-Parameter");
const QLatin1String tabScatter("Parameter-Parameter distribution");
const QLatin1String tabParameters("Parameters");
const QLatin1String tabObservationSimulation("Observation-Simulation");
const QLatin1String tabODE("ODE solutions");
const QLatin1String tabSSRperIteration("SSR per iteration");
const QLatin1String tabIdentifiability("Identifiability");

} // namespace

void MainWindow::setupResultPage() {
    chart_SSRperIteration = new Chart;
    chart_SSRperIteration->legend()->setAlignment(Qt::AlignRight);
    chartView_SSRperIteration = new ChartView(chart_SSRperIteration, ui->widget_SSRperIteration);
    chartView_SSRperIteration->setRenderHint(QPainter::Antialiasing);
    auto* layout = new QGridLayout(ui->widget_SSRperIteration);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(chartView_SSRperIteration, 0, 0);

    painter_scatterPlot = new plot_painter(chart_scatterPlot, chartView_scatterPlot);
    painter_parameterRange = new plot_painter(chart_parameterRange, chartView_parameterRange);
    painter_SSRpara = new plot_painter(chart_SSRpara, chartView_SSRpara);
    painter_observationSimulation =
        new plot_painter(chart_observationSimulation, chartView_observationSimulation);
    painter_ODE_sol = new plot_painter(chart_ODE_sol, chartView_ODE_sol);
    painter_SSRperIteration = new plot_painter(chart_SSRperIteration, chartView_SSRperIteration);
    for (plot_painter* painter : {painter_scatterPlot, painter_parameterRange, painter_SSRpara,
                                  painter_observationSimulation, painter_ODE_sol}) {
        painter->describePoint = [this](int p) {
            const int k = ui->spinBox_iterationNumber->value();
            const double ssr = computationResult.R.value(k).value(p, std::nan(""));
            return tr("point %1, SSR %2").arg(p + 1).arg(ssr, 0, 'g', 6);
        };
        connect(painter, &plot_painter::pointClicked, this, &MainWindow::selectPoint);
    }
}

void MainWindow::update_computation_result(compResult result) {
    computationResult = result;
    const bool hasResult = !computationResult.X.isEmpty();
    for (QWidget* w :
         {static_cast<QWidget*>(ui->spinBox_iterationNumber),
          static_cast<QWidget*>(ui->spinBox_percentile), static_cast<QWidget*>(ui->tabWidget),
          static_cast<QWidget*>(ui->label_7), static_cast<QWidget*>(ui->label_8)})
        w->setEnabled(hasResult);
    if (hasResult) {
        // One label per x coordinate: the g inverse lines, or x1, x2, … when they do not
        // match the record (a result without its model).
        int coordinates = para.xNames.size();
        if (coordinates == 0) coordinates = computationResult.X.last().value(0).size();
        QStringList labels = para.gInverseText;
        if (labels.size() != coordinates) {
            labels.clear();
            for (int i = 1; i <= coordinates; ++i)
                labels << QStringLiteral("x%1").arg(i);
        }
        for (QComboBox* combo :
             {ui->comboBox_plot_x_axis, ui->comboBox_plot_y_axis, ui->comboBox_SSRpara_index}) {
            const QSignalBlocker blocker(combo);
            combo->clear();
            combo->addItems(labels);
        }
        {
            const QSignalBlocker blocker(ui->comboBox_plot_y_axis);
            ui->comboBox_plot_y_axis->setCurrentIndex(coordinates > 1 ? 1 : 0);
        }
        ui->textBrowser_x_names->setPlainText(labels.join('\n'));
        {
            const QSignalBlocker blocker(ui->spinBox_iterationNumber);
            ui->spinBox_iterationNumber->setRange(0, computationResult.X.size() - 1);
            ui->spinBox_iterationNumber->setValue(computationResult.X.size() - 1);
        }
        if (!computationResult.R.isEmpty()) {
            computationResult.sortDataByResidual();
            updateParameterTable();
        }
        // The observation behind each index of the observation-simulation plot.
        QStringList observed;
        for (const observation_event& e : observationEvents)
            if (e.isValid)
                observed << QStringLiteral("y%1: %2 at t=%3")
                                .arg(observed.size() + 1)
                                .arg(e.observedExpression.expression)
                                .arg(e.time);
        ui->textBrowser_y_names->setPlainText(observed.join('\n'));
        updatePlotDisplayIndex();
        redrawCurrentTab(false);
    }
    ui->textEdi_compLog->setPlainText(computationResult.computation_log.join(QLatin1Char('\n')));
    ui->textEdi_compLog->moveCursor(QTextCursor::End);
}

void MainWindow::updatePlotDisplayIndex() {
    const int k = ui->spinBox_iterationNumber->value();
    const int percentile = ui->spinBox_percentile->value();
    displayIndex = plotDisplayIndex(computationResult, k, percentile);
    ui->label_tolerence->setText(
        displayToleranceText(displayTolerance(computationResult, k, percentile)));
}

void MainWindow::redrawCurrentTab(bool withParameterTable) {
    // Nothing to show before a result arrives.
    if (computationResult.X.isEmpty()) return;
    const QString tab = ui->tabWidget->tabText(ui->tabWidget->currentIndex());
    if (tab == tabParameterRange)
        redrawParaRangePlot();
    else if (tab == tabSSRParameter)
        redrawSSRparaPlot();
    else if (tab == tabScatter)
        redrawScatterPlot();
    else if (tab == tabParameters && withParameterTable)
        updateIterNumberOfParameterTable();
    else if (tab == tabObservationSimulation)
        redraw_obs_sim_Plot();
    else if (tab == tabODE)
        redraw_ODE_variable_Plot();
    else if (tab == tabSSRperIteration)
        redrawSSRperIterationPlot();
    else if (tab == tabIdentifiability)
        redrawIdentifiabilityTab();
}

void MainWindow::redrawParaRangePlot() {
    painter_parameterRange->draw(
        parameterRangePlot(computationResult, ui->spinBox_iterationNumber->value(), displayIndex,
                           para.xLowerBound, para.xUpperBound));
}

void MainWindow::redrawSSRparaPlot() {
    painter_SSRpara->draw(ssrParameterPlot(computationResult, ui->spinBox_iterationNumber->value(),
                                           displayIndex,
                                           ui->comboBox_SSRpara_index->currentIndex()),
                          ui->checkBox_SSRpara_Plot_fixaxis->isChecked());
}

void MainWindow::redrawScatterPlot() {
    const int i = ui->comboBox_plot_x_axis->currentIndex();
    const int j = ui->comboBox_plot_y_axis->currentIndex();
    if (i < 0 || j < 0) return;
    const int k = ui->spinBox_iterationNumber->value();
    painter_scatterPlot->draw(parameterScatterPlot(computationResult, k, displayIndex, i, j,
                                                   para.xLowerBound, para.xUpperBound,
                                                   ui->checkBox_showInitClusterSP->isChecked()),
                              ui->checkBox_scatterPlot_fixaxis->isChecked());
    const QSignalBlocker blocker(ui->tableWidget_X_corr);
    tableDisplay(ui->tableWidget_X_corr, sampleCorrelation(computationResult, k, displayIndex));
}

void MainWindow::updateIterNumberOfParameterTable() {
    if (ui->spinBox_iterationNumber->value() < computationResult.X.size())
        updateParameterTable();
    else
        qCDebug(lcApp, "could not update parameter table");
}

void MainWindow::updateParameterTable() {
    const int k = ui->spinBox_iterationNumber->value();
    if (k >= computationResult.R_sorted.size()) computationResult.sortDataByResidual();
    if (k < 0 || k >= computationResult.Parameter_sorted.size()) {
        qCDebug(lcApp, "could not update parameter table");
        return;
    }
    QTableWidget* table = ui->tableWidget_resultPara;
    const QSignalBlocker blocker(table);
    table->setUpdatesEnabled(false);
    tableDisplay(table, computationResult.Parameter_sorted[k]);
    table->setHorizontalHeaderLabels(para.parameterNames);
    table->setVerticalHeaderLabels(rankLabels(computationResult.R_sorted.value(k)));
    table->setUpdatesEnabled(true);
    selectPoint(selectedPoint);
}

void MainWindow::redraw_obs_sim_Plot() {
    QVector<double> measured;
    for (const observation_event& e : observationEvents)
        if (e.isValid) measured.append(e.value);
    painter_observationSimulation->draw(observationSimulationPlot(
        computationResult, ui->spinBox_iterationNumber->value(), displayIndex, measured));
}

void MainWindow::redraw_ODE_variable_Plot() {
    const int v = ui->comboBox_ODE_plot_variable->currentIndex();
    if (v < 0) return;
    const plot_figure figure = odeSolutionPlot(
        computationResult, ui->spinBox_iterationNumber->value(), displayIndex, v,
        ui->comboBox_ODE_plot_variable->currentText(), ui->checkBox_ode_sol_y_log->isChecked());
    painter_ODE_sol->draw(figure);
    if (!figure.message.isEmpty()) statusBar()->showMessage(figure.message, 5000);
}

void MainWindow::redrawSSRperIterationPlot() {
    const plot_figure figure = ssrPerIterationPlot(computationResult);
    painter_SSRperIteration->draw(figure);
    if (!figure.message.isEmpty()) statusBar()->showMessage(figure.message, 5000);
}

void MainWindow::on_comboBox_plot_x_axis_currentIndexChanged(int index) {
    Q_UNUSED(index);
    const int n = ui->comboBox_plot_y_axis->count();
    if (n > 0 && n == ui->comboBox_plot_x_axis->count()) redrawScatterPlot();
}

void MainWindow::on_comboBox_plot_y_axis_currentIndexChanged(int index) {
    on_comboBox_plot_x_axis_currentIndexChanged(index);
}

void MainWindow::on_spinBox_iterationNumber_valueChanged(int n) {
    Q_UNUSED(n);
    updatePlotDisplayIndex();
    redrawCurrentTab(true);
}

void MainWindow::on_spinBox_percentile_valueChanged(int n) {
    Q_UNUSED(n);
    updatePlotDisplayIndex();
    redrawCurrentTab(false);
}

void MainWindow::on_checkBox_scatterPlot_fixaxis_stateChanged(int state) {
    Q_UNUSED(state);
}

void MainWindow::on_pushButton_SSR_para_next_clicked() {
    QComboBox* combo = ui->comboBox_SSRpara_index;
    if (combo->count() > 0) combo->setCurrentIndex((combo->currentIndex() + 1) % combo->count());
}

void MainWindow::on_pushButton_SSR_para_prev_clicked() {
    QComboBox* combo = ui->comboBox_SSRpara_index;
    if (combo->count() > 0)
        combo->setCurrentIndex((combo->currentIndex() + combo->count() - 1) % combo->count());
}

void MainWindow::on_comboBox_SSRpara_index_currentIndexChanged(int index) {
    Q_UNUSED(index);
    redrawSSRparaPlot();
}

void MainWindow::on_comboBox_ODE_plot_variable_currentIndexChanged(int index) {
    Q_UNUSED(index);
    redraw_ODE_variable_Plot();
}

void MainWindow::on_checkBox_ode_sol_y_log_stateChanged(int state) {
    Q_UNUSED(state);
    redraw_ODE_variable_Plot();
}

void MainWindow::on_tableWidget_X_corr_cellClicked(int row, int column) {
    if (column < ui->comboBox_plot_x_axis->count() && row < ui->comboBox_plot_y_axis->count()) {
        ui->comboBox_plot_x_axis->setCurrentIndex(column);
        ui->comboBox_plot_y_axis->setCurrentIndex(row);
    }
}

void MainWindow::on_tableWidget_X_corr_cellChanged(int row, int column) {
    Q_UNUSED(row);
    Q_UNUSED(column);
}

void MainWindow::on_checkBox_showInitClusterSP_clicked() {
    redrawScatterPlot();
}

void MainWindow::selectPoint(int point) {
    selectedPoint = point;
    for (plot_painter* painter : {painter_scatterPlot, painter_parameterRange, painter_SSRpara,
                                  painter_observationSimulation, painter_ODE_sol})
        painter->highlight(point);
    // The parameter table lists the sorted cluster: select the ranks taken from the point.
    const int k = ui->spinBox_iterationNumber->value();
    const QVector<int> ranks = computationResult.sortIndex.value(k);
    QTableWidget* table = ui->tableWidget_resultPara;
    const QSignalBlocker blocker(table);
    table->clearSelection();
    for (int r = 0; r < ranks.size() && r < table->rowCount(); ++r)
        if (ranks[r] == point)
            table->setRangeSelected(
                QTableWidgetSelectionRange(r, 0, r, std::max(0, table->columnCount() - 1)), true);
    if (point >= 0 && ranks.contains(point))
        table->scrollToItem(table->item(ranks.indexOf(point), 0));
}

void MainWindow::on_tableWidget_resultPara_cellClicked(int row, int column) {
    Q_UNUSED(column);
    const int p =
        computationResult.sortIndex.value(ui->spinBox_iterationNumber->value()).value(row, -1);
    if (p >= 0) selectPoint(p);
}

bool MainWindow::currentExport(QString& fileName, QStringList& rowLabels, QStringList& columnLabels,
                               QVector<QVector<double>>& data) const {
    const QString tab = ui->tabWidget->tabText(ui->tabWidget->currentIndex());
    const auto shown = [](const plot_painter* painter) { return painter->figure().plotData; };
    data.clear();
    rowLabels.clear();
    columnLabels.clear();
    if (tab == tabParameterRange) {
        data = shown(painter_parameterRange);
        fileName = QStringLiteral("CNM_parameter_range_plot.csv");
        rowLabels = numberedLabels({QStringLiteral("initial cluster lower bound"),
                                    QStringLiteral("initial cluster upper bound")},
                                   data.size() - 2);
        for (int i = 0; i < ui->comboBox_SSRpara_index->count(); ++i)
            columnLabels << ui->comboBox_SSRpara_index->itemText(i);
        return !data.isEmpty();
    }
    if (tab == tabSSRParameter) {
        data = shown(painter_SSRpara);
        fileName = QStringLiteral("CNM_SSR_x%1_plot.csv")
                       .arg(ui->comboBox_SSRpara_index->currentIndex() + 1);
        rowLabels = numberedLabels({}, data.size());
        columnLabels = QStringList{ui->comboBox_SSRpara_index->currentText(), "SSR"};
        return !data.isEmpty();
    }
    if (tab == tabScatter) {
        data = shown(painter_scatterPlot);
        fileName = QStringLiteral("parameter_parameter_plot_x%1_x%2.csv")
                       .arg(ui->comboBox_plot_x_axis->currentIndex() + 1)
                       .arg(ui->comboBox_plot_y_axis->currentIndex() + 1);
        rowLabels = numberedLabels({QStringLiteral("initial cluster left lower bound"),
                                    QStringLiteral("initial cluster right lower bound"),
                                    QStringLiteral("initial cluster left upper bound"),
                                    QStringLiteral("initial cluster right upper bound")},
                                   data.size() - 4);
        columnLabels = QStringList{ui->comboBox_plot_x_axis->currentText(),
                                   ui->comboBox_plot_y_axis->currentText()};
        return data.size() >= 5;
    }
    if (tab == tabParameters) {
        fileName = QStringLiteral("CNM_Parameters.csv");
        return true;
    }
    if (tab == tabObservationSimulation) {
        data = shown(painter_observationSimulation);
        fileName = QStringLiteral("CNM_observation_simulation.csv");
        rowLabels = numberedLabels({QStringLiteral("observation")}, data.size() - 1);
        for (int m = 1; m <= data.value(0).size(); ++m)
            columnLabels << QStringLiteral("y%1").arg(m);
        return data.size() >= 3;
    }
    if (tab == tabODE) {
        data = shown(painter_ODE_sol);
        fileName = QStringLiteral("CNM_") + ui->comboBox_ODE_plot_variable->currentText() +
                   QStringLiteral("_plot.csv");
        rowLabels = numberedLabels({QStringLiteral("time")}, data.size() - 1);
        for (int t = 0; t < data.value(0).size(); ++t)
            columnLabels << QString();
        return !data.isEmpty();
    }
    if (tab == tabSSRperIteration) {
        data = shown(painter_SSRperIteration);
        fileName = QStringLiteral("CNM_SSR_per_iteration.csv");
        rowLabels = numberedLabels({}, data.size());
        columnLabels = QStringList{"iteration", "best", "25th percentile", "median"};
        return !data.isEmpty();
    }
    if (tab == tabIdentifiability) {
        data = shown(painter_identifiability);
        const int row = ui->tableWidget_identifiability->currentRow();
        const QString name = identifiability.summary.value(row).name;
        fileName = QStringLiteral("profile_") + name + QStringLiteral(".csv");
        rowLabels = numberedLabels({}, data.size());
        columnLabels = QStringList{"bin_lower", "bin_upper", "x", name, "ssr"};
        return !data.isEmpty();
    }
    return false;
}

void MainWindow::on_pushButton_saveAsCSV_clicked() {
    QString fileName;
    QStringList rows, columns;
    QVector<QVector<double>> data;
    if (!currentExport(fileName, rows, columns, data)) return;
    const QString proposed =
        modelDirectory.isEmpty() ? fileName : QDir(modelDirectory).filePath(fileName);
    const QString file = QFileDialog::getSaveFileName(this, tr("Save .csv file"), proposed,
                                                      tr("csv file (*.csv);;All Files (*)"));
    // A cancelled dialog writes nothing.
    if (!file.isEmpty()) saveCurrentTabAsCSV(file);
}

void MainWindow::saveCurrentTabAsCSV(const QString& file) {
    QString fileName;
    QStringList rows, columns;
    QVector<QVector<double>> data;
    if (!currentExport(fileName, rows, columns, data)) return;
    if (ui->tabWidget->tabText(ui->tabWidget->currentIndex()) == tabParameters)
        csvwriteWithHeader(file, ui->tableWidget_resultPara);
    else
        csvwriteWithHeader(file, data, rows, columns);
}

ChartView* MainWindow::currentChartView() const {
    const QString tab = ui->tabWidget->tabText(ui->tabWidget->currentIndex());
    if (tab == tabParameterRange) return chartView_parameterRange;
    if (tab == tabSSRParameter) return chartView_SSRpara;
    if (tab == tabScatter) return chartView_scatterPlot;
    if (tab == tabObservationSimulation) return chartView_observationSimulation;
    if (tab == tabODE) return chartView_ODE_sol;
    if (tab == tabSSRperIteration) return chartView_SSRperIteration;
    if (tab == tabIdentifiability) return chartView_identifiability;
    return nullptr;
}

bool MainWindow::saveCurrentPlotAsImage(const QString& file) {
    ChartView* view = currentChartView();
    const bool saved = view && view->saveImage(file);
    statusBar()->showMessage(
        saved ? tr("Saved %1").arg(file) : tr("Error, unable to save %1").arg(file), 5000);
    return saved;
}

void MainWindow::on_pushButton_saveAsPDF_clicked() {
    QString fileName;
    QStringList rows, columns;
    QVector<QVector<double>> data;
    if (!currentChartView()) return;
    currentExport(fileName, rows, columns, data);
    fileName = QFileInfo(fileName).completeBaseName() + QStringLiteral(".pdf");
    const QString proposed =
        modelDirectory.isEmpty() ? fileName : QDir(modelDirectory).filePath(fileName);
    QString filter;
    QString file = QFileDialog::getSaveFileName(
        this, tr("Save plot"), proposed,
        tr("PDF file (*.pdf);;PNG image (*.png);;SVG image (*.svg)"), &filter);
    if (file.isEmpty()) return;
    // A name without suffix takes the one of the chosen filter.
    if (QFileInfo(file).suffix().isEmpty())
        file += filter.contains(QLatin1String("png"))   ? QStringLiteral(".png")
                : filter.contains(QLatin1String("svg")) ? QStringLiteral(".svg")
                                                        : QStringLiteral(".pdf");
    saveCurrentPlotAsImage(file);
}

int MainWindow::exportAllPlots(const QString& directory) {
    const int current = ui->tabWidget->currentIndex();
    int written = 0;
    QStringList failed;
    for (int t = 0; t < ui->tabWidget->count(); ++t) {
        ui->tabWidget->setCurrentIndex(t);
        // Lay the newly shown chart out before it is painted into the file.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        QString fileName;
        QStringList rows, columns;
        QVector<QVector<double>> data;
        ChartView* view = currentChartView();
        if (!view || !currentExport(fileName, rows, columns, data)) continue;
        const QString file =
            QDir(directory).filePath(QFileInfo(fileName).completeBaseName() + ".pdf");
        if (view->saveImage(file))
            ++written;
        else
            failed << file;
    }
    ui->tabWidget->setCurrentIndex(current);
    statusBar()->showMessage(failed.isEmpty()
                                 ? tr("Saved %1 plots in %2").arg(written).arg(directory)
                                 : tr("Error, unable to save %1").arg(failed.join(", ")),
                             5000);
    return written;
}

void MainWindow::menu_exportAllPlots() {
    const QString directory =
        QFileDialog::getExistingDirectory(this, tr("Export all plots into folder"), modelDirectory);
    if (!directory.isEmpty()) exportAllPlots(directory);
}
