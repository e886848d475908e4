// Page 3, the bound table: each change of its current cell regenerates the parameter
// record, the g(x) and inverse texts and the initial cluster, and checks that every
// parameter got its equation.
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "ui/table_utils.h"

namespace {

int nonEmptyLines(const QStringList& lines) {
    int count = 0;
    for (const QString& line : lines)
        if (!line.trimmed().isEmpty()) ++count;
    return count;
}

} // namespace

void MainWindow::on_pushButton_makePara_clicked() {
    const QStringList names = para.parameterNames;
    para.clear();
    const QVector<QVector<double>> table = tableReadDouble(ui->tableWidget_parametersSpec);

    // Each step below starts its own message list; the pane shows all of them.
    para.checkDoIandBounds(table, names);
    QStringList messages = para.errors;
    para.createParameters(table, names);
    messages += para.errors;

    ui->textEdit_paraDefinition->setPlainText(para.gText.join(QLatin1Char('\n')));
    messages += para.errors;
    ui->textEdit_paraDefInverse->setPlainText(para.gInverseText.join(QLatin1Char('\n')));
    messages += para.errors;

    messages.removeDuplicates();
    para.errors = messages;
    displayError();
}

void MainWindow::on_tableWidget_parametersSpec_currentItemChanged(QTableWidgetItem* current,
                                                                  QTableWidgetItem* previous) {
    Q_UNUSED(current);
    Q_UNUSED(previous);
    on_pushButton_makePara_clicked();
    if (para.parameterNames.size() != nonEmptyLines(para.gText)) {
        para.errors << QStringLiteral("Parameters are not specified correctly, Cluster Newton "
                                      "method cannot be run. Check Step 3.");
        displayError();
    }
}
