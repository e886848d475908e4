// Plotted values, band, ranges and messages of a simulation.
#include "simulation/simulation_view.h"

#include "simulation/prediction_band.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();

void setRanges(simulation_view& view) {
    const QVector<double>& times = view.curves.first();
    view.timeMinimum = *std::min_element(times.constBegin(), times.constEnd());
    view.timeMaximum = *std::max_element(times.constBegin(), times.constEnd());
    double low = kNaN, high = kNaN, positive = kNaN;
    for (int r = 1; r < view.curves.size(); ++r) {
        for (double v : view.curves.at(r)) {
            if (std::isnan(v)) continue;
            if (!(v >= low)) low = v;
            if (!(v <= high)) high = v;
            if (v > 0 && !(v >= positive)) positive = v;
        }
    }
    view.valueMinimum = low;
    view.valueMaximum = high;
    view.smallestPositiveValue = positive;
}

} // namespace

simulation_view simulationView(const simulation_run& run, const QString& expressionText) {
    simulation_view view;
    view.xTitle = QStringLiteral("Time");
    view.yTitle = expressionText;
    view.problems = run.problems;
    if (run.isEmpty()) return view;

    parser expression(expressionText);
    if (expression.expression.isEmpty()) {
        view.problems << QStringLiteral("Enter the expression to plot, for example the name of "
                                        "an ODE variable.");
        return view;
    }
    expression.variable_name =
        QStringList(QStringLiteral("t")) + run.variableNames + run.parameterNames;
    expression.error_list.clear();
    expression.generate_tree();
    if (!expression.error_list.isEmpty()) {
        view.paneHtml =
            QStringLiteral("<font color=red> Error in simulation valiable expression (") +
            expressionText + QStringLiteral("): ") +
            expression.error_list.join(QStringLiteral("<br>")) + QStringLiteral("</font>");
        view.problems << QStringLiteral("The expression %1 cannot be plotted: it names something "
                                        "that is not t, an ODE variable or a parameter, or it is "
                                        "malformed.")
                             .arg(expressionText);
        return view;
    }

    // Values t, the state at that time, the point's parameters: one buffer for all points.
    const int stateCount = run.variableNames.size();
    const int parameterCount = run.parameterNames.size();
    const int timeCount = run.timePoints.size();
    std::vector<double> values(static_cast<size_t>(1 + stateCount + parameterCount));
    view.curves.reserve(1 + run.points.size());
    view.curves << run.timePoints;
    int failedPoints = 0;
    for (int n = 0; n < run.points.size(); ++n) {
        const double* state = run.states.at(n).constData();
        std::copy_n(run.parameterVectors.at(n).constData(), parameterCount,
                    values.begin() + 1 + stateCount);
        QVector<double> curve(timeCount);
        bool failed = false;
        for (int i = 0; i < timeCount; ++i) {
            values[0] = run.timePoints.at(i);
            std::copy_n(state + i * stateCount, stateCount, values.begin() + 1);
            curve[i] = expression.evaluate(values.data(), static_cast<int>(values.size()));
            failed = failed || std::isnan(curve[i]);
        }
        if (failed) ++failedPoints;
        view.curves << curve;
    }
    if (failedPoints > 0) {
        view.paneHtml = QStringLiteral("<font color=red> Could not evaluate the simulation "
                                       "valiable expression (") +
                        expressionText + QStringLiteral(")</font>");
        view.problems << QStringLiteral("Could not evaluate %1 for %2 of %3 parameter sets.")
                             .arg(expressionText)
                             .arg(failedPoints)
                             .arg(run.points.size());
    }

    view.curveRowLabels << QStringLiteral("time");
    for (int n = 1; n <= run.points.size(); ++n)
        view.curveRowLabels << QString::number(n);
    view.band = predictionBand(run.timePoints, view.curves.mid(1));
    view.bandRowLabels = predictionBandRowLabels();
    view.columnLabels = QVector<QString>(timeCount).toList();
    setRanges(view);
    return view;
}
