#include "fixedpoint/implementationwindow.h"

#include "charts/characteristicschart.h"
#include "charts/chartplot_qt.h"
#include "coefficients/filterfile.h"
#include "common/errors.h"
#include "common/replacefile.h"
#include "common/textnumbers.h"
#include "design/designreport.h"
#include "fir/firfile.h"
#include "fixedpoint/firimplementation.h"
#include "fixedpoint/structurechoice_qt.h"
#include "ui/childwindow.h"
#include "ui/controls.h"
#include "ui/errorhandler.h"
#include "ui/prompts.h"
#include "ui/sharedstate.h"
#include "ui/windownumbers.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QSplitter>
#include <QStackedWidget>
#include <QStyle>
#include <QTabWidget>
#include <QTableWidget>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <span>

namespace zorkan::ui {

namespace {

// The targets of a cascade of sections (a ".flt" file) and of a FIR filter's taps (a
// ".fir" file), with their texts in ComboBox1.
const Target targets[] = {Target::Double,   Target::Float,    Target::FloatFma,
                          Target::Q15,      Target::Q31,      Target::Fixed,
                          Target::CmsisQ15, Target::CmsisQ31, Target::CmsisF32};
const char* const targetTexts[] = {"double",        "float",         "float с FMA",
                                   "q15",           "q31",           "свой формат",
                                   "CMSIS-DSP q15", "CMSIS-DSP q31", "CMSIS-DSP f32"};
const Target firTargets[] = {Target::Double,      Target::Float,      Target::Q15,
                             Target::Q31,         Target::Fixed,      Target::CmsisFirQ15,
                             Target::CmsisFirQ31, Target::CmsisFirF32};
const char* const firTargetTexts[] = {"double",
                                      "float",
                                      "q15",
                                      "q31",
                                      "свой формат",
                                      "CMSIS-DSP КИХ q15",
                                      "CMSIS-DSP КИХ q31",
                                      "CMSIS-DSP КИХ f32"};
// Why the controls and pages of sections are greyed for a ".fir" file.
const char* const notForFir =
    "У КИХ-фильтра (.fir) нет секций: отводы реализуются как есть, одним накопителем";
const char* const noLimitCycles =
    "У КИХ-фильтра (.fir) нет обратной связи, а значит и предельных циклов";
// The magnitude points of the pages, as many for the taps as for the sections.
constexpr int curvePoints = 1024;
const Scaling scalings[] = {Scaling::Peak, Scaling::L2, Scaling::L1, Scaling::None};
const SectionOrder orders[] = {SectionOrder::File, SectionOrder::Ascending,
                               SectionOrder::Descending};
const char* const pageTitles[] = {"АЧХ",      "Шум",       "Предельный цикл",
                                  "Варианты", "Структуры", "Подбор"};
constexpr int pageCount = 6;
// The pages from the limit cycle on belong to a cascade of sections.
constexpr int limitCyclePage = 2;
// The pages of the structures and of the search; their pictures are Image4 and Image5.
constexpr int structurePage = 4;
constexpr int searchPage = 5;
constexpr int structureImage = 3;
constexpr int searchImage = 4;
// The magnitude points of each structure's curves: only their noise spectrum is shown.
constexpr int structureCurvePoints = 64;
// The table of the structures: compact rows, high enough for the seven and the header.
constexpr int structureRowHeight = 18;
constexpr int narrowestColumn = 20;
constexpr int columnMargin = 8;
// The charts of the structures and of the search keep their upper part free for the
// legend: the curves take the lower part of the height.
constexpr double legendHeadroom = 0.5;
// The search's progress dialog counts in thousandths, polled this often.
constexpr int progressSteps = 1000;
constexpr int progressPollMs = 100;
// The signal-to-noise ratio the search asks for by default, and the most it takes.
constexpr int defaultSnrDb = 60;
constexpr int largestSnrDb = 200;
constexpr int searchMemoHeight = 90;
// The readout under the pointer: six significant digits, finer than a pixel of the pages.
constexpr int readoutDigits = 6;
// The table of variants: six significant digits, as the report's figures.
constexpr int tableDigits = 6;
// The table of the structures: four, for its twelve columns to fit the page.
constexpr int comparisonDigits = 4;

QString text(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

// The sampling frequency of the session's last design when `path` is the filter it wrote
// (from its report), else 1: the pages then show fractions of FD.
double designedSamplingFrequency(const QString& path) {
    const SharedState& state = shared();
    if (state.DesignedReportFile.isEmpty() || !QFileInfo(path).isFile() ||
        !sameFile(path.toStdString(), state.DesignedFilterFile.toStdString()))
        return 1;
    try {
        return readDesignRequest(state.DesignedReportFile.toStdString()).fd;
    } catch (const Error&) {
        return 1;
    }
}

} // namespace

// What the controls ask for, read and checked on the window's thread.
struct ImplementationWindow::Inputs {
    QString file;
    double fd = 1;
    FilterCoefficients filter;
    std::optional<FirFilter> fir; // a ".fir" file's taps instead of sections
    ImplementationOptions options;
    std::optional<DesignRequest> request;
};

// The comparison of every structure and the noise spectrum of each, on its own thread.
struct ImplementationWindow::Comparison {
    FilterCoefficients filter;
    ImplementationOptions options;
    ReportOptions report;
    double fd = 1; // of the chart's frequencies: 1 - fractions of FD
    std::vector<StructureFigures> rows;
    // Per realised row: its noise in the bins of `frequency` (empty for double).
    std::vector<std::vector<double>> noise;
    std::vector<double> frequency;
    bool computedNoise = false; // fixed point: computed; else measured
    std::exception_ptr failure;

    void run() {
        try {
            rows = compareStructures(filter, options, report);
            computedNoise = fixedPointTarget(options.arithmetic.target);
            for (const StructureFigures& row : rows) {
                if (!row.realised)
                    continue;
                ImplementationOptions o = options;
                o.structure = row.structure;
                const ImplementationCurves c = implementationCurves(
                    realise(filter, o), structureCurvePoints, row.figures.noiseAmplitude,
                    report.noiseSamples, report.seed);
                frequency = c.noiseFrequency;
                noise.push_back(computedNoise ? c.noiseComputedDb : c.noiseMeasuredDb);
            }
        } catch (...) {
            failure = std::current_exception();
        }
    }
};

// The search for the cheapest implementation, on its own thread; the window polls `done`
// and sets `stop`.
struct ImplementationWindow::Search {
    FilterCoefficients filter;
    SearchRequest request;
    SearchResult result;
    std::atomic<double> done{0};
    std::atomic<bool> stop{false};
    std::exception_ptr failure;

    void run() {
        try {
            result = searchBest(filter, request, [this](double fraction) {
                done = fraction;
                return !stop;
            });
        } catch (...) {
            failure = std::current_exception();
        }
    }
};

// The computation of one "Расчет", run on its own thread: the sections of `filter`, or
// the taps of `fir` when it is set.
struct ImplementationWindow::Job {
    QString file;
    double fd = 1; // the sampling frequency of the pages' frequencies: 1 - fractions of FD
    FilterCoefficients filter;
    std::optional<FirFilter> fir;
    ImplementationOptions options;
    ReportOptions report;
    ImplementationFigures figures;
    FirFigures firFigures;
    ImplementationCurves curves;
    std::exception_ptr failure;

    void run() {
        try {
            if (fir) {
                firFigures = zorkan::firFigures(*fir, options.arithmetic, report);
                curves = firCurves(realiseFir(*fir, options.arithmetic), curvePoints,
                                   firFigures.noiseAmplitude, report.noiseSamples, report.seed);
                return;
            }
            figures = implementationFigures(filter, options, report);
            const Implementation im = realise(filter, options);
            double largest = 0;
            for (double g : figures.l1Gains)
                largest = std::max(largest, g);
            curves = implementationCurves(im, curvePoints, largest > 1 ? 1 / largest : 1,
                                          report.noiseSamples, report.seed);
        } catch (...) {
            failure = std::current_exception();
        }
    }
};

namespace {

QFont smallFont(const QWidget& window) {
    QFont f = window.font();
    f.setPixelSize(11);
    return f;
}

QPushButton* panelButton(QWidget* panel, const char* name, const QString& caption,
                         QStyle::StandardPixmap icon, const QString& hint) {
    auto* b = new QPushButton(panel->style()->standardIcon(icon), caption, panel);
    b->setObjectName(QString::fromLatin1(name));
    b->setToolTip(hint);
    b->setFixedHeight(25);
    return b;
}

QComboBox* panelCombo(QWidget* panel, const char* name, const QStringList& items, int current,
                      const QString& hint) {
    auto* c = new QComboBox(panel);
    c->setObjectName(QString::fromLatin1(name));
    c->addItems(items);
    c->setCurrentIndex(current);
    c->setToolTip(hint);
    c->setFont(smallFont(*panel));
    return c;
}

QLabel* panelLabel(QWidget* panel, const QString& caption, QWidget* buddy) {
    auto* l = new QLabel(caption, panel);
    l->setFont(smallFont(*panel));
    l->setBuddy(buddy);
    return l;
}

} // namespace

ImplementationWindow::ImplementationWindow(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("FormImplementation"));
    setWindowTitle(QStringLiteral("Реализация фильтра"));
    auto* panel = new QWidget;
    panel->setObjectName(QStringLiteral("Panel1"));
    createFileFields(panel);
    createArithmeticFields(panel);
    createCommands(panel);
    layOutControls(panel);
    createPages();
    layOutWindow(panel);
    sectionHints_ = {ComboBox6->toolTip(), ComboBox4->toolTip(), ComboBox5->toolTip()};
    // The file's extension decides what it holds, as for the command line.
    connect(Edit1, &QLineEdit::textChanged, this, &ImplementationWindow::offerFileTargets);
    offerFileTargets();
}

// The filter file and the design report with the request, each with its button.
void ImplementationWindow::createFileFields(QWidget* panel) {
    QPushButton* open =
        panelButton(panel, "BitBtn1", QStringLiteral("&Файл"), QStyle::SP_DialogOpenButton,
                    QStringLiteral("Выбрать файл фильтра: параметры (.flt) или отводы "
                                   "КИХ-фильтра (.fir)"));
    connect(open, &QPushButton::clicked, this, &ImplementationWindow::BitBtn1Click);
    Edit1 = new QLineEdit(panel);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setToolTip(QStringLiteral("Файл фильтра: параметры (.flt) или отводы КИХ-фильтра "
                                     "(.fir); Enter - рассчитать"));
    const SharedState& state = shared();
    Edit1->setText(state.ResponseFilterFile.isEmpty() ? state.DesignedFilterFile
                                                      : state.ResponseFilterFile);
    QPushButton* request = panelButton(
        panel, "BitBtn2", QStringLiteral("&Требования"), QStyle::SP_FileDialogContentsView,
        QStringLiteral("Выбрать отчет расчета (.out) с требованиями к фильтру"));
    connect(request, &QPushButton::clicked, this, &ImplementationWindow::BitBtn2Click);
    Edit2 = new QLineEdit(panel);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Edit2->setToolTip(QStringLiteral("Отчет расчета с требованиями; пустое поле - без требований"));
    for (QLineEdit* e : {Edit1, Edit2}) {
        e->setFont(smallFont(*panel));
        connect(e, &QLineEdit::returnPressed, this, &ImplementationWindow::BitBtn3Click);
    }
}

// The target, the words and rules of the own format (enabled for it alone), the scaling
// and the section order.
void ImplementationWindow::createArithmeticFields(QWidget* panel) {
    QStringList texts;
    for (const char* t : targetTexts)
        texts << QString::fromUtf8(t);
    ComboBox1 = panelCombo(panel, "ComboBox1", texts, 3, QStringLiteral("Арифметика устройства"));
    SpinEdit1 = new QSpinBox(panel);
    SpinEdit1->setObjectName(QStringLiteral("SpinEdit1"));
    SpinEdit1->setToolTip(QStringLiteral("Длина слова данных W, бит (от 4 до 32)"));
    SpinEdit2 = new QSpinBox(panel);
    SpinEdit2->setObjectName(QStringLiteral("SpinEdit2"));
    SpinEdit2->setToolTip(QStringLiteral("Длина слова коэффициентов C, бит (от 4 до 32)"));
    for (QSpinBox* s : {SpinEdit1, SpinEdit2}) {
        // Two digits, so that a word out of range is refused with a word at "Расчет"
        // instead of losing its last digit as it is typed.
        s->setRange(1, maximumTypedBits);
        s->setSpecialValueText(QStringLiteral("—"));
        s->setFont(smallFont(*panel));
    }
    SpinEdit1->setValue(16);
    SpinEdit2->setValue(32);
    ComboBox2 = panelCombo(panel, "ComboBox2",
                           {QStringLiteral("к ближайшему"), QStringLiteral("отбрасыванием")}, 0,
                           QStringLiteral("Округление выхода секции (свой формат)"));
    ComboBox3 =
        panelCombo(panel, "ComboBox3", {QStringLiteral("насыщение"), QStringLiteral("перенос")}, 0,
                   QStringLiteral("Переполнение выхода секции (свой формат)"));
    ComboBox6 = structureChoice(
        panel, "ComboBox6",
        QStringLiteral("Структура секций; своя - та, что вычисляет арифметика. Серые "
                       "структуры у выбранной арифметики не вычисляются"));
    ComboBox6->setFont(smallFont(*panel));
    connect(ComboBox1, &QComboBox::currentIndexChanged, this,
            &ImplementationWindow::showTargetWords);
    connect(ComboBox1, &QComboBox::currentIndexChanged, this,
            &ImplementationWindow::offerTargetStructures);
    showTargetWords();
    offerTargetStructures();
    ComboBox4 = panelCombo(panel, "ComboBox4",
                           {QStringLiteral("пик АЧХ (peak)"), QStringLiteral("норма L2"),
                            QStringLiteral("норма L1"), QStringLiteral("нет")},
                           0, QStringLiteral("Масштабирование секций"));
    ComboBox5 = panelCombo(panel, "ComboBox5",
                           {QStringLiteral("как в файле"), QStringLiteral("по возрастанию радиуса"),
                            QStringLiteral("по убыванию радиуса")},
                           1, QStringLiteral("Порядок секций по радиусу полюсов"));
}

// The words, rounding and overflow a target fixes, shown from the target table and
// greyed; the own format's, kept while another target is shown, editable.
void ImplementationWindow::showTargetWords() {
    const TargetRow& row = targetRow(chosenTarget());
    const bool own = row.target == Target::Fixed;
    const bool fixes = row.dataBits != 0;
    if (ownWordsShown_ && !own)
        ownWords_ = {SpinEdit1->value(), SpinEdit2->value(), ComboBox2->currentIndex(),
                     ComboBox3->currentIndex()};
    if (own) {
        SpinEdit1->setValue(ownWords_[0]);
        SpinEdit2->setValue(ownWords_[1]);
        ComboBox2->setCurrentIndex(ownWords_[2]);
        ComboBox3->setCurrentIndex(ownWords_[3]);
    } else {
        // Floating point has no words: "—" (the spin boxes' special value).
        SpinEdit1->setValue(fixes ? row.dataBits : SpinEdit1->minimum());
        SpinEdit2->setValue(fixes ? row.coefBits : SpinEdit2->minimum());
        ComboBox2->setCurrentIndex(row.rounding == Rounding::Nearest ? 0 : 1);
        ComboBox3->setCurrentIndex(row.overflow == Overflow::Saturate ? 0 : 1);
    }
    ownWordsShown_ = own;
    for (QWidget* w : std::initializer_list<QWidget*>{SpinEdit1, SpinEdit2, ComboBox2, ComboBox3})
        w->setEnabled(own);
}

void ImplementationWindow::offerTargetStructures() {
    if (!firShown_)
        offerStructures(ComboBox6, chosenTarget());
}

std::span<const Target> ImplementationWindow::offeredTargets() const {
    return firShown_ ? std::span<const Target>(firTargets) : std::span<const Target>(targets);
}

Target ImplementationWindow::chosenTarget() const {
    return offeredTargets()[static_cast<std::size_t>(ComboBox1->currentIndex())];
}

void ImplementationWindow::chooseTarget(Target target) {
    const std::span<const Target> offered = offeredTargets();
    const auto found = std::find(offered.begin(), offered.end(), target);
    if (found != offered.end())
        ComboBox1->setCurrentIndex(static_cast<int>(found - offered.begin()));
}

// A ".fir" file is implemented as taps: ComboBox1 offers their targets (the one kept where
// both lists have it, else q15), and the controls and pages of sections are greyed with
// the reason.
void ImplementationWindow::offerFileTargets() {
    const bool fir = isFirFileName(Edit1->text().trimmed().toStdString());
    if (fir == firShown_)
        return;
    const Target kept = chosenTarget();
    firShown_ = fir;
    {
        const QSignalBlocker quiet(ComboBox1);
        ComboBox1->clear();
        for (const char* t : fir ? std::span<const char* const>(firTargetTexts)
                                 : std::span<const char* const>(targetTexts))
            ComboBox1->addItem(QString::fromUtf8(t));
        const std::span<const Target> offered = offeredTargets();
        chooseTarget(
            std::find(offered.begin(), offered.end(), kept) != offered.end() ? kept : Target::Q15);
    }
    showTargetWords();
    offerTargetStructures();
    const std::array<QWidget*, 3> sections{ComboBox6, ComboBox4, ComboBox5};
    for (std::size_t i = 0; i < sections.size(); ++i) {
        sections[i]->setEnabled(!fir);
        sections[i]->setToolTip(fir ? QString::fromUtf8(notForFir) : sectionHints_[i]);
    }
    for (int page = limitCyclePage; page < pageCount; ++page) {
        PageControl1->setTabEnabled(page, !fir);
        PageControl1->setTabToolTip(
            page, fir ? QString::fromUtf8(page == limitCyclePage ? noLimitCycles : notForFir)
                      : QString());
    }
    if (fir && PageControl1->currentIndex() >= limitCyclePage)
        PageControl1->setCurrentIndex(0);
    setBusy(thread_ != nullptr);
}

// The search for the shortest words, "Расчет", "Выход", "Экспорт...", the busy bar and
// the figures.
void ImplementationWindow::createCommands(QWidget* panel) {
    CheckBox1 = new QCheckBox(QStringLiteral("Наименьшие длины слов"), panel);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->setToolTip(QStringLiteral("Найти наименьшие длины слов коэффициентов и данных "
                                         "(сигнал/шум не меньше 60 дБ)"));
    CheckBox1->setFont(smallFont(*panel));
    BitBtn3 = panelButton(panel, "BitBtn3", QStringLiteral("&Расчет"), QStyle::SP_BrowserReload,
                          QStringLiteral("Рассчитать реализацию"));
    connect(BitBtn3, &QPushButton::clicked, this, &ImplementationWindow::BitBtn3Click);
    QPushButton* close = panelButton(panel, "BitBtn4", QStringLiteral("&Выход"),
                                     QStyle::SP_DialogCloseButton, QStringLiteral("Закрыть окно"));
    connect(close, &QPushButton::clicked, this, [this] { parentWidget()->close(); });
    BitBtn5 = panelButton(
        panel, "BitBtn5", QStringLiteral("&Экспорт..."), QStyle::SP_DialogSaveButton,
        QStringLiteral("Экспортировать рассчитанную реализацию: код C, CMSIS-DSP или Verilog "
                       "с той же арифметикой, масштабом и порядком секций"));
    BitBtn5->setEnabled(false);
    connect(BitBtn5, &QPushButton::clicked, this, &ImplementationWindow::BitBtn5Click);
    ProgressBar1 = new QProgressBar(panel);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 1);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setFixedHeight(10);
    Memo1 = new QPlainTextEdit(panel);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPixelSize(11);
    Memo1->setFont(fixed);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setPlainText(QStringLiteral("Выберите файл фильтра и нажмите «Расчет»."));
}

void ImplementationWindow::layOutControls(QWidget* panel) {
    const auto button = [panel](const char* name) {
        return panel->findChild<QPushButton*>(QString::fromLatin1(name));
    };
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(4);
    grid->addWidget(button("BitBtn1"), 0, 0);
    grid->addWidget(Edit1, 0, 1, 1, 3);
    grid->addWidget(panelLabel(panel, QStringLiteral("Арифметика"), ComboBox1), 1, 0);
    grid->addWidget(ComboBox1, 1, 1);
    grid->addWidget(panelLabel(panel, QStringLiteral("W, C"), SpinEdit1), 1, 2, Qt::AlignRight);
    auto* words = new QHBoxLayout;
    words->addWidget(SpinEdit1);
    words->addWidget(SpinEdit2);
    grid->addLayout(words, 1, 3);
    grid->addWidget(panelLabel(panel, QStringLiteral("Структура"), ComboBox6), 2, 0);
    grid->addWidget(ComboBox6, 2, 1, 1, 3);
    grid->addWidget(panelLabel(panel, QStringLiteral("Округление"), ComboBox2), 3, 0);
    grid->addWidget(ComboBox2, 3, 1);
    grid->addWidget(panelLabel(panel, QStringLiteral("Переполн."), ComboBox3), 3, 2,
                    Qt::AlignRight);
    grid->addWidget(ComboBox3, 3, 3);
    grid->addWidget(panelLabel(panel, QStringLiteral("Масштаб"), ComboBox4), 4, 0);
    grid->addWidget(ComboBox4, 4, 1);
    grid->addWidget(panelLabel(panel, QStringLiteral("Порядок"), ComboBox5), 4, 2, Qt::AlignRight);
    grid->addWidget(ComboBox5, 4, 3);
    grid->addWidget(button("BitBtn2"), 5, 0);
    grid->addWidget(Edit2, 5, 1, 1, 3);
    grid->addWidget(CheckBox1, 6, 0, 1, 2);
    grid->addWidget(BitBtn3, 6, 2);
    grid->addWidget(button("BitBtn4"), 6, 3);
    grid->addWidget(ProgressBar1, 7, 0, 1, 4);
    grid->addWidget(Memo1, 8, 0, 1, 4);
    grid->addWidget(BitBtn5, 9, 3);
    grid->setRowStretch(8, 1);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    panel->setMinimumWidth(360);
}

// The three charts (double click: save), the table of the variants, the structures and
// the search.
void ImplementationWindow::createPages() {
    PageControl1 = new QTabWidget;
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    for (int i = 0; i < pageCount; ++i) {
        auto* page = new QWidget;
        page->setObjectName(QStringLiteral("TabSheet") + QString::number(i + 1));
        auto* column = new QVBoxLayout(page);
        column->setContentsMargins(4, 4, 4, 2);
        if (i < 3) {
            auto* image = new ChartPicture(page);
            image->setObjectName(QStringLiteral("Image") + QString::number(i + 1));
            image->setToolTip(QStringLiteral("Двойной щелчок - сохранить рисунок"));
            image->onSave = [this, i] { savePicture(i); };
            images_[static_cast<std::size_t>(i)] = image;
            column->addWidget(image, 1);
        } else if (i == structurePage) {
            createStructurePage(page);
        } else if (i == searchPage) {
            createSearchPage(page);
        } else {
            StringGrid1 = new QTableWidget(0, 6, page);
            StringGrid1->setObjectName(QStringLiteral("StringGrid1"));
            StringGrid1->setHorizontalHeaderLabels(
                {QStringLiteral("Масштаб"), QStringLiteral("Порядок"), QStringLiteral("Норма L1"),
                 QStringLiteral("Шум, дБ"), QStringLiteral("С/Ш, дБ"), QStringLiteral("")});
            StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
            StringGrid1->setFont(smallFont(*this));
            StringGrid1->horizontalHeader()->setStretchLastSection(true);
            StringGrid1->setToolTip(QStringLiteral("Шум и переполнение при каждом масштабировании "
                                                   "и порядке секций; лучший отмечен"));
            column->addWidget(StringGrid1, 1);
        }
        PageControl1->addTab(page, QString::fromUtf8(pageTitles[i]));
    }
    connect(PageControl1, &QTabWidget::currentChanged, this, [this] { StaticText1->clear(); });
}

namespace {

// A picture of a page (double click: save) named ImageN.
template <class Picture> Picture* pagePicture(QWidget* page, int index, const QString& hint) {
    auto* image = new Picture(page);
    image->setObjectName(QStringLiteral("Image") + QString::number(index + 1));
    image->setToolTip(hint);
    return image;
}

} // namespace

namespace {

// Each column as wide as its widest text and a small margin: the style's own sizes leave
// the last columns of twelve off the page.
void fitColumns(QTableWidget& table) {
    const QFontMetrics header(table.horizontalHeader()->font());
    for (int c = 0; c < table.columnCount(); ++c) {
        int widest = 0;
        for (const QString& line : table.horizontalHeaderItem(c)->text().split('\n'))
            widest = std::max(widest, header.horizontalAdvance(line));
        for (int r = 0; r < table.rowCount(); ++r) {
            const QTableWidgetItem* item = table.item(r, c);
            if (!item || table.columnSpan(r, c) != 1)
                continue;
            const QFont f = item->data(Qt::FontRole).isValid() ? item->font() : table.font();
            widest = std::max(widest, QFontMetrics(f).horizontalAdvance(item->text()));
        }
        table.setColumnWidth(c, widest + columnMargin);
    }
}

} // namespace

// "Сравнить" over the table of the structures and the chart of their noise.
void ImplementationWindow::createStructurePage(QWidget* page) {
    auto* column = static_cast<QVBoxLayout*>(page->layout());
    auto* bar = new QHBoxLayout;
    BitBtn6 = panelButton(page, "BitBtn6", QStringLiteral("&Сравнить"), QStyle::SP_BrowserReload,
                          QStringLiteral("Рассчитать реализацию в каждой структуре выбранной "
                                         "арифметики с тем же масштабом, порядком секций и "
                                         "требованиями"));
    connect(BitBtn6, &QPushButton::clicked, this, &ImplementationWindow::BitBtn6Click);
    // The table and the chart take the page's height in turn: twelve columns and seven
    // curves with their legend need it.
    auto* shownTable = new QRadioButton(QStringLiteral("таблица"), page);
    shownTable->setObjectName(QStringLiteral("RadioButton1"));
    shownTable->setToolTip(QStringLiteral("Показать таблицу структур"));
    shownTable->setChecked(true);
    auto* shownNoise = new QRadioButton(QStringLiteral("шум"), page);
    shownNoise->setObjectName(QStringLiteral("RadioButton2"));
    shownNoise->setToolTip(QStringLiteral("Показать спектр шума округления каждой структуры"));
    auto* legend = new QLabel(QStringLiteral("жирным - лучшие"), page);
    legend->setToolTip(QStringLiteral("В таблице жирным отмечены наименьшее число умножений и "
                                      "наименьший шум по моделированию"));
    for (QWidget* w : std::initializer_list<QWidget*>{shownTable, shownNoise, legend})
        w->setFont(smallFont(*this));
    bar->addWidget(BitBtn6);
    bar->addSpacing(8);
    bar->addWidget(shownTable);
    bar->addWidget(shownNoise);
    bar->addSpacing(8);
    bar->addWidget(legend, 1);
    column->addLayout(bar);
    auto* split = new QStackedWidget(page);
    split->setObjectName(QStringLiteral("Stack1"));
    connect(shownNoise, &QRadioButton::toggled, split,
            [split](bool noise) { split->setCurrentIndex(noise ? 1 : 0); });
    StringGrid2 = new QTableWidget(0, 12, split);
    StringGrid2->setObjectName(QStringLiteral("StringGrid2"));
    StringGrid2->setHorizontalHeaderLabels(
        {QStringLiteral("Струк-\nтура"), QStringLiteral("Умн."), QStringLiteral("Слож."),
         QStringLiteral("Сост."), QStringLiteral("Коэф."), QStringLiteral("Шум р.,\nдБ"),
         QStringLiteral("Шум м.,\nдБ"), QStringLiteral("С/Ш,\nдБ"), QStringLiteral("Пере-\nпол."),
         QStringLiteral("Цикл"), QStringLiteral("Устой-\nчив"), QStringLiteral("Тре-\nбов.")});
    const QStringList headerHints = {
        QStringLiteral("Структура секций"),
        QStringLiteral("Умножений на отсчет выхода"),
        QStringLiteral("Сложений на отсчет выхода"),
        QStringLiteral("Слов состояния (с остатками обратной связи по ошибке)"),
        QStringLiteral("Слов коэффициентов"),
        QStringLiteral("Шум округления по расчету, дБ от мощности синуса полной шкалы"),
        QStringLiteral("Шум округления по моделированию, дБ от мощности синуса полной шкалы"),
        QStringLiteral("Отношение сигнал/шум, дБ"),
        QStringLiteral("Возможно ли переполнение при входе полной шкалы"),
        QStringLiteral("Наибольший предельный цикл: амплитуда в младших разрядах/период в "
                       "отсчетах"),
        QStringLiteral("Устойчив ли фильтр после квантования коэффициентов"),
        QStringLiteral("Выполнены ли требования отчета расчета")};
    for (int c = 0; c < headerHints.size(); ++c)
        StringGrid2->horizontalHeaderItem(c)->setToolTip(headerHints[c]);
    StringGrid2->verticalHeader()->setDefaultSectionSize(structureRowHeight);
    StringGrid2->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    StringGrid2->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGrid2->setFont(smallFont(*this));
    StringGrid2->horizontalHeader()->setFont(smallFont(*this));
    StringGrid2->verticalHeader()->setVisible(false);
    StringGrid2->horizontalHeader()->setMinimumSectionSize(narrowestColumn);
    StringGrid2->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    StringGrid2->horizontalHeader()->setStretchLastSection(true);
    StringGrid2->setToolTip(QStringLiteral(
        "Затраты на отсчет выхода (умножения, сложения, слова состояния и коэффициентов), шум "
        "округления в дБ от мощности синуса полной шкалы, переполнение, предельный цикл "
        "(амплитуда в младших разрядах и период) каждой структуры"));
    images_[structureImage] =
        pagePicture<ChartPicture>(split, structureImage,
                                  QStringLiteral("Спектр шума округления каждой структуры; "
                                                 "двойной щелчок - сохранить рисунок"));
    images_[structureImage]->onSave = [this] { savePicture(structureImage); };
    split->addWidget(StringGrid2);
    split->addWidget(images_[structureImage]);
    column->addWidget(split, 1);
    fitColumns(*StringGrid2);
}

namespace {

// The Pareto chart: a left click within clickRadius pixels of a point picks the nearest.
class PointPicture : public ChartPicture {
  public:
    using ChartPicture::ChartPicture;
    std::vector<std::pair<double, double>> points; // x, y
    std::function<void(std::size_t)> onPoint;
    static constexpr double clickRadius = 10;

  protected:
    void mousePressEvent(QMouseEvent* event) override {
        const Chart shown = chart();
        if (event->button() != Qt::LeftButton || !onPoint || points.empty() || shown.curves.empty())
            return ChartPicture::mousePressEvent(event);
        const ChartRect area = plotArea(shown.width, shown.height);
        double nearest = clickRadius;
        std::optional<std::size_t> picked;
        for (std::size_t i = 0; i < points.size(); ++i) {
            const double px = axisPosition(shown.xAxis, points[i].first, area.x, area.width, false);
            const double py =
                axisPosition(shown.yAxis, points[i].second, area.y, area.height, true);
            const double d = std::hypot(px - event->position().x(), py - event->position().y());
            if (d <= nearest) {
                nearest = d;
                picked = i;
            }
        }
        if (picked)
            onPoint(*picked);
    }
};

} // namespace

// The signal-to-noise ratio and the cost asked for, "Подобрать...", the Pareto chart and the
// search's result.
void ImplementationWindow::createSearchPage(QWidget* page) {
    auto* column = static_cast<QVBoxLayout*>(page->layout());
    auto* bar = new QHBoxLayout;
    SpinEdit3 = new QSpinBox(page);
    SpinEdit3->setObjectName(QStringLiteral("SpinEdit3"));
    SpinEdit3->setRange(1, largestSnrDb);
    SpinEdit3->setValue(defaultSnrDb);
    SpinEdit3->setSuffix(QStringLiteral(" дБ"));
    SpinEdit3->setToolTip(
        QStringLiteral("Наименьшее отношение сигнал/шум по моделированию, которого должна "
                       "достигать реализация"));
    ComboBox7 = panelCombo(page, "ComboBox7",
                           {QStringLiteral("биты слов (W + C)"), QStringLiteral("умножения")}, 0,
                           QStringLiteral("Что считать ценой реализации: сумму длин слов данных и "
                                          "коэффициентов или число умножений на отсчет"));
    BitBtn7 = panelButton(page, "BitBtn7", QStringLiteral("&Подобрать..."),
                          QStyle::SP_FileDialogContentsView,
                          QStringLiteral("Найти самую дешевую реализацию в своем формате, "
                                         "выполняющую требования и отношение сигнал/шум: "
                                         "структура, W, C, масштаб и порядок секций"));
    connect(BitBtn7, &QPushButton::clicked, this, &ImplementationWindow::BitBtn7Click);
    for (QWidget* w : std::initializer_list<QWidget*>{SpinEdit3, ComboBox7})
        w->setFont(smallFont(*this));
    bar->addWidget(panelLabel(page, QStringLiteral("С/Ш не меньше"), SpinEdit3));
    bar->addWidget(SpinEdit3);
    bar->addWidget(panelLabel(page, QStringLiteral("Цена"), ComboBox7));
    bar->addWidget(ComboBox7);
    bar->addWidget(BitBtn7);
    bar->addStretch(1);
    column->addLayout(bar);
    auto* image = pagePicture<PointPicture>(
        page, searchImage,
        QStringLiteral("Граница Парето: цена против отношения сигнал/шум. Щелчок по точке - "
                       "загрузить ее реализацию в окно; двойной щелчок - сохранить рисунок"));
    image->onSave = [this] { savePicture(searchImage); };
    image->onPoint = [this](std::size_t i) {
        if (i < points_.size())
            loadCandidate(points_[i]);
    };
    images_[searchImage] = image;
    column->addWidget(image, 1);
    Memo2 = new QPlainTextEdit(page);
    Memo2->setObjectName(QStringLiteral("Memo2"));
    Memo2->setReadOnly(true);
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPixelSize(11);
    Memo2->setFont(fixed);
    Memo2->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Memo2->setFixedHeight(searchMemoHeight);
    Memo2->setToolTip(QStringLiteral("Найденная реализация и аргументы implement, которые ее "
                                     "повторяют"));
    Memo2->setPlainText(QStringLiteral(
        "Задайте отношение сигнал/шум и нажмите «Подобрать...»; щелчок по точке графика "
        "загружает ее реализацию."));
    column->addWidget(Memo2);
}

// The controls and the pages side by side, the readout under them.
void ImplementationWindow::layOutWindow(QWidget* panel) {
    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setObjectName(QStringLiteral("Splitter1"));
    splitter->addWidget(panel);
    splitter->addWidget(PageControl1);
    splitter->setStretchFactor(1, 1);
    splitter->setChildrenCollapsible(false);
    auto* readout = new PointerReadout(this, [this](int page, QPoint at) {
        double x = 0, y = 0;
        if (!images_[static_cast<std::size_t>(page)]->valueAt(at, x, y))
            return QString();
        const auto number = [](double v) { return showGeneral(v, readoutDigits); };
        if (page == searchImage)
            return QStringLiteral("цена ") + number(x) + QStringLiteral(", с/ш ") + number(y) +
                   QStringLiteral(" дБ");
        return page == 2
                   ? QStringLiteral("n = ") + number(std::round(x)) + QStringLiteral(", выход ") +
                         number(y) + QStringLiteral(" младших разрядов")
                   : QStringLiteral("f = ") + number(x) +
                         ((page == structureImage ? structuresFd_ : fd_) == 1
                              ? QStringLiteral(" FD, ")
                              : QStringLiteral(" Гц, ")) +
                         number(y) + QStringLiteral(" дБ");
    });
    for (ChartPicture* image : images_)
        readout->watch(image);
    StaticText1 = readout->label();
    readout->placeUnder(splitter);
    splitter->setSizes({360, 700});
}

ImplementationWindow::~ImplementationWindow() {
    if (search_)
        search_->stop = true;
    if (thread_)
        thread_->wait();
    if (QApplication::overrideCursor() && thread_)
        QApplication::restoreOverrideCursor();
}

void ImplementationWindow::BitBtn1Click() {
    const auto path = prompts().openFileName(
        {QStringLiteral("Открыть файл фильтра"), QDir::currentPath(), QString(),
         QStringLiteral("Файлы фильтров|*.flt;*.fir|Файлы параметров фильтра|*.flt|"
                        "КИХ-фильтры|*.fir"),
         QStringLiteral("flt")});
    if (path)
        openFilterFile(*path);
}

bool ImplementationWindow::openFilterFile(const QString& path) {
    Edit1->setText(path);
    return BitBtn3Click();
}

void ImplementationWindow::BitBtn2Click() {
    const auto path = prompts().openFileName(
        {QStringLiteral("Открыть отчет расчета с требованиями"), QDir::currentPath(), QString(),
         QStringLiteral("Отчеты расчета|*.out"), QStringLiteral("out")});
    if (!path)
        return;
    Edit2->setText(*path);
}

ImplementationWindow::Inputs ImplementationWindow::readInputs() const {
    Inputs in;
    in.file = Edit1->text().trimmed();
    Arithmetic own;
    own.target = Target::Fixed;
    own.dataBits = SpinEdit1->value();
    own.coefBits = SpinEdit2->value();
    own.rounding = ComboBox2->currentIndex() == 0 ? Rounding::Nearest : Rounding::Truncate;
    own.overflow = ComboBox3->currentIndex() == 0 ? Overflow::Saturate : Overflow::Wrap;
    const Target target = chosenTarget();
    Arithmetic& a = in.options.arithmetic;
    a = target == Target::Fixed ? own : namedArithmetic(target);
    checkArithmetic(a);
    if (firShown_) {
        // Taps: no structure, scaling or section order.
        checkFirTarget(target);
        in.fir = namingFiles([&] { return readFirFile(in.file.toStdString()); });
    } else {
        in.options.scaling = scalings[ComboBox4->currentIndex()];
        in.options.order = orders[ComboBox5->currentIndex()];
        in.options.structure = chosenStructure(ComboBox6);
        if (in.options.structure)
            checkStructure(target, *in.options.structure);
        // Read at once, so that a bad file or request is refused before anything runs.
        in.filter = namingFiles([&] { return readAnalysedFilter(in.file.toStdString()); });
    }
    const QString requestPath = Edit2->text().trimmed();
    if (!requestPath.isEmpty()) {
        in.request = namingFiles([&] { return readDesignRequest(requestPath.toStdString()); });
        if (!in.fir)
            checkRequestFits(*in.request, in.filter.kind);
        in.fd = in.request->fd;
    } else {
        in.fd = designedSamplingFrequency(in.file);
    }
    return in;
}

namespace {

// False, with a message, when no filter file is named.
bool fileNamed(const QLineEdit& edit) {
    if (!edit.text().trimmed().isEmpty())
        return true;
    prompts().message(MessageIcon::None, applicationTitle(), QStringLiteral("Не задано имя файла"));
    return false;
}

} // namespace

bool ImplementationWindow::BitBtn3Click() {
    if (thread_)
        return false; // the running computation first
    if (!fileNamed(*Edit1))
        return false;
    Inputs in = readInputs();
    auto job = std::make_shared<Job>();
    job->file = in.file;
    job->fd = in.fd;
    job->filter = std::move(in.filter);
    job->fir = std::move(in.fir);
    job->options = in.options;
    job->report.request = in.request;
    job->report.smallestWords = CheckBox1->isChecked();
    job->report.variants = true;
    job_ = job;
    startThread([job] { job->run(); }, &ImplementationWindow::runFinished);
    return true;
}

bool ImplementationWindow::BitBtn6Click() {
    // Structures and the search belong to a cascade of sections, not to taps.
    if (thread_ || firShown_ || !fileNamed(*Edit1))
        return false;
    Inputs in = readInputs();
    auto job = std::make_shared<Comparison>();
    job->filter = std::move(in.filter);
    job->options = in.options;
    job->options.structure.reset(); // each in turn
    job->report.request = in.request;
    job->fd = in.fd;
    comparing_ = job;
    startThread([job] { job->run(); }, &ImplementationWindow::comparisonFinished);
    return true;
}

bool ImplementationWindow::BitBtn7Click() {
    // Structures and the search belong to a cascade of sections, not to taps.
    if (thread_ || firShown_ || !fileNamed(*Edit1))
        return false;
    Inputs in = readInputs();
    auto job = std::make_shared<Search>();
    job->filter = std::move(in.filter);
    job->request.request = in.request;
    job->request.snr = SpinEdit3->value();
    job->request.cost =
        ComboBox7->currentIndex() == 0 ? CostMeasure::Bits : CostMeasure::Multiplications;
    search_ = job;
    progress_ = new QProgressDialog(QStringLiteral("Подбор реализации: структуры, длины слов, "
                                                   "масштаб и порядок секций..."),
                                    QStringLiteral("Остановить"), 0, progressSteps, this);
    progress_->setObjectName(QStringLiteral("ProgressDialog1"));
    progress_->setWindowTitle(QStringLiteral("Подбор реализации"));
    progress_->setWindowModality(Qt::WindowModal);
    progress_->setAutoReset(false);
    progress_->setAutoClose(false);
    progress_->setMinimumDuration(0);
    connect(progress_, &QProgressDialog::canceled, this, [job, this] {
        job->stop = true;
        if (progress_)
            progress_->setLabelText(QStringLiteral("Подбор останавливается..."));
    });
    auto* poll = new QTimer(progress_);
    connect(poll, &QTimer::timeout, progress_, [job, this] {
        if (progress_)
            progress_->setValue(static_cast<int>(std::lround(job->done * progressSteps)));
    });
    poll->start(progressPollMs);
    progress_->show();
    startThread([job] { job->run(); }, &ImplementationWindow::searchFinished);
    return true;
}

void ImplementationWindow::startThread(const std::function<void()>& work,
                                       void (ImplementationWindow::*done)()) {
    thread_ = QThread::create(work);
    connect(thread_, &QThread::finished, this, done);
    setBusy(true);
    thread_->start();
}

void ImplementationWindow::endThread() {
    thread_->wait();
    thread_->deleteLater();
    thread_ = nullptr;
    setBusy(false);
}

void ImplementationWindow::setBusy(bool busy) {
    BitBtn3->setEnabled(!busy);
    // The structures and the search belong to a cascade of sections.
    for (QPushButton* b : {BitBtn6, BitBtn7})
        b->setEnabled(!busy && !firShown_);
    ProgressBar1->setRange(0, busy ? 0 : 1); // busy: the moving bar
    ProgressBar1->setValue(busy ? 0 : 1);
    if (busy == busy_)
        return;
    busy_ = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void ImplementationWindow::BitBtn5Click() {
    if (!figures_ && !firFigures_) {
        prompts().message(MessageIcon::Warning, applicationTitle(),
                          QStringLiteral("Сначала рассчитайте реализацию"));
        return;
    }
    ImplementationOptions io;
    if (firFigures_) {
        io.arithmetic = firFigures_->arithmetic;
    } else {
        io.arithmetic = figures_->arithmetic;
        io.scaling = figures_->scaling;
        io.order = figures_->order;
        io.structure = measuredStructure_;
    }
    emit exportRequested(measuredFile_, io);
}

void ImplementationWindow::runFinished() {
    if (!thread_ || !job_)
        return;
    endThread();
    const std::shared_ptr<Job> job = std::move(job_);
    if (job->failure) {
        emit finished();
        std::rethrow_exception(job->failure); // the general error handler shows it
    }
    figures_.reset();
    firFigures_.reset();
    if (job->fir)
        firFigures_ = job->firFigures;
    else
        figures_ = job->figures;
    curves_ = job->curves;
    fd_ = job->fd;
    measuredFile_ = job->file;
    measuredStructure_ = job->options.structure;
    BitBtn5->setEnabled(true);
    QStringList lines;
    lines << QStringLiteral("Файл: ") + Edit1->text().trimmed();
    for (const std::string& line : figures_ ? figureLines(*figures_) : firFigureLines(*firFigures_))
        lines << text(line);
    Memo1->setPlainText(lines.join(QLatin1Char('\n')));
    for (int i = 0; i < 3; ++i)
        drawPage(i);
    showVariants();
    emit finished();
}

void ImplementationWindow::drawPage(int page) {
    images_[static_cast<std::size_t>(page)]->setChart(
        curves_ && (figures_ || firFigures_) ? pageChart(page) : Chart{});
}

namespace {

// The most samples of the limit cycle the page shows.
constexpr std::size_t shownCycleSamples = 512;

// Curves over one x grid, the value range as the characteristics window's whole view
// finds it (down to `depth` under the top when it is above zero).
Chart curvesChart(const std::vector<double>& x, const std::vector<std::vector<double>>& values,
                  const std::vector<std::string>& names, double depth) {
    Chart chart;
    chart.xAxis = {x.front(), std::max(x.back(), x.front() + 1e-9), false};
    chart.yAxis = valueRange({x, values, {}, {}, {}}, x.front(), x.back(), depth);
    for (std::size_t k = 0; k < values.size() && k < names.size(); ++k)
        chart.curves.push_back({names[k], curveColor(static_cast<int>(k)), x, values[k], {}});
    return chart;
}

// One period of the limit cycle as stems from zero: each sample a vertical line of its
// own, the curve broken between them.
Chart cycleChart(const std::vector<double>& trace) {
    std::vector<double> n;
    for (std::size_t i = 0; i < trace.size() && i < shownCycleSamples; ++i)
        n.push_back(static_cast<double>(i));
    const std::vector<double> shown(trace.begin(), trace.begin() + std::ssize(n));
    Chart chart = curvesChart(n, {shown}, {"выход, младшие разряды"}, 0);
    chart.xAxis = {-0.5, static_cast<double>(n.size()) - 0.5, false};
    chart.yAxis.low = std::min(chart.yAxis.low, 0.0);
    chart.yAxis.high = std::max(chart.yAxis.high, 0.0);
    ChartCurve& stems = chart.curves.front();
    stems.x.clear();
    stems.y.clear();
    for (std::size_t i = 0; i < n.size(); ++i) {
        stems.x.insert(stems.x.end(), {n[i], n[i], n[i]});
        stems.y.insert(stems.y.end(), {0.0, shown[i], std::nan("")});
    }
    return chart;
}

} // namespace

Chart ImplementationWindow::pageChart(int page) const {
    Chart chart;
    const auto inUnitsOfFd = [this](std::vector<double> f) {
        for (double& x : f)
            x *= fd_;
        return f;
    };
    if (page == 0) {
        chart =
            curvesChart(inUnitsOfFd(curves_->frequency), {curves_->idealDb, curves_->quantisedDb},
                        {"без квантования", "после квантования"}, decibelDepth);
        chart.yTitle = "|H|, дБ";
    } else if (page == 1 && !curves_->noiseMeasuredDb.empty()) {
        std::vector<std::vector<double>> noise{curves_->noiseMeasuredDb};
        if (!curves_->noiseComputedDb.empty())
            noise.push_back(curves_->noiseComputedDb);
        chart = curvesChart(inUnitsOfFd(curves_->noiseFrequency), noise,
                            {"шум: измеренный", "шум: рассчитанный"}, 0);
        chart.yTitle = "Шум в полосе, дБ от мощности синуса полной шкалы";
    } else if (page == limitCyclePage && figures_ && !figures_->limitCycle.trace.empty()) {
        chart = cycleChart(figures_->limitCycle.trace);
        chart.xTitle = "n, отсчеты";
        chart.yTitle = "Выход, единицы младшего разряда";
        return chart;
    } else {
        return chart;
    }
    chart.xTitle = frequencyTitle(fd_);
    return chart;
}

void ImplementationWindow::showVariants() {
    StringGrid1->setRowCount(0);
    if (!figures_)
        return;
    for (const Variant& v : figures_->variants) {
        const int row = StringGrid1->rowCount();
        StringGrid1->insertRow(row);
        const auto cell = [&](int column, const QString& value) {
            StringGrid1->setItem(row, column, new QTableWidgetItem(value));
        };
        cell(0, text(scalingName(v.scaling)));
        cell(1, text(orderName(v.order)));
        if (!v.realised) {
            cell(2, QStringLiteral("не помещается"));
            continue;
        }
        // The general form reads better in a table than the file's 23 characters.
        cell(2, showGeneral(v.largestL1, tableDigits));
        cell(3, fixedPointTarget(figures_->arithmetic.target)
                    ? showGeneral(v.noiseAnalyticDbfs, tableDigits)
                    : QString());
        cell(4, showGeneral(v.snrSimulatedDb, tableDigits));
        cell(5, (v.overflowPossible ? QStringLiteral("переполнение ") : QString()) +
                    (v.best ? QStringLiteral("лучший") : QString()));
    }
    StringGrid1->resizeColumnsToContents();
}

namespace {

// A structure's noise spectra on one chart, one colour each.
Chart structureNoiseChart(const std::vector<double>& frequency,
                          const std::vector<std::vector<double>>& noise,
                          const std::vector<std::string>& names, bool computed) {
    if (frequency.empty() || noise.empty())
        return {};
    Chart chart = curvesChart(frequency, noise, names, 0);
    chart.yAxis.high += legendHeadroom * (chart.yAxis.high - chart.yAxis.low);
    chart.yTitle = computed ? "Шум в полосе (расчет), дБ от мощности синуса полной шкалы"
                            : "Шум в полосе (моделирование), дБ от мощности синуса полной шкалы";
    return chart;
}

// The glyphs of the Pareto chart, as fractions of the axes' spans.
constexpr double crossHalfWidth = 0.008;
constexpr double crossHalfHeight = 0.014;
constexpr double boxScale = 1.8;
// The margin around the points: one unit of cost, and of the SNR's span.
constexpr double snrMargin = 0.08;

void addSegment(ChartCurve& curve, double x0, double y0, double x1, double y1) {
    curve.x.insert(curve.x.end(), {x0, x1, x0});
    curve.y.insert(curve.y.end(), {y0, y1, std::nan("")});
}

QString candidateText(const Candidate& c) {
    return text(structureName(c.structure)) +
           QStringLiteral(", W %1, C %2, масштаб ").arg(c.dataBits).arg(c.coefBits) +
           text(scalingName(c.scaling)) + QStringLiteral(", порядок ") + text(orderName(c.order)) +
           QStringLiteral(", с/ш ") + showGeneral(c.snr, tableDigits) +
           QStringLiteral(" дБ, умножений %1").arg(c.multiplications);
}

// Cost against SNR: the front (the first `onFront` points) as a line, a cross at each
// point, the marked point in a box, the SNR asked for as a level. The chosen implementation
// may lie off the front, which also holds implementations that fail the other conditions.
Chart paretoChart(const std::vector<Candidate>& points, std::size_t onFront,
                  std::optional<std::size_t> marked, bool found, CostMeasure measure,
                  double snrTarget) {
    if (points.empty())
        return {};
    double x0 = points.front().cost(measure), x1 = x0;
    double y0 = snrTarget, y1 = snrTarget;
    for (const Candidate& c : points) {
        x0 = std::min(x0, c.cost(measure));
        x1 = std::max(x1, c.cost(measure));
        y0 = std::min(y0, c.snr);
        y1 = std::max(y1, c.snr);
    }
    const double ySpan = std::max(y1 - y0, 1.0);
    Chart chart;
    chart.xAxis = {x0 - 1, x1 + 1, false};
    chart.yAxis = {y0 - snrMargin * ySpan, y1 + (snrMargin + legendHeadroom) * ySpan, false};
    const double dx = crossHalfWidth * (chart.xAxis.high - chart.xAxis.low);
    const double dy = crossHalfHeight * (chart.yAxis.high - chart.yAxis.low);
    ChartCurve front{"граница Парето", curveColor(0), {}, {}, {}};
    for (std::size_t i = 0; i < onFront && i < points.size(); ++i) {
        front.x.push_back(points[i].cost(measure));
        front.y.push_back(points[i].snr);
    }
    if (!front.x.empty()) {
        front.x.push_back(front.x.back());
        front.y.push_back(std::nan(""));
    }
    for (const Candidate& c : points) {
        const double x = c.cost(measure), y = c.snr;
        addSegment(front, x - dx, y - dy, x + dx, y + dy);
        addSegment(front, x - dx, y + dy, x + dx, y - dy);
    }
    chart.curves.push_back(std::move(front));
    if (marked) {
        const Candidate& c = points[*marked];
        ChartCurve box{found ? "выбранная: " + structureName(c.structure) + ", W " +
                                   std::to_string(c.dataBits) + ", C " + std::to_string(c.coefBits)
                             : "ближайшая: " + structureName(c.structure),
                       curveColor(1),
                       {},
                       {},
                       {}};
        const double x = c.cost(measure), y = c.snr;
        const double bx = boxScale * dx, by = boxScale * dy;
        box.x = {x - bx, x + bx, x + bx, x - bx, x - bx};
        box.y = {y - by, y - by, y + by, y + by, y - by};
        chart.curves.push_back(std::move(box));
    }
    chart.curves.push_back(
        {"с/ш не меньше " + showGeneral(snrTarget, tableDigits).toStdString() + " дБ",
         curveColor(2),
         {chart.xAxis.low, chart.xAxis.high},
         {snrTarget, snrTarget},
         {}});
    chart.xTitle = measure == CostMeasure::Bits ? "Цена: W + C, бит" : "Цена: умножений на отсчет";
    chart.yTitle = "Сигнал/шум (моделирование), дБ";
    return chart;
}

bool sameCandidate(const Candidate& a, const Candidate& b) {
    return a.structure == b.structure && a.scaling == b.scaling && a.order == b.order &&
           a.dataBits == b.dataBits && a.coefBits == b.coefBits;
}

QString limitCycleCell(const LimitCycle& c) {
    if (!c.searched || c.skipped)
        return QStringLiteral("—");
    if (!c.found)
        return QStringLiteral("нет");
    return QStringLiteral("%1/%2").arg(showGeneral(c.amplitude, comparisonDigits)).arg(c.period);
}

} // namespace

void ImplementationWindow::comparisonFinished() {
    if (!thread_ || !comparing_)
        return;
    endThread();
    const std::shared_ptr<Comparison> job = std::move(comparing_);
    if (job->failure) {
        emit compared();
        std::rethrow_exception(job->failure); // the general error handler shows it
    }
    comparison_ = job->rows;
    showComparison();
    std::vector<std::string> names;
    for (const StructureFigures& row : comparison_)
        if (row.realised)
            names.push_back(structureName(row.structure));
    std::vector<double> frequency = job->frequency;
    for (double& f : frequency)
        f *= job->fd;
    Chart chart = structureNoiseChart(frequency, job->noise, names, job->computedNoise);
    if (!chart.curves.empty())
        chart.xTitle = frequencyTitle(job->fd);
    structuresFd_ = job->fd;
    images_[structureImage]->setChart(chart);
    emit compared();
}

void ImplementationWindow::showComparison() {
    StringGrid2->clearSpans();
    StringGrid2->setRowCount(0);
    for (const StructureFigures& r : comparison_) {
        const int row = StringGrid2->rowCount();
        StringGrid2->insertRow(row);
        const auto cell = [&](int column, const QString& value, bool bold = false) {
            auto* item = new QTableWidgetItem(value);
            if (bold) {
                QFont f = StringGrid2->font();
                f.setBold(true);
                item->setFont(f);
            }
            StringGrid2->setItem(row, column, item);
            return item;
        };
        cell(0, text(structureName(r.structure)))
            ->setToolTip(text(structureRow(r.structure).label));
        if (!r.realised) {
            cell(1, QStringLiteral("не реализуется: ") + text(r.refusal))
                ->setToolTip(text(r.refusal));
            StringGrid2->setSpan(row, 1, 1, StringGrid2->columnCount() - 1);
            continue;
        }
        const ImplementationFigures& f = r.figures;
        cell(1, QString::number(f.cost.multiplications), r.cheapest);
        cell(2, QString::number(f.cost.additions));
        cell(3, QString::number(f.cost.stateWords));
        cell(4, QString::number(f.cost.coefWords));
        cell(5, f.analyticNoise ? showGeneral(f.noiseAnalyticDbfs, comparisonDigits) : QString());
        cell(6, f.simulatedNoise ? showGeneral(f.noiseSimulatedDbfs, comparisonDigits) : QString(),
             r.bestNoise);
        double snr = 0;
        cell(7, statedSnr(f, snr) ? showGeneral(snr, comparisonDigits) : QString());
        cell(8,
             f.overflowPossible || !f.normsBounded ? QStringLiteral("да") : QStringLiteral("нет"));
        cell(9, limitCycleCell(f.limitCycle));
        cell(10, f.stable ? QStringLiteral("да") : QStringLiteral("нет"));
        cell(11, !f.requestGiven  ? QStringLiteral("—")
                 : f.meetsRequest ? QStringLiteral("да")
                                  : QStringLiteral("нет"));
    }
    fitColumns(*StringGrid2);
}

void ImplementationWindow::searchFinished() {
    if (!thread_ || !search_)
        return;
    endThread();
    const std::shared_ptr<Search> job = std::move(search_);
    // Whether the user stopped it, before closing the dialog: closing one emits canceled.
    const bool stopped = job->stop;
    if (progress_) {
        progress_->disconnect(this);
        progress_->close();
        progress_->deleteLater();
        progress_ = nullptr;
    }
    if (job->failure) {
        emit searched();
        std::rethrow_exception(job->failure); // the general error handler shows it
    }
    PageControl1->setCurrentIndex(searchPage);
    if (stopped) {
        // What a stopped search looked at is not a front: the last one stays.
        Memo2->appendPlainText(QStringLiteral("Подбор остановлен."));
        emit searched();
        return;
    }
    showSearch(job->result, job->request.cost, job->request.snr);
    emit searched();
}

void ImplementationWindow::showSearch(const SearchResult& result, CostMeasure measure,
                                      double snrTarget) {
    points_ = result.pareto;
    std::sort(points_.begin(), points_.end(), [measure](const Candidate& a, const Candidate& b) {
        return a.cost(measure) < b.cost(measure);
    });
    // The front's line; a chosen point alone, with no front, stands for it.
    const std::size_t onFront = std::max<std::size_t>(points_.size(), 1);
    std::optional<std::size_t> marked;
    const Candidate* chosen =
        result.found ? &result.best : (result.closest ? &*result.closest : nullptr);
    if (chosen) {
        for (std::size_t i = 0; i < points_.size() && !marked; ++i)
            if (sameCandidate(points_[i], *chosen))
                marked = i;
        if (!marked) {
            points_.push_back(*chosen);
            marked = points_.size() - 1;
        }
    }
    auto* image = static_cast<PointPicture*>(images_[searchImage]);
    image->points.clear();
    for (const Candidate& c : points_)
        image->points.emplace_back(c.cost(measure), c.snr);
    image->setChart(paretoChart(points_, onFront, marked, result.found, measure, snrTarget));
    QStringList lines;
    for (const std::string& line : searchLines(result, measure))
        lines << text(line);
    if (!points_.empty())
        lines << QStringLiteral("Щелчок по точке графика загружает ее реализацию в окно.");
    Memo2->setPlainText(lines.join(QLatin1Char('\n')));
}

void ImplementationWindow::loadCandidate(const Candidate& candidate) {
    chooseTarget(Target::Fixed);
    const ImplementationOptions o = candidate.options();
    SpinEdit1->setValue(o.arithmetic.dataBits);
    SpinEdit2->setValue(o.arithmetic.coefBits);
    ComboBox2->setCurrentIndex(o.arithmetic.rounding == Rounding::Nearest ? 0 : 1);
    ComboBox3->setCurrentIndex(o.arithmetic.overflow == Overflow::Saturate ? 0 : 1);
    chooseStructure(ComboBox6, o.structure);
    for (int i = 0; i < static_cast<int>(std::size(scalings)); ++i)
        if (scalings[i] == o.scaling)
            ComboBox4->setCurrentIndex(i);
    for (int i = 0; i < static_cast<int>(std::size(orders)); ++i)
        if (orders[i] == o.order)
            ComboBox5->setCurrentIndex(i);
    const QString loaded = QStringLiteral("Загружена реализация: ") + candidateText(candidate) +
                           QStringLiteral("; нажмите «Расчет»");
    StaticText1->setText(loaded);
    Memo2->appendPlainText(loaded);
}

void ImplementationWindow::savePicture(int page) {
    const auto path = prompts().savePictureName(
        {QStringLiteral("Сохранить рисунок"), QDir::currentPath(), QString(),
         QString::fromUtf8(chartPictureFilter), QStringLiteral("png")});
    if (path)
        saveChartPictureAs(images_[static_cast<std::size_t>(page)]->chart(), *path, windowTitle());
}

ImplementationWindow* openImplementationWindow() {
    auto* form = new ImplementationWindow;
    showSizedChildWindow(form, QSize(1060, 600));
    return form;
}

} // namespace zorkan::ui
