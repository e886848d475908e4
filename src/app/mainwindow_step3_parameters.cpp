// Page 3, the bound table: each change of its current cell regenerates the parameter
// record, the g(x) and inverse texts and the initial cluster, and checks that every
// parameter got its equation.
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include <QSignalBlocker>

void MainWindow::on_pushButton_makePara_clicked() {
    // The core regenerates and parses both texts and draws the cluster; the editors only
    // show the texts, so their handlers do not run the same work again.
    const QStringList messages =
        model.setParameterTable(tableCells(ui->tableWidget_parametersSpec));
    {
        const QSignalBlocker blockG(ui->textEdit_paraDefinition);
        const QSignalBlocker blockInverse(ui->textEdit_paraDefInverse);
        ui->textEdit_paraDefinition->setPlainText(para.gText.join(QLatin1Char('\n')));
        ui->textEdit_paraDefInverse->setPlainText(para.gInverseText.join(QLatin1Char('\n')));
    }
    ui->textBrowser_x_names->setPlainText(para.gInverseText.join(QLatin1Char('\n')));
    showInitialCluster();
    para.errors = messages;
    displayError();
}

void MainWindow::on_tableWidget_parametersSpec_currentItemChanged(QTableWidgetItem* current,
                                                                  QTableWidgetItem* previous) {
    Q_UNUSED(current);
    Q_UNUSED(previous);
    on_pushButton_makePara_clicked();
    if (!model.parametersComplete()) {
        para.errors << QStringLiteral("Parameters are not specified correctly, Cluster Newton "
                                      "method cannot be run. Check Step 3.");
        displayError();
    }
}
