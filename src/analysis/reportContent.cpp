// Builds the report's HTML and its plots.
#include "analysis/reportContent.h"

#include "analysis/identifiability_text.h"
#include "analysis/profile_plot.h"
#include "cnm/result_plots.h"

#include <QDateTime>

#include <cmath>

namespace {

QString number(double v) {
    return std::isfinite(v) ? QString::number(v, 'g', 4) : QStringLiteral("–");
}

QString cell(const QString& text, const char* tag = "td") {
    return QStringLiteral("<%1>%2</%1>").arg(tag, text.toHtmlEscaped());
}

// A table with a header row; every row is padded to the header's width.
QString htmlTable(const QStringList& header, const QVector<QStringList>& rows) {
    QString html = QStringLiteral(
        "<table border=\"1\" cellspacing=\"0\" cellpadding=\"2\" style=\"font-size: 8pt\"><tr>");
    for (const QString& h : header)
        html += cell(h, "th");
    html += QStringLiteral("</tr>");
    for (const QStringList& row : rows) {
        html += QStringLiteral("<tr>");
        for (int c = 0; c < header.size(); ++c)
            html += cell(row.value(c));
        html += QStringLiteral("</tr>");
    }
    return html + QStringLiteral("</table>");
}

QVector<QStringList> cellRows(const cell_table& cells) {
    QVector<QStringList> rows;
    for (int r = 0; r < cells.size(); ++r) {
        QStringList row;
        bool any = false;
        for (int c = 0; c < cells.at(r).size(); ++c) {
            row << cellText(cells, r, c);
            any = any || !row.last().isEmpty();
        }
        // Rows left blank in the table are not part of the model.
        if (any) rows << row;
    }
    return rows;
}

QString heading(const QString& text) {
    return cell(text, "h2");
}

} // namespace

reportContent buildReport(const reportInput& input, const parameters& para,
                          const compResult& result, const identifiabilityResult& analysis) {
    reportContent out;
    QString& html = out.html;
    auto addFigure = [&out, &html](const plot_figure& figure) {
        html += QStringLiteral("<p><img src=\"%1\" width=\"480\"></p>")
                    .arg(reportContent::figureName(out.figures.size()));
        out.figures.append(figure);
    };

    html = QStringLiteral("<html><body>");
    html += cell(input.title.isEmpty() ? QStringLiteral("Velmora report") : input.title, "h1");
    html += cell(QDateTime::currentDateTime().toString(Qt::ISODate), "p");

    html += heading(QStringLiteral("Model"));
    // Long equations wrap at the page edge instead of running off it.
    html += QStringLiteral("<p style=\"white-space: pre-wrap; font-family: monospace\">%1</p>")
                .arg(input.odeText.toHtmlEscaped());
    html += heading(QStringLiteral("Doses"));
    html += htmlTable({"Time", "Compartment", "Dosage", "Duration", "Note"},
                      cellRows(input.doseEvents));
    html += heading(QStringLiteral("Observations"));
    html += htmlTable({"Time", "Observation variable", "Value"}, cellRows(input.observations));
    html += heading(QStringLiteral("Run settings"));
    QVector<QStringList> settings;
    for (const auto& s : input.settings)
        settings << QStringList{s.first, s.second};
    if (!result.R.isEmpty())
        settings << QStringList{"Points of the cluster", QString::number(result.R.first().size())};
    html += htmlTable({"Setting", "Value"}, settings);

    html += heading(QStringLiteral("SSR convergence"));
    if (result.R.isEmpty()) {
        html += cell(QStringLiteral("No result."), "p") + QStringLiteral("</body></html>");
        return out;
    }
    addFigure(ssrPerIterationPlot(result));

    html += heading(QStringLiteral("Identifiability"));
    if (!analysis.problem.isEmpty()) {
        html += cell(analysis.problem, "p") + QStringLiteral("</body></html>");
        return out;
    }
    const acceptanceThreshold& t = analysis.threshold;
    html += cell(QStringLiteral("Iteration %1: %2 accepted fits, SSR at most %3 (%4); best SSR %5.")
                     .arg(analysis.iteration)
                     .arg(analysis.accepted.size())
                     .arg(number(t.value), t.ruleText(), number(t.ssrMin)),
                 "p");
    QVector<QStringList> summary;
    for (const parameterSummary& s : analysis.summary)
        summary << QStringList{s.name,
                               parameterProfile::verdictText(s.verdict),
                               number(s.best),
                               number(s.median),
                               number(s.low) + " – " + number(s.high),
                               number(s.relativeRange),
                               number(s.intervalLower) + " – " + number(s.intervalUpper),
                               number(s.domainLower) + " – " + number(s.domainUpper)};
    html += htmlTable({"Parameter", "Verdict", "Best", "Median", "5–95 %", "Relative range",
                       "Profile interval", "Domain"},
                      summary);
    if (!analysis.combinations.isEmpty()) {
        html += cell(QStringLiteral("Combinations the data determine"), "h3");
        QVector<QStringList> combinations;
        for (const identifiedCombination& c : analysis.combinations)
            combinations << QStringList{c.text, combinationFirmness(c),
                                        c.family > 0 ? QString::number(c.family) : "all"};
        html += htmlTable({"Combination", "How firmly", "Family"}, combinations);
    }

    html += heading(QStringLiteral("Families of fits"));
    // One column per family, so that many parameters still fit the page.
    QStringList familyHeader{"Family"};
    QVector<QStringList> families{{"Size"}, {"Best SSR"}};
    for (const QString& name : analysis.parameterNames)
        families << QStringList{name};
    for (int f = 0; f < analysis.families.size(); ++f) {
        const fitFamily& family = analysis.families.at(f);
        familyHeader << QString::number(f + 1);
        families[0] << QString::number(family.points.size());
        families[1] << number(family.bestSsr);
        for (int j = 0; j + 2 < families.size(); ++j)
            families[j + 2] << number(family.medianParameters.value(j, std::nan("")));
    }
    html += htmlTable(familyHeader, families);
    if (!analysis.isolatedPoints.isEmpty())
        html += cell(QString("%1 further accepted points lie in groups too small to be a family.")
                         .arg(analysis.isolatedPoints.size()),
                     "p");

    html += heading(QStringLiteral("Plots of the accepted fits"));
    addFigure(
        observationSimulationPlot(result, analysis.iteration, analysis.accepted, input.measured));
    addFigure(parameterRangePlot(result, analysis.iteration, analysis.accepted, para.xLowerBound,
                                 para.xUpperBound));
    html += heading(QStringLiteral("Profiles"));
    for (const parameterProfile& p : analysis.profiles) {
        html += cell(p.parameterName + ": " + parameterProfile::verdictText(p.verdict), "h3");
        addFigure(profilePlot(p));
    }
    html += QStringLiteral("</body></html>");
    return out;
}
