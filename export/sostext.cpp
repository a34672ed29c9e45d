#include "export/sostext.h"

#include "export/exportheader.h"
#include "export/exporttext.h"

namespace zorkan {

namespace {

std::string csvText(const ExportedFilter& f, const ExportOptions& o) {
    std::string out = commented(exportHeaderLines(f, o), "#");
    for (const SecondOrderSection& s : f.cascade.sections) {
        out += exactNumber(s.num[0]) + "," + exactNumber(s.num[1]) + "," + exactNumber(s.num[2]) +
               "," + exactNumber(s.den[0]) + "," + exactNumber(s.den[1]) + "," +
               exactNumber(s.den[2]) + "\n";
    }
    return out;
}

std::string row(const SecondOrderSection& s, const char* separator) {
    const double v[6] = {s.num[0], s.num[1], s.num[2], s.den[0], s.den[1], s.den[2]};
    std::string out;
    for (int i = 0; i < 6; ++i)
        out += (i ? separator : "") + exactNumber(v[i]);
    return out;
}

std::string octaveText(const ExportedFilter& f, const ExportOptions& o) {
    std::string out = commented(exportHeaderLines(f, o), "%");
    out += "sos = [\n";
    for (const SecondOrderSection& s : f.cascade.sections)
        out += "  " + row(s, ", ") + ";\n";
    out += "];\ng = 1;\n";
    return out;
}

std::string pythonText(const ExportedFilter& f, const ExportOptions& o) {
    std::string out = commented(exportHeaderLines(f, o), "#");
    out += "import numpy as np\n\nsos = np.array([\n";
    for (const SecondOrderSection& s : f.cascade.sections)
        out += "    [" + row(s, ", ") + "],\n";
    out += "])\n";
    return out;
}

} // namespace

std::string sosText(const ExportedFilter& filter, const ExportOptions& options) {
    if (options.format == ExportFormat::Octave)
        return octaveText(filter, options);
    if (options.format == ExportFormat::Python)
        return pythonText(filter, options);
    return csvText(filter, options);
}

} // namespace zorkan
