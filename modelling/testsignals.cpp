#include "modelling/testsignals.h"

#include "modelling/randomgenerator.h"

#include <cmath>

namespace zorkan {

namespace {
constexpr long double twoPi = 6.283185307179586477L;
}

double generateTestSignal(SignalKind kind, double frequency, double sigma,
                          TestSignalBuffer& buffer) {
    const long double angularStep = twoPi * frequency;
    double carried = 0;
    double maximum = 0;
    for (std::size_t i = 1; i <= buffer.size(); ++i) {
        buffer[i - 1] = carried;
        const auto sine = [&] { return std::sin(angularStep * static_cast<long double>(i)); };
        switch (kind) {
        case stepSignal:
            carried = 1;
            break;
        case impulseSignal:
            carried = 0;
            buffer[0] = 1;
            break;
        case uniformNoiseSine: {
            const long double s = sine();
            carried = static_cast<double>(s + static_cast<long double>(uniformNoise()) * sigma);
            break;
        }
        case gaussianNoiseSine: {
            // The noise is drawn before the sine is evaluated.
            const long double noise = static_cast<long double>(gaussianNoise()) * sigma;
            carried = static_cast<double>(noise + sine());
            break;
        }
        case plainSine:
            carried = static_cast<double>(sine());
            break;
        default:
            break;
        }
        maximum = std::fmax(maximum, std::fabs(buffer[i - 1]));
    }
    return maximum;
}

} // namespace zorkan
