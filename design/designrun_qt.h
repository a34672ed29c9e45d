#pragma once
// What both design windows do around a design run: ask where the report and the
// parameter file go, run the design with its account in the results window, and make
// the files the session's last design.
#include "design/designrun.h"

#include <QString>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zorkan::ui {

class ResultsView;

struct DesignFiles {
    QString report, filter;
};

// The save dialogs of the report ("1.out") and of the parameter file ("1.flt"); nothing
// when either is cancelled.
std::optional<DesignFiles> askDesignFiles();

using DesignRun = std::function<DesignOutcome(const std::string& report, const std::string& filter,
                                              const AccountSink& account, DesignedCascade*)>;
using DesignFollowUp = std::function<std::vector<std::string>(const DesignedCascade&)>;

// Runs the design under the busy cursor, its account in the results window (emptied
// first: a run that failed, or whose results were not accepted, left its lines behind);
// a completed run's account is closed by the follow-up's lines and made read-only. The
// parameter file becomes the last design's, and so does the report when it holds a
// tolerance request (else the last design has none); then the results window is shown.
void runDesignIntoResults(ResultsView& results, const DesignFiles& files, const DesignRun& run,
                          const DesignFollowUp& followUp, bool reportHoldsRequest);

} // namespace zorkan::ui
