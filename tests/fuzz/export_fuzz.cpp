// A filter parameter file taken to every export format: factoring, ordering,
// normalisation and the texts, on whatever coefficients a file may hold.
#include "coefficients/filterfile.h"
#include "export/formats.h"
#include "tests/fuzz/fuzzinput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto in = zorkan::fuzz::readerOf(data, size);
    zorkan::fuzz::expectOnlyZorkanErrors([&] {
        using namespace zorkan;
        const FilterCoefficients file = readFilterFile(in, responseReader);
        ExportOptions options;
        options.normalise = size % 2 == 0;
        const ExportedFilter plain = exportedFilter(file, options);
        for (ExportFormat f : {ExportFormat::SosCsv, ExportFormat::Octave, ExportFormat::Python}) {
            options.format = f;
            exportText(plain, options);
        }
        options.format = ExportFormat::C;
        for (SampleType t : {SampleType::Double, SampleType::Float}) {
            options.type = t;
            exportFileTexts(plain, "f", options);
        }
        options.type = SampleType::Q15;
        exportFileTexts(exportedFilter(file, options), "f.c", options);
    });
    return 0;
}
