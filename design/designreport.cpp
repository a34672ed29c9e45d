#include "design/designreport.h"

#include "common/cp1251.h"
#include "common/errors.h"
#include "common/textnumbers.h"
#include "design/classicaldesign.h"
#include "design/request.h"

#include <cmath>
#include <fstream>
#include <iterator>
#include <optional>
#include <utility>
#include <vector>

namespace zorkan {

namespace {

std::vector<std::string> linesOf(std::string_view bytes) {
    std::vector<std::string> lines;
    std::string line;
    for (std::size_t i = 0; i < bytes.size() && lines.size() < 64; ++i) {
        const char c = bytes[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
                ++i;
            lines.push_back(fromCp1251(line));
            line.clear();
        } else if (line.size() < 4096) {
            line += c;
        }
    }
    if (!line.empty())
        lines.push_back(fromCp1251(line));
    return lines;
}

// The blank-separated numbers of a text.
bool numbersIn(std::string_view text, std::vector<double>& out) {
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && text[i] == ' ')
            ++i;
        std::size_t j = i;
        while (j < text.size() && text[j] != ' ')
            ++j;
        if (j > i) {
            double v = 0;
            if (!parseDecimalReal(text.substr(i, j - i), v) || !std::isfinite(v))
                return false;
            out.push_back(v);
        }
        i = j;
    }
    return true;
}

const std::string orderLabel = " заданный порядок ФНЧ -ПРОТОТИПА ";

std::optional<Approximation> approximationNamed(const std::string& a) {
    if (a.find("Баттерворта") != std::string::npos)
        return Approximation::Butterworth;
    if (a.find("Элиптическая") != std::string::npos)
        return Approximation::Elliptic;
    if (a.find("инверсная Чебышева") != std::string::npos)
        return Approximation::InverseChebyshev;
    if (a.find("Чебышева") != std::string::npos)
        return Approximation::Chebyshev;
    if (a.find("Бесселя") != std::string::npos)
        return Approximation::Bessel;
    return std::nullopt;
}

// The order design of a report that, after FD, DA and B1, has the lines
// " заданный порядок ФНЧ -ПРОТОТИПА N", " граничные частоты <вид> = ", the edges and the
// approximation's name; nothing when the report has no such lines.
std::optional<ClassicalDesignRequest> orderRequest(const std::vector<std::string>& lines,
                                                   const DesignRequest& request) {
    for (std::size_t k = 0; k + 3 < lines.size(); ++k) {
        if (lines[k].rfind(orderLabel, 0) != 0)
            continue;
        ClassicalDesignRequest cr;
        cr.request = request;
        cr.byOrder = true;
        std::vector<double> order, edges;
        if (!numbersIn(std::string_view(lines[k]).substr(orderLabel.size()), order) ||
            order.size() != 1 || !numbersIn(lines[k + 2], edges))
            return std::nullopt;
        cr.order = static_cast<int>(order[0]);
        const std::pair<const char*, BandKind> kinds[] = {{"ФНЧ", BandKind::LowPass},
                                                          {"ФВЧ", BandKind::HighPass},
                                                          {"ПФ", BandKind::BandPass},
                                                          {"РФ", BandKind::BandStop}};
        bool known = false;
        for (const auto& [label, kind] : kinds)
            if (lines[k + 1] == std::string(" граничные частоты ") + label + " = ") {
                cr.band = kind;
                known = true;
            }
        const bool two = cr.band == BandKind::BandPass || cr.band == BandKind::BandStop;
        const std::optional<Approximation> a = approximationNamed(lines[k + 3]);
        if (!known || !a || edges.size() != (two ? 2u : 1u))
            return std::nullopt;
        cr.request.approximation = approximationCode(*a);
        cr.edge1 = edges[0];
        cr.edge2 = two ? edges[1] : 0;
        return cr;
    }
    return std::nullopt;
}

} // namespace

DesignRequest parseDesignRequest(std::string_view bytes, const std::string& name) {
    const std::string notAReport = "Файл " + name + " не является отчетом расчета фильтра";
    const std::vector<std::string> lines = linesOf(bytes);
    DesignRequest r;
    bool fd = false, da = false, b1 = false, edges = false, approximation = false;
    auto valueAfter = [&](const std::string& line, const std::string& label, double& v) {
        if (line.rfind(label, 0) != 0)
            return false;
        std::vector<double> numbers;
        if (!numbersIn(std::string_view(line).substr(label.size()), numbers) || numbers.size() != 1)
            throw UserMessage(notAReport + ": в строке \"" + label + "\" нет числа");
        v = numbers[0];
        return true;
    };
    for (std::size_t k = 0; k < lines.size(); ++k) {
        const std::string& line = lines[k];
        if (line.rfind(orderLabel, 0) == 0)
            break; // an order design's report: its request follows
        fd = valueAfter(line, " частота дискретизации =", r.fd) || fd;
        da = valueAfter(line, " неравномерность в dB  =", r.da) || da;
        b1 = valueAfter(line, " гарантированное затухание в dB =", r.b1) || b1;
        if (line.rfind(" значения частот F1,F2,F3,F4 =", 0) == 0 && k + 1 < lines.size()) {
            std::vector<double> v;
            if (!numbersIn(lines[k + 1], v) || v.size() != 4)
                throw UserMessage(notAReport + ": нет четырех значений частот");
            r.f3 = v[0];
            r.f2 = v[1];
            r.f1 = v[2];
            r.f4 = v[3];
            edges = true;
            if (k + 2 < lines.size()) {
                const std::string& a = lines[k + 2];
                approximation = true;
                if (a.find("Баттерворта") != std::string::npos)
                    r.approximation = approximationCode(Approximation::Butterworth);
                else if (a.find("Элиптическая") != std::string::npos)
                    r.approximation = approximationCode(Approximation::Elliptic);
                else if (a.find("инверсная Чебышева") != std::string::npos)
                    r.approximation = approximationCode(Approximation::InverseChebyshev);
                else if (a.find("Чебышева") != std::string::npos)
                    r.approximation = approximationCode(Approximation::Chebyshev);
                else if (a.find("Бесселя") != std::string::npos)
                    r.approximation = approximationCode(Approximation::Bessel);
                else
                    approximation = false;
            }
            break;
        }
    }
    if (fd && da && b1 && !edges) {
        const std::optional<ClassicalDesignRequest> order = orderRequest(lines, r);
        if (order) {
            try {
                return orderDesignRequest(*order);
            } catch (const UserMessage& e) {
                throw UserMessage("Отчет " + name + " - расчет по порядку: " + e.what());
            }
        }
    }
    if (!fd || !da || !b1 || !edges || !approximation)
        throw UserMessage(notAReport);
    if (!(r.fd > 0))
        throw UserMessage(notAReport + ": частота дискретизации должна быть больше нуля");
    if (!toleranceLayout(r.f1, r.f2, r.f3, r.f4))
        throw UserMessage(notAReport + ": " + badBandLayoutMessage);
    return r;
}

DesignRequest readDesignRequest(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throwIoError(ioFileNotFound, path);
    std::string bytes;
    char buffer[8192];
    // The request is in the first lines; the rest of a long report is not read.
    in.read(buffer, sizeof buffer);
    bytes.assign(buffer, static_cast<std::size_t>(in.gcount()));
    return parseDesignRequest(bytes, path);
}

} // namespace zorkan
