#include "advice/advice.h"

#include "advice/firquantised.h"
#include "analysis/filteranalysis.h"
#include "common/cp1251.h"
#include "common/errors.h"
#include "common/json.h"
#include "common/replacefile.h"
#include "common/textnumbers.h"
#include "common/utf8.h"
#include "design/classicaldesign.h"
#include "fir/firdesign.h"
#include "fir/firfile.h"
#include "fir/goldensection.h"
#include "fixedpoint/report.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <numbers>
#include <random>

namespace zorkan {

namespace {

constexpr std::array classicalDesigns{CandidateDesign::Butterworth, CandidateDesign::Chebyshev,
                                      CandidateDesign::Elliptic, CandidateDesign::InverseChebyshev,
                                      CandidateDesign::Bessel};

Approximation approximationOfDesign(CandidateDesign design) {
    switch (design) {
    case CandidateDesign::Chebyshev:
        return Approximation::Chebyshev;
    case CandidateDesign::Elliptic:
        return Approximation::Elliptic;
    case CandidateDesign::InverseChebyshev:
        return Approximation::InverseChebyshev;
    case CandidateDesign::Bessel:
        return Approximation::Bessel;
    default:
        return Approximation::Butterworth;
    }
}

// The FIR request of the same bands and figures.
FirRequest firRequestOf(const DesignRequest& rq) {
    FirRequest fr;
    fr.fd = rq.fd;
    fr.ripple = rq.da;
    fr.attenuation = rq.b1;
    switch (requestKind(rq)) {
    case BandKind::LowPass:
        fr.type = FirBandType::LowPass;
        fr.pass = {rq.f1};
        fr.stop = {rq.f4};
        break;
    case BandKind::HighPass:
        fr.type = FirBandType::HighPass;
        fr.pass = {rq.f2};
        fr.stop = {rq.f3};
        break;
    case BandKind::BandPass:
        fr.type = FirBandType::BandPass;
        fr.pass = {rq.f2, rq.f1};
        fr.stop = {rq.f3, rq.f4};
        break;
    case BandKind::BandStop:
        fr.type = FirBandType::BandStop;
        fr.pass = {rq.f1, rq.f2};
        fr.stop = {rq.f3, rq.f4};
        break;
    }
    return fr;
}

ClassicalDesignRequest classicalRequest(const DesignRequest& rq, CandidateDesign design) {
    ClassicalDesignRequest cr;
    cr.request = candidateRequest(rq, design);
    cr.exact = true;
    return cr;
}

// A scratch folder for the files a design run writes, removed with everything in it.
class ScratchFolder {
  public:
    ScratchFolder() {
        static std::atomic<unsigned> counter{0};
        std::random_device seed;
        const std::filesystem::path base = std::filesystem::temp_directory_path();
        for (;;) {
            path_ = base /
                    ("zorkan-advice-" + std::to_string(seed()) + "-" + std::to_string(counter++));
            if (std::filesystem::create_directory(path_))
                break;
        }
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    std::string file(const char* name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
};

// The prototype order of a designed cascade: the degrees of its denominators, halved for
// the fourth-order sections of band-pass and band-stop filters.
int prototypeOrder(const FilterCoefficients& filter) {
    const int terms = sectionTerms(filter.kind);
    int degree = 0;
    for (const FilterSection& s : filter.sections) {
        int d = terms - 1;
        while (d > 0 && s.b[d] == 0)
            --d;
        degree += d;
    }
    return filter.kind == bandPass ? degree / 2 : degree;
}

// Grid intervals per pass band for the group delay's extremes, each then refined by
// golden sections between its grid neighbours.
constexpr int delayGridIntervals = 512;

template <class Delay>
void delayRange(const DesignRequest& rq, Delay delay, double& smallest, double& largest) {
    const DesignBands bands = designBands(fileKind(requestKind(rq)), rq);
    smallest = std::numeric_limits<double>::infinity();
    largest = -smallest;
    auto at = [&](double f) { return delay(2 * std::numbers::pi * f / rq.fd); };
    for (const FrequencyBand& band : bands.pass) {
        const double step = (band.high - band.low) / delayGridIntervals;
        std::vector<double> grid(delayGridIntervals + 1);
        for (int i = 0; i <= delayGridIntervals; ++i)
            grid[i] = at(i == delayGridIntervals ? band.high : band.low + i * step);
        const auto refine = [&](std::size_t k, double sign) {
            const double lo = k == 0 ? band.low : band.low + (k - 1) * step;
            const double hi = k == grid.size() - 1 ? band.high : band.low + (k + 1) * step;
            const double mid = k == grid.size() - 1 ? band.high : band.low + k * step;
            return at(goldenPeak(lo, hi, mid, [&](double f) { return sign * at(f); }));
        };
        const auto [lo, hi] = std::minmax_element(grid.begin(), grid.end());
        smallest = std::min(smallest, refine(static_cast<std::size_t>(lo - grid.begin()), -1));
        largest = std::max(largest, refine(static_cast<std::size_t>(hi - grid.begin()), 1));
    }
}

void firCost(AdviceCandidate& c) {
    const std::vector<double>& h = c.taps;
    const std::size_t n = h.size();
    const bool paired = linearPhaseType(h) != 0;
    int products = 0, nonzero = 0;
    for (std::size_t k = 0; k < n; ++k) {
        if (h[k] == 0)
            continue;
        ++nonzero;
        if (!paired || k <= n - 1 - k)
            ++products;
    }
    c.multiplications = products;
    c.additions = std::max(nonzero - 1, 0);
    c.stateWords = static_cast<int>(n) - 1;
    c.coefWords = products;
}

AdviceCandidate iirCandidate(const DesignRequest& rq, CandidateDesign design,
                             const std::optional<Arithmetic>& target,
                             const ScratchFolder& scratch) {
    DesignedCascade designed;
    const std::string report = scratch.file("advice.out");
    const std::string filter = scratch.file("advice.flt");
    if (designClassicalFilter(
            classicalRequest(rq, design), report, filter, [](const std::string&) {}, &designed) !=
        DesignOutcome::Completed)
        throw UserMessage("большой порядок фильтра");
    AdviceCandidate c;
    c.design = design;
    c.type = CandidateType::Iir;
    c.filter.kind = designed.kind;
    c.filter.sections = designed.sections;
    c.filter.order = static_cast<std::uint32_t>(2 * designed.sections.size());
    c.order = prototypeOrder(c.filter);

    ImplementationOptions options;
    options.arithmetic = target ? *target : namedArithmetic(Target::Double);
    const StructureCost cost = implementationCost(realise(c.filter, options));
    c.multiplications = cost.multiplications;
    c.additions = cost.additions;
    c.stateWords = cost.stateWords;
    c.coefWords = cost.coefWords;
    delayRange(
        rq, [&](double omega) { return static_cast<double>(groupDelayAt(c.filter, omega)); },
        c.groupDelayMin, c.groupDelayMax);
    if (target) {
        // The comparison asks nothing of limit cycles: their trials are left out.
        ReportOptions report;
        report.request = rq;
        report.limitCycleTrials = 0;
        report.smallestWords = fixedPointTarget(target->target);
        const ImplementationFigures f = implementationFigures(c.filter, options, report);
        QuantisedFigures q;
        q.meetsRequest = f.meetsRequest;
        if (f.simulatedNoise && !f.noiselessSimulation)
            q.snrDb = f.snrSimulatedDb;
        q.minCoefBits = f.minCoefBits;
        c.quantised = q;
    }
    return c;
}

AdviceCandidate firCandidate(const DesignRequest& rq, CandidateDesign design,
                             const std::optional<Arithmetic>& target) {
    const FirRequest fr = firRequestOf(rq);
    const FirDesign d =
        design == CandidateDesign::Equiripple ? smallestEquiripple(fr) : smallestMinimumPhase(fr);
    AdviceCandidate c;
    c.design = design;
    c.type = CandidateType::Fir;
    c.taps = d.taps;
    c.order = static_cast<int>(d.taps.size());
    firCost(c);
    if (linearPhaseType(c.taps) != 0) {
        c.groupDelayMin = c.groupDelayMax = static_cast<double>(c.taps.size() - 1) / 2;
    } else {
        delayRange(
            rq, [&](double omega) { return static_cast<double>(firGroupDelayAt(c.taps, omega)); },
            c.groupDelayMin, c.groupDelayMax);
    }
    if (target)
        c.quantised = quantisedFir(c.taps, *target, rq);
    return c;
}

} // namespace

const char* candidateName(CandidateDesign design) {
    switch (design) {
    case CandidateDesign::Equiripple:
        return "pm";
    case CandidateDesign::MinimumPhaseEquiripple:
        return "pm-minimum-phase";
    default:
        return approximationName(approximationOfDesign(design));
    }
}

const char* candidateTitle(CandidateDesign design) {
    switch (design) {
    case CandidateDesign::Butterworth:
        return "БИХ Баттерворта";
    case CandidateDesign::Chebyshev:
        return "БИХ Чебышева";
    case CandidateDesign::Elliptic:
        return "БИХ эллиптический";
    case CandidateDesign::InverseChebyshev:
        return "БИХ инверсный Чебышева";
    case CandidateDesign::Bessel:
        return "БИХ Бесселя";
    case CandidateDesign::Equiripple:
        return "КИХ равноволновый";
    case CandidateDesign::MinimumPhaseEquiripple:
        return "КИХ минимально-фазовый";
    }
    return "";
}

DesignRequest candidateRequest(const DesignRequest& request, CandidateDesign design) {
    DesignRequest rq = request;
    rq.approximation = approximationCode(approximationOfDesign(design));
    return rq;
}

void checkAdviceRequest(const DesignRequest& request) {
    checkClassicalRequest(classicalRequest(request, CandidateDesign::Elliptic));
    checkFirRequest(firRequestOf(request));
}

Advice adviseDesigns(const DesignRequest& request, const std::optional<Arithmetic>& target) {
    checkAdviceRequest(request);
    if (target)
        checkArithmetic(*target);
    Advice advice;
    advice.request = request;
    advice.target = target;
    ScratchFolder scratch;
    auto attempt = [&](CandidateDesign design, auto make) {
        try {
            advice.candidates.push_back(make());
        } catch (const UserMessage& e) {
            advice.skipped.push_back({design, e.what()});
        } catch (const FloatError& e) {
            advice.skipped.push_back({design, e.what()});
        }
    };
    for (CandidateDesign design : classicalDesigns)
        attempt(design, [&] { return iirCandidate(request, design, target, scratch); });
    for (CandidateDesign design :
         {CandidateDesign::Equiripple, CandidateDesign::MinimumPhaseEquiripple})
        attempt(design, [&] { return firCandidate(request, design, target); });

    for (std::size_t i = 1; i < advice.candidates.size(); ++i) {
        const AdviceCandidate& c = advice.candidates[i];
        const AdviceCandidate& cheapest = advice.candidates[advice.cheapest];
        if (c.multiplications < cheapest.multiplications ||
            (c.multiplications == cheapest.multiplications && c.additions < cheapest.additions))
            advice.cheapest = i;
        const AdviceCandidate& flattest = advice.candidates[advice.flattest];
        if (c.groupDelayMax - c.groupDelayMin < flattest.groupDelayMax - flattest.groupDelayMin)
            advice.flattest = i;
    }
    return advice;
}

std::vector<std::string> firCandidateReport(const DesignRequest& request,
                                            const AdviceCandidate& candidate) {
    const FirRequest fr = firRequestOf(request);
    const FirDesign d = candidate.design == CandidateDesign::Equiripple ? smallestEquiripple(fr)
                                                                        : smallestMinimumPhase(fr);
    return firReportLines(fr, d);
}

void saveCandidate(const DesignRequest& request, const AdviceCandidate& candidate,
                   const std::string& reportPath, const std::string& filterPath) {
    if (sameFile(reportPath, filterPath))
        throw UserMessage("Файл " + filterPath +
                          " выбран и для отчета, и для фильтра: выберите разные имена");
    if (candidate.type == CandidateType::Iir) {
        if (designClassicalFilter(classicalRequest(request, candidate.design), reportPath,
                                  filterPath,
                                  [](const std::string&) {}) != DesignOutcome::Completed)
            throw UserMessage("Большой порядок фильтра");
        return;
    }
    const std::vector<std::string> lines = firCandidateReport(request, candidate);
    FileReplacement taps(filterPath);
    {
        TextWriter out(taps.temporaryPath(), filterPath);
        writeFirFile(out, FirFilter{candidate.taps});
        out.close();
    }
    FileReplacement report(reportPath);
    {
        TextWriter out(report.temporaryPath(), reportPath);
        for (const std::string& line : lines)
            out.writeLine(toCp1251(line));
        out.close();
    }
    taps.commit();
    report.commit();
}

namespace {

std::string decimalText(double v, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, v);
    return text;
}

constexpr int delayDecimals = 3;
constexpr int snrDecimals = 1;

} // namespace

std::vector<std::string> adviceLines(const Advice& advice) {
    std::vector<std::string> lines;
    const bool quantised = advice.target.has_value();
    lines.push_back("Проекты, выполняющие требования (ГВЗ - групповое время задержки в "
                    "полосе пропускания, отсчетов):");
    std::string head = paddedRight("Проект", 24) + paddedRight("Порядок", 9) +
                       paddedLeft("Умн.", 6) + paddedLeft("Слож.", 7) + paddedLeft("Сост.", 7) +
                       paddedLeft("Коэф.", 7) + paddedLeft("ГВЗ мин", 10) +
                       paddedLeft("ГВЗ макс", 10) + paddedLeft("Разброс", 10);
    if (quantised)
        head += "  " + paddedRight("Кв. выполн.", 12) + paddedLeft("С/Ш, dB", 8) +
                paddedLeft("C, бит", 7);
    lines.push_back(head);
    for (std::size_t i = 0; i < advice.candidates.size(); ++i) {
        const AdviceCandidate& c = advice.candidates[i];
        std::string order = std::to_string(c.order) + (c.type == CandidateType::Fir ? " отв." : "");
        std::string line =
            paddedRight(candidateTitle(c.design), 24) + paddedRight(order, 9) +
            paddedLeft(std::to_string(c.multiplications), 6) +
            paddedLeft(std::to_string(c.additions), 7) +
            paddedLeft(std::to_string(c.stateWords), 7) +
            paddedLeft(std::to_string(c.coefWords), 7) +
            paddedLeft(decimalText(c.groupDelayMin, delayDecimals), 10) +
            paddedLeft(decimalText(c.groupDelayMax, delayDecimals), 10) +
            paddedLeft(decimalText(c.groupDelayMax - c.groupDelayMin, delayDecimals), 10);
        if (c.quantised) {
            const QuantisedFigures& q = *c.quantised;
            line += "  " + paddedRight(q.meetsRequest ? "да" : "нет", 12) +
                    paddedLeft(q.snrDb ? decimalText(*q.snrDb, snrDecimals) : "-", 8) +
                    paddedLeft(q.minCoefBits ? std::to_string(*q.minCoefBits) : "-", 7);
        }
        lines.push_back(line);
    }
    for (const SkippedDesign& s : advice.skipped)
        lines.push_back(std::string("Не рассчитан: ") + candidateTitle(s.design) + ": " + s.reason);
    if (!advice.candidates.empty()) {
        lines.push_back(std::string("Меньше всего умножений: ") +
                        candidateTitle(advice.candidates[advice.cheapest].design));
        lines.push_back(std::string("Наименьший разброс ГВЗ: ") +
                        candidateTitle(advice.candidates[advice.flattest].design));
    }
    if (quantised)
        lines.push_back("Арифметика: " + arithmeticText(*advice.target));
    return lines;
}

std::string adviceJson(const Advice& advice) {
    std::string out = "{\"target\": ";
    out += advice.target ? jsonString(targetName(advice.target->target)) : "null";
    out += ", \"candidates\": [";
    for (std::size_t i = 0; i < advice.candidates.size(); ++i) {
        const AdviceCandidate& c = advice.candidates[i];
        out += i ? ", " : "";
        out += "{\"type\": ";
        out += jsonString(c.type == CandidateType::Iir ? "iir" : "fir");
        out += ", \"approximation\": " + jsonString(candidateName(c.design));
        out += ", \"order\": " + std::to_string(c.order);
        out += ", \"multiplications\": " + std::to_string(c.multiplications);
        out += ", \"additions\": " + std::to_string(c.additions);
        out += ", \"state_words\": " + std::to_string(c.stateWords);
        out += ", \"coef_words\": " + std::to_string(c.coefWords);
        out += ", \"group_delay_min\": " + jsonNumber(c.groupDelayMin);
        out += ", \"group_delay_max\": " + jsonNumber(c.groupDelayMax);
        out += ", \"group_delay_variation\": " + jsonNumber(c.groupDelayMax - c.groupDelayMin);
        if (c.quantised) {
            const QuantisedFigures& q = *c.quantised;
            out += ", \"meets_request_quantised\": " + jsonBool(q.meetsRequest);
            out += ", \"snr_db\": " + (q.snrDb ? jsonNumber(*q.snrDb) : std::string("null"));
            out += ", \"min_coef_bits\": " +
                   (q.minCoefBits ? std::to_string(*q.minCoefBits) : std::string("null"));
        }
        out += "}";
    }
    out += "], \"skipped\": [";
    for (std::size_t i = 0; i < advice.skipped.size(); ++i) {
        out += i ? ", " : "";
        out += "{\"approximation\": " + jsonString(candidateName(advice.skipped[i].design)) +
               ", \"reason\": " + jsonString(advice.skipped[i].reason) + "}";
    }
    out += "]";
    const bool any = !advice.candidates.empty();
    out += ", \"cheapest\": " + (any ? std::to_string(advice.cheapest) : std::string("null"));
    out += ", \"flattest\": " + (any ? std::to_string(advice.flattest) : std::string("null"));
    out += "}";
    return out;
}

} // namespace zorkan
