// Page 6 for a large result: N = 1000 points, 20 parameters, 40 observations, 13 ODE
// variables (100 output times), percentile 100. Per tab, the core's figure (display index,
// plotData, layers, axes; the scatter tab with its correlation matrix) and the drawing of
// that figure into an offscreen chart, rendered once. Yardstick: the parameter range drawn
// the straightforward way, one line series per point.
#include "cnm/result_plots.h"
#include "ui/Chart.h"
#include "ui/ChartView.h"
#include "ui/plot_painter.h"
#include "yardstick.h"

#include <QApplication>
#include <QImage>
#include <QLineSeries>
#include <QPainter>
#include <QValueAxis>

#include <functional>
#include <random>

namespace {

const int points = 1000, coordinates = 20, observations = 40, variables = 13, times = 100;

const compResult& record() {
    static const compResult r = [] {
        compResult r;
        std::mt19937 rng(7);
        std::uniform_real_distribution<double> u(0.0, 1.0);
        r.R.resize(1);
        r.X.resize(1);
        r.Y.resize(1);
        r.ODE_sol.resize(1);
        r.ODE_sol[0].resize(variables);
        for (int t = 0; t < times; ++t)
            r.ode_time << 0.25 * t;
        for (int p = 0; p < points; ++p) {
            r.R[0] << u(rng) * 10;
            QVector<double> x, y;
            for (int i = 0; i < coordinates; ++i)
                x << u(rng) * 4 - 2;
            for (int m = 0; m < observations; ++m)
                y << std::exp(-0.1 * m) * (1 + 0.1 * u(rng));
            r.X[0] << x;
            r.Y[0] << y;
            for (int v = 0; v < variables; ++v) {
                QVector<double> solution;
                for (int t = 0; t < times; ++t)
                    solution << (v + 1) * std::exp(-0.05 * t * (1 + u(rng)));
                r.ODE_sol[0][v] << solution;
            }
        }
        return r;
    }();
    return r;
}

const QVector<double> lower(coordinates, -2.0), upper(coordinates, 2.0);

// The figure of each tab, from the record at percentile 100.
plot_figure tab(int which) {
    const compResult& r = record();
    const QVector<int> shown = plotDisplayIndex(r, 0, 100);
    switch (which) {
    case 0:
        return odeSolutionPlot(r, 0, shown, 3, "A4", false);
    case 1:
        return observationSimulationPlot(r, 0, shown, r.Y[0][0]);
    case 2:
        return parameterRangePlot(r, 0, shown, lower, upper);
    case 3:
        return ssrParameterPlot(r, 0, shown, 0);
    case 4: {
        benchmark::DoNotOptimize(sampleCorrelation(r, 0, shown).size());
        return parameterScatterPlot(r, 0, shown, 0, 1, lower, upper, true);
    }
    default:
        return ssrPerIterationPlot(r);
    }
}
const char* const tabNames[] = {
    "ode",     "observation_simulation", "parameter_range", "ssr_parameter",
    "scatter", "ssr_per_iteration"};

struct offscreen_view {
    Chart* chart = new Chart;
    ChartView view{chart};
    plot_painter painter{chart, &view};
    QImage image{900, 600, QImage::Format_ARGB32_Premultiplied};
    offscreen_view() {
        chart->legend()->hide();
        view.resize(900, 600);
        view.show();
        QApplication::processEvents();
    }
    void render() {
        QApplication::processEvents();
        QPainter p(&image);
        view.render(&p);
    }
};

void BM_draw_one_series_per_point(benchmark::State& state) {
    offscreen_view v;
    const plot_figure f = tab(2);
    const double ns = yardstick::timed(state, [&] {
        v.chart->removeAllSeries();
        for (QtCharts::QAbstractAxis* a : v.chart->axes()) {
            v.chart->removeAxis(a);
            delete a;
        }
        auto* x = new QtCharts::QValueAxis;
        auto* y = new QtCharts::QValueAxis;
        v.chart->addAxis(x, Qt::AlignBottom);
        v.chart->addAxis(y, Qt::AlignLeft);
        for (const QVector<QPointF>& curve : f.layers[1].curves) {
            auto* s = new QtCharts::QLineSeries;
            s->replace(curve);
            v.chart->addSeries(s);
            s->attachAxis(x);
            s->attachAxis(y);
        }
        x->setRange(f.x.min, f.x.max);
        y->setRange(f.y.min, f.y.max);
        v.render();
    });
    yardstick::record("series", ns);
    state.SetLabel("yardstick");
}
BENCHMARK(BM_draw_one_series_per_point)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_core(benchmark::State& state) {
    const int which = int(state.range(0));
    record();
    const double ns =
        yardstick::timed(state, [&] { benchmark::DoNotOptimize(tab(which).plotData.size()); });
    yardstick::ratio(state, "series", ns);
    state.SetLabel(tabNames[which]);
}
BENCHMARK(BM_core)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);

void BM_draw(benchmark::State& state) {
    const int which = int(state.range(0));
    offscreen_view v;
    const plot_figure f = tab(which);
    const double ns = yardstick::timed(state, [&] {
        v.painter.draw(f);
        v.render();
    });
    yardstick::ratio(state, "series", ns);
    state.SetLabel(tabNames[which]);
}
BENCHMARK(BM_draw)->DenseRange(0, 5)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
