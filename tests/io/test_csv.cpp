// The CSV dialect: exact text written, how every kind of field reads back, and round trips
// of numbers (NaN and infinities included) at 6 significant digits.
#include "io/csv.h"

#include "io/debug_log.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

class Csv : public ::testing::Test {
protected:
    QString path(const QString& name) const { return dir.filePath(name); }

    QByteArray readBytes(const QString& name) const {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }

    void writeBytes(const QString& name, const QByteArray& bytes) const {
        QFile f(path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    QTemporaryDir dir;
    debug_log log;
};

// Equal as numbers written with 6 significant digits: NaN to NaN, infinities by sign.
void expectSameTo6Digits(const QVector<QVector<double>>& actual,
                         const QVector<QVector<double>>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (int r = 0; r < expected.size(); ++r) {
        ASSERT_EQ(actual[r].size(), expected[r].size()) << "row " << r;
        for (int c = 0; c < expected[r].size(); ++c) {
            const double a = actual[r][c], e = expected[r][c];
            EXPECT_TRUE(std::isnan(e)   ? std::isnan(a)
                        : std::isinf(e) ? a == e
                                        : std::fabs(a - e) <= 5e-6 * std::fabs(e))
                << r << "," << c << ": " << a << " for " << e;
        }
    }
}

} // namespace

TEST_F(Csv, WriteDoublesExactText) {
    const struct {
        const char* name;
        QVector<QVector<double>> M;
        QByteArray text;
    } cases[] = {
        {"mixed", {{1, 2.5}, {0.0000003}}, "1,2.5\n3e-07\n"},
        {"six digits", {{1.0 / 3, 123456789, -2.0 / 3}}, "0.333333,1.23457e+08,-0.666667\n"},
        {"empty row is empty line", {{1}, {}, {2}}, "1\n\n2\n"},
        {"non-finite", {{kNaN, kInf, -kInf}}, "nan,inf,-inf\n"},
        {"empty matrix", {}, ""},
    };
    // Every case overwrites a longer file, which must not show through.
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeBytes("m.csv", "9,9,9,9,9,9,9,9,9,9,9,9,9,9,9,9\n9,9,9\n");
        csvwrite(path("m.csv"), c.M);
        EXPECT_EQ(readBytes("m.csv"), c.text);
    }
    csvwrite(path("i.csv"), QVector<QVector<int>>{{0, -3, 2147483647}, {}, {12}});
    EXPECT_EQ(readBytes("i.csv"), "0,-3,2147483647\n\n12\n");
    EXPECT_TRUE(log.lines().isEmpty());
}

TEST_F(Csv, WriteFailuresOnlyLog) {
    const QString nowhere = path("no/such/dir/m.csv");
    csvwrite(nowhere, QVector<QVector<double>>{{1}});
    csvwrite(nowhere, QVector<QVector<int>>{{1}});
    csvwriteWithHeader(nowhere, {{1}}, {"r"}, {"c"});
    EXPECT_EQ(log.lines(), QStringList({"Error, unable to save", "Error, unable to save",
                                        "Error, unable to open"}));
    EXPECT_FALSE(QFile::exists(nowhere));
}

TEST_F(Csv, WriteWithHeaderExactText) {
    const struct {
        const char* name;
        QVector<QVector<double>> M;
        QStringList rowHeader;
        QStringList colHeader;
        QByteArray text;
    } cases[] = {
        {"labels",
         {{1, 2.5}, {1.0 / 3, 1e-7}},
         {"a", "b"},
         {"x", "y"},
         ",x,y\na,1,2.5\nb,0.333333,1e-07"},
        {"row labels run out", {{1}, {2}, {3}}, {"first"}, {"v"}, ",v\nfirst,1\n,2\n,3"},
        // Empty column labels give a first line of commas, one per column.
        {"empty column labels", {{0, 1, 2}}, {"time"}, {"", "", ""}, ",,,\ntime,0,1,2"},
        {"non-finite", {{kNaN, -kInf}}, {"r"}, {"p", "q"}, ",p,q\nr,nan,-inf"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        csvwriteWithHeader(path("h.csv"), c.M, c.rowHeader, c.colHeader);
        EXPECT_EQ(readBytes("h.csv"), c.text);
    }
}

TEST_F(Csv, ReadFileFieldRules) {
    const struct {
        const char* name;
        QByteArray text;
        QVector<QVector<double>> expected;
    } cases[] = {
        {"fields, empty line, last line", "1, 2 ,x\n\n4", {{1, 2, kNaN}, {kNaN}, {4}}},
        {"final newline adds no row", "1, 2 ,x\n\n4\n", {{1, 2, kNaN}, {kNaN}, {4}}},
        {"empty fields kept", ",5,\n", {{kNaN, 5, kNaN}}},
        {"blanks inside a field are deleted", "1 000,\t2 . 5\n", {{1000, 2.5}}},
        {"CRLF line ends", "1,2\r\n3\r\n", {{1, 2}, {3}}},
        {"non-finite words", "nan,inf,-inf,NaN,Inf\n", {{kNaN, kInf, -kInf, kNaN, kInf}}},
        {"out of range is NaN", "1e999,1e-400\n", {{kNaN, kNaN}}},
        {"one empty line", "\n", {{kNaN}}},
        {"trailing empty line", "1\n\n", {{1}, {kNaN}}},
        {"empty file", "", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeBytes("r.csv", c.text);
        expectSameTo6Digits(csvReadToDouble(path("r.csv")), c.expected);
    }
    // A missing file (or a directory) reads as nothing, silently.
    EXPECT_TRUE(csvReadToDouble(path("absent.csv")).isEmpty());
    EXPECT_TRUE(csvReadToDouble(dir.path()).isEmpty());
    EXPECT_TRUE(log.lines().isEmpty());
}

TEST_F(Csv, ReadTextFieldRules) {
    const struct {
        const char* name;
        QString text;
        QVector<QVector<double>> expected;
    } cases[] = {
        {"rows and fields", "1,2\n3", {{1, 2}, {3}}},
        {"final newline adds no row", "1,0,0\n0,1,0\n", {{1, 0, 0}, {0, 1, 0}}},
        {"empty lines and fields kept", "1,\n\n,2", {{1, kNaN}, {kNaN}, {kNaN, 2}}},
        // Blanks inside a field are not deleted; around it QString::toDouble ignores them.
        {"inner blank fails", "1 000, 7 ", {{kNaN, 7}}},
        {"words", "x,nan,inf", {{kNaN, kNaN, kInf}}},
        {"empty text", "", {}},
        {"only a newline", "\n", {{kNaN}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        expectSameTo6Digits(csvTextReadToDouble(c.text), c.expected);
    }
}

TEST_F(Csv, RoundTripKeepsSixSignificantDigits) {
    const double tiny = std::numeric_limits<double>::denorm_min();
    const double huge = std::numeric_limits<double>::max();
    const QVector<QVector<double>> M = {
        {1.0 / 3, -2.0 / 3, 1e-7, 123456789, 0},
        {kNaN, kInf, -kInf},
        {},
        {huge, -huge, tiny, std::numeric_limits<double>::min(), -0.0},
        {3.14159265358979, 2.718281828459045e-100, 6.02214076e23},
    };
    csvwrite(path("rt.csv"), M);
    const QVector<QVector<double>> back = csvReadToDouble(path("rt.csv"));
    // The empty row comes back as one NaN.
    QVector<QVector<double>> expected = M;
    expected[2] = {kNaN};
    expectSameTo6Digits(back, expected);
    // Six digits only: 1/3 does not come back exactly.
    ASSERT_FALSE(back.isEmpty());
    EXPECT_NE(back[0][0], 1.0 / 3);
    EXPECT_EQ(back[0][0], 0.333333);
}

TEST_F(Csv, HeaderFileReadsBackWithLabelsAsNaN) {
    const QVector<QVector<double>> M = {{1.0 / 7, kNaN}, {-kInf, 42}};
    csvwriteWithHeader(path("h.csv"), M, {"a", "b"}, {"x", "y"});
    expectSameTo6Digits(csvReadToDouble(path("h.csv")),
                        {{kNaN, kNaN, kNaN}, {kNaN, 1.0 / 7, kNaN}, {kNaN, -kInf, 42}});
}

// The number format of csvwrite is the stream's default %g with 6 digits; written without
// the stream, it must still give the same text for numbers of every magnitude and sign
// (exact ties at the sixth digit, such as 123456.5, round to even as %g does).
TEST(CsvWrite, NumberTextMatchesTheStreamFormatEverywhere) {
    QTemporaryDir tmp;
    std::mt19937 rng(11);
    QVector<double> row;
    for (int i = 0; i < 20000; ++i) {
        const double mantissa = std::uniform_real_distribution<double>(-10, 10)(rng);
        const int exponent = std::uniform_int_distribution<int>(-310, 308)(rng);
        row << mantissa * std::pow(10.0, exponent);
    }
    row << 0.0 << -0.0 << 1e-7 << 123456.7 << 999999.7 << 0.0001 << 0.00001 << 1e100 << -2.5e-300
        << std::numeric_limits<double>::denorm_min() << std::numeric_limits<double>::max()
        << INFINITY << -INFINITY << std::nan("");
    const QString file = tmp.path() + "/n.csv";
    csvwrite(file, QVector<QVector<double>>{row});
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QStringList written = QString::fromUtf8(f.readAll()).trimmed().split(',');
    ASSERT_EQ(written.size(), row.size());
    for (int i = 0; i < row.size(); ++i) {
        QString expected;
        QTextStream(&expected) << row[i];
        ASSERT_EQ(written[i], expected) << "value " << i;
    }
}
