#pragma once
// Everything the analysis window shows about one or two filter files, computed at once,
// and its pages drawn into canvases: the z-plane, the group delay, the impulse and step
// responses and, for two files, both magnitude responses in dB and their difference.
#include "analysis/analysisplots.h"
#include "analysis/comparison.h"
#include "analysis/filteranalysis.h"
#include "fir/firfile.h"

#include <optional>
#include <string>
#include <vector>

namespace zorkan {

struct AnalysedFile {
    std::string path;
    FilterCoefficients filter;    // a parameter file's; empty for an FIR filter
    std::optional<FirFilter> fir; // a ".fir" file's taps
    std::vector<FilterRoot> roots;
    FilterSummary summary;
    std::vector<std::string> summaryText;
    std::vector<GroupDelayRow> delay; // summaryDelayPoints rows; empty when undefined
    std::vector<double> impulse;
    std::vector<double> step;
    std::string responseFault; // why the responses stopped early (an overflow), if they did
};

// Which file of an analysis a file is: errors of the compared one name it.
enum class AnalysedRole { Filter, Compared };

// Reads and analyses a file (a ".fir" file as taps, any other as a parameter file): `samples`
// samples of the impulse and step responses, the group delay over summaryDelayPoints frequencies
// from 0 to FD/2. A file that cannot be read or analysed raises its error (for the compared file,
// with its name in front); an overflow of the responses is kept in responseFault with the samples
// before it.
AnalysedFile analyseFile(const std::string& path, double fd, int samples,
                         AnalysedRole role = AnalysedRole::Filter);
// The compared filter file as the analysis reads it, its name in front of any error.
FilterCoefficients readComparedFilter(const std::string& path);
// The compared ".fir" file, likewise.
FirFilter readComparedFir(const std::string& path);

// Called inside a catch block: raises the error being handled again, of the same class,
// with `prefix` in front of its text; a file's error instead as the sentence naming the
// file (fileErrorText).
[[noreturn]] void rethrowWithPrefix(const std::string& prefix);

// Refuses a picture name that reaches the filter file or the compared one (empty when
// there is none), so that a picture never takes a filter's place.
void checkPictureName(const std::string& picture, const std::string& filter,
                      const std::string& compared);
// Writes the picture safely (BMP when the name ends in ".bmp", PNG otherwise); a failure
// names the file.
void saveAnalysisPicture(const Canvas& canvas, const std::string& path);

enum class AnalysisPage { ZPlane, GroupDelay, Impulse, Step, Magnitude, Difference };
constexpr int analysisPageCount = 6;

// The title of a frequency axis: in hertz, or in fractions of FD when FD is 1.
std::string frequencyAxisTitle(double fd);

// Stems for responses of at most this many samples, a line above.
constexpr int stemSamples = 128;

// Draws a page of the first file (blue) and the second (red, drawn first, so that a
// difference shows as red beside the blue), axes titled with their units. The magnitude
// pages need the comparison and are blank without it; the difference page draws the
// first file's magnitude in dB less the second's.
PlotFrame drawAnalysisPage(Canvas& canvas, AnalysisPage page, const AnalysedFile& first,
                           const AnalysedFile* second, const FilterComparison* comparison,
                           double fd);

// What lies under the pointer at (x, y) of a page drawn into `frame`, in words (UTF-8):
// the point of the z-plane and the root under it, or the values of the curves at the
// nearest sample or frequency. Numbers with the given decimal separator. Empty outside
// the plot.
std::string readoutAt(AnalysisPage page, const PlotFrame& frame, int x, int y,
                      const AnalysedFile& first, const AnalysedFile* second,
                      const FilterComparison* comparison, char separator);

} // namespace zorkan
