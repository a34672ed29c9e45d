#include "purpose/purposewindow.h"

#include "charts/chartplot_qt.h"
#include "common/errors.h"
#include "common/replacefile.h"
#include "purpose/analogtransform.h"
#include "purpose/audiosections.h"
#include "purpose/fractionaldelay.h"
#include "purpose/notchcomb.h"
#include "ui/childwindow.h"
#include "ui/errorhandler.h"
#include "ui/prompts.h"
#include "ui/windownumbers.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QStackedWidget>
#include <QTableWidget>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <exception>
#include <utility>

namespace zorkan::ui {

namespace {

// The progress dialog counts in thousandths, polled this often.
constexpr int progressSteps = 1000;
constexpr int progressPollMs = 100;
constexpr int panelWidth = 440;
// The narrowest span of the magnitude axis, dB.
constexpr double minimumDecibelSpan = 2;

// The band types in the order of AudioBandType.
const char* const bandTypeNames[] = {"пик",       "полка НЧ", "полка ВЧ", "режекторный",
                                     "полосовой", "фазовый",  "ФНЧ",      "ФВЧ"};

enum BandColumn { TypeColumn, FrequencyColumn, GainColumn, QColumn, BandColumns };

// The bands of a new table: a low shelf, a dip in the middle and a high shelf.
const AudioBand startBands[] = {{AudioBandType::LowShelf, 0.02, 4, 1},
                                {AudioBandType::Peak, 0.1, -6, 2},
                                {AudioBandType::HighShelf, 0.3, 3, 1}};

// A number of a field; the field's name goes with the refusal of a text that is none.
double fieldReal(const QString& text, const char* name) {
    try {
        return readReal(text.trimmed());
    } catch (const ConvertError&) {
        throw UserMessage(std::string("Поле «") + name + "»: «" + text.trimmed().toStdString() +
                          "» не является числом");
    }
}

std::int64_t fieldInteger(const QString& text, const char* name) {
    try {
        return readInteger(text.trimmed());
    } catch (const ConvertError&) {
        throw UserMessage(std::string("Поле «") + name + "»: «" + text.trimmed().toStdString() +
                          "» не является целым числом");
    }
}

// Coefficients separated by blanks or semicolons (the comma may be the decimal one).
std::vector<double> coefficientList(const QString& text, const char* name) {
    std::vector<double> values;
    static const QRegularExpression separators(QStringLiteral("[\\s;]+"));
    for (const QString& piece : text.split(separators, Qt::SkipEmptyParts))
        values.push_back(fieldReal(piece, name));
    return values;
}

ChartSeries seriesOf(const std::string& name, const FilterCoefficients& filter) {
    ChartSeries s;
    s.name = name;
    s.source.filter = filter;
    return s;
}

QString number(double value) {
    return showGeneral(value, 6);
}

QLineEdit* edit(const char* name, const QString& text) {
    auto* e = new QLineEdit(text);
    e->setObjectName(QString::fromLatin1(name));
    return e;
}

QFormLayout* form(QWidget* page) {
    auto* layout = new QFormLayout(page);
    layout->setLabelAlignment(Qt::AlignLeft);
    return layout;
}

QLabel* note(const QString& text) {
    auto* label = new QLabel(text);
    label->setWordWrap(true);
    return label;
}

// The proposed name of each page's file.
const char* const proposedNames[] = {"equaliser.flt", "eq.flt",    "notch.flt",
                                     "comb.flt",      "delay.flt", "analog.flt"};

} // namespace

struct SpecialFiltersWindow::EqualiserJob {
    EqualiserRequest request;
    EqualiserResult result;
    std::atomic<int> done{0};
    std::atomic<int> total{1};
    std::atomic<bool> stop{false};
    std::exception_ptr failure;

    void run() {
        try {
            result = designEqualiser(request, [this](int d, int t) {
                done = d;
                total = t;
                return !stop;
            });
        } catch (...) {
            failure = std::current_exception();
        }
    }
};

SpecialView audioEqView(const AudioEqRequest& request) {
    SpecialView view;
    view.fd = request.fd;
    view.sections = designAudioEq(request).filter;
    view.magnitude = {seriesOf("эквалайзер", coefficientsOf(*view.sections))};
    for (std::size_t k = 0; k < request.bands.size(); ++k)
        view.magnitude.push_back(seriesOf(
            "полоса " + std::to_string(k + 1),
            coefficientsOf(fromSecondOrder({audioSection(request.bands[k], request.fd)}, 2))));
    view.delay = {view.magnitude.front()};
    return view;
}

int specialChartPoints(int width, int height) {
    const ChartRect plot = plotArea(width, height);
    return std::max(minimumChartPoints, static_cast<int>(std::ceil(plot.width)) + 1);
}

SpecialCharts specialCharts(const SpecialView& view, int width, int height) {
    const double nyquist = view.fd / 2;
    const FrequencyGrid grid{0, nyquist, specialChartPoints(width, height), false};
    const AxisRange x{0, nyquist, false};
    SpecialCharts charts;
    ChartOptions options;
    options.fd = view.fd;
    options.view = ChartView::MagnitudeDb;
    const ChartCurves magnitude = computeChartCurves(view.magnitude, options, grid, std::nullopt);
    AxisRange level = valueRange(magnitude, 0, nyquist, decibelDepth);
    // An all-pass filter's level is flat: its axis shows a few decibels about it rather
    // than the rounding of its 0 dB.
    if (level.high - level.low < minimumDecibelSpan) {
        const double middle = std::round((level.low + level.high) / 2);
        level = {middle - minimumDecibelSpan / 2, middle + minimumDecibelSpan / 2, false};
    }
    charts.magnitude = characteristicsChart(view.magnitude, magnitude, options, std::nullopt, x,
                                            level, width, height);
    options.view = ChartView::GroupDelay;
    const ChartCurves delay = computeChartCurves(view.delay, options, grid, std::nullopt);
    charts.delay = characteristicsChart(view.delay, delay, options, std::nullopt, x,
                                        valueRange(delay, 0, nyquist), width, height);
    return charts;
}

SpecialFiltersWindow::SpecialFiltersWindow(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("SpecialFiltersWindow"));
    setWindowTitle(QStringLiteral("Специальные фильтры"));

    // A list of the pages rather than tabs: six captions do not fit one row of tabs.
    pageBox_ = new QComboBox;
    pageBox_->setObjectName(QStringLiteral("PageChoice"));
    pages_ = new QStackedWidget;
    pages_->setObjectName(QStringLiteral("Pages"));
    const std::pair<QWidget*, QString> all[] = {
        {createEqualiserPage(), QStringLiteral("Корректор группового времени задержки")},
        {createAudioPage(), QStringLiteral("Звуковой эквалайзер")},
        {createNotchPage(), QStringLiteral("Режекторный фильтр и резонатор")},
        {createCombPage(), QStringLiteral("Гребенчатый фильтр")},
        {createDelayPage(), QStringLiteral("Дробная задержка")},
        {createAnalogPage(), QStringLiteral("Фильтр из аналогового")}};
    for (const auto& [widget, caption] : all) {
        pages_->addWidget(widget);
        pageBox_->addItem(caption);
    }
    auto* panel = new QGroupBox;
    panel->setFixedWidth(panelWidth);
    auto* chooser = new QFormLayout;
    chooser->addRow(QStringLiteral("Фильтр"), pageBox_);
    auto* inPanel = new QVBoxLayout(panel);
    inPanel->addLayout(chooser);
    inPanel->addWidget(pages_, 1);

    saveButton_ = new QPushButton(QStringLiteral("Сохранить..."));
    saveButton_->setObjectName(QStringLiteral("SaveButton"));
    saveButton_->setToolTip(QStringLiteral("Записать фильтр страницы в файл параметров"));

    magnitudeChart_ = new ChartPicture;
    magnitudeChart_->setObjectName(QStringLiteral("MagnitudeChart"));
    delayChart_ = new ChartPicture;
    delayChart_->setObjectName(QStringLiteral("DelayChart"));
    statusLabel_ = new QLabel;
    statusLabel_->setObjectName(QStringLiteral("StatusLabel"));
    statusLabel_->setWordWrap(true);
    QPalette warning = statusLabel_->palette();
    warning.setColor(QPalette::WindowText, Qt::darkRed);
    statusLabel_->setPalette(warning);

    auto* left = new QVBoxLayout;
    left->addWidget(panel, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(saveButton_);
    left->addLayout(buttons);
    auto* right = new QVBoxLayout;
    right->addWidget(magnitudeChart_, 1);
    right->addWidget(delayChart_, 1);
    right->addWidget(statusLabel_);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left);
    layout->addLayout(right, 1);

    connect(pageBox_, &QComboBox::currentIndexChanged, pages_, &QStackedWidget::setCurrentIndex);
    connect(pages_, &QStackedWidget::currentChanged, this, &SpecialFiltersWindow::updateView);
    connect(saveButton_, &QPushButton::clicked, this, &SpecialFiltersWindow::save);
    updateFields();
    updateView();
}

SpecialFiltersWindow::~SpecialFiltersWindow() {
    if (thread_) {
        job_->stop = true;
        thread_->wait();
        delete thread_;
        QApplication::restoreOverrideCursor();
    }
}

QWidget* SpecialFiltersWindow::createEqualiserPage() {
    auto* page = new QWidget;
    auto* layout = form(page);
    layout->addRow(note(QStringLiteral(
        "Всепропускающие секции второго порядка, с которыми групповое время задержки "
        "фильтра в полосе F1..F2 как можно более постоянно.")));
    eqFileEdit_ = edit("EditFile", QString());
    auto* browse = new QPushButton(QStringLiteral("..."));
    browse->setObjectName(QStringLiteral("BrowseButton"));
    browse->setFixedWidth(32);
    auto* file = new QHBoxLayout;
    file->addWidget(eqFileEdit_);
    file->addWidget(browse);
    layout->addRow(QStringLiteral("Файл фильтра"), file);
    const EqualiserRequest defaults;
    eqFdEdit_ = edit("EditFD", showGeneral(defaults.fd));
    layout->addRow(QStringLiteral("FD"), eqFdEdit_);
    eqF1Edit_ = edit("EditF1", QStringLiteral("0"));
    layout->addRow(QStringLiteral("F1"), eqF1Edit_);
    eqF2Edit_ = edit("EditF2", QStringLiteral("0.1"));
    layout->addRow(QStringLiteral("F2"), eqF2Edit_);
    eqOrderEdit_ = edit("EditOrder", QString::number(defaults.order));
    layout->addRow(
        QStringLiteral("Порядок (%1..%2, четный)").arg(minEqualiserOrder).arg(maxEqualiserOrder),
        eqOrderEdit_);
    eqRadiusEdit_ = edit("EditRadius", showGeneral(defaults.maxRadius));
    layout->addRow(QStringLiteral("Наибольший радиус полюсов"), eqRadiusEdit_);
    eqRunButton_ = new QPushButton(QStringLiteral("Рассчитать"));
    eqRunButton_->setObjectName(QStringLiteral("RunButton"));
    layout->addRow(QString(), eqRunButton_);
    eqResultLabel_ = note(QString());
    eqResultLabel_->setObjectName(QStringLiteral("ResultLabel"));
    layout->addRow(eqResultLabel_);

    for (QLineEdit* e : {eqFileEdit_, eqFdEdit_, eqF1Edit_, eqF2Edit_, eqOrderEdit_, eqRadiusEdit_})
        connect(e, &QLineEdit::textChanged, this, [this] {
            // A result belongs to the fields it was designed from.
            if (equaliser_) {
                equaliser_.reset();
                eqResultLabel_->clear();
            }
            fieldChanged();
        });
    connect(browse, &QPushButton::clicked, this, &SpecialFiltersWindow::browseFilter);
    connect(eqRunButton_, &QPushButton::clicked, this, &SpecialFiltersWindow::runEqualiser);
    return page;
}

QWidget* SpecialFiltersWindow::createAudioPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    auto* top = form(nullptr);
    const AudioEqRequest defaults;
    audioFdEdit_ = edit("EditAudioFD", showGeneral(defaults.fd));
    top->addRow(QStringLiteral("FD"), audioFdEdit_);
    layout->addLayout(top);
    bandTable_ = new QTableWidget(0, BandColumns);
    bandTable_->setObjectName(QStringLiteral("BandTable"));
    bandTable_->setHorizontalHeaderLabels({QStringLiteral("Тип"), QStringLiteral("F"),
                                           QStringLiteral("G, dB"), QStringLiteral("Q (S)")});
    bandTable_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    bandTable_->horizontalHeader()->setSectionResizeMode(TypeColumn, QHeaderView::Fixed);
    bandTable_->setColumnWidth(TypeColumn, 130);
    bandTable_->setSelectionBehavior(QAbstractItemView::SelectRows);
    bandTable_->setSelectionMode(QAbstractItemView::SingleSelection);
    for (const AudioBand& band : startBands)
        addBandRow(bandTable_->rowCount(), band);
    layout->addWidget(bandTable_, 1);
    auto* add = new QPushButton(QStringLiteral("Добавить"));
    add->setObjectName(QStringLiteral("AddBand"));
    auto* remove = new QPushButton(QStringLiteral("Удалить"));
    remove->setObjectName(QStringLiteral("RemoveBand"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(add);
    buttons->addWidget(remove);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    layout->addWidget(
        note(QStringLiteral("Полоса - секция второго порядка; G - усиление, для полок Q - наклон "
                            "S. Графики: весь эквалайзер и каждая полоса.")));

    connect(audioFdEdit_, &QLineEdit::textChanged, this, &SpecialFiltersWindow::fieldChanged);
    connect(bandTable_, &QTableWidget::cellChanged, this, &SpecialFiltersWindow::fieldChanged);
    connect(add, &QPushButton::clicked, this, &SpecialFiltersWindow::addBand);
    connect(remove, &QPushButton::clicked, this, &SpecialFiltersWindow::removeBand);
    return page;
}

QWidget* SpecialFiltersWindow::createNotchPage() {
    auto* page = new QWidget;
    auto* layout = form(page);
    layout->addRow(note(QStringLiteral(
        "Режекторный фильтр или резонатор второго порядка на частоте F0 с полосой F0/Q "
        "по уровню -3 dB.")));
    const NotchRequest defaults;
    notchKindBox_ = new QComboBox;
    notchKindBox_->setObjectName(QStringLiteral("NotchKind"));
    notchKindBox_->addItems({QStringLiteral("режекторный"), QStringLiteral("резонатор")});
    layout->addRow(QStringLiteral("Вид"), notchKindBox_);
    notchFdEdit_ = edit("EditNotchFD", showGeneral(defaults.fd));
    layout->addRow(QStringLiteral("FD"), notchFdEdit_);
    notchF0Edit_ = edit("EditNotchF0", QStringLiteral("0.1"));
    layout->addRow(QStringLiteral("F0"), notchF0Edit_);
    notchQEdit_ = edit("EditNotchQ", QStringLiteral("10"));
    layout->addRow(QStringLiteral("Добротность Q"), notchQEdit_);
    for (QLineEdit* e : {notchFdEdit_, notchF0Edit_, notchQEdit_})
        connect(e, &QLineEdit::textChanged, this, &SpecialFiltersWindow::fieldChanged);
    connect(notchKindBox_, &QComboBox::currentIndexChanged, this,
            &SpecialFiltersWindow::fieldChanged);
    return page;
}

QWidget* SpecialFiltersWindow::createCombPage() {
    auto* page = new QWidget;
    auto* layout = form(page);
    layout->addRow(
        note(QStringLiteral("Провалы (пики) на частотах, кратных F0, шириной F0/Q по уровню "
                            "-3 dB; FD/F0 - четное целое не больше %1.")
                 .arg(maxCombLength)));
    const CombRequest defaults;
    combFdEdit_ = edit("EditCombFD", showGeneral(defaults.fd));
    layout->addRow(QStringLiteral("FD"), combFdEdit_);
    combF0Edit_ = edit("EditCombF0", QStringLiteral("0.125"));
    layout->addRow(QStringLiteral("F0"), combF0Edit_);
    combQEdit_ = edit("EditCombQ", QStringLiteral("8"));
    layout->addRow(QStringLiteral("Добротность Q (больше 1)"), combQEdit_);
    combPeakBox_ = new QCheckBox(QStringLiteral("Пики вместо провалов"));
    combPeakBox_->setObjectName(QStringLiteral("CombPeak"));
    layout->addRow(combPeakBox_);
    combPassZeroBox_ = new QCheckBox(QStringLiteral("Посередине между кратными F0"));
    combPassZeroBox_->setObjectName(QStringLiteral("CombPassZero"));
    layout->addRow(combPassZeroBox_);
    for (QLineEdit* e : {combFdEdit_, combF0Edit_, combQEdit_})
        connect(e, &QLineEdit::textChanged, this, &SpecialFiltersWindow::fieldChanged);
    for (QCheckBox* box : {combPeakBox_, combPassZeroBox_})
        connect(box, &QCheckBox::toggled, this, &SpecialFiltersWindow::fieldChanged);
    return page;
}

QWidget* SpecialFiltersWindow::createDelayPage() {
    auto* page = new QWidget;
    auto* layout = form(page);
    layout->addRow(note(
        QStringLiteral("Всепропускающий фильтр дробной задержки Тирана: групповое время задержки D "
                       "отсчетов на нулевой частоте, максимально плоское. D больше N - 1.")));
    delayEdit_ = edit("EditDelay", QStringLiteral("3.4"));
    layout->addRow(QStringLiteral("Задержка D, отсчетов"), delayEdit_);
    delayOrderEdit_ = edit("EditDelayOrder", QString());
    delayOrderEdit_->setPlaceholderText(QStringLiteral("ближайшее к D целое"));
    layout->addRow(QStringLiteral("Порядок N (1..%1)").arg(maxThiranOrder), delayOrderEdit_);
    for (QLineEdit* e : {delayEdit_, delayOrderEdit_})
        connect(e, &QLineEdit::textChanged, this, &SpecialFiltersWindow::fieldChanged);
    return page;
}

QWidget* SpecialFiltersWindow::createAnalogPage() {
    auto* page = new QWidget;
    auto* layout = form(page);
    layout->addRow(note(
        QStringLiteral("H(s) = (b0 s^m + ... + bm) / (a0 s^n + ... + an); коэффициенты по убыванию "
                       "степеней s через пробел.")));
    const AnalogRequest defaults;
    numeratorEdit_ = edit("EditNumerator", QStringLiteral("1"));
    layout->addRow(QStringLiteral("Числитель b"), numeratorEdit_);
    denominatorEdit_ = edit("EditDenominator", QStringLiteral("1 1.4142135623730951 1"));
    layout->addRow(QStringLiteral("Знаменатель a"), denominatorEdit_);
    analogFdEdit_ = edit("EditAnalogFD", showGeneral(defaults.fd));
    layout->addRow(QStringLiteral("FD"), analogFdEdit_);
    methodBox_ = new QComboBox;
    methodBox_->setObjectName(QStringLiteral("Method"));
    // In the order of AnalogMethod.
    methodBox_->addItems({QStringLiteral("билинейное"),
                          QStringLiteral("билинейное с предыскажением"),
                          QStringLiteral("согласованное z"),
                          QStringLiteral("инвариантность импульсной характеристики")});
    methodBox_->setCurrentIndex(static_cast<int>(defaults.method));
    layout->addRow(QStringLiteral("Преобразование"), methodBox_);
    prewarpEdit_ = edit("EditPrewarp", QString());
    prewarpEdit_->setPlaceholderText(QStringLiteral("нет"));
    layout->addRow(QStringLiteral("Частота предыскажения F"), prewarpEdit_);
    unstableBox_ = new QCheckBox(QStringLiteral("Рассчитать и неустойчивый фильтр"));
    unstableBox_->setObjectName(QStringLiteral("AllowUnstable"));
    unstableBox_->setChecked(defaults.allowUnstable);
    layout->addRow(unstableBox_);
    for (QLineEdit* e : {numeratorEdit_, denominatorEdit_, analogFdEdit_, prewarpEdit_})
        connect(e, &QLineEdit::textChanged, this, &SpecialFiltersWindow::fieldChanged);
    connect(methodBox_, &QComboBox::currentIndexChanged, this, [this] {
        updateFields();
        fieldChanged();
    });
    connect(unstableBox_, &QCheckBox::toggled, this, &SpecialFiltersWindow::fieldChanged);
    return page;
}

void SpecialFiltersWindow::addBandRow(int row, const AudioBand& band) {
    const QSignalBlocker quiet(bandTable_);
    bandTable_->insertRow(row);
    auto* type = new QComboBox;
    for (const char* name : bandTypeNames)
        type->addItem(QString::fromUtf8(name));
    type->setCurrentIndex(static_cast<int>(band.type));
    bandTable_->setCellWidget(row, TypeColumn, type);
    bandTable_->setItem(row, FrequencyColumn, new QTableWidgetItem(showGeneral(band.frequency)));
    bandTable_->setItem(row, GainColumn, new QTableWidgetItem(showGeneral(band.gainDb)));
    bandTable_->setItem(row, QColumn, new QTableWidgetItem(showGeneral(band.q)));
    connect(type, &QComboBox::currentIndexChanged, this, [this] {
        updateFields();
        fieldChanged();
    });
}

void SpecialFiltersWindow::addBand() {
    if (bandTable_->rowCount() >= static_cast<int>(maxAudioBands))
        return;
    const int row =
        bandTable_->currentRow() < 0 ? bandTable_->rowCount() : bandTable_->currentRow() + 1;
    addBandRow(row, {AudioBandType::Peak, 0.1, 0, 1});
    bandTable_->setCurrentCell(row, FrequencyColumn);
    updateFields();
    fieldChanged();
}

void SpecialFiltersWindow::removeBand() {
    const int row =
        bandTable_->currentRow() < 0 ? bandTable_->rowCount() - 1 : bandTable_->currentRow();
    if (row < 0)
        return;
    bandTable_->removeRow(row);
    fieldChanged();
}

void SpecialFiltersWindow::browseFilter() {
    FileDialogRequest r;
    r.title = QStringLiteral("Файл параметров фильтра");
    r.initialFolder = QDir::currentPath();
    r.filter = QStringLiteral("Файлы параметров фильтра|*.flt");
    r.defaultExtension = QStringLiteral("flt");
    if (const std::optional<QString> path = prompts().openFileName(r))
        eqFileEdit_->setText(*path);
}

// The fields a choice does not use are disabled.
void SpecialFiltersWindow::updateFields() {
    const auto method = static_cast<AnalogMethod>(methodBox_->currentIndex());
    prewarpEdit_->setEnabled(method == AnalogMethod::Bilinear || method == AnalogMethod::Prewarp);
    for (int row = 0; row < bandTable_->rowCount(); ++row) {
        const auto* type = static_cast<QComboBox*>(bandTable_->cellWidget(row, TypeColumn));
        QTableWidgetItem* gain = bandTable_->item(row, GainColumn);
        const bool used = audioBandHasGain(static_cast<AudioBandType>(type->currentIndex()));
        const QSignalBlocker quiet(bandTable_);
        gain->setFlags(used ? gain->flags() | Qt::ItemIsEnabled | Qt::ItemIsEditable
                            : gain->flags() & ~(Qt::ItemIsEnabled | Qt::ItemIsEditable));
    }
}

void SpecialFiltersWindow::fieldChanged() {
    updateView();
}

SpecialPage SpecialFiltersWindow::page() const {
    return static_cast<SpecialPage>(pages_->currentIndex());
}

EqualiserRequest SpecialFiltersWindow::equaliserRequest() const {
    EqualiserRequest request;
    const QString path = eqFileEdit_->text().trimmed();
    if (path.isEmpty())
        throw UserMessage("Выберите файл фильтра, групповое время задержки которого выравнивается");
    request.fd = fieldReal(eqFdEdit_->text(), "FD");
    request.f1 = fieldReal(eqF1Edit_->text(), "F1");
    request.f2 = fieldReal(eqF2Edit_->text(), "F2");
    const std::int64_t order = fieldInteger(eqOrderEdit_->text(), "Порядок");
    request.order = order < 0 || order > maxEqualiserOrder ? -1 : static_cast<int>(order);
    request.maxRadius = fieldReal(eqRadiusEdit_->text(), "Наибольший радиус полюсов");
    request.filter = readAnalysedFilter(path.toStdString());
    checkEqualiserRequest(request);
    return request;
}

AudioEqRequest SpecialFiltersWindow::audioRequest() const {
    AudioEqRequest request;
    request.fd = fieldReal(audioFdEdit_->text(), "FD");
    if (bandTable_->rowCount() == 0)
        throw UserMessage("Добавьте в таблицу хотя бы одну полосу");
    for (int row = 0; row < bandTable_->rowCount(); ++row) {
        AudioBand band;
        const auto* type = static_cast<QComboBox*>(bandTable_->cellWidget(row, TypeColumn));
        band.type = static_cast<AudioBandType>(type->currentIndex());
        band.frequency = fieldReal(bandTable_->item(row, FrequencyColumn)->text(), "F");
        if (audioBandHasGain(band.type))
            band.gainDb = fieldReal(bandTable_->item(row, GainColumn)->text(), "Усиление");
        band.q = fieldReal(bandTable_->item(row, QColumn)->text(), "Q");
        request.bands.push_back(band);
    }
    return request;
}

SpecialView SpecialFiltersWindow::currentView() const {
    SpecialView view;
    const auto oneFilter = [&view](const std::string& name, const DesignedSections& sections) {
        view.sections = sections;
        view.magnitude = {seriesOf(name, coefficientsOf(sections))};
        view.delay = view.magnitude;
    };
    switch (page()) {
    case SpecialPage::Equaliser: {
        const EqualiserRequest request = equaliserRequest();
        view.fd = request.fd;
        view.magnitude = {seriesOf("фильтр", request.filter)};
        view.delay = view.magnitude;
        if (equaliser_) {
            view.sections = equaliser_->equaliser;
            view.delay.front().name = "до коррекции";
            view.delay.push_back(
                seriesOf("после коррекции",
                         coefficientsOf(equalisedFilter(request.filter, equaliser_->equaliser))));
            view.delay.push_back(seriesOf("корректор", coefficientsOf(equaliser_->equaliser)));
        }
        break;
    }
    case SpecialPage::AudioEq:
        view = audioEqView(audioRequest());
        break;
    case SpecialPage::Notch: {
        NotchRequest request;
        request.fd = fieldReal(notchFdEdit_->text(), "FD");
        request.f0 = fieldReal(notchF0Edit_->text(), "F0");
        request.q = fieldReal(notchQEdit_->text(), "Добротность Q");
        request.peak = notchKindBox_->currentIndex() == 1;
        view.fd = request.fd;
        oneFilter(request.peak ? "резонатор" : "режекторный", designNotch(request));
        break;
    }
    case SpecialPage::Comb: {
        CombRequest request;
        request.fd = fieldReal(combFdEdit_->text(), "FD");
        request.f0 = fieldReal(combF0Edit_->text(), "F0");
        request.q = fieldReal(combQEdit_->text(), "Добротность Q");
        request.peak = combPeakBox_->isChecked();
        request.passZero = combPassZeroBox_->isChecked();
        view.fd = request.fd;
        oneFilter("гребенчатый", designComb(request));
        break;
    }
    case SpecialPage::FractionalDelay: {
        FractionalDelayRequest request;
        request.delay = fieldReal(delayEdit_->text(), "Задержка D");
        if (!delayOrderEdit_->text().trimmed().isEmpty()) {
            const std::int64_t order = fieldInteger(delayOrderEdit_->text(), "Порядок N");
            request.order = order < 1 || order > maxThiranOrder ? -1 : static_cast<int>(order);
        }
        oneFilter("дробная задержка", designFractionalDelay(request));
        break;
    }
    case SpecialPage::Analog: {
        AnalogRequest request;
        request.numerator = coefficientList(numeratorEdit_->text(), "Числитель b");
        request.denominator = coefficientList(denominatorEdit_->text(), "Знаменатель a");
        request.fd = fieldReal(analogFdEdit_->text(), "FD");
        request.method = static_cast<AnalogMethod>(methodBox_->currentIndex());
        if (prewarpEdit_->isEnabled() && !prewarpEdit_->text().trimmed().isEmpty())
            request.prewarp = fieldReal(prewarpEdit_->text(), "Частота предыскажения F");
        request.allowUnstable = unstableBox_->isChecked();
        view.fd = request.fd;
        oneFilter("цифровой фильтр", designFromAnalog(request));
        break;
    }
    }
    return view;
}

void SpecialFiltersWindow::updateView() {
    SpecialView view;
    QString problem;
    try {
        view = currentView();
    } catch (const Error& e) {
        problem = QString::fromUtf8(e.what());
        view = {};
    }
    const SpecialCharts charts =
        specialCharts(view, magnitudeChart_->width(), magnitudeChart_->height());
    magnitudeChart_->setChart(charts.magnitude);
    delayChart_->setChart(charts.delay);
    statusLabel_->setText(problem);
    emit viewUpdated();
}

bool SpecialFiltersWindow::runEqualiser() {
    if (thread_)
        return false;
    EqualiserRequest request;
    try {
        request = equaliserRequest();
    } catch (const Error& e) {
        prompts().message(MessageIcon::Error, applicationTitle(), QString::fromUtf8(e.what()));
        return false;
    }
    auto job = std::make_shared<EqualiserJob>();
    job->request = std::move(request);
    job_ = job;
    progress_ = new QProgressDialog(QStringLiteral("Расчет корректора: поиск полюсов секций..."),
                                    QStringLiteral("Остановить"), 0, progressSteps, this);
    progress_->setObjectName(QStringLiteral("ProgressDialog"));
    progress_->setWindowTitle(QStringLiteral("Корректор"));
    progress_->setWindowModality(Qt::WindowModal);
    progress_->setAutoReset(false);
    progress_->setAutoClose(false);
    progress_->setMinimumDuration(0);
    connect(progress_, &QProgressDialog::canceled, this, &SpecialFiltersWindow::stopEqualiser);
    auto* poll = new QTimer(progress_);
    connect(poll, &QTimer::timeout, progress_, [job, this] {
        if (progress_)
            progress_->setValue(static_cast<int>(
                std::lround(progressSteps * double(job->done) / std::max(1, int(job->total)))));
    });
    poll->start(progressPollMs);
    progress_->show();
    pages_->setEnabled(false);
    pageBox_->setEnabled(false);
    saveButton_->setEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    thread_ = QThread::create([job] { job->run(); });
    connect(thread_, &QThread::finished, this, &SpecialFiltersWindow::equaliserDone);
    thread_->start();
    return true;
}

void SpecialFiltersWindow::stopEqualiser() {
    if (!job_)
        return;
    job_->stop = true;
    if (progress_)
        progress_->setLabelText(QStringLiteral("Расчет останавливается..."));
}

void SpecialFiltersWindow::equaliserDone() {
    if (!thread_)
        return;
    thread_->wait();
    thread_->deleteLater();
    thread_ = nullptr;
    QApplication::restoreOverrideCursor();
    pages_->setEnabled(true);
    pageBox_->setEnabled(true);
    saveButton_->setEnabled(true);
    const std::shared_ptr<EqualiserJob> job = std::move(job_);
    if (progress_) {
        progress_->disconnect(this);
        progress_->close();
        progress_->deleteLater();
        progress_ = nullptr;
    }
    emit equaliserFinished();
    if (job->failure)
        std::rethrow_exception(job->failure); // the general error handler shows it
    const EqualiserResult& r = job->result;
    if (r.cancelled) {
        eqResultLabel_->setText(QStringLiteral("Расчет остановлен."));
        return;
    }
    equaliser_ = r;
    QString text = QStringLiteral("Размах ГВЗ в полосе, отсчетов: до коррекции %1, после %2.\n"
                                  "Среднее ГВЗ корректора: %3 отсчетов; наибольший радиус "
                                  "полюсов %4.")
                       .arg(number(r.variationBefore), number(r.variationAfter),
                            number(r.meanDelay), number(r.maxRadius));
    if (r.outsidePassBand)
        text += QStringLiteral("\nВнимание: полоса выравнивания выходит за полосу пропускания "
                               "фильтра: АЧХ в ней ниже максимума на %1 dB.")
                    .arg(number(r.bandAttenuationDb));
    eqResultLabel_->setText(text);
    updateView();
}

void SpecialFiltersWindow::save() {
    if (thread_)
        return;
    SpecialView view;
    try {
        view = currentView();
    } catch (const Error& e) {
        prompts().message(MessageIcon::Error, applicationTitle(), QString::fromUtf8(e.what()));
        return;
    }
    if (!view.sections) {
        prompts().message(MessageIcon::Warning, applicationTitle(),
                          QStringLiteral("Сначала рассчитайте корректор: кнопка «Рассчитать»"));
        return;
    }
    const auto path = prompts().saveFileName(
        {QStringLiteral("Сохранить как"), QDir::currentPath(),
         QString::fromLatin1(proposedNames[pages_->currentIndex()]),
         QStringLiteral("Имя файла параметров фильтра (*.flt)|*.flt"), QStringLiteral("flt")});
    if (!path)
        return;
    if (page() == SpecialPage::Equaliser &&
        sameFile(path->toStdString(), eqFileEdit_->text().trimmed().toStdString())) {
        prompts().message(MessageIcon::Error, applicationTitle(),
                          QStringLiteral("Файл %1 - корректируемый фильтр: выберите другое имя")
                              .arg(QDir::toNativeSeparators(*path)));
        return;
    }
    if (QFileInfo::exists(*path) &&
        !prompts().ask(
            applicationTitle(),
            QStringLiteral("Файл %1 уже существует. Заменить?").arg(QFileInfo(*path).fileName())))
        return;
    writeDesignedFiles({{path->toStdString(), *view.sections}});
}

SpecialFiltersWindow* openSpecialFiltersWindow() {
    auto* form = new SpecialFiltersWindow;
    showSizedChildWindow(form, QSize(1080, 640));
    return form;
}

} // namespace zorkan::ui
