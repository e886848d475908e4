// Pages 3 and 3-2 driven through their widgets: the bound table regenerates the g(x) and
// inverse texts and the initial cluster whenever its current cell changes, reports bound
// problems and missing equations, the two editors parse what the user types, and the
// cluster is drawn again or imported from a file.
#include "mainwindow.h"

#include "app/window_test_support.h"

#include <QFile>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QToolBox>

class TestParameterPages : public WindowTest {
    Q_OBJECT
private slots:
    void init();
    void cleanup() { closeWindow(); }

    void boundsGenerateTransformation();
    void boundProblemsAreReported();
    void clusterIsDrawnInTheDomain();
    void editingGTextParsesIt();
    void editingInverseRedrawsCluster();
    void importedClusterReplacesDrawnOne();

private:
    QTableWidget* boundTable = nullptr;
    QTableWidget* cluster = nullptr;
    QTextEdit* gText = nullptr;
    QTextEdit* inverseText = nullptr;
    QTemporaryDir dir;

    // Types the model, opens Step3 and fills the bound rows (cells separated by ",", rows by
    // "|"); the last current-cell change regenerates everything.
    void fillBounds(const QString& model, const QString& bounds);
};

void TestParameterPages::init() {
    openWindow();
    boundTable = find<QTableWidget>("tableWidget_parametersSpec");
    cluster = find<QTableWidget>("tableWidget_initialCluster");
    gText = find<QTextEdit>("textEdit_paraDefinition");
    inverseText = find<QTextEdit>("textEdit_paraDefInverse");
}

void TestParameterPages::fillBounds(const QString& model, const QString& bounds) {
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

void TestParameterPages::boundsGenerateTransformation() {
    // Parameters sort as CL, K, M, V. CL: lower bound 0 by default, a power of ten; K: equal
    // bounds, fixed; M: two theoretical bounds, logistic; V: no lower bound, linear.
    fillBounds("dAdt=-K*A/V + CL + M", "1,10|2,2|-1,2,-2,3|0.5,5,nb");
    QCOMPARE(gText->toPlainText(), QString("CL=10^(x1)\nK=2\nM=5*EXP(x2)/(1+EXP(x2))-2\nV=x3"));
    const QString inverse = "x1=LOG10(CL)\nx2=LOG((M+2)/(5-M-2))\nx3=V";
    QCOMPARE(inverseText->toPlainText(), inverse);
    QCOMPARE(find<QTextBrowser>("textBrowser_x_names")->toPlainText(), inverse);
    QCOMPARE(w->para.xIndex, (QVector<int>{1, 0, 2, 3}));
    QCOMPARE(w->para.x_to_parameter({1.0, 0.0, 3.0}), (QVector<double>{10.0, 2.0, 0.5, 3.0}));
    QCOMPARE(cluster->columnCount(), 3);
    QVERIFY(errorPane->isHidden());
}

void TestParameterPages::boundProblemsAreReported() {
    fillBounds("dAdt=-K*A-V", "-1,10|1,");
    for (const char* message :
         {"Parameter K's domain of interest is not within the theoretical bound.",
          "ParameterV's upperbound of the domain of interest is not defined.",
          "Parameter V is not defined.",
          "Parameters are not specified correctly, Cluster Newton method cannot be run. Check "
          "Step 3."})
        QVERIFY2(paneShows(message), message);
    // The text of K is still generated from its numbers.
    QCOMPARE(gText->toPlainText(), QString("K=10^(x1)"));
    // Mended cells clear the pane at the next current-cell change.
    boundTable->setItem(0, 0, new QTableWidgetItem("1"));
    boundTable->setItem(1, 1, new QTableWidgetItem("10"));
    boundTable->setCurrentCell(0, 2);
    QVERIFY(errorPane->isHidden());
}

void TestParameterPages::clusterIsDrawnInTheDomain() {
    fillBounds("dAdt=-K*A", "1,100");
    QCOMPARE(gText->toPlainText(), QString("K=10^(x1)"));
    QCOMPARE(inverseText->toPlainText(), QString("x1=LOG10(K)"));
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

void TestParameterPages::editingGTextParsesIt() {
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

void TestParameterPages::editingInverseRedrawsCluster() {
    fillBounds("dAdt=-K*A", "1,100");
    inverseText->clear();
    QTest::keyClicks(inverseText, "x1=K");
    QCOMPARE(w->para.xNames, QStringList{"x1"});
    QCOMPARE(cluster->rowCount(), 250);
    QVERIFY(w->para.initialCluster[0][0] >= 1.01); // drawn in K itself now
    QCOMPARE(find<QTextBrowser>("textBrowser_x_names")->toPlainText(), QString("x1=K"));
}

void TestParameterPages::importedClusterReplacesDrawnOne() {
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

    // Short rows and rows with non-finite numbers are dropped.
    importFile("0.5,0.1\n1,nan\n1.5,0.3\n2\n0.7,inf\n2.5,0.4\n");
    QCOMPARE(w->para.initialCluster,
             (QVector<QVector<double>>{{0.5, 0.1}, {1.5, 0.3}, {2.5, 0.4}}));
    QCOMPARE(w->numInitCluster, 3);
    QCOMPARE(find<QSpinBox>("spinBox_numInitICluster")->value(), 3);
    QCOMPARE(cells(cluster), QString("0.5,0.1|1.5,0.3|2.5,0.4"));
    QCOMPARE(cluster->horizontalHeaderItem(1)->text(), QString("x2"));
    QVERIFY(errorPane->isHidden());
}

QTEST_MAIN(TestParameterPages)
#include "test_parameter_pages.moc"
