// Cutting expression text at operator symbols and applying operator tokens to operands.
#include "expr/parser_token.h"

#include "expr/operator_functions.h"
#include "io/log_categories.h"

#include <QDebug>

#include <cmath>

namespace {

void classifyNumber(parser_token& token) {
    bool ok = false;
    const double v = token.text.toDouble(&ok);
    if (ok) {
        token.type = 0;
        token.value = v;
        token.display = QString::number(v, 'g', 6);
    }
}

// The numeric value an operand stands for; false when it cannot be used as an operand.
bool operandValue(const parser_token& x, const QVector<double>& values, double& out) {
    switch (x.type) {
    case 0:
        out = x.value;
        return true;
    case 1: {
        const double index = x.value;
        if (!(index >= 0) || index >= values.size()) {
            qCDebug(lcExpr) << "not enough variable values";
            return false;
        }
        out = values[static_cast<int>(index)];
        return true;
    }
    case 2:
    case -2:
        qCDebug(lcExpr) << "Cannot operate on operator";
        return false;
    default:
        // Unclassified text (for example a lower-case function name) has no value.
        return false;
    }
}

} // namespace

QVector<parser_token> parser_token::split(const QString& symbol, int symbolType,
                                          double code) const {
    parser_token symbolToken;
    symbolToken.type = symbolType;
    symbolToken.value = code;
    symbolToken.text = symbol;
    symbolToken.display = symbol;
    symbolToken.left_associative = true;

    QVector<parser_token> out;
    int from = 0;
    int at = symbol.isEmpty() ? -1 : text.indexOf(symbol, from, Qt::CaseSensitive);
    if (at < 0) {
        parser_token alone = *this;
        classifyNumber(alone);
        out.append(alone);
        return out;
    }
    auto piece = [&](int start, int end) {
        if (end <= start) return;
        parser_token p;
        p.text = text.mid(start, end - start);
        classifyNumber(p);
        out.append(p);
    };
    while (at >= 0) {
        piece(from, at);
        out.append(symbolToken);
        from = at + symbol.size();
        at = text.indexOf(symbol, from, Qt::CaseSensitive);
    }
    piece(from, text.size());
    return out;
}

void parser_token::operate(const parser_token& x, const QVector<double>& values) {
    const int code = operator_functions::codeOf(value);
    if (type != 2 || value < 100 || code == operator_functions::CloseParen) {
        qCDebug(lcExpr) << "This token is not an operator";
        type = -2;
        return;
    }
    double arg = 0.0;
    if (!operandValue(x, values, arg)) {
        type = -2;
        return;
    }
    value = operator_functions::unary(code, arg);
    type = 0;
}

void parser_token::operate(const parser_token& a, const parser_token& b,
                           const QVector<double>& values) {
    const int code = operator_functions::codeOf(value);
    if (type != 2 || value > 100 || code == operator_functions::CloseParen) {
        qCDebug(lcExpr) << "This token is not an operator";
        type = -2;
        return;
    }
    double left = 0.0;
    double right = 0.0;
    if (!operandValue(a, values, left) || !operandValue(b, values, right)) {
        type = -2;
        return;
    }
    value = operator_functions::binary(code, left, right);
    type = 0;
}
