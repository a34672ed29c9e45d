#include "purpose/designedsections.h"

#include "common/displaynumbers.h"
#include "common/errors.h"
#include "common/replacefile.h"
#include "common/textnumbers.h"

#include <cmath>
#include <memory>

namespace zorkan {

DesignedSections fromSecondOrder(const std::vector<SecondOrderSection>& sections, unsigned order) {
    DesignedSections designed;
    designed.order = order;
    for (const SecondOrderSection& s : sections) {
        FilterSection f;
        for (int i = 0; i < 3; ++i) {
            f.a[i] = s.num[i] / s.den[0];
            f.b[i] = s.den[i] / s.den[0];
        }
        designed.sections.push_back(f);
    }
    return designed;
}

FilterCoefficients coefficientsOf(const DesignedSections& filter) {
    FilterCoefficients c;
    c.order = static_cast<std::uint32_t>(2 * filter.sections.size());
    c.kind = filter.kind;
    c.sections = filter.sections;
    return c;
}

void writeDesignedFiles(const std::vector<std::pair<std::string, DesignedSections>>& files) {
    std::vector<std::unique_ptr<FileReplacement>> replacements;
    for (const auto& [path, filter] : files) {
        replacements.push_back(std::make_unique<FileReplacement>(path));
        TextWriter out(replacements.back()->temporaryPath(), path);
        writeFilterOrderLine(out, filter.order);
        writeFilterBody(out, filter.kind, filter.sections);
        out.close();
    }
    for (auto& r : replacements)
        r->commit();
}

void checkSampling(double fd) {
    if (!(fd > 0) || !std::isfinite(fd))
        throw UserMessage("Частота дискретизации FD должна быть больше нуля");
}

void checkFrequency(double f, double fd, const std::string& name) {
    checkSampling(fd);
    if (!(f > 0) || !(f < fd / 2))
        throw UserMessage(name + " " + formatGeneral(f, '.') +
                          " должна быть больше нуля и меньше FD/2 = " + formatGeneral(fd / 2, '.'));
}

void checkQuality(double q, const std::string& name) {
    if (!(q > 0) || !std::isfinite(q))
        throw UserMessage(name + " должна быть больше нуля");
}

} // namespace zorkan
