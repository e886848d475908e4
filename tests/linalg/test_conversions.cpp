// Conversions between Qt containers and uBLAS vectors and matrices: row-major order, short
// rows zero-filled to the longest row, and the row mask.
#include "linalg/conversions.h"

#include <gtest/gtest.h>

namespace ublas = boost::numeric::ublas;

TEST(Conversions, RoundTripsZeroFillingAndTheRowMask) {
    const QVector<double> v = {1.5, -2, 0, 1e300};
    EXPECT_EQ(convertBoostVectortoQVector(convertQVectortoboostVector(v)), v);
    EXPECT_EQ(convertQVectortoboostMatrix({{1, 2, 3}, {4, 5, 6}}).data()[1 * 3 + 2], 6);

    using M = QVector<QVector<double>>;
    const M ragged = {{1, 2}, {3, 4, 9}, {5, 6}, {7, 8}};
    const struct {
        M input;
        QVector<bool> mask; // empty: the form without a mask
        M expected;
    } cases[] = {
        {{{1}, {2, 3, 4}, {}}, {}, {{1, 0, 0}, {2, 3, 4}, {0, 0, 0}}},
        {{}, {}, {}},
        {{{}, {}}, {}, {{}, {}}},
        {ragged, {true, false, true, true}, {{1, 2}, {5, 6}, {7, 8}}},
        // The longest selected row sets the width.
        {ragged, {false, true, false, true}, {{3, 4, 9}, {7, 8, 0}}},
        {ragged, {false, false, false, false}, {}},
        // Rows beyond the end of the mask are not selected.
        {ragged, {false, false, true}, {{5, 6}}},
    };
    for (const auto& c : cases) {
        const ublas::matrix<double> A = c.mask.isEmpty()
                                            ? convertQVectortoboostMatrix(c.input)
                                            : convertQVectortoboostMatrix(c.input, c.mask);
        EXPECT_EQ(A.size1(), std::size_t(c.expected.size()));
        EXPECT_EQ(convertboostMatrixtoQVector(A), c.expected);
    }
    EXPECT_EQ(convertQVectortoboostMatrix(ragged, QVector<bool>()).size1(), 0u);
}
