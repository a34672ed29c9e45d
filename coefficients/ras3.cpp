#include "coefficients/ras3.h"

#include "common/errors.h"
#include "ui/controls.h"
#include "ui/errorhandler.h"
#include "ui/prompts.h"
#include "ui/sharedstate.h"
#include "ui/windownumbers.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

namespace zorkan::ui {

namespace {

constexpr int gridColumns = 6;
constexpr int startRows = 5;
constexpr int columnWidth = 64;
constexpr QAbstractItemView::EditTriggers editing =
    QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
    QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed;

QTableWidget* addGrid(QWidget* parent, const char* name, int top) {
    auto* grid = new QTableWidget(startRows - 1, gridColumns, parent);
    grid->setObjectName(QString::fromLatin1(name));
    grid->setGeometry(10, top, 425, 129);
    grid->verticalHeader()->hide();
    grid->verticalHeader()->setMinimumSectionSize(16);
    grid->verticalHeader()->setDefaultSectionSize(20);
    grid->horizontalHeader()->setMinimumSectionSize(16);
    grid->horizontalHeader()->setDefaultSectionSize(columnWidth);
    grid->horizontalHeader()->setFixedHeight(20);
    grid->horizontalHeader()->setHighlightSections(false);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setEditTriggers(editing);
    grid->setWordWrap(false);
    // A column is as wide as its longest text, so that all 15 digits of a coefficient
    // show; the grid scrolls sideways when they do not fit.
    QObject::connect(grid, &QTableWidget::itemChanged, grid, [grid](QTableWidgetItem* item) {
        const int column = item->column();
        grid->resizeColumnToContents(column);
        if (grid->columnWidth(column) < columnWidth)
            grid->setColumnWidth(column, columnWidth);
    });
    return grid;
}

// The grid's cells over `kept`, the window's full table of the grid: the visible
// cells as they stand now (typed into or not), the hidden ones as they were kept.
CellTable cellsOf(const QTableWidget* grid, CellTable kept) {
    kept.resize(grid->rowCount() + 1, grid->columnCount());
    for (int c = 0; c < grid->columnCount(); ++c) {
        if (const QTableWidgetItem* header = grid->horizontalHeaderItem(c))
            kept.setCell(0, c, header->text().toStdString());
        for (int r = 0; r < grid->rowCount(); ++r)
            if (const QTableWidgetItem* item = grid->item(r, c))
                kept.setCell(r + 1, c, item->text().toStdString());
    }
    return kept;
}

// Headers and section numbers follow the grid's size, whatever the table says of them:
// a grid made larger shows them in its new rows and columns too.
void showCells(QTableWidget* grid, const CellTable& cells, const QString& letter,
               int fixedColumns) {
    grid->setRowCount(std::max(cells.rows() - 1, 0));
    grid->setColumnCount(cells.columns());
    QStringList headers;
    for (int c = 0; c < cells.columns(); ++c)
        headers << (c == 0 ? QStringLiteral("Ячейка") : letter + QString::number(c));
    grid->setHorizontalHeaderLabels(headers);
    const QBrush fixedBrush = grid->palette().button();
    for (int r = 1; r < cells.rows(); ++r) {
        for (int c = 0; c < cells.columns(); ++c) {
            const QString text =
                c == 0 ? QString::number(r) : QString::fromStdString(cells.cell(r, c));
            QTableWidgetItem* item = grid->item(r - 1, c);
            if (!item) {
                item = new QTableWidgetItem;
                if (c < fixedColumns) {
                    item->setFlags(Qt::ItemIsEnabled);
                    item->setBackground(fixedBrush);
                }
                grid->setItem(r - 1, c, item);
            }
            item->setText(text);
        }
    }
}

} // namespace

TForm3::TForm3(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Ввод параметров фильтра "));
    setFixedSize(445, 336);

    const auto edit = [this](const char* name, const char* text, int x, int y) {
        auto* field = new QLineEdit(QString::fromUtf8(text), this);
        field->setObjectName(QString::fromLatin1(name));
        field->setGeometry(x, y, 25, 21);
        return field;
    };
    const auto label = [this](const char* name, const QString& text, QLineEdit* buddy, int x,
                              int y) {
        auto* l = new QLabel(text, this);
        l->setObjectName(QString::fromLatin1(name));
        l->setBuddy(buddy);
        l->setGeometry(x, y + 2, 76, 17);
    };
    const auto button = [this](const char* name, const QString& caption, const QRect& place) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(place);
        return b;
    };

    Edit1 = edit("Edit1", "10", 88, 8);
    Edit2 = edit("Edit2", "0", 88, 40);
    Edit3 = edit("Edit3", "3", 288, 8);
    label("Label1", QStringLiteral("Порядок"), Edit1, 8, 8);
    label("Label2", QStringLiteral("Параметр"), Edit2, 8, 40);
    label("Label3", QStringLiteral("Точность"), Edit3, 224, 8);
    Edit1->installEventFilter(this);
    Edit3->installEventFilter(this);

    RadioGroup1 = new RadioGroup(QStringLiteral("Сист. сч."),
                                 {QStringLiteral("Десят"), QStringLiteral("Двоич")}, 1, this);
    RadioGroup1->setObjectName(QStringLiteral("RadioGroup1"));
    RadioGroup1->setGeometry(136, 8, 73, 57);
    QFont small = RadioGroup1->font();
    small.setPixelSize(11);
    RadioGroup1->setFont(small);
    RadioGroup1->layout()->setContentsMargins(3, 0, 0, 0);
    RadioGroup1->layout()->setSpacing(0);

    BitBtn1 = button("BitBtn1", QStringLiteral("Преобразовать"), QRect(216, 32, 97, 25));
    BitBtn2 = button("BitBtn2", QStringLiteral("    Считать"), QRect(320, 8, 89, 25));
    BitBtn3 = button("BitBtn3", QStringLiteral("Сохранить"), QRect(320, 32, 89, 25));
    connect(BitBtn1, &QPushButton::clicked, this, &TForm3::quantiseCoefficients);
    connect(BitBtn2, &QPushButton::clicked, this, &TForm3::loadCoefficients);
    connect(BitBtn3, &QPushButton::clicked, this, &TForm3::saveCoefficients);

    StringGrid1 = addGrid(this, "StringGrid1", 64);
    StringGrid2 = addGrid(this, "StringGrid2", 200);
    CoefficientForm empty;
    empty.numerator.resize(startRows, gridColumns);
    empty.denominator.resize(startRows, gridColumns);
    showForm(empty);
    connect(StringGrid1, &QTableWidget::currentCellChanged, this,
            [this](int, int column) { StringGrid1SelectCell(column); });
    RadioGroup1->raise();
}

CoefficientForm TForm3::form() const {
    CoefficientForm form;
    form.orderText = Edit1->text().toStdString();
    form.parameterText = Edit2->text().toStdString();
    form.precisionText = Edit3->text().toStdString();
    form.base = RadioGroup1->itemIndex() == 1 ? NumberBase::Binary : NumberBase::Decimal;
    form.numerator = cellsOf(StringGrid1, numeratorCells_);
    form.denominator = cellsOf(StringGrid2, denominatorCells_);
    return form;
}

void TForm3::showForm(const CoefficientForm& form) {
    Edit1->setText(QString::fromStdString(form.orderText));
    Edit2->setText(QString::fromStdString(form.parameterText));
    Edit3->setText(QString::fromStdString(form.precisionText));
    numeratorCells_ = form.numerator;
    denominatorCells_ = form.denominator;
    showCells(StringGrid1, form.numerator, QStringLiteral("A"), 1);
    // B0 cannot be typed.
    showCells(StringGrid2, form.denominator, QStringLiteral("B"), 2);
}

template <class Work> void TForm3::change(Work work) {
    CoefficientForm contents = form();
    try {
        work(contents);
    } catch (...) {
        showForm(contents);
        throw;
    }
    showForm(contents);
}

void TForm3::setUpCoefficientGrids() {
    change([](CoefficientForm& f) { zorkan::setUpCoefficientGrids(f); });
    StringGrid2->move(StringGrid2->x(), 200);
}

void TForm3::saveCoefficients() {
    checkOrderForSaving(form());
    const auto path = prompts().saveFileName(
        {QStringLiteral("Сохранить как"), QDir::currentPath(), QStringLiteral("1.flt"),
         QStringLiteral("Имя файла параметров фильтра|*.flt"), QStringLiteral("flt")});
    if (!path)
        return;
    const char separator = decimalSeparator();
    change(
        [&](CoefficientForm& f) { zorkan::saveCoefficients(f, path->toStdString(), separator); });
}

void TForm3::loadCoefficients() {
    const auto path =
        prompts().openFileName({QStringLiteral("Открыть"), QDir::currentPath(), QString(),
                                QStringLiteral("Параметры фильтра|*.flt"), QStringLiteral("flt")});
    if (!path)
        return;
    const char separator = decimalSeparator();
    change(
        [&](CoefficientForm& f) { zorkan::loadCoefficients(f, path->toStdString(), separator); });
}

void TForm3::quantiseCoefficients() {
    const char separator = decimalSeparator();
    change([&](CoefficientForm& f) { zorkan::quantiseCoefficients(f, separator); });
}

// Three-coefficient filters have no A4, A5, B4, B5: choosing such a cell locks editing
// in both grids, choosing any other unlocks it. A parameter that is not a number counts
// as not 0, so that a click never raises an error.
void TForm3::StringGrid1SelectCell(int column) {
    bool threeCoefficients = false;
    try {
        threeCoefficients = readInteger(Edit2->text()) == 0;
    } catch (const ConvertError&) {
    }
    const bool locked = threeCoefficients && (column == 4 || column == 5);
    for (QTableWidget* grid : {StringGrid1, StringGrid2})
        grid->setEditTriggers(locked ? QAbstractItemView::NoEditTriggers : editing);
}

// Enter in, or leaving, the order or precision field: the order must suit saving (even
// and below 36). The message is shown here rather than raised, as the focus is moving.
void TForm3::orderCheck() {
    if (checking_ || closing_)
        return;
    checking_ = true;
    try {
        CoefficientForm order;
        order.orderText = Edit1->text().toStdString();
        checkOrderForSaving(order);
    } catch (const Error& error) {
        reportError(error);
    }
    checking_ = false;
}

bool TForm3::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Edit1 || watched == Edit3) {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter)
                orderCheck();
        } else if (event->type() == QEvent::FocusOut) {
            // Leaving means for another control of this window; the focus going to another
            // window (a message box, the main window, another child window) is not that.
            // The new focus widget is already set when the old one hears of it.
            const QWidget* next = QApplication::focusWidget();
            if (next && isAncestorOf(next))
                orderCheck();
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TForm3::closeEvent(QCloseEvent* event) {
    // The field loses the focus as the window goes; that is not leaving it.
    closing_ = true;
    shared().flags.CoefficientWindowOpen = 0;
    QWidget::closeEvent(event);
}

} // namespace zorkan::ui
