#include "fixedpoint/comparison.h"

#include "common/errors.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

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

std::vector<StructureFigures> compareStructures(const FilterCoefficients& filter,
                                                const ImplementationOptions& options,
                                                const ReportOptions& report) {
    std::vector<StructureFigures> rows;
    for (Structure s : structuresOf(options.arithmetic.target)) {
        StructureFigures row;
        row.structure = s;
        ImplementationOptions o = options;
        o.structure = s;
        try {
            row.figures = implementationFigures(filter, o, report);
        } catch (const UserMessage& e) {
            row.realised = false;
            row.refusal = e.what();
        }
        rows.push_back(std::move(row));
    }
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

std::string padded(std::string text, std::size_t width) {
    // Widths count characters, not bytes: the texts may be Cyrillic.
    std::size_t chars = 0;
    for (unsigned char c : text)
        chars += (c & 0xC0) != 0x80;
    if (chars < width)
        text.append(width - chars, ' ');
    return text;
}

std::string limitCycleText(const LimitCycle& c) {
    if (!c.searched)
        return "-";
    if (!c.found)
        return "нет";
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
    lines.push_back(padded("структура", 9) + padded("умн.", 6) + padded("слож.", 7) +
                    padded("сост.", 7) + padded("коэф.", 7) + padded("шум расч.", 11) +
                    padded("шум мод.", 11) + padded("с/ш", 9) + padded("перепол.", 10) +
                    padded("пред.цикл", 12) + "устойчив");
    for (const StructureFigures& r : rows) {
        std::string line = padded(structureName(r.structure), 9);
        if (!r.realised) {
            lines.push_back(line + "не реализуется: " + r.refusal);
            continue;
        }
        const ImplementationFigures& f = r.figures;
        line += padded(std::to_string(f.cost.multiplications), 6) +
                padded(std::to_string(f.cost.additions), 7) +
                padded(std::to_string(f.cost.stateWords), 7) +
                padded(std::to_string(f.cost.coefWords), 7) +
                padded(f.analyticNoise ? fixed(f.noiseAnalyticDbfs, 2) : "-", 11) +
                padded(f.simulatedNoise ? fixed(f.noiseSimulatedDbfs, 2) : "-", 11);
        double snr = 0;
        line += padded(statedSnr(f, snr) ? fixed(snr, 2) : "-", 9) +
                padded(f.overflowPossible || !f.normsBounded ? "возможно" : "нет", 10) +
                padded(limitCycleText(f.limitCycle), 12) + (f.stable ? "да" : "нет");
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
             ", \"limit_cycle\": {\"found\": " + jsonBool(f.limitCycle.found) +
             ", \"amplitude_lsb\": " + jsonNumber(f.limitCycle.amplitude) +
             ", \"period\": " + std::to_string(f.limitCycle.period) + "}" +
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

SearchResult searchBest(const FilterCoefficients&, const SearchRequest&,
                        const std::function<bool(double)>&) {
    throw UserMessage("Поиск реализации еще не готов");
}

std::vector<std::string> searchLines(const SearchResult&, CostMeasure) {
    return {};
}

std::string searchJson(const SearchResult&, CostMeasure) {
    return "{}";
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
