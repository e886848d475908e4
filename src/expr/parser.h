// One arithmetic expression over named variables: cut into tokens, ordered in postfix
// (the tree) and compiled once into a compact program that evaluates without allocating.
// Any failure (unknown name, malformed structure, missing operand) evaluates to NaN.
// A minus that opens the expression or follows an opening parenthesis (a function's
// included) is read as 0-...: -k*A and EXP(-k*t) evaluate; 2*(3-) does not.
#pragma once

#include "expr/compiled_expression.h"
#include "expr/parser_token.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <memory>

class parser {
public:
    QString expression;
    QStringList variable_name;
    QVector<parser_token> tree;
    QStringList operator_symbol;
    QVector<double> operator_code;
    QVector<int> operator_precedence;
    QVector<bool> operator_left_associative;
    QStringList error_list;

    parser();
    explicit parser(const QString& expression);

    // Names used by the expression, in order of first appearance, numbers removed.
    QStringList extract_variables(const QString& expression);
    QStringList extract_variables();

    // Builds the postfix tree from expression and variable_name, then compiles it.
    void generate_tree();
    // Compiles the current tree (generate_tree calls it; tests that set the tree by
    // hand call it themselves).
    void compile_tree();

    // Values in the order of variable_name.
    double evaluate_tree(const QVector<double>& values) const;
    // Values t, then all of x, then all of p.
    double evaluate_aTree(double t, const QVector<double>& x, const QVector<double>& p) const;
    // Hot path: the same result as evaluate_tree for values[0..count).
    double evaluate(const double* values, int count) const {
        return program ? program->evaluate(values, count) : missingTree();
    }

    // The compiled form of the tree (null until generate_tree or compile_tree ran).
    const std::shared_ptr<const compiled_expression>& compiled() const { return program; }

private:
    std::shared_ptr<const compiled_expression> program;
    static double missingTree();
};
