#pragma once
// The pieces every design run writes its report and parameter file with: the report's
// lines, the coefficient blocks, the phase and magnitude tables and the cascade response
// they are computed from, and the run's files and account step by step.
#include "coefficients/filterfile.h"
#include "common/cp1251.h"
#include "common/floatfaults.h"
#include "common/replacefile.h"
#include "common/textnumbers.h"
#include "design/prototype.h"
#include "design/request.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zorkan {
struct DesignedCascade;
enum class DesignOutcome;
} // namespace zorkan

namespace zorkan::designwriting {

using fp::real;

// The report is CP1251 text; its fixed texts are written here in UTF-8.
class Report {
  public:
    explicit Report(const std::string& path) : out_(path) {}
    void line(std::string_view utf8) { out_.writeLine(toCp1251(utf8)); }
    void line(std::string_view utf8, double value) {
        out_.write(toCp1251(utf8));
        out_.writeReal(value);
        out_.endLine();
    }
    TextWriter& raw() { return out_; }
    void close() { out_.close(); }

  private:
    TextWriter out_;
};

struct Response {
    real phase = 0;
    real magnitude = 1;
};

// Phase and magnitude of the cascade at angle w = 2 pi f / fd.
Response cascadeResponse(const std::vector<FilterSection>& sections, int terms, real w);

void tableHeading(Report& report, std::string_view title, const DesignRequest& rq);
double tableFrequency(const DesignRequest& rq, int i);
real tableAngle(const DesignRequest& rq, double f);
void tableRow(Report& report, int i, double f, double value);

// The numerator and denominator blocks, into the report and the parameter file.
void writeCoefficientBlocks(Report& report, TextWriter& filter, FilterKind kind,
                            const std::vector<FilterSection>& sections);

// The report's pole lines: each pole's real part, and for a pair its imaginary part and
// the conjugate.
void writePoles(Report& report, const PrototypeFilter& p);

// The frequency the magnitude table is normalised at: FD/2 for a high-pass filter, the
// middle of the pass band F2..F1 of a band-pass one, else 0.
double referenceFrequency(const PrototypeFilter& p, const BandEdges& edges, double fd);

// One run's report, parameter file and design account, written step by step. A run whose
// files are replaced whole writes them beside the files, which they replace when the run
// ends; otherwise the files keep the complete lines written when a fault stops the run.
class RunWriter {
  public:
    RunWriter(const std::string& reportPath, const std::string& filterPath,
              const std::function<void(const std::string&)>& account, bool replaceWhole);
    ~RunWriter();
    RunWriter(const RunWriter&) = delete;
    RunWriter& operator=(const RunWriter&) = delete;

    Report& report() { return report_; }
    void post(const std::string& line) const;

    // The requirements: FD, DA and B1, and the edges F1..F4 of a tolerance request.
    void requirements(const DesignRequest& rq, bool withEdges);
    // The approximation's lines.
    void approximation(Approximation a);
    // The order lines, and unless the order takes more than maxSections sections (false),
    // the parameter file's order line and the zero lines the approximation has.
    bool order(PrototypeFilter& p, bool withZeros);
    // The end of a run whose order is too large: the report keeps its lines.
    DesignOutcome tooLarge();
    // The rest of a run whose prototype has its poles: the pole lines, the coefficients,
    // the phase and magnitude tables, the files in place and the account's last lines.
    DesignOutcome complete(const PrototypeFilter& p, const DesignRequest& rq,
                           const BandEdges& edges, DesignedCascade* designed);

  private:
    std::string reportPath_, filterPath_;
    std::function<void(const std::string&)> account_;
    std::optional<FileReplacement> reportFile_, filterFile_;
    Report report_;
    TextWriter filter_;
};

// The approximation's name in the design account and in the report.
const char* accountName(Approximation approximation);
const char* reportName(Approximation approximation);

} // namespace zorkan::designwriting
