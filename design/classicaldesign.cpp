#include "design/classicaldesign.h"

#include "cascade/roots.h"
#include "common/displaynumbers.h"
#include "common/errors.h"
#include "design/classicalprototypes.h"
#include "design/designwriting.h"
#include "design/sections.h"

#include <cmath>
#include <numbers>

namespace zorkan {

namespace {

using namespace designwriting;

const char* kindName(BandKind kind) {
    switch (kind) {
    case BandKind::LowPass:
        return "ФНЧ";
    case BandKind::HighPass:
        return "ФВЧ";
    case BandKind::BandPass:
        return "ПФ";
    default:
        return "РФ";
    }
}

bool usesRipple(Approximation a) {
    return a == Approximation::Chebyshev || a == Approximation::Elliptic;
}
bool usesAttenuation(Approximation a) {
    return a == Approximation::InverseChebyshev || a == Approximation::Elliptic;
}
bool twoEdges(BandKind kind) {
    return kind == BandKind::BandPass || kind == BandKind::BandStop;
}

// The smallest Bessel order whose attenuation, DA at the pass-band edge, reaches B1 at
// the prototype stop-band edge ws; 0 when no order up to the limit does.
int besselOrder(double ws, double da, double b1) {
    for (int n = 1; n <= maxPrototypeOrder; ++n)
        if (besselAttenuation(n, besselFrequency(n, da) * ws) >= b1)
            return n;
    return 0;
}

// The prototype's poles and zeros. By order the edge is each approximation's own; by
// tolerance the pass-band edge is at 1 and the stop-band edge at ws.
void fillPrototype(PrototypeFilter& p, const ClassicalDesignRequest& cr) {
    const DesignRequest& rq = cr.request;
    switch (approximationOf(rq.approximation)) {
    case Approximation::Butterworth:
    case Approximation::Chebyshev:
        if (!cr.byOrder) {
            computePoles(p, rq.da);
            break;
        }
        if (approximationOf(rq.approximation) == Approximation::Butterworth)
            butterworthPrototype(p);
        else
            chebyshevPrototype(p, rq.da);
        break;
    case Approximation::InverseChebyshev:
        chebyshev2Prototype(p, rq.b1, cr.byOrder ? 1.0 : p.ws);
        break;
    case Approximation::Bessel:
        besselPrototype(p, cr.byOrder ? 10 * std::log10(2.0) : rq.da);
        break;
    default:
        ellipticPrototype(p, rq.da, rq.b1);
        break;
    }
}

void writeRequest(RunWriter& run, const ClassicalDesignRequest& cr) {
    run.requirements(cr.request, !cr.byOrder);
    if (!cr.byOrder)
        return;
    Report& report = run.report();
    report.line(" заданный порядок ФНЧ -ПРОТОТИПА " + std::to_string(cr.order));
    report.line(std::string(" граничные частоты ") + kindName(cr.band) + " = ");
    TextWriter& out = report.raw();
    out.write(" ");
    out.writeReal(cr.edge1);
    if (twoEdges(cr.band)) {
        out.write(" ");
        out.writeReal(cr.edge2);
    }
    out.endLine();
}

// The edges the band is mapped from: a tolerance request's own, or those an order
// design's edges stand for.
BandEdges mappedEdges(const ClassicalDesignRequest& cr, BandKind kind) {
    const DesignRequest& rq = cr.request;
    if (!cr.byOrder)
        return {rq.f1, rq.f2, rq.f3, rq.f4};
    BandEdges e;
    switch (kind) {
    case BandKind::LowPass:
        e.f1 = e.f4 = cr.edge1;
        break;
    case BandKind::HighPass:
        e.f2 = e.f3 = cr.edge1;
        break;
    case BandKind::BandPass:
        e.f2 = cr.edge1;
        e.f1 = cr.edge2;
        break;
    case BandKind::BandStop:
        e.f1 = e.f3 = cr.edge1;
        e.f2 = e.f4 = cr.edge2;
        break;
    }
    return e;
}

// A band-stop request's pass-band edges moved, within their tolerance, to where the
// order is smallest. The prototype's stop-band edge is the nearer of the stop edges'
// images, which are equal when the band's centre is their geometric mean on the warped
// axis (t = tan(pi f / FD)): t1 t2 = t3 t4. The edge that lies too far out moves in to
// make it so: t1 up to t3 t4 / t2, or t2 down to t3 t4 / t1; the pass bands only widen.
BandEdges favourableBandStopEdges(BandEdges e, double fd) {
    const long double scale = std::numbers::pi_v<long double> / fd;
    const auto warp = [scale](double f) { return std::tan(scale * f); };
    const auto unwarp = [scale](long double t) {
        return static_cast<double>(std::atan(t) / scale);
    };
    const long double t1 = warp(e.f1), t2 = warp(e.f2), t3 = warp(e.f3), t4 = warp(e.f4);
    const long double centre = t3 * t4;
    if (t1 * t2 < centre)
        e.f1 = std::min(unwarp(centre / t2), e.f3);
    else
        e.f2 = std::max(unwarp(centre / t1), e.f4);
    return e;
}

// The prototype's order, 0 when no Bessel order reaches the request. Beyond the design
// run the elliptic order comes from the exact degree equation: the smallest n with
// n >= K(k) K'(k1) / (K'(k) K(k1)), k = 1 / ws.
std::uint16_t prototypeOrderOf(PrototypeFilter& p, const ClassicalDesignRequest& cr) {
    const DesignRequest& rq = cr.request;
    const Approximation a = approximationOf(rq.approximation);
    if (cr.byOrder)
        return static_cast<std::uint16_t>(cr.order);
    if (a == Approximation::Elliptic) {
        const long double k = 1.0L / p.ws;
        const long double k1 = std::sqrt(p.eps2 / (std::pow(10.0L, rq.b1 / 10.0L) - 1));
        const long double kp = std::sqrt((1 - k) * (1 + k));
        const long double k1p = std::sqrt((1 - k1) * (1 + k1));
        p.estimate =
            static_cast<double>(ellipticK(k) * ellipticK(k1p) / (ellipticK(kp) * ellipticK(k1)));
        return prototypeOrder(p.estimate);
    }
    if (a == Approximation::Bessel)
        return static_cast<std::uint16_t>(besselOrder(p.ws, rq.da, rq.b1));
    p.estimate = orderEstimate(a == Approximation::InverseChebyshev ? Approximation::Chebyshev : a,
                               p.ws, p.eps2, rq.b1);
    return prototypeOrder(p.estimate);
}

// The pass bands of an order design: below, above, between or beside its edges.
DesignBands orderPassBands(const ClassicalDesignRequest& cr) {
    const double nyquist = cr.request.fd / 2;
    DesignBands pass;
    switch (cr.band) {
    case BandKind::LowPass:
        addBand(pass.pass, 0, cr.edge1, nyquist);
        break;
    case BandKind::HighPass:
        addBand(pass.pass, cr.edge1, nyquist, nyquist);
        break;
    case BandKind::BandPass:
        addBand(pass.pass, cr.edge1, cr.edge2, nyquist);
        break;
    case BandKind::BandStop:
        addBand(pass.pass, 0, cr.edge1, nyquist);
        addBand(pass.pass, cr.edge2, nyquist, nyquist);
        break;
    }
    return pass;
}

std::vector<double> orderEdges(const ClassicalDesignRequest& cr) {
    std::vector<double> edges{cr.edge1};
    if (twoEdges(cr.band))
        edges.push_back(cr.edge2);
    return edges;
}

// The attenuation at an edge of an order design, from the peak of its pass bands.
double edgeAttenuation(const DesignedCascade& designed, const ClassicalDesignRequest& cr,
                       double edge) {
    DesignBands at = orderPassBands(cr);
    addBand(at.stop, edge, edge, cr.request.fd / 2);
    return measureBands(designed, at, cr.request.fd).attenuation;
}

// The attenuation each approximation fixes at the edge of an order design: 10 log10 2
// (-3 dB) for Butterworth and Bessel, DA at the end of the ripple of Chebyshev and
// elliptic designs, B1 at the beginning of the stop band of inverse Chebyshev ones.
double edgePromise(Approximation a, const DesignRequest& rq) {
    switch (a) {
    case Approximation::Chebyshev:
    case Approximation::Elliptic:
        return rq.da;
    case Approximation::InverseChebyshev:
        return rq.b1;
    default:
        return 10 * std::log10(2.0);
    }
}

// A designed figure may differ from its promise by this much before the design is
// refused as beyond double precision.
constexpr double edgeFigureTolerance = 0.01; // dB

// The stop band of an elliptic order design: where the prototype frequency of the
// design's band mapping reaches the stop-band edge ws = 1 / k. With t = tan(w / 2) the
// mappings Omega = kw tan(w / 2) (low-pass), kw cot(w / 2) (high-pass), kw (alpha - cos w) /
// sin w (band-pass) and its inverse (band-stop) are solved for w in closed form.
DesignBands ellipticStopBands(const PrototypeFilter& p, long double ws, double fd) {
    const long double nyquist = fd / 2.0L;
    const auto frequency = [fd](long double t) {
        return static_cast<double>(fd * std::atan(t) / std::numbers::pi_v<long double>);
    };
    const long double kw = p.kw, alpha = p.alpha;
    const long double root = std::sqrt(ws * ws + kw * kw * (1 - alpha) * (1 + alpha));
    DesignBands b;
    switch (p.band) {
    case BandKind::LowPass:
        addBand(b.stop, frequency(ws / kw), static_cast<double>(nyquist),
                static_cast<double>(nyquist));
        break;
    case BandKind::HighPass:
        addBand(b.stop, 0, frequency(kw / ws), static_cast<double>(nyquist));
        break;
    case BandKind::BandPass:
        addBand(b.stop, 0, frequency((root - ws) / (kw * (1 + alpha))),
                static_cast<double>(nyquist));
        addBand(b.stop, frequency((root + ws) / (kw * (1 + alpha))), static_cast<double>(nyquist),
                static_cast<double>(nyquist));
        break;
    case BandKind::BandStop: {
        const long double rootStop = std::sqrt(1 + ws * ws * kw * kw * (1 - alpha) * (1 + alpha));
        addBand(b.stop, frequency((rootStop - 1) / (ws * kw * (1 + alpha))),
                frequency((rootStop + 1) / (ws * kw * (1 + alpha))), static_cast<double>(nyquist));
        break;
    }
    }
    return b;
}

// A lower order is taken only when it meets the request to within the measurement's own
// precision, not merely within the tolerance of the warnings.
constexpr double orderLoweringMargin = 1e-3; // dB

// Whether the prototype of order n, through the band mapping of p, meets the tolerance
// request as measured on its sections.
bool orderMeets(PrototypeFilter p, const ClassicalDesignRequest& cr, int n) {
    p.n = static_cast<std::uint16_t>(n);
    fillPrototype(p, cr);
    const DesignedCascade designed{fileKind(p.band), makeSections(p)};
    const DesignMeasurement m = measureBands(designed, classicalBands(cr), cr.request.fd);
    return m.rippleMeasured && m.attenuationMeasured &&
           m.ripple <= cr.request.da + orderLoweringMargin &&
           m.attenuation >= cr.request.b1 - orderLoweringMargin;
}

// The estimated order of a tolerance request, lowered while the measured response of
// the order below still meets the request.
std::uint16_t smallestMeetingOrder(const PrototypeFilter& p, const ClassicalDesignRequest& cr) {
    int n = p.n;
    if (n < 2 || sectionCount(p.n) > maxSections)
        return p.n;
    while (n > 1 && orderMeets(p, cr, n - 1))
        --n;
    return static_cast<std::uint16_t>(n);
}

std::string figureText(double value) {
    return std::isfinite(value) ? formatDecibels(value, '.') : std::string("бесконечность");
}

// Refuses a design that double precision could not carry out: a pole not strictly inside
// the unit circle (by the step-down test on the written coefficients), or, for an order
// design, an edge figure more than edgeFigureTolerance from what its approximation fixes.
void checkDesigned(const PrototypeFilter& p, const ClassicalDesignRequest& cr,
                   const DesignedCascade& designed) {
    const std::string beyond = " Такой фильтр не рассчитывается в двойной точности: уменьшите "
                               "порядок, DA или B1 или отодвиньте граничные частоты от 0, FD/2 "
                               "и друг от друга.";
    const int degree = sectionTerms(designed.kind) - 1;
    for (std::size_t i = 0; i < designed.sections.size(); ++i)
        if (!insideUnitCircle(designed.sections[i].b, degree))
            throw UserMessage("Расчет прерван: полюса звена " + std::to_string(i + 1) +
                              " не лежат строго внутри единичного круга." + beyond);
    if (!cr.byOrder)
        return;
    const Approximation a = approximationOf(cr.request.approximation);
    const double promise = edgePromise(a, cr.request);
    for (double edge : orderEdges(cr)) {
        const double attenuation = edgeAttenuation(designed, cr, edge);
        if (!(std::fabs(attenuation - promise) <= edgeFigureTolerance))
            throw UserMessage("Расчет прерван: затухание на граничной частоте " +
                              formatGeneral(edge, '.') + " = " + figureText(attenuation) +
                              " dB вместо " + formatDecibels(promise, '.') + " dB." + beyond);
    }
    if (a != Approximation::Elliptic)
        return;
    const long double k1 = std::sqrt((std::pow(10.0L, cr.request.da / 10.0L) - 1) /
                                     (std::pow(10.0L, cr.request.b1 / 10.0L) - 1));
    DesignBands bands = ellipticStopBands(p, 1 / ellipticModulus(p.n, k1), cr.request.fd);
    bands.pass = orderPassBands(cr).pass;
    const double stop = measureBands(designed, bands, cr.request.fd).attenuation;
    if (!(std::fabs(stop - cr.request.b1) <= edgeFigureTolerance))
        throw UserMessage("Расчет прерван: затухание в полосе задерживания " + figureText(stop) +
                          " dB вместо " + formatDecibels(cr.request.b1, '.') + " dB." + beyond);
}

} // namespace

BandKind requestKind(const ClassicalDesignRequest& cr) {
    return cr.byOrder ? cr.band : requestKind(cr.request);
}

bool designRunTakes(const ClassicalDesignRequest& cr) {
    const DesignRequest& rq = cr.request;
    const Approximation a = approximationOf(rq.approximation);
    return !cr.byOrder && !cr.exact && a >= Approximation::Butterworth &&
           a <= Approximation::Elliptic && bandLayoutIsValid(rq.f1, rq.f2, rq.f3, rq.f4);
}

void checkClassicalRequest(const ClassicalDesignRequest& cr, std::optional<BandKind> expected) {
    const DesignRequest& rq = cr.request;
    const Approximation a = approximationOf(rq.approximation);
    if (a < Approximation::Butterworth || a > Approximation::Bessel)
        throw UserMessage("Аппроксимация задается числом от 1 до 5");
    std::optional<BandKind> kind;
    if (!cr.byOrder) {
        kind = toleranceLayout(rq.f1, rq.f2, rq.f3, rq.f4);
        if (expected && kind != expected)
            throw UserMessage(std::string(badBandLayoutMessage) + " Ожидается " +
                              layoutText(*expected));
        if (!kind)
            throw UserMessage(badBandLayoutMessage);
        // The design run meets the rest of its requests as it always has.
        if (designRunTakes(cr))
            return;
    }
    if (!(rq.fd > 0) || !std::isfinite(rq.fd))
        throw UserMessage("Частота дискретизации должна быть больше нуля");
    if (rq.np < 1)
        throw UserMessage("Количество отсчетов АЧХ и ФЧХ должно быть от 1 до 65535");
    const double nyquist = rq.fd / 2;
    if (!cr.byOrder) {
        if (*kind == BandKind::BandStop && !(rq.f2 < nyquist))
            throw UserMessage("Для РФ частота F2 должна быть меньше FD/2");
        if (!(rq.da > 0) || !(rq.b1 > rq.da))
            throw UserMessage("Должно быть 0 < DA < B1");
        return;
    }
    if (cr.order < 1 || cr.order > maxPrototypeOrder)
        throw UserMessage("Порядок ФНЧ-прототипа должен быть от 1 до " +
                          std::to_string(maxPrototypeOrder));
    const bool two = twoEdges(cr.band);
    const bool ordered = two ? 0 < cr.edge1 && cr.edge1 < cr.edge2 && cr.edge2 < nyquist
                             : 0 < cr.edge1 && cr.edge1 < nyquist;
    if (!ordered)
        throw UserMessage(two ? "Граничные частоты должны удовлетворять 0<F1<F2<FD/2"
                              : "Граничная частота должна удовлетворять 0<F<FD/2");
    if (usesRipple(a) && !(rq.da > 0))
        throw UserMessage("Неравномерность DA должна быть больше нуля");
    if (usesAttenuation(a) && !(rq.b1 > 0))
        throw UserMessage("Затухание B1 должно быть больше нуля");
    if (a == Approximation::Elliptic && !(rq.b1 > rq.da))
        throw UserMessage("Затухание B1 должно быть больше неравномерности DA");
}

DesignRequest orderDesignRequest(const ClassicalDesignRequest& cr) {
    checkClassicalRequest(cr);
    const Approximation a = approximationOf(cr.request.approximation);
    switch (a) {
    case Approximation::Butterworth:
    case Approximation::Bessel:
        throw UserMessage("аппроксимация задает только уровень -3 dB на граничной частоте: нет "
                          "границы полосы задерживания и затухания B1 в ней");
    case Approximation::Chebyshev:
        throw UserMessage("аппроксимация задает только неравномерность DA до граничной частоты: "
                          "нет границы полосы задерживания и затухания B1 в ней");
    case Approximation::InverseChebyshev:
        throw UserMessage("аппроксимация задает только затухание B1 от граничной частоты: нет "
                          "границы полосы пропускания и неравномерности DA в ней");
    default:
        break;
    }
    const BandEdges edges = mappedEdges(cr, cr.band);
    const BandMapping mapping = cr.band == BandKind::BandStop ? mapBandStop(edges, cr.request.fd)
                                                              : mapBand(edges, cr.request.fd);
    PrototypeFilter p;
    p.band = mapping.band;
    p.kw = mapping.kw;
    p.alpha = mapping.alpha;
    const long double k1 = std::sqrt((std::pow(10.0L, cr.request.da / 10.0L) - 1) /
                                     (std::pow(10.0L, cr.request.b1 / 10.0L) - 1));
    const DesignBands stop = ellipticStopBands(p, 1 / ellipticModulus(cr.order, k1), cr.request.fd);
    DesignRequest r = cr.request;
    r.f1 = r.f2 = r.f3 = r.f4 = 0;
    const auto stopEdge = [&stop](std::size_t i, bool high) {
        if (i >= stop.stop.size())
            throw UserMessage("полоса задерживания не помещается между 0 и FD/2");
        return high ? stop.stop[i].high : stop.stop[i].low;
    };
    switch (cr.band) {
    case BandKind::LowPass:
        r.f1 = cr.edge1;
        r.f4 = stopEdge(0, false);
        break;
    case BandKind::HighPass:
        r.f2 = cr.edge1;
        r.f3 = stopEdge(0, true);
        break;
    case BandKind::BandPass:
        r.f2 = cr.edge1;
        r.f1 = cr.edge2;
        r.f3 = stopEdge(0, true);
        r.f4 = stopEdge(1, false);
        break;
    case BandKind::BandStop:
        r.f1 = cr.edge1;
        r.f2 = cr.edge2;
        r.f3 = stopEdge(0, false);
        r.f4 = stopEdge(0, true);
        break;
    }
    return r;
}

DesignBands classicalBands(const ClassicalDesignRequest& cr) {
    return designBands(fileKind(requestKind(cr)), cr.request);
}

DesignOutcome designClassicalFilter(const ClassicalDesignRequest& cr, const std::string& reportPath,
                                    const std::string& filterPath, const AccountSink& account,
                                    DesignedCascade* designed) {
    checkClassicalRequest(cr);
    if (designRunTakes(cr))
        return designFilter(cr.request, reportPath, filterPath, account, designed,
                            ReportNameJoin::Spaced);

    const DesignRequest& rq = cr.request;
    const Approximation a = approximationOf(rq.approximation);
    const BandKind kind = requestKind(cr);
    RunWriter run(reportPath, filterPath, account, true, ReportNameJoin::Spaced);
    writeRequest(run, cr);

    PrototypeFilter p;
    p.approximation = approximationOf(rq.approximation);
    const BandEdges edges = kind == BandKind::BandStop && !cr.byOrder
                                ? favourableBandStopEdges(mappedEdges(cr, kind), rq.fd)
                                : mappedEdges(cr, kind);
    const BandMapping mapping =
        kind == BandKind::BandStop ? mapBandStop(edges, rq.fd) : mapBand(edges, rq.fd);
    p.band = mapping.band;
    p.kw = mapping.kw;
    p.alpha = mapping.alpha;
    p.ws = mapping.ws;
    run.approximation(a);

    p.eps2 = epsilonSquared(rq.da);
    p.n = prototypeOrderOf(p, cr);
    if (p.n == 0 && a == Approximation::Bessel)
        return run.tooLarge();
    if (!cr.byOrder)
        p.n = smallestMeetingOrder(p, cr);
    if (!run.order(p, a == Approximation::Elliptic || a == Approximation::InverseChebyshev))
        return run.tooLarge();
    fillPrototype(p, cr);
    checkDesigned(p, cr, DesignedCascade{fileKind(p.band), makeSections(p)});
    run.zeros(p);
    return run.complete(p, rq, edges, designed);
}

std::vector<std::string> designFollowUp(const DesignedCascade& designed,
                                        const ClassicalDesignRequest& cr, char separator) {
    const DesignRequest& rq = cr.request;
    if (!cr.byOrder)
        return designWarnings(measureBands(designed, classicalBands(cr), rq.fd), rq, separator);

    std::vector<std::string> lines;
    for (double edge : orderEdges(cr))
        lines.push_back("Затухание на граничной частоте " + formatGeneral(edge, separator) + " = " +
                        formatDecibels(edgeAttenuation(designed, cr, edge), separator) + " dB");
    if (usesRipple(approximationOf(rq.approximation))) {
        const DesignMeasurement m = measureBands(designed, orderPassBands(cr), rq.fd);
        lines.push_back("Неравномерность в полосе пропускания " +
                        formatDecibels(m.ripple, separator) + " dB");
    }
    return lines;
}

} // namespace zorkan
