#pragma once
// The design run: prototype, sections, the report, the parameter file and the
// lines of the design account, step by step.
#include "coefficients/filterfile.h"
#include "design/request.h"

#include <functional>
#include <string>
#include <vector>

namespace zorkan {

// Receives each line of the design account (UTF-8) as soon as it is produced.
using AccountSink = std::function<void(const std::string& line)>;

enum class DesignOutcome {
    Completed,
    OrderTooLarge, // more than 32 sections: "Большой порядок фильтра - ВЫХОД"
};

// The cascade a completed run wrote to the parameter file, for whoever wants to look
// at it further (the check of the design against its request).
struct DesignedCascade {
    FilterKind kind = lowPass;
    std::vector<FilterSection> sections;
};

// How the account's line "Результаты расчета в файле" meets the report's name: the
// design window's account runs the name straight on, the windows and commands built
// beside it part the two with a blank.
enum class ReportNameJoin { RunOn, Spaced };

// Runs the design. The report (CP1251, CR LF) and the parameter file are created
// anew. A floating-point fault stops the run with a FloatError at the step where it
// happens; both files keep the complete lines written until then, and the account
// keeps the lines already delivered. A file that cannot be created raises an
// InOutError before anything is written to it. When `designed` is given, a completed
// run leaves its cascade there; the files and the account are the same either way.
DesignOutcome designFilter(const DesignRequest& request, const std::string& reportPath,
                           const std::string& filterPath, const AccountSink& account,
                           DesignedCascade* designed = nullptr,
                           ReportNameJoin join = ReportNameJoin::RunOn);

} // namespace zorkan
