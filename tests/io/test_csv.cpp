// The CSV dialect: exact text written, how every kind of field reads back, and round trips
// of numbers (NaN and infinities included) at 6 significant digits; and the clipboard's text
// cut into cells, where the empty entry of a final line break is dropped.
#include "io/clipboard_text.h"
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
using Matrix = QVector<QVector<double>>;

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
void expectSameTo6Digits(const Matrix& actual, const Matrix& expected) {
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

// Every case overwrites a longer file, which must not show through.
TEST_F(Csv, WrittenText) {
    const struct {
        Matrix M;
        QStringList rowHeader; // empty: csvwrite; otherwise csvwriteWithHeader
        QStringList colHeader;
        QByteArray text;
    } cases[] = {
        {{{1, 2.5}, {0.0000003}}, {}, {}, "1,2.5\n3e-07\n"},
        {{{1.0 / 3, 123456789, -2.0 / 3}}, {}, {}, "0.333333,1.23457e+08,-0.666667\n"},
        {{{1}, {}, {2}}, {}, {}, "1\n\n2\n"},
        {{{kNaN, kInf, -kInf}}, {}, {}, "nan,inf,-inf\n"},
        {{}, {}, {}, ""},
        {{{1, 2.5}, {1.0 / 3, 1e-7}}, {"a", "b"}, {"x", "y"}, ",x,y\na,1,2.5\nb,0.333333,1e-07"},
        {{{1}, {2}, {3}}, {"first"}, {"v"}, ",v\nfirst,1\n,2\n,3"}, // row labels run out
        {{{0, 1, 2}}, {"time"}, {"", "", ""}, ",,,\ntime,0,1,2"},
        {{{kNaN, -kInf}}, {"r"}, {"p", "q"}, ",p,q\nr,nan,-inf"},
    };
    for (const auto& c : cases) {
        writeBytes("m.csv", "9,9,9,9,9,9,9,9,9,9,9,9,9,9,9,9\n9,9,9\n");
        if (c.rowHeader.isEmpty())
            csvwrite(path("m.csv"), c.M);
        else
            csvwriteWithHeader(path("m.csv"), c.M, c.rowHeader, c.colHeader);
        EXPECT_EQ(readBytes("m.csv"), c.text);
    }
    csvwrite(path("i.csv"), QVector<QVector<int>>{{0, -3, 2147483647}, {}, {12}});
    EXPECT_EQ(readBytes("i.csv"), "0,-3,2147483647\n\n12\n");
    EXPECT_TRUE(log.lines().isEmpty());

    const QString nowhere = path("no/such/dir/m.csv");
    csvwrite(nowhere, Matrix{{1}});
    csvwrite(nowhere, QVector<QVector<int>>{{1}});
    csvwriteWithHeader(nowhere, {{1}}, {"r"}, {"c"});
    EXPECT_EQ(log.lines(), QStringList({"Error, unable to save", "Error, unable to save",
                                        "Error, unable to open"}));
    EXPECT_FALSE(QFile::exists(nowhere));
}

// The file reader deletes blanks inside a field; the text reader leaves them (and fails).
TEST_F(Csv, FieldRulesOfBothReaders) {
    const struct {
        QByteArray text;
        Matrix fromFile;
        Matrix fromText;
    } cases[] = {
        {"1, 2 ,x\n\n4", {{1, 2, kNaN}, {kNaN}, {4}}, {{1, 2, kNaN}, {kNaN}, {4}}},
        {"1,0\n0,1\n", {{1, 0}, {0, 1}}, {{1, 0}, {0, 1}}}, // a final newline adds no row
        {",5,\n", {{kNaN, 5, kNaN}}, {{kNaN, 5, kNaN}}},
        {"1 000,\t2 . 5\n", {{1000, 2.5}}, {{kNaN, kNaN}}},
        {"1,2\r\n3\r\n", {{1, 2}, {3}}, {{1, 2}, {3}}},
        {"nan,inf,-inf,NaN,Inf\n",
         {{kNaN, kInf, -kInf, kNaN, kInf}},
         {{kNaN, kInf, -kInf, kNaN, kInf}}},
        {"1e999,1e-400\n", {{kNaN, kNaN}}, {{kNaN, kNaN}}},
        {"\n", {{kNaN}}, {{kNaN}}},
        {"1\n\n", {{1}, {kNaN}}, {{1}, {kNaN}}},
        {"", {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        writeBytes("r.csv", c.text);
        expectSameTo6Digits(csvReadToDouble(path("r.csv")), c.fromFile);
        expectSameTo6Digits(csvTextReadToDouble(QString::fromUtf8(c.text)), c.fromText);
    }
    // A missing file (or a directory) reads as nothing, silently.
    EXPECT_TRUE(csvReadToDouble(path("absent.csv")).isEmpty());
    EXPECT_TRUE(csvReadToDouble(dir.path()).isEmpty());
    EXPECT_TRUE(log.lines().isEmpty());
}

TEST_F(Csv, RoundTripKeepsSixSignificantDigits) {
    const double tiny = std::numeric_limits<double>::denorm_min();
    const double huge = std::numeric_limits<double>::max();
    const Matrix M = {{1.0 / 3, -2.0 / 3, 1e-7, 123456789, 0},
                      {kNaN, kInf, -kInf},
                      {},
                      {huge, -huge, tiny, std::numeric_limits<double>::min(), -0.0},
                      {3.14159265358979, 2.718281828459045e-100, 6.02214076e23}};
    csvwrite(path("rt.csv"), M);
    Matrix expected = M;
    expected[2] = {kNaN}; // the empty row comes back as one NaN
    expectSameTo6Digits(csvReadToDouble(path("rt.csv")), expected);
    // Labels read back as NaN.
    csvwriteWithHeader(path("h.csv"), {{1.0 / 7, kNaN}, {-kInf, 42}}, {"a", "b"}, {"x", "y"});
    expectSameTo6Digits(csvReadToDouble(path("h.csv")),
                        {{kNaN, kNaN, kNaN}, {kNaN, 1.0 / 7, kNaN}, {kNaN, -kInf, 42}});
}

// The number format of csvwrite is the stream's default %g with 6 digits; written without
// the stream, it must still give the same text for numbers of every magnitude and sign.
TEST_F(Csv, NumberTextMatchesTheStreamFormatEverywhere) {
    std::mt19937 rng(11);
    QVector<double> row;
    for (int i = 0; i < 20000; ++i) {
        const double mantissa = std::uniform_real_distribution<double>(-10, 10)(rng);
        const int exponent = std::uniform_int_distribution<int>(-310, 308)(rng);
        row << mantissa * std::pow(10.0, exponent);
    }
    row << 0.0 << -0.0 << 1e-7 << 123456.7 << 999999.7 << 0.0001 << 0.00001 << 1e100
        << std::numeric_limits<double>::denorm_min() << std::numeric_limits<double>::max();
    csvwrite(path("n.csv"), Matrix{row});
    const QList<QByteArray> written = readBytes("n.csv").trimmed().split(',');
    ASSERT_EQ(written.size(), row.size());
    for (int i = 0; i < row.size(); ++i) {
        QString expected;
        QTextStream(&expected) << row[i];
        ASSERT_EQ(QString::fromUtf8(written[i]), expected) << "value " << i;
    }
}

TEST(ClipboardText, Cells) {
    const struct {
        const char* text;
        bool commas;
        QStringList expected;
    } rows[] = {
        {"1\n2\n", true, {"1", "2"}},
        {"1,2\n3", true, {"1", "2", "3"}},
        {"a\tb\nc\td\n", false, {"a", "b", "c", "d"}},
        {"a\t\n", false, {"a", ""}},
        {"5\r\n6\r\n", true, {"5", "6"}},
        {"x\n\n", true, {"x", ""}},
        {"\n", true, {""}},
        {"", true, {}},
    };
    for (const auto& r : rows)
        EXPECT_EQ(clipboard_text::cells(r.text, r.commas), r.expected) << r.text;
}
