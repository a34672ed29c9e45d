// C99 code in floating point (transposed direct form II) and fixed point (direct form I).
#include "export/ccode.h"

#include "export/exportheader.h"
#include "export/exporttext.h"

#include "common/errors.h"

#include <cmath>
#include <limits>

namespace zorkan {

const char* cTypeName(SampleType t) {
    switch (t) {
    case SampleType::Double:
        return "double";
    case SampleType::Float:
    case SampleType::FloatFma:
        return "float";
    case SampleType::Q15:
        return "int16_t";
    case SampleType::Q31:
        return "int32_t";
    case SampleType::F32:
    case SampleType::LatticeF32:
        return "float32_t";
    case SampleType::LatticeQ15:
    case SampleType::FirQ15:
        return "int16_t";
    case SampleType::LatticeQ31:
    case SampleType::FirQ31:
        return "int32_t";
    case SampleType::FirF32:
        return "float32_t";
    }
    return "double";
}

bool fixedPointType(SampleType t) {
    return t == SampleType::Q15 || t == SampleType::Q31;
}

FixedSection fixedSection(const SecondOrderSection& s, std::size_t index) {
    const FixedCoefficients q = quantiseCoefficients(s, 32, index);
    FixedSection f;
    for (int i = 0; i < 5; ++i)
        f.c[i] = static_cast<std::int32_t>(q.c[i]);
    f.shift = q.shift;
    return f;
}

namespace {

std::string floatLiteral(double v) {
    if (std::abs(v) > std::numeric_limits<float>::max())
        throw UserMessage("Коэффициент " + exactNumber(v) + " не помещается в тип float");
    return singleLiteral(static_cast<float>(v));
}

// The pieces of the C code for one filter.
struct CCode {
    std::string comment;      // the header comment
    std::string declarations; // includes, the section count, the state type
    std::string prototypes;
    std::string helpers;     // rounding and saturation of fixed point
    std::string definitions; // reset, step, block
};

std::string sectionCount(const ExportOptions& o) {
    return upperName(o.prefix) + "_SECTIONS";
}

std::string cDeclarations(const SecondOrderCascade& cascade, const ExportOptions& o) {
    const std::string count = sectionCount(o);
    const std::string t = cTypeName(o.type);
    const bool fixed = fixedPointType(o.type);
    std::string d = "#include <stddef.h>\n";
    if (fixed)
        d += "#include <stdint.h>\n";
    if (o.type == SampleType::FloatFma)
        d += "#include <math.h>\n";
    d += "\n#define " + count + " " + std::to_string(cascade.sections.size()) + "\n\n";
    d += "/* The filter's memory; set it with " + o.prefix + "_reset before the first sample. */\n";
    d += "typedef struct {\n";
    if (fixed)
        d += "    " + t + " x[" + count + "][2]; /* x[n-1], x[n-2] of each section */\n    " + t +
             " y[" + count + "][2]; /* y[n-1], y[n-2] of each section */\n";
    else
        d += "    " + t + " s[" + count + "][2];\n";
    d += "} " + o.prefix + "_state;\n";
    return d;
}

std::string cPrototypes(const ExportOptions& o) {
    const std::string& p = o.prefix;
    const std::string t = cTypeName(o.type);
    return "void " + p + "_reset(" + p + "_state* state);\n" + t + " " + p + "_step(" + p +
           "_state* state, " + t + " x);\n" + "void " + p + "_block(" + p +
           "_state* state, const " + t + "* in, " + t + "* out, size_t n);\n";
}

// `fn` is the linkage of the functions with its blank, or nothing.
std::string cReset(const ExportOptions& o, const std::string& fn) {
    const std::string& p = o.prefix;
    std::string c = fn + "void " + p + "_reset(" + p + "_state* state) {\n    size_t k;\n";
    c += "    for (k = 0; k < " + sectionCount(o) + "; ++k) {\n";
    if (fixedPointType(o.type))
        c += "        state->x[k][0] = 0;\n        state->x[k][1] = 0;\n"
             "        state->y[k][0] = 0;\n        state->y[k][1] = 0;\n";
    else
        c += "        state->s[k][0] = 0;\n        state->s[k][1] = 0;\n";
    return c + "    }\n}\n\n";
}

std::string cBlock(const ExportOptions& o, const std::string& fn) {
    const std::string& p = o.prefix;
    const std::string t = cTypeName(o.type);
    return fn + "void " + p + "_block(" + p + "_state* state, const " + t + "* in, " + t +
           "* out, size_t n) {\n    size_t i;\n" +
           "    for (i = 0; i < n; ++i)\n        out[i] = " + p + "_step(state, in[i]);\n}\n";
}

// The step of double and float code: transposed direct form II.
std::string floatingStep(const SecondOrderCascade& cascade, const ExportOptions& o,
                         const std::string& fn) {
    const std::string& p = o.prefix;
    const std::string count = sectionCount(o);
    const std::string t = cTypeName(o.type);
    const bool single = o.type == SampleType::Float || o.type == SampleType::FloatFma;
    std::string c = fn + t + " " + p + "_step(" + p + "_state* state, " + t + " x) {\n";
    c += "    /* b0, b1, b2, a1, a2 of each section (a0 = 1) */\n";
    c += "    static const " + t + " coefficients[" + count + "][5] = {\n";
    for (const SecondOrderSection& s : cascade.sections) {
        const double v[5] = {s.num[0], s.num[1], s.num[2], s.den[1], s.den[2]};
        c += "        {";
        for (int i = 0; i < 5; ++i)
            c += (i ? ", " : "") + (single ? floatLiteral(v[i]) : exactNumber(v[i]));
        c += "},\n";
    }
    c += "    };\n    size_t k;\n";
    c += "    for (k = 0; k < " + count + "; ++k) {\n";
    c += "        const " + t + "* c = coefficients[k];\n";
    c += "        " + t + "* s = state->s[k];\n";
    if (o.type == SampleType::FloatFma) {
        c += "        const " + t + " y = fmaf(c[0], x, s[0]);\n";
        c += "        s[0] = fmaf(c[1], x, fmaf(-c[3], y, s[1]));\n";
        c += "        s[1] = fmaf(c[2], x, -(c[4] * y));\n";
    } else {
        c += "        const " + t + " y = c[0] * x + s[0];\n";
        c += "        s[0] = c[1] * x - c[3] * y + s[1];\n";
        c += "        s[1] = c[2] * x - c[4] * y;\n";
    }
    c += "        x = y;\n    }\n    return x;\n}\n\n";
    return c;
}

// Rounding and saturation of q15 and q31; `linkage` goes before each.
std::string fixedHelpers(const ExportOptions& o, const std::string& linkage) {
    const std::string& p = o.prefix;
    const std::string t = cTypeName(o.type);
    const std::string hn = linkage + " ";
    const char* top = o.type == SampleType::Q15 ? "INT16_MAX" : "INT32_MAX";
    const char* bottom = o.type == SampleType::Q15 ? "INT16_MIN" : "INT32_MIN";
    std::string hc = "/* floor((acc + 2^(f-1)) / 2^f) without shifting a negative number */\n";
    hc += hn + "int64_t " + p + "_round_shift(int64_t acc, int f) {\n";
    hc += "    const int64_t q = acc + ((int64_t)1 << (f - 1));\n";
    hc += "    if (q >= 0)\n        return q >> f;\n";
    hc += "    return -((-q + (((int64_t)1 << f) - 1)) >> f);\n}\n\n";
    hc += hn + t + " " + p + "_saturate(int64_t v) {\n";
    hc += std::string("    if (v > ") + top + ")\n        return " + top + ";\n";
    hc += std::string("    if (v < ") + bottom + ")\n        return " + bottom + ";\n";
    hc += "    return (" + t + ")v;\n}\n\n";
    return hc;
}

// The step of q15 and q31 code: direct form I on scaled integer coefficients.
std::string fixedStep(const SecondOrderCascade& cascade, const ExportOptions& o,
                      const std::string& fn) {
    const std::string& p = o.prefix;
    const std::string count = sectionCount(o);
    const std::string t = cTypeName(o.type);
    std::string c = fn + t + " " + p + "_step(" + p + "_state* state, " + t + " x) {\n";
    c += "    /* b0, b1, b2, a1, a2 of each section, scaled by 2^(31 - shift) */\n";
    c += "    static const int32_t coefficients[" + count + "][5] = {\n";
    std::string shifts;
    for (std::size_t k = 0; k < cascade.sections.size(); ++k) {
        const FixedSection f = fixedSection(cascade.sections[k], k);
        c += "        {";
        for (int i = 0; i < 5; ++i)
            c += (i ? ", " : "") + std::to_string(f.c[i]);
        c += "},\n";
        shifts += (k ? ", " : "") + std::to_string(f.shift);
    }
    c += "    };\n";
    c += "    static const int shifts[" + count + "] = {" + shifts + "};\n";
    c += "    size_t k;\n";
    c += "    for (k = 0; k < " + count + "; ++k) {\n";
    c += "        const int32_t* c = coefficients[k];\n";
    c += "        " + t + "* xs = state->x[k];\n";
    c += "        " + t + "* ys = state->y[k];\n";
    c += "        const int64_t acc = (int64_t)c[0] * x + (int64_t)c[1] * xs[0] + "
         "(int64_t)c[2] * xs[1] -\n";
    c += "                            (int64_t)c[3] * ys[0] - (int64_t)c[4] * ys[1];\n";
    c += "        const " + t + " y = " + p + "_saturate(" + p +
         "_round_shift(acc, 31 - shifts[k]));\n";
    c += "        xs[1] = xs[0];\n        xs[0] = x;\n        ys[1] = ys[0];\n"
         "        ys[0] = y;\n        x = y;\n";
    c += "    }\n    return x;\n}\n\n";
    return c;
}

// The code of a structure other than the target's own: each section's program written
// out, one block a section, its nodes in order. Slot 0 is the section's input x, slots
// 1..S its stored values (v1..vS, read before anything is stored), the nodes follow.

int totalStates(const Implementation& im) {
    int n = 0;
    for (const SectionProgram& p : im.programs)
        n += p.states;
    return n;
}

int totalResidues(const Implementation& im) {
    int n = 0;
    for (const SectionProgram& p : im.programs)
        n += p.residues();
    return n;
}

std::string stateCount(const ExportOptions& o) {
    return upperName(o.prefix) + "_STATE_WORDS";
}

std::string residueCount(const ExportOptions& o) {
    return upperName(o.prefix) + "_RESIDUES";
}

std::string programDeclarations(const Implementation& im, const ExportOptions& o) {
    const std::string t = cTypeName(o.type);
    const bool fixed = fixedPointType(o.type);
    const int residues = totalResidues(im);
    std::string d = "#include <stddef.h>\n";
    if (fixed)
        d += "#include <stdint.h>\n";
    if (o.type == SampleType::FloatFma)
        d += "#include <math.h>\n";
    d += "\n#define " + sectionCount(o) + " " + std::to_string(im.programs.size()) + "\n";
    d += "#define " + stateCount(o) + " " + std::to_string(totalStates(im)) + "\n";
    if (residues)
        d += "#define " + residueCount(o) + " " + std::to_string(residues) + "\n";
    d += "\n/* The filter's memory; set it with " + o.prefix +
         "_reset before the first sample. */\n";
    d += "typedef struct {\n";
    d += "    " + t + " s[" + stateCount(o) + "]; /* the stored values, section after section */\n";
    if (residues)
        d += "    int64_t e[" + residueCount(o) +
             "]; /* the residues e[n-1], e[n-2] of each fed-back rounding */\n";
    d += "} " + o.prefix + "_state;\n";
    return d;
}

std::string programReset(const Implementation& im, const ExportOptions& o, const std::string& fn) {
    const std::string& p = o.prefix;
    std::string c = fn + "void " + p + "_reset(" + p + "_state* state) {\n    size_t k;\n";
    c += "    for (k = 0; k < " + stateCount(o) + "; ++k)\n        state->s[k] = 0;\n";
    if (totalResidues(im))
        c += "    for (k = 0; k < " + residueCount(o) + "; ++k)\n        state->e[k] = 0;\n";
    return c + "}\n\n";
}

std::string slotName(int slot) {
    return slot == 0 ? "x" : "v" + std::to_string(slot);
}

// A fixed-point node's exact sum: acc = c x + c v1 + ..., each product in 64 bits.
std::string fixedSum(const ProgramNode& n) {
    std::string c = "        acc = ";
    for (std::size_t i = 0; i < n.terms.size(); ++i) {
        const ProgramTerm& t = n.terms[i];
        const std::int64_t magnitude = t.fixed < 0 ? -t.fixed : t.fixed;
        if (i == 0)
            c += "(int64_t)" + integerLiteral(t.fixed);
        else
            c += std::string(i % 3 ? " " : "\n              ") + (t.fixed < 0 ? "- " : "+ ") +
                 "(int64_t)" + integerLiteral(magnitude);
        c += " * " + slotName(t.slot);
    }
    return c + ";\n";
}

// A floating-point node's sum, each operation rounded in the type: from the first term,
// or fused from the last back to the first.
std::string floatingSum(const ProgramNode& n, const std::string& name, const ExportOptions& o) {
    const bool single = o.type != SampleType::Double;
    const auto coefficient = [&](const ProgramTerm& t) {
        return single ? floatLiteral(t.single) : exactNumber(t.value);
    };
    std::string c;
    if (o.type == SampleType::FloatFma) {
        const ProgramTerm& last = n.terms.back();
        c += "        " + name + " = " + coefficient(last) + " * " + slotName(last.slot) + ";\n";
        for (std::size_t i = n.terms.size() - 1; i-- > 0;)
            c += "        " + name + " = fmaf(" + coefficient(n.terms[i]) + ", " +
                 slotName(n.terms[i].slot) + ", " + name + ");\n";
        return c;
    }
    const ProgramTerm& first = n.terms.front();
    c += "        " + name + " = " + coefficient(first) + " * " + slotName(first.slot) + ";\n";
    for (std::size_t i = 1; i < n.terms.size(); ++i) {
        c += "        p = " + coefficient(n.terms[i]) + " * " + slotName(n.terms[i].slot) + ";\n";
        c += "        " + name + " = " + name + " + p;\n";
    }
    return c;
}

std::string programStep(const Implementation& im, const ExportOptions& o, const std::string& fn) {
    const std::string& p = o.prefix;
    const std::string t = cTypeName(o.type);
    const bool fixed = fixedPointType(o.type);
    const bool residues = totalResidues(im) > 0;
    const bool fused = o.type == SampleType::FloatFma;
    std::string c = fn + t + " " + p + "_step(" + p + "_state* state, " + t + " x) {\n";
    c += "    " + t + "* s = state->s;\n";
    if (residues)
        c += "    int64_t* e = state->e;\n";
    if (fixed)
        c += std::string("    int64_t acc") + (residues ? ", q" : "") + ";\n";
    else if (!fused)
        c += "    " + t + " p;\n";
    int stateOffset = 0, residueOffset = 0;
    for (std::size_t k = 0; k < im.programs.size(); ++k) {
        const SectionProgram& sp = im.programs[k];
        c += "    { /* section " + std::to_string(k + 1) + " */\n";
        for (int r = 0; r < sp.states; ++r)
            c += "        const " + t + " " + slotName(1 + r) + " = s[" +
                 std::to_string(stateOffset + r) + "];\n";
        std::string nodes;
        for (std::size_t j = 0; j < sp.nodes.size(); ++j)
            nodes += (j ? ", " : "") + slotName(1 + sp.states + static_cast<int>(j));
        c += "        " + t + " " + nodes + ";\n";
        for (std::size_t j = 0; j < sp.nodes.size(); ++j) {
            const ProgramNode& n = sp.nodes[j];
            const std::string name = slotName(1 + sp.states + static_cast<int>(j));
            if (!fixed) {
                c += floatingSum(n, name, o);
                continue;
            }
            c += fixedSum(n);
            const std::string f = std::to_string(n.fraction);
            if (!n.errorFeedback) {
                c += "        " + name + " = " + p + "_saturate(" + p + "_round_shift(acc, " + f +
                     "));\n";
                continue;
            }
            const std::string e1 = "e[" + std::to_string(residueOffset) + "]";
            const std::string e2 = "e[" + std::to_string(residueOffset + 1) + "]";
            c += "        acc -= (int64_t)" + integerLiteral(n.feedback[0]) + " * " + e1 +
                 " + (int64_t)" + integerLiteral(n.feedback[1]) + " * " + e2 + ";\n";
            c += "        q = " + p + "_round_shift(acc, " + f + ");\n";
            c += "        " + e2 + " = " + e1 + ";\n";
            c += "        " + e1 + " = acc - q * ((int64_t)1 << " + f + ");\n";
            c += "        " + name + " = " + p + "_saturate(q);\n";
            residueOffset += 2;
        }
        for (int r = 0; r < sp.states; ++r)
            c += "        s[" + std::to_string(stateOffset + r) +
                 "] = " + slotName(sp.next[static_cast<std::size_t>(r)]) + ";\n";
        c += "        x = " + slotName(1 + sp.states + sp.output) + ";\n    }\n";
        stateOffset += sp.states;
    }
    return c + "    return x;\n}\n\n";
}

// `helperLinkage` and `linkage` go before the helpers and before the three functions.
CCode cCode(const ExportedFilter& filter, const ExportOptions& o, const std::string& helperLinkage,
            const std::string& linkage) {
    checkCIdentifier(o.prefix);
    const SecondOrderCascade& cascade = filter.cascade;
    const std::string fn = linkage.empty() ? "" : linkage + " ";
    CCode code;
    code.comment = "/*\n" + commented(exportHeaderLines(filter, o), " *") + " */\n";
    code.declarations = cDeclarations(cascade, o);
    code.prototypes = cPrototypes(o);
    const Implementation* im = filter.implementation.get();
    if (im && !im->programs.empty()) {
        code.declarations = programDeclarations(*im, o);
        if (fixedPointType(o.type))
            code.helpers = fixedHelpers(o, helperLinkage);
        code.definitions = programReset(*im, o, fn) + programStep(*im, o, fn) + cBlock(o, fn);
    } else if (fixedPointType(o.type)) {
        code.helpers = fixedHelpers(o, helperLinkage);
        code.definitions = cReset(o, fn) + fixedStep(cascade, o, fn) + cBlock(o, fn);
    } else {
        code.definitions = cReset(o, fn) + floatingStep(cascade, o, fn) + cBlock(o, fn);
    }
    return code;
}

std::string guardName(const ExportOptions& o) {
    return upperName(o.prefix) + "_H";
}

} // namespace

std::string cOneHeader(const ExportedFilter& filter, const ExportOptions& o) {
    const CCode code = cCode(filter, o, "static inline", "static inline");
    const std::string guard = guardName(o);
    return code.comment + "#ifndef " + guard + "\n#define " + guard + "\n\n" + code.declarations +
           "\n" + code.helpers + code.definitions + "\n#endif\n";
}

CSources exportCSources(const ExportedFilter& filter, const ExportOptions& options,
                        const std::string& headerName) {
    const CCode code = cCode(filter, options, "static", "");
    const std::string guard = guardName(options);
    CSources s;
    s.header = code.comment + "#ifndef " + guard + "\n#define " + guard + "\n\n" +
               code.declarations + "\n#ifdef __cplusplus\nextern \"C\" {\n#endif\n\n" +
               code.prototypes + "\n#ifdef __cplusplus\n}\n#endif\n\n#endif\n";
    s.source = code.comment + includeDirective(headerName) + "\n" + code.helpers + code.definitions;
    return s;
}

} // namespace zorkan
