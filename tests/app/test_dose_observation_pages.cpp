// Pages 2 and 4 driven through their widgets: blocks pasted into the dose and observation
// tables through the clipboard, single cells edited, the messages of the error pane, the
// parameter names that doses add, the simulation copy of the doses, and the Observation
// menu (paste, fill, log10, undo).
#include "mainwindow.h"

#include "ui/message_box_catcher.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTextBrowser>
#include <QTextEdit>
#include <QtTest>

#include <cmath>

namespace {

QString cell(QTableWidget* t, int r, int c) {
    return t->item(r, c) ? t->item(r, c)->text() : QStringLiteral("<none>");
}

QColor textColour(QTableWidget* t, int r, int c) {
    return t->item(r, c)->foreground().color();
}

void pasteBlock(QTableWidget* table, const QString& block) {
    QApplication::clipboard()->setText(block);
    table->setFocus();
    QKeyEvent paste(QEvent::KeyPress, Qt::Key_V, Qt::ControlModifier);
    QApplication::sendEvent(table, &paste);
}

} // namespace

class TestDoseObservationPages : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void pastedDoseBlockBuildsEvents();
    void doseExpressionAddsParameter();
    void doseTimeExpressionShowsValue();
    void unknownCompartmentIsRed();
    void compartmentTakesFirstWord();
    void editingBeyondTheEventsGrowsThem();
    void increaseRowButtons();
    void pastedObservationBlockBuildsEvents();
    void observationErrorsAreRed();
    void observationMenuPasteSplitsAndGrows();
    void observationMenuFillLog10AndUndo();
    void undoWithoutSnapshotDoesNothing();

private:
    MainWindow* w = nullptr;
    QTableWidget* doses = nullptr;
    QTableWidget* observations = nullptr;
    QTextEdit* errorPane = nullptr;
    ModalBoxGuard* boxes = nullptr;
};

void TestDoseObservationPages::cleanup() {
    delete w;
    const QStringList shown = boxes->texts;
    delete boxes;
    QVERIFY2(shown.isEmpty(), qPrintable(shown.join("; ")));
}

void TestDoseObservationPages::init() {
    boxes = new ModalBoxGuard;
    w = new MainWindow;
    doses = w->findChild<QTableWidget*>("tableWidget_doseEvents");
    observations = w->findChild<QTableWidget*>("tableWidget_observations");
    errorPane = w->findChild<QTextEdit*>("textEdit_error");
    QTextEdit* editor = w->findChild<QTextEdit*>("textEdit_ODEExpression");
    QTest::keyClicks(editor, "dCentraldt = -k*Central + q*Liver");
    QTest::keyClick(editor, Qt::Key_Return);
    QTest::keyClicks(editor, "dLiverdt = k*Central - q*Liver");
    QCOMPARE(w->odeParser.variable_name, (QStringList{"Central", "Liver"}));
}

void TestDoseObservationPages::pastedDoseBlockBuildsEvents() {
    pasteBlock(doses, "0\tCentral\t100\t0\tloading\n12\tLiver\t50\t2\t\n");
    QCOMPARE(doses->rowCount(), 2);
    QCOMPARE(w->doseEvents.size(), 2);

    const dose_event& bolus = w->doseEvents[0];
    QVERIFY(bolus.isValid);
    QCOMPARE(bolus.time, 0.0);
    QCOMPARE(bolus.dosage, 100.0);
    QCOMPARE(bolus.duration, 0.0);
    QCOMPARE(bolus.compartmentIndex, 0);

    const dose_event& infusion = w->doseEvents[1];
    QVERIFY(infusion.isValid);
    QCOMPARE(infusion.time, 12.0);
    QCOMPARE(infusion.compartmentIndex, 1);
    QCOMPARE(infusion.duration, 2.0);
    QVERIFY(errorPane->isHidden());
    QCOMPARE(w->para.parameterNames, (QStringList{"k", "q"}));

    // The simulation page gets the same cells.
    QTableWidget* simulation = w->findChild<QTableWidget*>("tableWidget_simulationDoseEvents");
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 5; ++c)
            QCOMPARE(cell(simulation, r, c), cell(doses, r, c));
}

void TestDoseObservationPages::doseExpressionAddsParameter() {
    pasteBlock(doses, "0\tCentral\tD1*70\t0\t\n");
    QVERIFY(w->doseEvents[0].isValid);
    QVERIFY(w->doseEvents[0].dosageDependsOnParameters);
    QVERIFY(std::isnan(w->doseEvents[0].dosage));
    QCOMPARE(w->doseParameterNames, QStringList{"D1"});
    QCOMPARE(w->para.parameterNames, (QStringList{"k", "q", "D1"}));

    QTableWidget* spec = w->findChild<QTableWidget*>("tableWidget_parametersSpec");
    QCOMPARE(spec->rowCount(), 3);
    QCOMPARE(spec->verticalHeaderItem(2)->text(), QString("D1"));
    QCOMPARE(w->findChild<QTableWidget*>("tableWidget_simulationParameters")->rowCount(), 3);
    QCOMPARE(w->para.simulationExpressions.size(), 3);
    QCOMPARE(w->findChild<QLabel*>("lab_parameterNames")->text(), QString("Parameters: k q D1"));
    QCOMPARE(w->findChild<QLabel*>("lab_variableNames")->text(),
             QString("Variables: Central Liver"));

    // A dose that names an ODE parameter adds nothing.
    doses->setItem(0, 2, new QTableWidgetItem("k*70"));
    QCOMPARE(w->para.parameterNames, (QStringList{"k", "q"}));
    QCOMPARE(spec->rowCount(), 2);
}

void TestDoseObservationPages::doseTimeExpressionShowsValue() {
    doses->setItem(0, 0, new QTableWidgetItem("2*12"));
    QCOMPARE(w->doseEvents[0].time, 24.0);
    QVERIFY(w->doseEvents[0].timeOk);
    QVERIFY(!errorPane->isHidden());
    QVERIFY(errorPane->toPlainText().contains("2*12=24"));
    QCOMPARE(textColour(doses, 0, 0), QColor(Qt::black));

    doses->setItem(0, 0, new QTableWidgetItem("6"));
    QVERIFY(errorPane->isHidden());

    doses->setItem(0, 0, new QTableWidgetItem("2*"));
    QVERIFY(!w->doseEvents[0].timeOk);
    QCOMPARE(textColour(doses, 0, 0), QColor(Qt::red));
    QVERIFY(!errorPane->isHidden());
    QVERIFY(errorPane->toPlainText().contains("Error in Dosing Table (1th row Time):"));
    QVERIFY(errorPane->toPlainText().contains(
        "Could not evaluate the expression for the dosage time."));
}

void TestDoseObservationPages::unknownCompartmentIsRed() {
    doses->setItem(1, 1, new QTableWidgetItem("Gut"));
    QVERIFY(!w->doseEvents[1].compartmentFound);
    QCOMPARE(textColour(doses, 1, 1), QColor(Qt::red));
    QVERIFY(!errorPane->isHidden());
    QVERIFY(errorPane->toPlainText().contains("Error in Dosing Table (2th row Compartment):"));
    // The pane is HTML, which shows the two blanks between names as one.
    QCOMPARE(w->doseEvents[1].compartmentErrors,
             QStringList{"Dosing compartment not found.  It should be selected from the "
                         "following: Central  Liver"});
    QVERIFY(errorPane->toPlainText().contains("Dosing compartment not found."));
}

void TestDoseObservationPages::compartmentTakesFirstWord() {
    doses->setItem(0, 1, new QTableWidgetItem("Liver central"));
    QCOMPARE(w->doseEvents[0].compartment, QString("Liver"));
    QVERIFY(w->doseEvents[0].compartmentFound);
    QCOMPARE(w->doseEvents[0].compartmentIndex, 1);
    QCOMPARE(textColour(doses, 0, 1), QColor(Qt::black));
    QVERIFY(errorPane->isHidden());
}

void TestDoseObservationPages::editingBeyondTheEventsGrowsThem() {
    QPushButton* more = w->findChild<QPushButton*>("pushButton_6");
    QTest::mouseClick(more, Qt::LeftButton);
    QTest::mouseClick(more, Qt::LeftButton);
    QTest::mouseClick(more, Qt::LeftButton);
    QCOMPARE(doses->rowCount(), 20);
    doses->setItem(12, 0, new QTableWidgetItem("1"));
    QCOMPARE(w->doseEvents.size(), 13);
    QVERIFY(!w->doseEvents[10].isValid);
    QVERIFY(!w->doseEvents[11].isValid);
    QTableWidget* simulation = w->findChild<QTableWidget*>("tableWidget_simulationDoseEvents");
    QCOMPARE(simulation->rowCount(), 13);
    QCOMPARE(cell(simulation, 12, 0), QString("1"));
}

void TestDoseObservationPages::increaseRowButtons() {
    QTest::mouseClick(w->findChild<QPushButton*>("pushButton_increaseObsRows"), Qt::LeftButton);
    QCOMPARE(observations->rowCount(), 20);
    QTest::mouseClick(w->findChild<QPushButton*>("pushButton_6"), Qt::LeftButton);
    QCOMPARE(doses->rowCount(), 10);
}

void TestDoseObservationPages::pastedObservationBlockBuildsEvents() {
    pasteBlock(observations, "1\tCentral/k\t2.5\tfirst\n2\tLiver\t1.5\t\n4\tCentral/V\t3\t\n");
    QCOMPARE(observations->rowCount(), 3);
    QCOMPARE(w->observationEvents.size(), 3);
    QVERIFY(w->observationEvents[0].isValid);
    QCOMPARE(w->observationEvents[0].time, 1.0);
    QCOMPARE(w->observationEvents[0].value, 2.5);
    QVERIFY(w->observationEvents[1].isValid);
    // The observed expression may name ODE variables and parameters only; V is neither.
    QVERIFY(!w->observationEvents[2].observedExpressionOk);
    QVERIFY(!w->observationEvents[2].isValid);
    QCOMPARE(textColour(observations, 2, 1), QColor(Qt::red));
    const QString names = w->findChild<QTextBrowser*>("textBrowser_y_names")->toPlainText();
    QCOMPARE(names, QString("y1=Central/k\ny2=Liver\n"));
}

void TestDoseObservationPages::observationErrorsAreRed() {
    observations->setItem(0, 0, new QTableWidgetItem("abc"));
    QCOMPARE(textColour(observations, 0, 0), QColor(Qt::red));
    QVERIFY(!w->observationEvents[0].timeOk);
    QVERIFY(errorPane->toPlainText().contains("Error in Observation Table (1th row Time):"));

    observations->setItem(0, 0, new QTableWidgetItem("2*3"));
    QVERIFY(w->observationEvents[0].timeOk);
    QCOMPARE(w->observationEvents[0].time, 6.0);
    QCOMPARE(textColour(observations, 0, 0), QColor(Qt::black));
    QVERIFY(errorPane->toPlainText().contains("2*3=6"));

    observations->setItem(0, 1, new QTableWidgetItem("Central*"));
    QVERIFY(!w->observationEvents[0].observedExpressionOk);
    QVERIFY(errorPane->toPlainText().contains("Error in Observation Table (1th row Compartment):"));
    observations->setItem(0, 1, new QTableWidgetItem("Central/k"));
    QVERIFY(w->observationEvents[0].observedExpressionOk);
    QVERIFY(errorPane->isHidden());
}

void TestDoseObservationPages::observationMenuPasteSplitsAndGrows() {
    observations->setRowCount(2);
    QApplication::clipboard()->setText("1,2\n3");
    w->pasteObservationTimeAct->trigger();
    QCOMPARE(observations->rowCount(), 3);
    QCOMPARE(cell(observations, 0, 0), QString("1"));
    QCOMPARE(cell(observations, 1, 0), QString("2"));
    QCOMPARE(cell(observations, 2, 0), QString("3"));
    QCOMPARE(w->observationEvents.size(), 3);
    QCOMPARE(w->observationEvents[2].time, 3.0);

    QApplication::clipboard()->setText("Central\tLiver");
    w->pasteObservationVariableAct->trigger();
    QCOMPARE(cell(observations, 1, 1), QString("Liver"));
    QCOMPARE(cell(observations, 2, 1), QString("<none>"));

    QApplication::clipboard()->setText("5,6");
    w->pasteObservationValueAct->trigger();
    QCOMPARE(cell(observations, 0, 2), QString("5"));
    QVERIFY(w->observationEvents[0].isValid);
    QVERIFY(w->observationEvents[1].isValid);
    QVERIFY(!w->observationEvents[2].isValid);
    // Rows beyond the pasted values are untouched.
    QCOMPARE(observations->rowCount(), 3);
}

void TestDoseObservationPages::observationMenuFillLog10AndUndo() {
    QApplication::clipboard()->setText("1,2,3");
    w->pasteObservationTimeAct->trigger();
    observations->setItem(0, 1, new QTableWidgetItem("Central"));
    w->fillObservationVariableAct->trigger();
    for (int r = 0; r < observations->rowCount(); ++r)
        QCOMPARE(cell(observations, r, 1), QString("Central"));

    observations->setItem(0, 2, new QTableWidgetItem("5"));
    observations->setItem(1, 2, new QTableWidgetItem(""));
    w->log10ValueAct->trigger();
    QCOMPARE(cell(observations, 0, 2), QString("LOG10(5)"));
    QCOMPARE(cell(observations, 1, 2), QString(""));
    QCOMPARE(cell(observations, 2, 2), QString("<none>"));
    QCOMPARE(w->observationEvents[0].value, std::log10(5.0));
    w->log10ValueAct->trigger();
    QCOMPARE(cell(observations, 0, 2), QString("LOG10(LOG10(5))"));

    w->undoObservationAct->trigger();
    QCOMPARE(cell(observations, 0, 2), QString("LOG10(5)"));
    QCOMPARE(w->observationEvents[0].value, std::log10(5.0));
    QCOMPARE(cell(observations, 0, 1), QString("Central"));
    QCOMPARE(observations->rowCount(), 10);
    // Undo keeps one level and does not take a snapshot itself.
    w->undoObservationAct->trigger();
    QCOMPARE(cell(observations, 0, 2), QString("LOG10(5)"));

    // Undo of a paste that grew the table shrinks it back.
    QApplication::clipboard()->setText("1,2,3,4,5,6,7,8,9,10,11,12");
    w->pasteObservationTimeAct->trigger();
    QCOMPARE(observations->rowCount(), 12);
    w->undoObservationAct->trigger();
    QCOMPARE(observations->rowCount(), 10);
    QCOMPARE(cell(observations, 2, 0), QString("3"));
    QCOMPARE(cell(observations, 3, 0), QString(""));
}

void TestDoseObservationPages::undoWithoutSnapshotDoesNothing() {
    observations->setItem(0, 0, new QTableWidgetItem("7"));
    w->undoObservationAct->trigger();
    QCOMPARE(cell(observations, 0, 0), QString("7"));
    QCOMPARE(observations->rowCount(), 10);
}

QTEST_MAIN(TestDoseObservationPages)
#include "test_dose_observation_pages.moc"
