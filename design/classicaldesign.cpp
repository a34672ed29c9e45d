#include "design/classicaldesign.h"

#include "common/displaynumbers.h"
#include "common/errors.h"
#include "common/replacefile.h"
#include "design/classicalprototypes.h"
#include "design/designwriting.h"
#include "design/sections.h"

#include <cmath>

namespace zorkan {

namespace {

using namespace designwriting;

const char* kindName(BandKind kind) {
    switch (kind) {
    case BandKind::lowPass:
        return "ФНЧ";
    case BandKind::highPass:
        return "ФВЧ";
    case BandKind::bandPass:
        return "ПФ";
    default:
        return "РФ";
    }
}

bool usesRipple(int approximation) {
    return approximation == chebyshev || approximation == elliptic;
}
bool usesAttenuation(int approximation) {
    return approximation == chebyshev2 || approximation == elliptic;
}
bool twoEdges(BandKind kind) {
    return kind == BandKind::bandPass || kind == BandKind::bandStop;
}

// The smallest Bessel order whose attenuation, DA at the pass-band edge, reaches B1 at
// the prototype stop-band edge ws; 0 when no order up to the limit does.
int besselOrder(double ws, double da, double b1) {
    for (int n = 1; n <= maxPrototypeOrder; ++n)
        if (besselAttenuation(n, besselFrequency(n, da) * ws) >= b1)
            return n;
    return 0;
}

void fillPrototype(PrototypeFilter& p, const ClassicalDesignRequest& cr) {
    const DesignRequest& rq = cr.request;
    const int a = rq.approximation;
    if (cr.byOrder) {
        switch (a) {
        case butterworth:
            butterworthPrototype(p);
            break;
        case chebyshev:
            chebyshevPrototype(p, rq.da);
            break;
        case chebyshev2:
            chebyshev2Prototype(p, rq.b1, 1.0);
            break;
        case bessel:
            besselPrototype(p, 10 * std::log10(2.0));
            break;
        default:
            ellipticPrototype(p, rq.da, rq.b1);
            break;
        }
        return;
    }
    // By tolerance: the pass-band edge at 1, the stop-band edge at ws.
    switch (a) {
    case chebyshev2:
        chebyshev2Prototype(p, rq.b1, p.ws);
        break;
    case bessel:
        besselPrototype(p, rq.da);
        break;
    case elliptic:
        ellipticPrototype(p, rq.da, rq.b1);
        break;
    default: {
        const int kept = p.approximation;
        p.approximation = a;
        computePoles(p, rq.da);
        p.approximation = kept;
        break;
    }
    }
}

void writeRequest(Report& report, const ClassicalDesignRequest& cr) {
    const DesignRequest& rq = cr.request;
    report.line(" Требования: ");
    report.line(" частота дискретизации = ", rq.fd);
    report.line(" неравномерность в dB  = ", rq.da);
    report.line(" гарантированное затухание в dB = ", rq.b1);
    TextWriter& out = report.raw();
    if (cr.byOrder) {
        report.line(" заданный порядок ФНЧ -ПРОТОТИПА " + std::to_string(cr.order));
        report.line(std::string(" граничные частоты ") + kindName(cr.band) + " = ");
        out.write(" ");
        out.writeReal(cr.edge1);
        if (twoEdges(cr.band)) {
            out.write(" ");
            out.writeReal(cr.edge2);
        }
        out.endLine();
        return;
    }
    report.line(" значения частот F1,F2,F3,F4 = ");
    for (double v : {rq.f3, rq.f2, rq.f1, rq.f4}) {
        out.write(" ");
        out.writeReal(v);
    }
    out.endLine();
}

// The frequency the magnitude table is normalised at.
double referenceFrequency(const ClassicalDesignRequest& cr) {
    const DesignRequest& rq = cr.request;
    switch (requestKind(cr)) {
    case BandKind::highPass:
        return static_cast<double>(rq.fd / 2.0L);
    case BandKind::bandPass:
        return cr.byOrder ? static_cast<double>((static_cast<long double>(cr.edge1) + cr.edge2) / 2)
                          : static_cast<double>((static_cast<long double>(rq.f1) + rq.f2) / 2);
    default:
        return 0;
    }
}

std::string edgeText(double value, char separator) {
    return formatGeneral(value, separator);
}

} // namespace

std::optional<BandKind> toleranceLayout(double f1, double f2, double f3, double f4) {
    if (f1 < f4 && f2 < f1 && f3 < f2)
        return BandKind::bandPass;
    if (f1 < f4 && f3 == 0 && f2 == 0)
        return BandKind::lowPass;
    if (f3 < f2 && f1 == 0 && f4 == 0)
        return BandKind::highPass;
    if (0 < f1 && f1 < f3 && f3 < f4 && f4 < f2)
        return BandKind::bandStop;
    return std::nullopt;
}

const char* layoutText(BandKind kind) {
    switch (kind) {
    case BandKind::lowPass:
        return "ФНЧ - F3=0 F2=0 F1<F4";
    case BandKind::highPass:
        return "ФВЧ - F3<F2 F1=0 F4=0";
    case BandKind::bandPass:
        return "ПФ - F3<F2<F1<F4";
    default:
        return "РФ - F1<F3<F4<F2";
    }
}

BandKind requestKind(const ClassicalDesignRequest& cr) {
    if (cr.byOrder)
        return cr.band;
    const DesignRequest& rq = cr.request;
    return toleranceLayout(rq.f1, rq.f2, rq.f3, rq.f4).value_or(BandKind::lowPass);
}

bool designRunTakes(const ClassicalDesignRequest& cr) {
    const DesignRequest& rq = cr.request;
    if (cr.byOrder || rq.approximation < butterworth || rq.approximation > elliptic)
        return false;
    const auto kind = toleranceLayout(rq.f1, rq.f2, rq.f3, rq.f4);
    return kind && *kind != BandKind::bandStop;
}

void checkClassicalRequest(const ClassicalDesignRequest& cr, std::optional<BandKind> expected) {
    const DesignRequest& rq = cr.request;
    const int a = rq.approximation;
    if (a < butterworth || a > bessel)
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
        if (*kind == BandKind::bandStop && !(rq.f2 < nyquist))
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
    if (a == elliptic && !(rq.b1 > rq.da))
        throw UserMessage("Затухание B1 должно быть больше неравномерности DA");
}

DesignBands classicalBands(const ClassicalDesignRequest& cr) {
    const BandKind kind = requestKind(cr);
    return designBands(kind == BandKind::lowPass    ? lowPass
                       : kind == BandKind::highPass ? highPass
                                                    : bandPass,
                       cr.request);
}

DesignOutcome designClassicalFilter(const ClassicalDesignRequest& cr, const std::string& reportPath,
                                    const std::string& filterPath, const AccountSink& account,
                                    DesignedCascade* designed) {
    checkClassicalRequest(cr);
    if (designRunTakes(cr))
        return designFilter(cr.request, reportPath, filterPath, account, designed);

    auto post = [&](const std::string& line) {
        if (account)
            account(line);
    };
    const DesignRequest& rq = cr.request;
    const int a = rq.approximation;
    const BandKind kind = requestKind(cr);

    FileReplacement reportFile(reportPath);
    FileReplacement filterFile(filterPath);
    Report report(reportFile.temporaryPath());
    TextWriter filter(filterFile.temporaryPath());

    writeRequest(report, cr);

    PrototypeFilter p;
    p.approximation = a;
    BandMapping mapping;
    if (cr.byOrder) {
        BandEdges e;
        switch (kind) {
        case BandKind::lowPass:
            e.f1 = e.f4 = cr.edge1;
            break;
        case BandKind::highPass:
            e.f2 = e.f3 = cr.edge1;
            break;
        case BandKind::bandPass:
            e.f2 = cr.edge1;
            e.f1 = cr.edge2;
            break;
        case BandKind::bandStop:
            e.f1 = e.f3 = cr.edge1;
            e.f2 = e.f4 = cr.edge2;
            break;
        }
        mapping = kind == BandKind::bandStop ? mapBandStop(e, rq.fd) : mapBand(e, rq.fd);
    } else {
        const BandEdges e{rq.f1, rq.f2, rq.f3, rq.f4};
        mapping = kind == BandKind::bandStop ? mapBandStop(e, rq.fd) : mapBand(e, rq.fd);
    }
    p.kind = mapping.kind;
    p.kw = mapping.kw;
    p.alpha = mapping.alpha;
    p.ws = mapping.ws;
    p.bandStop = kind == BandKind::bandStop;

    post(accountName(a));
    report.line(reportName(a));

    auto tooLarge = [&] {
        post("Большой порядок фильтра - ВЫХОД");
        report.line("Большой порядок фильтра - ВЫХОД");
        report.close();
        filter.close();
        reportFile.commit();
        return DesignOutcome::OrderTooLarge;
    };

    p.eps2 = epsilonSquared(rq.da);
    if (cr.byOrder) {
        p.n = static_cast<std::uint16_t>(cr.order);
    } else if (a == elliptic) {
        // Beyond the design run, the exact degree equation: the smallest n with
        // n >= K(k) K'(k1) / (K'(k) K(k1)), k = 1 / ws.
        const long double k = 1.0L / p.ws;
        const long double k1 = std::sqrt(p.eps2 / (std::pow(10.0L, rq.b1 / 10.0L) - 1));
        const long double kp = std::sqrt((1 - k) * (1 + k));
        const long double k1p = std::sqrt((1 - k1) * (1 + k1));
        p.estimate =
            static_cast<double>(ellipticK(k) * ellipticK(k1p) / (ellipticK(kp) * ellipticK(k1)));
        p.n = prototypeOrder(p.estimate);
    } else if (a == bessel) {
        const int n = besselOrder(p.ws, rq.da, rq.b1);
        if (n == 0)
            return tooLarge();
        p.n = static_cast<std::uint16_t>(n);
    } else {
        p.estimate = orderEstimate(a == chebyshev2 ? chebyshev : a, p.ws, p.eps2, rq.b1);
        p.n = prototypeOrder(p.estimate);
    }

    post("Порядок фильтра" + std::to_string(p.n));
    report.line("          Результаты расчета ");
    report.line(" порядок ФНЧ -ПРОТОТИПА " + std::to_string(p.n));

    p.sections = sectionCount(p.n);
    if (p.sections > maxSections)
        return tooLarge();

    writeFilterOrderLine(filter, p.n);

    if (a == elliptic || a == chebyshev2) {
        report.line(" значения нулей  ");
        if (p.n % 2 != 0) {
            post("Частота нулевого всплеска = бесконечности");
            report.line(" частота нулевого всплеска = бесконечности");
        }
    }
    fillPrototype(p, cr);

    writePoles(report, p);

    const std::vector<FilterSection> sections = makeSections(p);
    writeCoefficientsAndPhase(report, filter, p.kind, sections, rq, reportPath, post);
    const int terms = p.kind == bandPass ? 5 : 3;

    post(" - АЧХ фильтра");
    const real m0 =
        cascadeResponse(sections, terms, tableAngle(rq, referenceFrequency(cr))).magnitude;
    tableHeading(report, "Амплитудно-частотная характеристика", rq);
    for (int i = 0; i <= rq.np; ++i) {
        const double f = tableFrequency(rq, i);
        const Response r = cascadeResponse(sections, terms, tableAngle(rq, f));
        tableRow(report, i, f, fp::toDouble(fp::div(r.magnitude, m0)));
    }
    report.close();
    filterFile.commit();
    reportFile.commit();

    post("Параметры фильтра в файле " + filterPath);
    post("Анализ частотных характеристик фильтра");
    if (designed) {
        designed->kind = p.kind;
        designed->sections = sections;
    }
    return DesignOutcome::Completed;
}

std::vector<std::string> designFollowUp(const DesignedCascade& designed,
                                        const ClassicalDesignRequest& cr, char separator) {
    const DesignRequest& rq = cr.request;
    if (!cr.byOrder)
        return designWarnings(measureBands(designed, classicalBands(cr), rq.fd), rq, separator);

    const double nyquist = rq.fd / 2;
    DesignBands pass;
    switch (cr.band) {
    case BandKind::lowPass:
        addBand(pass.pass, 0, cr.edge1, nyquist);
        break;
    case BandKind::highPass:
        addBand(pass.pass, cr.edge1, nyquist, nyquist);
        break;
    case BandKind::bandPass:
        addBand(pass.pass, cr.edge1, cr.edge2, nyquist);
        break;
    case BandKind::bandStop:
        addBand(pass.pass, 0, cr.edge1, nyquist);
        addBand(pass.pass, cr.edge2, nyquist, nyquist);
        break;
    }
    std::vector<std::string> lines;
    std::vector<double> edges{cr.edge1};
    if (twoEdges(cr.band))
        edges.push_back(cr.edge2);
    for (double edge : edges) {
        DesignBands at = pass;
        addBand(at.stop, edge, edge, nyquist);
        const DesignMeasurement m = measureBands(designed, at, rq.fd);
        lines.push_back("Затухание на граничной частоте " + edgeText(edge, separator) + " = " +
                        formatDecibels(m.attenuation, separator) + " dB");
    }
    if (usesRipple(rq.approximation)) {
        const DesignMeasurement m = measureBands(designed, pass, rq.fd);
        lines.push_back("Неравномерность в полосе пропускания " +
                        formatDecibels(m.ripple, separator) + " dB");
    }
    return lines;
}

} // namespace zorkan
