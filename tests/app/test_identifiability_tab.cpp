// The Identifiability tab and the report: a short run of the oral example fills the summary
// table with one row per parameter, the selected row's profile is drawn with its threshold
// line, and File > Export report writes a PDF with pages.
#include "window_test_support.h"

#include "screenshots.h"
#include "ui/Chart.h"
#include "ui/plot_painter.h"

#include <QAbstractSeries>
#include <QChart>
#include <QLabel>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolBox>

class TestIdentifiabilityTab : public WindowTest {
    Q_OBJECT
    QTemporaryDir dir;

private slots:
    void init() {
        openWindow();
        QVERIFY(showExampleResult(*w, "oral_multiple_dose", dir.filePath("run"), 4));
        find<QToolBox>("toolBox")->setCurrentIndex(6);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
    }
    void cleanup() { closeWindow(); }

    void theTabShowsOneRowPerParameterAndTheProfile() {
        auto* tabs = find<QTabWidget>("tabWidget");
        tabs->setCurrentIndex(tabs->count() - 1);
        QCOMPARE(tabs->tabText(tabs->currentIndex()), QString("Identifiability"));
        auto* table = find<QTableWidget>("tableWidget_identifiability");
        QCOMPARE(table->rowCount(), w->para.parameterNames.size());
        QVERIFY(w->identifiability.problem.isEmpty());
        QVERIFY(!find<QLabel>("label_identifiabilityRule")->text().isEmpty());

        // A row of an estimated parameter draws its profile and the threshold line.
        const int row = w->identifiability.summary.size() - 1;
        table->setCurrentCell(row, 0);
        const int coordinate = w->identifiability.summary.at(row).coordinate;
        QVERIFY(coordinate >= 0);
        QVERIFY(w->painter_identifiability->figure().x.title.startsWith(
            w->identifiability.xNames.at(coordinate)));
        QStringList names;
        for (QtCharts::QAbstractSeries* s : w->chart_identifiability->series())
            names << s->name();
        QVERIFY(names.contains("threshold"));
        QVERIFY(names.contains("lowest SSR"));
    }

    void theReportIsAPdfWithPages() {
        const QString file = dir.filePath("report.pdf");
        QVERIFY(w->exportReport(file));
        QFile pdf(file);
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        const QByteArray bytes = pdf.readAll();
        QVERIFY(bytes.startsWith("%PDF"));
        QVERIFY(bytes.count("/Type /Page\n") + bytes.count("/Type /Page\r") +
                    bytes.count("/Type /Page ") + bytes.count("/Type /Page>") >
                1);
        QVERIFY(!w->exportReport(dir.filePath("missing/folder/report.pdf")));
    }
};

QTEST_MAIN(TestIdentifiabilityTab)
#include "test_identifiability_tab.moc"
