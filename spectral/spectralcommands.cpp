#include "spectral/spectralcommands.h"

#include "spectral/fourier.h"
#include "spectral/recursive.h"

namespace zorkan {

const char* const spectrumCaption = "Спектральный анализ";
const char* const noSpectrumInputText = "Не введены данные из файлов *.dat, *.xicd, *.reim";

const SpectralCommandTexts& commandTexts(SpectralCommand command) {
    static const SpectralCommandTexts texts[] = {
        {"bpf", "BPF file (*.reim)|*.reim", " - Быстрое преобразование Фурье"},
        {"rpf", "RPF file (*.reim)|*.reim", " - Рекуррентный алгоритм"},
        {"ppf", "PPF file (*.reim)|*.reim", " - С переносом спектра"},
        {"opf", "OPF file (*.reim)|*.reim", " - Обратное преобразование Фурье"},
    };
    return texts[static_cast<int>(command)];
}

const char* inputPattern(std::int32_t source) {
    switch (source) {
    case datSpectrumInput:
        return "*.dat";
    case xicdSpectrumInput:
        return "*.xicd";
    case reimSpectrumInput:
        return "*.reim";
    default:
        return "";
    }
}

void runTransform(SpectralCommand command, SpectralState& state) {
    switch (command) {
    case SpectralCommand::BPF:
        fastFourier(state.SpectrumTable);
        break;
    case SpectralCommand::RPF:
        recursiveSpectrum(state.SpectrumTable, state.RecursiveCoefficient);
        break;
    case SpectralCommand::PPF:
        shiftedSpectrum(state.SpectrumTable, state.ShiftCoefficient);
        break;
    case SpectralCommand::OPF:
        inverseFourier(state.SpectrumTable);
        break;
    }
}

namespace {

std::array<Canvas*, spectrumPictureCount> clearedWindow(const SpectrumWindowMaker& makeWindow) {
    std::array<Canvas*, spectrumPictureCount> pictures = makeWindow();
    for (Canvas* picture : pictures)
        clearSpectrumPicture(*picture);
    return pictures;
}

constexpr int traceLength = static_cast<int>(spectrumLength);

} // namespace

bool runSpectralCommand(SpectralCommand command, std::int32_t source,
                        const SpectrumInputNames& names, const std::string& resultPath,
                        SpectralState& state, const SpectrumWindowMaker& makeWindow) {
    if (!readSpectrumInput(source, names, state.SpectrumTable))
        return false;
    state.SpectrumBackup = state.SpectrumTable;
    runTransform(command, state);
    state.SpectrumResult = state.SpectrumTable;
    state.SpectrumTable = state.SpectrumBackup;

    const auto pictures = clearedWindow(makeWindow);
    plotSpectrumTrace(*pictures[0], inputTraceColor, SpectrumColumn::Re, traceLength,
                      state.SpectrumTable);
    state.SpectrumTable = state.SpectrumResult;
    writeReimFile(resultPath, state.SpectrumTable);
    plotSpectrumTrace(*pictures[1], secondTraceColor, SpectrumColumn::Re, traceLength,
                      state.SpectrumTable);
    plotSpectrumTrace(*pictures[2], thirdTraceColor, SpectrumColumn::Magnitude, traceLength,
                      state.SpectrumTable);
    return true;
}

bool viewSpectralInput(std::int32_t source, const SpectrumInputNames& names, SpectralState& state,
                       const SpectrumWindowMaker& makeWindow) {
    if (!readSpectrumInput(source, names, state.SpectrumTable))
        return false;
    const auto pictures = clearedWindow(makeWindow);
    plotSpectrumTrace(*pictures[0], inputTraceColor, SpectrumColumn::Re, traceLength,
                      state.SpectrumTable);
    plotSpectrumTrace(*pictures[1], secondTraceColor, SpectrumColumn::Im, traceLength,
                      state.SpectrumTable);
    plotSpectrumTrace(*pictures[2], thirdTraceColor, SpectrumColumn::Magnitude, traceLength,
                      state.SpectrumTable);
    return true;
}

} // namespace zorkan
