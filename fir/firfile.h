#pragma once
// FIR coefficient files (".fir"): the number of taps N on the first line, then N lines
// holding h[0] ... h[N-1], so that H(z) = h[0] + h[1] z^-1 + ... + h[N-1] z^-(N-1).
// The one module that reads and writes them; the conventions are those of the parameter
// files: CR LF, the count in plain decimal, each tap in the 23-character real layout.
#include "common/textnumbers.h"

#include <cstddef>
#include <string>
#include <vector>

namespace zorkan {

constexpr std::size_t minFirTaps = 1;
constexpr std::size_t maxFirTaps = 8192;

struct FirFilter {
    std::vector<double> taps; // h[0] ... h[N-1]
};

// True when the name ends in ".fir" (any letter case): the tools that take a filter
// read such a file as taps, every other one as a parameter file.
bool isFirFileName(const std::string& path);

// Reads a ".fir" file. A file that cannot be opened or holds a malformed number raises
// the I/O error (with the file and line); a count outside 1..8192, fewer taps than the
// count or anything after the last tap is refused with a Russian message naming the
// file and the line.
FirFilter readFirFile(const std::string& path);
// The same from an open reader; `shownPath` names the file in the messages.
FirFilter readFirFile(TextReader& in, const std::string& shownPath);

// Writes the taps (1 to 8192 of them, all finite; anything else is refused before the
// file is touched).
void writeFirFile(const std::string& path, const FirFilter& filter);
void writeFirFile(TextWriter& out, const FirFilter& filter);

} // namespace zorkan
