// Where the parentheses of an expression fail to pair up, told by line and column of the
// text as typed, for the messages of the ODE text, g(x), its inverse and the table cells.
// The evaluation itself forgives unbalanced parentheses (an unclosed one still applies to
// everything after it), so this check is what tells the user.
#pragma once

#include <QString>
#include <QVector>

class parenthesis_check {
public:
    struct problem {
        bool found = false;
        bool unclosed = false; // true: a "(" is never closed; false: a ")" closes nothing
        int line = 0;          // 1-based line of the text; 0 for a one-line cell text
        int column = 0;        // 1-based column of the parenthesis, blanks counted

        // "Unbalanced parentheses: ..." with what is wrong and where; empty when !found.
        QString describe() const;
    };

    // A table cell's expression. Lines (of a cell holding line breaks) are counted only
    // when there is more than one. An empty text has no problem.
    static problem inExpression(const QString& text);

    // An equation text (the ODE system, g(x), g inverse): one entry per equation, in the
    // order the equations appear, for its right-hand side (from the first "=" of its line
    // to the second, continuation lines without "=" included, text after ";" ignored).
    // Lines before the first equation hold no right-hand side and are not checked.
    static QVector<problem> inEquations(const QString& text);
};
