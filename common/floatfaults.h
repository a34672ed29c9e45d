#pragma once
// Checked floating-point steps. Each raises the platform's fault at the step where
// it happens (a FloatError) instead of letting an infinity or a NaN run on:
//   x / 0 with x != 0     -> "Floating point division by zero"
//   0 / 0, ln(x < 0), sqrt(x < 0), NaN operands  -> "Invalid floating point operation"
//   ln(0)                 -> "Floating point division by zero"
//   a finite step whose result is infinite        -> "Floating point overflow"
// Arithmetic is carried in long double (x87 extended on x86-64); results that are
// stored go through toDouble, which also faults when they overflow a double.

namespace zorkan::fp {

using real = long double;

real checked(real result); // faults on NaN (invalid) or infinity (overflow)
real div(real a, real b);
real ln(real x);
real log10(real x); // ln x / ln 10
real sqrt(real x);
real exp(real x);
real pow10(real x);                     // exp(x ln 10)
real powerOf(real base, real exponent); // exp(exponent ln base)
real atan(real x);
double toDouble(real x); // faults when the value does not fit a double

} // namespace zorkan::fp
