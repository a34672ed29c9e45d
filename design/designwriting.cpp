#include "design/designwriting.h"

#include "design/designrun.h"
#include "design/sections.h"

#include <cmath>

namespace zorkan::designwriting {

namespace {
const real pi = 3.141592653589793238462643383279502884L;

struct Response {
    real phase = 0;
    real magnitude = 1;
};

// Phase and magnitude of the cascade at angle w = 2 pi f / fd, in the report's arithmetic:
// the phase sums each section's arctangents, and a fault stops the run where it happens.
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

// The frequency the magnitude table is normalised at: FD/2 for a high-pass filter, the
// middle of the pass band F2..F1 of a band-pass one, else 0.
double referenceFrequency(const PrototypeFilter& p, const BandEdges& edges, double fd) {
    if (p.band == BandKind::HighPass)
        return fp::toDouble(fd / 2.0L);
    if (p.band == BandKind::BandPass)
        return fp::toDouble((static_cast<real>(edges.f1) + edges.f2) / 2);
    return 0;
}

std::optional<FileReplacement> replacement(bool replaceWhole, const std::string& path) {
    if (!replaceWhole)
        return std::nullopt;
    return std::optional<FileReplacement>(std::in_place, path);
}

const char* accountName(Approximation approximation) {
    switch (approximation) {
    case Approximation::Butterworth:
        return "Аппроксимация Баттерворта";
    case Approximation::Chebyshev:
        return "Аппроксимация Чебышева";
    case Approximation::InverseChebyshev:
        return "Аппроксимация инверсная Чебышева";
    case Approximation::Bessel:
        return "Аппроксимация Бесселя";
    default:
        return "Аппроксимация Элиптическая";
    }
}

const char* reportName(Approximation approximation) {
    switch (approximation) {
    case Approximation::Butterworth:
        return " аппроксимация Баттерворта ";
    case Approximation::Chebyshev:
        return " аппроксимация Чебышева";
    case Approximation::InverseChebyshev:
        return " аппроксимация инверсная Чебышева";
    case Approximation::Bessel:
        return " аппроксимация Бесселя";
    default:
        return " аппроксимация Элиптическая ";
    }
}

} // namespace

RunWriter::RunWriter(const std::string& reportPath, const std::string& filterPath,
                     const std::function<void(const std::string&)>& account, bool replaceWhole,
                     ReportNameJoin join)
    : reportPath_(reportPath), filterPath_(filterPath), account_(account), join_(join),
      reportFile_(replacement(replaceWhole, reportPath)),
      filterFile_(replacement(replaceWhole, filterPath)),
      report_(reportFile_ ? reportFile_->temporaryPath() : reportPath, reportPath),
      filter_(filterFile_ ? filterFile_->temporaryPath() : filterPath, filterPath) {}

void RunWriter::post(const std::string& line) const {
    if (account_)
        account_(line);
}

void RunWriter::requirements(const DesignRequest& rq, bool withEdges) {
    report_.line(" Требования: ");
    report_.line(" частота дискретизации = ", rq.fd);
    report_.line(" неравномерность в dB  = ", rq.da);
    report_.line(" гарантированное затухание в dB = ", rq.b1);
    if (!withEdges)
        return;
    report_.line(" значения частот F1,F2,F3,F4 = ");
    TextWriter& out = report_.raw();
    for (double v : {rq.f3, rq.f2, rq.f1, rq.f4}) {
        out.write(" ");
        out.writeReal(v);
    }
    out.endLine();
}

void RunWriter::approximation(Approximation a) {
    post(accountName(a));
    report_.line(reportName(a));
}

bool RunWriter::order(PrototypeFilter& p, bool withZeros) {
    post("Порядок фильтра" + std::to_string(p.n));
    report_.line("          Результаты расчета ");
    report_.line(" порядок ФНЧ -ПРОТОТИПА " + std::to_string(p.n));
    p.sections = sectionCount(p.n);
    if (p.sections > maxSections)
        return false;
    writeFilterOrderLine(filter_, p.n);
    if (withZeros) {
        report_.line(" значения нулей  ");
        if (p.n % 2 != 0) {
            post("Частота нулевого всплеска = бесконечности");
            report_.line(" частота нулевого всплеска = бесконечности");
        }
    }
    return true;
}

void RunWriter::zeros(const PrototypeFilter& p) {
    for (int k = 1; k <= p.zeroPairs; ++k) {
        TextWriter& out = report_.raw();
        out.writeReal(0.0);
        out.write(" ");
        out.writeReal(p.zero[k]);
        out.write(" ");
        out.writeReal(0.0);
        out.writeReal(-p.zero[k]);
        out.endLine();
    }
}

DesignOutcome RunWriter::tooLarge() {
    post("Большой порядок фильтра - ВЫХОД");
    report_.line("Большой порядок фильтра - ВЫХОД");
    report_.close();
    filter_.close();
    if (reportFile_)
        reportFile_->commit();
    return DesignOutcome::OrderTooLarge;
}

DesignOutcome RunWriter::complete(const PrototypeFilter& p, const DesignRequest& rq,
                                  const BandEdges& edges, DesignedCascade* designed) {
    writePoles(report_, p);
    const std::vector<FilterSection> sections = makeSections(p);

    post(std::string("Результаты расчета в файле") + (join_ == ReportNameJoin::Spaced ? " " : "") +
         reportPath_);
    post(" - коэффициенты фильтра");
    report_.line(" значения коэффициентов цифрового фильтра ");
    filter_.writeInteger(fileKind(p.band));
    filter_.write(" ");
    filter_.endLine();
    writeCoefficientBlocks(report_, filter_, fileKind(p.band), sections);
    filter_.close();

    const int terms = sectionTerms(fileKind(p.band));
    post(" - ФЧХ фильтра");
    tableHeading(report_, "Фазо-частотная характеристика", rq);
    for (int i = 0; i <= rq.np; ++i) {
        const double f = tableFrequency(rq, i);
        const Response r = cascadeResponse(sections, terms, tableAngle(rq, f));
        tableRow(report_, i, f, fp::toDouble(r.phase));
    }

    post(" - АЧХ фильтра");
    const real m0 =
        cascadeResponse(sections, terms, tableAngle(rq, referenceFrequency(p, edges, rq.fd)))
            .magnitude;
    tableHeading(report_, "Амплитудно-частотная характеристика", rq);
    for (int i = 0; i <= rq.np; ++i) {
        const double f = tableFrequency(rq, i);
        const Response r = cascadeResponse(sections, terms, tableAngle(rq, f));
        tableRow(report_, i, f, fp::toDouble(fp::div(r.magnitude, m0)));
    }
    report_.close();
    if (filterFile_)
        filterFile_->commit();
    if (reportFile_)
        reportFile_->commit();

    post("Параметры фильтра в файле " + filterPath_);
    post("Анализ частотных характеристик фильтра");
    if (designed) {
        designed->kind = fileKind(p.band);
        designed->sections = sections;
    }
    return DesignOutcome::Completed;
}

} // namespace zorkan::designwriting
