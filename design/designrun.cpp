#include "design/designrun.h"

#include "coefficients/filterfile.h"
#include "common/cp1251.h"
#include "common/floatfaults.h"
#include "common/textnumbers.h"
#include "design/designwriting.h"
#include "design/prototype.h"
#include "design/sections.h"

#include <cmath>
#include <string_view>
#include <vector>

namespace zorkan {

namespace {
using fp::real;
using namespace designwriting;
} // namespace

const char* const badBandLayoutMessage = "Параметры F1,F2,F3,F4 введены неправильно!";

bool bandLayoutIsValid(double f1, double f2, double f3, double f4) {
    if (f1 < f4 && f2 < f1 && f3 < f2)
        return true;
    if (f1 < f4 && f3 == 0 && f2 == 0)
        return true;
    return f3 < f2 && f1 == 0 && f4 == 0;
}

DesignOutcome designFilter(const DesignRequest& rq, const std::string& reportPath,
                           const std::string& filterPath, const AccountSink& account,
                           DesignedCascade* designed) {
    auto post = [&](const std::string& line) {
        if (account)
            account(line);
    };

    Report report(reportPath);
    TextWriter filter(filterPath);

    report.line(" Требования: ");
    report.line(" частота дискретизации = ", rq.fd);
    report.line(" неравномерность в dB  = ", rq.da);
    report.line(" гарантированное затухание в dB = ", rq.b1);
    report.line(" значения частот F1,F2,F3,F4 = ");
    {
        TextWriter& out = report.raw();
        for (double v : {rq.f3, rq.f2, rq.f1, rq.f4}) {
            out.write(" ");
            out.writeReal(v);
        }
        out.endLine();
    }

    PrototypeFilter p;
    p.approximation = rq.approximation;
    const BandMapping mapping = mapBand(BandEdges{rq.f1, rq.f2, rq.f3, rq.f4}, rq.fd);
    p.kind = mapping.kind;
    p.kw = mapping.kw;
    p.alpha = mapping.alpha;
    p.ws = mapping.ws;

    post(accountName(rq.approximation));
    report.line(reportName(rq.approximation));

    p.eps2 = epsilonSquared(rq.da);
    p.estimate = orderEstimate(rq.approximation, p.ws, p.eps2, rq.b1);
    p.n = prototypeOrder(p.estimate);

    post("Порядок фильтра" + std::to_string(p.n));
    report.line("          Результаты расчета ");
    report.line(" порядок ФНЧ -ПРОТОТИПА " + std::to_string(p.n));

    p.sections = sectionCount(p.n);
    if (p.sections > maxSections) {
        post("Большой порядок фильтра - ВЫХОД");
        report.line("Большой порядок фильтра - ВЫХОД");
        report.close();
        filter.close();
        return DesignOutcome::OrderTooLarge;
    }

    writeFilterOrderLine(filter, p.n);

    if (rq.approximation == elliptic) {
        report.line(" значения нулей  ");
        if (p.n % 2 != 0) {
            post("Частота нулевого всплеска = бесконечности");
            report.line(" частота нулевого всплеска = бесконечности");
        }
    }
    computePoles(p, rq.da);

    writePoles(report, p);

    const std::vector<FilterSection> sections = makeSections(p);
    writeCoefficientsAndPhase(report, filter, p.kind, sections, rq, reportPath, post);
    const int terms = p.kind == bandPass ? 5 : 3;

    post(" - АЧХ фильтра");
    double f0 = 0;
    if (p.kind == highPass)
        f0 = fp::toDouble(rq.fd / 2.0L);
    else if (p.kind == bandPass)
        f0 = fp::toDouble((static_cast<real>(rq.f1) + rq.f2) / 2);
    const real m0 = cascadeResponse(sections, terms, tableAngle(rq, f0)).magnitude;
    tableHeading(report, "Амплитудно-частотная характеристика", rq);
    for (int i = 0; i <= rq.np; ++i) {
        const double f = tableFrequency(rq, i);
        const Response r = cascadeResponse(sections, terms, tableAngle(rq, f));
        tableRow(report, i, f, fp::toDouble(fp::div(r.magnitude, m0)));
    }
    report.close();

    post("Параметры фильтра в файле " + filterPath);
    post("Анализ частотных характеристик фильтра");
    if (designed) {
        designed->kind = p.kind;
        designed->sections = sections;
    }
    return DesignOutcome::Completed;
}

} // namespace zorkan
