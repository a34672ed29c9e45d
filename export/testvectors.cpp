// The golden test vectors of the C and CMSIS-DSP exports.
#include "export/testvectors.h"

#include "common/errors.h"
#include "export/exporttext.h"
#include "fixedpoint/simulation.h"
#include "zorkanconfig.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace zorkan {

namespace {

std::string floatingLiteral(double v, bool single) {
    if (!std::isfinite(v))
        throw UserMessage("Моделирование дало бесконечный или неопределенный отсчет: тестовые "
                          "векторы не записать (фильтр неустойчив?)");
    return single ? singleLiteral(static_cast<float>(v)) : exactNumber(v);
}

std::string array(const std::string& type, const std::string& name,
                  const std::vector<std::string>& values) {
    std::string out =
        "static const " + type + " " + name + "[" + std::to_string(values.size()) + "] = {\n";
    std::string line = "   ";
    for (const std::string& v : values) {
        if (line.size() + v.size() + 2 > 96) {
            out += line + "\n";
            line = "   ";
        }
        line += " " + v + ",";
    }
    return out + line + "\n};\n\n";
}

} // namespace

void checkGoldenOutputVaries(const ExportedFilter& filter, const ExportOptions& o) {
    if (o.force || o.testVectors < 2 || !filter.implementation)
        return;
    const Implementation& im = *filter.implementation;
    const std::vector<double> y = simulate(im, goldenStimulus(im, o.testVectors));
    if (std::all_of(y.begin(), y.end(), [&](double v) { return v == y.front(); }))
        throw UserMessage(
            "Ожидаемый выход тестовых векторов постоянен (все " + std::to_string(y.size()) +
            " отсчетов равны " + exactNumber(y.front()) +
            " полной шкалы): такие векторы не проверяют фильтр; файлы не записаны (записать "
            "все равно: --force)");
}

std::string testVectorsSource(const ExportedFilter& filter, const ExportOptions& o,
                              const std::string& headerName) {
    checkCIdentifier(o.prefix);
    if (!filter.implementation)
        throw UserMessage("В файле фильтра нет ни одной секции: тестовые векторы не записать");
    const Implementation& im = *filter.implementation;
    const std::vector<double> x = goldenStimulus(im, o.testVectors);
    Simulator sim(im);
    return goldenVectorsProgram(o, im.options.arithmetic, headerName, x,
                                [&](double v) { return sim.step(v); });
}

std::string goldenVectorsProgram(const ExportOptions& o, const Arithmetic& arithmetic,
                                 const std::string& headerName, const std::vector<double>& x,
                                 const std::function<double(double)>& step) {
    checkCIdentifier(o.prefix);
    const int n = o.testVectors;
    const bool cmsis = o.format == ExportFormat::Cmsis;
    const Target target = arithmetic.target;
    const bool fixed = fixedPointTarget(target);
    const bool single = target == Target::Float || target == Target::FloatFma ||
                        target == Target::CmsisF32 || target == Target::CmsisLatticeF32 ||
                        target == Target::CmsisFirF32;
    const double lastBit = fixed ? std::ldexp(1.0, -(arithmetic.dataBits - 1)) : 1;

    std::vector<std::string> in, expected;
    for (double v : x) {
        if (fixed) {
            in.push_back(integerLiteral(std::llround(v / lastBit)));
            expected.push_back(integerLiteral(std::llround(step(v) / lastBit)));
        } else {
            in.push_back(floatingLiteral(v, single));
            expected.push_back(floatingLiteral(step(v), single));
        }
    }

    std::string type;
    switch (o.type) {
    case SampleType::Q15:
    case SampleType::LatticeQ15:
    case SampleType::FirQ15:
        type = cmsis ? "q15_t" : "int16_t";
        break;
    case SampleType::Q31:
    case SampleType::LatticeQ31:
    case SampleType::FirQ31:
        type = cmsis ? "q31_t" : "int32_t";
        break;
    case SampleType::F32:
    case SampleType::LatticeF32:
    case SampleType::FirF32:
        type = "float32_t";
        break;
    case SampleType::Float:
    case SampleType::FloatFma:
        type = "float";
        break;
    case SampleType::Double:
        type = "double";
        break;
    }
    const std::string& p = o.prefix;
    std::string c = "/*\n * ZORKAN " + std::string(ZORKAN_VERSION) + " golden test vectors of " +
                    printableAscii(headerName, "*\"\\") + " (" + targetName(target) + "), " +
                    std::to_string(n) + " samples\n";
    c += " * input: a full-scale sweep from 0 to half the sampling rate, then full-scale noise,\n"
         " * then silence; expected: ZORKAN's bit-exact simulation of the same implementation.\n"
         " * Prints OK and returns 0 when every output equals the expected one, else prints the\n"
         " * first differing index with both values and returns 1.\n */\n";
    c += "#include <stdio.h>\n";
    if (!cmsis)
        c += "#include <stddef.h>\n#include <stdint.h>\n";
    c += includeDirective(headerName) + "\n";
    c += "#define TEST_SAMPLES " + std::to_string(n) + "\n\n";
    c += array(type, "test_input", in);
    c += array(type, "test_expected", expected);
    c += "static " + type + " test_output[TEST_SAMPLES];\n\n";
    c += "int main(void) {\n";
    // Two blocks, so that the state carries over from one call to the next.
    const std::string first = std::to_string(n / 3);
    if (cmsis) {
        c += "    unsigned long i;\n    " + p + "_init();\n";
        c += "    " + p + "_process(test_input, test_output, " + first + ");\n";
        c += "    " + p + "_process(test_input + " + first + ", test_output + " + first +
             ", TEST_SAMPLES - " + first + ");\n";
    } else {
        c += "    unsigned long i;\n    " + p + "_state state;\n    " + p + "_reset(&state);\n";
        c += "    " + p + "_block(&state, test_input, test_output, " + first + ");\n";
        c += "    " + p + "_block(&state, test_input + " + first + ", test_output + " + first +
             ", TEST_SAMPLES - " + first + ");\n";
    }
    c += "    for (i = 0; i < TEST_SAMPLES; ++i) {\n";
    c += "        if (test_output[i] != test_expected[i]) {\n";
    if (fixed)
        c += "            printf(\"FAIL at %lu: expected %ld, got %ld\\n\", i, "
             "(long)test_expected[i],\n                   (long)test_output[i]);\n";
    else
        c += std::string("            printf(\"FAIL at %lu: expected %.") + (single ? "9" : "17") +
             "g, got %." + (single ? "9" : "17") +
             "g\\n\", i, (double)test_expected[i],\n                   (double)test_output[i]);\n";
    c += "            return 1;\n        }\n    }\n    printf(\"OK\\n\");\n    return 0;\n}\n";
    return c;
}

} // namespace zorkan
