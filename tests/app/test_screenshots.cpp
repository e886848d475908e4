// The screenshot run fills the 13-compartment PBPK model the way a user would and writes
// one picture per page; the model it leaves behind must be complete and free of errors.
#include "mainwindow.h"
#include "screenshots.h"

#include "ui/table_test_support.h"

#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QtTest>

#include <algorithm>

class TestScreenshots : public QObject {
    Q_OBJECT
private slots:
    void writesEveryPageOfACompleteModel();
};

void TestScreenshots::writesEveryPageOfACompleteModel() {
    ModalBoxGuard boxes;
    QTemporaryDir dir;
    MainWindow w;
    QCOMPARE(renderScreenshots(w, dir.filePath("shots")), 0);

    const QStringList files = QDir(dir.filePath("shots")).entryList({"*.png"}, QDir::Files);
    // Eight pages and the six further tabs of the result page.
    QCOMPARE(files.size(), 14);
    for (const QString& file : files) {
        const QImage image(dir.filePath("shots/" + file));
        QVERIFY2(image.width() >= 1280 && image.height() >= 720, qPrintable(file));
    }
    // The pictures the README shows.
    QVERIFY(files.contains("step1_ode.png") && files.contains("step3-2_transformation.png") &&
            files.contains("step6_parameter_range.png"));
    // The model as filled in: 13 variables, nine valid observations, six estimated
    // parameters, a drawn cluster and no message.
    QCOMPARE(w.odeParser.variable_name.size(), 13);
    QCOMPARE(w.observationEvents.size() -
                 std::count_if(w.observationEvents.begin(), w.observationEvents.end(),
                               [](const observation_event& e) { return !e.isValid; }),
             9);
    QCOMPARE(w.para.xNames.size(), 6);
    QCOMPARE(w.para.initialCluster.size(), 250);
    QVERIFY(w.findChild<QTextEdit*>("textEdit_error")->isHidden());
    QVERIFY(boxes.texts.isEmpty());
}

QTEST_MAIN(TestScreenshots)
#include "test_screenshots.moc"
