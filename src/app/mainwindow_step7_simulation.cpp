// Page 7, the simulation with found parameters and new doses.
#include "mainwindow.h"
#include "ui_mainwindow.h"

void MainWindow::on_pushButton_computeSimulation_clicked() {}

void MainWindow::on_lineEdit_simulationTimePoints_editingFinished() {}

void MainWindow::on_checkBox_ode_simulation_sol_y_log_stateChanged(int state) {
    Q_UNUSED(state);
}

void MainWindow::on_pushButton_increaseSimulationDose_clicked() {}

void MainWindow::on_tableWidget_simulationDoseEvents_itemChanged(QTableWidgetItem* item) {
    Q_UNUSED(item);
}

void MainWindow::on_tableWidget_simulationParameters_itemChanged(QTableWidgetItem* item) {
    Q_UNUSED(item);
}

void MainWindow::on_pushButton_saveSimulationAsCSV_clicked() {}

void MainWindow::on_lineEdit_simulationVariable_editingFinished() {}
