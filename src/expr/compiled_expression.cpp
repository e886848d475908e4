// Compiles a postfix tree into accumulator-machine code and runs it.
//
// The tree is reduced at compile time exactly as the evaluation rule reduces it: the
// leftmost operator takes the one or two operands before it. Operands that are numbers
// or variables stay pending until an operator consumes them, so every instruction carries
// its operands (acc * v[i], c / acc, v[i] - v[j], ...) and sub-expressions of numbers
// alone are folded. Structure that can never give a number (a missing operand, an
// unclassified name, a stray ")") makes the whole program NaN, which is what the
// reduction yields for it. Variables out of range of the value vector give NaN too.
#include "expr/compiled_expression.h"

#include "expr/operator_functions.h"
#include "io/log_categories.h"

#include <QDebug>

#include <cmath>
#include <limits>

namespace {

namespace of = operator_functions;

// Operand forms of a binary instruction: A accumulator, S popped stack value,
// C constant, V variable. The first letter is the left operand.
// PVV, PVC, PCV first push the accumulator, then compute from two leaves.
enum form { AC, AV, CA, VA, SA, VV, VC, CV, PVV, PVC, PCV, FormCount };

enum opcode : std::uint16_t {
    LoadC = 0,
    LoadV,
    PushLoadV,
    // Unary functions on the accumulator.
    FExp,
    FLog,
    FLog10,
    FAbs,
    FSign,
    FSqrt,
    FSin,
    FCos,
    FTan,
    FAsin,
    FAcos,
    FAtan,
    FNan,
    // Binary: BinaryBase + operator code * FormCount + form.
    BinaryBase
};

constexpr std::uint16_t binaryOp(int code, form f) {
    return static_cast<std::uint16_t>(BinaryBase + code * FormCount + f);
}

std::uint16_t unaryOp(int code) {
    switch (code) {
    case of::Exp:
        return FExp;
    case of::Log:
        return FLog;
    case of::Ln:
        return FLog;
    case of::Log10:
        return FLog10;
    case of::Abs:
        return FAbs;
    case of::Sign:
        return FSign;
    case of::Sqrt:
        return FSqrt;
    case of::Sin:
        return FSin;
    case of::Cos:
        return FCos;
    case of::Tan:
        return FTan;
    case of::Asin:
        return FAsin;
    case of::Acos:
        return FAcos;
    case of::Atan:
        return FAtan;
    default:
        return FNan;
    }
}

struct pending {
    enum kind_t { Constant, Variable, Computed } kind;
    double c;
    int var;
};

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr int kUnknownBinary = 5;

template <int Code> inline double bin(double a, double b) {
    if constexpr (Code == of::Power) return std::pow(a, b);
    if constexpr (Code == of::Multiply) return a * b;
    if constexpr (Code == of::Divide) return a / b;
    if constexpr (Code == of::Add) return a + b;
    if constexpr (Code == of::Subtract) return a - b;
    (void)a;
    (void)b;
    return kNaN;
}

#define VELMORA_BINARY_CASES(CODE)                                                                 \
    case binaryOp(CODE, AC):                                                                       \
        acc = bin<CODE>(acc, ip->c);                                                               \
        break;                                                                                     \
    case binaryOp(CODE, AV):                                                                       \
        acc = bin<CODE>(acc, v[ip->a]);                                                            \
        break;                                                                                     \
    case binaryOp(CODE, CA):                                                                       \
        acc = bin<CODE>(ip->c, acc);                                                               \
        break;                                                                                     \
    case binaryOp(CODE, VA):                                                                       \
        acc = bin<CODE>(v[ip->a], acc);                                                            \
        break;                                                                                     \
    case binaryOp(CODE, SA):                                                                       \
        acc = bin<CODE>(stack[--sp], acc);                                                         \
        break;                                                                                     \
    case binaryOp(CODE, VV):                                                                       \
        acc = bin<CODE>(v[ip->a], v[ip->b]);                                                       \
        break;                                                                                     \
    case binaryOp(CODE, VC):                                                                       \
        acc = bin<CODE>(v[ip->a], ip->c);                                                          \
        break;                                                                                     \
    case binaryOp(CODE, CV):                                                                       \
        acc = bin<CODE>(ip->c, v[ip->a]);                                                          \
        break;                                                                                     \
    case binaryOp(CODE, PVV):                                                                      \
        stack[sp++] = acc;                                                                         \
        acc = bin<CODE>(v[ip->a], v[ip->b]);                                                       \
        break;                                                                                     \
    case binaryOp(CODE, PVC):                                                                      \
        stack[sp++] = acc;                                                                         \
        acc = bin<CODE>(v[ip->a], ip->c);                                                          \
        break;                                                                                     \
    case binaryOp(CODE, PCV):                                                                      \
        stack[sp++] = acc;                                                                         \
        acc = bin<CODE>(ip->c, v[ip->a]);                                                          \
        break;

double run(const compiled_expression::instruction* ip, const compiled_expression::instruction* end,
           const double* v, double* stack) {
    double acc = 0.0;
    int sp = 0;
    for (; ip != end; ++ip) {
        switch (ip->op) {
        case LoadC:
            acc = ip->c;
            break;
        case LoadV:
            acc = v[ip->a];
            break;
        case PushLoadV:
            stack[sp++] = acc;
            acc = v[ip->a];
            break;
        case FExp:
            acc = std::exp(acc);
            break;
        case FLog:
            acc = std::log(acc);
            break;
        case FLog10:
            acc = of::log10(acc);
            break;
        case FAbs:
            acc = std::fabs(acc);
            break;
        case FSign:
            acc = of::sign(acc);
            break;
        case FSqrt:
            acc = of::sqrt(acc);
            break;
        case FSin:
            acc = std::sin(acc);
            break;
        case FCos:
            acc = std::cos(acc);
            break;
        case FTan:
            acc = std::tan(acc);
            break;
        case FAsin:
            acc = std::asin(acc);
            break;
        case FAcos:
            acc = std::acos(acc);
            break;
        case FAtan:
            acc = std::atan(acc);
            break;
        case FNan:
            acc = kNaN;
            break;
            VELMORA_BINARY_CASES(of::Power)
            VELMORA_BINARY_CASES(of::Multiply)
            VELMORA_BINARY_CASES(of::Divide)
            VELMORA_BINARY_CASES(of::Add)
            VELMORA_BINARY_CASES(of::Subtract)
            VELMORA_BINARY_CASES(kUnknownBinary)
        default:
            acc = kNaN;
            break;
        }
    }
    return acc;
}

#undef VELMORA_BINARY_CASES

} // namespace

compiled_expression compiled_expression::compile(const QVector<parser_token>& tree) {
    return compile(tree, 0, nullptr, 0);
}

compiled_expression compiled_expression::compile(const QVector<parser_token>& tree, int bindFrom,
                                                 const double* bound, int bindCount) {
    compiled_expression out;
    out.source.reserve(static_cast<size_t>(tree.size()));
    for (const parser_token& t : tree) {
        source_token s;
        switch (t.type) {
        case 0:
            s.kind = 0;
            break;
        case 1:
            s.kind = 1;
            break;
        case 2:
            s.kind = 2;
            break;
        default:
            s.kind = -1;
            break;
        }
        s.value = t.value;
        out.source.push_back(s);
    }
    out.build(bindFrom, bound, bindCount);
    return out;
}

compiled_expression compiled_expression::bind(int bindFrom, const double* bound,
                                              int bindCount) const {
    compiled_expression out;
    out.source = source;
    out.build(bindFrom, bound, bindCount);
    return out;
}

void compiled_expression::build(int bindFrom, const double* bound, int bindCount) {
    code.clear();
    maxVar = -1;
    stackDepth = 0;
    failed = true;
    if (source.empty()) return;

    std::vector<pending> st;
    st.reserve(source.size());
    int computed = 0; // pending entries of kind Computed; the topmost lives in the accumulator
    int depth = 0;    // values on the run-time stack
    auto put = [&](std::uint16_t op, int a = 0, double c = 0.0, int b = 0) {
        instruction ins;
        ins.op = op;
        ins.a = a;
        ins.b = b;
        ins.c = c;
        code.push_back(ins);
    };
    // Before a new value is computed into the accumulator, the one it holds is pushed; the
    // push is folded into the instruction that computes the new value.
    auto needsPush = [&]() {
        if (computed == 0) return false;
        ++depth;
        if (depth > stackDepth) stackDepth = depth;
        return true;
    };
    auto fail = [&]() {
        code.clear();
        failed = true;
        stackDepth = 0;
    };

    for (const source_token& s : source) {
        if (s.kind == 0) {
            st.push_back({pending::Constant, s.value, 0});
            continue;
        }
        if (s.kind == 1) {
            if (!(s.value >= 0) || s.value > 2147483647.0) {
                fail();
                return;
            }
            const int index = static_cast<int>(s.value);
            if (index >= bindFrom && index - bindFrom < bindCount) {
                st.push_back({pending::Constant, bound[index - bindFrom], 0});
            } else {
                if (index > maxVar) maxVar = index;
                st.push_back({pending::Variable, 0.0, index});
            }
            continue;
        }
        if (s.kind != 2) {
            // Unclassified text has no value: any use of it fails, and so does leaving it.
            fail();
            return;
        }
        const double codeValue = s.value;
        const int opCode = of::codeOf(codeValue);
        if (codeValue >= 100 && !st.empty()) {
            if (opCode == of::CloseParen) {
                fail();
                return;
            }
            pending& x = st.back();
            if (opCode == of::Paren) continue; // a parenthesised group is the group itself
            const std::uint16_t op = unaryOp(opCode);
            if (x.kind == pending::Constant) {
                x.c = of::unary(opCode, x.c);
                continue;
            }
            if (x.kind == pending::Variable) {
                put(needsPush() ? PushLoadV : LoadV, x.var);
                x.kind = pending::Computed;
                ++computed;
            }
            put(op);
            continue;
        }
        if (st.size() < 2 || codeValue >= 100) {
            // The leftmost operator lacks operands: the reduction stops with tokens left.
            fail();
            return;
        }
        // Codes outside the table compute NaN from whatever operands they get.
        const int bc = (opCode >= 0 && opCode <= 4) ? opCode : kUnknownBinary;
        pending b = st.back();
        st.pop_back();
        pending& a = st.back();
        const bool aLeaf = a.kind != pending::Computed;
        const bool bLeaf = b.kind != pending::Computed;
        if (aLeaf && bLeaf) {
            if (a.kind == pending::Constant && b.kind == pending::Constant) {
                a.c = of::binary(bc, a.c, b.c);
                continue;
            }
            const bool push = needsPush();
            if (a.kind == pending::Variable && b.kind == pending::Variable)
                put(binaryOp(bc, push ? PVV : VV), a.var, 0.0, b.var);
            else if (a.kind == pending::Variable)
                put(binaryOp(bc, push ? PVC : VC), a.var, b.c);
            else
                put(binaryOp(bc, push ? PCV : CV), b.var, a.c);
            a = {pending::Computed, 0.0, 0};
            ++computed;
        } else if (!aLeaf && bLeaf) {
            if (b.kind == pending::Constant)
                put(binaryOp(bc, AC), 0, b.c);
            else
                put(binaryOp(bc, AV), b.var);
        } else if (aLeaf && !bLeaf) {
            if (a.kind == pending::Constant)
                put(binaryOp(bc, CA), 0, a.c);
            else
                put(binaryOp(bc, VA), a.var);
            a = {pending::Computed, 0.0, 0};
        } else {
            put(binaryOp(bc, SA));
            --depth;
            --computed;
        }
    }
    if (st.size() != 1) {
        fail();
        return;
    }
    const pending& r = st.back();
    if (r.kind == pending::Constant) {
        code.clear();
        stackDepth = 0;
        put(LoadC, 0, r.c);
    } else if (r.kind == pending::Variable) {
        code.clear();
        stackDepth = 0;
        put(LoadV, r.var);
    }
    failed = false;
}

double compiled_expression::evaluate(const double* values, int count) const {
    if (failed) return kNaN;
    if (maxVar >= count) {
        // A lone variable is read at the end of the reduction; any other is an operand.
        if (code.size() == 1 && code[0].op == LoadV)
            qCDebug(lcExpr) << "Not enough number of variables.";
        else
            qCDebug(lcExpr) << "not enough variable values";
        return kNaN;
    }
    constexpr int kLocalStack = 32;
    if (stackDepth <= kLocalStack) {
        double stack[kLocalStack];
        return run(code.data(), code.data() + code.size(), values, stack);
    }
    thread_local std::vector<double> big;
    if (big.size() < static_cast<size_t>(stackDepth)) big.resize(static_cast<size_t>(stackDepth));
    return run(code.data(), code.data() + code.size(), values, big.data());
}
