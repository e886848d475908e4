// Page 3-2: the g(x) and g-inverse editors and the initial cluster, drawn from the bound
// table or imported from a CSV file.
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "io/csv.h"
#include "ui/table_utils.h"

#include <QFileDialog>
#include <QSignalBlocker>

void MainWindow::on_textEdit_paraDefinition_textChanged() {
    para.errors = model.setGText(ui->textEdit_paraDefinition->toPlainText());
    displayError();
}

void MainWindow::on_textEdit_paraDefInverse_textChanged() {
    // The cluster is drawn from the bound table as it is now.
    model.parameterTable = tableCells(ui->tableWidget_parametersSpec);
    para.errors = model.setGInverseText(ui->textEdit_paraDefInverse->toPlainText());
    showInitialCluster();
    displayError();
    ui->textBrowser_x_names->setPlainText(para.gInverseText.join(QLatin1Char('\n')));
}

void MainWindow::drawInitialCluster() {
    model.parameterTable = tableCells(ui->tableWidget_parametersSpec);
    para.errors = model.redrawCluster();
    showInitialCluster();
}

void MainWindow::showInitialCluster() {
    tableDisplayHHeader(ui->tableWidget_initialCluster, para.initialCluster, para.xNames);
}

void MainWindow::on_pushButton_4_clicked() {
    drawInitialCluster();
    displayError();
}

void MainWindow::on_pushButton_importInitCluster_clicked() {
    const QString file = QFileDialog::getOpenFileName(this, tr("Read .csv file of initial X"),
                                                      modelDirectory, tr("(*.csv)"));
    if (file.isEmpty()) return;
    importInitialCluster(file);
}

void MainWindow::importInitialCluster(const QString& file) {
    para.errors = model.setInitialCluster(csvReadToDouble(file));
    showInitialCluster();
    // The computation uses as many points as were imported; the spin box shows that count.
    numInitCluster = para.initialCluster.size();
    {
        const QSignalBlocker blocker(ui->spinBox_numInitICluster);
        ui->spinBox_numInitICluster->setValue(numInitCluster);
    }
    displayError();
}

void MainWindow::on_spinBox_numInitICluster_valueChanged(int n) {
    numInitCluster = n;
}
