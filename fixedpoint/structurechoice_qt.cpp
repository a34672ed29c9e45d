#include "fixedpoint/structurechoice_qt.h"

#include "common/errors.h"

#include <QComboBox>
#include <QStandardItemModel>

namespace zorkan::ui {

namespace {

// The item of a structure: after "своя", in the table's order.
int structureItem(Structure structure) {
    return static_cast<int>(structure) + 1;
}

} // namespace

QString structureText(Structure structure) {
    const StructureRow& row = structureRow(structure);
    return QString::fromUtf8(row.name) + QStringLiteral(" - ") + QString::fromUtf8(row.label);
}

QComboBox* structureChoice(QWidget* parent, const char* name, const QString& hint) {
    auto* box = new QComboBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->addItem(QStringLiteral("своя"));
    box->setItemData(0,
                     QStringLiteral("Структура, которую вычисляет арифметика: df1 для "
                                    "фиксированной точки, df2t для плавающей"),
                     Qt::ToolTipRole);
    for (const StructureRow& row : structureTable()) {
        box->addItem(structureText(row.structure));
        box->setItemData(structureItem(row.structure), QString::fromUtf8(row.purpose),
                         Qt::ToolTipRole);
    }
    box->setToolTip(hint);
    return box;
}

void offerStructures(QComboBox* box, std::optional<Target> target) {
    auto* model = qobject_cast<QStandardItemModel*>(box->model());
    for (const StructureRow& row : structureTable()) {
        bool offered = target.has_value();
        if (target) {
            try {
                checkStructure(*target, row.structure);
            } catch (const UserMessage&) {
                offered = false;
            }
        }
        model->item(structureItem(row.structure))->setEnabled(offered);
    }
}

std::optional<Structure> chosenStructure(const QComboBox* box) {
    if (box->currentIndex() <= 0)
        return std::nullopt;
    return static_cast<Structure>(box->currentIndex() - 1);
}

void chooseStructure(QComboBox* box, std::optional<Structure> structure) {
    box->setCurrentIndex(structure ? structureItem(*structure) : 0);
}

} // namespace zorkan::ui
