// Page 5, the computation: starting and stopping a Cluster Newton run, its settings and
// the end of a run. The run itself is wired up together with the engine.
#include "mainwindow.h"
#include "ui_mainwindow.h"

void MainWindow::CNmethod_computation_completed() {}

void MainWindow::on_spinBox_numTotIter_valueChanged(int n) {
    Q_UNUSED(n);
}

void MainWindow::on_spinBox_numWeightIter_valueChanged(int n) {
    Q_UNUSED(n);
}

void MainWindow::menu_run() {}

void MainWindow::menu_abort() {}

void MainWindow::on_pushButton_runCNmethod_clicked() {}
