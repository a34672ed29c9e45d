#include "design/ras2.h"

#include "common/errors.h"
#include "design/designcheck.h"
#include "design/designrun.h"
#include "design/designrun_qt.h"
#include "ui/controls.h"
#include "ui/errorhandler.h"
#include "ui/prompts.h"
#include "ui/resultsview.h"
#include "ui/sharedstate.h"
#include "ui/windownumbers.h"

#include <QCloseEvent>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <limits>
#include <tuple>

namespace zorkan::ui {

TForm2::TForm2(ResultsView& results, QWidget* parent) : QWidget(parent), results_(results) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Расчет параметров фильтра"));
    setFixedSize(387, 334);

    RadioGroup1 = new RadioGroup(
        QStringLiteral("Аппроксимация"),
        {QStringLiteral("Баттерворта"), QStringLiteral("Чебышева"), QStringLiteral("Элептическая")},
        3, this);
    RadioGroup1->setObjectName(QStringLiteral("RadioGroup1"));
    RadioGroup1->setGeometry(6, 2, 375, 46);

    // Band edges, left to right F3, F2, F1, F4: the ascending order of a band-pass layout.
    auto* edges =
        addGroup(this, "GroupBox1", QStringLiteral("Граничные частоты"), QRect(6, 50, 375, 86));
    Edit3 = addEdit(edges, "Edit3", "0.00000", QRect(10, 36, 84, 22));
    Edit2 = addEdit(edges, "Edit2", "0.00000", QRect(100, 36, 84, 22));
    Edit1 = addEdit(edges, "Edit1", "0.20000", QRect(190, 36, 84, 22));
    Edit4 = addEdit(edges, "Edit4", "0.25000", QRect(280, 36, 84, 22));
    addLabel(edges, "Label1", QStringLiteral("F3"), Edit3, QRect(12, 19, 80, 16));
    addLabel(edges, "Label2", QStringLiteral("F2"), Edit2, QRect(102, 19, 80, 16));
    addLabel(edges, "Label3", QStringLiteral("F1"), Edit1, QRect(192, 19, 80, 16));
    addLabel(edges, "Label4", QStringLiteral("F4"), Edit4, QRect(282, 19, 80, 16));
    auto* hint = new QLabel(
        QStringLiteral("ФНЧ - F3=0 F2=0 F1<F4   ФВЧ - F3<F2  F1=0 F4=0   ПФ - F3<F2<F1<F4"), edges);
    hint->setObjectName(QStringLiteral("Label12"));
    hint->setGeometry(4, 63, 367, 18);
    hint->setAlignment(Qt::AlignCenter);
    QFont small = hint->font();
    small.setPixelSize(10);
    hint->setFont(small);
    fitText(hint, 365);

    // Two "label [edit]" fields side by side in a group 48 high.
    constexpr int secondLabel = 200;
    std::tie(Edit5, Edit6) = addFieldPair(
        this, "GroupBox2", QStringLiteral("Неравномерность и затухание АЧХ"),
        QRect(6, 138, 375, 50), {"Edit5", "1.5000000", "Label5", QStringLiteral("DA в dB")},
        {"Edit6", "30.000000", "Label6", QStringLiteral("B1 в dB")}, secondLabel);
    std::tie(Edit7, Edit8) =
        addFieldPair(this, "GroupBox3", QStringLiteral("Граничные частоты АЧХ и ФЧХ"),
                     QRect(6, 190, 375, 50), {"Edit7", "0.0000", "Label7", QStringLiteral("FF1")},
                     {"Edit8", "0.50000", "Label8", QStringLiteral("FF2")}, secondLabel);

    auto* rate = addGroup(this, "GroupBox4", QStringLiteral("Частота дискретизации"),
                          QRect(6, 242, 186, 50));
    Edit9 = addEdit(rate, "Edit9", "1.0000000", QRect(70, 20, 100, 22));
    addLabel(rate, "Label9", QStringLiteral("FD"), Edit9, QRect(10, 22, 58, 18));

    Edit10 = addEdit(this, "Edit10", "20", QRect(316, 256, 65, 22));
    auto* count = addLabel(this, "Label10", QStringLiteral("Количество отсчетов АЧХ и ФЧХ"), Edit10,
                           QRect(200, 248, 112, 38));
    count->setWordWrap(true);

    BitBtn1 = addDesignButton(this, "BitBtn1", QRect(118, 297, 150, 33));
    connect(BitBtn1, &QPushButton::clicked, this, &TForm2::BitBtn1Click);
}

void TForm2::closeEvent(QCloseEvent* event) {
    shared().flags.DesignWindowOpen = 0;
    QWidget::closeEvent(event);
}

// The fields are read in the order the layout comparisons first need them, so a bad
// text is reported as the check would meet it.
bool TForm2::bandEdgesAccepted() const {
    const double f1 = readReal(Edit1->text());
    const double f4 = readReal(Edit4->text());
    const double f2 = readReal(Edit2->text());
    const double f3 = readReal(Edit3->text());
    return bandLayoutIsValid(f1, f2, f3, f4);
}

// The run needs at least one interval and keeps the count in 16 bits. A text that is not
// an integer is left to the reading after the prompts, where it stops the design.
bool TForm2::pointCountRefused() const {
    std::int64_t count = 0;
    try {
        count = readInteger(Edit10->text());
    } catch (const ConvertError&) {
        return false;
    }
    return count < 1 || count > std::numeric_limits<std::uint16_t>::max();
}

void TForm2::BitBtn1Click() {
    if (!bandEdgesAccepted()) {
        prompts().message(MessageIcon::Error, applicationTitle(),
                          QString::fromUtf8(badBandLayoutMessage));
        return;
    }
    if (pointCountRefused()) {
        prompts().message(
            MessageIcon::Error, applicationTitle(),
            QStringLiteral(
                "Количество отсчетов АЧХ и ФЧХ должно быть целым числом от 1 до 65535!"));
        return;
    }

    const std::optional<DesignFiles> files = askDesignFiles();
    if (!files)
        return;

    DesignRequest request;
    request.f1 = readReal(Edit1->text());
    request.f2 = readReal(Edit2->text());
    request.f3 = readReal(Edit3->text());
    request.f4 = readReal(Edit4->text());
    request.da = readReal(Edit5->text());
    request.b1 = readReal(Edit6->text());
    request.fd = readReal(Edit9->text());
    request.ff1 = readReal(Edit7->text());
    request.ff2 = readReal(Edit8->text());
    request.np = static_cast<std::uint16_t>(readInteger(Edit10->text()));
    request.approximation = RadioGroup1->itemIndex() + 1;

    runDesignIntoResults(
        results_, *files,
        [&request](const std::string& report, const std::string& filter, const AccountSink& account,
                   DesignedCascade* designed) {
            return designFilter(request, report, filter, account, designed);
        },
        // What the filter achieved, when it misses the request, closes the account.
        [&request](const DesignedCascade& designed) {
            return designWarnings(measureDesign(designed, request), request, decimalSeparator());
        },
        true);
}

} // namespace zorkan::ui
