// The profile plot and the report's content: an empty bin breaks the envelope, the threshold
// spans the domain, and the report shows the analysis, its figures or its problem.
#include "analysis/profile_plot.h"
#include "analysis/reportContent.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

const double nan = std::numeric_limits<double>::quiet_NaN();

parameterProfile threeBins() {
    parameterProfile p;
    p.coordinate = 0;
    p.xName = "x1";
    p.parameterName = "k";
    p.binLower = {0, 1, 2};
    p.binUpper = {1, 2, 3};
    p.x = {0.5, nan, 2.5};
    p.parameterValue = {3, nan, 300};
    p.ssr = {4, nan, 0.5};
    p.threshold = 2;
    return p;
}

} // namespace

TEST(ProfilePlot, EnvelopeThresholdAndData) {
    const plot_figure f = profilePlot(threeBins());
    ASSERT_EQ(f.layers.size(), 2);
    const QVector<QPointF>& envelope = f.layers[0].curves[0];
    ASSERT_EQ(envelope.size(), 3);
    EXPECT_TRUE(std::isnan(envelope[1].y())); // the empty bin breaks the line
    EXPECT_EQ(f.layers[1].curves[0], (QVector<QPointF>{{0, 2}, {3, 2}}));
    EXPECT_EQ(f.x.title, "x1 (k)");
    EXPECT_TRUE(f.y.log);
    EXPECT_LE(f.y.min, 0.5);
    EXPECT_GE(f.y.max, 4);
    ASSERT_EQ(f.plotData.size(), 3);
    EXPECT_EQ(f.plotData[2], (QVector<double>{2, 3, 2.5, 300, 0.5}));
    EXPECT_TRUE(profilePlot(parameterProfile()).layers.isEmpty());
}

TEST(ReportContent, AnalysisFiguresOrProblem) {
    compResult r;
    r.R = {{1, 2}, {0.5, 0.7}};
    r.X = {{{0}, {1}}, {{0.2}, {0.4}}};
    identifiabilityResult a;
    a.iteration = 1;
    a.accepted = {0, 1};
    a.parameterNames = QStringList{"k"};
    parameterSummary s;
    s.name = "k";
    s.verdict = parameterProfile::BoundedOnOneSide;
    a.summary = {s};
    a.profiles = {threeBins()};
    fitFamily family;
    family.points = {0, 1};
    family.medianParameters = {42};
    a.families = {family};
    reportInput input;
    input.odeText = "dAdt = -k*A <1>";
    const reportContent c = buildReport(input, parameters(), r, a);
    // SSR per iteration, observations, parameter ranges, one profile.
    EXPECT_EQ(c.figures.size(), 4);
    for (const QString& text : {QString("bounded on one side"), QString("42"),
                                QString("dAdt = -k*A &lt;1&gt;"), reportContent::figureName(3)})
        EXPECT_TRUE(c.html.contains(text)) << text.toStdString();

    a.problem = "No iteration has a finite SSR.";
    const reportContent failed = buildReport(input, parameters(), r, a);
    EXPECT_TRUE(failed.html.contains(a.problem));
    EXPECT_EQ(failed.figures.size(), 1);
    EXPECT_EQ(buildReport(input, parameters(), compResult(), a).figures.size(), 0);
}
