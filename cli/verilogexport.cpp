// zorkan-cli export --format verilog: a synthesisable module of the fixed-point
// implementation, and with --test-vectors its self-checking testbench.
#include "cli/verilogexport.h"

#include "coefficients/filterfile.h"
#include "common/errors.h"
#include "export/verilog.h"

#include <cstdio>
#include <filesystem>
#include <string>

namespace zorkan::cli {

int runVerilogExport(const Arguments& args) {
    if (args.options.count("type"))
        throw UserMessage("Параметр --type не относится к формату verilog: слова данных и "
                          "коэффициентов задают --data-bits и --coef-bits");
    if (args.positional.size() != 1)
        throw UserMessage("Укажите один файл параметров фильтра (.flt)");
    VerilogOptions options;
    Arithmetic& a = options.implementation.arithmetic;
    a.target = Target::Fixed;
    a.dataBits = static_cast<int>(integerOption(args, "data-bits", 16));
    a.coefBits = static_cast<int>(integerOption(args, "coef-bits", 32));
    a.rounding = parseRounding(textOption(args, "round", "nearest"));
    a.overflow = parseOverflow(textOption(args, "overflow", "saturate"));
    checkArithmetic(a);
    const bool normalise = switchGiven(args, "normalise");
    options.implementation.scaling = parseScaling(textOption(args, "scale", "peak"));
    if (normalise && args.options.count("scale") && options.implementation.scaling != Scaling::Peak)
        throw UserMessage("Нормирование (--normalise) - это масштабирование peak; "
                          "укажите одно из двух");
    options.implementation.order = parseSectionOrder(textOption(args, "order", "ascending"));
    options.prefix = textOption(args, "name", options.prefix);
    const std::int64_t vectors = integerOption(args, "test-vectors", 0);
    if (args.options.count("test-vectors") && (vectors < 1 || vectors > maximumTestVectors))
        throw UserMessage("Число отсчетов тестовых векторов должно быть от 1 до " +
                          std::to_string(maximumTestVectors));
    options.testVectors = static_cast<int>(vectors);
    const std::string source = args.positional[0];
    options.sourceName = std::filesystem::path(source).filename().string();

    const std::string output = textOption(args, "output", "");
    Implementation im;
    if (output.empty()) {
        if (options.testVectors > 0)
            throw UserMessage("Для тестовых векторов укажите выходной файл (--output ИМЯ.v): "
                              "испытательный модуль записывается рядом, в ИМЯ_tb.v");
        im = verilogImplementation(readAnalysedFilter(source), options);
        const std::string text = verilogModule(im, options);
        std::fwrite(text.data(), 1, text.size(), stdout);
    } else {
        im = exportVerilog(source, output, options).implementation;
    }
    for (const CascadeWarning& w : im.cascade.warnings)
        std::fprintf(stderr, "Предупреждение: %s\n", w.message.c_str());
    return 0;
}

} // namespace zorkan::cli
