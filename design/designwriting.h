#pragma once
// How every design run writes its report, its parameter file and its account, step by
// step: the report's lines, the coefficient blocks, and the phase and magnitude tables
// from the cascade's response in the report's own arithmetic.
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
enum class ReportNameJoin;
} // namespace zorkan

namespace zorkan::designwriting {

using fp::real;

// The report is CP1251 text; its fixed texts are written here in UTF-8.
class Report {
  public:
    explicit Report(const std::string& path, const std::string& shownPath = {})
        : out_(path, shownPath) {}
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

// One run's report, parameter file and design account, written step by step. A run whose
// files are replaced whole writes them beside the files, which they replace when the run
// ends; otherwise the files keep the complete lines written when a fault stops the run.
class RunWriter {
  public:
    RunWriter(const std::string& reportPath, const std::string& filterPath,
              const std::function<void(const std::string&)>& account, bool replaceWhole,
              ReportNameJoin join);

    Report& report() { return report_; }
    void post(const std::string& line) const;

    // The requirements: FD, DA and B1, and the edges F1..F4 of a tolerance request.
    void requirements(const DesignRequest& rq, bool withEdges);
    // The approximation's lines.
    void approximation(Approximation a);
    // The order lines, and unless the order takes more than maxSections sections (false),
    // the parameter file's order line and the zero lines the approximation has.
    bool order(PrototypeFilter& p, bool withZeros);
    // The zero pairs +-jZ of a prototype that has them, under the order lines' zero
    // heading, one pair a line as the pole pairs are written.
    void zeros(const PrototypeFilter& p);
    // The end of a run whose order is too large: the report keeps its lines.
    DesignOutcome tooLarge();
    // The rest of a run whose prototype has its poles: the pole lines, the coefficients,
    // the phase and magnitude tables, the files in place and the account's last lines.
    DesignOutcome complete(const PrototypeFilter& p, const DesignRequest& rq,
                           const BandEdges& edges, DesignedCascade* designed);

  private:
    std::string reportPath_, filterPath_;
    std::function<void(const std::string&)> account_;
    ReportNameJoin join_;
    std::optional<FileReplacement> reportFile_, filterFile_;
    Report report_;
    TextWriter filter_;
};

} // namespace zorkan::designwriting
