#pragma once
// Test signals of the modelling window: a unit step, a unit impulse and a sine with
// uniform, Gaussian or no noise, 1024 samples each, drawn from the process-wide
// random generator.
#include "modelling/signalfile.h"

namespace zorkan {

// 1 step, 2 impulse, 3 sine + uniform noise, 4 sine + Gaussian noise, 5 sine alone.
using SignalKind = int;
constexpr SignalKind stepSignal = 1;
constexpr SignalKind impulseSignal = 2;
constexpr SignalKind uniformNoiseSine = 3;
constexpr SignalKind gaussianNoiseSine = 4;
constexpr SignalKind plainSine = 5;

// Samples 1..1024 live in buffer[0..1023].
using TestSignalBuffer = SampleBlock;

// Fills `buffer` afresh and returns the largest magnitude of its samples. Every signal
// lags its index by one sample: sample 1 holds the value computed for no step yet.
// `frequency` is in cycles per sample, `sigma` scales the noise.
double generateTestSignal(SignalKind kind, double frequency, double sigma,
                          TestSignalBuffer& buffer);

} // namespace zorkan
