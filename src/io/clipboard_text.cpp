// Clipboard text cut into cells.
#include "io/clipboard_text.h"

#include <QRegularExpression>

QStringList clipboard_text::cells(const QString& text, bool commasSeparate) {
    if (text.isEmpty()) return QStringList();
    static const QRegularExpression lineTab(QStringLiteral("\\r?\\n|\\t"));
    static const QRegularExpression lineTabComma(QStringLiteral("\\r?\\n|\\t|,"));
    QStringList parts = text.split(commasSeparate ? lineTabComma : lineTab);
    if (text.endsWith(QLatin1Char('\n'))) parts.removeLast();
    return parts;
}
