// Pages 3 and 3-2 driven through their widgets: the bound table regenerates the g(x) and
// inverse texts and the initial cluster whenever its current cell changes, reports bound
// problems and missing equations, the two editors parse what the user types, and the
// cluster is drawn again or imported from a file.
#include "mainwindow.h"

#include "ui/message_box_catcher.h"

#include <QFile>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTextEdit>
#include <QToolBox>
#include <QtTest>

#include <cmath>

class TestParameterPages : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void logBoundGivesPowerOfTen();
    void fixedParameterTakesNoXIndex();
    void twoTheoreticalBoundsGiveLogistic();
    void domainOutsideTheoreticalBoundIsReported();
    void missingDomainBoundFailsCompletenessCheck();
    void clusterIsRedrawnFromSpinBoxCount();
    void editingGTextParsesIt();
    void editingInverseRedrawsCluster();
    void importedClusterReplacesDrawnOne();
    void importWithWrongColumnsKeepsCluster();
    void lockedPagesCannotBeEdited();

private:
    MainWindow* w = nullptr;
    QTableWidget* spec = nullptr;
    QTableWidget* cluster = nullptr;
    QTextEdit* gText = nullptr;
    QTextEdit* inverseText = nullptr;
    QTextEdit* errorPane = nullptr;
    ModalBoxGuard* boxes = nullptr;
    QTemporaryDir dir;

    // Types the model, opens Step3 and fills the bound rows; the last current-cell change
    // regenerates everything.
    void fillBounds(const QString& model, const QVector<QStringList>& rows);
    QString plain(QTextEdit* e) const { return e->toPlainText(); }
};

void TestParameterPages::init() {
    boxes = new ModalBoxGuard;
    w = new MainWindow;
    spec = w->findChild<QTableWidget*>("tableWidget_parametersSpec");
    cluster = w->findChild<QTableWidget*>("tableWidget_initialCluster");
    gText = w->findChild<QTextEdit*>("textEdit_paraDefinition");
    inverseText = w->findChild<QTextEdit*>("textEdit_paraDefInverse");
    errorPane = w->findChild<QTextEdit*>("textEdit_error");
}

void TestParameterPages::cleanup() {
    delete w;
    const QStringList shown = boxes->texts;
    delete boxes;
    QVERIFY2(shown.isEmpty(), qPrintable(shown.join("; ")));
}

void TestParameterPages::fillBounds(const QString& model, const QVector<QStringList>& rows) {
    QTest::keyClicks(w->findChild<QTextEdit*>("textEdit_ODEExpression"), model);
    w->findChild<QToolBox*>("toolBox")->setCurrentIndex(2);
    QCOMPARE(spec->rowCount(), rows.size());
    for (int r = 0; r < rows.size(); ++r)
        for (int c = 0; c < rows[r].size(); ++c)
            spec->setItem(r, c, new QTableWidgetItem(rows[r][c]));
    spec->setCurrentCell(0, 4);
    spec->setCurrentCell(0, 0);
}

void TestParameterPages::logBoundGivesPowerOfTen() {
    fillBounds("dAdt=-K*A", {{"1", "100"}});
    QCOMPARE(plain(gText), QString("K=10^(x1)"));
    QCOMPARE(plain(inverseText), QString("x1=LOG10(K)"));
    QCOMPARE(w->para.xIndex, QVector<int>{1});
    QVERIFY(errorPane->isHidden());
    QCOMPARE(w->findChild<QTextBrowser*>("textBrowser_x_names")->toPlainText(),
             QString("x1=LOG10(K)"));

    // 250 points, drawn uniformly between the shrunk domain's logarithms.
    QCOMPARE(cluster->rowCount(), 250);
    QCOMPARE(cluster->columnCount(), 1);
    QCOMPARE(cluster->horizontalHeaderItem(0)->text(), QString("x1"));
    const double low = std::log10(1.01);
    const double high = std::log10(99.0);
    double smallest = high;
    double largest = low;
    for (int r = 0; r < 250; ++r) {
        const double x = cluster->item(r, 0)->text().toDouble();
        QVERIFY2(x >= low - 1e-6 && x <= high + 1e-6, qPrintable(cluster->item(r, 0)->text()));
        smallest = std::min(smallest, x);
        largest = std::max(largest, x);
        QCOMPARE(x, std::stod(QString::number(w->para.initialCluster[r][0], 'g', 6).toStdString()));
    }
    // Spread over the interval, not stuck at one value.
    QVERIFY(largest - smallest > 0.8 * (high - low));

    // The same table draws the same cluster.
    const QVector<QVector<double>> first = w->para.initialCluster;
    spec->setCurrentCell(0, 1);
    QCOMPARE(w->para.initialCluster, first);
}

void TestParameterPages::fixedParameterTakesNoXIndex() {
    // Parameters sort as CL, K, V.
    fillBounds("dAdt=-K*A/V + CL", {{"1", "10"}, {"2", "2"}, {"0.5", "5", "nb"}});
    QCOMPARE(plain(gText), QString("CL=10^(x1)\nK=2\nV=x2"));
    QCOMPARE(plain(inverseText), QString("x1=LOG10(CL)\nx2=V"));
    QCOMPARE(w->para.xIndex, (QVector<int>{1, 0, 2}));
    QCOMPARE(cluster->columnCount(), 2);
    QCOMPARE(w->para.x_to_parameter({1.0, 3.0}), (QVector<double>{10.0, 2.0, 3.0}));
}

void TestParameterPages::twoTheoreticalBoundsGiveLogistic() {
    fillBounds("dAdt=-K*A", {{"-1", "2", "-2", "3"}});
    QCOMPARE(plain(gText), QString("K=5*EXP(x1)/(1+EXP(x1))-2"));
    QCOMPARE(plain(inverseText), QString("x1=LOG((K+2)/(5-K-2))"));
    QVERIFY(errorPane->isHidden());
}

void TestParameterPages::domainOutsideTheoreticalBoundIsReported() {
    fillBounds("dAdt=-K*A", {{"-1", "10"}});
    QVERIFY(!errorPane->isHidden());
    QVERIFY(errorPane->toPlainText().contains(
        "Parameter K's domain of interest is not within the theoretical bound."));
    // The text is still generated from the numbers.
    QCOMPARE(plain(gText), QString("K=10^(x1)"));

    spec->setItem(0, 0, new QTableWidgetItem("1"));
    spec->setCurrentCell(0, 2);
    QVERIFY(errorPane->isHidden());
}

void TestParameterPages::missingDomainBoundFailsCompletenessCheck() {
    fillBounds("dAdt=-K*A-V", {{"1", "10"}, {"1", ""}});
    QVERIFY(!errorPane->isHidden());
    const QString pane = errorPane->toPlainText();
    QVERIFY(pane.contains("ParameterV's upperbound of the domain of interest is not defined."));
    QVERIFY(pane.contains("Parameter V is not defined."));
    QVERIFY(pane.contains("Parameters are not specified correctly, Cluster Newton method cannot "
                          "be run. Check Step 3."));
    QCOMPARE(plain(gText), QString("K=10^(x1)"));
}

void TestParameterPages::clusterIsRedrawnFromSpinBoxCount() {
    fillBounds("dAdt=-K*A", {{"1", "100"}});
    QSpinBox* count = w->findChild<QSpinBox*>("spinBox_numInitICluster");
    count->setValue(10);
    QCOMPARE(w->numInitCluster, 10);
    // Changing the count alone draws nothing.
    QCOMPARE(cluster->rowCount(), 250);
    QTest::mouseClick(w->findChild<QPushButton*>("pushButton_4"), Qt::LeftButton);
    QCOMPARE(cluster->rowCount(), 10);
    QCOMPARE(w->para.initialCluster.size(), 10);

    count->setValue(0);
    QTest::mouseClick(w->findChild<QPushButton*>("pushButton_4"), Qt::LeftButton);
    QCOMPARE(cluster->rowCount(), 0);
}

void TestParameterPages::editingGTextParsesIt() {
    fillBounds("dAdt=-K*A", {{"1", "100"}});
    gText->clear();
    QTest::keyClicks(gText, "K = 10^(x1) ; log scale");
    QCOMPARE(w->para.g.size(), 1);
    QCOMPARE(w->para.x_to_parameter({2.0}), QVector<double>{100.0});
    QVERIFY(errorPane->isHidden());

    gText->clear();
    QTest::keyClicks(gText, "V=10^(x1)");
    QVERIFY(!errorPane->isHidden());
    QVERIFY(errorPane->toPlainText().contains("Parameter K is not defined."));
}

void TestParameterPages::editingInverseRedrawsCluster() {
    fillBounds("dAdt=-K*A", {{"1", "100"}});
    inverseText->clear();
    QTest::keyClicks(inverseText, "x1=K");
    QCOMPARE(w->para.xNames, QStringList{"x1"});
    QCOMPARE(cluster->rowCount(), 250);
    for (int r = 0; r < 250; ++r) {
        const double x = w->para.initialCluster[r][0];
        QVERIFY(x >= 1.01 && x <= 99.0);
    }
    QCOMPARE(w->findChild<QTextBrowser*>("textBrowser_x_names")->toPlainText(), QString("x1=K"));
}

void TestParameterPages::importedClusterReplacesDrawnOne() {
    fillBounds("dAdt=-K*A-V", {{"1", "100"}, {"1", "10"}});
    const QString path = dir.filePath("x.csv");
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("0.5,0.1\n1,nan\n1.5,0.3\n2\n0.7,inf\n2.5,0.4\n");
    f.close();

    w->importInitialCluster(path);
    QCOMPARE(w->para.initialCluster,
             (QVector<QVector<double>>{{0.5, 0.1}, {1.5, 0.3}, {2.5, 0.4}}));
    QCOMPARE(w->numInitCluster, 3);
    QCOMPARE(w->findChild<QSpinBox*>("spinBox_numInitICluster")->value(), 3);
    QCOMPARE(cluster->rowCount(), 3);
    QCOMPARE(cluster->item(1, 1)->text(), QString("0.3"));
    QCOMPARE(cluster->horizontalHeaderItem(1)->text(), QString("x2"));
    QVERIFY(errorPane->isHidden());
}

void TestParameterPages::importWithWrongColumnsKeepsCluster() {
    fillBounds("dAdt=-K*A-V", {{"1", "100"}, {"1", "10"}});
    const QVector<QVector<double>> drawn = w->para.initialCluster;
    const QString path = dir.filePath("wide.csv");
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("1,2,3\n4,5,6\n");
    f.close();

    w->importInitialCluster(path);
    QCOMPARE(w->para.initialCluster, drawn);
    QCOMPARE(w->numInitCluster, 250);
    QVERIFY(!errorPane->isHidden());
    QVERIFY(errorPane->toPlainText().contains(
        "The imported X values does not have correct number of columns."));
}

void TestParameterPages::lockedPagesCannotBeEdited() {
    fillBounds("dAdt=-K*A", {{"1", "100"}});
    w->enable_model_related_UI(false);
    QVERIFY(gText->isReadOnly());
    QTest::keyClicks(gText, "junk");
    QCOMPARE(plain(gText), QString("K=10^(x1)"));
    QVERIFY(!w->findChild<QPushButton*>("pushButton_4")->isEnabled());
    QVERIFY(!w->findChild<QSpinBox*>("spinBox_numInitICluster")->isEnabled());
    w->enable_model_related_UI(true);
    QVERIFY(!gText->isReadOnly());
}

QTEST_MAIN(TestParameterPages)
#include "test_parameter_pages.moc"
