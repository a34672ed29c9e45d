#include "design/designrun_qt.h"

#include "ui/controls.h"
#include "ui/prompts.h"
#include "ui/resultsview.h"
#include "ui/sharedstate.h"

#include <QDir>

namespace zorkan::ui {

std::optional<DesignFiles> askDesignFiles() {
    const auto report = prompts().saveFileName(
        {QStringLiteral("Сохранить как"), QDir::currentPath(), QStringLiteral("1.out"),
         QStringLiteral("Имя файла результатов отчета (*.out)|*.out"), QStringLiteral("out")});
    if (!report)
        return std::nullopt;
    const auto filter = prompts().saveFileName(
        {QStringLiteral("Сохранить как"), QDir::currentPath(), QStringLiteral("1.flt"),
         QStringLiteral("Имя файла параметров фильтра (*.flt)|*.flt"), QStringLiteral("flt")});
    if (!filter)
        return std::nullopt;
    return DesignFiles{*report, *filter};
}

void runDesignIntoResults(ResultsView& results, const DesignFiles& files, const DesignRun& run,
                          const DesignFollowUp& followUp, bool reportHoldsRequest) {
    // The wait cursor covers the design run and its check only; the results window is
    // read under the ordinary cursor.
    {
        const BusyCursor busy;
        results.clearText();
        DesignedCascade designed;
        const DesignOutcome outcome = run(
            files.report.toStdString(), files.filter.toStdString(),
            [&results](const std::string& line) {
                results.appendLine(QString::fromStdString(line));
            },
            &designed);
        if (outcome == DesignOutcome::Completed) {
            for (const std::string& line : followUp(designed))
                results.appendLine(QString::fromStdString(line));
            results.setTextReadOnly(true);
        }
    }
    shared().DesignedFilterFile = files.filter;
    shared().DesignedReportFile = reportHoldsRequest ? files.report : QString();
    prompts().showModal(results.dialog());
}

} // namespace zorkan::ui
