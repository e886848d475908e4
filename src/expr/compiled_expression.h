// The compiled form of a postfix expression tree: an accumulator machine whose
// instructions carry their operands (constant, variable, or the stack), built once.
// Evaluation allocates nothing and gives exactly the value of reducing the tree
// operator by operator from the left, NaN included.
#pragma once

#include "expr/parser_token.h"

#include <QVector>

#include <cstdint>
#include <vector>

class compiled_expression {
public:
    // Compiles a postfix tree. Variables whose index is at least bindFrom and below
    // bindFrom + bindCount are replaced by bound[index - bindFrom] and folded into the
    // constants around them (parameters fixed for a whole model evaluation).
    static compiled_expression compile(const QVector<parser_token>& tree);
    static compiled_expression compile(const QVector<parser_token>& tree, int bindFrom,
                                       const double* bound, int bindCount);

    // The same program with some variables bound to constants (see compile).
    compiled_expression bind(int bindFrom, const double* bound, int bindCount) const;

    double evaluate(const double* values, int count) const;

    // Number of instructions in the compiled program.
    int instructionCount() const { return static_cast<int>(code.size()); }
    // True when the tree can never give a number (malformed structure).
    bool alwaysNaN() const { return failed; }
    // Largest variable index the program reads, -1 if none.
    int maxVariableIndex() const { return maxVar; }

    struct instruction {
        std::uint16_t op;
        std::int32_t a; // variable index of the first operand
        std::int32_t b; // variable index of the second operand
        double c;       // constant operand
    };

    struct source_token {
        std::int8_t kind; // 0 number, 1 variable, 2 operator, -1 unclassified
        double value;     // number, variable index or operator code
    };

private:
    std::vector<instruction> code;
    std::vector<source_token> source;
    int maxVar = -1;
    int stackDepth = 0;
    bool failed = true;

    void build(int bindFrom, const double* bound, int bindCount);
};
