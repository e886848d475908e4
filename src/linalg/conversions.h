// Conversions between the Qt containers that carry numbers through the program
// (QVector<double>, QVector<QVector<double>> with the outer index = row) and the uBLAS
// vectors and row-major matrices used inside the numerical code.
#pragma once

#include <QVector>

#include <boost/numeric/ublas/matrix.hpp>
#include <boost/numeric/ublas/vector.hpp>

// Same length, copied in order.
boost::numeric::ublas::vector<double> convertQVectortoboostVector(const QVector<double>& v);

// One matrix row per inner vector, as many columns as the longest inner vector; the cells
// beyond the end of a short row are zero.
boost::numeric::ublas::matrix<double>
convertQVectortoboostMatrix(const QVector<QVector<double>>& M);

// Only the rows i whose mask entry is true, in input order (rows beyond the end of the mask
// are not selected); as many columns as the longest selected row, short rows zero-filled.
boost::numeric::ublas::matrix<double> convertQVectortoboostMatrix(const QVector<QVector<double>>& M,
                                                                  const QVector<bool>& mask);

QVector<double> convertBoostVectortoQVector(const boost::numeric::ublas::vector<double>& v);

// One inner vector per matrix row.
QVector<QVector<double>>
convertboostMatrixtoQVector(const boost::numeric::ublas::matrix<double>& M);
