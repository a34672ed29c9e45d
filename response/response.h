#pragma once
// Frequency response of a stored filter: phase and magnitude for every pixel column
// of the response picture, the maximum Kmax and its frequency FM, and the three traces
// (phase blue, linear magnitude green, decibel magnitude red) drawn onto a target.
#include "coefficients/filterfile.h"
#include "common/canvas.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zorkan {

constexpr Rgb phaseColor{0, 0, 255};
constexpr Rgb linearColor{0, 128, 0};
constexpr Rgb decibelColor{255, 0, 0};
constexpr Rgb gridColor{128, 128, 128};

// The band and the two magnitude scales (relative to Kmax). Defaults: the window's.
struct ResponseRange {
    double f1 = 0.0;    // first analysed frequency
    double f2 = 0.5;    // last analysed frequency
    double fd = 1.0;    // sampling frequency
    double a1 = 1.0;    // linear scale, top
    double a2 = 0.0;    // linear scale, bottom
    double b1 = 0.0;    // decibel scale, top
    double b2 = -100.0; // decibel scale, bottom
};

// The range fields in the order the window checks them.
enum class RangeField { F1, F2, B2, B1, A2, A1 };

// The window's refusal of a range value outside its accepted values.
extern const char* const invalidValueMessage;

// The first field outside its accepted values (0 <= F1 <= F2 <= FD,
// -100 <= B2 <= B1 <= 5, 0 <= A2 <= A1 <= 1), in the checking order, or nothing.
std::optional<RangeField> firstInvalidRangeField(const ResponseRange& range);

// Phase (radians) and magnitude of the cascade at one frequency.
struct ResponsePoint {
    double magnitude = 1;
    double phase = 0;
};

// One pixel column. Positions count down from the top edge; a scale whose two ends
// are equal has no height, so its trace has no positions and is not drawn.
struct ResponseColumn {
    double frequency = 0;
    double phase = 0;
    double magnitude = 0;
    double decibels = 0; // 20 log10 of the magnitude relative to Kmax, floored at -100
    int yPhase = 0;
    std::optional<int> yLinear;
    std::optional<int> yDecibel;
};

struct ResponseResult {
    double kmax = 0;
    double fm = 0;
    std::vector<ResponseColumn> columns; // width + 1 columns, 0..width
};

// Called once Kmax and FM are known, before the magnitude traces are drawn.
using MaximumSink = std::function<void(double kmax, double fm)>;

// Message for a computation started without a file.
extern const char* const noFileNameMessage;
// Message for a parameter file that holds no section (order 0 or 1).
extern const char* const noSectionsMessage;
// Message when the magnitude is zero at every analysed frequency.
extern const char* const zeroMagnitudeMessage;

// Evaluates the cascade at f. Floating-point faults (a denominator that vanishes,
// overflow) raise FloatError.
ResponsePoint evaluateCascade(const std::vector<FilterSection>& sections, double f, double fd);

// Computes every column of a width x height picture and draws the traces in their
// order: the whole phase trace, then per column the green segment before the red one.
// When the magnitude is zero everywhere the phase trace is drawn, Kmax = 0 and
// FM = F1 are handed to onMaximum, and a UserMessage (zeroMagnitudeMessage) stops the
// computation instead of a division by zero.
ResponseResult drawResponse(const std::vector<FilterSection>& sections, const ResponseRange& range,
                            int width, int height, DrawingTarget& target,
                            const MaximumSink& onMaximum = {});

// The whole operation of the frequency-response window: refuses an empty name or
// "*.flt" (noFileNameMessage) before anything else, reads the file with the response
// reader's rules (low 8 bits of the order, five coefficients for band-pass only, up to
// 32 sections), refuses a file without sections (noSectionsMessage) and draws as
// drawResponse. The picture is not cleared first.
ResponseResult computeResponse(const std::string& path, const ResponseRange& range, int width,
                               int height, DrawingTarget& target,
                               const MaximumSink& onMaximum = {});
// The same over a parameter file already open (no name check).
ResponseResult computeResponse(TextReader& in, const ResponseRange& range, int width, int height,
                               DrawingTarget& target, const MaximumSink& onMaximum = {});

// The clean picture: grey frame on white and nine grid lines each way at tenths,
// drawn with a grey pen of width 1 (the pen stays so).
void clearResponsePicture(Canvas& canvas);

} // namespace zorkan
