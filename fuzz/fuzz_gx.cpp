// Fuzzes the g(x) and g inverse parsers: the input is cut into a g(x) text and an inverse
// text at its first NUL byte; both are parsed and used in both directions and for drawing
// a small cluster. Only the record's own messages may appear, and sizes must agree.
#include "model/parameters.h"

#include <QRegularExpression>
#include <QString>

#include <cstdint>
#include <cstdlib>

static void silence(QtMsgType, const QMessageLogContext&, const QString&) {}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool once = (qInstallMessageHandler(silence), true);
    (void)once;
    static const QRegularExpression knownMessage(
        "^(There are more than two equations with the same left hand side\\."
        "|Size of the right hand side and left hand side did not match\\."
        "|Parameter \\S+ is not defined\\."
        "|\\S+ is not given\\. \\(It is user responsibility to provide inverse of g\\.\\)"
        "|The algorithm was not able to understand the right hand side of \\S* \\.\\n"
        "Unbalanced parentheses: .*)$");

    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<int>(size));
    const int cut = bytes.indexOf('\0');
    const QString gText = QString::fromUtf8(cut < 0 ? bytes : bytes.left(cut));
    const QString inverseText = cut < 0 ? QString() : QString::fromUtf8(bytes.mid(cut + 1));

    parameters record;
    record.parameterNames = QStringList{"K", "V", "ka"};
    record.xIndex = {1, 0, 2};
    record.paraSpec = {{1, 10, 0, 20}, {2, 2}, {-1, 1}};

    record.parseParameterExpressions(gText);
    for (const QString& message : record.errors)
        if (!knownMessage.match(message).hasMatch()) std::abort();
    record.parseParameterExpressionsInverse(inverseText);
    for (const QString& message : record.errors)
        if (!knownMessage.match(message).hasMatch()) std::abort();

    const QVector<double> p = record.x_to_parameter({0.25, -2.0});
    if (p.size() != record.parameterNames.size()) std::abort();
    if (record.parameter_to_x(p).size() != record.gInverse.size()) std::abort();
    record.generateInitialCluster(record.paraSpec, 2);
    for (const QVector<double>& point : record.initialCluster)
        if (point.size() != record.gInverse.size()) std::abort();
    record.rscript_parameters(QStringLiteral("/m"));
    record.matlab_parameters_inRHS();
    return 0;
}
