// Eigen decomposition of real symmetric matrices by classical Jacobi rotations: the largest
// off-diagonal entry is annihilated by a plane rotation until none exceeds 1e-12 in
// magnitude.
#pragma once

#include <QVector>

#include <boost/numeric/ublas/matrix.hpp>

// {c, r, |A(r, c)|} of the largest off-diagonal entry below the diagonal, c < r, starting from
// the candidate (0, 1) and keeping the first entry met on ties (rows scanned top-down, columns
// left to right). A matrix with fewer than two rows or columns has no off-diagonal entry and
// gives {0, 1, 0}.
QVector<double> findOffD_maxAbs_symmMatrix(const boost::numeric::ublas::matrix<double>& A);

// {D, V} with D the rotated A (eigenvalues on the diagonal, off-diagonal entries at most
// 1e-12) and V the accumulated rotation whose row i is the unit eigenvector of D(i, i), so
// that A = V^T D V. A non-square A gives a debug line and an empty vector; a 0x0 or 1x1 A
// gives {A, identity}.
QVector<boost::numeric::ublas::matrix<double>>
eigenDecomposition(boost::numeric::ublas::matrix<double> A);
