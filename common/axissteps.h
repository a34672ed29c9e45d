#pragma once
// The steps of an axis's ticks that read well: 1, 2 or 5 times a power of ten.

namespace zorkan {

// How a rough step becomes a nice one: the smallest nice step not below it (the charts,
// which must not exceed a number of ticks), or the nearest, with the mantissa's
// thresholds 1.5, 3 and 7 (the analysis pictures, about five ticks a span).
enum class NiceRounding { Up, Nearest };

// The nice step for `rough`; 1 for a rough step that is not a positive finite number.
double niceStep(double rough, NiceRounding rounding = NiceRounding::Up);

} // namespace zorkan
