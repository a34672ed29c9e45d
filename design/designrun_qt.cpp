#include "design/designrun_qt.h"

#include "common/replacefile.h"
#include "ui/controls.h"
#include "ui/errorhandler.h"
#include "ui/prompts.h"
#include "ui/resultsview.h"
#include "ui/sharedstate.h"

#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace zorkan::ui {

QGroupBox* addGroup(QWidget* parent, const char* name, const QString& title, const QRect& place) {
    auto* group = new QGroupBox(title, parent);
    group->setObjectName(QString::fromLatin1(name));
    group->setGeometry(place);
    return group;
}

QLineEdit* addEdit(QWidget* parent, const char* name, const char* text, const QRect& place) {
    auto* edit = new QLineEdit(QString::fromUtf8(text), parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setGeometry(place);
    return edit;
}

QLabel* addLabel(QWidget* parent, const char* name, const QString& text, QWidget* buddy,
                 const QRect& place) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setBuddy(buddy);
    label->setGeometry(place);
    return label;
}

QLineEdit* addColumnField(QWidget* group, const Field& field, int x, int editWidth,
                          int labelWidth) {
    QLineEdit* edit = addEdit(group, field.edit, field.text, QRect(x, 36, editWidth, 22));
    addLabel(group, field.label, field.caption, edit, QRect(x + 2, 19, labelWidth, 16));
    return edit;
}

std::pair<QLineEdit*, QLineEdit*> addFieldPair(QWidget* parent, const char* name,
                                               const QString& title, const QRect& place,
                                               const Field& first, const Field& second,
                                               int secondLabelX) {
    QGroupBox* group = addGroup(parent, name, title, place);
    QLineEdit* left = addEdit(group, first.edit, first.text, QRect(70, 20, 100, 22));
    QLineEdit* right =
        addEdit(group, second.edit, second.text, QRect(secondLabelX + 60, 20, 100, 22));
    addLabel(group, first.label, first.caption, left, QRect(10, 22, 58, 18));
    addLabel(group, second.label, second.caption, right, QRect(secondLabelX, 22, 58, 18));
    return {left, right};
}

QPushButton* addDesignButton(QWidget* parent, const char* name, const QRect& place) {
    auto* button = new QPushButton(QIcon(QStringLiteral(":/pictures/calc.png")),
                                   QStringLiteral("Расчет"), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setIconSize(QSize(24, 24));
    button->setGeometry(place);
    QFont bold = button->font();
    bold.setBold(true);
    button->setFont(bold);
    button->setStyleSheet(QStringLiteral("QPushButton { color: green; }"));
    return button;
}

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
    // The filter file written over the report would leave only the filter: refuse the pair
    // before either file is touched.
    if (sameFile(report->toStdString(), filter->toStdString())) {
        prompts().message(MessageIcon::Error, applicationTitle(),
                          QStringLiteral("Файл %1 выбран и для отчета, и для параметров фильтра: "
                                         "выберите разные имена")
                              .arg(QDir::toNativeSeparators(*filter)));
        return std::nullopt;
    }
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
