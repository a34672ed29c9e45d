#pragma once
// The pieces every design run writes its report and parameter file with: the report's
// lines, the coefficient blocks, the phase and magnitude tables and the cascade response
// they are computed from.
#include "coefficients/filterfile.h"
#include "common/cp1251.h"
#include "common/floatfaults.h"
#include "common/textnumbers.h"
#include "design/designrun.h"
#include "design/prototype.h"

#include <string>
#include <string_view>
#include <vector>

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

// The coefficients of the sections, into the report and the parameter file (closed
// then), and the phase table, with their lines of the design account.
void writeCoefficientsAndPhase(Report& report, TextWriter& filter, FilterKind kind,
                               const std::vector<FilterSection>& sections, const DesignRequest& rq,
                               const std::string& reportPath, const AccountSink& post);

// The approximation's name in the design account and in the report.
const char* accountName(int approximation);
const char* reportName(int approximation);

} // namespace zorkan::designwriting
