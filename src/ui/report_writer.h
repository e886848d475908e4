// Renders a report's content into one PDF file: the HTML laid out on A4 pages, every
// figure drawn by the plot painter into a chart and placed where the HTML shows it. Needs a
// QApplication (charts are graphics widgets); the offscreen platform will do.
#pragma once

#include "analysis/reportContent.h"

#include <QImage>
#include <QSize>
#include <QString>

// Writes the PDF, replacing the file only when it was written completely. Returns "" on
// success, otherwise "Could not write <file>.".
QString writeReportPdf(const reportContent& content, const QString& file);

// The figure drawn by the plot painter into a chart of the given size, on white.
QImage renderFigure(const plot_figure& figure, QSize size);
