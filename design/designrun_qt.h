#pragma once
// What both design windows share: their fields, and what they do around a design run:
// ask where the report and the parameter file go, run the design with its account in the
// results window, and make the files the session's last design.
#include "design/designrun.h"

#include <QRect>
#include <QString>

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace zorkan::ui {

class ResultsView;

// An edit with its object name and default text, and the label that names it (the label's
// object name may be empty).
struct Field {
    const char* edit;
    const char* text;
    const char* label;
    QString caption;
};

QGroupBox* addGroup(QWidget* parent, const char* name, const QString& title, const QRect& place);
QLineEdit* addEdit(QWidget* parent, const char* name, const char* text, const QRect& place);
QLabel* addLabel(QWidget* parent, const char* name, const QString& text, QWidget* buddy,
                 const QRect& place);
// A field of a row of edits: the label at (x + 2, 19) above the edit at (x, 36).
QLineEdit* addColumnField(QWidget* group, const Field& field, int x, int editWidth, int labelWidth);
// A group of two "label [edit]" fields side by side, the second label at secondLabelX.
std::pair<QLineEdit*, QLineEdit*> addFieldPair(QWidget* parent, const char* name,
                                               const QString& title, const QRect& place,
                                               const Field& first, const Field& second,
                                               int secondLabelX);
// The green "Расчет" button with the calculator picture.
QPushButton* addDesignButton(QWidget* parent, const char* name, const QRect& place);

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
