// The content of the report of a result: one HTML document (model text, doses and
// observations, run settings, SSR convergence, the identifiability table, combinations and
// families) and the plots it shows. Built here once for the window's File > Export report
// and the batch runner; the report writer only renders it into a PDF.
#pragma once

#include "analysis/identifiabilityResult.h"
#include "analysis/reportInput.h"
#include "cnm/compResult.h"
#include "cnm/plot_figure.h"
#include "model/parameters.h"

#include <QString>
#include <QStringList>
#include <QVector>

class reportContent {
public:
    // Rich text as QTextDocument reads it. Figure f is shown by an <img> whose source is
    // figureName(f).
    QString html;
    QVector<plot_figure> figures;

    static QString figureName(int figure) { return QStringLiteral("figure%1.png").arg(figure); }
};

// The report of `result` and its identifiability analysis. Plots: the SSR per iteration,
// then, for the analysed iteration and its accepted points, the simulated against measured
// observations and the parameter ranges, then one profile per x coordinate. An analysis with
// a problem shows the problem in place of its tables and profiles; a result without
// iterations shows "No result." in place of the plots.
reportContent buildReport(const reportInput& input, const parameters& para,
                          const compResult& result, const identifiabilityResult& analysis);
