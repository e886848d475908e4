// Conversions between Qt containers and uBLAS vectors and matrices.
#include "linalg/conversions.h"

#include <gtest/gtest.h>

namespace ublas = boost::numeric::ublas;

TEST(Conversions, VectorRoundTrip) {
    const QVector<double> v = {1.5, -2, 0, 1e300};
    const ublas::vector<double> u = convertQVectortoboostVector(v);
    ASSERT_EQ(u.size(), 4u);
    EXPECT_EQ(u(3), 1e300);
    EXPECT_EQ(convertBoostVectortoQVector(u), v);
    EXPECT_EQ(convertQVectortoboostVector({}).size(), 0u);
    EXPECT_TRUE(convertBoostVectortoQVector(ublas::vector<double>()).isEmpty());
}

TEST(Conversions, MatrixRoundTripKeepsRowMajorOrder) {
    const QVector<QVector<double>> M = {{1, 2, 3}, {4, 5, 6}};
    const ublas::matrix<double> A = convertQVectortoboostMatrix(M);
    ASSERT_EQ(A.size1(), 2u);
    ASSERT_EQ(A.size2(), 3u);
    EXPECT_EQ(A(1, 0), 4);
    EXPECT_EQ(A.data()[1 * 3 + 2], 6);
    EXPECT_EQ(convertboostMatrixtoQVector(A), M);
}

TEST(Conversions, ShortRowsAreZeroFilledToTheLongestRow) {
    const ublas::matrix<double> A = convertQVectortoboostMatrix({{1}, {2, 3, 4}, {}});
    ASSERT_EQ(A.size1(), 3u);
    ASSERT_EQ(A.size2(), 3u);
    EXPECT_EQ(convertboostMatrixtoQVector(A),
              (QVector<QVector<double>>{{1, 0, 0}, {2, 3, 4}, {0, 0, 0}}));
}

TEST(Conversions, EmptyMatrices) {
    const ublas::matrix<double> none = convertQVectortoboostMatrix({});
    EXPECT_EQ(none.size1(), 0u);
    EXPECT_EQ(none.size2(), 0u);
    const ublas::matrix<double> emptyRows = convertQVectortoboostMatrix({{}, {}});
    EXPECT_EQ(emptyRows.size1(), 2u);
    EXPECT_EQ(emptyRows.size2(), 0u);
    EXPECT_EQ(convertboostMatrixtoQVector(emptyRows), (QVector<QVector<double>>{{}, {}}));
}

TEST(Conversions, MaskKeepsSelectedRowsInOrder) {
    const QVector<QVector<double>> M = {{1, 2}, {3, 4, 9}, {5, 6}, {7, 8}};
    struct Case {
        QVector<bool> mask;
        QVector<QVector<double>> expected;
    };
    const Case cases[] = {
        {{true, false, true, true}, {{1, 2}, {5, 6}, {7, 8}}},
        // The longest selected row sets the width.
        {{false, true, false, true}, {{3, 4, 9}, {7, 8, 0}}},
        {{false, false, false, false}, {}},
        // Rows beyond the end of the mask are not selected.
        {{false, false, true}, {{5, 6}}},
        {{}, {}},
    };
    for (const Case& c : cases) {
        const ublas::matrix<double> A = convertQVectortoboostMatrix(M, c.mask);
        EXPECT_EQ(A.size1(), static_cast<std::size_t>(c.expected.size()));
        EXPECT_EQ(convertboostMatrixtoQVector(A), c.expected);
    }
}
