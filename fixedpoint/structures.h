#pragma once
// The structures that realise one second-order section: how its transfer function is
// turned into stored values and sums of products, each sum rounded and overflow-handled
// once, where its value is stored.
//
// A section's arithmetic is written as a small program over slots. Slot 0 is the
// section's input sample, slots 1..S the values stored from the last sample (the state),
// slots S+1.. the nodes computed in this sample, in order. Each node is one sum of
// products of a coefficient and a slot that is already known; for the fixed-point
// targets every product is exact and the sum is exact until it is rounded to the data
// word (nearest or truncate) and saturated or wrapped, once; the floating-point targets
// round every operation in their type, the sum taken term after term from the first (with
// FMA from the last: acc = the last product, then acc = fma(c, v, acc) back to the
// first). After the nodes, state register r takes the value of slot next[r]. One node is
// the section's output, the next section's input.
//
//   df1     y = b0 x + b1 x1 + b2 x2 - a1 y1 - a2 y2; state x1, x2, y1, y2
//   df2     w = g x - a1 w1 - a2 w2; y = c (b0 w + b1 w1 + b2 w2); state w1, w2
//   df2t    y = b0 x + s0; s0 = b1 x - a1 y + s1; s1 = b2 x - a2 y; state s0, s1
//   ef      df1, and the residue e = v - Q(v) of the rounding of y, kept exactly in the
//           bits below the data word, enters the next sums as -r1 e[n-1] - r2 e[n-2] with
//           r1 = round(a1), r2 = round(a2): the round-off noise reaches the output through
//           (1 + r1 z^-1 + r2 z^-2) / A(z) instead of 1 / A(z)
//   normal  y = c (d g x + c1 s1 + c2 s2); s1 = alpha s1 - beta s2 + g b1 x;
//           s2 = beta s1 + alpha s2 + g b2 x for poles r e^(+-j theta), alpha = r cos theta,
//           beta = r sin theta (the state's input rotated so that both state values have
//           the same L2 norm); two real poles p1, p2: alpha = p1, p2 on the diagonal and
//           beta = 0 (two first-order sections); a section of the first order has one state
//   lattice f1 = g x - k2 s1; f0 = f1 - k1 s0; g1 = k1 f0 + s0; g2 = k2 f1 + s1;
//           y = c (v0 f0 + v1 g1 + v2 g2); state s0 = f0, s1 = g1 (Gray and Markel:
//           k2 = a2, k1 = a1 / (1 + a2), v2 = b2, v1 = b1 - v2 a1, v0 = b0 - v1 k1 - v2 a2)
//   optimal y = c (d g x + C s); s = A s + g B x with the state space (A, B, C, d) that is
//           balanced (equal controllability and observability Gramians) and then rotated
//           by 45 degrees, so that both states have the same L2 norm: the section's least
//           round-off noise under L2 scaling
//
// g scales every node of the section with its input and c the output alone, so that the
// scalings reach every stored node (for df1, df2t and ef both go into the numerator).
#include "cascade/secondorder.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace zorkan {

enum class Structure { Df1, Df2, Df2t, ErrorFeedback, Normal, Lattice, Optimal };

struct StructureRow {
    Structure structure;
    const char* name;    // command line and JSON
    const char* label;   // Russian, for the windows
    const char* purpose; // when to choose it
};
std::span<const StructureRow> structureTable();
const StructureRow& structureRow(Structure structure);
std::string structureName(Structure structure);
// Any other name is a UserMessage.
Structure parseStructure(const std::string& text);

struct ProgramTerm {
    int slot = 0;
    double coef = 0;        // as designed
    double value = 0;       // as the arithmetic holds it (the quantised coefficient)
    std::int64_t fixed = 0; // fixed point: value * 2^fraction of its node
    float single = 0;       // float targets
};

struct ProgramNode {
    std::vector<ProgramTerm> terms;
    // Fixed point: the sum of products is in units of 2^-(W - 1 + fraction); it is shifted
    // right by `fraction` when rounded to the data word.
    int fraction = 0;
    // Error feedback: the integers r1, r2 of -r1 e[n-1] - r2 e[n-2].
    bool errorFeedback = false;
    int feedback[2] = {0, 0};
};

struct SectionProgram {
    Structure structure = Structure::Df1;
    // What it was built from: the section and its input and output scales.
    SecondOrderSection source;
    double inputScale = 1, outputScale = 1;
    int states = 0;
    std::vector<ProgramNode> nodes;
    int output = 0;        // the node that is the section's output
    std::vector<int> next; // per state register: the slot it takes
    // The section's denominator 1 + a1 z^-1 + a2 z^-2 as the coefficients realise it.
    double den[3] = {1, 0, 0};
    int residues() const; // stored residues of error feedback (two per fed-back node)
    int slotCount() const { return 1 + states + static_cast<int>(nodes.size()); }
};

// The program of one section with the input scale g and the output scale c. A lattice
// or a state space of an unstable section (|k| >= 1, poles on or outside the circle) is
// a UserMessage naming the section (from 1).
SectionProgram buildProgram(Structure structure, const SecondOrderSection& section, double g,
                            double c, std::size_t index);

// Whether the output node feeds no other node and no state: then the output can be
// scaled apart from the inner nodes.
bool outputSeparable(const SectionProgram& program);

// The denominator the program's coefficients realise (their `value`s).
void realisedDenominator(SectionProgram& program);

// The lattice coefficients of a section: k1, k2, v0, v1, v2.
struct LatticeCoefficients {
    double k1 = 0, k2 = 0, v0 = 0, v1 = 0, v2 = 0;
};
LatticeCoefficients latticeOf(const SecondOrderSection& section);

// A two-state (or one-state) state space of a section: s' = A s + B x, y = C s + D x.
struct StateSpace {
    int states = 2;
    double a[2][2] = {{0, 0}, {0, 0}};
    double b[2] = {0, 0};
    double c[2] = {0, 0};
    double d = 0;
};
StateSpace normalForm(const SecondOrderSection& section, std::size_t index);
StateSpace optimalForm(const SecondOrderSection& section, std::size_t index);

// Per output sample: multiplications by a coefficient that is not 0, +-1 or a power of
// two; additions (of two terms, the residues' included); stored data words (with the
// residues); coefficient words (every coefficient that is not 0 or +-1).
struct StructureCost {
    int multiplications = 0;
    int additions = 0;
    int stateWords = 0;
    int coefWords = 0;
};
StructureCost programCost(const SectionProgram& program);

// Impulse responses through programs, without rounding (long double, the `value`s): at
// every node of every section, from the cascade's input; or, with `injectSection` and
// `injectNode`, from a unit added to that node at sample 0 (the input silent), at the
// cascade's output. The numerator n0 + n1 z^-1 + n2 z^-2 over the section's realised
// denominator that gives the same response within the section.
void nodeNumerator(const SectionProgram& program, int node, double num[3]);
void injectionNumerator(const SectionProgram& program, int node, double num[3]);

// The section's transfer function as its program realises it.
SecondOrderSection programSection(const SectionProgram& program);

} // namespace zorkan

namespace zorkan {

// The programs of a cascade run sample by sample without rounding, in double with the
// coefficients the arithmetic holds: every node's value at every sample.
// The L1 gain from the cascade's input to every node (per section, per node), summed over
// `samples` samples of the impulse response.
std::vector<std::vector<long double>> nodeL1Gains(const std::vector<SectionProgram>& programs,
                                                  long samples);

class ExactPrograms {
  public:
    explicit ExactPrograms(const std::vector<SectionProgram>& programs);
    // One sample through every section; returns the cascade's output.
    double step(double x);
    // One sample through section k alone.
    double stepSection(std::size_t k, double x);
    // What runSection adds up for every node of a section: |v| or v^2, in long double.
    enum class NodeSum { Magnitude, Square };
    // `in` through section k alone, sample after sample as stepSection takes them: the section's
    // output to `out` (which may be `in`, or empty), and every node's value, as NodeSum says,
    // added to sums[node] in the order of the samples.
    void runSection(std::size_t k, std::span<const double> in, std::span<double> out, NodeSum sum,
                    std::span<long double> sums);
    // The stored values of every section, section after section, as each program keeps them.
    std::span<double> state() { return state_; }
    // Node j of section k at the last step.
    double node(std::size_t k, int j) const {
        return values_[sections_[k].firstSlot +
                       static_cast<std::size_t>(1 + sections_[k].states + j)];
    }

  private:
    struct Term {
        std::size_t slot; // within the section's slots
        double value;
    };
    struct Section {
        std::size_t firstSlot, firstState, firstNode, nodes;
        int states, output;
        std::vector<std::size_t> next;
    };
    void runGeneric(std::size_t k, std::span<const double> in, std::span<double> out, NodeSum sum,
                    std::span<long double> sums);
    std::vector<Term> terms_;
    std::vector<std::size_t> nodeTerms_; // per node: its first term; one more at the end
    std::vector<Section> sections_;
    std::vector<double> values_, state_;
};

} // namespace zorkan
