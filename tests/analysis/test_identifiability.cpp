// The identifiability analysis on clusters with known answers: profile verdicts on exact
// envelopes, a linear model whose intervals shrink to the truth, a product a*b that only the
// combination determines, the two swapped families of first-order absorption, and the files.
#include "analysis/identifiability.h"
#include "analysis/identifiability_files.h"
#include "analysis/identifiability_text.h"

#include "io/csv.h"
#include "model/model_fixtures.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace {

const double nan = std::numeric_limits<double>::quiet_NaN();

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
         parameterProfile::Identified, -0.6, 0.6, 2},
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

} // namespace
