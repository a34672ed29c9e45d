#include "design/classicaldesignwindow.h"

#include "common/errors.h"
#include "design/classicaldesign.h"
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
#include <tuple>

namespace zorkan::ui {

namespace {

QLabel* smallLabel(QWidget* parent, const QRect& place) {
    auto* label = new QLabel(parent);
    label->setGeometry(place);
    label->setAlignment(Qt::AlignCenter);
    QFont small = label->font();
    small.setPixelSize(10);
    label->setFont(small);
    return label;
}

BandKind kindOf(int index) {
    switch (index) {
    case 1:
        return BandKind::HighPass;
    case 2:
        return BandKind::BandPass;
    case 3:
        return BandKind::BandStop;
    default:
        return BandKind::LowPass;
    }
}

// What the edge of an order design means, by approximation.
QString edgeMeaning(Approximation approximation) {
    switch (approximation) {
    case Approximation::Chebyshev:
        return QStringLiteral("граница: конец неравномерности DA");
    case Approximation::InverseChebyshev:
        return QStringLiteral("граница: начало затухания B1");
    case Approximation::Elliptic:
        return QStringLiteral("граница полосы пропускания, с DA и B1");
    default:
        return QStringLiteral("граница: уровень -3 dB");
    }
}

// The two columns of groups, each 408 pixels wide.
constexpr int columnWidth = 408;
constexpr int columnGap = 6;
constexpr int rightColumn = columnWidth + 2 * columnGap;

} // namespace

ClassicalDesignWindow::ClassicalDesignWindow(ResultsView& results, QWidget* parent)
    : QWidget(parent), results_(results) {
    setObjectName(QStringLiteral("ClassicalDesignWindow"));
    setWindowTitle(QStringLiteral("Расчет фильтра: все типы"));
    // Two columns, so that the whole window, "Расчет" included, fits the document area of
    // the main window at its default size: the filter on the left, the figures on the right.
    setFixedSize(2 * columnWidth + 3 * columnGap, 312);

    approximationGroup_ = new RadioGroup(
        QStringLiteral("Аппроксимация"),
        {QStringLiteral("Баттерворта"), QStringLiteral("Чебышева"), QStringLiteral("Эллиптическая"),
         QStringLiteral("Чебышева инверсная"), QStringLiteral("Бесселя")},
        3, this);
    approximationGroup_->setObjectName(QStringLiteral("Approximation"));
    approximationGroup_->setGeometry(6, 2, 408, 64);

    kindGroup_ = new RadioGroup(
        QStringLiteral("Вид фильтра"),
        {QStringLiteral("ФНЧ"), QStringLiteral("ФВЧ"), QStringLiteral("ПФ"), QStringLiteral("РФ")},
        4, this);
    kindGroup_->setObjectName(QStringLiteral("Kind"));
    kindGroup_->setGeometry(6, 68, 250, 46);

    modeGroup_ =
        new RadioGroup(QStringLiteral("Расчет"),
                       {QStringLiteral("по требованиям"), QStringLiteral("по порядку")}, 1, this);
    modeGroup_->setObjectName(QStringLiteral("Mode"));
    modeGroup_->setGeometry(262, 68, 152, 66);

    auto* edges = addGroup(this, "", QStringLiteral("Граничные частоты (по требованиям)"),
                           QRect(6, 136, 408, 86));
    f3Edit_ = addColumnField(edges, {"EditF3", "0.00000", "", QStringLiteral("F3")}, 10, 92, 80);
    f2Edit_ = addColumnField(edges, {"EditF2", "0.00000", "", QStringLiteral("F2")}, 110, 92, 80);
    f1Edit_ = addColumnField(edges, {"EditF1", "0.20000", "", QStringLiteral("F1")}, 210, 92, 80);
    f4Edit_ = addColumnField(edges, {"EditF4", "0.25000", "", QStringLiteral("F4")}, 310, 92, 80);
    layoutHint_ = smallLabel(edges, QRect(4, 63, 400, 18));
    layoutHint_->setObjectName(QStringLiteral("LayoutHint"));

    auto* byOrder = addGroup(this, "", QStringLiteral("Порядок и граничные частоты (по порядку)"),
                             QRect(6, 224, 408, 82));
    orderEdit_ =
        addColumnField(byOrder, {"EditOrder", "8", "", QStringLiteral("N (1..64)")}, 10, 92, 90);
    edge1Edit_ = addColumnField(
        byOrder, {"EditEdge1", "0.20000", "", QStringLiteral("F1 (нижняя)")}, 110, 142, 140);
    edge2Edit_ = addColumnField(
        byOrder, {"EditEdge2", "0.30000", "", QStringLiteral("F2 (верхняя: ПФ, РФ)")}, 260, 142,
        140);
    edgeMeaningLabel_ = smallLabel(byOrder, QRect(4, 61, 400, 18));
    edgeMeaningLabel_->setObjectName(QStringLiteral("EdgeMeaning"));

    constexpr int secondLabel = 210;
    std::tie(daEdit_, b1Edit_) = addFieldPair(
        this, "", QStringLiteral("Неравномерность и затухание АЧХ"), QRect(rightColumn, 2, 408, 50),
        {"EditDA", "1.5000000", "", QStringLiteral("DA в dB")},
        {"EditB1", "30.000000", "", QStringLiteral("B1 в dB")}, secondLabel);
    std::tie(ff1Edit_, ff2Edit_) = addFieldPair(
        this, "", QStringLiteral("Граничные частоты АЧХ и ФЧХ"), QRect(rightColumn, 54, 408, 50),
        {"EditFF1", "0.0000", "", QStringLiteral("FF1")},
        {"EditFF2", "0.50000", "", QStringLiteral("FF2")}, secondLabel);

    auto* rate = addGroup(this, "", QStringLiteral("Частота дискретизации"),
                          QRect(rightColumn, 106, 186, 50));
    fdEdit_ = addEdit(rate, "EditFD", "1.0000000", QRect(70, 20, 100, 22));
    addLabel(rate, "", QStringLiteral("FD"), fdEdit_, QRect(10, 22, 58, 18));

    countEdit_ = addEdit(this, "EditCount", "20", QRect(rightColumn + 328, 120, 80, 22));
    auto* count = addLabel(this, "", QStringLiteral("Количество отсчетов АЧХ и ФЧХ"), countEdit_,
                           QRect(rightColumn + 198, 112, 124, 38));
    count->setWordWrap(true);

    designButton_ = addDesignButton(this, "DesignButton", QRect(rightColumn + 129, 268, 150, 33));

    for (RadioGroup* group : {approximationGroup_, kindGroup_, modeGroup_})
        for (int i = 0; group->item(i); ++i)
            connect(group->item(i), &QAbstractButton::toggled, this,
                    &ClassicalDesignWindow::updateFields);
    connect(designButton_, &QPushButton::clicked, this, &ClassicalDesignWindow::designClick);
    updateFields();
}

// The fields the chosen mode does not use are disabled.
void ClassicalDesignWindow::updateFields() {
    const bool order = modeGroup_->itemIndex() == 1;
    const Approximation a = approximationOf(approximationGroup_->itemIndex() + 1);
    const BandKind kind = kindOf(kindGroup_->itemIndex());
    for (QLineEdit* edit : {f1Edit_, f2Edit_, f3Edit_, f4Edit_})
        edit->setEnabled(!order);
    orderEdit_->setEnabled(order);
    edge1Edit_->setEnabled(order);
    edge2Edit_->setEnabled(order && (kind == BandKind::BandPass || kind == BandKind::BandStop));
    daEdit_->setEnabled(!order || a == Approximation::Chebyshev || a == Approximation::Elliptic);
    b1Edit_->setEnabled(!order || a == Approximation::InverseChebyshev ||
                        a == Approximation::Elliptic);
    layoutHint_->setText(QString::fromUtf8(layoutText(kind)));
    layoutHint_->setEnabled(!order);
    edgeMeaningLabel_->setText(edgeMeaning(a));
    edgeMeaningLabel_->setEnabled(order);
}

void ClassicalDesignWindow::designClick() {
    ClassicalDesignRequest request;
    DesignRequest& rq = request.request;
    request.byOrder = modeGroup_->itemIndex() == 1;
    request.exact = true;
    const BandKind kind = kindOf(kindGroup_->itemIndex());
    rq.approximation = approximationGroup_->itemIndex() + 1;
    try {
        if (request.byOrder) {
            request.band = kind;
            const std::int64_t n = readInteger(orderEdit_->text());
            request.order = n < 0 || n > 1000 ? 0 : static_cast<int>(n);
            request.edge1 = readReal(edge1Edit_->text());
            if (kind == BandKind::BandPass || kind == BandKind::BandStop)
                request.edge2 = readReal(edge2Edit_->text());
        } else {
            rq.f1 = readReal(f1Edit_->text());
            rq.f2 = readReal(f2Edit_->text());
            rq.f3 = readReal(f3Edit_->text());
            rq.f4 = readReal(f4Edit_->text());
        }
        if (daEdit_->isEnabled())
            rq.da = readReal(daEdit_->text());
        if (b1Edit_->isEnabled())
            rq.b1 = readReal(b1Edit_->text());
        rq.fd = readReal(fdEdit_->text());
        rq.ff1 = readReal(ff1Edit_->text());
        rq.ff2 = readReal(ff2Edit_->text());
        const std::int64_t count = readInteger(countEdit_->text());
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
            return namingFiles(
                [&] { return designClassicalFilter(request, report, filter, account, designed); });
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
