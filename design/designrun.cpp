#include "design/designrun.h"

#include "coefficients/filterfile.h"
#include "common/cp1251.h"
#include "common/floatfaults.h"
#include "common/textnumbers.h"
#include "design/prototype.h"
#include "design/sections.h"

#include <cmath>
#include <string_view>
#include <vector>

namespace zorkan {

namespace {

using fp::real;
const real pi = 3.141592653589793238462643383279502884L;

// The report is CP1251 text; its fixed texts are written here in UTF-8.
class Report {
  public:
    explicit Report(const std::string& path) : out_(path) {}
    void line(std::string_view utf8) { out_.writeLine(toCp1251(utf8)); }
    void line(std::string_view utf8, double value) {
        out_.write(toCp1251(utf8));
        out_.writeReal(value);
        out_.endLine();
    }
    TextWriter& raw() { return out_; }
    void close() { out_.close(); }

  private:
    TextWriter out_;
};

struct Response {
    real phase = 0;
    real magnitude = 1;
};

// Phase and magnitude of the cascade at angle w = 2 pi f / fd.
Response cascadeResponse(const std::vector<FilterSection>& sections, int terms, real w) {
    // The harmonics are the same for every section.
    real cosine[5], sine[5];
    for (int m = 0; m < terms; ++m) {
        cosine[m] = std::cos(m * w);
        sine[m] = std::sin(m * w);
    }
    Response r;
    for (const auto& s : sections) {
        real nr = 0, ni = 0, dr = 0, di = 0;
        for (int m = 0; m < terms; ++m) {
            nr += s.a[m] * cosine[m];
            ni += s.a[m] * sine[m];
            dr += s.b[m] * cosine[m];
            di += s.b[m] * sine[m];
        }
        if (nr != 0 && dr != 0)
            r.phase += fp::atan(fp::div(di, dr)) - fp::atan(fp::div(ni, nr));
        else if (nr != 0)
            r.phase += pi / 2 - fp::atan(fp::div(ni, nr));
        else if (dr != 0)
            r.phase += fp::atan(fp::div(di, dr)) - pi / 2;
        r.magnitude =
            fp::checked(r.magnitude * fp::sqrt(fp::div(nr * nr + ni * ni, dr * dr + di * di)));
    }
    return r;
}

void tableHeading(Report& report, std::string_view title, const DesignRequest& rq) {
    report.line(title);
    TextWriter& out = report.raw();
    out.write(toCp1251("частота от"));
    out.writeReal(rq.ff1);
    out.write(toCp1251(" до "));
    out.writeReal(rq.ff2);
    out.endLine();
    out.write(toCp1251("количество отсчетов "));
    out.writeInteger(rq.np);
    out.endLine();
}

double tableFrequency(const DesignRequest& rq, int i) {
    return fp::toDouble(rq.ff1 + fp::div((static_cast<real>(rq.ff2) - rq.ff1) * i, rq.np));
}

real tableAngle(const DesignRequest& rq, double f) {
    return fp::div(2 * pi * f, rq.fd);
}

void tableRow(Report& report, int i, double f, double value) {
    TextWriter& out = report.raw();
    out.writeInteger(i);
    out.write("  ");
    out.writeReal(f);
    out.write("  ");
    out.writeReal(value);
    out.endLine();
}

const char* accountName(int approximation) {
    switch (approximation) {
    case butterworth:
        return "Аппроксимация Баттерворта";
    case chebyshev:
        return "Аппроксимация Чебышева";
    default:
        return "Аппроксимация Элиптическая";
    }
}

const char* reportName(int approximation) {
    switch (approximation) {
    case butterworth:
        return " аппроксимация Баттерворта ";
    case chebyshev:
        return " аппроксимация Чебышева";
    default:
        return " аппроксимация Элиптическая ";
    }
}

void writeCoefficientBlocks(Report& report, TextWriter& filter, FilterKind kind,
                            const std::vector<FilterSection>& sections) {
    const bool four = kind == bandPass;
    for (int block = 0; block < 2; ++block) {
        const bool numerator = block == 0;
        if (four)
            report.line(numerator ? "  числителя: A0, A1, A2, A3, A4"
                                  : "знаменателя: B0, B1, B2, B3,  B4");
        else
            report.line(numerator ? "  числителя: A0, A1, A2" : "знаменателя: B0, B1, B2");
        for (const auto& s : sections) {
            const double* v = numerator ? s.a : s.b;
            if (four) {
                for (int half = 0; half < 2; ++half) {
                    std::string text =
                        half == 0 ? coefficientLine(v, 3, false) : coefficientLine(v + 3, 2, false);
                    report.raw().writeLine(text);
                    filter.writeLine(text);
                }
            } else {
                report.raw().writeLine(coefficientLine(v, 3, false));
                filter.writeLine(coefficientLine(v, 3, true));
            }
        }
    }
}

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

    report.line(" значения полюсов  ");
    for (int k = 1; k <= p.sections; ++k) {
        TextWriter& out = report.raw();
        out.writeReal(p.pRe[k]);
        if (p.pIm[k] != 0) {
            out.write(" ");
            out.writeReal(p.pIm[k]);
            out.write(" ");
            out.writeReal(p.pRe[k]);
            out.writeReal(-p.pIm[k]);
        }
        out.endLine();
    }

    const std::vector<FilterSection> sections = makeSections(p);

    post("Результаты расчета в файле" + reportPath);
    post(" - коэффициенты фильтра");
    report.line(" значения коэффициентов цифрового фильтра ");
    filter.writeInteger(p.kind);
    filter.write(" ");
    filter.endLine();
    writeCoefficientBlocks(report, filter, p.kind, sections);
    filter.close();

    const int terms = p.kind == bandPass ? 5 : 3;

    post(" - ФЧХ фильтра");
    tableHeading(report, "Фазо-частотная характеристика", rq);
    for (int i = 0; i <= rq.np; ++i) {
        const double f = tableFrequency(rq, i);
        const Response r = cascadeResponse(sections, terms, tableAngle(rq, f));
        tableRow(report, i, f, fp::toDouble(r.phase));
    }

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
