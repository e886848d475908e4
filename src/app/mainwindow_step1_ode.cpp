// Page 1, the ODE editor: re-parse on every change, the name lists, the structure
// Jacobian, the error pane, highlighting, find and replace with one undo step (offered
// only while the editor holds the text the find or replace produced), and copying a
// variable or parameter name.
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "io/log_categories.h"
#include "ui/table_utils.h"

#include <QApplication>
#include <QClipboard>
#include <QDebug>
#include <QSignalBlocker>
#include <QStatusBar>

namespace {

// Marks where found or replaced text starts and ends while the text is turned into HTML;
// characters of the private-use area never occur in a typed model.
const QChar markStart(0xE000);
const QChar markEnd(0xE001);

} // namespace

void MainWindow::reparseODEText() {
    model.setOdeText(ui->textEdit_ODEExpression->toPlainText());
}

void MainWindow::refillNameComboBoxes() {
    QStringList entries;
    entries << QString() << QStringLiteral("=== Variables ===") << odeParser.variable_name
            << QStringLiteral("=== Parameters ===") << para.parameterNames;

    // The search box keeps what the user typed into it.
    const QString searchText = ui->comboBox_ODE_text_replace->currentText();
    {
        const QSignalBlocker blocker(ui->comboBox_ODE_text_replace);
        ui->comboBox_ODE_text_replace->clear();
        ui->comboBox_ODE_text_replace->addItems(entries);
        ui->comboBox_ODE_text_replace->setEditText(searchText);
    }
    {
        const QSignalBlocker blocker(ui->comboBox_copyVPnames);
        ui->comboBox_copyVPnames->clear();
        ui->comboBox_copyVPnames->addItems(entries);
    }
}

void MainWindow::showJacobianStructure() {
    QTableWidget* table = ui->tableWidget_jacobian;
    tableDisplay(table, odeParser.jacobian_structure);
    table->setColumnCount(odeParser.variable_name.size());
    table->setHorizontalHeaderLabels(odeParser.variable_name);
    table->setVerticalHeaderLabels(odeParser.variable_name);
}

void MainWindow::on_textEdit_ODEExpression_textChanged() {
    reparseODEText();
    refillNameComboBoxes();
    if (!ui->tableWidget_jacobian->isHidden()) showJacobianStructure();
    displayError();
}

void MainWindow::displayError(const QString& note) {
    // The pane lists the model's problems as they are now, whatever the last edit was.
    QStringList lines;
    for (const model_problem& p : model.currentProblems()) {
        if (!p.html.isEmpty()) {
            lines << p.html;
            continue;
        }
        // Plain messages ("d<variable name>dt", line breaks of their own); warnings do not
        // stop a run and have their own colour.
        lines << (p.warning ? QStringLiteral("<font color=darkorange>")
                            : QStringLiteral("<font color=red>")) +
                     p.message.toHtmlEscaped().replace(QLatin1Char('\n'), QStringLiteral("<br>")) +
                     QStringLiteral("</font>");
    }
    if (!note.isEmpty()) lines << note;
    if (lines.isEmpty()) {
        ui->textEdit_error->clear();
        ui->textEdit_error->hide();
        return;
    }
    ui->textEdit_error->setHtml(lines.join(QStringLiteral("<br>")));
    ui->textEdit_error->show();
}

void MainWindow::on_pushButton_clicked() {
    qCDebug(lcApp) << "start parsing";
    reparseODEText();
    qCDebug(lcApp) << "finish parsing";

    ui->lab_parameterNames->setText(QStringLiteral("Parameters: ") +
                                    para.parameterNames.join(QLatin1Char(' ')));
    ui->lab_variableNames->setText(QStringLiteral("Variables: ") +
                                   odeParser.variable_name.join(QLatin1Char(' ')));
    {
        const QSignalBlocker blocker(ui->comboBox_ODE_plot_variable);
        ui->comboBox_ODE_plot_variable->clear();
        ui->comboBox_ODE_plot_variable->addItems(odeParser.variable_name);
    }
    // A change of the editor's text: the re-parse runs again on the same plain text.
    ui->textEdit_ODEExpression->setHtml(odeParser.textColour());
    qCDebug(lcApp) << "finish settingText";
}

void MainWindow::on_pushButton_findODEText_clicked() {
    const QString searchText = ui->comboBox_ODE_text_replace->currentText();
    replace_ODEtext(searchText, searchText, false);
}

void MainWindow::on_pushButton_ODEsReplace_clicked() {
    replace_ODEtext(ui->comboBox_ODE_text_replace->currentText(),
                    ui->lineEdit_ODEs_replace_to->text(), true);
}

void MainWindow::replace_ODEtext(QString replaceThis, QString replaceTo, bool putRedcolour) {
    // An empty search text would match between every two characters.
    if (replaceThis.isEmpty()) {
        statusBar()->showMessage(tr("Type the text to find in the box left of \"to\" first."),
                                 5000);
        return;
    }

    reparseODEText();
    ODEtextUndo = ui->textEdit_ODEExpression->toHtml();

    const QString text = odeTextParser::replacedText(ui->textEdit_ODEExpression->toPlainText(),
                                                     replaceThis, replaceTo, markStart, markEnd);

    // The marked plain text is only a step towards the coloured HTML; the editor's
    // re-parse runs once, on the final text.
    QString html;
    {
        const QSignalBlocker blocker(ui->textEdit_ODEExpression);
        ui->textEdit_ODEExpression->setPlainText(text);
        html = ui->textEdit_ODEExpression->toHtml();
    }
    html.replace(markStart, putRedcolour ? QStringLiteral("<font color=red>")
                                         : QStringLiteral("<font color=blue>"));
    html.replace(markEnd, QStringLiteral("</font>"));
    ui->textEdit_ODEExpression->setHtml(html);

    // Offered until the text is edited (on_textEdit_ODEExpression_undoAvailable).
    ui->pushButton_ODEs_undo->setEnabled(true);
}

void MainWindow::on_pushButton_ODEs_undo_clicked() {
    // One step only; before any find or replace there is nothing to restore.
    if (ODEtextUndo.isEmpty()) return;
    ui->textEdit_ODEExpression->setHtml(ODEtextUndo);
    ODEtextUndo.clear();
    ui->pushButton_ODEs_undo->setEnabled(false);
}

void MainWindow::on_comboBox_ODE_text_replace_currentIndexChanged(const QString& text) {
    ui->lineEdit_ODEs_replace_to->setText(text);
}

void MainWindow::on_comboBox_copyVPnames_highlighted(const QString& text) {
    if (text.isEmpty() || text == QLatin1String("=== Variables ===") ||
        text == QLatin1String("=== Parameters ==="))
        return;
    QApplication::clipboard()->setText(text, QClipboard::Clipboard);
}

void MainWindow::on_textEdit_ODEExpression_undoAvailable(bool available) {
    // The editor's own undo becomes available with the first edit after a find or replace
    // (setting the text clears its history). From then on the saved text is older than
    // what the editor holds, and restoring it would throw the typing away.
    if (!available) return;
    ODEtextUndo.clear();
    ui->pushButton_ODEs_undo->setEnabled(false);
}
