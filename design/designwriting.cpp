#include "design/designwriting.h"

#include "design/classicalprototypes.h"

#include <cmath>

namespace zorkan::designwriting {

namespace {
const real pi = 3.141592653589793238462643383279502884L;
} // namespace

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

void writePoles(Report& report, const PrototypeFilter& p) {
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
}

void writeCoefficientsAndPhase(Report& report, TextWriter& filter, FilterKind kind,
                               const std::vector<FilterSection>& sections, const DesignRequest& rq,
                               const std::string& reportPath, const AccountSink& post) {
    post("Результаты расчета в файле" + reportPath);
    post(" - коэффициенты фильтра");
    report.line(" значения коэффициентов цифрового фильтра ");
    filter.writeInteger(kind);
    filter.write(" ");
    filter.endLine();
    writeCoefficientBlocks(report, filter, kind, sections);
    filter.close();

    const int terms = kind == bandPass ? 5 : 3;
    post(" - ФЧХ фильтра");
    tableHeading(report, "Фазо-частотная характеристика", rq);
    for (int i = 0; i <= rq.np; ++i) {
        const double f = tableFrequency(rq, i);
        const Response r = cascadeResponse(sections, terms, tableAngle(rq, f));
        tableRow(report, i, f, fp::toDouble(r.phase));
    }
}

const char* accountName(int approximation) {
    switch (approximation) {
    case butterworth:
        return "Аппроксимация Баттерворта";
    case chebyshev:
        return "Аппроксимация Чебышева";
    case chebyshev2:
        return "Аппроксимация инверсная Чебышева";
    case bessel:
        return "Аппроксимация Бесселя";
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
    case chebyshev2:
        return " аппроксимация инверсная Чебышева";
    case bessel:
        return " аппроксимация Бесселя";
    default:
        return " аппроксимация Элиптическая ";
    }
}

} // namespace zorkan::designwriting
