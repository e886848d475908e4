// Expression parsing: name extraction, tokenising by cutting at operator symbols in a
// fixed order, postfix ordering by the shunting-yard method, and evaluation through the
// compiled program.
#include "expr/parser.h"

#include "io/log_categories.h"

#include <QDebug>

#include <cmath>
#include <limits>

namespace {

struct operator_table {
    QStringList symbols;
    QVector<double> codes;
    QVector<int> precedences;
    QVector<bool> leftAssociative;

    operator_table() {
        // Cutting order: binary operators, then functions (ASIN( before SIN( so that the
        // longer name is found first), then the plain parentheses.
        const struct {
            const char* symbol;
            double code;
            int precedence;
            bool left;
        } rows[] = {
            {"^", 0, 4, false},        {"*", 1, 3, true},          {"/", 2, 3, true},
            {"+", 3, 2, true},         {"-", 4, 2, true},          {"EXP(", 102, 100, true},
            {"LOG(", 103, 100, true},  {"LOG10(", 104, 100, true}, {"ABS(", 105, 100, true},
            {"SIGN(", 106, 100, true}, {"SQRT(", 107, 100, true},  {"ASIN(", 111, 100, true},
            {"ACOS(", 112, 100, true}, {"ATAN(", 113, 100, true},  {"SIN(", 108, 100, true},
            {"COS(", 109, 100, true},  {"TAN(", 110, 100, true},   {"LN(", 114, 100, true},
            {"(", 100, 100, true},     {")", 101, 100, true},
        };
        for (const auto& r : rows) {
            symbols << QString::fromLatin1(r.symbol);
            codes << r.code;
            precedences << r.precedence;
            leftAssociative << r.left;
        }
    }
};

const operator_table& table() {
    static const operator_table t;
    return t;
}

QString withoutBlanks(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c == QLatin1Char(' ') || c == QLatin1Char('\n') || c == QLatin1Char('\r') ||
            c == QLatin1Char('\t'))
            continue;
        out.append(c);
    }
    return out;
}

} // namespace

parser::parser()
    : operator_symbol(table().symbols), operator_code(table().codes),
      operator_precedence(table().precedences), operator_left_associative(table().leftAssociative) {
}

parser::parser(const QString& expr) : parser() {
    expression = withoutBlanks(expr);
}

QStringList parser::extract_variables(const QString& expr) {
    expression = expr;
    return extract_variables();
}

QStringList parser::extract_variables() {
    expression = withoutBlanks(expression);
    QStringList pieces;
    pieces << expression;
    for (const QString& symbol : operator_symbol) {
        QStringList next;
        for (const QString& piece : pieces) {
            const QStringList parts = piece.split(symbol, Qt::SkipEmptyParts, Qt::CaseInsensitive);
            next << parts;
        }
        pieces = next;
    }
    pieces.removeDuplicates();
    QStringList names;
    for (const QString& piece : pieces) {
        bool ok = false;
        piece.toDouble(&ok);
        if (!ok) names << piece;
    }
    return names;
}

void parser::generate_tree() {
    expression = withoutBlanks(expression);
    if (expression.startsWith(QLatin1Char('-'))) expression.prepend(QLatin1Char('0'));
    tree.clear();
    program.reset();

    const QStringList used = extract_variables(expression);
    for (const QString& name : used) {
        if (!variable_name.contains(name)) {
            error_list << QStringLiteral(
                "Variables appear in the expression is not provided in the variable_name list.");
            return;
        }
    }
    if (expression.isEmpty()) return;

    // Tokenise: cut every still unclassified piece at each symbol in turn. Numbers and
    // operators already found are not cut again, so "ASIN(" is never read as "A" "SIN(".
    QVector<parser_token> tokens(1);
    tokens[0].text = expression;
    for (int s = 0; s < operator_symbol.size(); ++s) {
        QVector<parser_token> next;
        next.reserve(tokens.size() * 2);
        for (const parser_token& token : tokens) {
            if (token.type == -1)
                next << token.split(operator_symbol[s], 2, operator_code[s]);
            else
                next << token;
        }
        tokens = next;
    }

    // Classify names and give operators their precedence and associativity.
    for (parser_token& token : tokens) {
        if (token.type == -1) {
            const int index = variable_name.indexOf(token.text);
            if (index >= 0) {
                token.type = 1;
                token.value = index;
            }
        } else if (token.type == 2) {
            const int row = operator_code.indexOf(token.value);
            if (row >= 0) {
                token.precedence = operator_precedence[row];
                token.left_associative = operator_left_associative[row];
            }
        }
    }

    // A minus right after an opening parenthesis or a function's parenthesis is read like
    // a leading minus: EXP(-k*t) is EXP(0-k*t).
    auto isOpener = [](const parser_token& t) {
        return t.type == 2 && (t.value == 100 || (t.value >= 102 && t.value <= 114));
    };
    for (int i = 1; i < tokens.size(); ++i) {
        if (tokens[i].type == 2 && tokens[i].value == 4 && isOpener(tokens[i - 1])) {
            parser_token zero;
            zero.type = 0;
            zero.value = 0;
            zero.text = zero.display = QStringLiteral("0");
            tokens.insert(i, zero);
        }
    }

    // Shunting-yard ordering.
    QVector<parser_token> output;
    QVector<parser_token> stack;
    output.reserve(tokens.size());
    auto isBinary = [](const parser_token& t) { return t.type == 2 && t.value < 100; };
    for (const parser_token& token : tokens) {
        if (token.type != 2) {
            output << token;
        } else if (token.value < 100) {
            while (
                !stack.isEmpty() && isBinary(stack.last()) &&
                (stack.last().precedence > token.precedence ||
                 (stack.last().precedence == token.precedence && stack.last().left_associative))) {
                output << stack.takeLast();
            }
            stack << token;
        } else if (token.value == 101) {
            if (stack.isEmpty()) {
                // A closing parenthesis with nothing open stays in the tree.
                stack << token;
                continue;
            }
            while (!stack.isEmpty() && !isOpener(stack.last()))
                output << stack.takeLast();
            if (!stack.isEmpty()) output << stack.takeLast();
        } else {
            stack << token;
        }
    }
    while (!stack.isEmpty())
        output << stack.takeLast();
    tree = output;
    compile_tree();
}

void parser::compile_tree() {
    if (tree.isEmpty()) {
        program.reset();
        return;
    }
    program = std::make_shared<const compiled_expression>(compiled_expression::compile(tree));
}

double parser::missingTree() {
    qCDebug(lcExpr) << "the parser tree does not exist";
    return std::numeric_limits<double>::quiet_NaN();
}

double parser::evaluate_tree(const QVector<double>& values) const {
    return evaluate(values.constData(), values.size());
}

double parser::evaluate_aTree(double t, const QVector<double>& x, const QVector<double>& p) const {
    const int n = 1 + x.size() + p.size();
    constexpr int kLocal = 128;
    double local[kLocal];
    thread_local std::vector<double> big;
    double* values = local;
    if (n > kLocal) {
        if (big.size() < static_cast<size_t>(n)) big.resize(static_cast<size_t>(n));
        values = big.data();
    }
    values[0] = t;
    std::copy(x.constBegin(), x.constEnd(), values + 1);
    std::copy(p.constBegin(), p.constEnd(), values + 1 + x.size());
    return evaluate(values, n);
}
