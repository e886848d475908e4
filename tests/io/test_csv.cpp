// The CSV dialect: exact text written, how every kind of field reads back, and round trips
// of numbers (NaN and infinities included) at 6 significant digits.
#include "io/csv.h"

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QtGlobal>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

QStringList& logLines() {
    static QStringList lines;
    return lines;
}

void collect(QtMsgType, const QMessageLogContext&, const QString& msg) {
    logLines().append(msg);
}

class Csv : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        logLines().clear();
        previous = qInstallMessageHandler(&collect);
    }
    void TearDown() override { qInstallMessageHandler(previous); }

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
    QtMessageHandler previous = nullptr;
};

// Equal as numbers written with 6 significant digits: NaN to NaN, infinities by sign.
void expectSameTo6Digits(const QVector<QVector<double>>& actual,
                         const QVector<QVector<double>>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (int r = 0; r < expected.size(); ++r) {
        ASSERT_EQ(actual[r].size(), expected[r].size()) << "row " << r;
        for (int c = 0; c < expected[r].size(); ++c) {
            const double a = actual[r][c];
            const double e = expected[r][c];
            if (std::isnan(e)) {
                EXPECT_TRUE(std::isnan(a)) << r << "," << c << ": " << a;
            } else if (std::isinf(e)) {
                EXPECT_EQ(a, e) << r << "," << c;
            } else {
                EXPECT_LE(std::fabs(a - e), 5e-6 * std::fabs(e)) << r << "," << c << ": " << a;
            }
        }
    }
}

} // namespace

TEST_F(Csv, WriteDoublesExactText) {
    struct Case {
        const char* name;
        QVector<QVector<double>> M;
        QByteArray text;
    };
    const Case cases[] = {
        {"mixed", {{1, 2.5}, {0.0000003}}, "1,2.5\n3e-07\n"},
        {"six digits", {{1.0 / 3, 123456789, -2.0 / 3}}, "0.333333,1.23457e+08,-0.666667\n"},
        {"empty row is empty line", {{1}, {}, {2}}, "1\n\n2\n"},
        {"non-finite", {{kNaN, kInf, -kInf}}, "nan,inf,-inf\n"},
        {"empty matrix", {}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        csvwrite(path("m.csv"), c.M);
        EXPECT_EQ(readBytes("m.csv"), c.text);
    }
    EXPECT_TRUE(logLines().isEmpty());
}

TEST_F(Csv, WriteIntegers) {
    csvwrite(path("i.csv"), QVector<QVector<int>>{{0, -3, 2147483647}, {}, {12}});
    EXPECT_EQ(readBytes("i.csv"), "0,-3,2147483647\n\n12\n");
}

TEST_F(Csv, WriteTruncatesAnOlderLongerFile) {
    writeBytes("m.csv", "9,9,9,9,9,9\n9,9,9\n");
    csvwrite(path("m.csv"), QVector<QVector<double>>{{1}});
    EXPECT_EQ(readBytes("m.csv"), "1\n");
}

TEST_F(Csv, WriteFailuresOnlyLog) {
    const QString nowhere = path("no/such/dir/m.csv");
    csvwrite(nowhere, QVector<QVector<double>>{{1}});
    csvwrite(nowhere, QVector<QVector<int>>{{1}});
    csvwriteWithHeader(nowhere, {{1}}, {"r"}, {"c"});
    EXPECT_EQ(logLines(), QStringList({"Error, unable to save", "Error, unable to save",
                                       "Error, unable to open"}));
    EXPECT_FALSE(QFile::exists(nowhere));
}

TEST_F(Csv, WriteWithHeaderExactText) {
    struct Case {
        const char* name;
        QVector<QVector<double>> M;
        QStringList rowHeader;
        QStringList colHeader;
        QByteArray text;
    };
    const Case cases[] = {
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
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        csvwriteWithHeader(path("h.csv"), c.M, c.rowHeader, c.colHeader);
        EXPECT_EQ(readBytes("h.csv"), c.text);
    }
}

TEST_F(Csv, ReadFileFieldRules) {
    struct Case {
        const char* name;
        QByteArray text;
        QVector<QVector<double>> expected;
    };
    const Case cases[] = {
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
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeBytes("r.csv", c.text);
        expectSameTo6Digits(csvReadToDouble(path("r.csv")), c.expected);
    }
}

TEST_F(Csv, ReadMissingFileIsEmptyAndSilent) {
    EXPECT_TRUE(csvReadToDouble(path("absent.csv")).isEmpty());
    EXPECT_TRUE(csvReadToDouble(dir.path()).isEmpty());
    EXPECT_TRUE(logLines().isEmpty());
}

TEST_F(Csv, ReadTextFieldRules) {
    struct Case {
        const char* name;
        QString text;
        QVector<QVector<double>> expected;
    };
    const Case cases[] = {
        {"rows and fields", "1,2\n3", {{1, 2}, {3}}},
        {"final newline adds no row", "1,0,0\n0,1,0\n", {{1, 0, 0}, {0, 1, 0}}},
        {"empty lines and fields kept", "1,\n\n,2", {{1, kNaN}, {kNaN}, {kNaN, 2}}},
        // Blanks inside a field are not deleted; around it QString::toDouble ignores them.
        {"inner blank fails", "1 000, 7 ", {{kNaN, 7}}},
        {"words", "x,nan,inf", {{kNaN, kNaN, kInf}}},
        {"empty text", "", {}},
        {"only a newline", "\n", {{kNaN}}},
    };
    for (const Case& c : cases) {
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
