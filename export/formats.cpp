// The export pipeline: the options, the filter they ask for, its files and their texts.
#include "export/formats.h"

#include "export/ccode.h"
#include "export/cmsis.h"
#include "export/exporttext.h"
#include "export/sostext.h"
#include "export/testvectors.h"
#include "export/verilog.h"

#include "coefficients/filterfile.h"
#include "common/errors.h"
#include "common/replacefile.h"
#include "fixedpoint/warnings.h"

namespace zorkan {

namespace {

// The command-line names, in the order of ExportFormat and SampleType.
const char* const formatNames[] = {"sos-csv", "octave", "python", "c", "cmsis", "verilog", "csv"};
const char* const typeNames[] = {"double",      "float",   "q15",         "q31",
                                 "float-fma",   "f32",     "lattice-q15", "lattice-q31",
                                 "lattice-f32", "fir-q15", "fir-q31",     "fir-f32"};

// The implementation the exported arithmetic realises: its target, scaling and order.
ImplementationOptions implementationOptions(const ExportOptions& options,
                                            const ExportedFilter& filter) {
    ImplementationOptions io;
    if (options.format == ExportFormat::Verilog)
        io.arithmetic = options.words;
    io.arithmetic.target = exportTarget(options).value_or(Target::Double);
    io.scaling = filter.scaling;
    io.order = filter.sectionOrder;
    io.structure = options.structure;
    return io;
}

void checkTestVectors(const ExportOptions& options) {
    if (options.testVectors < 0 || options.testVectors > maximumTestVectors)
        throw UserMessage("Число отсчетов тестовых векторов должно быть от 1 до " +
                          std::to_string(maximumTestVectors));
    if (options.testVectors > 0 && options.format != ExportFormat::C &&
        options.format != ExportFormat::Cmsis && options.format != ExportFormat::Verilog)
        throw UserMessage(
            "Тестовые векторы (--test-vectors) пишутся только для форматов c, cmsis и verilog");
}

// A structure is chosen only for the formats that write an implementation, and only one
// its target has.
void checkExportStructure(const ExportOptions& options, Target target) {
    if (!options.structure)
        return;
    if (options.format != ExportFormat::C && options.format != ExportFormat::Cmsis &&
        options.format != ExportFormat::Verilog)
        throw UserMessage("Структура секций (--structure) выбирается только для форматов c, "
                          "cmsis и verilog");
    checkStructure(target, *options.structure);
}

} // namespace

ExportFormat parseExportFormat(const std::string& text) {
    for (std::size_t i = 0; i < std::size(formatNames); ++i)
        if (text == formatNames[i])
            return static_cast<ExportFormat>(i);
    throw UserMessage("Неизвестный формат '" + text +
                      "': допустимы sos-csv, octave, python, c, cmsis, verilog, csv (отводы "
                      "файла .fir)");
}

SampleType parseSampleType(const std::string& text) {
    for (std::size_t i = 0; i < std::size(typeNames); ++i)
        if (text == typeNames[i])
            return static_cast<SampleType>(i);
    throw UserMessage("Неизвестный тип чисел '" + text +
                      "': допустимы double, float, float-fma, q15, q31, f32, lattice-q15, "
                      "lattice-q31, lattice-f32, fir-q15, fir-q31, fir-f32");
}

bool latticeType(SampleType type) {
    return type == SampleType::LatticeQ15 || type == SampleType::LatticeQ31 ||
           type == SampleType::LatticeF32;
}

std::string exportExtension(ExportFormat format) {
    static const char* const extensions[] = {".csv", ".m", ".py", ".c", ".c", ".v", ".csv"};
    return extensions[static_cast<int>(format)];
}

std::optional<Target> exportTarget(const ExportOptions& options) {
    const bool code =
        options.format == ExportFormat::Cmsis || options.format == ExportFormat::Verilog;
    const std::string format =
        formatNames[static_cast<int>(code ? options.format : ExportFormat::C)];
    const std::string type =
        options.format == ExportFormat::Verilog ? "" : typeNames[static_cast<int>(options.type)];
    for (const TargetRow& row : targetTable())
        if (format == row.exportFormat && type == row.exportType)
            return row.target;
    return std::nullopt;
}

ExportOptions exportFormatOf(Target target) {
    const TargetRow& row = targetRow(target);
    ExportOptions options;
    options.format = parseExportFormat(row.exportFormat);
    if (*row.exportType)
        options.type = parseSampleType(row.exportType);
    return options;
}

namespace {

// The formats that write an implementation (code for a device) rather than plain sections.
bool implementationFormat(ExportFormat format) {
    return format == ExportFormat::C || format == ExportFormat::Cmsis ||
           format == ExportFormat::Verilog;
}

} // namespace

Scaling exportScaling(const ExportOptions& options) {
    if (options.normalise)
        return options.scaling.value_or(Scaling::Peak);
    return options.scaling.value_or(
        implementationFormat(options.format) ? ImplementationOptions{}.scaling : Scaling::None);
}

SectionOrder exportSectionOrder(const ExportOptions& options) {
    return options.order.value_or(
        implementationFormat(options.format) ? ImplementationOptions{}.order : SectionOrder::File);
}

void checkNormalising(const ExportOptions& options) {
    if (options.normalise && options.scaling && *options.scaling != Scaling::Peak)
        throw UserMessage("Нормирование (--normalise) - это масштабирование peak; "
                          "укажите одно из двух");
}

ExportedFilter exportedFilter(const FilterCoefficients& file, const ExportOptions& options) {
    if (options.format == ExportFormat::Csv)
        throw UserMessage("Формат csv пишет отводы КИХ-фильтра (файл .fir); секции файла "
                          "параметров пишет формат sos-csv");
    ExportedFilter filter;
    filter.order = filterOrder(file);
    // A B0 of 0 is taken as 1 and has a warning of its own.
    for (std::size_t k = 0; k < file.sections.size(); ++k)
        if (file.sections[k].b[0] != 1 && file.sections[k].b[0] != 0)
            filter.scaledSections.push_back(k + 1);
    const bool cmsis = options.format == ExportFormat::Cmsis;
    const bool verilog = options.format == ExportFormat::Verilog;
    if (!exportTarget(options))
        throw UserMessage(cmsis ? "Формат cmsis принимает тип q15, q31 или f32 (секции "
                                  "второго порядка) либо lattice-q15, lattice-q31 или "
                                  "lattice-f32 (решетка всего фильтра)"
                                : "Типы f32, lattice-q15, lattice-q31 и lattice-f32 относятся "
                                  "только к формату cmsis");
    checkTestVectors(options);
    checkNormalising(options);
    checkExportStructure(options, *exportTarget(options));
    filter.scaling = exportScaling(options);
    filter.sectionOrder = exportSectionOrder(options);
    if (verilog ||
        ((cmsis || (options.format == ExportFormat::C && options.type != SampleType::Double)) &&
         !file.sections.empty())) {
        // The cascade the implementation realises, with its coefficients as the
        // simulation holds them, and what the simulation finds.
        const ImplementationOptions io = implementationOptions(options, filter);
        auto im = std::make_shared<Implementation>(realise(file, io));
        filter.cascade = im->cascade;
        filter.implementation = std::move(im);
        // The report's own figures, as `implement` computes them with its defaults.
        const ImplementationFigures figures = implementationFigures(file, io, ReportOptions{});
        const std::string refusal = implementationRefusal(figures);
        if (!refusal.empty() && !options.force)
            throw UserMessage(refusal + "; экспорт отменен (записать все равно: --force)");
        for (CascadeWarning& w : implementationWarnings(figures))
            filter.cascade.warnings.push_back(std::move(w));
    } else if (cmsis) {
        throw UserMessage("В файле фильтра нет ни одной секции: экспортировать нечего");
    } else {
        filter.cascade = realisedCascade(file, filter.scaling, filter.sectionOrder);
        if (options.format == ExportFormat::C && !file.sections.empty()) {
            auto im = std::make_shared<Implementation>(
                realise(file, implementationOptions(options, filter)));
            // A structure of its own writes the programs' cascade, with their warnings.
            if (!im->programs.empty())
                filter.cascade = im->cascade;
            filter.implementation = std::move(im);
        }
    }
    return filter;
}

ExportedFilter exportedFilter(const std::string& sourcePath, const ExportOptions& options) {
    return exportedFilter(options.format == ExportFormat::Verilog
                              ? readAnalysedFilter(sourcePath)
                              : readFilterFile(sourcePath, responseReader),
                          options);
}

std::string exportText(const ExportedFilter& filter, const ExportOptions& options) {
    switch (options.format) {
    case ExportFormat::SosCsv:
    case ExportFormat::Octave:
    case ExportFormat::Python:
        return sosText(filter, options);
    case ExportFormat::C:
        return cOneHeader(filter, options);
    case ExportFormat::Verilog:
        return verilogModule(filter, options);
    case ExportFormat::Cmsis:
    case ExportFormat::Csv:
        break;
    }
    if (options.format == ExportFormat::Csv)
        throw UserMessage("Формат csv пишет отводы КИХ-фильтра (файл .fir)");
    throw UserMessage("Код CMSIS-DSP записывается в файлы: укажите --output");
}

std::vector<std::string> exportFiles(const std::string& outputPath, const ExportOptions& options) {
    const bool c = options.format == ExportFormat::C;
    const bool cmsis = options.format == ExportFormat::Cmsis;
    const bool verilog = options.format == ExportFormat::Verilog;
    const bool vectors = options.testVectors > 0 && (c || cmsis || verilog);
    std::vector<std::string> files;
    if (verilog) {
        files = {(endsWith(outputPath, ".v") ? outputPath.substr(0, outputPath.size() - 2)
                                             : outputPath) +
                 ".v"};
    } else if (!cmsis && (!c || endsWith(outputPath, ".h"))) {
        files = {outputPath};
    } else {
        const std::string stem = endsWith(outputPath, ".c") || (cmsis && endsWith(outputPath, ".h"))
                                     ? outputPath.substr(0, outputPath.size() - 2)
                                     : outputPath;
        files = {stem + ".h", stem + ".c"};
    }
    if (vectors) {
        const std::string& last = files.back();
        files.push_back(last.substr(0, last.size() - 2) + (verilog ? "_tb.v" : "_test.c"));
    }
    return files;
}

std::vector<ExportFile> exportFileTexts(const ExportedFilter& filter, const std::string& outputPath,
                                        const ExportOptions& options) {
    const std::vector<std::string> files = exportFiles(outputPath, options);
    checkGoldenOutputVaries(filter, options);
    if (options.format == ExportFormat::Verilog) {
        std::vector<ExportFile> texts = {{files[0], verilogModule(filter, options)}};
        if (files.size() > 1)
            texts.push_back({files[1], verilogTestbench(filter, options)});
        return texts;
    }
    const bool vectors = options.testVectors > 0 && (options.format == ExportFormat::C ||
                                                     options.format == ExportFormat::Cmsis);
    std::vector<ExportFile> out;
    if (files.size() == 1 + (vectors ? 1 : 0)) {
        out.push_back({files[0], exportText(filter, options)});
    } else {
        CSources sources = options.format == ExportFormat::Cmsis
                               ? cmsisSources(filter, options, baseName(files[0]))
                               : exportCSources(filter, options, baseName(files[0]));
        out.push_back({files[0], std::move(sources.header)});
        out.push_back({files[1], std::move(sources.source)});
    }
    if (vectors)
        out.push_back({files.back(), testVectorsSource(filter, options, baseName(files[0]))});
    return out;
}

void checkExportOutputs(const std::string& sourcePath, const std::vector<std::string>& files) {
    for (const std::string& file : files)
        if (sameFile(sourcePath, file))
            throw UserMessage("Выходной файл " + baseName(file) +
                              " совпадает с файлом фильтра: выберите другое имя");
}

ExportResult exportFilter(const std::string& sourcePath, const std::string& outputPath,
                          ExportOptions options) {
    if (options.sourceName.empty())
        options.sourceName = baseName(sourcePath);
    checkExportOutputs(sourcePath, exportFiles(outputPath, options));
    ExportResult result;
    result.filter = exportedFilter(sourcePath, options);
    std::vector<std::pair<std::string, std::string>> files;
    for (ExportFile& f : exportFileTexts(result.filter, outputPath, options)) {
        result.files.push_back(f.path);
        files.emplace_back(f.path, std::move(f.text));
    }
    writeFilesSafely(files);
    return result;
}

} // namespace zorkan
