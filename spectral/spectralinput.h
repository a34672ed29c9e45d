#pragma once
// The three inputs of spectral analysis and the ".reim" result file.
//
// ".dat": up to ten harmonics, one a line: amplitude, frequency (cycles per 1024 points),
// phase (radians); the points are their complex exponentials plus complex noise.
// ".xicd": a signal file; its first 1024 values become the real parts.
// ".reim": one point a line, real part then imaginary part; at most 1024 lines are read.
//
// Each reader fills all four fields of all 1024 points. A file that cannot be opened
// leaves the table as it was; an unreadable number ends the reading with "Invalid numeric
// input", leaving the points read so far (".xicd", ".reim") or the table untouched (".dat",
// which is cleared only after its ten harmonics were read). The overloads over an open
// reader serve files already in memory.
#include "common/textnumbers.h"
#include "spectral/spectrumtable.h"

#include <cstdint>
#include <string>

namespace zorkan {

// Which input the spectral commands read: the value of SpectrumSource.
enum SpectrumSourceKind : std::int32_t {
    noSpectrumInput = 0,
    datSpectrumInput = 1,
    xicdSpectrumInput = 2,
    reimSpectrumInput = 3,
};

// One noise value in (-4, 4): four times a draw of nextRandomInt(32768) added and one
// subtracted, over 32768. Draws eight numbers from the process-wide generator.
double spectralNoise();

void readDatInput(const std::string& path, SpectrumPoints& table);
void readDatInput(TextReader& in, SpectrumPoints& table);
void readSignalInput(const std::string& path, SpectrumPoints& table);
void readSignalInput(TextReader& in, SpectrumPoints& table);
void readReimInput(const std::string& path, SpectrumPoints& table);
void readReimInput(TextReader& in, SpectrumPoints& table);

struct SpectrumInputNames {
    std::string dat;
    std::string xicd;
    std::string reim;
};

// Reads the input that `source` names into the table; false (nothing read) for
// noSpectrumInput or any other value.
bool readSpectrumInput(std::int32_t source, const SpectrumInputNames& names, SpectrumPoints& table);

// 1024 lines: re and im in the 23-character layout, one blank between, CR LF. An empty
// name writes nothing.
void writeReimFile(const std::string& path, const SpectrumPoints& table);

} // namespace zorkan
