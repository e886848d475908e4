// Pages 2 and 4 driven through their widgets: blocks pasted into the dose and observation
// tables through the clipboard, single cells edited, the messages of the error pane, the
// parameter names that doses add, the simulation copy of the doses, and the Observation
// menu (paste, fill, log10, undo); the pane follows the current problems.
#include "mainwindow.h"

#include "app/window_test_support.h"

#include <QAction>
#include <QTextBrowser>

#include <cmath>

class TestDoseObservationPages : public WindowTest {
    Q_OBJECT
private slots:
    void init();
    void cleanup() { closeWindow(); }

    void pastedDoseBlockBuildsEvents();
    void doseExpressionAddsParameter();
    void aBadCellIsRedUntilCorrected();
    void editingBeyondTheEventsGrowsThem();
    void pastedObservationBlockBuildsEvents();
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
    QCOMPARE(validity(w->doseEvents), QString("++"));
    QCOMPARE(w->doseEvents[1].duration, 2.0);
    QCOMPARE(w->doseEvents[1].compartmentIndex, 1);
    QVERIFY(errorPane->isHidden());
    QCOMPARE(w->para.parameterNames, (QStringList{"k", "q"}));
}

void TestDoseObservationPages::doseExpressionAddsParameter() {
    pasteBlock(doses, "0\tCentral\tD1*70\t0\t\n");
    QCOMPARE(w->doseParameterNames, QStringList{"D1"});
    QCOMPARE(w->para.parameterNames, (QStringList{"k", "q", "D1"}));

    auto* bounds = find<QTableWidget>("tableWidget_parametersSpec");
    QCOMPARE(bounds->rowCount(), 3);
    QCOMPARE(bounds->verticalHeaderItem(2)->text(), QString("D1"));
    QCOMPARE(find<QTableWidget>("tableWidget_simulationParameters")->rowCount(), 3);
    QCOMPARE(w->para.simulationExpressions.size(), 3);

    // A dose that names an ODE parameter adds nothing.
    doses->setItem(0, 2, new QTableWidgetItem("k*70"));
    QCOMPARE(w->para.parameterNames, (QStringList{"k", "q"}));
    QCOMPARE(bounds->rowCount(), 2);
}

void TestDoseObservationPages::aBadCellIsRedUntilCorrected() {
    const struct {
        QTableWidget* table;
        int row, column;
        const char *bad, *says, *good, *goodSays; // goodSays "": the pane hides
    } rows[] = {
        {doses, 0, 0, "2*", "Error in Dosing Table (1th row Time):", "2*12", "2*12=24"},
        // The compartment is the first word of the cell.
        {doses, 1, 1, "Gut", "Error in Dosing Table (2th row Compartment):", "Liver central", ""},
        {doses, 0, 3, "2*", "Error in Dosing Table (1th row Duration)", "0", ""},
        {observations, 0, 0, "abc", "Error in Observation Table (1th row Time):", "2*3", "2*3=6"},
        {observations, 0, 1, "Central*",
         "Error in Observation Table (1th row Compartment):", "Central/k", ""},
    };
    for (const auto& r : rows) {
        r.table->setItem(r.row, r.column, new QTableWidgetItem(r.bad));
        QCOMPARE(textColour(r.table, r.row, r.column), QColor(Qt::red));
        QVERIFY2(paneShows(r.says), r.says);
        r.table->item(r.row, r.column)->setText(r.good);
        QCOMPARE(textColour(r.table, r.row, r.column), QColor(Qt::black));
        QVERIFY2(*r.goodSays ? paneShows(r.goodSays) : errorPane->isHidden(), r.good);
    }
    QCOMPARE(w->doseEvents[1].compartmentIndex, 1);
    QCOMPARE(w->observationEvents[0].time, 6.0);
    // A bound edit is checked at once; its correction takes the message away.
    auto* bounds = find<QTableWidget>("tableWidget_parametersSpec");
    bounds->setItem(0, 0, new QTableWidgetItem("2"));
    bounds->setItem(0, 1, new QTableWidgetItem("1"));
    QVERIFY(paneShows("Parameter k's lowerbound of the domain of interest is higher"));
    bounds->item(0, 1)->setText("3");
    QVERIFY(!paneShows("Parameter k's lowerbound of the domain of interest is higher"));
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
    QCOMPARE(textColour(observations, 2, 1), QColor(Qt::red));
    QCOMPARE(find<QTextBrowser>("textBrowser_y_names")->toPlainText(),
             QString("y1=Central/k\ny2=Liver\n"));
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
