// Page 1 driven through its widgets: typing the model key by key, the name lists, the
// error pane, the structure Jacobian, highlighting, find and replace with undo, and the
// copy-name box.
#include "mainwindow.h"

#include "app/window_test_support.h"

#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>

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

    void typingFindsVariablesAndParameters();
    void errorPaneFollowsTyping();
    void jacobianTableFollowsText();
    void updateHighlightsKeepsModelAndFillsLabels();
    void findMarksBlueAndUndoRestoresOneStep();
    void replaceMarksRedAndRenamesParameter();
    void emptySearchTextIsRefused();
    void nameBoxes();
    void doseParametersFollowOdeParameters();
    void typingAfterFindKeepsTextAndLayout();

private:
    QTextEdit* editor = nullptr;
    QComboBox* search = nullptr;
};

void TestOdePage::init() {
    openWindow();
    editor = find<QTextEdit>("textEdit_ODEExpression");
    search = find<QComboBox>("comboBox_ODE_text_replace");
}

void TestOdePage::typingFindsVariablesAndParameters() {
    typeModel("dAdt = -kel*A + CL*B\ndBdt = -V*B ; peripheral");
    QCOMPARE(editor->toPlainText(), QString("dAdt = -kel*A + CL*B\ndBdt = -V*B ; peripheral"));
    QCOMPARE(w->odeParser.variable_name, (QStringList{"A", "B"}));
    QCOMPARE(w->para.parameterNames, (QStringList{"CL", "V", "kel"}));
    QVERIFY(errorPane->isHidden());
    const QStringList expected{"",   "=== Variables ===", "A", "B", "=== Parameters ===", "CL", "V",
                               "kel"};
    QCOMPARE(comboItems(search), expected);
    QCOMPARE(comboItems(find<QComboBox>("comboBox_copyVPnames")), expected);
}

void TestOdePage::errorPaneFollowsTyping() {
    typeModel("dAdt =");
    QVERIFY(paneShows("The algorithm was not able to understand the right hand side of A ."));
    typeModel(" 1");
    QVERIFY(errorPane->isHidden());

    typeModel("\ndAdt = 1");
    QVERIFY(!errorPane->isHidden());
    QVERIFY(errorPane->toPlainText().startsWith(
        "There are more than two equations with the same left hand side."));
    QVERIFY(errorPane->toHtml().contains("color:#ff0000"));
    for (int i = 0; i < 9; ++i)
        QTest::keyClick(editor, Qt::Key_Backspace);
    QCOMPARE(editor->toPlainText(), QString("dAdt = 1"));
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
    QCOMPARE(jacobian->verticalHeaderItem(0)->text(), QString("A"));
    QCOMPARE(jacobian->horizontalHeader()->sectionSize(0), 20);

    // Deleting the text empties the table.
    editor->selectAll();
    QTest::keyClick(editor, Qt::Key_Delete);
    QCOMPARE(jacobian->rowCount(), 0);
    QCOMPARE(jacobian->columnCount(), 0);
}

void TestOdePage::updateHighlightsKeepsModelAndFillsLabels() {
    typeModel("dAdt = -k*A ; loss");
    click("pushButton");
    QCOMPARE(editor->toPlainText(), QString("dAdt = -k*A ; loss"));
    const QString html = editor->toHtml();
    QVERIFY(html.contains("font-weight:600;\">A</span>"));
    QVERIFY(html.contains("font-style:italic;\">k</span>"));
    QVERIFY(html.contains("color:#c0c0c0;\">; loss"));
    QCOMPARE(find<QLabel>("lab_variableNames")->text(), QString("Variables: A"));
    QCOMPARE(find<QLabel>("lab_parameterNames")->text(), QString("Parameters: k"));
    QCOMPARE(comboItems(find<QComboBox>("comboBox_ODE_plot_variable")), QStringList{"A"});
    QCOMPARE(w->para.parameterNames, QStringList{"k"});
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
    QVERIFY(!editor->toHtml().contains("color:#ff0000"));
    QVERIFY(undo->isEnabled());
    QCOMPARE(w->odeParser.parameter_name, QStringList{"k"});

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
    QCOMPARE(w->odeParser.parameter_name, QStringList{"kel"});
    QCOMPARE(w->para.parameterNames, QStringList{"kel"});
    QVERIFY(comboItems(search).contains("kel"));
}

void TestOdePage::emptySearchTextIsRefused() {
    typeModel("dAdt=-k*A");
    search->setEditText("");
    click("pushButton_ODEsReplace");
    QCOMPARE(editor->toPlainText(), QString("dAdt=-k*A"));
    QVERIFY(!find("pushButton_ODEs_undo")->isEnabled());
    QVERIFY(!w->statusBar()->currentMessage().isEmpty());
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

QTEST_MAIN(TestOdePage)
#include "test_ode_page.moc"
