// Fuzzes the expression parser: any text over a fixed list of names must parse and
// evaluate without crashing, and the compiled program must agree with the reduction.
#include "expr/parser.h"

#include "../tests/expr/reference_reduction.h"

#include <QString>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

static void silence(QtMsgType, const QMessageLogContext&, const QString&) {}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool once = (qInstallMessageHandler(silence), true);
    (void)once;
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<int>(size));
    parser p(text);
    p.variable_name = QStringList{"t", "a", "b", "k1", "X"};
    p.extract_variables();
    p.generate_tree();
    const QVector<double> values{0.5, 2.0, -3.0, 1e-3, 7.0};
    const double fast = p.evaluate_tree(values);
    const double ref = reference_reduction(p.tree, values);
    const bool agree =
        (std::isnan(fast) && std::isnan(ref)) || std::memcmp(&fast, &ref, sizeof fast) == 0;
    if (!agree) std::abort();
    return 0;
}
