#pragma once
// The choice of the sections' structure shared by the windows that implement or export a
// filter: the first item "своя" leaves the target's own, then each structure by its name and
// Russian label, with what it suits as the item's hint. Items a target does not have are
// greyed.
#include "fixedpoint/implementation.h"

#include <QString>

#include <optional>

class QComboBox;
class QWidget;

namespace zorkan::ui {

QComboBox* structureChoice(QWidget* parent, const char* name, const QString& hint);
// Greys the structures the target does not have (checkStructure); without a target
// (a combination no target computes), every structure.
void offerStructures(QComboBox* box, std::optional<Target> target);
// Unset for "своя".
std::optional<Structure> chosenStructure(const QComboBox* box);
void chooseStructure(QComboBox* box, std::optional<Structure> structure);
// The item's text: "df2t - транспонированная прямая форма II".
QString structureText(Structure structure);

} // namespace zorkan::ui
