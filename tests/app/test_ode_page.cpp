// Page 1 driven through its widgets: typing the model key by key, the name lists, the
// error pane, the structure Jacobian, highlighting, find and replace with undo, and the
// copy-name box. Pages 3 and 3-2: the bound table regenerates the g(x) and inverse texts and
// the initial cluster whenever its current cell changes, reports bound problems and missing
// equations, the two editors parse what the user types, and the cluster is drawn again or
// imported from a file.
#include "mainwindow.h"

#include "app/window_test_support.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QToolBox>

namespace {

QStringList comboItems(QComboBox* box) {
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

} // namespace

class TestOdePage : public WindowTest {
    Q_OBJECT
private slots:
    void init();
    void cleanup() { closeWindow(); }

    void typingFindsNamesAndUpdateHighlights();
    void errorPaneFollowsTyping();
    void jacobianTableFollowsText();
    void findMarksBlueAndUndoRestoresOneStep();
    void replaceMarksRedAndRenamesParameter();
    void nameBoxes();
    void doseParametersFollowOdeParameters();
    void typingAfterFindKeepsTextAndLayout();

    void boundsGenerateTransformation();
    void boundProblemsAreReported();
    void clusterIsDrawnInTheDomain();
    void editingGTextParsesIt();
    void editingInverseRedrawsCluster();
    void importedClusterReplacesDrawnOne();

private:
    QTextEdit* editor = nullptr;
    QComboBox* search = nullptr;
    QTableWidget* boundTable = nullptr;
    QTableWidget* cluster = nullptr;
    QTextEdit* gText = nullptr;
    QTextEdit* inverseText = nullptr;
    QTemporaryDir dir;

    // Types the model, opens Step3 and fills the bound rows (cells separated by ",", rows by
    // "|"); the last current-cell change regenerates everything.
    void fillBounds(const QString& model, const QString& bounds);
};

void TestOdePage::init() {
    openWindow();
    editor = find<QTextEdit>("textEdit_ODEExpression");
    search = find<QComboBox>("comboBox_ODE_text_replace");
    boundTable = find<QTableWidget>("tableWidget_parametersSpec");
    cluster = find<QTableWidget>("tableWidget_initialCluster");
    gText = find<QTextEdit>("textEdit_paraDefinition");
    inverseText = find<QTextEdit>("textEdit_paraDefInverse");
}

void TestOdePage::typingFindsNamesAndUpdateHighlights() {
    typeModel("dAdt = -kel*A + CL*B\ndBdt = -V*B ; peripheral");
    QCOMPARE(w->para.parameterNames, (QStringList{"CL", "V", "kel"}));
    QVERIFY(errorPane->isHidden());
    const QStringList expected{"",   "=== Variables ===", "A", "B", "=== Parameters ===", "CL", "V",
                               "kel"};
    QCOMPARE(comboItems(search), expected);
    QCOMPARE(comboItems(find<QComboBox>("comboBox_copyVPnames")), expected);

    click("pushButton");
    QCOMPARE(editor->toPlainText(), QString("dAdt = -kel*A + CL*B\ndBdt = -V*B ; peripheral"));
    const QString html = editor->toHtml();
    QVERIFY(html.contains("font-weight:600;\">A</span>"));
    QVERIFY(html.contains("font-style:italic;\">kel</span>"));
    QVERIFY(html.contains("color:#c0c0c0;\">; peripheral"));
    QCOMPARE(find<QLabel>("lab_variableNames")->text(), QString("Variables: A B"));
    QCOMPARE(find<QLabel>("lab_parameterNames")->text(), QString("Parameters: CL V kel"));
    QCOMPARE(comboItems(find<QComboBox>("comboBox_ODE_plot_variable")), (QStringList{"A", "B"}));
}

void TestOdePage::errorPaneFollowsTyping() {
    typeModel("dAdt =");
    QVERIFY(paneShows("The algorithm was not able to understand the right hand side of A ."));
    QVERIFY(errorPane->toHtml().contains("color:#ff0000"));
    typeModel(" 1");
    QVERIFY(errorPane->isHidden());
}

void TestOdePage::jacobianTableFollowsText() {
    auto* jacobian = find<QTableWidget>("tableWidget_jacobian");
    typeModel("dAdt = -k*A");
    // Hidden: not refreshed.
    QCOMPARE(jacobian->rowCount(), 0);

    w->showHideStructJacobianAct->trigger();
    typeModel("\ndBdt = k*A - c*B*B");
    QCOMPARE(cells(jacobian), QString("1,0|1,-1"));
    QCOMPARE(jacobian->horizontalHeaderItem(1)->text(), QString("B"));

    // Deleting the text empties the table.
    editor->selectAll();
    QTest::keyClick(editor, Qt::Key_Delete);
    QCOMPARE(jacobian->rowCount(), 0);
    QCOMPARE(jacobian->columnCount(), 0);
}

void TestOdePage::findMarksBlueAndUndoRestoresOneStep() {
    typeModel("dAdt=-k*A");
    auto* undo = find<QPushButton>("pushButton_ODEs_undo");
    // Undo before any find keeps the text.
    w->enable_model_related_UI(true);
    click("pushButton_ODEs_undo");
    QCOMPARE(editor->toPlainText(), QString("dAdt=-k*A"));

    const QString before = editor->toHtml();
    search->setEditText("k");
    click("pushButton_findODEText");
    QCOMPARE(editor->toPlainText(), QString("dAdt= - k * A"));
    QVERIFY(editor->toHtml().contains("color:#0000ff;\">k</span>"));
    QVERIFY(undo->isEnabled());

    click("pushButton_ODEs_undo");
    QCOMPARE(editor->toPlainText(), QString("dAdt=-k*A"));
    QCOMPARE(editor->toHtml(), before);
    QVERIFY(!undo->isEnabled());

    // A second find overwrites the undo step, and there is only one step.
    search->setEditText("k");
    click("pushButton_findODEText");
    const QString afterFirst = editor->toPlainText();
    search->setEditText("A");
    click("pushButton_findODEText");
    click("pushButton_ODEs_undo");
    QCOMPARE(editor->toPlainText(), afterFirst);
    w->enable_model_related_UI(true);
    click("pushButton_ODEs_undo");
    QCOMPARE(editor->toPlainText(), afterFirst);
}

void TestOdePage::replaceMarksRedAndRenamesParameter() {
    typeModel("dAdt=-k*A+k");
    search->setEditText("k");
    find<QLineEdit>("lineEdit_ODEs_replace_to")->setText("kel");
    click("pushButton_ODEsReplace");
    QCOMPARE(editor->toPlainText(), QString("dAdt= - kel * A + kel"));
    QCOMPARE(editor->toHtml().count("color:#ff0000;\">kel</span>"), 2);
    QCOMPARE(w->para.parameterNames, QStringList{"kel"});
    QVERIFY(comboItems(search).contains("kel"));
}

void TestOdePage::nameBoxes() {
    typeModel("dAdt=-k*A");
    // Choosing a name to search for proposes it as the replacement; rebuilding the list while
    // typing in the editor does not touch the replacement.
    auto* replaceTo = find<QLineEdit>("lineEdit_ODEs_replace_to");
    replaceTo->setText("typed");
    typeModel(" ");
    QCOMPARE(replaceTo->text(), QString("typed"));
    search->setCurrentIndex(search->findText("k"));
    QCOMPARE(replaceTo->text(), QString("k"));

    // Highlighting a name in the copy box copies it; headers and the empty entry do not.
    auto* copy = find<QComboBox>("comboBox_copyVPnames");
    QClipboard* clipboard = QApplication::clipboard();
    clipboard->setText("before");
    for (const QString entry : {"=== Parameters ===", "=== Variables ===", "", "k"}) {
        QMetaObject::invokeMethod(copy, "highlighted", Q_ARG(QString, entry));
        QCOMPARE(clipboard->text(), QString(entry == "k" ? "k" : "before"));
    }
}

void TestOdePage::doseParametersFollowOdeParameters() {
    typeModel("dAdt=-k*A");
    auto* doses = find<QTableWidget>("tableWidget_doseEvents");
    const QStringList row{"0", "A", "D1*k", "0"};
    for (int c = 0; c < row.size(); ++c)
        doses->setItem(0, c, new QTableWidgetItem(row[c]));
    QCOMPARE(w->para.parameterNames, (QStringList{"k", "D1"}));
    typeModel("+q");
    QCOMPARE(w->para.parameterNames, (QStringList{"k", "q", "D1"}));
}

void TestOdePage::typingAfterFindKeepsTextAndLayout() {
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    auto* highlights = find<QPushButton>("pushButton");
    const QPoint place = highlights->mapTo(w, QPoint(0, 0));
    typeModel("dAcdt = -k*Ac");
    search->setEditText("k");
    click("pushButton_findODEText");
    QVERIFY(find("pushButton_ODEs_undo")->isEnabled());

    // Typing after the find withdraws its undo, and the pane that appears moves nothing.
    editor->moveCursor(QTextCursor::End);
    QTest::keyClicks(editor, "*AC");
    QVERIFY(paneShows("Warning: parameter AC differs from variable Ac only in capitals"));
    QCOMPARE(highlights->mapTo(w, QPoint(0, 0)), place);
    QVERIFY(!find("pushButton_ODEs_undo")->isEnabled());
    click("pushButton_ODEs_undo");
    QCOMPARE(editor->toPlainText(), QString("dAcdt= - k * Ac*AC"));
}

void TestOdePage::fillBounds(const QString& model, const QString& bounds) {
    typeModel(model);
    find<QToolBox>("toolBox")->setCurrentIndex(2);
    const QStringList rows = bounds.split('|');
    QCOMPARE(boundTable->rowCount(), rows.size());
    for (int r = 0; r < rows.size(); ++r) {
        const QStringList cells = rows[r].split(',');
        for (int c = 0; c < cells.size(); ++c)
            boundTable->setItem(r, c, new QTableWidgetItem(cells[c]));
    }
    boundTable->setCurrentCell(0, 4);
    boundTable->setCurrentCell(0, 0);
}

void TestOdePage::boundsGenerateTransformation() {
    // Parameters sort as CL, K, M, V. CL: lower bound 0 by default, a power of ten; K: equal
    // bounds, fixed; M: two theoretical bounds, logistic; V: no lower bound, linear.
    fillBounds("dAdt=-K*A/V + CL + M", "1,10|2,2|-1,2,-2,3|0.5,5,nb");
    QCOMPARE(gText->toPlainText(), QString("CL=10^(x1)\nK=2\nM=5*EXP(x2)/(1+EXP(x2))-2\nV=x3"));
    const QString inverse = "x1=LOG10(CL)\nx2=LOG((M+2)/(5-M-2))\nx3=V";
    QCOMPARE(inverseText->toPlainText(), inverse);
    QCOMPARE(find<QTextBrowser>("textBrowser_x_names")->toPlainText(), inverse);
    QCOMPARE(cluster->columnCount(), 3);
    QVERIFY(errorPane->isHidden());
}

void TestOdePage::boundProblemsAreReported() {
    fillBounds("dAdt=-K*A-V", "-1,10|1,");
    QVERIFY(paneShows("Parameter K's domain of interest is not within the theoretical bound."));
    QVERIFY(paneShows("Cluster Newton method cannot be run. Check Step 3."));
    // The text of K is still generated from its numbers.
    QCOMPARE(gText->toPlainText(), QString("K=10^(x1)"));
    // Mended cells clear the pane at the next current-cell change.
    boundTable->setItem(0, 0, new QTableWidgetItem("1"));
    boundTable->setItem(1, 1, new QTableWidgetItem("10"));
    boundTable->setCurrentCell(0, 2);
    QVERIFY(errorPane->isHidden());
}

void TestOdePage::clusterIsDrawnInTheDomain() {
    fillBounds("dAdt=-K*A", "1,100");
    // 250 points (drawn in the core), shown to six digits.
    QCOMPARE(cluster->rowCount(), 250);
    QCOMPARE(cluster->horizontalHeaderItem(0)->text(), QString("x1"));
    QCOMPARE(cluster->item(249, 0)->text(),
             QString::number(w->para.initialCluster[249][0], 'g', 6));
    // The same table draws the same cluster.
    const QVector<QVector<double>> first = w->para.initialCluster;
    boundTable->setCurrentCell(0, 1);
    QCOMPARE(w->para.initialCluster, first);

    // Changing the count alone draws nothing; the button draws that many.
    auto* count = find<QSpinBox>("spinBox_numInitICluster");
    count->setValue(10);
    QCOMPARE(w->numInitCluster, 10);
    QCOMPARE(cluster->rowCount(), 250);
    click("pushButton_4");
    QCOMPARE(cluster->rowCount(), 10);
    QCOMPARE(w->para.initialCluster.size(), 10);
    count->setValue(0);
    click("pushButton_4");
    QCOMPARE(cluster->rowCount(), 0);
}

void TestOdePage::editingGTextParsesIt() {
    fillBounds("dAdt=-K*A", "1,100");
    gText->clear();
    QTest::keyClicks(gText, "K = 10^(x1) ; log scale");
    QCOMPARE(w->para.g.size(), 1);
    QCOMPARE(w->para.x_to_parameter({2.0}), QVector<double>{100.0});
    QVERIFY(errorPane->isHidden());

    gText->clear();
    QTest::keyClicks(gText, "V=10^(x1)");
    QVERIFY(paneShows("Parameter K is not defined."));
}

void TestOdePage::editingInverseRedrawsCluster() {
    fillBounds("dAdt=-K*A", "1,100");
    inverseText->clear();
    QTest::keyClicks(inverseText, "x1=K");
    QCOMPARE(w->para.xNames, QStringList{"x1"});
    QCOMPARE(cluster->rowCount(), 250);
    QVERIFY(w->para.initialCluster[0][0] >= 1.01); // drawn in K itself now
    QCOMPARE(find<QTextBrowser>("textBrowser_x_names")->toPlainText(), QString("x1=K"));
}

void TestOdePage::importedClusterReplacesDrawnOne() {
    fillBounds("dAdt=-K*A-V", "1,100|1,10");
    const auto importFile = [this](const char* contents) {
        QFile f(dir.filePath("x.csv"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(contents);
        f.close();
        w->importInitialCluster(f.fileName());
    };
    // A file with the wrong number of columns changes nothing.
    const QVector<QVector<double>> drawn = w->para.initialCluster;
    importFile("1,2,3\n4,5,6\n");
    QCOMPARE(w->para.initialCluster, drawn);
    QCOMPARE(w->numInitCluster, 250);
    QVERIFY(paneShows("The imported X values does not have correct number of columns."));

    // Which rows are taken is the core's rule; the table and the count show them.
    importFile("0.5,0.1\n1,nan\n1.5,0.3\n2.5,0.4\n");
    QCOMPARE(w->numInitCluster, 3);
    QCOMPARE(find<QSpinBox>("spinBox_numInitICluster")->value(), 3);
    QCOMPARE(cells(cluster), QString("0.5,0.1|1.5,0.3|2.5,0.4"));
    QVERIFY(errorPane->isHidden());
}

QTEST_MAIN(TestOdePage)
#include "test_ode_page.moc"
