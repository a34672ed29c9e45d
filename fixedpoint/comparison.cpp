#include "fixedpoint/comparison.h"

#include "common/errors.h"
#include "common/utf8.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <exception>
#include <functional>
#include <limits>
#include <map>
#include <mutex>
#include <thread>

namespace zorkan {

std::vector<Structure> structuresOf(Target target) {
    std::vector<Structure> out;
    for (const StructureRow& row : structureTable()) {
        try {
            checkStructure(target, row.structure);
            out.push_back(row.structure);
        } catch (const UserMessage&) {
            // Not a structure of this target.
        }
    }
    return out;
}

namespace {
void parallelFor(std::size_t n, const std::function<void(std::size_t)>& body);
} // namespace

std::vector<StructureFigures> compareStructures(const FilterCoefficients& filter,
                                                const ImplementationOptions& options,
                                                const ReportOptions& report) {
    // The rows are independent: each is computed on its own core and kept in its place,
    // so the table reads the same however the work was shared. A failure other than a
    // refusal stops the comparison as it would have in turn: the first row's is thrown.
    const std::vector<Structure> structures = structuresOf(options.arithmetic.target);
    std::vector<StructureFigures> rows(structures.size());
    std::vector<std::exception_ptr> failures(structures.size());
    parallelFor(structures.size(), [&](std::size_t k) {
        StructureFigures& row = rows[k];
        row.structure = structures[k];
        ImplementationOptions o = options;
        o.structure = structures[k];
        try {
            row.figures = implementationFigures(filter, o, report);
        } catch (const UserMessage& e) {
            row.realised = false;
            row.refusal = e.what();
        } catch (...) {
            failures[k] = std::current_exception();
        }
    });
    for (const std::exception_ptr& failure : failures)
        if (failure)
            std::rethrow_exception(failure);
    StructureFigures* quietest = nullptr;
    StructureFigures* cheapest = nullptr;
    for (StructureFigures& r : rows) {
        if (!r.realised)
            continue;
        const ImplementationFigures& f = r.figures;
        if (f.simulatedNoise && std::isfinite(f.noiseSimulatedDbfs) &&
            (!quietest || f.noiseSimulatedDbfs < quietest->figures.noiseSimulatedDbfs))
            quietest = &r;
        if (!cheapest || f.cost.multiplications < cheapest->figures.cost.multiplications)
            cheapest = &r;
    }
    if (quietest)
        quietest->bestNoise = true;
    if (cheapest)
        cheapest->cheapest = true;
    return rows;
}

namespace {

std::string fixed(double v, int decimals) {
    if (!std::isfinite(v))
        return "-";
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, v);
    return text;
}

// The widest limit cycle a 32-bit word holds, 2^31 last bits over a long period, with a
// space after it.
constexpr std::size_t limitCycleWidth = 22;

std::string limitCycleText(const LimitCycle& c) {
    if (!c.searched)
        return "-";
    if (!c.found)
        return c.unsettled > 0 ? "не уст. " + fixed(c.unsettledAmplitude, 0) + " мр" : "нет";
    return fixed(c.amplitude, 0) + " мр/" + std::to_string(c.period);
}

} // namespace

std::vector<std::string> comparisonLines(const std::vector<StructureFigures>& rows) {
    std::vector<std::string> lines;
    if (rows.empty())
        return lines;
    const ImplementationFigures& first = rows.front().figures;
    lines.push_back("Структуры для арифметики " + targetName(first.arithmetic.target) +
                    ", масштабирование " + scalingName(first.scaling) + ", порядок секций " +
                    orderName(first.order) + ":");
    lines.push_back(paddedRight("структура", 10) + paddedRight("умн.", 6) +
                    paddedRight("слож.", 7) + paddedRight("сост.", 7) + paddedRight("коэф.", 7) +
                    paddedRight("шум расч.", 11) + paddedRight("шум мод.", 11) +
                    paddedRight("с/ш", 9) + paddedRight("перепол.", 10) +
                    paddedRight("пред.цикл", limitCycleWidth) + "устойчив");
    for (const StructureFigures& r : rows) {
        std::string line = paddedRight(structureName(r.structure), 10);
        if (!r.realised) {
            lines.push_back(line + "не реализуется: " + r.refusal);
            continue;
        }
        const ImplementationFigures& f = r.figures;
        line += paddedRight(std::to_string(f.cost.multiplications), 6) +
                paddedRight(std::to_string(f.cost.additions), 7) +
                paddedRight(std::to_string(f.cost.stateWords), 7) +
                paddedRight(std::to_string(f.cost.coefWords), 7) +
                paddedRight(f.analyticNoise ? fixed(f.noiseAnalyticDbfs, 2) : "-", 11) +
                paddedRight(f.simulatedNoise ? fixed(f.noiseSimulatedDbfs, 2) : "-", 11);
        double snr = 0;
        line += paddedRight(statedSnr(f, snr) ? fixed(snr, 2) : "-", 9) +
                paddedRight(f.overflowPossible || !f.normsBounded ? "возможно" : "нет", 10) +
                paddedRight(limitCycleText(f.limitCycle), limitCycleWidth) +
                (f.stable ? "да" : "нет");
        if (f.requestGiven)
            line += f.meetsRequest ? ", требования выполнены" : ", требования не выполнены";
        if (f.smallestSearched)
            line += ", C мин. " + (f.minCoefBits ? std::to_string(*f.minCoefBits) : "-") +
                    ", W мин. " + (f.minDataBits ? std::to_string(*f.minDataBits) : "-");
        if (r.bestNoise)
            line += "  * наименьший шум";
        if (r.cheapest)
            line += "  * меньше всего умножений";
        lines.push_back(line);
    }
    lines.push_back("Шум в dBFS (расчет и моделирование), с/ш в dB, предельный цикл: амплитуда "
                    "в младших разрядах/период в отсчетах");
    return lines;
}

std::string comparisonJson(const std::vector<StructureFigures>& rows) {
    std::string j = "[";
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const StructureFigures& r = rows[k];
        const ImplementationFigures& f = r.figures;
        j += k ? ", {" : "{";
        j += "\"structure\": \"" + structureName(r.structure) + "\"";
        j += ", \"realised\": " + jsonBool(r.realised);
        if (!r.realised) {
            j += ", \"refusal\": " + jsonString(r.refusal) + "}";
            continue;
        }
        double snr = 0;
        j += ", \"multiplications\": " + std::to_string(f.cost.multiplications) +
             ", \"additions\": " + std::to_string(f.cost.additions) +
             ", \"state_words\": " + std::to_string(f.cost.stateWords) +
             ", \"coef_words\": " + std::to_string(f.cost.coefWords) +
             ", \"noise_analytic_dbfs\": " +
             (f.analyticNoise ? jsonNumber(f.noiseAnalyticDbfs) : "null") +
             ", \"noise_simulated_dbfs\": " +
             (f.simulatedNoise ? jsonNumber(f.noiseSimulatedDbfs) : "null") +
             ", \"snr_db\": " + (statedSnr(f, snr) ? jsonNumber(snr) : "null") +
             ", \"snr_simulated_db\": " +
             (f.simulatedNoise ? jsonNumber(f.snrSimulatedDb) : "null") +
             ", \"overflow_possible\": " + jsonBool(f.overflowPossible || !f.normsBounded) +
             ", \"limit_cycle\": " + limitCycleJson(f.limitCycle) +
             ", \"stable\": " + jsonBool(f.stable);
        if (f.requestGiven)
            j += ", \"meets_request\": " + jsonBool(f.meetsRequest);
        if (f.smallestSearched) {
            j +=
                ", \"min_coef_bits\": " + (f.minCoefBits ? std::to_string(*f.minCoefBits) : "null");
            j +=
                ", \"min_data_bits\": " + (f.minDataBits ? std::to_string(*f.minDataBits) : "null");
        }
        j += ", \"best_noise\": " + jsonBool(r.bestNoise) +
             ", \"cheapest\": " + jsonBool(r.cheapest);
        j += "}";
    }
    return j + "]";
}

} // namespace zorkan

namespace zorkan {

namespace {

constexpr Scaling searchedScalings[] = {Scaling::Peak, Scaling::L2, Scaling::L1, Scaling::None};
constexpr SectionOrder searchedOrders[] = {SectionOrder::File, SectionOrder::Ascending,
                                           SectionOrder::Descending};
// About 6 dB of SNR a bit of the data word: the first guess of the shortest word from one
// measurement.
constexpr double decibelsPerBit = 6.02;
// How far below the SNR asked for an estimate may fall and still be worth realising exactly
// (the exact realisation differs from it by hundredths of a decibel).
constexpr double estimateTolerance = 0.5; // dB
// The bits of W + C by which a family's exact realisation may come out cheaper than its
// estimate (a coefficient bit, or a data bit, found to suffice after all).
constexpr int exactSaving = 2;
// The data bits an exact realisation climbs above its estimate at one go. For a pole very near
// the circle the simulated noise may jump about from word to word; a family still short of the
// SNR there waits, its estimate raised, behind the cheaper ones.
constexpr int climbBits = 3;

Arithmetic fixedWords(int dataBits, int coefBits) {
    return {Target::Fixed, dataBits, coefBits, Rounding::Nearest, Overflow::Saturate};
}

// One structure, scaling and order: scaled once, its words tried by rounding the
// coefficients anew.
struct Family {
    Structure structure;
    Scaling scaling;
    SectionOrder order;
    Implementation scaled;
    std::vector<Candidate> points{}; // evaluated with noise
    std::optional<Candidate> estimated{}, shortest{};
    bool estimateCycles = false; // a limit cycle at the estimated words
    bool climbing = false;       // the exact words climbed past the estimate and wait
    // Every scaling but l1 is the same for all data words: its coefficients rounded to each
    // coefficient word tried, with their node gains once summed (none where the word is too
    // short for the coefficients).
    std::map<int, std::optional<Implementation>> rounded{};
};

// A point of the family's search, its figures still to come.
Candidate pointOf(const Family& f, int dataBits, int coefBits) {
    Candidate c;
    c.structure = f.structure;
    c.scaling = f.scaling;
    c.order = f.order;
    c.dataBits = dataBits;
    c.coefBits = coefBits;
    return c;
}

// The family's options in these words.
ImplementationOptions optionsOf(const Family& f, int dataBits, int coefBits) {
    ImplementationOptions o = f.scaled.options;
    o.arithmetic = fixedWords(dataBits, coefBits);
    return o;
}

class Search {
  public:
    Search(const FilterCoefficients& filter, const SearchRequest& request,
           const std::function<bool(double)>& progress)
        : filter_(filter), request_(request), progress_(progress),
          factored_(secondOrderSections(filter)) {
        report_.seed = request.seed;
        report_.limitCycleTrials = request.limitCycleTrials;
    }

    SearchResult run();

  private:
    // Reports the progress, which never goes back (the families realised exactly and the
    // answers confirmed take turns); false once the caller has cancelled.
    bool tick(double done) {
        const std::lock_guard<std::mutex> lock(mutex_);
        shown_ = std::max(shown_, std::min(done, 1.0));
        if (!cancelled_ && progress_ && !progress_(shown_))
            cancelled_ = true;
        return !cancelled_;
    }
    std::optional<Implementation> realised(Family& f, int dataBits, int coefBits,
                                           bool withGains) const;
    // The figures of these words (the noise simulated); kept as a point of the front with
    // `record`.
    Candidate evaluate(Family& f, int dataBits, int coefBits, bool record);
    bool feasible(const Candidate& c) const {
        return c.stable && c.meetsRequest && c.overflowFree && c.snr >= request_.snr;
    }
    void shortestWords(Family& f);
    Candidate estimate(Family& f, int dataBits, int coefBits);
    void exactWords(Family& f);
    void longerWords(std::vector<Family*> chosen);
    bool confirmed(Candidate& c, ImplementationFigures& figures) const;

    const FilterCoefficients& filter_;
    const SearchRequest& request_;
    const std::function<bool(double)>& progress_;
    SecondOrderCascade factored_;
    ReportOptions report_;
    std::mutex mutex_;
    bool cancelled_ = false;
    double shown_ = 0;
};

std::size_t workerCount() {
    return std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, 8);
}

// Runs body(0) .. body(n - 1) on the machine's cores, each index once.
void parallelFor(std::size_t n, const std::function<void(std::size_t)>& body) {
    const std::size_t workers = workerCount();
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        for (std::size_t k = next++; k < n; k = next++)
            body(k);
    };
    std::vector<std::thread> threads;
    for (std::size_t t = 1; t < std::min(workers, n); ++t)
        threads.emplace_back(work);
    work();
    for (std::thread& t : threads)
        t.join();
}

std::optional<Implementation> Search::realised(Family& f, int dataBits, int coefBits,
                                               bool withGains) const {
    try {
        if (f.scaling == Scaling::L1) {
            // Realised anew, as implement realises it: the scaling's margin follows the data
            // word.
            return realise(factored_, optionsOf(f, dataBits, coefBits));
        }
        auto found = f.rounded.find(coefBits);
        if (found == f.rounded.end())
            found = f.rounded
                        .emplace(coefBits, requantised(f.scaled, factored_,
                                                       fixedWords(maximumBits, coefBits)))
                        .first;
        if (!found->second)
            return std::nullopt;
        if (withGains)
            sumNodeGains(*found->second);
        Implementation im = *found->second;
        im.options.arithmetic.dataBits = dataBits;
        return im;
    } catch (const UserMessage&) {
        // Coefficients too large for so short a word: not an implementation.
        if (f.scaling != Scaling::L1)
            f.rounded.emplace(coefBits, std::nullopt);
        return std::nullopt;
    }
}

Candidate Search::evaluate(Family& f, int dataBits, int coefBits, bool record) {
    Candidate c = pointOf(f, dataBits, coefBits);
    const std::optional<Implementation> im = realised(f, dataBits, coefBits, true);
    if (!im)
        return c;
    const WordCheck check = checkWords(*im, filter_.kind, request_.request, report_, true);
    c.stable = check.stable;
    c.meetsRequest = check.meetsRequest;
    c.overflowFree = check.overflowFree;
    c.snr = check.snr;
    c.multiplications = implementationCost(*im).multiplications;
    if (record)
        f.points.push_back(c);
    return c;
}

// The shortest coefficient word that keeps the filter stable, meeting the request and free
// of overflow, then the shortest data word that reaches the SNR with it: a first guess
// from the SNR at 16 bits, then bit by bit to where one bit less fails.
void Search::shortestWords(Family& f) {
    // The coefficient word alone decides stability and the request: the coefficients of the
    // longest-word scaling rounded anew, in steps of four bits, then back bit by bit.
    const auto coefficientsHold = [&](int c) {
        try {
            const std::optional<Implementation> im =
                f.scaling == Scaling::L1 ? realiseAsScaled(factored_, optionsOf(f, maximumBits, c))
                                         : realised(f, maximumBits, c, false);
            if (!im)
                return false;
            const WordCheck check =
                checkWords(*im, filter_.kind, request_.request, report_, false, false);
            return check.stable && check.meetsRequest;
        } catch (const UserMessage&) {
            return false;
        }
    };
    int coefBits = 0;
    for (int c = minimumBits; c <= maximumBits + 3 && !coefBits; c += 4)
        if (coefficientsHold(std::min(c, maximumBits)))
            coefBits = std::min(c, maximumBits);
    if (!coefBits)
        return;
    while (coefBits > minimumBits && coefficientsHold(coefBits - 1))
        --coefBits;
    const Candidate probe = estimate(f, 16, coefBits);
    if (!(probe.stable && probe.meetsRequest))
        return;
    int w = static_cast<int>(std::ceil(16 + (request_.snr - probe.snr) / decibelsPerBit));
    w = std::clamp(w, minimumBits, maximumBits);
    Candidate at = w == 16 ? probe : estimate(f, w, coefBits);
    if (feasible(at)) {
        while (at.dataBits > minimumBits) {
            const Candidate shorter = estimate(f, at.dataBits - 1, coefBits);
            if (!feasible(shorter))
                break;
            at = shorter;
        }
    } else {
        while (!feasible(at) && at.dataBits < maximumBits)
            at = estimate(f, at.dataBits + 1, coefBits);
        if (!feasible(at))
            return;
    }
    // One coefficient bit less at that data word must fail too (the scaling's margin
    // follows the data word).
    while (at.coefBits > minimumBits) {
        const Candidate fewer = estimate(f, at.dataBits, at.coefBits - 1);
        if (!feasible(fewer))
            break;
        at = fewer;
    }
    f.estimated = at;
    if (f.scaling != Scaling::L1) {
        f.shortest = at;
        return;
    }
    // The limit cycles of the estimated coefficients: a family that shows one there is
    // realised exactly only when no other has given an answer.
    try {
        f.estimateCycles = limitCycleSeen(
            realiseAsScaled(factored_, optionsOf(f, at.dataBits, at.coefBits)), report_);
    } catch (const UserMessage&) {
        // Realised a moment ago: not reached.
    }
}

// The estimated words of an l1 family realised as implement realises them: longer data
// words where the check of the rounded coefficients has cost the last fraction of a decibel,
// and one bit less of either word where those coefficients are better than estimated.
void Search::exactWords(Family& f) {
    if (f.scaling != Scaling::L1 || !f.estimated)
        return;
    f.climbing = false;
    Candidate at = evaluate(f, f.estimated->dataBits, f.estimated->coefBits, true);
    for (int climbed = 0; !feasible(at) && at.dataBits < maximumBits; ++climbed) {
        if (climbed == climbBits) {
            // Resumed from the next word once no cheaper family has given an answer.
            f.estimated->dataBits = at.dataBits + 1;
            f.climbing = true;
            return;
        }
        at = evaluate(f, at.dataBits + 1, at.coefBits, true);
    }
    if (!feasible(at))
        return;
    for (bool shorter = true; shorter;) {
        shorter = false;
        for (const auto& [data, coef] : {std::pair{0, 1}, std::pair{1, 0}}) {
            if (shorter || at.dataBits - data < minimumBits || at.coefBits - coef < minimumBits)
                continue;
            // A shorter data word loses about 6 dB: realised only where its estimate comes
            // close to the SNR asked for.
            if (data &&
                estimate(f, at.dataBits - 1, at.coefBits).snr < request_.snr - estimateTolerance)
                continue;
            const Candidate less = evaluate(f, at.dataBits - data, at.coefBits - coef, true);
            if (feasible(less)) {
                at = less;
                shorter = true;
            }
        }
    }
    f.shortest = at;
}

// A point of the search for the shortest words. With l1 scaling the coefficients as scaled,
// not yet checked against the limit of this data word: that check shrinks a section's input
// by a few units of its coefficients' last bit, which moves the SNR by a tiny fraction of a
// decibel, and it sums the gains of every node again (over millions of samples for a pole
// near the circle). The scaling keeps every node below full scale. Such estimates are not
// points of the front; every other scaling's are exact.
Candidate Search::estimate(Family& f, int dataBits, int coefBits) {
    if (f.scaling != Scaling::L1)
        return evaluate(f, dataBits, coefBits, true);
    Candidate c = pointOf(f, dataBits, coefBits);
    try {
        const Implementation im = realiseAsScaled(factored_, optionsOf(f, dataBits, coefBits));
        const WordCheck check =
            checkWords(im, filter_.kind, request_.request, report_, true, false);
        c.stable = check.stable;
        c.meetsRequest = check.meetsRequest;
        c.overflowFree = true;
        c.snr = check.snr;
        c.multiplications = implementationCost(im).multiplications;
    } catch (const UserMessage&) {
        // Coefficients too large for so short a word.
    }
    return c;
}

// Longer data words than the shortest, for the Pareto front.
void Search::longerWords(std::vector<Family*> chosen) {
    // Each l1 family's words realised side by side (each realisation its own); the other
    // scalings share one rounding of the coefficients per family, evaluated in turn.
    struct Task {
        Family* family;
        int more;
    };
    std::vector<Task> tasks;
    for (Family* f : chosen)
        for (int more : {2, 4, 8})
            if (f->shortest->dataBits + more <= maximumBits &&
                (f->scaling == Scaling::L1 || more == 2))
                tasks.push_back({f, f->scaling == Scaling::L1 ? more : 0});
    std::atomic<std::size_t> done{0};
    parallelFor(tasks.size(), [&](std::size_t k) {
        if (!tick(0.95 + 0.05 * static_cast<double>(done++) / static_cast<double>(tasks.size())))
            return;
        Family& f = *tasks[k].family;
        for (int more : {2, 4, 8})
            if ((tasks[k].more == 0 || tasks[k].more == more) &&
                f.shortest->dataBits + more <= maximumBits) {
                const Candidate c =
                    evaluate(f, f.shortest->dataBits + more, f.shortest->coefBits, false);
                const std::lock_guard<std::mutex> lock(mutex_);
                f.points.push_back(c);
            }
    });
}

// The answer run as implement runs it, limit cycles included.
bool Search::confirmed(Candidate& c, ImplementationFigures& figures) const {
    ReportOptions o = report_;
    o.request = request_.request;
    try {
        const Implementation im = realise(factored_, c.options());
        const WordCheck check = checkWords(im, filter_.kind, request_.request, report_, false);
        figures = implementationFigures(filter_, c.options(), o);
        c.cycleFree = !figures.limitCycle.found;
        c.snr = figures.snrSimulatedDb;
        return check.stable && check.meetsRequest && check.overflowFree && figures.simulatedNoise &&
               figures.snrSimulatedDb >= request_.snr && c.cycleFree;
    } catch (const UserMessage&) {
        return false;
    }
}

bool cheaper(const Candidate& a, const Candidate& b, CostMeasure m) {
    if (a.cost(m) != b.cost(m))
        return a.cost(m) < b.cost(m);
    if (a.dataBits + a.coefBits != b.dataBits + b.coefBits)
        return a.dataBits + a.coefBits < b.dataBits + b.coefBits;
    return a.snr > b.snr;
}

// The points no other beats in both cost and SNR, cheapest first.
std::vector<Candidate> paretoFront(std::vector<Candidate> points, CostMeasure m) {
    std::sort(points.begin(), points.end(),
              [m](const Candidate& a, const Candidate& b) { return cheaper(a, b, m); });
    std::vector<Candidate> front;
    for (const Candidate& p : points)
        if (front.empty() || p.snr > front.back().snr)
            front.push_back(p);
    return front;
}

SearchResult Search::run() {
    if (request_.request)
        checkRequestFits(*request_.request, filter_.kind);
    SearchResult result;
    std::vector<Family> families;
    struct Combination {
        Structure structure;
        Scaling scaling;
        SectionOrder order;
    };
    std::vector<Combination> combinations;
    for (Structure s : structuresOf(Target::Fixed))
        for (Scaling scaling : searchedScalings)
            for (SectionOrder order : searchedOrders)
                combinations.push_back({s, scaling, order});
    // Each structure, scaling and order once at the longest words: those that overflow or
    // miss the request there are left out.
    std::vector<std::optional<Family>> scaled(combinations.size());
    std::atomic<std::size_t> done{0};
    parallelFor(combinations.size(), [&](std::size_t k) {
        if (!tick(0.3 * static_cast<double>(done++) / static_cast<double>(combinations.size())))
            return;
        const Combination& c = combinations[k];
        ImplementationOptions o;
        o.arithmetic = fixedWords(maximumBits, maximumBits);
        o.scaling = c.scaling;
        o.order = c.order;
        o.structure = c.structure;
        try {
            // L1 scaling keeps every node below full scale by its construction, checked for
            // each word when its candidates are realised; the coefficients scaled here decide
            // the coefficient words.
            if (c.scaling == Scaling::L1) {
                Family f{c.structure, c.scaling, c.order, realiseAsScaled(factored_, o)};
                const WordCheck check =
                    checkWords(f.scaled, filter_.kind, request_.request, report_, false, false);
                if (f.scaled.cascade.normalised && check.stable && check.meetsRequest)
                    scaled[k] = std::move(f);
                return;
            }
            // An input seen to overflow it rules the family out before its gains are summed
            // in full (for a pole near the circle, over millions of samples), at a glance for
            // l2 scaling.
            if (c.scaling == Scaling::L2 && overflowShown(realiseAtAGlance(factored_, o)))
                return;
            Family f{c.structure, c.scaling, c.order, realise(factored_, o)};
            if (overflowShown(f.scaled))
                return;
            sumNodeGains(f.scaled);
            f.rounded.emplace(maximumBits, f.scaled);
            const WordCheck check =
                checkWords(f.scaled, filter_.kind, request_.request, report_, false);
            if (check.stable && check.meetsRequest && check.overflowFree)
                scaled[k] = std::move(f);
        } catch (const UserMessage&) {
            // This structure cannot realise the filter (a lattice of an unstable section,
            // coefficients beyond the words).
        }
    });
    // Orders that put the sections in the same places realise the same implementation.
    const auto same = [](const Family& a, const Family& b) {
        const std::vector<SecondOrderSection>& x = a.scaled.quantised;
        const std::vector<SecondOrderSection>& y = b.scaled.quantised;
        return a.structure == b.structure && a.scaling == b.scaling && x.size() == y.size() &&
               std::equal(x.begin(), x.end(), y.begin(), [](const auto& p, const auto& q) {
                   return std::equal(p.num, p.num + 3, q.num) &&
                          std::equal(p.den, p.den + 3, q.den);
               });
    };
    for (std::optional<Family>& f : scaled)
        if (f && std::none_of(families.begin(), families.end(),
                              [&](const Family& g) { return same(g, *f); }))
            families.push_back(std::move(*f));
    done = 0;
    parallelFor(families.size(), [&](std::size_t k) {
        if (!tick(0.3 + 0.5 * static_cast<double>(done++) / static_cast<double>(families.size())))
            return;
        shortestWords(families[k]);
    });
    if (cancelled_)
        return result;
    // The estimated words realised exactly, the cheapest families first and a few side by
    // side, and each answer confirmed as implement runs it, cheapest first; a family is
    // realised only while its estimate, less the bits an exact realisation may save, could
    // still beat the cheapest answer waiting to be confirmed, and one whose estimate shows a
    // limit cycle only once every other has failed.
    std::vector<Family*> waiting;
    for (Family& f : families)
        if (f.estimated)
            waiting.push_back(&f);
    const auto sooner = [this](const Family* a, const Family* b) {
        if (a->estimateCycles != b->estimateCycles)
            return b->estimateCycles;
        return cheaper(*a->estimated, *b->estimated, request_.cost);
    };
    std::sort(waiting.begin(), waiting.end(), sooner);
    const auto bound = [](const Family& f) {
        Candidate b = *f.estimated;
        b.dataBits -= exactSaving;
        b.snr = -std::numeric_limits<double>::infinity();
        return b;
    };
    std::vector<Candidate> verified;
    std::size_t next = 0;
    int tried = 0, cycling = 0;
    while (!result.found) {
        std::sort(verified.begin(), verified.end(), [this](const Candidate& a, const Candidate& b) {
            return cheaper(a, b, request_.cost);
        });
        if (!verified.empty() &&
            (next == waiting.size() || waiting[next]->estimateCycles ||
             cheaper(verified.front(), bound(*waiting[next]), request_.cost))) {
            if (!tick(0.9))
                return result;
            Candidate c = verified.front();
            verified.erase(verified.begin());
            ImplementationFigures figures;
            const bool ok = confirmed(c, figures);
            ++tried;
            cycling += !c.cycleFree;
            if (ok) {
                result.found = true;
                result.best = c;
                result.figures = figures;
            }
            continue;
        }
        if (next == waiting.size())
            break;
        const std::size_t batch = std::min(workerCount(), waiting.size() - next);
        parallelFor(batch, [&](std::size_t k) { exactWords(*waiting[next + k]); });
        std::vector<Family*> climbing;
        for (std::size_t k = 0; k < batch; ++k) {
            if (waiting[next + k]->shortest)
                verified.push_back(*waiting[next + k]->shortest);
            if (waiting[next + k]->climbing)
                climbing.push_back(waiting[next + k]);
        }
        next += batch;
        for (Family* f : climbing)
            waiting.insert(std::upper_bound(waiting.begin() + static_cast<std::ptrdiff_t>(next),
                                            waiting.end(), f, sooner),
                           f);
        if (!tick(0.8 + 0.1 * static_cast<double>(next) / static_cast<double>(waiting.size())))
            return result;
    }
    // Longer words of the answer's family, or without an answer of the families on the
    // front: for a pole near the circle every word costs sums over millions of samples.
    const auto admissible = [&] {
        std::vector<Candidate> all;
        for (const Family& f : families)
            for (const Candidate& p : f.points)
                if (p.stable && p.meetsRequest && p.overflowFree)
                    all.push_back(p);
        return all;
    };
    const std::vector<Candidate> front = paretoFront(admissible(), request_.cost);
    std::vector<Family*> chosen;
    for (Family& f : families) {
        const auto ofFamily = [&](const Candidate& p) {
            return p.structure == f.structure && p.scaling == f.scaling && p.order == f.order;
        };
        if (f.shortest && (result.found ? ofFamily(result.best)
                                        : std::any_of(front.begin(), front.end(), ofFamily)))
            chosen.push_back(&f);
    }
    longerWords(chosen);
    if (cancelled_)
        return result;
    const std::vector<Candidate> all = admissible();
    result.pareto = paretoFront(all, request_.cost);
    for (const Family& f : families)
        result.evaluated += static_cast<int>(f.points.size());
    if (!result.found) {
        // The closest: the highest SNR of those that are stable, meet the request and cannot
        // overflow; else of those that are stable.
        for (bool strict : {true, false}) {
            for (const Family& f : families)
                for (const Candidate& p : f.points)
                    if (p.stable && (!strict || (p.meetsRequest && p.overflowFree)) &&
                        (!result.closest || p.snr > result.closest->snr))
                        result.closest = p;
            if (result.closest)
                break;
        }
        char snr[32];
        std::snprintf(snr, sizeof snr, "%.2f", request_.snr);
        result.why = tried > 0 && cycling > 0
                         ? "Все реализации, достигающие отношения сигнал/шум " + std::string(snr) +
                               " dB, показали предельные циклы при нулевом входе"
                     : families.empty()
                         ? std::string("Ни одна структура, масштабирование и порядок секций не "
                                       "дают устойчивого фильтра без переполнений, выполняющего "
                                       "требования, даже при словах 32 бит")
                         : "Ни одна реализация с длинами слов от 4 до 32 бит не достигает "
                           "отношения сигнал/шум " +
                               std::string(snr) +
                               " dB без переполнений и предельных циклов при выполнении "
                               "требований";
    }
    tick(1);
    return result;
}

std::string candidateText(const Candidate& c) {
    char snr[32];
    std::snprintf(snr, sizeof snr, "%.2f", c.snr);
    return structureName(c.structure) + ", W = " + std::to_string(c.dataBits) +
           ", C = " + std::to_string(c.coefBits) + ", масштабирование " + scalingName(c.scaling) +
           ", порядок " + orderName(c.order) + ": умножений " + std::to_string(c.multiplications) +
           ", сигнал/шум " + snr + " dB";
}

std::string candidateJson(const Candidate& c, CostMeasure m) {
    return "{\"structure\": \"" + structureName(c.structure) +
           "\", \"data_bits\": " + std::to_string(c.dataBits) +
           ", \"coef_bits\": " + std::to_string(c.coefBits) + ", \"scale\": \"" +
           scalingName(c.scaling) + "\", \"order\": \"" + orderName(c.order) +
           "\", \"multiplications\": " + std::to_string(c.multiplications) +
           ", \"cost\": " + jsonNumber(c.cost(m)) + ", \"snr_db\": " + jsonNumber(c.snr) + "}";
}

std::string argumentsJson(const Candidate& c) {
    std::string j = "[";
    for (const std::string& a : c.arguments())
        j += (j.size() > 1 ? ", " : "") + jsonString(a);
    return j + "]";
}

} // namespace

SearchResult searchBest(const FilterCoefficients& filter, const SearchRequest& request,
                        const std::function<bool(double)>& progress) {
    return Search(filter, request, progress).run();
}

std::vector<std::string> searchLines(const SearchResult& r, CostMeasure m) {
    std::vector<std::string> lines;
    if (r.found) {
        lines.push_back("Самая дешевая реализация: " + candidateText(r.best));
        std::string args = "zorkan-cli implement ФАЙЛ.flt";
        for (const std::string& a : r.best.arguments())
            args += " " + a;
        lines.push_back("Повторить: " + args);
        for (const std::string& line : figureLines(r.figures))
            lines.push_back("  " + line);
    } else {
        lines.push_back(r.why);
        if (r.closest)
            lines.push_back("Ближе всего: " + candidateText(*r.closest));
    }
    lines.push_back(
        std::string("Парето-фронт (") + (m == CostMeasure::Bits ? "W + C" : "умножения") +
        " против сигнал/шум), реализаций проверено " + std::to_string(r.evaluated) + ":");
    for (const Candidate& c : r.pareto)
        lines.push_back("  " + candidateText(c));
    return lines;
}

std::string searchJson(const SearchResult& r, CostMeasure m) {
    std::string j = "{\"found\": " + jsonBool(r.found);
    j += ", \"cost_measure\": \"";
    j += m == CostMeasure::Bits ? "bits" : "multiplications";
    j += "\"";
    if (r.found) {
        j += ", \"best\": " + candidateJson(r.best, m);
        j += ", \"best_options\": " + argumentsJson(r.best);
        j += ", \"figures\": " + figuresJson(r.figures);
    } else {
        j += ", \"why\": " + jsonString(r.why);
        j += ", \"closest\": " + (r.closest ? candidateJson(*r.closest, m) : std::string("null"));
    }
    j += ", \"evaluated\": " + std::to_string(r.evaluated);
    j += ", \"pareto\": [";
    for (std::size_t k = 0; k < r.pareto.size(); ++k)
        j += (k ? ", " : "") + candidateJson(r.pareto[k], m);
    return j + "]}";
}

double Candidate::cost(CostMeasure measure) const {
    return measure == CostMeasure::Bits ? dataBits + coefBits : multiplications;
}

ImplementationOptions Candidate::options() const {
    ImplementationOptions o;
    o.arithmetic = {Target::Fixed, dataBits, coefBits, Rounding::Nearest, Overflow::Saturate};
    o.scaling = scaling;
    o.order = order;
    o.structure = structure;
    return o;
}

std::vector<std::string> Candidate::arguments() const {
    return {"--structure", structureName(structure), "--target",    "fixed",
            "--data-bits", std::to_string(dataBits), "--coef-bits", std::to_string(coefBits),
            "--scale",     scalingName(scaling),     "--order",     orderName(order)};
}

} // namespace zorkan
