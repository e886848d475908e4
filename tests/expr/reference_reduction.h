// The evaluation rule written out literally, as the oracle for the compiled program:
// copy the postfix tree, repeatedly apply the leftmost operator token to the one or two
// tokens before it, and read the single token left (NaN otherwise). The minus after an
// opening parenthesis is written out on the text, as a "0" put in front of it.
#pragma once

#include "expr/parser_token.h"

#include <QString>
#include <QVector>

#include <limits>

inline double reference_reduction(const QVector<parser_token>& tree,
                                  const QVector<double>& values) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    if (tree.isEmpty()) return nan;
    QVector<parser_token> work = tree;
    while (work.size() > 1) {
        int i = 0;
        while (i < work.size() && work[i].type != 2)
            ++i;
        if (i == work.size()) break;
        parser_token op = work[i];
        if (op.value >= 100 && i >= 1) {
            op.operate(work[i - 1], values);
            if (op.type == -2 && work[i - 1].type == 1 && !(work[i - 1].value < values.size()))
                return nan; // not enough variable values: evaluation abandoned
            work[i - 1] = op;
            work.remove(i);
        } else if (i >= 2) {
            op.operate(work[i - 2], work[i - 1], values);
            if (op.type == -2 && ((work[i - 2].type == 1 && !(work[i - 2].value < values.size())) ||
                                  (work[i - 1].type == 1 && !(work[i - 1].value < values.size()))))
                return nan;
            work[i - 2] = op;
            work.remove(i - 1, 2);
        } else {
            break;
        }
    }
    if (work.size() != 1) return nan;
    const parser_token& last = work[0];
    if (last.type == 1) {
        if (!(last.value < values.size())) return nan;
        return values[static_cast<int>(last.value)];
    }
    if (last.type == 0) return last.value;
    return nan;
}

// Blanks removed, then a "0" in front of every minus that follows "(" directly.
inline QString reference_minus_reading(const QString& text) {
    QString out;
    for (const QChar c : text) {
        if (c == ' ' || c == '\n' || c == '\r' || c == '\t') continue;
        if (c == '-' && out.endsWith('(')) out += '0';
        out += c;
    }
    return out;
}
