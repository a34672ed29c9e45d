#include "polezero/rootlist.h"

#include "common/errors.h"
#include "common/textnumbers.h"

#include <cmath>
#include <numbers>

namespace zorkan {

namespace {

double number(const std::string& text, const std::string& item) {
    double v;
    if (!parseDecimalReal(text, v) || !std::isfinite(v))
        throw UserMessage("Корень \"" + item + "\" записан неверно: ожидается число, R:A или R@F");
    return v;
}

} // namespace

std::vector<SectionRoot> parseRootList(const std::string& text, std::optional<double> fd) {
    std::vector<SectionRoot> roots;
    if (text.empty())
        return roots;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = text.find(',', start);
        const std::string item =
            text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        const std::size_t colon = item.find(':');
        const std::size_t at = item.find('@');
        if (colon == std::string::npos && at == std::string::npos) {
            roots.push_back({number(item, item), 0, 1});
        } else {
            const bool byFrequency = at != std::string::npos;
            const std::size_t mark = byFrequency ? at : colon;
            if (colon != std::string::npos && at != std::string::npos)
                throw UserMessage("Корень \"" + item +
                                  "\" записан неверно: ожидается число, R:A или R@F");
            const double r = number(item.substr(0, mark), item);
            double angle = number(item.substr(mark + 1), item);
            if (r < 0)
                throw UserMessage("Радиус пары корней \"" + item +
                                  "\" не может быть отрицательным");
            if (byFrequency) {
                if (!fd)
                    throw UserMessage("Корень \"" + item +
                                      "\" задан частотой: укажите частоту дискретизации --fd");
                if (!(angle >= 0 && angle < *fd / 2))
                    throw UserMessage("Частота корня \"" + item +
                                      "\" должна быть не меньше 0 и меньше FD/2");
                angle = 2 * std::numbers::pi * angle / *fd;
            }
            // e^(+-jA) is the same pair for -A and for A + 2 pi k.
            angle = std::fmod(std::abs(angle), 2 * std::numbers::pi);
            if (angle > std::numbers::pi)
                angle = 2 * std::numbers::pi - angle;
            if (angle == 0)
                roots.push_back({r, 0, 2});
            else if (angle == std::numbers::pi)
                roots.push_back({-r, 0, 2});
            else
                roots.push_back({r, angle, 1});
        }
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    return roots;
}

} // namespace zorkan
