#include "fixedpoint/structures.h"

#include "cascade/norms.h"
#include "common/errors.h"
#include "fixedpoint/lattice.h"

#include <Eigen/Dense>

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

namespace zorkan {

std::span<const StructureRow> structureTable() {
    static const StructureRow rows[] = {
        {Structure::Df1, "df1", "прямая форма I",
         "коэффициенты как в файле, выходы секций не переполняются при масштабировании; "
         "шум велик у полюсов вблизи единичной окружности"},
        {Structure::Df2, "df2", "прямая форма II",
         "два слова состояния на секцию; внутренний узел w переполняется раньше выхода"},
        {Structure::Df2t, "df2t", "транспонированная прямая форма II",
         "два слова состояния; естественна для плавающей точки"},
        {Structure::ErrorFeedback, "ef", "прямая форма I с обратной связью по ошибке",
         "узкополосные фильтры в фиксированной точке: шум ниже на десятки дБ за два сложения "
         "и два сдвига на секцию"},
        {Structure::Normal, "normal", "нормальная форма",
         "равномерная сетка полюсов, малый шум у полюсов вблизи z = 1; больше умножений"},
        {Structure::Lattice, "lattice", "решетчато-лестничная форма",
         "устойчивость видна по |k| < 1 после квантования коэффициентов"},
        {Structure::Optimal, "optimal", "оптимальная форма пространства состояний",
         "наименьший шум округления секции при масштабировании по L2; девять умножений"}};
    return rows;
}

const StructureRow& structureRow(Structure structure) {
    return structureTable()[static_cast<std::size_t>(structure)];
}

std::string structureName(Structure structure) {
    return structureRow(structure).name;
}

Structure parseStructure(const std::string& text) {
    std::string names;
    for (const StructureRow& row : structureTable()) {
        if (text == row.name)
            return row.structure;
        names += (names.empty() ? "" : ", ") + std::string(row.name);
    }
    throw UserMessage("Неизвестная структура '" + text + "': допустимы " + names);
}

int SectionProgram::residues() const {
    int n = 0;
    for (const ProgramNode& node : nodes)
        n += node.errorFeedback ? 2 : 0;
    return n;
}

namespace {

using Matrix2 = Eigen::Matrix2d;
using Vector2 = Eigen::Vector2d;

std::string sectionText(std::size_t index) {
    return "секции " + std::to_string(index + 1);
}

ProgramTerm term(int slot, double coef) {
    ProgramTerm t;
    t.slot = slot;
    t.coef = coef;
    t.value = coef;
    return t;
}

ProgramNode node(std::initializer_list<ProgramTerm> terms) {
    ProgramNode n;
    n.terms = terms;
    return n;
}

// The strictly proper part of the section over z^2 + a1 z + a2: c1 z + c0.
void properPart(const SecondOrderSection& s, double& c1, double& c0) {
    c1 = s.num[1] - s.num[0] * s.den[1];
    c0 = s.num[2] - s.num[0] * s.den[2];
}

bool firstOrder(const SecondOrderSection& s) {
    return s.den[2] == 0 && s.num[2] == 0;
}

// The controllability Gramian K = A K A' + B B' (or, with the transposes, the
// observability one) of a stable two-state system.
Matrix2 gramian(const Matrix2& a, const Vector2& b) {
    Eigen::Matrix4d m = Eigen::Matrix4d::Identity();
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 2; ++j)
            for (int k = 0; k < 2; ++k)
                for (int l = 0; l < 2; ++l)
                    m(2 * i + j, 2 * k + l) -= a(i, k) * a(j, l);
    const Matrix2 q = b * b.transpose();
    const Eigen::Vector4d rhs(q(0, 0), q(0, 1), q(1, 0), q(1, 1));
    const Eigen::Vector4d v = m.fullPivLu().solve(rhs);
    Matrix2 k;
    k << v(0), v(1), v(2), v(3);
    return (k + k.transpose()) / 2;
}

StateSpace fromMatrices(const Matrix2& a, const Vector2& b, const Eigen::RowVector2d& c, double d) {
    StateSpace ss;
    ss.states = 2;
    for (int i = 0; i < 2; ++i) {
        for (int j = 0; j < 2; ++j)
            ss.a[i][j] = a(i, j);
        ss.b[i] = b(i);
        ss.c[i] = c(i);
    }
    ss.d = d;
    return ss;
}

bool stableSection(const SecondOrderSection& s) {
    return sectionStable(s);
}

} // namespace

LatticeCoefficients latticeOf(const SecondOrderSection& s) {
    const std::vector<double> k = reflectionCoefficients(std::span<const double>(s.den, 3));
    const std::vector<double> v = ladderCoefficients(std::span<const double>(s.num, 3), k);
    return {k[0], k[1], v[0], v[1], v[2]};
}

StateSpace normalForm(const SecondOrderSection& s, std::size_t index) {
    double c1 = 0, c0 = 0;
    properPart(s, c1, c0);
    const double a1 = s.den[1], a2 = s.den[2];
    if (firstOrder(s)) {
        // One pole p = -a1: (c1 z) / (z (z - p)) = c1 / (z - p).
        StateSpace ss;
        ss.states = 1;
        ss.a[0][0] = -a1;
        ss.b[0] = 1;
        ss.c[0] = c1;
        ss.d = s.num[0];
        return ss;
    }
    const double disc = a1 * a1 - 4 * a2;
    Matrix2 a;
    Vector2 b;
    Eigen::RowVector2d c;
    bool rotation = false;
    if (disc < 0) {
        // r e^(+-j theta): a rotation; (zI - A)^-1 [1 0]' = [z - alpha, beta]' / det.
        const double alpha = -a1 / 2, beta = std::sqrt(-disc) / 2;
        a << alpha, -beta, beta, alpha;
        b << 1, 0;
        c << c1, (c0 + c1 * alpha) / beta;
        rotation = true;
    } else {
        const double root = std::sqrt(disc);
        const double q = -(a1 + (a1 >= 0 ? root : -root)) / 2;
        const double p1 = q, p2 = q != 0 ? a2 / q : 0.0;
        if (std::fabs(p1 - p2) > 1e-3 * std::max(1.0, std::fabs(p1))) {
            // Two first-order sections: partial fractions.
            a << p1, 0, 0, p2;
            b << 1, 1;
            c << (c1 * p1 + c0) / (p1 - p2), (c1 * p2 + c0) / (p2 - p1);
        } else {
            // Nearly equal real poles: (z - alpha)^2 - delta with delta = disc / 4 >= 0,
            // whose partial fractions would be ill-conditioned.
            const double alpha = -a1 / 2;
            a << alpha, 1, disc / 4, alpha;
            b << 0, 1;
            c << c0 + c1 * alpha, c1;
        }
    }
    if (!stableSection(s))
        return fromMatrices(a, b, c, s.num[0]);
    const Matrix2 k = gramian(a, b);
    if (!(k(0, 0) > 0) || !(k(1, 1) > 0) || !k.allFinite())
        throw UserMessage("Нормальная форма " + sectionText(index) + " не определена");
    if (rotation) {
        // A rotation commutes with A: turn the state until both values have one norm.
        const double phi = std::atan2(-(k(0, 0) - k(1, 1)), 2 * k(0, 1)) / 2;
        Matrix2 r;
        r << std::cos(phi), -std::sin(phi), std::sin(phi), std::cos(phi);
        b = r.transpose() * b;
        c = c * r;
    } else {
        // A diagonal similarity keeps the first-order sections apart.
        const double t0 = std::sqrt(k(0, 0)), t1 = std::sqrt(k(1, 1));
        Matrix2 t = Matrix2::Zero();
        t(0, 0) = t0;
        t(1, 1) = t1;
        const Matrix2 ti = t.inverse();
        a = ti * a * t;
        b = ti * b;
        c = c * t;
    }
    return fromMatrices(a, b, c, s.num[0]);
}

StateSpace optimalForm(const SecondOrderSection& s, std::size_t index) {
    if (!stableSection(s))
        throw UserMessage("Оптимальная форма " + sectionText(index) +
                          " не определена: полюсы секции не внутри единичной окружности");
    const StateSpace n = normalForm(s, index);
    if (n.states == 1)
        return n;
    Matrix2 a;
    a << n.a[0][0], n.a[0][1], n.a[1][0], n.a[1][1];
    Vector2 b(n.b[0], n.b[1]);
    Eigen::RowVector2d c(n.c[0], n.c[1]);
    const Matrix2 k = gramian(a, b);
    const Matrix2 w = gramian(a.transpose(), c.transpose());
    const Eigen::LLT<Matrix2> llt(k);
    if (llt.info() != Eigen::Success)
        return n;
    const Matrix2 l = llt.matrixL();
    const Eigen::SelfAdjointEigenSolver<Matrix2> eig(l.transpose() * w * l);
    if (eig.info() != Eigen::Success || !(eig.eigenvalues().minCoeff() > 0))
        return n; // a zero cancels a pole: no balanced form, the normal one serves
    const Eigen::Vector2d lambda = eig.eigenvalues();
    Matrix2 scale = Matrix2::Zero();
    scale(0, 0) = std::pow(lambda(0), -0.25);
    scale(1, 1) = std::pow(lambda(1), -0.25);
    // Balanced (K = W = diag), then turned by 45 degrees: K = W with equal diagonals.
    const double h = std::sqrt(0.5);
    Matrix2 r;
    r << h, -h, h, h;
    const Matrix2 t = l * eig.eigenvectors() * scale * r;
    const Matrix2 ti = t.inverse();
    return fromMatrices(ti * a * t, ti * b, c * t, n.d);
}

SectionProgram buildProgram(Structure structure, const SecondOrderSection& s, double g, double c,
                            std::size_t index) {
    SectionProgram p;
    p.structure = structure;
    p.source = s;
    p.inputScale = g;
    p.outputScale = c;
    const double a1 = s.den[1], a2 = s.den[2];
    const double gc = g * c;
    switch (structure) {
    case Structure::Df1:
    case Structure::ErrorFeedback: {
        p.states = 4; // x1, x2, y1, y2
        p.nodes.push_back(node({term(0, gc * s.num[0]), term(1, gc * s.num[1]),
                                term(2, gc * s.num[2]), term(3, -a1), term(4, -a2)}));
        if (structure == Structure::ErrorFeedback) {
            p.nodes[0].errorFeedback = true;
            p.nodes[0].feedback[0] = static_cast<int>(std::lround(a1));
            p.nodes[0].feedback[1] = static_cast<int>(std::lround(a2));
        }
        p.next = {0, 1, 5, 3};
        break;
    }
    case Structure::Df2: {
        p.states = 2; // w1, w2
        p.nodes.push_back(node({term(0, g), term(1, -a1), term(2, -a2)}));
        p.nodes.push_back(
            node({term(3, c * s.num[0]), term(1, c * s.num[1]), term(2, c * s.num[2])}));
        p.output = 1;
        p.next = {3, 1};
        break;
    }
    case Structure::Df2t: {
        p.states = 2; // s0, s1
        p.nodes.push_back(node({term(0, gc * s.num[0]), term(1, 1)}));
        p.nodes.push_back(node({term(0, gc * s.num[1]), term(3, -a1), term(2, 1)}));
        p.nodes.push_back(node({term(0, gc * s.num[2]), term(3, -a2)}));
        p.next = {4, 5};
        break;
    }
    case Structure::Lattice: {
        if (!(std::fabs(a2) < 1) || !(std::fabs(a1 / (1 + a2)) < 1))
            throw UserMessage("Решетчатая форма " + sectionText(index) +
                              " не существует: коэффициенты отражения не меньше 1 по модулю "
                              "(секция неустойчива)");
        const LatticeCoefficients l = latticeOf(s);
        p.states = 2;                                          // s0 = f0[n-1], s1 = g1[n-1]
        p.nodes.push_back(node({term(0, g), term(2, -l.k2)})); // f1, slot 3
        p.nodes.push_back(node({term(3, 1), term(1, -l.k1)})); // f0, slot 4
        p.nodes.push_back(node({term(4, l.k1), term(1, 1)}));  // g1, slot 5
        p.nodes.push_back(node({term(3, l.k2), term(2, 1)}));  // g2, slot 6
        p.nodes.push_back(node({term(4, c * l.v0), term(5, c * l.v1), term(6, c * l.v2)}));
        p.output = 4;
        p.next = {4, 5};
        break;
    }
    case Structure::Normal:
    case Structure::Optimal: {
        const StateSpace ss =
            structure == Structure::Normal ? normalForm(s, index) : optimalForm(s, index);
        p.states = ss.states;
        const int first = 1 + ss.states; // the output's slot
        if (ss.states == 1) {
            p.nodes.push_back(node({term(0, gc * ss.d), term(1, c * ss.c[0])}));
            p.nodes.push_back(node({term(1, ss.a[0][0]), term(0, g * ss.b[0])}));
            p.next = {first + 1};
        } else {
            p.nodes.push_back(
                node({term(0, gc * ss.d), term(1, c * ss.c[0]), term(2, c * ss.c[1])}));
            for (int i = 0; i < 2; ++i)
                p.nodes.push_back(
                    node({term(1, ss.a[i][0]), term(2, ss.a[i][1]), term(0, g * ss.b[i])}));
            p.next = {first + 1, first + 2};
        }
        break;
    }
    }
    for (const ProgramNode& n : p.nodes)
        for (const ProgramTerm& t : n.terms)
            if (!std::isfinite(t.coef))
                throw UserMessage("Коэффициенты " + sectionText(index) + " в структуре " +
                                  structureName(structure) + " бесконечны или не определены");
    realisedDenominator(p);
    return p;
}

bool outputSeparable(const SectionProgram& p) {
    const int slot = 1 + p.states + p.output;
    for (int r : p.next)
        if (r == slot)
            return false;
    for (const ProgramNode& n : p.nodes)
        for (const ProgramTerm& t : n.terms)
            if (t.slot == slot)
                return false;
    return true;
}

namespace {

using real = long double;

// One sample through the program without rounding: `state` holds the stored values,
// `values` receives every slot; `inject` (node index, or -1) adds `amount` to that node.
void runExact(const SectionProgram& p, real x, std::vector<real>& state, std::vector<real>& values,
              int inject = -1, real amount = 0) {
    values.assign(static_cast<std::size_t>(p.slotCount()), 0);
    values[0] = x;
    for (int r = 0; r < p.states; ++r)
        values[static_cast<std::size_t>(1 + r)] = state[static_cast<std::size_t>(r)];
    for (std::size_t j = 0; j < p.nodes.size(); ++j) {
        real sum = 0;
        for (const ProgramTerm& t : p.nodes[j].terms)
            sum += static_cast<real>(t.value) * values[static_cast<std::size_t>(t.slot)];
        if (static_cast<int>(j) == inject)
            sum += amount;
        values[static_cast<std::size_t>(1 + p.states) + j] = sum;
    }
    for (int r = 0; r < p.states; ++r)
        state[static_cast<std::size_t>(r)] =
            values[static_cast<std::size_t>(p.next[static_cast<std::size_t>(r)])];
}

// num = the first three terms of den * h.
void numeratorFrom(const double den[3], const real h[3], double num[3]) {
    for (int i = 0; i < 3; ++i) {
        real v = 0;
        for (int j = 0; j <= i; ++j)
            v += static_cast<real>(den[j]) * h[i - j];
        num[i] = static_cast<double>(v);
    }
}

} // namespace

void realisedDenominator(SectionProgram& p) {
    if (p.states > 2) {
        // Direct form I: y's terms on y1 and y2 hold -a1 and -a2.
        const ProgramNode& y = p.nodes[static_cast<std::size_t>(p.output)];
        p.den[0] = 1;
        p.den[1] = -y.terms[3].value;
        p.den[2] = -y.terms[4].value;
        return;
    }
    // The state transition at zero input, column by column: its characteristic polynomial.
    real phi[2][2] = {{0, 0}, {0, 0}};
    std::vector<real> values;
    for (int r = 0; r < p.states; ++r) {
        std::vector<real> state(static_cast<std::size_t>(p.states), 0);
        state[static_cast<std::size_t>(r)] = 1;
        runExact(p, 0, state, values);
        for (int i = 0; i < p.states; ++i)
            phi[i][r] = state[static_cast<std::size_t>(i)];
    }
    p.den[0] = 1;
    if (p.states == 1) {
        p.den[1] = static_cast<double>(-phi[0][0]);
        p.den[2] = 0;
    } else {
        p.den[1] = static_cast<double>(-(phi[0][0] + phi[1][1]));
        p.den[2] = static_cast<double>(phi[0][0] * phi[1][1] - phi[0][1] * phi[1][0]);
    }
}

void nodeNumerator(const SectionProgram& p, int node, double num[3]) {
    std::vector<real> state(static_cast<std::size_t>(p.states), 0), values;
    real h[3];
    for (int n = 0; n < 3; ++n) {
        runExact(p, n == 0 ? 1 : 0, state, values);
        h[n] = values[static_cast<std::size_t>(1 + p.states + node)];
    }
    numeratorFrom(p.den, h, num);
}

SecondOrderSection programSection(const SectionProgram& program) {
    SecondOrderSection s;
    nodeNumerator(program, program.output, s.num);
    for (int i = 0; i < 3; ++i)
        s.den[i] = program.den[i];
    return s;
}

void injectionNumerator(const SectionProgram& p, int node, double num[3]) {
    const ProgramNode& n = p.nodes[static_cast<std::size_t>(node)];
    if (n.errorFeedback) {
        // The residue is fed back: the error reaches the output through
        // (1 + r1 z^-1 + r2 z^-2) / A(z).
        num[0] = 1;
        num[1] = n.feedback[0];
        num[2] = n.feedback[1];
        return;
    }
    std::vector<real> state(static_cast<std::size_t>(p.states), 0), values;
    real h[3];
    for (int t = 0; t < 3; ++t) {
        runExact(p, 0, state, values, t == 0 ? node : -1, 1);
        h[t] = values[static_cast<std::size_t>(1 + p.states + p.output)];
    }
    numeratorFrom(p.den, h, num);
}

StructureCost programCost(const SectionProgram& p) {
    StructureCost cost;
    cost.stateWords = p.states + p.residues();
    for (const ProgramNode& n : p.nodes) {
        int used = 0;
        for (const ProgramTerm& t : n.terms) {
            const double v = std::fabs(t.value);
            if (v == 0)
                continue;
            ++used;
            int exponent = 0;
            const bool powerOfTwo = std::frexp(v, &exponent) == 0.5;
            if (!powerOfTwo)
                ++cost.multiplications;
            if (v != 1)
                ++cost.coefWords;
        }
        cost.additions += std::max(used - 1, 0);
        if (n.errorFeedback)
            cost.additions += (n.feedback[0] != 0) + (n.feedback[1] != 0);
    }
    return cost;
}

} // namespace zorkan

namespace zorkan {

ExactPrograms::ExactPrograms(const std::vector<SectionProgram>& programs) {
    std::size_t slots = 0, states = 0;
    for (const SectionProgram& p : programs) {
        Section sec{slots, states, nodeTerms_.size(), p.nodes.size(), p.states, p.output, {}};
        for (int r : p.next)
            sec.next.push_back(static_cast<std::size_t>(r));
        for (const ProgramNode& n : p.nodes) {
            nodeTerms_.push_back(terms_.size());
            for (const ProgramTerm& t : n.terms)
                terms_.push_back({static_cast<std::size_t>(t.slot), static_cast<double>(t.value)});
        }
        sections_.push_back(std::move(sec));
        slots += static_cast<std::size_t>(p.slotCount());
        states += static_cast<std::size_t>(p.states);
    }
    nodeTerms_.push_back(terms_.size());
    values_.assign(slots, 0);
    state_.assign(states, 0);
}

double ExactPrograms::stepSection(std::size_t k, double x) {
    const Section& sec = sections_[k];
    double* v = values_.data() + sec.firstSlot;
    double* s = state_.data() + sec.firstState;
    v[0] = x;
    for (int r = 0; r < sec.states; ++r)
        v[1 + r] = s[r];
    for (std::size_t j = 0; j < sec.nodes; ++j) {
        double sum = 0;
        for (std::size_t i = nodeTerms_[sec.firstNode + j]; i < nodeTerms_[sec.firstNode + j + 1];
             ++i)
            sum += terms_[i].value * v[terms_[i].slot];
        v[static_cast<std::size_t>(1 + sec.states) + j] = sum;
    }
    for (int r = 0; r < sec.states; ++r)
        s[r] = v[sec.next[static_cast<std::size_t>(r)]];
    return v[1 + sec.states + sec.output];
}

namespace {

// The largest section the compact form below holds; a larger one runs through stepSection.
constexpr std::size_t compactSlots = 32;
constexpr std::size_t compactTerms = 64;

// A section's program in flat arrays on the stack, for a run over many samples: the same
// products and sums as stepSection, in the same order, with its slots kept in one local array.
struct CompactSection {
    std::size_t states = 0, nodes = 0, output = 0;
    std::array<std::uint8_t, compactTerms> slot{};
    std::array<double, compactTerms> value{};
    std::array<std::size_t, compactSlots + 1> firstTerm{};
    std::array<std::uint8_t, compactSlots> next{};
};

// Nodes, States: the section's node and state counts when they are fixed at compile time
// (its sums and state then stay in registers), 0 for any count.
template <std::size_t Nodes, std::size_t States, ExactPrograms::NodeSum Kind>
void runCompact(const CompactSection& c, double* v, std::span<const double> in,
                std::span<double> out, std::span<long double> sums) {
    const std::size_t nodes = Nodes > 0 ? Nodes : c.nodes;
    const std::size_t states = States > 0 ? States : c.states;
    const std::size_t first = 1 + states;
    std::array<long double, compactSlots> sum{};
    for (std::size_t j = 0; j < nodes; ++j)
        sum[j] = sums[j];
    std::array<double, compactSlots> held{};
    const bool writes = !out.empty();
    for (std::size_t n = 0; n < in.size(); ++n) {
        v[0] = in[n];
        for (std::size_t j = 0; j < nodes; ++j) {
            double node = 0;
            for (std::size_t i = c.firstTerm[j]; i < c.firstTerm[j + 1]; ++i)
                node += c.value[i] * v[c.slot[i]];
            v[first + j] = node;
        }
        for (std::size_t j = 0; j < nodes; ++j) {
            if constexpr (Kind == ExactPrograms::NodeSum::Magnitude) {
                sum[j] += std::fabs(v[first + j]);
            } else {
                const long double x = v[first + j];
                sum[j] += x * x;
            }
        }
        if (writes)
            out[n] = v[first + c.output];
        for (std::size_t r = 0; r < states; ++r)
            held[r] = v[c.next[r]];
        for (std::size_t r = 0; r < states; ++r)
            v[1 + r] = held[r];
    }
    for (std::size_t j = 0; j < nodes; ++j)
        sums[j] = sum[j];
}

template <std::size_t States, ExactPrograms::NodeSum Kind>
void runCompactNodes(const CompactSection& c, double* v, std::span<const double> in,
                     std::span<double> out, std::span<long double> sums) {
    switch (c.nodes) {
    case 1:
        return runCompact<1, States, Kind>(c, v, in, out, sums);
    case 2:
        return runCompact<2, States, Kind>(c, v, in, out, sums);
    case 3:
        return runCompact<3, States, Kind>(c, v, in, out, sums);
    case 4:
        return runCompact<4, States, Kind>(c, v, in, out, sums);
    case 5:
        return runCompact<5, States, Kind>(c, v, in, out, sums);
    default:
        return runCompact<0, States, Kind>(c, v, in, out, sums);
    }
}

template <ExactPrograms::NodeSum Kind>
void runCompactKind(const CompactSection& c, double* v, std::span<const double> in,
                    std::span<double> out, std::span<long double> sums) {
    switch (c.states) {
    case 1:
        return runCompactNodes<1, Kind>(c, v, in, out, sums);
    case 2:
        return runCompactNodes<2, Kind>(c, v, in, out, sums);
    case 4:
        return runCompactNodes<4, Kind>(c, v, in, out, sums);
    default:
        return runCompact<0, 0, Kind>(c, v, in, out, sums);
    }
}

} // namespace

void ExactPrograms::runGeneric(std::size_t k, std::span<const double> in, std::span<double> out,
                               NodeSum sum, std::span<long double> sums) {
    const Section& sec = sections_[k];
    for (std::size_t n = 0; n < in.size(); ++n) {
        const double y = stepSection(k, in[n]);
        for (std::size_t j = 0; j < sec.nodes; ++j) {
            const double v = node(k, static_cast<int>(j));
            if (sum == NodeSum::Magnitude) {
                sums[j] += std::fabs(v);
            } else {
                const long double x = v;
                sums[j] += x * x;
            }
        }
        if (!out.empty())
            out[n] = y;
    }
}

void ExactPrograms::runSection(std::size_t k, std::span<const double> in, std::span<double> out,
                               NodeSum sum, std::span<long double> sums) {
    const Section& sec = sections_[k];
    const std::size_t states = static_cast<std::size_t>(sec.states);
    const std::size_t slots = 1 + states + sec.nodes;
    const std::size_t terms = nodeTerms_[sec.firstNode + sec.nodes] - nodeTerms_[sec.firstNode];
    if (slots > compactSlots || terms > compactTerms) {
        runGeneric(k, in, out, sum, sums);
        return;
    }
    CompactSection c;
    c.states = states;
    c.nodes = sec.nodes;
    c.output = static_cast<std::size_t>(sec.output);
    const std::size_t base = nodeTerms_[sec.firstNode];
    for (std::size_t j = 0; j <= sec.nodes; ++j)
        c.firstTerm[j] = nodeTerms_[sec.firstNode + j] - base;
    for (std::size_t i = 0; i < terms; ++i) {
        c.slot[i] = static_cast<std::uint8_t>(terms_[base + i].slot);
        c.value[i] = terms_[base + i].value;
    }
    for (std::size_t r = 0; r < states; ++r)
        c.next[r] = static_cast<std::uint8_t>(sec.next[r]);
    // All but the last sample from the slots in a local array; the last through stepSection,
    // which leaves the slots as a run sample by sample does.
    if (in.size() > 1) {
        std::array<double, compactSlots> v{};
        double* state = state_.data() + sec.firstState;
        std::copy(state, state + states, v.begin() + 1);
        const std::size_t head = in.size() - 1;
        const std::span<double> headOut = out.empty() ? out : out.first(head);
        if (sum == NodeSum::Magnitude)
            runCompactKind<NodeSum::Magnitude>(c, v.data(), in.first(head), headOut, sums);
        else
            runCompactKind<NodeSum::Square>(c, v.data(), in.first(head), headOut, sums);
        std::copy(v.begin() + 1, v.begin() + 1 + static_cast<std::ptrdiff_t>(states), state);
        in = in.last(1);
        if (!out.empty())
            out = out.last(1);
    }
    runGeneric(k, in, out, sum, sums);
}

double ExactPrograms::step(double x) {
    for (std::size_t k = 0; k < sections_.size(); ++k)
        x = stepSection(k, x);
    return x;
}

namespace {

// The node gains of this many sets of programs are kept.
constexpr std::size_t nodeGainMemoCapacity = 1024;

// Everything of the programs that their exact run depends on.
NormKey programsKey(const std::vector<SectionProgram>& programs, long samples) {
    NormKey key;
    key.add(samples);
    for (const SectionProgram& p : programs) {
        key.add(static_cast<long>(p.states));
        key.add(static_cast<long>(p.output));
        key.add(static_cast<long>(p.nodes.size()));
        for (int r : p.next)
            key.add(static_cast<long>(r));
        for (const ProgramNode& n : p.nodes) {
            key.add(static_cast<long>(n.terms.size()));
            for (const ProgramTerm& t : n.terms) {
                key.add(static_cast<long>(t.slot));
                key.add(t.value);
            }
        }
    }
    return key;
}

std::vector<std::vector<long double>> summedNodeGains(const std::vector<SectionProgram>& programs,
                                                      long samples);

} // namespace

std::vector<std::vector<long double>> nodeL1Gains(const std::vector<SectionProgram>& programs,
                                                  long samples) {
    static NormMemo<std::vector<std::vector<long double>>> memo(nodeGainMemoCapacity);
    const NormKey key = programsKey(programs, samples);
    if (auto known = memo.find(key))
        return *std::move(known);
    std::vector<std::vector<long double>> sums = summedNodeGains(programs, samples);
    memo.store(key, sums);
    return sums;
}

namespace {

// The bound of every node's values to come from the programs' state, their A and C read off
// one step from each unit state at zero input.
FreeResponseBound programsTailBound(const std::vector<SectionProgram>& programs) {
    ExactPrograms probe(programs);
    const std::size_t m = probe.state().size();
    std::size_t nodes = 0;
    for (const SectionProgram& p : programs)
        nodes += p.nodes.size();
    std::vector<long double> a(m * m), c(nodes * m);
    for (std::size_t j = 0; j < m; ++j) {
        std::fill(probe.state().begin(), probe.state().end(), 0.0);
        probe.state()[j] = 1;
        probe.step(0);
        std::size_t row = 0;
        for (std::size_t k = 0; k < programs.size(); ++k)
            for (std::size_t i = 0; i < programs[k].nodes.size(); ++i)
                c[row++ * m + j] = probe.node(k, static_cast<int>(i));
        for (std::size_t r = 0; r < m; ++r)
            a[r * m + j] = probe.state()[r];
    }
    return FreeResponseBound(m, a, c);
}

std::vector<std::vector<long double>> summedNodeGains(const std::vector<SectionProgram>& programs,
                                                      long samples) {
    std::vector<std::vector<long double>> sums;
    for (const SectionProgram& p : programs)
        sums.emplace_back(p.nodes.size(), 0.0L);
    const std::size_t count = programs.size();
    ExactPrograms run(programs);
    // A long sum stops where no value to come can change it any more (sumIsFinal): the sums
    // of all `samples` samples, bit for bit. A node still at zero is zero throughout. The bound
    // needs every section's state after one and the same sample: each section's is kept as it
    // passes a checkpoint.
    std::optional<FreeResponseBound> tail;
    if (samples >= boundedTailFrom)
        tail.emplace(programsTailBound(programs));
    const bool bounded = tail && tail->valid();
    std::vector<std::size_t> firstState(count + 1, 0);
    for (std::size_t k = 0; k < count; ++k)
        firstState[k + 1] = firstState[k] + static_cast<std::size_t>(programs[k].states);
    std::vector<long double> checkpoint(firstState[count]);
    const auto settled = [&] {
        const long double largest = tail->largest(checkpoint);
        for (const std::vector<long double>& section : sums)
            for (long double sum : section)
                if (sum != 0 && !sumIsFinal(sum, largest))
                    return false;
        return true;
    };
    // Each section runs over a block of samples at a time, its output kept for the next
    // section. The sums are those of the impulse run through the pipelined cascade of
    // sections one sample apart: when the last section has reached a checkpoint, section k
    // has run count - 2 - k samples beyond it, and the sums are looked at with those terms.
    runImpulseInBlocks<double>(
        count, samples, bounded, 0,
        [&](std::size_t k, std::span<const double> in, std::span<double> out) {
            run.runSection(k, in, out, ExactPrograms::NodeSum::Magnitude, sums[k]);
        },
        [&](std::size_t k) {
            const std::span<const double> state = run.state();
            std::copy(state.begin() + static_cast<std::ptrdiff_t>(firstState[k]),
                      state.begin() + static_cast<std::ptrdiff_t>(firstState[k + 1]),
                      checkpoint.begin() + static_cast<std::ptrdiff_t>(firstState[k]));
        },
        settled);
    // For a pole very near the circle, the rest of every node's response bounded from above:
    // each node's path is the sections before it and its own numerator over its section's
    // denominator.
    std::vector<SecondOrderSection> path;
    for (const SectionProgram& p : programs)
        path.push_back(programSection(p));
    if (!tailBounded(path))
        return sums;
    for (std::size_t k = 0; k < count; ++k) {
        std::vector<SecondOrderSection> node(path.begin(),
                                             path.begin() + static_cast<std::ptrdiff_t>(k + 1));
        for (std::size_t j = 0; j < sums[k].size(); ++j) {
            nodeNumerator(programs[k], static_cast<int>(j), node.back().num);
            if (const std::optional<ImpulseTail> rest = impulseTail(node, samples))
                sums[k][j] += rest->l1;
        }
    }
    return sums;
}

} // namespace

} // namespace zorkan
