#include "fixedpoint/implementationwindow.h"

#include "charts/characteristicschart.h"
#include "charts/chartplot_qt.h"
#include "coefficients/filterfile.h"
#include "common/errors.h"
#include "common/replacefile.h"
#include "common/textnumbers.h"
#include "design/designreport.h"
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
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QStyle>
#include <QTabWidget>
#include <QTableWidget>
#include <QThread>
#include <QVBoxLayout>

#include <cmath>

namespace zorkan::ui {

namespace {

const Target targets[] = {Target::Double,   Target::Float,    Target::FloatFma,
                          Target::Q15,      Target::Q31,      Target::Fixed,
                          Target::CmsisQ15, Target::CmsisQ31, Target::CmsisF32};
const Scaling scalings[] = {Scaling::Peak, Scaling::L2, Scaling::L1, Scaling::None};
const SectionOrder orders[] = {SectionOrder::File, SectionOrder::Ascending,
                               SectionOrder::Descending};
const char* const pageTitles[] = {"АЧХ", "Шум", "Предельный цикл", "Варианты"};
// The readout under the pointer: six significant digits, finer than a pixel of the pages.
constexpr int readoutDigits = 6;
// The table of variants: six significant digits, as the report's figures.
constexpr int tableDigits = 6;

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

// The computation of one "Расчет", run on its own thread.
struct ImplementationWindow::Job {
    QString file;
    double fd = 1; // the sampling frequency of the pages' frequencies: 1 - fractions of FD
    FilterCoefficients filter;
    ImplementationOptions options;
    ReportOptions report;
    ImplementationFigures figures;
    ImplementationCurves curves;
    std::exception_ptr failure;

    void run() {
        try {
            figures = implementationFigures(filter, options, report);
            const Implementation im = realise(filter, options);
            double largest = 0;
            for (double g : figures.l1Gains)
                largest = std::max(largest, g);
            curves = implementationCurves(im, 1024, largest > 1 ? 1 / largest : 1,
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
}

// The filter file and the design report with the request, each with its button.
void ImplementationWindow::createFileFields(QWidget* panel) {
    QPushButton* open =
        panelButton(panel, "BitBtn1", QStringLiteral("&Файл"), QStyle::SP_DialogOpenButton,
                    QStringLiteral("Выбрать файл параметров фильтра"));
    connect(open, &QPushButton::clicked, this, &ImplementationWindow::BitBtn1Click);
    Edit1 = new QLineEdit(panel);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setToolTip(QStringLiteral("Файл параметров фильтра; Enter - рассчитать"));
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
    ComboBox1 =
        panelCombo(panel, "ComboBox1",
                   {QStringLiteral("double"), QStringLiteral("float"),
                    QStringLiteral("float с FMA"), QStringLiteral("q15"), QStringLiteral("q31"),
                    QStringLiteral("свой формат"), QStringLiteral("CMSIS-DSP q15"),
                    QStringLiteral("CMSIS-DSP q31"), QStringLiteral("CMSIS-DSP f32")},
                   3, QStringLiteral("Арифметика устройства"));
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
    connect(ComboBox1, &QComboBox::currentIndexChanged, this,
            &ImplementationWindow::showTargetWords);
    showTargetWords();
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
    const TargetRow& row = targetRow(targets[ComboBox1->currentIndex()]);
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
    grid->addWidget(panelLabel(panel, QStringLiteral("Округление"), ComboBox2), 2, 0);
    grid->addWidget(ComboBox2, 2, 1);
    grid->addWidget(panelLabel(panel, QStringLiteral("Переполн."), ComboBox3), 2, 2,
                    Qt::AlignRight);
    grid->addWidget(ComboBox3, 2, 3);
    grid->addWidget(panelLabel(panel, QStringLiteral("Масштаб"), ComboBox4), 3, 0);
    grid->addWidget(ComboBox4, 3, 1);
    grid->addWidget(panelLabel(panel, QStringLiteral("Порядок"), ComboBox5), 3, 2, Qt::AlignRight);
    grid->addWidget(ComboBox5, 3, 3);
    grid->addWidget(button("BitBtn2"), 4, 0);
    grid->addWidget(Edit2, 4, 1, 1, 3);
    grid->addWidget(CheckBox1, 5, 0, 1, 2);
    grid->addWidget(BitBtn3, 5, 2);
    grid->addWidget(button("BitBtn4"), 5, 3);
    grid->addWidget(ProgressBar1, 6, 0, 1, 4);
    grid->addWidget(Memo1, 7, 0, 1, 4);
    grid->addWidget(BitBtn5, 8, 3);
    grid->setRowStretch(7, 1);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    panel->setMinimumWidth(360);
}

// The three charts (double click: save) and the table of the variants.
void ImplementationWindow::createPages() {
    PageControl1 = new QTabWidget;
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    for (int i = 0; i < 4; ++i) {
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
        return page == 2
                   ? QStringLiteral("n = ") + number(std::round(x)) + QStringLiteral(", выход ") +
                         number(y) + QStringLiteral(" младших разрядов")
                   : QStringLiteral("f = ") + number(x) +
                         (fd_ == 1 ? QStringLiteral(" FD, ") : QStringLiteral(" Гц, ")) +
                         number(y) + QStringLiteral(" дБ");
    });
    for (ChartPicture* image : images_)
        readout->watch(image);
    StaticText1 = readout->label();
    readout->placeUnder(splitter);
    splitter->setSizes({450, 610});
}

ImplementationWindow::~ImplementationWindow() {
    if (thread_)
        thread_->wait();
}

void ImplementationWindow::BitBtn1Click() {
    const auto path = prompts().openFileName(
        {QStringLiteral("Открыть файл фильтра"), QDir::currentPath(), QString(),
         QStringLiteral("Файлы параметров фильтра|*.flt"), QStringLiteral("flt")});
    if (!path)
        return;
    Edit1->setText(*path);
    BitBtn3Click();
}

void ImplementationWindow::BitBtn2Click() {
    const auto path = prompts().openFileName(
        {QStringLiteral("Открыть отчет расчета с требованиями"), QDir::currentPath(), QString(),
         QStringLiteral("Отчеты расчета|*.out"), QStringLiteral("out")});
    if (!path)
        return;
    Edit2->setText(*path);
}

bool ImplementationWindow::BitBtn3Click() {
    if (thread_)
        return false; // the running computation first
    const QString path = Edit1->text().trimmed();
    if (path.isEmpty()) {
        prompts().message(MessageIcon::None, applicationTitle(),
                          QStringLiteral("Не задано имя файла"));
        return false;
    }
    auto job = std::make_shared<Job>();
    job->file = path;
    Arithmetic own;
    own.target = Target::Fixed;
    own.dataBits = SpinEdit1->value();
    own.coefBits = SpinEdit2->value();
    own.rounding = ComboBox2->currentIndex() == 0 ? Rounding::Nearest : Rounding::Truncate;
    own.overflow = ComboBox3->currentIndex() == 0 ? Overflow::Saturate : Overflow::Wrap;
    const Target target = targets[ComboBox1->currentIndex()];
    Arithmetic& a = job->options.arithmetic;
    a = target == Target::Fixed ? own : namedArithmetic(target);
    job->options.scaling = scalings[ComboBox4->currentIndex()];
    job->options.order = orders[ComboBox5->currentIndex()];
    job->report.smallestWords = CheckBox1->isChecked();
    job->report.variants = true;
    checkArithmetic(a);
    // Read at once, so that a bad file or request is refused before anything runs.
    job->filter = namingFiles([&] { return readAnalysedFilter(path.toStdString()); });
    const QString requestPath = Edit2->text().trimmed();
    if (!requestPath.isEmpty()) {
        job->report.request =
            namingFiles([&] { return readDesignRequest(requestPath.toStdString()); });
        checkRequestFits(*job->report.request, job->filter.kind);
        job->fd = job->report.request->fd;
    } else {
        job->fd = designedSamplingFrequency(path);
    }
    job_ = job;
    thread_ = QThread::create([job] { job->run(); });
    connect(thread_, &QThread::finished, this, &ImplementationWindow::runFinished);
    BitBtn3->setEnabled(false);
    ProgressBar1->setRange(0, 0); // busy
    QApplication::setOverrideCursor(Qt::WaitCursor);
    thread_->start();
    return true;
}

void ImplementationWindow::BitBtn5Click() {
    if (!figures_) {
        prompts().message(MessageIcon::Warning, applicationTitle(),
                          QStringLiteral("Сначала рассчитайте реализацию"));
        return;
    }
    ImplementationOptions io;
    io.arithmetic = figures_->arithmetic;
    io.scaling = figures_->scaling;
    io.order = figures_->order;
    emit exportRequested(measuredFile_, io);
}

void ImplementationWindow::runFinished() {
    if (!thread_)
        return;
    thread_->wait();
    thread_->deleteLater();
    thread_ = nullptr;
    QApplication::restoreOverrideCursor();
    ProgressBar1->setRange(0, 1);
    ProgressBar1->setValue(1);
    BitBtn3->setEnabled(true);
    const std::shared_ptr<Job> job = std::move(job_);
    if (job->failure) {
        emit finished();
        std::rethrow_exception(job->failure); // the general error handler shows it
    }
    figures_ = job->figures;
    curves_ = job->curves;
    fd_ = job->fd;
    measuredFile_ = job->file;
    BitBtn5->setEnabled(true);
    QStringList lines;
    lines << QStringLiteral("Файл: ") + Edit1->text().trimmed();
    for (const std::string& line : figureLines(*figures_))
        lines << text(line);
    Memo1->setPlainText(lines.join(QLatin1Char('\n')));
    for (int i = 0; i < 3; ++i)
        drawPage(i);
    showVariants();
    emit finished();
}

void ImplementationWindow::drawPage(int page) {
    images_[static_cast<std::size_t>(page)]->setChart(curves_ && figures_ ? pageChart(page)
                                                                          : Chart{});
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
    } else if (page == 2 && !figures_->limitCycle.trace.empty()) {
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
