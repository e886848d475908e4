// The ODE system as typed on the model page: variables, sorted parameters, one compiled
// right-hand side per equation, the probed Jacobian structure with its decoupled blocks,
// the right-hand side and Jacobian per block for the stiff integrator, the coloured text
// for the editor, and the ODE side of the exported R and MATLAB scripts.
#pragma once

#include "expr/compiled_expression.h"
#include "expr/parser.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <boost/numeric/ublas/matrix.hpp>
#include <boost/numeric/ublas/matrix_sparse.hpp>
#include <boost/numeric/ublas/vector.hpp>

#include <memory>
#include <vector>

class odeTextParser {
public:
    typedef boost::numeric::ublas::vector<double> vector_type;
    typedef boost::numeric::ublas::matrix<double> matrix_type;

    QString ode_text;
    QString coloured_text;
    QStringList error_list;
    // One parser per equation, in equation order. Values share their compiled programs,
    // so copying the list (and the whole object) never re-parses.
    QVector<parser> rhs_parser;
    // The right-hand sides as written (spaces removed, continuation lines joined); the
    // parsers may have rewritten a leading minus, the exported scripts use these.
    QStringList rhs_text;
    QStringList variable_name;
    QStringList parameter_name;
    QVector<double> parameter_value;
    // Row i = equation of variable i, column j = variable j: 1 linear, 0 none, -1 nonlinear.
    QVector<QVector<int>> jacobian_structure;
    QVector<QVector<int>> nonlinear_entry;
    QVector<QVector<int>> linear_entry;
    QVector<int> block_end;
    boost::numeric::ublas::mapped_matrix<double> jacobian;
    QVector<matrix_type> block_jacobian;

    odeTextParser();

    void readText(const QString& text);
    void parse();

    // Every right-hand side for one value vector (t, variables, parameters).
    QVector<double> eval(const QVector<double>& values) const;
    // Stores the parameter values and binds them into the right-hand sides, so that the
    // per-step evaluations below only do the work that depends on t and the state.
    void setParameters(const QVector<double>& p);

    // Time derivatives of a block's variables for the block's state x (block-local order).
    vector_type evalRHS(double t, const vector_type& x, int block) const;
    // Linear entries of the Jacobian for the current parameter values; call after every
    // setParameters and before updateJacobian.
    void initialiseJacobian();
    // The block's Jacobian at (t, x), block-local indices.
    void updateJacobian(double t, const vector_type& x, matrix_type& J, int block) const;

    // Allocation-free forms for the integrator. scratch is a value vector of valueCount()
    // doubles prepared by resetScratch before each block (variables outside the block stay
    // 0, as the block's equations do not use them).
    void evalRHS(double t, const double* x, double* dxdt, int block, double* scratch) const;
    // Also writes the partial time derivative of the block's right-hand sides into dfdt
    // (a forward difference for equations that use t, 0 for the others).
    void updateJacobian(double t, const double* x, matrix_type& J, double* dfdt, int block,
                        double* scratch) const;

    int blockCount() const { return block_end.size(); }
    int blockFirst(int block) const { return block == 0 ? 0 : block_end[block - 1] + 1; }
    int blockSize(int block) const { return block_end[block] - blockFirst(block) + 1; }
    // Length of the value vector: t, every variable, every parameter value.
    int valueCount() const { return 1 + variable_name.size() + parameter_value.size(); }
    // t and the variables 0, then the parameter values.
    void resetScratch(double* scratch) const;

    // Rich text for the editor: variables bold, parameters italic, comments silver.
    QString textColour();
    // The text of "replace ... to ..." on the ODE page: spaces removed, every `from` replaced
    // by `to` between the marks `start` and `end` (the editor colours what lies between
    // them), and +, -, * and / spaced out again.
    static QString replacedText(QString text, const QString& from, const QString& to, QChar start,
                                QChar end);

    // The ODE side of the exported scripts.
    QString rscript_RHS() const;
    QString rscript_initialStateVector() const;
    QString rscript_lastStateVector() const;
    QString rscript_initialInfusionRate() const;
    QString matlab_RHS() const;
    QString matlab_initialStateVector() const;
    QString matlab_initialInfusionRate() const;
    QString rscript_compartmentDiagram() const;

private:
    struct nonlinear_item {
        int row; // global equation index
        int col; // global variable index
    };

    // Per block, its nonlinear entries grouped by row (detection order).
    QVector<QVector<nonlinear_item>> blockNonlinear;
    // Per equation, whether its right-hand side names the time t.
    QVector<bool> usesTime;
    // Right-hand sides with the current parameter values bound (null when none are set or
    // when fewer values than parameters were given: every evaluation is then NaN).
    std::shared_ptr<const std::vector<compiled_expression>> boundRhs;

    // False when the right-hand side does not evaluate at the probe point.
    bool probeEquation(int i, int valueLength);
    void computeBlockEnds();
    void buildBlockTables();
    double evaluateBound(int equation, const double* scratch) const;
};
