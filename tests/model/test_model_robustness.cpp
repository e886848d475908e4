// Random and truncated model texts through parsing, colouring, script export and model
// evaluation: nothing crashes or throws, messages are the parser's own, and every
// evaluation returns one row per observation (a state vector or NaN).
#include "model/model_fixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

namespace {

using namespace fixtures;

bool isKnownMessage(const QString& m) {
    return m.startsWith("There are more than two equations with the same left hand side.") ||
           m.startsWith("Size of the right hand side and left hand side did not match.") ||
           (m.startsWith("The algorithm was not able to understand the right hand side of ") &&
            (m.endsWith(" .") || m.contains(" .\nUnbalanced parentheses: ")));
}

// Parses, renders and evaluates one text (assertion failures end the calling test).
void exercise(const QString& text, std::mt19937& random) {
    odeTextParser ode;
    ode.readText(text);
    ode.parse();
    for (const QString& m : ode.error_list)
        ASSERT_TRUE(isKnownMessage(m)) << m.toStdString() << "\nfrom: " << text.toStdString();
    const int n = ode.variable_name.size();
    ASSERT_EQ(ode.rhs_parser.size(), n);
    ASSERT_EQ(ode.jacobian_structure.size(), n);
    ASSERT_TRUE(n == 0 || ode.block_end.last() == n - 1) << text.toStdString();
    ode.textColour();
    ode.rscript_RHS();
    ode.matlab_RHS();
    ode.rscript_compartmentDiagram();
    if (n > 40) return;

    std::uniform_real_distribution<double> unit(0.0, 2.0);
    QVector<double> p;
    for (int k = 0; k < ode.parameter_name.size(); ++k)
        p << unit(random);
    parameters record;
    record.parameterNames = ode.parameter_name;
    QVector<dose_event> doses;
    if (n > 0) doses << dose(0, int(random() % unsigned(n)), 10) << dose(0.5, 0, 5, 1);
    model_ode m(ode, doses, observationsAt({0, 0.7, 2}), record);
    m.timeLimitMilliseconds = 200;
    const QVector<QVector<double>> rows = m.evaluate(p);
    ASSERT_EQ(rows.size(), 3);
    for (const QVector<double>& row : rows)
        ASSERT_EQ(row.size(), n) << text.toStdString();
}

} // namespace

TEST(ModelRobustness, TruncatedModelTexts) {
    std::mt19937 random(7);
    const QString texts[] = {pbpk13Text(), mm2Text(),
                             QString(bindingText()).replace("*P\ndRdt", "*P ; binding\ndRdt")};
    for (const QString& full : texts) {
        for (int cut = 0; cut <= full.size(); cut += 3) {
            exercise(full.left(cut), random);
            if (HasFatalFailure()) return;
            // The same text with a piece cut out of the middle.
            exercise(full.left(cut / 2) + full.mid(cut), random);
            if (HasFatalFailure()) return;
        }
    }
}

TEST(ModelRobustness, RandomTokenTexts) {
    const char* tokens[] = {
        "dAdt", "dBdt", "dCdt", "d",    "dt",     "=",     "==",    "-",     "+", "*",  "/",
        "^",    "(",    ")",    "EXP(", "LOG10(", "SQRT(", "ASIN(", "SIGN(", "A", "B",  "C",
        "k",    "Km",   "t",    "1",    "0",      "2.5",   "1e3",   "1e",    ";", "\n", "\n",
        " ",    "\t",   "\r\n", ".",    "b",      "i",     "font",  "<",     "&"};
    const int tokenCount = int(sizeof(tokens) / sizeof(tokens[0]));
    std::mt19937 random(11);
    for (int round = 0; round < 2500; ++round) {
        QString text;
        const int length = int(random() % 40);
        for (int k = 0; k < length; ++k)
            text += tokens[random() % unsigned(tokenCount)];
        exercise(text, random);
        if (HasFatalFailure()) return;
    }
}

TEST(ModelRobustness, RandomCharacters) {
    std::mt19937 random(13);
    for (int round = 0; round < 1500; ++round) {
        QString text;
        const int length = int(random() % 60);
        for (int k = 0; k < length; ++k) {
            const unsigned r = random() % 100;
            // Mostly printable ASCII, some line breaks, control and non-ASCII characters.
            const ushort c = r < 80   ? ushort(32 + random() % 95)
                             : r < 90 ? ushort('\n')
                             : r < 95 ? ushort(random() % 32)
                                      : ushort(0x80 + random() % 0x3000);
            text += QChar(c);
        }
        exercise(text, random);
        if (HasFatalFailure()) return;
    }
}
