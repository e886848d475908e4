// Pairing of parentheses, scanned on the text as typed so that the positions are the ones
// the user sees.
#include "expr/parenthesis_check.h"

namespace {

// The scan of one right-hand side, which may run over several stretches of text.
class pairing {
public:
    // Characters [from, to) of the line that starts at lineBegin.
    void scan(const QString& text, int lineBegin, int from, int to, int line) {
        for (int i = from; i < to; ++i) {
            const QChar c = text.at(i);
            const int column = i - lineBegin + 1;
            if (c == QLatin1Char('(')) {
                open << parenthesis_check::problem{true, true, line, column};
            } else if (c == QLatin1Char(')')) {
                if (!open.isEmpty())
                    open.removeLast();
                else if (!stray.found)
                    stray = parenthesis_check::problem{true, false, line, column};
            }
        }
    }
    // The first ")" without partner, else the innermost "(" left open.
    parenthesis_check::problem result() const {
        if (stray.found) return stray;
        return open.isEmpty() ? parenthesis_check::problem() : open.last();
    }

private:
    QVector<parenthesis_check::problem> open;
    parenthesis_check::problem stray;
};

} // namespace

QString parenthesis_check::problem::describe() const {
    if (!found) return QString();
    const QString where = line > 0 ? QStringLiteral("line %1, column %2").arg(line).arg(column)
                                   : QStringLiteral("column %1").arg(column);
    return unclosed
               ? QStringLiteral("Unbalanced parentheses: \"(\" at %1 is never closed.").arg(where)
               : QStringLiteral("Unbalanced parentheses: \")\" at %1 has no matching \"(\".")
                     .arg(where);
}

parenthesis_check::problem parenthesis_check::inExpression(const QString& text) {
    pairing scan;
    const bool severalLines = text.contains(QLatin1Char('\n'));
    int start = 0;
    int line = 1;
    while (start <= text.size()) {
        int end = text.indexOf(QLatin1Char('\n'), start);
        if (end < 0) end = text.size();
        scan.scan(text, start, start, end, severalLines ? line : 0);
        start = end + 1;
        ++line;
    }
    return scan.result();
}

QVector<parenthesis_check::problem> parenthesis_check::inEquations(const QString& text) {
    QVector<problem> problems;
    pairing current;
    bool inEquation = false;
    int start = 0;
    int line = 1;
    while (start <= text.size()) {
        int end = text.indexOf(QLatin1Char('\n'), start);
        if (end < 0) end = text.size();
        const int comment = text.indexOf(QLatin1Char(';'), start);
        const int codeEnd = comment >= 0 && comment < end ? comment : end;
        const int firstEquals = text.indexOf(QLatin1Char('='), start);
        if (firstEquals >= 0 && firstEquals < codeEnd) {
            if (inEquation) problems << current.result();
            current = pairing();
            inEquation = true;
            const int secondEquals = text.indexOf(QLatin1Char('='), firstEquals + 1);
            const int rhsEnd = secondEquals >= 0 && secondEquals < codeEnd ? secondEquals : codeEnd;
            current.scan(text, start, firstEquals + 1, rhsEnd, line);
        } else if (inEquation) {
            current.scan(text, start, start, codeEnd, line);
        }
        start = end + 1;
        ++line;
    }
    if (inEquation) problems << current.result();
    return problems;
}
