// Velmora: identifies the parameters of ODE compartment models by the Cluster Newton
// method. Starts the main window, opening the model directory given as argument
// (`velmora examples/oral_multiple_dose`); with --screenshots DIR it renders every page
// into DIR instead and exits.
#include "mainwindow.h"
#include "screenshots.h"

#include <QApplication>
#include <QStringList>

int main(int argc, char* argv[]) {
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QApplication app(argc, argv);
    MainWindow window;

    const QStringList args = QCoreApplication::arguments();
    const int screenshots = args.indexOf(QStringLiteral("--screenshots"));
    if (screenshots >= 0) {
        if (screenshots + 1 >= args.size()) return 2;
        return renderScreenshots(window, args.at(screenshots + 1));
    }

    // Qt has taken its own options out of the arguments; the first other one is a directory.
    for (const QString& arg : args.mid(1)) {
        if (arg.startsWith(QLatin1Char('-'))) continue;
        window.loadFrom(arg);
        break;
    }

    window.grabGesture(Qt::PanGesture);
    window.grabGesture(Qt::PinchGesture);
    window.show();
    return app.exec();
}
