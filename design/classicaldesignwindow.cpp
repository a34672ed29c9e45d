#include "design/classicaldesignwindow.h"

#include "common/errors.h"
#include "design/classicaldesign.h"
#include "design/classicalprototypes.h"
#include "design/designrun_qt.h"
#include "ui/childwindow.h"
#include "ui/controls.h"
#include "ui/errorhandler.h"
#include "ui/prompts.h"
#include "ui/resultsview.h"
#include "ui/sharedstate.h"
#include "ui/windownumbers.h"

#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <limits>

namespace zorkan::ui {

namespace {

QLineEdit* addEdit(QWidget* parent, const char* name, const char* text, const QRect& place) {
    auto* edit = new QLineEdit(QString::fromUtf8(text), parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setGeometry(place);
    return edit;
}

QLabel* addLabel(QWidget* parent, const QString& text, QWidget* buddy, const QRect& place) {
    auto* label = new QLabel(text, parent);
    label->setBuddy(buddy);
    label->setGeometry(place);
    return label;
}

QGroupBox* addGroup(QWidget* parent, const QString& title, const QRect& place) {
    auto* group = new QGroupBox(title, parent);
    group->setGeometry(place);
    return group;
}

QLabel* smallLabel(QWidget* parent, const QRect& place) {
    auto* label = new QLabel(parent);
    label->setGeometry(place);
    label->setAlignment(Qt::AlignCenter);
    QFont small = label->font();
    small.setPixelSize(10);
    label->setFont(small);
    return label;
}

constexpr QRect firstLabel(10, 22, 58, 18), firstEdit(70, 20, 100, 22);
constexpr QRect secondLabel(210, 22, 58, 18), secondEdit(270, 20, 100, 22);

BandKind kindOf(int index) {
    switch (index) {
    case 1:
        return BandKind::highPass;
    case 2:
        return BandKind::bandPass;
    case 3:
        return BandKind::bandStop;
    default:
        return BandKind::lowPass;
    }
}

// What the edge of an order design means, by approximation.
QString edgeMeaning(int approximation) {
    switch (approximation) {
    case chebyshev:
        return QStringLiteral("граница: конец неравномерности DA");
    case chebyshev2:
        return QStringLiteral("граница: начало затухания B1");
    case elliptic:
        return QStringLiteral("граница полосы пропускания, с DA и B1");
    default:
        return QStringLiteral("граница: уровень -3 dB");
    }
}

} // namespace

ClassicalDesignWindow::ClassicalDesignWindow(ResultsView& results, QWidget* parent)
    : QWidget(parent), results_(results) {
    setObjectName(QStringLiteral("ClassicalDesignWindow"));
    setWindowTitle(QStringLiteral("Расчет фильтра: все типы"));
    setFixedSize(420, 522);

    approximation_ = new RadioGroup(
        QStringLiteral("Аппроксимация"),
        {QStringLiteral("Баттерворта"), QStringLiteral("Чебышева"), QStringLiteral("Эллиптическая"),
         QStringLiteral("Чебышева инверсная"), QStringLiteral("Бесселя")},
        3, this);
    approximation_->setObjectName(QStringLiteral("Approximation"));
    approximation_->setGeometry(6, 2, 408, 64);

    kind_ = new RadioGroup(
        QStringLiteral("Вид фильтра"),
        {QStringLiteral("ФНЧ"), QStringLiteral("ФВЧ"), QStringLiteral("ПФ"), QStringLiteral("РФ")},
        4, this);
    kind_->setObjectName(QStringLiteral("Kind"));
    kind_->setGeometry(6, 68, 250, 46);

    mode_ =
        new RadioGroup(QStringLiteral("Расчет"),
                       {QStringLiteral("по требованиям"), QStringLiteral("по порядку")}, 1, this);
    mode_->setObjectName(QStringLiteral("Mode"));
    mode_->setGeometry(262, 68, 152, 66);

    auto* edges = addGroup(this, QStringLiteral("Граничные частоты (по требованиям)"),
                           QRect(6, 136, 408, 86));
    f3_ = addEdit(edges, "EditF3", "0.00000", QRect(10, 36, 92, 22));
    f2_ = addEdit(edges, "EditF2", "0.00000", QRect(110, 36, 92, 22));
    f1_ = addEdit(edges, "EditF1", "0.20000", QRect(210, 36, 92, 22));
    f4_ = addEdit(edges, "EditF4", "0.25000", QRect(310, 36, 92, 22));
    addLabel(edges, QStringLiteral("F3"), f3_, QRect(12, 19, 80, 16));
    addLabel(edges, QStringLiteral("F2"), f2_, QRect(112, 19, 80, 16));
    addLabel(edges, QStringLiteral("F1"), f1_, QRect(212, 19, 80, 16));
    addLabel(edges, QStringLiteral("F4"), f4_, QRect(312, 19, 80, 16));
    layout_ = smallLabel(edges, QRect(4, 63, 400, 18));
    layout_->setObjectName(QStringLiteral("LayoutHint"));

    auto* byOrder = addGroup(this, QStringLiteral("Порядок и граничные частоты (по порядку)"),
                             QRect(6, 224, 408, 82));
    order_ = addEdit(byOrder, "EditOrder", "8", QRect(10, 36, 92, 22));
    edge1_ = addEdit(byOrder, "EditEdge1", "0.20000", QRect(110, 36, 142, 22));
    edge2_ = addEdit(byOrder, "EditEdge2", "0.30000", QRect(260, 36, 142, 22));
    addLabel(byOrder, QStringLiteral("N (1..64)"), order_, QRect(12, 19, 90, 16));
    addLabel(byOrder, QStringLiteral("F1 (нижняя)"), edge1_, QRect(112, 19, 140, 16));
    addLabel(byOrder, QStringLiteral("F2 (верхняя: ПФ, РФ)"), edge2_, QRect(262, 19, 140, 16));
    edgeMeaning_ = smallLabel(byOrder, QRect(4, 61, 400, 18));
    edgeMeaning_->setObjectName(QStringLiteral("EdgeMeaning"));

    auto* ripple =
        addGroup(this, QStringLiteral("Неравномерность и затухание АЧХ"), QRect(6, 308, 408, 50));
    da_ = addEdit(ripple, "EditDA", "1.5000000", firstEdit);
    b1_ = addEdit(ripple, "EditB1", "30.000000", secondEdit);
    addLabel(ripple, QStringLiteral("DA в dB"), da_, firstLabel);
    addLabel(ripple, QStringLiteral("B1 в dB"), b1_, secondLabel);

    auto* range =
        addGroup(this, QStringLiteral("Граничные частоты АЧХ и ФЧХ"), QRect(6, 360, 408, 50));
    ff1_ = addEdit(range, "EditFF1", "0.0000", firstEdit);
    ff2_ = addEdit(range, "EditFF2", "0.50000", secondEdit);
    addLabel(range, QStringLiteral("FF1"), ff1_, firstLabel);
    addLabel(range, QStringLiteral("FF2"), ff2_, secondLabel);

    auto* rate = addGroup(this, QStringLiteral("Частота дискретизации"), QRect(6, 412, 186, 50));
    fd_ = addEdit(rate, "EditFD", "1.0000000", firstEdit);
    addLabel(rate, QStringLiteral("FD"), fd_, firstLabel);

    count_ = addEdit(this, "EditCount", "20", QRect(334, 426, 80, 22));
    auto* count = addLabel(this, QStringLiteral("Количество отсчетов АЧХ и ФЧХ"), count_,
                           QRect(204, 418, 124, 38));
    count->setWordWrap(true);

    design_ = new QPushButton(QIcon(QStringLiteral(":/pictures/calc.png")),
                              QStringLiteral("Расчет"), this);
    design_->setObjectName(QStringLiteral("DesignButton"));
    design_->setIconSize(QSize(24, 24));
    design_->setGeometry(135, 474, 150, 33);
    QFont bold = design_->font();
    bold.setBold(true);
    design_->setFont(bold);
    design_->setStyleSheet(QStringLiteral("QPushButton { color: green; }"));

    for (RadioGroup* group : {approximation_, kind_, mode_})
        for (int i = 0; group->item(i); ++i)
            connect(group->item(i), &QAbstractButton::toggled, this,
                    &ClassicalDesignWindow::updateFields);
    connect(design_, &QPushButton::clicked, this, &ClassicalDesignWindow::designClick);
    updateFields();
}

// The fields the chosen mode does not use are disabled.
void ClassicalDesignWindow::updateFields() {
    const bool order = mode_->itemIndex() == 1;
    const int a = approximation_->itemIndex() + 1;
    const BandKind kind = kindOf(kind_->itemIndex());
    for (QLineEdit* edit : {f1_, f2_, f3_, f4_})
        edit->setEnabled(!order);
    order_->setEnabled(order);
    edge1_->setEnabled(order);
    edge2_->setEnabled(order && (kind == BandKind::bandPass || kind == BandKind::bandStop));
    da_->setEnabled(!order || a == chebyshev || a == elliptic);
    b1_->setEnabled(!order || a == chebyshev2 || a == elliptic);
    layout_->setText(QString::fromUtf8(layoutText(kind)));
    layout_->setEnabled(!order);
    edgeMeaning_->setText(edgeMeaning(a));
    edgeMeaning_->setEnabled(order);
}

void ClassicalDesignWindow::designClick() {
    ClassicalDesignRequest request;
    DesignRequest& rq = request.request;
    request.byOrder = mode_->itemIndex() == 1;
    const BandKind kind = kindOf(kind_->itemIndex());
    rq.approximation = approximation_->itemIndex() + 1;
    try {
        if (request.byOrder) {
            request.band = kind;
            const std::int64_t n = readInteger(order_->text());
            request.order = n < 0 || n > 1000 ? 0 : static_cast<int>(n);
            request.edge1 = readReal(edge1_->text());
            if (kind == BandKind::bandPass || kind == BandKind::bandStop)
                request.edge2 = readReal(edge2_->text());
        } else {
            rq.f1 = readReal(f1_->text());
            rq.f2 = readReal(f2_->text());
            rq.f3 = readReal(f3_->text());
            rq.f4 = readReal(f4_->text());
        }
        if (da_->isEnabled())
            rq.da = readReal(da_->text());
        if (b1_->isEnabled())
            rq.b1 = readReal(b1_->text());
        rq.fd = readReal(fd_->text());
        rq.ff1 = readReal(ff1_->text());
        rq.ff2 = readReal(ff2_->text());
        const std::int64_t count = readInteger(count_->text());
        if (count < 1 || count > std::numeric_limits<std::uint16_t>::max())
            throw UserMessage(
                "Количество отсчетов АЧХ и ФЧХ должно быть целым числом от 1 до 65535!");
        rq.np = static_cast<std::uint16_t>(count);
        checkClassicalRequest(request, kind);
    } catch (const UserMessage& e) {
        prompts().message(MessageIcon::Error, applicationTitle(), QString::fromUtf8(e.what()));
        return;
    }

    const std::optional<DesignFiles> files = askDesignFiles();
    if (!files)
        return;
    runDesignIntoResults(
        results_, *files,
        [&request](const std::string& report, const std::string& filter, const AccountSink& account,
                   DesignedCascade* designed) {
            return designClassicalFilter(request, report, filter, account, designed);
        },
        [&request](const DesignedCascade& designed) {
            return designFollowUp(designed, request, decimalSeparator());
        },
        !request.byOrder);
}

ClassicalDesignWindow* openClassicalDesignWindow(ResultsView& results) {
    auto* form = new ClassicalDesignWindow(results);
    showChildWindow(form, fixedChildFrame);
    return form;
}

} // namespace zorkan::ui
