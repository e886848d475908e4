// Unique time-stamped history folders.
#include "io/history_folder.h"

#include <QDateTime>
#include <QDir>

QString newHistoryFolder(const QString& dir, const QString& prefix, bool colonsToUnderscores) {
    QString stamp = QDateTime::currentDateTimeUtc().toString(Qt::TextDate);
    if (colonsToUnderscores) stamp.replace(QLatin1Char(':'), QLatin1Char('_'));
    if (!QDir(dir).mkpath(QStringLiteral("history"))) return QString();
    const QString base = dir + QStringLiteral("/history/") + prefix + stamp;
    QString path = base;
    // mkdir fails on an existing folder, so a name is taken by exactly one caller.
    for (int n = 2; !QDir().mkdir(path); ++n) {
        if (n > 1000) return QString();
        path = base + QStringLiteral(" (") + QString::number(n) + QLatin1Char(')');
    }
    return path;
}
