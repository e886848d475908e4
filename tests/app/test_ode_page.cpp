// Page 1 driven through its widgets: typing the model key by key, the name lists, the
// error pane, the structure Jacobian, highlighting, find and replace with undo, and the
// copy-name box.
#include "mainwindow.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTableWidget>
#include <QTextEdit>
#include <QtTest>

namespace {

QStringList comboItems(QComboBox* box) {
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

} // namespace

class TestOdePage : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup() { delete w; }

    void typingFindsVariablesAndParameters();
    void duplicateEquationShowsErrorUntilDeleted();
    void unreadableRightHandSideIsReported();
    void jacobianTableFollowsText();
    void updateHighlightsKeepsModelAndFillsLabels();
    void findMarksBlueAndUndoRestores();
    void replaceMarksRedAndRenamesParameter();
    void secondFindOverwritesUndoStep();
    void emptySearchTextIsRefused();
    void undoBeforeAnyFindKeepsText();
    void choosingSearchEntryFillsReplacement();
    void highlightingNameCopiesIt();
    void doseParametersFollowOdeParameters();

private:
    MainWindow* w = nullptr;
    QTextEdit* editor = nullptr;
    QTextEdit* errorPane = nullptr;
    QComboBox* search = nullptr;

    void type(const QString& text) { QTest::keyClicks(editor, text); }
};

void TestOdePage::init() {
    w = new MainWindow;
    editor = w->findChild<QTextEdit*>("textEdit_ODEExpression");
    errorPane = w->findChild<QTextEdit*>("textEdit_error");
    search = w->findChild<QComboBox*>("comboBox_ODE_text_replace");
    QVERIFY(editor && errorPane && search);
}

void TestOdePage::typingFindsVariablesAndParameters() {
    type("dAdt = -kel*A + CL*B");
    QTest::keyClick(editor, Qt::Key_Return);
    type("dBdt = -V*B ; peripheral");
    QCOMPARE(editor->toPlainText(), QString("dAdt = -kel*A + CL*B\ndBdt = -V*B ; peripheral"));
    QCOMPARE(w->odeParser.variable_name, (QStringList{"A", "B"}));
    QCOMPARE(w->para.parameterNames, (QStringList{"CL", "V", "kel"}));
    QVERIFY(errorPane->isHidden());

    const QStringList expected{"",   "=== Variables ===", "A", "B", "=== Parameters ===", "CL", "V",
                               "kel"};
    QCOMPARE(comboItems(search), expected);
    QCOMPARE(comboItems(w->findChild<QComboBox*>("comboBox_copyVPnames")), expected);
}

void TestOdePage::duplicateEquationShowsErrorUntilDeleted() {
    type("dAdt = 1");
    QVERIFY(errorPane->isHidden());
    QTest::keyClick(editor, Qt::Key_Return);
    type("dAdt = 1");
    QVERIFY(!errorPane->isHidden());
    QVERIFY(errorPane->toPlainText().startsWith(
        "There are more than two equations with the same left hand side."));
    QVERIFY(errorPane->toHtml().contains("color:#ff0000"));

    for (int i = 0; i < 9; ++i)
        QTest::keyClick(editor, Qt::Key_Backspace);
    QCOMPARE(editor->toPlainText(), QString("dAdt = 1"));
    QVERIFY(errorPane->isHidden());
}

void TestOdePage::unreadableRightHandSideIsReported() {
    type("dAdt =");
    QVERIFY(!errorPane->isHidden());
    QVERIFY(errorPane->toPlainText().contains(
        "The algorithm was not able to understand the right hand side of A ."));
    type(" -k*A");
    QVERIFY(errorPane->isHidden());
}

void TestOdePage::jacobianTableFollowsText() {
    QTableWidget* jacobian = w->findChild<QTableWidget*>("tableWidget_jacobian");
    type("dAdt = -k*A");
    // Hidden: not refreshed.
    QCOMPARE(jacobian->rowCount(), 0);

    w->showHideStructJacobianAct->trigger();
    QTest::keyClick(editor, Qt::Key_Return);
    type("dBdt = k*A - c*B*B");
    QCOMPARE(jacobian->rowCount(), 2);
    QCOMPARE(jacobian->columnCount(), 2);
    QCOMPARE(jacobian->horizontalHeaderItem(1)->text(), QString("B"));
    QCOMPARE(jacobian->verticalHeaderItem(0)->text(), QString("A"));
    const QStringList expected{"1", "0", "1", "-1"};
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 2; ++c)
            QCOMPARE(jacobian->item(r, c)->text(), expected[2 * r + c]);
    QCOMPARE(jacobian->horizontalHeader()->sectionSize(0), 20);

    // Deleting the text empties the table.
    editor->selectAll();
    QTest::keyClick(editor, Qt::Key_Delete);
    QCOMPARE(jacobian->rowCount(), 0);
    QCOMPARE(jacobian->columnCount(), 0);
}

void TestOdePage::updateHighlightsKeepsModelAndFillsLabels() {
    type("dAdt = -k*A ; loss");
    QTest::mouseClick(w->findChild<QPushButton*>("pushButton"), Qt::LeftButton);
    QCOMPARE(editor->toPlainText(), QString("dAdt = -k*A ; loss"));
    const QString html = editor->toHtml();
    QVERIFY(html.contains("font-weight:600;\">A</span>"));
    QVERIFY(html.contains("font-style:italic;\">k</span>"));
    QVERIFY(html.contains("color:#c0c0c0;\">; loss"));
    QCOMPARE(w->findChild<QLabel*>("lab_variableNames")->text(), QString("Variables: A"));
    QCOMPARE(w->findChild<QLabel*>("lab_parameterNames")->text(), QString("Parameters: k"));
    QCOMPARE(comboItems(w->findChild<QComboBox*>("comboBox_ODE_plot_variable")), QStringList{"A"});
    QCOMPARE(w->para.parameterNames, QStringList{"k"});
}

void TestOdePage::findMarksBlueAndUndoRestores() {
    type("dAdt=-k*A");
    const QString before = editor->toHtml();
    QPushButton* undo = w->findChild<QPushButton*>("pushButton_ODEs_undo");
    search->setEditText("k");
    QTest::mouseClick(w->findChild<QPushButton*>("pushButton_findODEText"), Qt::LeftButton);
    QCOMPARE(editor->toPlainText(), QString("dAdt= - k * A"));
    QVERIFY(editor->toHtml().contains("color:#0000ff;\">k</span>"));
    QVERIFY(!editor->toHtml().contains("color:#ff0000"));
    QVERIFY(undo->isEnabled());
    QCOMPARE(w->odeParser.parameter_name, QStringList{"k"});

    QTest::mouseClick(undo, Qt::LeftButton);
    QCOMPARE(editor->toPlainText(), QString("dAdt=-k*A"));
    QCOMPARE(editor->toHtml(), before);
    QVERIFY(!undo->isEnabled());
}

void TestOdePage::replaceMarksRedAndRenamesParameter() {
    type("dAdt=-k*A+k");
    search->setEditText("k");
    w->findChild<QLineEdit*>("lineEdit_ODEs_replace_to")->setText("kel");
    QTest::mouseClick(w->findChild<QPushButton*>("pushButton_ODEsReplace"), Qt::LeftButton);
    QCOMPARE(editor->toPlainText(), QString("dAdt= - kel * A + kel"));
    QCOMPARE(editor->toHtml().count("color:#ff0000;\">kel</span>"), 2);
    QCOMPARE(w->odeParser.parameter_name, QStringList{"kel"});
    QCOMPARE(w->para.parameterNames, QStringList{"kel"});
    QVERIFY(comboItems(search).contains("kel"));
}

void TestOdePage::secondFindOverwritesUndoStep() {
    type("dAdt=-k*A");
    search->setEditText("k");
    QTest::mouseClick(w->findChild<QPushButton*>("pushButton_findODEText"), Qt::LeftButton);
    const QString afterFirst = editor->toPlainText();
    search->setEditText("A");
    QTest::mouseClick(w->findChild<QPushButton*>("pushButton_findODEText"), Qt::LeftButton);
    QTest::mouseClick(w->findChild<QPushButton*>("pushButton_ODEs_undo"), Qt::LeftButton);
    QCOMPARE(editor->toPlainText(), afterFirst);
    // Only one step: a second click changes nothing.
    w->enable_model_related_UI(true);
    QTest::mouseClick(w->findChild<QPushButton*>("pushButton_ODEs_undo"), Qt::LeftButton);
    QCOMPARE(editor->toPlainText(), afterFirst);
}

void TestOdePage::emptySearchTextIsRefused() {
    type("dAdt=-k*A");
    search->setEditText("");
    QTest::mouseClick(w->findChild<QPushButton*>("pushButton_ODEsReplace"), Qt::LeftButton);
    QCOMPARE(editor->toPlainText(), QString("dAdt=-k*A"));
    QVERIFY(!w->findChild<QPushButton*>("pushButton_ODEs_undo")->isEnabled());
    QVERIFY(!w->statusBar()->currentMessage().isEmpty());
}

void TestOdePage::undoBeforeAnyFindKeepsText() {
    type("dAdt=-k*A");
    w->enable_model_related_UI(true);
    QTest::mouseClick(w->findChild<QPushButton*>("pushButton_ODEs_undo"), Qt::LeftButton);
    QCOMPARE(editor->toPlainText(), QString("dAdt=-k*A"));
}

void TestOdePage::choosingSearchEntryFillsReplacement() {
    type("dAdt=-k*A");
    QLineEdit* replaceTo = w->findChild<QLineEdit*>("lineEdit_ODEs_replace_to");
    replaceTo->setText("typed");
    // Typing in the editor rebuilt the list without touching the replacement.
    QCOMPARE(replaceTo->text(), QString("typed"));
    search->setCurrentIndex(search->findText("k"));
    QCOMPARE(replaceTo->text(), QString("k"));
}

void TestOdePage::highlightingNameCopiesIt() {
    type("dAdt=-k*A");
    QComboBox* copy = w->findChild<QComboBox*>("comboBox_copyVPnames");
    QClipboard* clipboard = QApplication::clipboard();
    clipboard->setText("before");
    for (const QString& header :
         {QString("=== Parameters ==="), QString("=== Variables ==="), QString()}) {
        QMetaObject::invokeMethod(copy, "highlighted", Q_ARG(QString, header));
        QCOMPARE(clipboard->text(), QString("before"));
    }
    QMetaObject::invokeMethod(copy, "highlighted", Q_ARG(QString, "k"));
    QCOMPARE(clipboard->text(), QString("k"));
}

void TestOdePage::doseParametersFollowOdeParameters() {
    w->doseParameterNames = QStringList{"D1", "k"};
    type("dAdt=-k*A");
    QCOMPARE(w->para.parameterNames, (QStringList{"k", "D1"}));
}

QTEST_MAIN(TestOdePage)
#include "test_ode_page.moc"
