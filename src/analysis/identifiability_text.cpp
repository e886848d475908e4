// Terminal text and the window's texts of an identifiability result.
#include "analysis/identifiability_text.h"

#include <algorithm>
#include <cmath>

namespace {

QString number(double v) {
    return QString::number(v, 'g', 4);
}

// Like number, with "–" for a value that is not finite.
QString cellNumber(double v) {
    return std::isfinite(v) ? number(v) : QStringLiteral("–");
}

QString piecesNote(const parameterSummary& s) {
    return s.pieces > 1 ? QString(" (%1 pieces)").arg(s.pieces) : QString();
}

// "family 2: " for a combination found in one of several families.
QString familyPrefix(const identifiedCombination& c) {
    return c.family > 0 ? QString("family %1: ").arg(c.family) : QString();
}

// "CLint = 57.23, CLr = 6.265" for the family's medians of the parameters that are not fixed.
QString familyMedians(const identifiabilityResult& result, const fitFamily& family) {
    QStringList medians;
    for (int j = 0; j < family.medianParameters.size() && j < result.parameterNames.size(); ++j)
        if (j >= result.summary.size() || result.summary.at(j).verdict != parameterProfile::Fixed)
            medians << result.parameterNames.at(j) + " = " + number(family.medianParameters.at(j));
    return medians.join(", ");
}

} // namespace

QString combinationFirmness(const identifiedCombination& c) {
    if (c.tradeOff) return "rank correlation " + QString::number(c.value, 'f', 3);
    return QString("spread %1 of %2")
        .arg(number(c.relativeSpread), c.sumOfParameters ? "its value" : "the domain");
}

QString familyCountText(const identifiabilityResult& result) {
    QString out = QString("Families of fits: %1").arg(result.families.size());
    if (!result.isolatedPoints.isEmpty())
        out += QString(" (and %1 isolated accepted points in no family)")
                   .arg(result.isolatedPoints.size());
    return out;
}

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
        rows.append(
            {s.name, parameterProfile::verdictText(s.verdict), number(s.best), number(s.median),
             number(s.low), number(s.high), number(s.relativeRange),
             s.verdict == parameterProfile::Fixed
                 ? QString()
                 : number(s.intervalLower) + " .. " + number(s.intervalUpper) + piecesNote(s)});
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
            out += "  " + familyPrefix(c) + c.text + " (" + combinationFirmness(c) + ")\n";
    }
    out += familyCountText(result) + "\n";
    for (int f = 0; f < result.families.size(); ++f) {
        const fitFamily& family = result.families.at(f);
        out += QString("  %1: %2 points, best SSR %3; %4\n")
                   .arg(f + 1)
                   .arg(family.points.size())
                   .arg(QString::number(family.bestSsr, 'g', 6), familyMedians(result, family));
    }
    return out;
}

QString acceptedSetSentence(const identifiabilityResult& result, int points) {
    if (!result.problem.isEmpty()) return result.problem;
    return QString("%1 of %2 fits accepted: SSR at most %3 by the rule %4 (best SSR %5).")
        .arg(result.accepted.size())
        .arg(points)
        .arg(cellNumber(result.threshold.value), result.threshold.ruleText(),
             cellNumber(result.threshold.ssrMin));
}

QVector<QStringList> summaryCells(const identifiabilityResult& result) {
    QVector<QStringList> rows;
    for (const parameterSummary& s : result.summary)
        rows << QStringList{parameterProfile::verdictText(s.verdict),
                            cellNumber(s.best),
                            cellNumber(s.median),
                            cellNumber(s.low) + " – " + cellNumber(s.high),
                            cellNumber(s.relativeRange),
                            s.verdict == parameterProfile::Fixed
                                ? QString()
                                : cellNumber(s.intervalLower) + " – " +
                                      cellNumber(s.intervalUpper) + piecesNote(s)};
    return rows;
}

QString combinationsAndFamiliesHtml(const identifiabilityResult& result) {
    if (!result.problem.isEmpty()) return QString();
    QString html;
    if (!result.combinations.isEmpty()) {
        html += "<b>Combinations the data determine</b><br>";
        for (const identifiedCombination& c : result.combinations)
            html +=
                (familyPrefix(c) + c.text + " (" + combinationFirmness(c) + ")").toHtmlEscaped() +
                "<br>";
    }
    html += "<b>" + familyCountText(result).toHtmlEscaped() + "</b><br>";
    for (int f = 0; f < result.families.size(); ++f) {
        const fitFamily& family = result.families.at(f);
        html += QString("%1: %2 fits, best SSR %3; median %4<br>")
                    .arg(f + 1)
                    .arg(family.points.size())
                    .arg(cellNumber(family.bestSsr), familyMedians(result, family).toHtmlEscaped());
    }
    return html;
}
