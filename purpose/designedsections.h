#pragma once
// What every filter designed for a purpose gives: second-order sections with B0 = 1 in
// the ordinary parameter file, so that every tool takes it as any other design.
#include "cascade/secondorder.h"
#include "coefficients/filterfile.h"

#include <string>
#include <utility>
#include <vector>

namespace zorkan {

// The sampling frequency of a design for a purpose unless one is given: frequencies are
// then fractions of it.
constexpr double defaultSamplingFrequency = 1;

struct DesignedSections {
    unsigned order = 0; // the filter's order, written as the file's order line
    FilterKind kind = lowPass;
    std::vector<FilterSection> sections;
};

// The sections as the file stores them (A3 = A4 = B3 = B4 = 0).
DesignedSections fromSecondOrder(const std::vector<SecondOrderSection>& sections, unsigned order);

// The sections as a parameter file read back holds them, for the analysis routines.
FilterCoefficients coefficientsOf(const DesignedSections& filter);

// Writes each file beside its name and puts them all in place only when every one is
// complete: a failed write leaves every old file as it was.
void writeDesignedFiles(const std::vector<std::pair<std::string, DesignedSections>>& files);

// The refusal of a frequency that is not strictly between 0 and FD/2, naming it
// ("Частота F0", ...); of a sampling frequency not above zero; of a Q not above zero.
void checkFrequency(double f, double fd, const std::string& name);
void checkSampling(double fd);
void checkQuality(double q, const std::string& name);

} // namespace zorkan
