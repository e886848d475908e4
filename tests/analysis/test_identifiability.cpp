// The identifiability analysis on clusters with known answers: profile verdicts on exact
// envelopes, a linear model whose intervals shrink to the truth, a product a*b that only the
// combination determines, the two swapped families of first-order absorption, a whole-body
// model run by the engine (swapped tissues, summed clearances), and the files; and the rules
// that keep it readable on a sparse cluster: narrow gaps inside a profile valley, interval
// ends beyond a bin's best point, stragglers that are no family, sums and trade-offs of two
// parameters, rounded exponents. Also the acceptance threshold (F quantiles against printed
// tables, the percentile fallback) and the fitted-values table of the best quarter of the
// last usable iteration.
// The profile plot (an empty bin breaks the envelope, the threshold spans the domain) and
// the report's content: the analysis, its figures or its problem.
#include "analysis/acceptanceThreshold.h"
#include "analysis/fitted_values.h"
#include "analysis/identifiability.h"
#include "analysis/identifiability_files.h"
#include "analysis/identifiability_text.h"
#include "analysis/profile_plot.h"
#include "analysis/reportContent.h"

#include "cnm/cluster_newton_method.h"
#include "cnm/run_setup.h"
#include "io/csv.h"
#include "model/model_definition.h"
#include "model/model_fixtures.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>

namespace {

const double nan = std::numeric_limits<double>::quiet_NaN();
const double inf = std::numeric_limits<double>::infinity();

parameters record(const QStringList& names, const QVector<QVector<double>>& table) {
    return fixtures::parameterRecord(table, names);
}

// One iteration holding the given points, each scored by ssr(parameters of the point).
void addIteration(compResult& r, const parameters& para, const QVector<QVector<double>>& X,
                  const std::function<double(const QVector<double>&)>& ssr) {
    r.X.append(X);
    r.R.append(QVector<double>());
    for (const QVector<double>& x : X)
        r.R.last().append(ssr(para.x_to_parameter(x)));
}

TEST(Identifiability, ProfileVerdictAndInterval) {
    const parameters para = record({"k"}, {{-1, 1, nan, nan}});
    const struct {
        std::function<double(double)> ssr;
        double threshold;
        parameterProfile::Verdict verdict;
        double lower, upper;
        int pieces;
    } rows[] = {
        {[](double x) { return std::fabs(x - 0.3); }, 0.2, parameterProfile::Identified, 0.1, 0.5,
         1},
        {[](double x) { return std::fabs(x - 0.3); }, 2.0, parameterProfile::NotIdentified, -1, 1,
         1},
        {[](double x) { return std::max(0.0, x - 0.5); }, 0.1, parameterProfile::BoundedOnOneSide,
         -1, 0.6, 1},
        {[](double x) { return std::min(std::fabs(x + 0.5), std::fabs(x - 0.5)); }, 0.1,
         parameterProfile::SeparateRanges, -0.6, 0.6, 2},
        {[](double x) { return std::fabs(x) + 1; }, 0.5, parameterProfile::NotIdentified, nan, nan,
         0},
    };
    for (const auto& row : rows) {
        // One point at the centre of each of 20 bins, and a worse one that must not count.
        compResult r;
        r.X.append(QVector<QVector<double>>());
        r.R.append(QVector<double>());
        for (int b = 0; b < 20; ++b) {
            const double x = -1 + (b + 0.5) * 0.1;
            r.X[0] << QVector<double>{x} << QVector<double>{x};
            r.R[0] << row.ssr(x) << row.ssr(x) + 5;
        }
        const parameterProfile p = profileFromCluster(r, para, 0, -1, 1, 20, row.threshold);
        EXPECT_EQ(p.verdict, row.verdict) << row.threshold;
        EXPECT_EQ(p.pieces, row.pieces) << row.threshold;
        if (std::isnan(row.lower)) {
            EXPECT_TRUE(std::isnan(p.intervalLower));
            continue;
        }
        EXPECT_NEAR(p.intervalLower, row.lower, 1e-12) << row.threshold;
        EXPECT_NEAR(p.intervalUpper, row.upper, 1e-12) << row.threshold;
    }
}

TEST(Identifiability, IntervalEndsBeyondTheOutermostPointUnderTheThreshold) {
    // Bin [1, 2] holds its best point 1.5 and, further out, 1.9 under the threshold 1.
    compResult r;
    r.X = {{{0.5}, {1.5}, {1.9}, {2.5}}};
    r.R = {{3, 0, 0.5, 3}};
    const parameterProfile p =
        profileFromCluster(r, record({"k"}, {{0, 3, nan, nan}}), 0, 0, 3, 3, 1.0);
    EXPECT_NEAR(p.intervalLower, 0.5 + 2.0 / 3, 1e-12); // from (0.5, 3) to (1.5, 0)
    EXPECT_NEAR(p.intervalUpper, 2.02, 1e-12);          // from (1.9, 0.5) to (2.5, 3)
}

TEST(Identifiability, LinearModelIntervalsShrinkToTheTruth) {
    // y = a t + b, noise-free, evaluated on a grid of cell centres that misses the truth.
    const parameters para = record({"a", "b"}, {{0, 4, nan, nan}, {-2, 2, nan, nan}});
    const double a0 = 1.33, b0 = 0.71;
    auto ssr = [&](const QVector<double>& p) {
        double s = 0;
        for (double t : {0, 1, 2, 3, 4})
            s += std::pow(p[0] * t + p[1] - (a0 * t + b0), 2);
        return s;
    };
    for (int bins : {10, 40, 160}) {
        const int G = 2 * bins;
        QVector<QVector<double>> X;
        for (int i = 0; i < G; ++i)
            for (int j = 0; j < G; ++j)
                X.append({(i + 0.5) * 4 / G, -2 + (j + 0.5) * 4 / G});
        compResult r;
        addIteration(r, para, X, ssr);
        identifiabilityOptions options;
        options.observations = 5;
        options.bins = bins;
        const identifiabilityResult result = analyseIdentifiability(r, para, options);
        const double binWidth = 4.0 / bins;
        for (int j = 0; j < 2; ++j) {
            const parameterSummary& s = result.summary.at(j);
            const double truth = j == 0 ? a0 : b0;
            EXPECT_EQ(s.verdict, parameterProfile::Identified) << bins;
            EXPECT_NEAR(s.intervalLower, truth, 2 * binWidth) << bins;
            EXPECT_NEAR(s.intervalUpper, truth, 2 * binWidth) << bins;
            EXPECT_NEAR(s.median, truth, 4.0 / G) << bins;
        }
        EXPECT_EQ(result.families.size(), 1) << bins;
        EXPECT_TRUE(result.combinations.isEmpty()) << bins;
    }
}

// y = (a b) t with a little fixed noise: the cluster's last iteration lies on the curve of
// least-squares fits a b = c, every point of it equally good.
struct productCase {
    parameters para = record({"a", "b"}, {{0.1, 10, 0, nan}, {0.1, 10, 0, nan}});
    const double t[4] = {1, 2, 3, 4};
    const double y[4] = {1.02, 1.99, 3.01, 3.98};
    double c = 0; // sum(t y) / sum(t^2), computed below
    compResult r;

    productCase() {
        double ty = 0, tt = 0;
        for (int i = 0; i < 4; ++i)
            ty += t[i] * y[i], tt += t[i] * t[i];
        c = ty / tt;
        auto ssr = [&](const QVector<double>& p) {
            double s = 0;
            for (int i = 0; i < 4; ++i)
                s += std::pow(p[0] * p[1] * t[i] - y[i], 2);
            return s;
        };
        QVector<QVector<double>> grid, curve;
        for (int i = 0; i <= 40; ++i)
            for (int j = 0; j <= 40; ++j)
                grid.append({-1 + 0.05 * i, -1 + 0.05 * j});
        for (int i = 0; i < 200; ++i)
            curve.append({-1 + (i + 0.5) * 0.01, std::log10(c) + 1 - (i + 0.5) * 0.01});
        addIteration(r, para, grid, ssr);
        addIteration(r, para, curve, ssr);
    }

    identifiabilityResult analyse() const {
        identifiabilityOptions options;
        options.observations = 4;
        return analyseIdentifiability(r, para, options);
    }
};

TEST(Identifiability, ProductIsIdentifiedWhereItsFactorsAreNot) {
    const productCase product;
    const identifiabilityResult result = product.analyse();
    EXPECT_EQ(result.accepted.size(), 200);
    for (const parameterSummary& s : result.summary)
        EXPECT_EQ(s.verdict, parameterProfile::NotIdentified) << s.name.toStdString();
    ASSERT_EQ(result.combinations.size(), 1);
    for (double w : result.combinations[0].weights)
        EXPECT_NEAR(w, 1, 1e-9);
    EXPECT_EQ(result.combinations[0].text, "a^1 * b^1 = " + QString::number(product.c, 'g', 4));
    EXPECT_NEAR(result.combinations[0].value, std::log10(product.c), 1e-12);
    EXPECT_EQ(result.families.size(), 1);
    EXPECT_TRUE(identifiabilityText(result).contains("a^1 * b^1 = "));
}

TEST(Identifiability, SwappedAbsorptionAndEliminationAreTwoFamilies) {
    // C(t) after an oral dose of 100; ka and ke = CL/V enter symmetrically, so the point
    // (CL, CL/ka, CL/V) fits exactly as well as (CL, V, ka).
    auto concentration = [](double CL, double V, double ka, double t) {
        const double ke = CL / V;
        return 100 * ka / (V * (ka - ke)) * (std::exp(-ke * t) - std::exp(-ka * t));
    };
    const double truth[3] = {2, 20, 1};
    const double swapped[3] = {truth[0], truth[0] / truth[2], truth[0] / truth[1]};
    const parameters para =
        record({"CL", "V", "ka"}, {{0.2, 20, 0, nan}, {1, 100, 0, nan}, {0.01, 10, 0, nan}});
    const double times[] = {0.5, 1, 2, 4, 6, 8, 12, 24};
    auto ssr = [&](const QVector<double>& p) {
        double s = 0;
        for (double t : times)
            s += std::pow(concentration(p[0], p[1], p[2], t) -
                              concentration(truth[0], truth[1], truth[2], t),
                          2);
        return s;
    };
    // A small lattice around the truth that misses it, and the swapped image of every point.
    QVector<QVector<double>> X;
    for (int i = -1; i <= 1; ++i)
        for (int j = -1; j <= 1; ++j)
            for (int l = -1; l <= 1; ++l) {
                const QVector<double> x{std::log10(truth[0]) + 0.01 * i + 0.003,
                                        std::log10(truth[1]) + 0.01 * j + 0.002,
                                        std::log10(truth[2]) + 0.01 * l - 0.001};
                const QVector<double> p = para.x_to_parameter(x);
                X << x << para.parameter_to_x({p[0], p[0] / p[2], p[0] / p[1]});
            }
    compResult r;
    addIteration(r, para, X, ssr);
    identifiabilityOptions options;
    options.observations = 8;
    const identifiabilityResult result = analyseIdentifiability(r, para, options);
    ASSERT_EQ(result.families.size(), 2);
    EXPECT_NEAR(result.families[0].bestSsr, result.families[1].bestSsr,
                1e-6 * result.families[0].bestSsr);
    for (const double* minimiser : {truth, swapped}) {
        int near = 0;
        for (const fitFamily& f : result.families) {
            bool close = true;
            for (int j = 0; j < 3; ++j)
                close = close && std::fabs(std::log10(f.medianParameters[j] / minimiser[j])) < 0.02;
            near += close;
        }
        EXPECT_EQ(near, 1) << minimiser[1];
    }
}

// A flow-limited whole-body model observed in plasma only, run by the engine: liver and
// kidney on fixed Kp, two tissues AD (10 L) and SK (5 L) on the same blood flow 20, and
// hepatic and renal clearance both taken from plasma. Plasma sees only {10 KpAD, 5 KpSK} and
// CLh + CLr. The truth KpAD = 0.5, KpSK = 4 has its swap KpAD = 2, KpSK = 1 inside the Kp
// domain [0.1, 10]. The clearances are drawn from [0.5, 20] but judged on the domain of
// interest [2, 8]: each value there has its partner 10 - value there too, so each alone fits
// anywhere in it, and the valley CLh + CLr = 10 runs on past both ends (to 0.5 and 9.5),
// so the cluster, which thins out towards a valley's ends, covers the whole domain.
TEST(Identifiability, WholeBodyModelOnPlasmaData) {
    model_directory files;
    files.hasDoseEvents = files.hasParameterSpecification = files.hasObservations = true;
    files.odeText = "dAPdt = 90*ALI/(1.8*KpLI) + 70*AKI/(0.3*KpKI) + 20*AAD/(10*KpAD) + "
                    "20*ASK/(5*KpSK) - 200*AP/3 - CLh*AP/3 - CLr*AP/3\n"
                    "dALIdt = 90*(AP/3 - ALI/(1.8*KpLI))\ndAKIdt = 70*(AP/3 - AKI/(0.3*KpKI))\n"
                    "dAADdt = 20*(AP/3 - AAD/(10*KpAD))\ndASKdt = 20*(AP/3 - ASK/(5*KpSK))";
    files.doseEvents = {{"0", "AP", "100", "0"}};
    const QVector<double> truth{4, 6, 0.5, 3, 5, 4}; // CLh, CLr, KpAD, KpKI, KpLI, KpSK
    files.parameterSpecification = {{"0.5", "20", "0", ""}, {"0.5", "20", "0", ""},
                                    {"0.1", "10", "0", ""}, {"3", "3", "0", ""},
                                    {"5", "5", "0", ""},    {"0.1", "10", "0", ""}};
    for (double t : {0.1, 0.25, 0.5, 1.0, 2.0, 4.0, 8.0, 12.0})
        files.observations.append({QString::number(t), "LOG10(AP/3)", "1"});
    model_definition model;
    model.load(files);
    ASSERT_EQ(model.para.parameterNames.join(","), "CLh,CLr,KpAD,KpKI,KpLI,KpSK");
    // Observed: the truth with a small fixed error, so that the best fits are not exact.
    const QVector<QVector<double>> states = model.buildModels(1, 1e-8, 1e-10)[0].evaluate(truth);
    for (int i = 0; i < 8; ++i)
        model.setObservationCell(
            i, observationValueColumn,
            QString::number(std::log10(states[i][0] / 3) + 0.004 * (i % 3 - 1), 'g', 17));

    QTemporaryDir dir;
    run_settings settings;
    settings.seed = "1", settings.relativeTolerance = "1e-8", settings.absoluteTolerance = "1e-10";
    cluster_newton_method engine;
    setUpRun(engine, model, settings, dir.path());
    engine.run_3();
    identifiabilityOptions options;
    options.xLower = {std::log10(2), std::log10(2), -1, -1};
    options.xUpper = {std::log10(8), std::log10(8), 1, 1};
    const identifiabilityResult result = analyseIdentifiability(engine.result, model.para, options);
    SCOPED_TRACE(identifiabilityText(result).toStdString());
    // Never one confident answer for either Kp: two families, near the truth and its swap.
    for (int j : {2, 5})
        EXPECT_NE(result.summary[j].verdict, parameterProfile::Identified);
    ASSERT_EQ(result.families.size(), 2);
    for (double kpAD : {0.5, 2.0}) {
        int near = 0;
        for (const fitFamily& f : result.families)
            near += std::fabs(std::log10(f.medianParameters[2] / kpAD)) < 0.05 &&
                    std::fabs(std::log10(f.medianParameters[5] / (2 / kpAD))) < 0.05;
        EXPECT_EQ(near, 1) << kpAD;
    }
    // Each clearance alone is not identified; their sum is, in every family.
    for (int j : {0, 1})
        EXPECT_EQ(result.summary[j].verdict, parameterProfile::NotIdentified);
    ASSERT_EQ(result.combinations.size(), 2);
    for (const identifiedCombination& c : result.combinations) {
        EXPECT_TRUE(c.text.startsWith("CLh + CLr = "));
        EXPECT_NEAR(c.value, 10, 0.1);
    }
}

TEST(Identifiability, FilesRoundTrip) {
    const productCase product;
    const identifiabilityResult result = product.analyse();
    QTemporaryDir tmp;
    EXPECT_EQ(saveIdentifiability(result, tmp.path()).size(), 4); // no compResult folder
    ASSERT_TRUE(QDir(tmp.path()).mkdir("compResult"));
    EXPECT_TRUE(saveIdentifiability(result, tmp.path()).isEmpty());

    acceptanceThreshold threshold;
    const QVector<parameterSummary> lines =
        readIdentifiabilitySummary(tmp.path() + "/compResult/identifiability.csv", &threshold);
    ASSERT_EQ(lines.size(), result.summary.size());
    EXPECT_NEAR(threshold.value, result.threshold.value, 1e-5 * result.threshold.value);
    for (int j = 0; j < lines.size(); ++j) {
        const parameterSummary &read = lines[j], &written = result.summary[j];
        EXPECT_EQ(read.name, written.name);
        EXPECT_EQ(read.verdict, written.verdict);
        EXPECT_EQ(read.pieces, written.pieces);
        for (auto field : {&parameterSummary::best, &parameterSummary::median,
                           &parameterSummary::low, &parameterSummary::high,
                           &parameterSummary::intervalLower, &parameterSummary::domainUpper})
            EXPECT_NEAR(read.*field, written.*field, 1e-5 * std::fabs(written.*field));
    }
    const QVector<QVector<double>> profile =
        csvReadToDouble(tmp.path() + "/compResult/profile_b.csv");
    const parameterProfile& b = result.profiles[1];
    ASSERT_EQ(profile.size(), b.ssr.size() + 1);
    for (int bin = 0; bin < b.ssr.size(); ++bin) {
        EXPECT_NEAR(profile[bin + 1][2], b.x[bin], 1e-5 * std::fabs(b.x[bin]) + 1e-300);
        EXPECT_NEAR(profile[bin + 1][4], b.ssr[bin], 1e-5 * b.ssr[bin]);
    }
    const QVector<QVector<double>> families =
        csvReadToDouble(tmp.path() + "/compResult/families.csv");
    ASSERT_EQ(families.size(), 2);
    EXPECT_EQ(families[1].mid(0, 2), (QVector<double>{1, 200}));
}

TEST(IdentifiabilityRules, NarrowGapsDoNotSplitAnInterval) {
    // One character per bin of [0, 1]: U under the threshold, H above it, E no point.
    const struct {
        const char* bins;
        int pieces;
    } rows[] = {
        {"HUUHUUH", 1},  {"HUUHHUUH", 1},  {"HUUHHHUUH", 2}, {"HUEHUH", 1}, {"HUEEEEUH", 1},
        {"HUEHEEUH", 2}, {"UHHHUHHHU", 3}, {"EEUEE", 1},     {"HHHHH", 0},
    };
    const parameters para = record({"k"}, {{0, 1, nan, nan}});
    for (const auto& row : rows) {
        const int bins = int(std::strlen(row.bins));
        compResult r;
        r.X.append(QVector<QVector<double>>());
        r.R.append(QVector<double>());
        for (int b = 0; b < bins; ++b) {
            if (row.bins[b] == 'E') continue;
            r.X[0].append(QVector<double>{(b + 0.5) / bins});
            r.R[0].append(row.bins[b] == 'U' ? 0.0 : 2.0);
        }
        const parameterProfile p = profileFromCluster(r, para, 0, 0, 1, bins, 1.0);
        EXPECT_EQ(p.pieces, row.pieces) << row.bins;
    }
}

TEST(IdentifiabilityRules, SmallGroupsAreIsolatedPointsNotFamilies) {
    // Two tight groups far apart, every point equally good; a group needs
    // max(3, 10 % of the accepted points) points, and the largest always counts.
    const struct {
        int first, second, families, isolated;
    } rows[] = {{30, 2, 1, 2}, {30, 3, 1, 3}, {30, 4, 2, 0},
                {3, 3, 2, 0},  {2, 2, 1, 2},  {2, 40, 1, 2}};
    const parameters para = record({"a", "b"}, {{0, 1, nan, nan}, {0, 1, nan, nan}});
    for (const auto& row : rows) {
        compResult r;
        r.X.append(QVector<QVector<double>>());
        for (int i = 0; i < row.first; ++i)
            r.X[0].append(QVector<double>{0.2 + 0.01 * (i % 6), 0.2 + 0.01 * (i / 6)});
        for (int i = 0; i < row.second; ++i)
            r.X[0].append(QVector<double>{0.8 + 0.01 * (i % 6), 0.8 + 0.01 * (i / 6)});
        r.R.append(QVector<double>(r.X[0].size(), 1.0));
        identifiabilityOptions options;
        options.observations = 10;
        const identifiabilityResult result = analyseIdentifiability(r, para, options);
        ASSERT_EQ(result.accepted.size(), row.first + row.second);
        EXPECT_EQ(result.families.size(), row.families) << row.first << " " << row.second;
        EXPECT_EQ(result.isolatedPoints.size(), row.isolated) << row.first << " " << row.second;
    }
}

TEST(IdentifiabilityRules, SumsAndTradeOffsOfTwoParameters) {
    // Rows of (a, b, c) for a = 1 .. 4 in 31 steps, in log10 coordinates on [-1, 1]; c fixed.
    const struct {
        double (*b)(double a);
        QStringList sums;
        QString tradeOff; // "-" for any trade-off text
    } rows[] = {
        {[](double a) { return 5 - a; }, {"a + b = 5"}, "-"},
        // Steps of -0.1, 0, +0.1 around the line (11, 10 and 10 of them): median still 5.
        {[](double a) { return 5 - a + 0.1 * (std::lround(10 * (a - 1)) % 3 - 1); },
         {"a + b = 5"},
         "-"},
        {[](double a) { return 5 - 0.5 * a; }, {}, "-"},
        {[](double a) { return 40 / (a + 6); },
         {},
         "a and b trade off: 1.15 .. 3.85 against 5.595 .. 4.061"},
        {[](double a) { return a; }, {}, ""},
        {[](double a) { return 1 + a * a; }, {}, ""},
        {[](double) { return 3.0; }, {}, ""},
        {[](double a) { return 5 - a + 1.5 * (std::lround(10 * a) % 2); }, {}, ""}, // loose
    };
    const parameters para =
        record({"a", "b", "c"}, {{0.1, 10, 0, nan}, {0.1, 10, 0, nan}, {2, 2, nan, nan}});
    for (const auto& row : rows) {
        QVector<QVector<double>> points, x;
        for (int i = 0; i <= 30; ++i) {
            points.append(QVector<double>{1 + 0.1 * i, row.b(1 + 0.1 * i), 2.0});
            x.append(para.parameter_to_x(points.last()));
        }
        QStringList texts;
        for (const identifiedCombination& c : identifiedSums(points, {0, 1, -1}, 2, 0.1, para)) {
            texts << c.text;
            EXPECT_EQ(c.weights, (QVector<double>{1, 1}));
        }
        EXPECT_EQ(texts, row.sums) << row.sums.join(";").toStdString();
        const QVector<identifiedCombination> found =
            identifiedTradeOffs(x, points, {0, 1, -1}, {-1, -1}, {1, 1}, 0.05, 0.95, para);
        ASSERT_EQ(found.size(), row.tradeOff.isEmpty() ? 0 : 1) << row.tradeOff.toStdString();
        for (const identifiedCombination& c : found) {
            EXPECT_TRUE(row.tradeOff == "-" || c.text == row.tradeOff) << c.text.toStdString();
            EXPECT_LE(c.value, -0.95);
        }
    }
}

TEST(IdentifiabilityRules, CombinationExponentsAreRoundedWhileStillDetermined) {
    // Accepted points on log10 b = slope * log10 a: the eigenvector (-slope, 1) is rounded to
    // halves, else quarters, when that keeps the spread within 5 % of the domain.
    const struct {
        double slope;
        QVector<double> weights;
    } rows[] = {{0.9, {1, -1}}, {0.5, {-0.5, 1}}, {0.7, {-0.75, 1}}, {0.3, {-0.25, 1}}};
    const parameters para = record({"a", "b"}, {{0.1, 10, 0, nan}, {0.1, 10, 0, nan}});
    for (const auto& row : rows) {
        QVector<QVector<double>> points;
        for (int i = 0; i <= 40; ++i) {
            const double t = -0.9 + 0.045 * i;
            points.append(QVector<double>{t, row.slope * t});
        }
        const QVector<identifiedCombination> found =
            identifiedCombinations(points, {-1, -1}, {1, 1}, 0.05, para);
        ASSERT_EQ(found.size(), 1) << row.slope;
        EXPECT_EQ(found[0].weights, row.weights) << row.slope;
    }
}

TEST(AcceptanceThreshold, FQuantilesMatchPrintedTables) {
    // Upper 5 % points of the F distribution as printed to two decimals.
    const struct {
        int d1, d2;
        double f;
    } rows[] = {{1, 1, 161.45}, {1, 10, 4.96}, {2, 2, 19.00}, {2, 3, 9.55},
                {3, 5, 5.41},   {5, 20, 2.71}, {10, 30, 2.16}};
    for (const auto& r : rows)
        EXPECT_NEAR(fQuantile(0.95, r.d1, r.d2), r.f, 0.005) << r.d1 << "," << r.d2;
    EXPECT_TRUE(std::isnan(fQuantile(0.95, 0, 3)));
    EXPECT_TRUE(std::isnan(fQuantile(1.0, 2, 3)));
    EXPECT_NEAR(likelihoodRatioFactor(16, 3, 0.95), 1 + 3.0 / 13 * fQuantile(0.95, 3, 13), 1e-15);
    EXPECT_TRUE(std::isnan(likelihoodRatioFactor(3, 3, 0.95)));
}

TEST(AcceptanceThreshold, RuleAndValue) {
    const QVector<double> ssr{9, 1, nan, 3, inf, 2, 4, 8, 7, 6};
    const struct {
        int m, n, percentile;
        bool preferPercentile;
        acceptanceThreshold::Rule rule;
        double value;
    } rows[] = {
        {4, 2, 25, false, acceptanceThreshold::LikelihoodRatio, 20.0}, // 1 * (1 + 19)
        {4, 2, 25, true, acceptanceThreshold::Percentile, 2.0},        // c = 2
        {2, 2, 25, false, acceptanceThreshold::Percentile, 2.0},       // m <= n
        {-1, 2, 5, false, acceptanceThreshold::Percentile, 1.0},       // c = 0 counts as 1
        {2, 2, 80, false, acceptanceThreshold::Percentile, 9.0},       // c = 8 of 8 finite
        {2, 2, 90, false, acceptanceThreshold::Percentile, inf},       // c = 9, only 8 finite
    };
    for (const auto& r : rows) {
        const acceptanceThreshold t =
            chooseAcceptanceThreshold(ssr, r.m, r.n, 0.95, r.percentile, r.preferPercentile);
        EXPECT_EQ(t.rule, r.rule) << r.m << " " << r.percentile;
        if (std::isinf(r.value))
            EXPECT_EQ(t.value, r.value);
        else
            EXPECT_NEAR(t.value, r.value, 1e-9 * r.value) << r.m << " " << r.percentile;
        EXPECT_EQ(t.ssrMin, 1.0);
    }
    acceptanceThreshold three;
    three.value = 3;
    EXPECT_EQ(acceptedPoints(ssr, three), (QVector<int>{1, 3, 5}));
    const acceptanceThreshold none = chooseAcceptanceThreshold({nan, inf}, 4, 2, 0.95, 25, false);
    EXPECT_TRUE(std::isnan(none.value));
    EXPECT_TRUE(acceptedPoints({nan, inf}, none).isEmpty());
}

// Point p of every iteration has the parameters {10 p, -p}.
compResult fittedRecord(const QVector<QVector<double>>& ssr) {
    compResult r;
    r.R = ssr;
    for (const QVector<double>& iteration : ssr) {
        QVector<QVector<double>> rows;
        for (int p = 0; p < iteration.size(); ++p)
            rows << QVector<double>{10.0 * p, -1.0 * p};
        r.Parameter << rows;
    }
    return r;
}

TEST(FittedValues, BestPointAndBestQuarterOfTheLastUsableIteration) {
    // 8 finite points: the quarter is the points with SSR 1 and 2 (points 1 and 4); the
    // last iteration has no finite SSR and is passed over.
    const fitted_values f = fitted_values::of(
        fittedRecord({{4, 1, nan, 3, 2, 8, 7, 6, 5}, {nan, INFINITY}}), {"a", "b", "c"});
    EXPECT_EQ(f.iteration, 0);
    EXPECT_EQ(f.quarterPoints, 2);
    const double expected[2][4] = {{10, 25, 11.5, 38.5}, {-1, -2.5, -3.85, -1.15}};
    ASSERT_EQ(f.rows.size(), 3);
    for (int j = 0; j < 2; ++j) {
        const fitted_values::row& r = f.rows[j];
        const double got[] = {r.best, r.median, r.low, r.high};
        for (int c = 0; c < 4; ++c)
            EXPECT_NEAR(got[c], expected[j][c], 1e-12) << j << " " << c;
        // The printed line reads back exactly.
        const QStringList cells = f.text().split('\n')[2 + j].split(' ', Qt::SkipEmptyParts);
        ASSERT_EQ(cells.size(), 5);
        EXPECT_EQ(cells[0], r.name);
        for (int c = 0; c < 4; ++c)
            EXPECT_EQ(cells[c + 1].toDouble(), got[c]);
    }
    EXPECT_TRUE(std::isnan(f.rows[2].best)); // beyond the parameter rows
}

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
