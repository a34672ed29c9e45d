#include "response/rasX.h"

#include "design/ras2.h"
#include "response/response.h"
#include "ui/childwindow.h"
#include "ui/controls.h"
#include "ui/errorhandler.h"
#include "ui/picturebox.h"
#include "ui/prompts.h"
#include "ui/sharedstate.h"
#include "ui/windownumbers.h"

#include <QCloseEvent>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>

namespace zorkan::ui {

namespace {

QPointer<TForm4> current;

constexpr int pictureWidth = 549;
constexpr int pictureHeight = 273;

const char* const frequencyTexts[] = {"0.0", "0.05", "0.1", "0.15", "0.2", "0.25",
                                      "0.3", "0.35", "0.4", "0.45", "0.5"};
constexpr int frequencyX[] = {22, 74, 132, 186, 242, 290, 350, 402, 462, 514, 568};
const char* const linearTexts[] = {"1", "0.80", "0.60", "0.40", "0.20"};
constexpr int linearY[] = {14, 60, 116, 170, 224};
const char* const decibelTexts[] = {"-10", "-30", "-50", "-70", "-90"};
constexpr int decibelY[] = {34, 86, 142, 194, 248};
const char* const phaseTexts[] = {"160", "80", "0  ", "-80", "-160"};
constexpr int phaseY[] = {32, 88, 142, 198, 250};

QFont pixelFont(const QFont& base, int pixels, bool bold = false) {
    QFont font = base;
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

QPalette coloured(QPalette palette, const QColor& text, const QColor& background) {
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Window, background);
    return palette;
}

// A label whose size follows its text, as the axis labels and the results are.
QLabel* addLabel(QWidget* parent, int number, const QString& text, int x, int y,
                 const QColor& colour) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QStringLiteral("Label") + QString::number(number));
    label->setFont(pixelFont(parent->font(), 11));
    label->setPalette(coloured(label->palette(), colour, Qt::white));
    label->move(x, y);
    label->adjustSize();
    return label;
}

void relabel(QLabel* label, const QString& text) {
    label->setText(text);
    label->adjustSize();
}

// The result fields keep their size; a long text gets a narrower or smaller font.
void showResult(QLabel* label, const QString& text) {
    label->setFont(pixelFont(label->parentWidget()->font(), 11));
    label->setText(text);
    fitText(label, label->width() - 4);
    label->show();
}

} // namespace

TForm4::TForm4(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("Частотные характеристики цифровых фильтров"));
    setFixedSize(614, 397);
    createPicture();
    createPanel();
}

void TForm4::createPicture() {
    auto* frame = new QFrame(this);
    frame->setObjectName(QStringLiteral("Bevel1"));
    frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
    frame->setGeometry(2, 0, 609, 303);

    Image1 = new PictureBox(pictureWidth, pictureHeight, this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->move(32, 10);
    Image1->setToolTip(QStringLiteral("Двойной щелчок - сохранить рисунок"));

    int number = 1;
    for (int i = 0; i < 11; ++i)
        frequencyLabels_[i] = addLabel(this, number++, QString::fromLatin1(frequencyTexts[i]),
                                       frequencyX[i], 286, Qt::black);
    for (int i = 0; i < 5; ++i)
        linearLabels_[i] = addLabel(this, number++, QString::fromLatin1(linearTexts[i]), 5,
                                    linearY[i], QColor(0, 128, 0));
    for (int i = 0; i < 5; ++i) {
        decibelLabels_[i] = addLabel(this, number++, QString::fromLatin1(decibelTexts[i]), 42,
                                     decibelY[i], Qt::red);
        // Inside the picture: on white, over whatever is drawn there.
        decibelLabels_[i]->setAutoFillBackground(true);
        decibelLabels_[i]->raise();
    }
    for (int i = 0; i < 5; ++i)
        addLabel(this, number++, QString::fromLatin1(phaseTexts[i]), 584, phaseY[i], Qt::blue);
}

void TForm4::createPanel() {
    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setGeometry(4, 306, 533, 91);
    const QFont small = pixelFont(font(), 11);

    const auto field = [&](const char* name, const char* text, int x, int y, int labelNumber,
                           const char* caption) {
        auto* edit = new QLineEdit(QString::fromLatin1(text), panel);
        edit->setObjectName(QString::fromLatin1(name));
        edit->setFont(small);
        edit->setGeometry(x, y, 41, 21);
        auto* label = new QLabel(QString::fromLatin1(caption), panel);
        label->setObjectName(QStringLiteral("Label") + QString::number(labelNumber));
        label->setFont(small);
        label->setBuddy(edit);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        label->setGeometry(x - 37, y + 2, 35, 17);
        return edit;
    };
    Edit1 = field("Edit1", "0.0", 38, 11, 27, "B1-db");
    Edit2 = field("Edit2", "-100.0", 38, 35, 28, "B2-db");
    Edit3 = field("Edit3", "0.0", 118, 11, 29, "F1-str");
    Edit4 = field("Edit4", "0.5", 118, 35, 30, "F2-str");
    Edit5 = field("Edit5", "1.0", 200, 11, 31, "A1-lin");
    Edit6 = field("Edit6", "0.0", 200, 35, 32, "A2-lin");

    const struct {
        const char* text;
        QColor colour;
    } legend[] = {
        {" ФЧХ : arg(H(w)) ", Qt::blue},
        {"    АЧХ :  A(w) = |H(jw)||", QColor(0, 128, 0)},
        {"АЧХ :  Al(w) = 20Log|H(jw)|", Qt::red},
    };
    for (int i = 0; i < 3; ++i) {
        auto* label = new QLabel(QString::fromUtf8(legend[i].text), panel);
        label->setObjectName(QStringLiteral("Label") + QString::number(33 + i));
        label->setFont(pixelFont(font(), 11, true));
        label->setPalette(coloured(label->palette(), legend[i].colour, Qt::white));
        label->setGeometry(246, 5 + 17 * i, 190, 16);
    }

    // Yellow on teal, hidden until first filled.
    const auto result = [&](const char* name, int y) {
        auto* label = new QLabel(panel);
        label->setObjectName(QString::fromLatin1(name));
        label->setFont(small);
        label->setAutoFillBackground(true);
        label->setPalette(coloured(label->palette(), Qt::yellow, QColor(0, 128, 128)));
        label->setGeometry(440, y, 91, 17);
        label->hide();
        return label;
    };
    StaticText1 = result("StaticText1", 6);
    StaticText2 = result("StaticText2", 24);
    StaticText3 = result("StaticText3", 41);

    BitBtn3 = new QPushButton(style()->standardIcon(QStyle::SP_DialogOpenButton),
                              QStringLiteral("Файл"), panel);
    BitBtn3->setObjectName(QStringLiteral("BitBtn3"));
    BitBtn3->setGeometry(8, 62, 73, 25);
    connect(BitBtn3, &QPushButton::clicked, this, &TForm4::BitBtn3Click);
    Edit7 = new QLineEdit(panel);
    Edit7->setObjectName(QStringLiteral("Edit7"));
    Edit7->setReadOnly(true);
    Edit7->setFont(small);
    Edit7->setGeometry(86, 66, 179, 21);

    BitBtn1 = new QPushButton(QIcon(QStringLiteral(":/pictures/calc.png")),
                              QStringLiteral("Расчет"), panel);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setGeometry(272, 62, 113, 25);
    connect(BitBtn1, &QPushButton::clicked, this, &TForm4::runResponse);
    BitBtn2 = new QPushButton(style()->standardIcon(QStyle::SP_DialogResetButton),
                              QStringLiteral("Очистить"), panel);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setGeometry(434, 62, 94, 25);
    connect(BitBtn2, &QPushButton::clicked, this, &TForm4::clearResponsePlot);

    BitBtn4 = new QToolButton(this);
    BitBtn4->setObjectName(QStringLiteral("BitBtn4"));
    BitBtn4->setText(QStringLiteral("Выход"));
    BitBtn4->setIcon(QIcon(QStringLiteral(":/pictures/close.png")));
    BitBtn4->setIconSize(QSize(36, 36));
    BitBtn4->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    QFont serif(QStringLiteral("Times New Roman"));
    serif.setStyleHint(QFont::Serif);
    serif.setPixelSize(20);
    BitBtn4->setFont(serif);
    BitBtn4->setGeometry(536, 312, 73, 81);
    connect(BitBtn4, &QToolButton::clicked, this, [this] { parentWidget()->close(); });
}

void TForm4::clearResponsePlot() {
    Canvas& canvas = Image1->canvas();
    width_ = canvas.width();
    height_ = canvas.height();
    clearResponsePicture(canvas);
    Image1->update();
}

void TForm4::setFileName(const QString& name) {
    Edit7->setText(name);
    Edit7->setCursorPosition(0);
}

void TForm4::runResponse() {
    ResponseRange range;
    range.fd = 1;

    range.b2 = readReal(Edit2->text());
    range.b1 = readReal(Edit1->text());
    const double decibelStep = (range.b2 - range.b1) / 10;
    for (int i = 0; i < 5; ++i)
        relabel(decibelLabels_[i], showFixed(range.b1 + (2 * i + 1) * decibelStep, 3, 0));

    range.f2 = readReal(Edit4->text());
    range.f1 = readReal(Edit3->text());
    const double frequencyStep = (range.f2 - range.f1) / 10;
    for (int i = 0; i < 11; ++i)
        relabel(frequencyLabels_[i], showFixed(range.f1 + i * frequencyStep, 4, 2));

    range.a2 = readReal(Edit6->text());
    range.a1 = readReal(Edit5->text());
    const double linearStep = (range.a2 - range.a1) / 10;
    for (int i = 0; i < 5; ++i)
        relabel(linearLabels_[i], showFixed(range.a1 + 2 * i * linearStep, 3, 2));

    showResult(StaticText1, showFixed((range.f2 - range.f1) / width_, 7, 4));

    if (const auto bad = firstInvalidRangeField(range)) {
        QLineEdit* const fields[] = {Edit3, Edit4, Edit2, Edit1, Edit6, Edit5};
        prompts().message(MessageIcon::None, applicationTitle(),
                          QString::fromUtf8(invalidValueMessage));
        fields[static_cast<int>(*bad)]->setFocus();
        return;
    }

    // What was drawn before an error is shown too.
    struct Repaint {
        PictureBox* picture;
        ~Repaint() { picture->update(); }
    } repaint{Image1};
    const BusyCursor busy;
    computeResponse(shared().ResponseFilterFile.toStdString(), range, width_, height_,
                    Image1->canvas(), [this](double kmax, double fm) { showMaximum(kmax, fm); });
}

void TForm4::showMaximum(double kmax, double fm) {
    if (kmax > 9999999999.0)
        showResult(StaticText2, QStringLiteral("Kmax > 9999999999"));
    else if (kmax > 99999)
        showResult(StaticText2, QStringLiteral("Kmax = ") + showGeneral(kmax));
    else
        showResult(StaticText2, QStringLiteral("Kmax = ") + showFixed(kmax, 7, 3));
    showResult(StaticText3, QStringLiteral("  FM = ") + showFixed(fm, 7, 4));
}

void TForm4::BitBtn3Click() {
    const auto path = prompts().openFileName(
        {QStringLiteral("Открыть"), QDir::currentPath(), QString(),
         QStringLiteral("Файлы параметров фильтра|*.flt"), QStringLiteral("flt")});
    if (path)
        shared().ResponseFilterFile = *path;
    setFileName(shared().ResponseFilterFile);
}

// The design window goes with this one; the modelling window's flag is left to the
// modelling window.
void TForm4::closeEvent(QCloseEvent* event) {
    SharedState& state = shared();
    if (state.flags.DesignWindowOpen == 1 && state.documentArea) {
        for (QMdiSubWindow* window : state.documentArea->subWindowList())
            if (qobject_cast<TForm2*>(window->widget()))
                window->close();
    }
    state.flags.ResponseWindowOpen = 0;
    if (current == this)
        current = nullptr;
    QWidget::closeEvent(event);
}

TForm4* openResponseWindow() {
    auto* form = new TForm4;
    showChildWindow(form, fixedChildFrame);
    form->clearResponsePlot();
    current = form;
    return form;
}

TForm4* responseWindow() {
    return current;
}

void installResponseWindowHooks() {
    ResponseWindowHooks& hooks = shared().response;
    hooks.open = [] { openResponseWindow(); };
    // Named by the results window's "Готово", the window comes to the front to be seen.
    hooks.setFileName = [](const QString& name) {
        if (!current)
            return;
        current->setFileName(name);
        bringToFront(qobject_cast<QMdiSubWindow*>(current->parentWidget()));
    };
    hooks.close = [] {
        if (current)
            current->parentWidget()->close();
    };
}

} // namespace zorkan::ui
