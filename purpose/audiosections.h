#pragma once
// Audio equaliser sections: one second-order section a band by the formulas of the audio
// cookbook (R. Bristow-Johnson), the bilinear transform pre-warped at the band's
// frequency, B0 = 1; the cascade in the order the bands are given.
#include "purpose/designedsections.h"

#include <string>
#include <vector>

namespace zorkan {

enum class AudioBandType { Peak, LowShelf, HighShelf, Notch, BandPass, AllPass, LowPass, HighPass };

// The command-line name of each type ("peak", "lowshelf", ...), and the type of a name
// (a UserMessage naming the admissible ones for another).
const char* audioBandName(AudioBandType type);
AudioBandType audioBandType(const std::string& name);
// Whether the type uses the band's gain.
bool audioBandHasGain(AudioBandType type);

struct AudioBand {
    AudioBandType type = AudioBandType::Peak;
    double frequency = 0; // in the unit of FD
    double gainDb = 0;
    double q = 0; // Q, for the shelves their slope S
};

// The most bands a cascade takes: as many sections as the windows and commands read.
constexpr std::size_t maxAudioBands = 32;

struct AudioEqRequest {
    double fd = defaultSamplingFrequency;
    std::vector<AudioBand> bands;
};

struct AudioEqResult {
    DesignedSections filter;
    std::vector<double> centreGainDb; // the whole cascade's gain at each band's frequency
};

// The section of one band, divided by its a0.
SecondOrderSection audioSection(const AudioBand& band, double fd);

AudioEqResult designAudioEq(const AudioEqRequest& request);

} // namespace zorkan
