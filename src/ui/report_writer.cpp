// The PDF writer of the report.
#include "ui/report_writer.h"

#include "ui/Chart.h"
#include "ui/plot_painter.h"

#include <QCoreApplication>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextDocument>
#include <QUrl>

QImage renderFigure(const plot_figure& figure, QSize size) {
    QGraphicsScene scene;
    auto* chart = new Chart; // owned by the scene
    scene.addItem(chart);
    chart->setGeometry(QRectF(QPointF(0, 0), size));
    plot_painter painter(chart, nullptr);
    painter.draw(figure);
    chart->setTitle(figure.message);
    // Lay out axes, labels and legend now: there is no event loop between here and the
    // rendering.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    if (chart->layout()) chart->layout()->activate();
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    scene.render(&p, QRectF(QPointF(0, 0), size), QRectF(QPointF(0, 0), size));
    return image;
}

QString writeReportPdf(const reportContent& content, const QString& file) {
    const QString failed = QStringLiteral("Could not write %1.").arg(file);
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly)) return failed;
    {
        QPdfWriter writer(&out);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
        writer.setTitle(QStringLiteral("Velmora report"));
        writer.setCreator(QStringLiteral("Velmora"));
        QTextDocument document;
        for (int f = 0; f < content.figures.size(); ++f)
            document.addResource(QTextDocument::ImageResource, QUrl(reportContent::figureName(f)),
                                 renderFigure(content.figures.at(f), QSize(900, 560)));
        document.setHtml(content.html);
        document.print(&writer);
    }
    if (out.error() != QFileDevice::NoError || out.size() == 0) {
        out.cancelWriting();
        return failed;
    }
    return out.commit() ? QString() : failed;
}
