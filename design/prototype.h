#pragma once
// The analogue half of a design: band type, pre-warping for the bilinear mapping,
// the order of a normalised low-pass prototype, its poles and (elliptic) zeros.
#include "coefficients/filterfile.h"
#include "design/request.h"

#include <array>
#include <cstdint>

namespace zorkan {

constexpr int maxSections = 32;

struct BandEdges {
    double f1 = 0, f2 = 0, f3 = 0, f4 = 0;
};

// The steps of the prototype are exposed one by one: the design run writes its
// report between them, and a fault must leave the report at the step it reached.
struct BandMapping {
    BandKind band = BandKind::LowPass;
    double kw = 0;    // warping constant
    double alpha = 0; // band-pass centre constant
    double ws = 0;    // stop-band edge of the prototype (pass-band edge 1)
};

struct PrototypeFilter {
    Approximation approximation = Approximation::Butterworth;
    BandKind band = BandKind::LowPass; // band-stop: written as fourth-order sections, kind 2
    double kw = 0;
    double alpha = 0;
    double ws = 0;
    double eps2 = 0;
    double estimate = 0;
    std::uint16_t n = 0;                       // prototype order
    std::uint16_t sections = 0;                // N = ceilAway(n / 2)
    std::array<double, maxSections + 1> pRe{}; // indices 1..N
    std::array<double, maxSections + 1> pIm{};
    std::array<double, maxSections + 1> zero{}; // elliptic: zero pairs +-jZ, 1..zeroPairs
    std::uint16_t zeroPairs = 0;
};

BandMapping mapBand(const BandEdges& edges, double fd);
// A band-stop layout F1 < F3 < F4 < F2 (pass-band edges F1, F2; stop band F3..F4): kind
// bandPass with kw = cot(pi (F2 - F1) / FD), the centre constant of F1 and F2 and the
// prototype stop-band edge from F3 and F4.
BandMapping mapBandStop(const BandEdges& edges, double fd);
double epsilonSquared(double da); // 10^(DA/10) - 1
double orderEstimate(Approximation approximation, double ws, double eps2, double b1);
// n = ceilAway(estimate) held in 16 bits; a negative estimate wraps to a large order.
std::uint16_t prototypeOrder(double estimate);
// N = ceilAway(n / 2).
std::uint16_t sectionCount(std::uint16_t n);

// Computes poles (and zeros) into p; needs kind, kw, alpha, ws, eps2, n, sections
// already set and sections <= maxSections.
void computePoles(PrototypeFilter& p, double da);

// The whole prototype; returns false for the over-limit outcome (more than 32
// sections), in which case no pole is computed.
bool designPrototype(Approximation approximation, const BandEdges& edges, double da, double b1,
                     double fd, PrototypeFilter& out);

} // namespace zorkan
