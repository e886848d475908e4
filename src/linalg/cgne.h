// Least-squares solvers: conjugate gradients on the normal equations A^T A x = A^T b from a
// zero start (the residual kept is A^T (b - A x)), plain, row-weighted and with a damped
// diagonal. No tolerance test: a solve ends at its iteration cap or at an exact zero step
// length or residual. Mismatched sizes of A and b give three debug lines and a zero x.
#pragma once

#include <QVector>

#include <boost/numeric/ublas/matrix.hpp>
#include <boost/numeric/ublas/vector.hpp>

// At most maxIter iterations (none when maxIter < 1). Result length A.size2().
boost::numeric::ublas::vector<double> cgne_ATAx_ATb(const boost::numeric::ublas::matrix<double>& A,
                                                    const boost::numeric::ublas::vector<double>& b,
                                                    int maxIter);

// At most A.size2() iterations.
boost::numeric::ublas::vector<double> cgne_ATAx_ATb(const boost::numeric::ublas::matrix<double>& A,
                                                    const boost::numeric::ublas::vector<double>& b);

QVector<double> cgne_ATAx_ATb(const QVector<QVector<double>>& A, const QVector<double>& b);

// Minimises sum_i (w[i] (A x - b)[i])^2: row i of A and b[i] are multiplied by w[i] (a weight
// of exactly 0 clears the row); rows beyond the end of w keep weight 1. A and b are scaled in
// place, so pass them by move when the caller no longer needs them.
boost::numeric::ublas::vector<double>
cgne_ATAx_ATb_with_weight(boost::numeric::ublas::matrix<double> A,
                          boost::numeric::ublas::vector<double> b,
                          const boost::numeric::ublas::vector<double>& w);

QVector<double> cgne_ATAx_ATb_with_weight(const QVector<QVector<double>>& A,
                                          const QVector<double>& b, const QVector<double>& w);

// Solves M x = A^T b with M = A^T A whose diagonal is damped: an entry above 1 is multiplied
// by (1 + lambda), any other entry (NaN included) gets lambda added. At most A.size1()
// iterations.
boost::numeric::ublas::vector<double>
cgne_ATAx_ATb_with_reg(const boost::numeric::ublas::matrix<double>& A,
                       const boost::numeric::ublas::vector<double>& b, double lambda);

// The same with lambda[j] for diagonal entry j; entries beyond the end of lambda are not
// damped.
boost::numeric::ublas::vector<double>
cgne_ATAx_ATb_with_reg(const boost::numeric::ublas::matrix<double>& A,
                       const boost::numeric::ublas::vector<double>& b,
                       const boost::numeric::ublas::vector<double>& lambda);
