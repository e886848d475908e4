// Terminal text of an identifiability result.
#include "analysis/identifiability_text.h"

#include <QStringList>

#include <algorithm>

namespace {

QString number(double v) {
    return QString::number(v, 'g', 4);
}

} // namespace

QString identifiabilityText(const identifiabilityResult& result) {
    if (!result.problem.isEmpty()) return "Identifiability: " + result.problem + "\n";
    const acceptanceThreshold& t = result.threshold;
    QString out =
        QString("Identifiability of iteration %1: %2 accepted points, SSR <= %3 by "
                "%4; best SSR %5\n")
            .arg(result.iteration)
            .arg(result.accepted.size())
            .arg(QString::number(t.value, 'g', 6), t.ruleText(), QString::number(t.ssrMin, 'g', 6));

    QVector<QStringList> rows{
        {"Parameter", "Verdict", "Best", "Median", "5 %", "95 %", "Range/domain", "Interval"}};
    for (const parameterSummary& s : result.summary)
        rows.append({s.name, parameterProfile::verdictText(s.verdict), number(s.best),
                     number(s.median), number(s.low), number(s.high), number(s.relativeRange),
                     s.verdict == parameterProfile::Fixed
                         ? QString()
                         : number(s.intervalLower) + " .. " + number(s.intervalUpper) +
                               (s.pieces > 1 ? QString(" (%1 pieces)").arg(s.pieces) : QString())});
    QVector<int> width(rows.first().size(), 0);
    for (const QStringList& row : rows)
        for (int c = 0; c < row.size(); ++c)
            width[c] = std::max(width.at(c), int(row.at(c).size()));
    for (const QStringList& row : rows) {
        QString line;
        for (int c = 0; c < row.size(); ++c)
            line += c + 1 < row.size() ? row.at(c).leftJustified(width.at(c) + 2) : row.at(c);
        out += line + "\n";
    }

    if (!result.combinations.isEmpty()) {
        out += "Identified combinations:\n";
        for (const identifiedCombination& c : result.combinations)
            out +=
                QString("  %1%2 (spread %3 of %4)\n")
                    .arg(c.family > 0 ? QString("family %1: ").arg(c.family) : QString(), c.text,
                         number(c.relativeSpread), c.sumOfParameters ? "its value" : "the domain");
    }
    out += QString("Families of fits: %1").arg(result.families.size());
    if (!result.isolatedPoints.isEmpty())
        out += QString(" (and %1 isolated accepted points in no family)")
                   .arg(result.isolatedPoints.size());
    out += "\n";
    for (int f = 0; f < result.families.size(); ++f) {
        const fitFamily& family = result.families.at(f);
        QStringList medians;
        // Fixed parameters are the same in every family.
        for (int j = 0; j < family.medianParameters.size() && j < result.parameterNames.size(); ++j)
            if (j >= result.summary.size() ||
                result.summary.at(j).verdict != parameterProfile::Fixed)
                medians << result.parameterNames.at(j) + " = " +
                               number(family.medianParameters.at(j));
        out += QString("  %1: %2 points, best SSR %3; %4\n")
                   .arg(f + 1)
                   .arg(family.points.size())
                   .arg(QString::number(family.bestSsr, 'g', 6), medians.join(", "));
    }
    return out;
}
