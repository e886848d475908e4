// Pages 2 and 4 driven through their widgets: blocks pasted into the dose and observation
// tables through the clipboard, single cells edited, the messages of the error pane, the
// parameter names that doses add, the simulation copy of the doses, and the Observation
// menu (paste, fill, log10, undo).
#include "mainwindow.h"

#include "app/window_test_support.h"

#include <QAction>
#include <QLabel>
#include <QTextBrowser>

#include <cmath>

namespace {

// A dose event's validity and numbers, for comparing it as a whole.
QString summary(const dose_event& e) {
    return QString("%1 at %2: %3 over %4 into %5")
        .arg(e.isValid ? "valid" : "invalid")
        .arg(e.time)
        .arg(e.dosage)
        .arg(e.duration)
        .arg(e.compartmentIndex);
}

} // namespace

class TestDoseObservationPages : public WindowTest {
    Q_OBJECT
private slots:
    void init();
    void cleanup() { closeWindow(); }

    void pastedDoseBlockBuildsEvents();
    void doseExpressionAddsParameter();
    void doseTimeExpressionShowsValue();
    void compartmentIsTheFirstWordAndMustExist();
    void editingBeyondTheEventsGrowsThem();
    void pastedObservationBlockBuildsEvents();
    void observationErrorsAreRed();
    void observationMenuPasteSplitsAndGrows();
    void observationMenuFillLog10AndUndo();

private:
    QTableWidget* doses = nullptr;
    QTableWidget* observations = nullptr;
};

void TestDoseObservationPages::init() {
    openWindow();
    doses = find<QTableWidget>("tableWidget_doseEvents");
    observations = find<QTableWidget>("tableWidget_observations");
    typeModel("dCentraldt = -k*Central + q*Liver\ndLiverdt = k*Central - q*Liver");
    QCOMPARE(w->odeParser.variable_name, (QStringList{"Central", "Liver"}));
}

void TestDoseObservationPages::pastedDoseBlockBuildsEvents() {
    pasteBlock(doses, "0\tCentral\t100\t0\tloading\n12\tLiver\t50\t2\t\n");
    QCOMPARE(doses->rowCount(), 2);
    QCOMPARE(w->doseEvents.size(), 2);
    QCOMPARE(summary(w->doseEvents[0]), QString("valid at 0: 100 over 0 into 0"));
    QCOMPARE(summary(w->doseEvents[1]), QString("valid at 12: 50 over 2 into 1"));
    QVERIFY(errorPane->isHidden());
    QCOMPARE(w->para.parameterNames, (QStringList{"k", "q"}));
    // The simulation page gets the same cells.
    const QString simulation = cells(find<QTableWidget>("tableWidget_simulationDoseEvents"));
    QCOMPARE(simulation.section('|', 0, 1), cells(doses));
}

void TestDoseObservationPages::doseExpressionAddsParameter() {
    pasteBlock(doses, "0\tCentral\tD1*70\t0\t\n");
    QVERIFY(w->doseEvents[0].isValid);
    QVERIFY(w->doseEvents[0].dosageDependsOnParameters);
    QVERIFY(std::isnan(w->doseEvents[0].dosage));
    QCOMPARE(w->doseParameterNames, QStringList{"D1"});
    QCOMPARE(w->para.parameterNames, (QStringList{"k", "q", "D1"}));

    auto* bounds = find<QTableWidget>("tableWidget_parametersSpec");
    QCOMPARE(bounds->rowCount(), 3);
    QCOMPARE(bounds->verticalHeaderItem(2)->text(), QString("D1"));
    QCOMPARE(find<QTableWidget>("tableWidget_simulationParameters")->rowCount(), 3);
    QCOMPARE(w->para.simulationExpressions.size(), 3);
    QCOMPARE(find<QLabel>("lab_parameterNames")->text(), QString("Parameters: k q D1"));
    QCOMPARE(find<QLabel>("lab_variableNames")->text(), QString("Variables: Central Liver"));

    // A dose that names an ODE parameter adds nothing.
    doses->setItem(0, 2, new QTableWidgetItem("k*70"));
    QCOMPARE(w->para.parameterNames, (QStringList{"k", "q"}));
    QCOMPARE(bounds->rowCount(), 2);
}

void TestDoseObservationPages::doseTimeExpressionShowsValue() {
    doses->setItem(0, 0, new QTableWidgetItem("2*12"));
    QCOMPARE(w->doseEvents[0].time, 24.0);
    QVERIFY(w->doseEvents[0].timeOk);
    QVERIFY(paneShows("2*12=24"));
    QCOMPARE(textColour(doses, 0, 0), QColor(Qt::black));

    doses->setItem(0, 0, new QTableWidgetItem("6"));
    QVERIFY(errorPane->isHidden());

    doses->setItem(0, 0, new QTableWidgetItem("2*"));
    QVERIFY(!w->doseEvents[0].timeOk);
    QCOMPARE(textColour(doses, 0, 0), QColor(Qt::red));
    QVERIFY(paneShows("Error in Dosing Table (1th row Time):"));
    QVERIFY(paneShows("Could not evaluate the expression for the dosage time."));
}

void TestDoseObservationPages::compartmentIsTheFirstWordAndMustExist() {
    doses->setItem(1, 1, new QTableWidgetItem("Gut"));
    QVERIFY(!w->doseEvents[1].compartmentFound);
    QCOMPARE(textColour(doses, 1, 1), QColor(Qt::red));
    QVERIFY(paneShows("Error in Dosing Table (2th row Compartment):"));
    // The pane is HTML, which shows the two blanks between names as one.
    QCOMPARE(w->doseEvents[1].compartmentErrors,
             QStringList{"Dosing compartment not found.  It should be selected from the "
                         "following: Central  Liver"});
    QVERIFY(paneShows("Dosing compartment not found."));

    doses->setItem(1, 1, new QTableWidgetItem("Liver central"));
    QCOMPARE(w->doseEvents[1].compartment, QString("Liver"));
    QVERIFY(w->doseEvents[1].compartmentFound);
    QCOMPARE(w->doseEvents[1].compartmentIndex, 1);
    QCOMPARE(textColour(doses, 1, 1), QColor(Qt::black));
    QVERIFY(errorPane->isHidden());
}

void TestDoseObservationPages::editingBeyondTheEventsGrowsThem() {
    click("pushButton_increaseObsRows");
    QCOMPARE(observations->rowCount(), 20);
    for (int i = 0; i < 3; ++i)
        click("pushButton_6");
    QCOMPARE(doses->rowCount(), 20);
    doses->setItem(12, 0, new QTableWidgetItem("1"));
    QCOMPARE(validity(w->doseEvents), QString(13, '-'));
    auto* simulation = find<QTableWidget>("tableWidget_simulationDoseEvents");
    QCOMPARE(simulation->rowCount(), 13);
    QCOMPARE(cell(simulation, 12, 0), QString("1"));
}

void TestDoseObservationPages::pastedObservationBlockBuildsEvents() {
    pasteBlock(observations, "1\tCentral/k\t2.5\tfirst\n2\tLiver\t1.5\t\n4\tCentral/V\t3\t\n");
    QCOMPARE(observations->rowCount(), 3);
    // The observed expression may name ODE variables and parameters only; V is neither.
    QCOMPARE(validity(w->observationEvents), QString("++-"));
    QCOMPARE(w->observationEvents[0].time, 1.0);
    QCOMPARE(w->observationEvents[0].value, 2.5);
    QVERIFY(!w->observationEvents[2].observedExpressionOk);
    QCOMPARE(textColour(observations, 2, 1), QColor(Qt::red));
    QCOMPARE(find<QTextBrowser>("textBrowser_y_names")->toPlainText(),
             QString("y1=Central/k\ny2=Liver\n"));
}

void TestDoseObservationPages::observationErrorsAreRed() {
    observations->setItem(0, 0, new QTableWidgetItem("abc"));
    QCOMPARE(textColour(observations, 0, 0), QColor(Qt::red));
    QVERIFY(!w->observationEvents[0].timeOk);
    QVERIFY(paneShows("Error in Observation Table (1th row Time):"));

    observations->setItem(0, 0, new QTableWidgetItem("2*3"));
    QVERIFY(w->observationEvents[0].timeOk);
    QCOMPARE(w->observationEvents[0].time, 6.0);
    QCOMPARE(textColour(observations, 0, 0), QColor(Qt::black));
    QVERIFY(paneShows("2*3=6"));

    observations->setItem(0, 1, new QTableWidgetItem("Central*"));
    QVERIFY(!w->observationEvents[0].observedExpressionOk);
    QVERIFY(paneShows("Error in Observation Table (1th row Compartment):"));
    observations->setItem(0, 1, new QTableWidgetItem("Central/k"));
    QVERIFY(w->observationEvents[0].observedExpressionOk);
    QVERIFY(errorPane->isHidden());
}

void TestDoseObservationPages::observationMenuPasteSplitsAndGrows() {
    observations->setRowCount(2);
    QApplication::clipboard()->setText("1,2\n3");
    w->pasteObservationTimeAct->trigger();
    QCOMPARE(column(observations, 0), QString("1|2|3"));
    QCOMPARE(w->observationEvents.size(), 3);
    QCOMPARE(w->observationEvents[2].time, 3.0);

    QApplication::clipboard()->setText("Central\tLiver");
    w->pasteObservationVariableAct->trigger();
    QCOMPARE(column(observations, 1), QString("Central|Liver|~"));

    QApplication::clipboard()->setText("5,6\n");
    w->pasteObservationValueAct->trigger();
    // Rows beyond the pasted values are untouched, also by the final line break.
    QCOMPARE(column(observations, 2), QString("5|6|~"));
    QCOMPARE(validity(w->observationEvents), QString("++-"));
}

void TestDoseObservationPages::observationMenuFillLog10AndUndo() {
    // Undo before any menu action has nothing to restore.
    observations->setItem(0, 0, new QTableWidgetItem("7"));
    w->undoObservationAct->trigger();
    QCOMPARE(cell(observations, 0, 0), QString("7"));
    QCOMPARE(observations->rowCount(), 10);

    QApplication::clipboard()->setText("1,2,3");
    w->pasteObservationTimeAct->trigger();
    observations->setItem(0, 1, new QTableWidgetItem("Central"));
    w->fillObservationVariableAct->trigger();
    QCOMPARE(column(observations, 1), QString("Central|").repeated(9) + "Central");

    observations->setItem(0, 2, new QTableWidgetItem("5"));
    observations->setItem(1, 2, new QTableWidgetItem(""));
    w->log10ValueAct->trigger();
    QCOMPARE(column(observations, 2).section('|', 0, 2), QString("LOG10(5)||~"));
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

QTEST_MAIN(TestDoseObservationPages)
#include "test_dose_observation_pages.moc"
