// A filter parameter file taken to every export format: factoring, normalisation and the
// texts, on whatever coefficients a file may hold.
#include "coefficients/filterfile.h"
#include "export/formats.h"
#include "tests/fuzz/fuzzinput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto in = zorkan::fuzz::readerOf(data, size);
    zorkan::fuzz::expectOnlyZorkanErrors([&] {
        using namespace zorkan;
        SecondOrderCascade cascade = secondOrderSections(readFilterFile(in, responseReader));
        if (size % 2 == 0)
            normaliseGain(cascade);
        ExportOptions options;
        for (ExportFormat f : {ExportFormat::SosCsv, ExportFormat::Octave, ExportFormat::Python}) {
            options.format = f;
            exportText(cascade, options);
        }
        options.format = ExportFormat::C;
        for (SampleType t : {SampleType::Double, SampleType::Float, SampleType::Q15}) {
            options.type = t;
            exportCSources(cascade, options, "f.h");
        }
    });
    return 0;
}
