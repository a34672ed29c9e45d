#pragma once
// The work of the spectral commands, apart from their dialogs: read the chosen input,
// run one transform on a copy kept apart from the input, draw input and result on the
// three pictures of a new spectrum window, and write the result as a ".reim" file.
#include "spectral/spectralinput.h"
#include "spectral/spectrumplot.h"

#include <array>
#include <functional>
#include <string>

namespace zorkan {

enum class SpectralCommand { BPF, RPF, PPF, OPF };

struct SpectralCommandTexts {
    const char* proposedName;  // of the result file, without extension
    const char* filter;        // of the save dialog
    const char* captionSuffix; // after "Спектральный анализ"
};
const SpectralCommandTexts& commandTexts(SpectralCommand command);

extern const char* const spectrumCaption;     // "Спектральный анализ"
extern const char* const noSpectrumInputText; // shown when no input was chosen

// "*.dat", "*.xicd", "*.reim" for the three inputs; empty for none.
const char* inputPattern(std::int32_t source);

// The transform of the command on the table, with the state's coefficient where it takes
// one (RecursiveCoefficient for RPF, ShiftCoefficient for PPF).
void runTransform(SpectralCommand command, SpectralState& state);

// The three pictures of the spectrum window that the command makes; called once the
// input was read and transformed, so a failed read makes no window.
using SpectrumWindowMaker = std::function<std::array<Canvas*, spectrumPictureCount>()>;

// From reading the input on: SpectrumTable := the input, transformed; SpectrumBackup :=
// the input; SpectrumResult := the result. The window is made, picture 1 shows the input's
// real parts; the result is written to `resultPath` (replaced if it exists); pictures 2
// and 3 show its real parts and magnitudes. A write error leaves pictures 2 and 3 empty
// grids. After the command SpectrumTable holds the result. False, with nothing done, when
// no input was chosen.
bool runSpectralCommand(SpectralCommand command, std::int32_t source,
                        const SpectrumInputNames& names, const std::string& resultPath,
                        SpectralState& state, const SpectrumWindowMaker& makeWindow);

// ViewFile: reads the input into SpectrumTable and draws its real parts, imaginary parts
// and magnitudes. False, with nothing done, when no input was chosen.
bool viewSpectralInput(std::int32_t source, const SpectrumInputNames& names, SpectralState& state,
                       const SpectrumWindowMaker& makeWindow);

} // namespace zorkan
