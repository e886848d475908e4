// uBLAS matrices and vectors written as nested braces, row by row, for the linear algebra
// tests.
#pragma once

#include <boost/numeric/ublas/matrix.hpp>
#include <boost/numeric/ublas/vector.hpp>

#include <initializer_list>

inline boost::numeric::ublas::matrix<double>
mat(std::initializer_list<std::initializer_list<double>> rows) {
    boost::numeric::ublas::matrix<double> A(rows.size(), rows.size() ? rows.begin()->size() : 0);
    std::size_t i = 0;
    for (const auto& row : rows) {
        std::size_t j = 0;
        for (double v : row)
            A(i, j++) = v;
        ++i;
    }
    return A;
}

inline boost::numeric::ublas::vector<double> vec(std::initializer_list<double> values) {
    boost::numeric::ublas::vector<double> v(values.size());
    std::size_t i = 0;
    for (double x : values)
        v(i++) = x;
    return v;
}
