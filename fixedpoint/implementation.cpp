#include "fixedpoint/implementation.h"

#include "cascade/norms.h"
#include "cascade/response.h"
#include "common/errors.h"
#include "fixedpoint/latticerealisation.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace zorkan {

bool fixedPointTarget(Target target) {
    return target == Target::Q15 || target == Target::Q31 || target == Target::Fixed ||
           target == Target::CmsisQ15 || target == Target::CmsisQ31 ||
           target == Target::CmsisLatticeQ15 || target == Target::CmsisLatticeQ31 ||
           target == Target::CmsisFirQ15 || target == Target::CmsisFirQ31;
}

bool cmsisTarget(Target target) {
    return target == Target::CmsisQ15 || target == Target::CmsisQ31 || target == Target::CmsisF32 ||
           latticeTarget(target) || firKernelTarget(target);
}

bool firKernelTarget(Target target) {
    return target == Target::CmsisFirQ15 || target == Target::CmsisFirQ31 ||
           target == Target::CmsisFirF32;
}

void checkCascadeTarget(Target target) {
    if (firKernelTarget(target))
        throw UserMessage("Арифметика " + targetName(target) +
                          " - ядро КИХ-фильтра CMSIS-DSP: она принимает только отводы файла "
                          ".fir, а не секции файла параметров");
}

bool latticeTarget(Target target) {
    return target == Target::CmsisLatticeQ15 || target == Target::CmsisLatticeQ31 ||
           target == Target::CmsisLatticeF32;
}

Structure nativeStructure(Target target) {
    if (latticeTarget(target))
        return Structure::Lattice; // one lattice-ladder of the whole filter
    return fixedPointTarget(target) ? Structure::Df1 : Structure::Df2t;
}

Structure structureOf(const ImplementationOptions& options) {
    return options.structure.value_or(nativeStructure(options.arithmetic.target));
}

void checkStructure(Target target, Structure structure) {
    const Structure own = nativeStructure(target);
    if (cmsisTarget(target) && structure != own)
        throw UserMessage("Арифметика " + targetName(target) + " вычисляет только структуру " +
                          structureName(own) + ": другой у ядра CMSIS-DSP нет");
    if (structure == Structure::ErrorFeedback && !fixedPointTarget(target))
        throw UserMessage("Структура ef (обратная связь по ошибке) есть только у арифметик с "
                          "фиксированной точкой: q15, q31, fixed; у арифметики " +
                          targetName(target) + " нет остатка округления");
}

std::span<const TargetRow> targetTable() {
    using enum Rounding;
    using enum Overflow;
    static const TargetRow rows[] = {
        {Target::Double, "double", 0, 0, Nearest, Saturate, "c", "double"},
        {Target::Float, "float", 0, 0, Nearest, Saturate, "c", "float"},
        {Target::FloatFma, "float-fma", 0, 0, Nearest, Saturate, "c", "float-fma"},
        {Target::Q15, "q15", 16, 32, Nearest, Saturate, "c", "q15"},
        {Target::Q31, "q31", 32, 32, Nearest, Saturate, "c", "q31"},
        {Target::Fixed, "fixed", 0, 0, Nearest, Saturate, "verilog", ""},
        {Target::CmsisQ15, "cmsis-q15", 16, 16, Truncate, Saturate, "cmsis", "q15"},
        {Target::CmsisQ31, "cmsis-q31", 32, 32, Truncate, Wrap, "cmsis", "q31"},
        {Target::CmsisF32, "cmsis-f32", 0, 0, Nearest, Saturate, "cmsis", "f32"},
        {Target::CmsisLatticeQ15, "cmsis-lattice-q15", 16, 16, Truncate, Saturate, "cmsis",
         "lattice-q15"},
        {Target::CmsisLatticeQ31, "cmsis-lattice-q31", 32, 32, Truncate, Wrap, "cmsis",
         "lattice-q31"},
        {Target::CmsisLatticeF32, "cmsis-lattice-f32", 0, 0, Nearest, Saturate, "cmsis",
         "lattice-f32"},
        {Target::CmsisFirQ15, "cmsis-fir-q15", 16, 16, Truncate, Saturate, "cmsis", "fir-q15"},
        {Target::CmsisFirQ31, "cmsis-fir-q31", 32, 32, Truncate, Wrap, "cmsis", "fir-q31"},
        {Target::CmsisFirF32, "cmsis-fir-f32", 0, 0, Nearest, Saturate, "cmsis", "fir-f32"}};
    return rows;
}

const TargetRow& targetRow(Target target) {
    return targetTable()[static_cast<std::size_t>(target)];
}

Arithmetic namedArithmetic(Target target, const Arithmetic& base) {
    const TargetRow& row = targetRow(target);
    Arithmetic a = base;
    a.target = target;
    if (row.dataBits) {
        a.dataBits = row.dataBits;
        a.coefBits = row.coefBits;
        a.rounding = row.rounding;
        a.overflow = row.overflow;
    }
    return a;
}

Target parseTarget(const std::string& text) {
    for (const TargetRow& row : targetTable())
        if (text == row.name)
            return row.target;
    throw UserMessage("Неизвестная арифметика '" + text +
                      "': допустимы double, float, float-fma, q15, q31, fixed, cmsis-q15, "
                      "cmsis-q31, cmsis-f32, cmsis-lattice-q15, cmsis-lattice-q31, "
                      "cmsis-lattice-f32, cmsis-fir-q15, cmsis-fir-q31, cmsis-fir-f32");
}

std::string targetName(Target target) {
    return targetRow(target).name;
}

Rounding parseRounding(const std::string& text) {
    if (text == "nearest")
        return Rounding::Nearest;
    if (text == "truncate")
        return Rounding::Truncate;
    throw UserMessage("Неизвестное округление '" + text + "': допустимы nearest, truncate");
}

Overflow parseOverflow(const std::string& text) {
    if (text == "saturate")
        return Overflow::Saturate;
    if (text == "wrap")
        return Overflow::Wrap;
    throw UserMessage("Неизвестная обработка переполнения '" + text +
                      "': допустимы saturate, wrap");
}

Scaling parseScaling(const std::string& text) {
    if (text == "peak")
        return Scaling::Peak;
    if (text == "l2")
        return Scaling::L2;
    if (text == "l1")
        return Scaling::L1;
    if (text == "none")
        return Scaling::None;
    throw UserMessage("Неизвестное масштабирование '" + text + "': допустимы peak, l2, l1, none");
}

std::string scalingName(Scaling scaling) {
    switch (scaling) {
    case Scaling::Peak:
        return "peak";
    case Scaling::L2:
        return "l2";
    case Scaling::L1:
        return "l1";
    case Scaling::None:
        break;
    }
    return "none";
}

SectionOrder parseSectionOrder(const std::string& text) {
    if (text == "file")
        return SectionOrder::File;
    if (text == "ascending")
        return SectionOrder::Ascending;
    if (text == "descending")
        return SectionOrder::Descending;
    throw UserMessage("Неизвестный порядок секций '" + text +
                      "': допустимы file, ascending, descending");
}

std::string orderName(SectionOrder order) {
    switch (order) {
    case SectionOrder::File:
        return "file";
    case SectionOrder::Ascending:
        return "ascending";
    case SectionOrder::Descending:
        break;
    }
    return "descending";
}

void checkArithmetic(const Arithmetic& a) {
    if (a.target != Target::Fixed)
        return;
    if (a.dataBits < minimumBits || a.dataBits > maximumBits)
        throw UserMessage("Длина слова данных должна быть от " + std::to_string(minimumBits) +
                          " до " + std::to_string(maximumBits) + " бит");
    if (a.coefBits < minimumBits || a.coefBits > maximumBits)
        throw UserMessage("Длина слова коэффициентов должна быть от " +
                          std::to_string(minimumBits) + " до " + std::to_string(maximumBits) +
                          " бит");
}

double overflowMargin(const Arithmetic& a, std::size_t sections) {
    if (!fixedPointTarget(a.target))
        return 0;
    return static_cast<double>(sections + 1) * std::ldexp(1.0, -(a.dataBits - 1));
}

FixedCoefficients quantiseCoefficients(const SecondOrderSection& s, int coefBits,
                                       std::size_t index) {
    const long double v[5] = {s.num[0], s.num[1], s.num[2], s.den[1], s.den[2]};
    long double sum = 0;
    for (long double x : v)
        sum += std::fabs(x);
    FixedCoefficients f;
    const long double top = std::ldexp(1.0L, coefBits - 1);
    // Rounding adds at most 5 / 2 to the sum of the scaled magnitudes.
    while (!(sum * std::ldexp(1.0L, coefBits - 1 - f.shift) + 3 < top)) {
        if (++f.shift > coefBits - 2)
            throw UserMessage("Коэффициенты секции " + std::to_string(index + 1) +
                              " слишком велики для чисел с фиксированной точкой");
    }
    for (int i = 0; i < 5; ++i)
        f.c[i] = std::llround(v[i] * std::ldexp(1.0L, coefBits - 1 - f.shift));
    return f;
}

namespace {

// Divides section k's numerator by the norm of sections 1..k, section after section.
bool scaleByNorm(std::vector<SecondOrderSection>& sections, bool l1, long double& gain) {
    // Section k's output is linear in its numerator and does not depend on later
    // sections: dividing the numerators one after another by the norm of sections 1..k
    // is dividing each by its unscaled partial norm over the product of the earlier
    // factors, all from one pass. A pole on or outside the circle makes every norm from
    // its section on infinite: known at once, without summing the bounded front.
    for (const SecondOrderSection& s : sections)
        if (!(sectionPoleRadius(s) < 1))
            return false;
    const std::vector<ImpulseNorms> norms = partialImpulseNorms(sections);
    long double earlier = 1;
    for (std::size_t k = 0; k < sections.size(); ++k) {
        const long double norm = (l1 ? norms[k].l1 : norms[k].l2) * earlier;
        if (!norms[k].bounded || !(norm > 0) || !std::isfinite(norm))
            return false;
        for (double& v : sections[k].num) {
            v = static_cast<double>(v / norm);
            if (!std::isfinite(v))
                return false;
        }
        earlier /= norm;
        gain /= norm;
    }
    return true;
}

long double largestNumerator(const SecondOrderSection& s) {
    return std::max({std::fabs(s.num[0]), std::fabs(s.num[1]), std::fabs(s.num[2])});
}

// The five coefficients as the CMSIS-DSP kernels hold them: b0, b1, b2, -a1, -a2.
std::array<long double, 5> kernelCoefficients(const SecondOrderSection& s) {
    return {s.num[0], s.num[1], s.num[2], -static_cast<long double>(s.den[1]),
            -static_cast<long double>(s.den[2])};
}

// The cascade's postShift: the smallest that rounds every kernel coefficient into the
// word's [-2^F, 2^F), F = C - 1.
int cmsisPostShift(const std::vector<SecondOrderSection>& sections, Target target) {
    const bool q15 = target == Target::CmsisQ15;
    const int fraction = q15 ? 15 : 31;
    const int limit = q15 ? cmsisQ15PostShiftLimit : cmsisQ31PostShiftLimit;
    const long double top = std::ldexp(1.0L, fraction);
    long double largest = 0;
    for (const SecondOrderSection& s : sections)
        for (long double v : kernelCoefficients(s)) {
            if (!std::isfinite(v))
                throw UserMessage("Коэффициенты фильтра не конечны: для CMSIS-DSP их не записать");
            largest = std::max(largest, std::fabs(v));
        }
    for (int p = 0; p <= limit; ++p) {
        bool fits = true;
        for (const SecondOrderSection& s : sections)
            for (long double v : kernelCoefficients(s)) {
                const long double r = std::round(v * std::ldexp(1.0L, fraction - p));
                fits = fits && r >= -top && r < top;
            }
        if (fits)
            return p;
    }
    char text[40];
    std::snprintf(text, sizeof text, "%.6Lg", largest);
    throw UserMessage(std::string("Коэффициенты не представимы для ") +
                      (q15 ? "arm_biquad_cascade_df1_q15" : "arm_biquad_cascade_df1_q31") +
                      ": наибольший по модулю коэффициент " + text + " требует postShift больше " +
                      std::to_string(limit) + ", а ядро сдвигает накопитель на " +
                      (q15 ? "15" : "31") + " - postShift и не допускает postShift больше " +
                      std::to_string(limit));
}

void quantiseAll(Implementation& im) {
    im.quantised.clear();
    im.fixed.clear();
    im.single.clear();
    const Arithmetic& a = im.options.arithmetic;
    const bool cmsisFixed = a.target == Target::CmsisQ15 || a.target == Target::CmsisQ31;
    const int postShift = cmsisFixed ? cmsisPostShift(im.cascade.sections, a.target) : 0;
    for (std::size_t k = 0; k < im.cascade.sections.size(); ++k) {
        const SecondOrderSection& s = im.cascade.sections[k];
        SecondOrderSection q;
        if (cmsisFixed) {
            const std::array<long double, 5> v = kernelCoefficients(s);
            FixedCoefficients f;
            f.shift = postShift;
            for (int i = 0; i < 5; ++i) {
                const std::int64_t r = std::llround(v[static_cast<std::size_t>(i)] *
                                                    std::ldexp(1.0L, a.coefBits - 1 - postShift));
                f.c[i] = i < 3 ? r : -r;
            }
            const long double unit = std::ldexp(1.0L, -(a.coefBits - 1 - postShift));
            for (int i = 0; i < 3; ++i)
                q.num[i] = static_cast<double>(f.c[i] * unit);
            q.den[1] = static_cast<double>(f.c[3] * unit);
            q.den[2] = static_cast<double>(f.c[4] * unit);
            im.fixed.push_back(f);
        } else if (fixedPointTarget(a.target)) {
            const FixedCoefficients f = quantiseCoefficients(s, a.coefBits, k);
            const long double unit = std::ldexp(1.0L, -(a.coefBits - 1 - f.shift));
            for (int i = 0; i < 3; ++i)
                q.num[i] = static_cast<double>(f.c[i] * unit);
            q.den[1] = static_cast<double>(f.c[3] * unit);
            q.den[2] = static_cast<double>(f.c[4] * unit);
            im.fixed.push_back(f);
        } else if (a.target == Target::Float || a.target == Target::FloatFma ||
                   a.target == Target::CmsisF32) {
            const std::array<float, 5> c = {
                static_cast<float>(s.num[0]), static_cast<float>(s.num[1]),
                static_cast<float>(s.num[2]), static_cast<float>(s.den[1]),
                static_cast<float>(s.den[2])};
            for (float v : c)
                if (!std::isfinite(v))
                    throw UserMessage("Коэффициенты секции " + std::to_string(k + 1) +
                                      " выходят за пределы чисел float");
            for (int i = 0; i < 3; ++i)
                q.num[i] = c[static_cast<std::size_t>(i)];
            q.den[1] = c[3];
            q.den[2] = c[4];
            im.single.push_back(c);
        } else {
            q = s;
        }
        im.quantised.push_back(q);
    }
}

// Refuses a cascade with an infinite or undefined coefficient (a file's numerator divided
// by a subnormal B0, a factoring that overflowed): no arithmetic computes it, and every
// figure of it would be infinite or undefined.
void checkFinite(const std::vector<SecondOrderSection>& sections) {
    for (std::size_t k = 0; k < sections.size(); ++k)
        for (const double* c : {sections[k].num, sections[k].den})
            for (int i = 0; i < 3; ++i)
                if (!std::isfinite(c[i]))
                    throw UserMessage("Коэффициенты секции " + std::to_string(k + 1) +
                                      " после деления на B0 и разложения на секции второго "
                                      "порядка бесконечны или не определены: такой фильтр не "
                                      "реализовать");
}

CascadeWarning unscaledWarning() {
    return {"норма импульсной характеристики не ограничена или равна нулю; коэффициенты "
            "не масштабированы",
            "the impulse response's norm is unbounded or zero; the coefficients are not scaled"};
}

// The peak gain over frequency of node `node` of `program` behind the cascade `before`,
// whose magnitude on the peak grid is `front`: on the grid, refined near the largest point
// and near the section's own poles (the resonances of `before` were refined with their
// sections).
long double nodePeak(std::vector<SecondOrderSection> before, const std::vector<long double>& front,
                     const SectionProgram& program, int node) {
    SecondOrderSection s;
    nodeNumerator(program, node, s.num);
    for (int i = 0; i < 3; ++i)
        s.den[i] = program.den[i];
    const std::vector<UnitCirclePoint>& grid = peakGrid();
    const std::vector<SecondOrderSection> single{s};
    std::vector<long double> magnitudes(front.size());
    for (std::size_t i = 0; i < front.size(); ++i)
        magnitudes[i] = front[i] * cascadeMagnitude(single, 1, grid[i]);
    before.push_back(s);
    return peakOnGrid(before, before.size(), magnitudes, before.size() - 1);
}

// Every section's program scaled: the input scale g of section k brings the largest norm
// of its inner nodes (of every node, where the output feeds the others) to the limit, the
// output scale c its output's; false when a norm is unbounded or zero. The L1 and L2 norms
// come from one pass of the impulse response, section after section: the response at
// section k's input runs through its unscaled program, and its scaled output is the next
// section's input. With `closedForm` the L2 norms come from the Gramians instead.
bool scaledPrograms(const std::vector<SecondOrderSection>& sections, Structure structure,
                    Scaling scaling, double limit, bool closedForm,
                    std::vector<SectionProgram>& programs, long double& gain);

// The scaled programs of these sections: summed once for each structure and scaling (a
// search rounds the same scaled programs to many words). The scales are linear in the limit,
// and only the first section's input scale holds it: every later section's input and output
// scales divide it out again. A limit below 1 therefore scales the first input of the
// programs scaled to 1, and needs no sums of its own.
bool scalePrograms(const std::vector<SecondOrderSection>& sections, Structure structure,
                   Scaling scaling, double limit, bool closedForm,
                   std::vector<SectionProgram>& programs, long double& gain) {
    struct Scaled {
        bool scaled = false;
        std::vector<SectionProgram> programs;
        long double gain = 1;
    };
    constexpr std::size_t capacity = 256;
    static NormMemo<Scaled> memo(capacity);
    NormKey key;
    key.add(static_cast<long>(structure));
    key.add(static_cast<long>(scaling));
    key.add(static_cast<long>(closedForm));
    for (const SecondOrderSection& s : sections)
        key.add(s);
    std::optional<Scaled> known = memo.find(key);
    if (!known) {
        known.emplace();
        known->scaled = scaledPrograms(sections, structure, scaling, 1, closedForm, known->programs,
                                       known->gain);
        memo.store(key, *known);
    }
    const std::size_t first = programs.size();
    programs.insert(programs.end(), known->programs.begin(), known->programs.end());
    if (limit == 1 || !known->scaled || known->programs.empty()) {
        gain *= known->gain;
        return known->scaled;
    }
    SectionProgram& p = programs[first];
    p = buildProgram(structure, p.source, p.inputScale * limit, p.outputScale, 0);
    for (std::size_t k = first; k < programs.size(); ++k)
        gain *= static_cast<long double>(programs[k].inputScale) * programs[k].outputScale;
    return true;
}

bool scaledPrograms(const std::vector<SecondOrderSection>& sections, Structure structure,
                    Scaling scaling, double limit, bool closedForm,
                    std::vector<SectionProgram>& programs, long double& gain) {
    const bool gramians = closedForm && scaling == Scaling::L2;
    std::vector<double> response;
    if (scaling != Scaling::Peak && !cascadeStable(sections))
        return false;
    // For a pole very near the circle the sums stop early and the rest of each node's
    // response is bounded from above.
    const bool withTail = scaling != Scaling::Peak && !gramians && tailBounded(sections);
    if (scaling != Scaling::Peak && !gramians) {
        response.assign(static_cast<std::size_t>(normSamples(sections)), 0);
        if (response.empty())
            return false;
        response[0] = 1;
    }
    std::vector<SecondOrderSection> before;
    // The magnitude of the scaled sections so far on the peak grid.
    std::vector<long double> front;
    if (scaling == Scaling::Peak)
        front.assign(peakGrid().size(), 1.0L);
    for (std::size_t k = 0; k < sections.size(); ++k) {
        const SectionProgram unit = buildProgram(structure, sections[k], 1, 1, k);
        const std::size_t nodes = unit.nodes.size();
        std::vector<long double> norms(nodes, 0);
        if (scaling == Scaling::Peak) {
            for (std::size_t j = 0; j < nodes; ++j)
                norms[j] = nodePeak(before, front, unit, static_cast<int>(j));
        } else if (gramians) {
            // Each node's energy from the Gramian of the scaled sections before it and the
            // node's own transfer function.
            std::vector<SecondOrderSection> path = before;
            path.emplace_back();
            for (std::size_t j = 0; j < nodes; ++j) {
                nodeNumerator(unit, static_cast<int>(j), path.back().num);
                std::copy(unit.den, unit.den + 3, path.back().den);
                norms[j] = std::sqrt(squaredL2Norm(path));
            }
        } else {
            const std::vector<SectionProgram> alone{unit};
            ExactPrograms run(alone);
            run.runSection(0, response, response,
                           scaling == Scaling::L1 ? ExactPrograms::NodeSum::Magnitude
                                                  : ExactPrograms::NodeSum::Square,
                           norms);
            std::vector<SecondOrderSection> path = before;
            path.emplace_back();
            std::copy(unit.den, unit.den + 3, path.back().den);
            for (std::size_t j = 0; withTail && j < nodes; ++j) {
                nodeNumerator(unit, static_cast<int>(j), path.back().num);
                const auto samples = static_cast<long>(response.size());
                if (const std::optional<ImpulseTail> rest = impulseTail(path, samples))
                    norms[j] += scaling == Scaling::L1 ? rest->l1 : rest->squares;
            }
            if (scaling == Scaling::L2)
                for (long double& n : norms)
                    n = std::sqrt(n);
        }
        const bool separable = outputSeparable(unit);
        long double inner = 0, output = 0;
        for (std::size_t j = 0; j < nodes; ++j) {
            if (!(norms[j] >= 0) || !std::isfinite(norms[j]))
                return false;
            if (separable && static_cast<int>(j) == unit.output)
                output = norms[j];
            else
                inner = std::max(inner, norms[j]);
        }
        if (!(inner > 0))
            return false;
        const double g = static_cast<double>(limit / inner);
        const double c = separable && output > 0 ? static_cast<double>(limit / (g * output)) : 1.0;
        programs.push_back(buildProgram(structure, sections[k], g, c, k));
        before.push_back(programSection(programs.back()));
        gain *= static_cast<long double>(g) * c;
        for (double& x : response)
            x *= g * c;
        if (!front.empty()) {
            const std::vector<SecondOrderSection> single{before.back()};
            for (std::size_t i = 0; i < front.size(); ++i)
                front[i] *= cascadeMagnitude(single, 1, peakGrid()[i]);
        }
    }
    return true;
}

// A node's coefficients in the arithmetic: for fixed point the smallest shift that keeps
// the sum of the scaled magnitudes, plus half a unit for the rounding of each, inside the
// coefficient word (the rule of the direct-form-I sections, which it reproduces).
void quantiseProgram(SectionProgram& p, const Arithmetic& a, std::size_t index) {
    for (ProgramNode& n : p.nodes) {
        if (fixedPointTarget(a.target)) {
            long double sum = 0;
            for (const ProgramTerm& t : n.terms)
                sum += std::fabs(static_cast<long double>(t.coef));
            const long double top = std::ldexp(1.0L, a.coefBits - 1);
            const long double allowance = static_cast<long double>((n.terms.size() + 1) / 2);
            int shift = 0;
            while (!(sum * std::ldexp(1.0L, a.coefBits - 1 - shift) + allowance < top)) {
                if (++shift > a.coefBits - 2)
                    throw UserMessage("Коэффициенты секции " + std::to_string(index + 1) +
                                      " в структуре " + structureName(p.structure) +
                                      " слишком велики для чисел с фиксированной точкой");
            }
            n.fraction = a.coefBits - 1 - shift;
            for (ProgramTerm& t : n.terms) {
                t.fixed =
                    std::llround(static_cast<long double>(t.coef) * std::ldexp(1.0L, n.fraction));
                t.value = static_cast<double>(t.fixed * std::ldexp(1.0L, -n.fraction));
            }
        } else if (a.target == Target::Double) {
            for (ProgramTerm& t : n.terms)
                t.value = t.coef;
        } else {
            for (ProgramTerm& t : n.terms) {
                t.single = static_cast<float>(t.coef);
                if (!std::isfinite(t.single))
                    throw UserMessage("Коэффициенты секции " + std::to_string(index + 1) +
                                      " выходят за пределы чисел float");
                t.value = t.single;
            }
        }
    }
    realisedDenominator(p);
}

void realisePrograms(Implementation& im, const SecondOrderCascade& factored, bool checked,
                     bool closedForm) {
    const ImplementationOptions& o = im.options;
    SecondOrderCascade cascade = factored;
    orderSections(cascade, o.order);
    checkFinite(cascade.sections);
    const std::size_t n = cascade.sections.size();
    // L1 scaling of a fixed-point target keeps every node the arithmetic's margin below
    // full scale, and as much again for the rounding of the coefficients.
    const double limit = o.scaling == Scaling::L1 ? 1 - 2 * overflowMargin(o.arithmetic, n) : 1;
    long double gain = 1;
    std::vector<SectionProgram> programs;
    bool scaled =
        o.scaling != Scaling::None &&
        scalePrograms(cascade.sections, im.structure, o.scaling, limit, closedForm, programs, gain);
    if (!scaled) {
        programs.clear();
        gain = 1;
        for (std::size_t k = 0; k < n; ++k)
            programs.push_back(buildProgram(im.structure, cascade.sections[k], 1, 1, k));
        if (o.scaling != Scaling::None)
            cascade.warnings.push_back(unscaledWarning());
    }
    cascade.normalised = scaled;
    for (std::size_t k = 0; k < n; ++k)
        cascade.sections[k] = programSection(programs[k]);
    im.cascade = cascade;
    im.gain = gain;
    const auto quantiseAllPrograms = [&] {
        im.quantised.clear();
        for (std::size_t k = 0; k < n; ++k) {
            quantiseProgram(programs[k], o.arithmetic, k);
            im.quantised.push_back(programSection(programs[k]));
        }
    };
    quantiseAllPrograms();
    // As for direct form I: the rounded coefficients may lift a node's L1 gain above the
    // limit again; that section's input is shrunk to the limit less a few units of its
    // coefficients' last bit (which scales every later node alike), and all rounded anew.
    for (int round = 0; checked && fixedPointTarget(o.arithmetic.target) &&
                        o.scaling == Scaling::L1 && scaled && round < 4;
         ++round) {
        const long samples = cascadeStable(im.quantised) ? normSamples(im.quantised) : 0;
        if (samples == 0)
            break;
        const std::vector<std::vector<long double>> gains = nodeL1Gains(programs, samples);
        long double earlier = 1;
        bool changed = false;
        for (std::size_t k = 0; k < n; ++k) {
            const long double l1 = *std::max_element(gains[k].begin(), gains[k].end()) * earlier;
            if (!(l1 >= limit))
                continue;
            SectionProgram& p = programs[k];
            int fraction = o.arithmetic.coefBits - 1;
            for (const ProgramNode& node : p.nodes)
                fraction = std::min(fraction, node.fraction);
            const long double unit = std::ldexp(1.0L, -fraction);
            const long double shrink = (limit - 4 * unit * (round + 1)) / l1;
            p = buildProgram(im.structure, p.source, static_cast<double>(p.inputScale * shrink),
                             p.outputScale, k);
            im.cascade.sections[k] = programSection(p);
            gain *= shrink;
            earlier *= shrink;
            changed = true;
        }
        if (!changed) {
            // The gains of these very coefficients: the report need not sum them again.
            im.nodeGains = gains;
            break;
        }
        quantiseAllPrograms();
    }
    im.gain = gain;
    im.programs = std::move(programs);
}

} // namespace

SecondOrderCascade realisedCascade(const FilterCoefficients& filter, Scaling scaling,
                                   SectionOrder order, long double* gain) {
    return realisedCascade(secondOrderSections(filter), scaling, order, gain);
}

SecondOrderCascade realisedCascade(SecondOrderCascade cascade, Scaling scaling, SectionOrder order,
                                   long double* gain) {
    orderSections(cascade, order);
    long double product = 1;
    if (scaling == Scaling::Peak) {
        const std::vector<SecondOrderSection> before = cascade.sections;
        normaliseGain(cascade);
        for (std::size_t k = 0; k < before.size(); ++k)
            if (largestNumerator(before[k]) > 0)
                product *= largestNumerator(cascade.sections[k]) / largestNumerator(before[k]);
    } else if (scaling != Scaling::None) {
        std::vector<SecondOrderSection> sections = cascade.sections;
        if (scaleByNorm(sections, scaling == Scaling::L1, product)) {
            cascade.sections = sections;
            cascade.normalised = true;
        } else {
            product = 1;
            cascade.warnings.push_back(unscaledWarning());
        }
    }
    if (gain)
        *gain = product;
    return cascade;
}

Implementation realise(const FilterCoefficients& filter, const ImplementationOptions& options) {
    checkArithmetic(options.arithmetic);
    if (filter.sections.empty())
        throw UserMessage("В файле фильтра нет ни одной секции: реализовывать нечего");
    return realise(secondOrderSections(filter), options);
}

namespace {

// The realisation; with `checked`, l1 scaling checks the rounded coefficients against its
// limit and adjusts them; with `closedForm`, l2 scaling takes a program's norms from the
// Gramians.
Implementation realiseCascade(const SecondOrderCascade& factored,
                              const ImplementationOptions& options, bool checked, bool closedForm) {
    checkArithmetic(options.arithmetic);
    checkCascadeTarget(options.arithmetic.target);
    checkStructure(options.arithmetic.target, structureOf(options));
    if (latticeTarget(options.arithmetic.target)) {
        Implementation im = realiseLattice(factored, options);
        im.structure = Structure::Lattice;
        return im;
    }
    Implementation im;
    im.options = options;
    im.options.arithmetic = namedArithmetic(options.arithmetic.target, options.arithmetic);
    im.structure = structureOf(im.options);
    if (im.structure != nativeStructure(im.options.arithmetic.target)) {
        realisePrograms(im, factored, checked, closedForm);
        return im;
    }
    im.cascade = realisedCascade(factored, options.scaling, options.order, &im.gain);
    checkFinite(im.cascade.sections);

    quantiseAll(im);
    // With l1 scaling the rounded coefficients may lift the norm of sections 1..k a little
    // above 1 again, and the arithmetic needs it below 1 by the margin of its rounding and
    // range: such a numerator is shrunk to that limit and a few units of its last bit more
    // (which scales the later partial norms alike), and everything rounded anew.
    const Arithmetic& a = im.options.arithmetic;
    const long double limit = 1 - overflowMargin(a, im.quantised.size());
    for (int round = 0; checked && fixedPointTarget(a.target) && options.scaling == Scaling::L1 &&
                        im.cascade.normalised && round < 4;
         ++round) {
        const std::vector<ImpulseNorms> norms = partialImpulseNorms(im.quantised);
        long double earlier = 1;
        bool changed = false;
        for (std::size_t k = 0; k < norms.size() && norms[k].bounded; ++k) {
            const long double l1 = norms[k].l1 * earlier;
            if (!(l1 >= limit))
                continue;
            const long double unit = std::ldexp(1.0L, -(a.coefBits - 1 - im.fixed[k].shift));
            const long double shrink = (limit - 4 * unit * (round + 1)) / l1;
            for (double& v : im.cascade.sections[k].num)
                v = static_cast<double>(v * shrink);
            earlier *= shrink;
            changed = true;
        }
        if (!changed)
            break;
        quantiseAll(im);
    }
    return im;
}

} // namespace

Implementation realise(const SecondOrderCascade& factored, const ImplementationOptions& options) {
    return realiseCascade(factored, options, true, false);
}

Implementation realiseAsScaled(const SecondOrderCascade& factored,
                               const ImplementationOptions& options) {
    return realiseCascade(factored, options, false, false);
}

Implementation realiseAtAGlance(const SecondOrderCascade& factored,
                                const ImplementationOptions& options) {
    return realiseCascade(factored, options, true, true);
}

Implementation requantised(const Implementation& im, const SecondOrderCascade& factored,
                           const Arithmetic& arithmetic) {
    ImplementationOptions options = im.options;
    options.arithmetic = arithmetic;
    const bool fixed = fixedPointTarget(arithmetic.target);
    // The native sections' scaling, and a program's, follow the data word only through
    // the margin of l1 scaling: everything else is the same scaled cascade rounded anew.
    if (im.programs.empty() &&
        (latticeTarget(arithmetic.target) || (fixed && im.options.scaling == Scaling::L1) ||
         arithmetic.target != im.options.arithmetic.target))
        return realise(factored, options);
    checkArithmetic(arithmetic);
    Implementation out = im;
    if (out.programs.empty()) {
        out.nodeGains.clear();
        out.options.arithmetic = namedArithmetic(arithmetic.target, arithmetic);
        quantiseAll(out);
        return out;
    }
    out.nodeGains.clear();
    out.options.arithmetic = namedArithmetic(arithmetic.target, arithmetic);
    out.quantised.clear();
    for (std::size_t k = 0; k < out.programs.size(); ++k) {
        quantiseProgram(out.programs[k], out.options.arithmetic, k);
        out.quantised.push_back(programSection(out.programs[k]));
    }
    return out;
}

StructureCost implementationCost(const Implementation& im) {
    StructureCost total;
    if (latticeTarget(im.options.arithmetic.target)) {
        // The whole filter's lattice-ladder of order N: two products and two sums a stage,
        // N + 1 ladder products summed; N stored values, 2N + 1 coefficients.
        const int n = static_cast<int>(im.lattice.reflection.size());
        return {3 * n + 1, 3 * n, n, 2 * n + 1};
    }
    for (std::size_t k = 0; k < im.quantised.size(); ++k) {
        // The target's own structure from its quantised sections.
        const StructureCost c =
            im.programs.empty() ? programCost(buildProgram(im.structure, im.quantised[k], 1, 1, k))
                                : programCost(im.programs[k]);
        total.multiplications += c.multiplications;
        total.additions += c.additions;
        total.stateWords += c.stateWords;
        total.coefWords += c.coefWords;
    }
    return total;
}

} // namespace zorkan
