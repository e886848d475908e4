// The profile plot of one parameter.
#include "analysis/profile_plot.h"

#include "cnm/result_plots.h"

#include <cmath>

plot_figure profilePlot(const parameterProfile& profile) {
    plot_figure f;
    const int bins = profile.ssr.size();
    if (bins == 0 || profile.binLower.size() != bins || profile.binUpper.size() != bins) return f;
    f.x.title = profile.parameterName.isEmpty() || profile.parameterName == profile.xName
                    ? profile.xName
                    : profile.xName + " (" + profile.parameterName + ")";
    f.y.title = QStringLiteral("SSR");
    f.y.log = true;

    plot_figure::layer envelope;
    envelope.what = plot_figure::layer::statistic;
    envelope.name = QStringLiteral("lowest SSR");
    envelope.curves = {{}};
    QVector<double> values;
    for (int b = 0; b < bins; ++b) {
        f.plotData.append({profile.binLower.at(b), profile.binUpper.at(b), profile.x.at(b),
                           profile.parameterValue.at(b), profile.ssr.at(b)});
        // A bin without points leaves a gap in the envelope.
        envelope.curves[0].append(QPointF(profile.x.at(b), profile.ssr.at(b)));
        values.append(profile.ssr.at(b));
    }
    f.x.min = profile.binLower.first();
    f.x.max = profile.binUpper.last();

    plot_figure::layer threshold;
    threshold.what = plot_figure::layer::statistic;
    threshold.name = QStringLiteral("threshold");
    threshold.curves = {{QPointF(f.x.min, profile.threshold), QPointF(f.x.max, profile.threshold)}};
    if (std::isfinite(profile.threshold)) values.append(profile.threshold);

    f.layers = {envelope, threshold};
    if (!fitAxis(f.y, values))
        f.message = QStringLiteral("No positive SSR to show on a log scale; the y axis is linear.");
    return f;
}
