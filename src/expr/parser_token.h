// One token of an arithmetic expression: a number, a variable reference, an operator,
// a function with its opening parenthesis, or a parenthesis. It can cut its text at an
// operator symbol (split) and apply itself as an operator to operand tokens (operate).
#pragma once

#include <QString>
#include <QVector>

class parser_token {
public:
    // -1 unclassified text, 0 number, 1 variable, 2 operator/function/parenthesis,
    // -2 failed result of an operation.
    int type = -1;
    // Number value, variable index, operator code, or the result of operate().
    double value = 0.0;
    int precedence = 0;
    QString text;
    bool left_associative = true;
    QString display;

    parser_token() = default;

    // Cuts this token's text at every occurrence of symbol; the occurrences become tokens
    // of the given type and code, the pieces between them numbers or unclassified text.
    QVector<parser_token> split(const QString& symbol, int type, double code) const;

    // Applies this unary token (function or "(") to operand x.
    void operate(const parser_token& x, const QVector<double>& values);
    // Applies this binary token to the left operand a and the right operand b.
    void operate(const parser_token& a, const parser_token& b, const QVector<double>& values);
};
