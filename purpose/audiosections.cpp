#include "purpose/audiosections.h"

#include "cascade/response.h"
#include "common/errors.h"

#include <cmath>
#include <numbers>

namespace zorkan {

namespace {

struct BandName {
    AudioBandType type;
    const char* name;
};

constexpr BandName bandNames[] = {
    {AudioBandType::Peak, "peak"},           {AudioBandType::LowShelf, "lowshelf"},
    {AudioBandType::HighShelf, "highshelf"}, {AudioBandType::Notch, "notch"},
    {AudioBandType::BandPass, "bandpass"},   {AudioBandType::AllPass, "allpass"},
    {AudioBandType::LowPass, "lowpass"},     {AudioBandType::HighPass, "highpass"}};

} // namespace

const char* audioBandName(AudioBandType type) {
    for (const BandName& b : bandNames)
        if (b.type == type)
            return b.name;
    return "";
}

AudioBandType audioBandType(const std::string& name) {
    for (const BandName& b : bandNames)
        if (name == b.name)
            return b.type;
    throw UserMessage("Неизвестный тип полосы '" + name +
                      "': допустимы peak, lowshelf, highshelf, notch, bandpass, allpass, "
                      "lowpass, highpass");
}

bool audioBandHasGain(AudioBandType type) {
    return type == AudioBandType::Peak || type == AudioBandType::LowShelf ||
           type == AudioBandType::HighShelf;
}

SecondOrderSection audioSection(const AudioBand& band, double fd) {
    checkFrequency(band.frequency, fd, "Частота полосы");
    checkQuality(band.q,
                 band.type == AudioBandType::LowShelf || band.type == AudioBandType::HighShelf
                     ? "Наклон S полки"
                     : "Добротность Q полосы");
    const double w0 = 2 * std::numbers::pi * band.frequency / fd;
    const double cw = std::cos(w0);
    const double sw = std::sin(w0);
    const double A = std::pow(10.0, band.gainDb / 40);
    double alpha = sw / (2 * band.q);
    double b[3] = {1, 0, 1}, a[3] = {1, 0, 1};
    switch (band.type) {
    case AudioBandType::LowPass:
        b[0] = b[2] = (1 - cw) / 2;
        b[1] = 1 - cw;
        break;
    case AudioBandType::HighPass:
        b[0] = b[2] = (1 + cw) / 2;
        b[1] = -(1 + cw);
        break;
    case AudioBandType::BandPass:
        b[0] = alpha;
        b[1] = 0;
        b[2] = -alpha;
        break;
    case AudioBandType::Notch:
        b[0] = b[2] = 1;
        b[1] = -2 * cw;
        break;
    case AudioBandType::AllPass:
        b[0] = 1 - alpha;
        b[1] = -2 * cw;
        b[2] = 1 + alpha;
        break;
    case AudioBandType::Peak:
        b[0] = 1 + alpha * A;
        b[1] = -2 * cw;
        b[2] = 1 - alpha * A;
        a[0] = 1 + alpha / A;
        a[1] = -2 * cw;
        a[2] = 1 - alpha / A;
        break;
    case AudioBandType::LowShelf:
    case AudioBandType::HighShelf: {
        // The slope S takes the place of Q; S = 1 is the steepest slope without a bump.
        const double root = (A + 1 / A) * (1 / band.q - 1) + 2;
        if (!(root >= 0))
            throw UserMessage("Наклон S полки слишком велик для ее усиления");
        alpha = sw / 2 * std::sqrt(root);
        const double twoRootAAlpha = 2 * std::sqrt(A) * alpha;
        const double sign = band.type == AudioBandType::LowShelf ? 1 : -1;
        b[0] = A * ((A + 1) - sign * (A - 1) * cw + twoRootAAlpha);
        b[1] = sign * 2 * A * ((A - 1) - sign * (A + 1) * cw);
        b[2] = A * ((A + 1) - sign * (A - 1) * cw - twoRootAAlpha);
        a[0] = (A + 1) + sign * (A - 1) * cw + twoRootAAlpha;
        a[1] = -sign * 2 * ((A - 1) + sign * (A + 1) * cw);
        a[2] = (A + 1) + sign * (A - 1) * cw - twoRootAAlpha;
        break;
    }
    }
    // The common denominator of the types without a gain.
    if (!audioBandHasGain(band.type)) {
        a[0] = 1 + alpha;
        a[1] = -2 * cw;
        a[2] = 1 - alpha;
    }
    SecondOrderSection s;
    for (int i = 0; i < 3; ++i) {
        s.num[i] = b[i] / a[0];
        s.den[i] = a[i] / a[0];
    }
    return s;
}

AudioEqResult designAudioEq(const AudioEqRequest& request) {
    checkSampling(request.fd);
    if (request.bands.empty())
        throw UserMessage("Не задано ни одной полосы (--band ТИП:F:УСИЛЕНИЕ:Q)");
    if (request.bands.size() > maxAudioBands)
        throw UserMessage("Полос не может быть больше " + std::to_string(maxAudioBands) +
                          ": столько секций читают окна и команды");
    std::vector<SecondOrderSection> sections;
    for (const AudioBand& band : request.bands)
        sections.push_back(audioSection(band, request.fd));
    AudioEqResult result;
    result.filter = fromSecondOrder(sections, static_cast<unsigned>(2 * sections.size()));
    for (const AudioBand& band : request.bands) {
        const long double w = 2 * std::numbers::pi_v<long double> * band.frequency / request.fd;
        result.centreGainDb.push_back(
            static_cast<double>(20 * std::log10(cascadeMagnitude(sections, sections.size(), w))));
    }
    return result;
}

} // namespace zorkan
