#include "fixedpoint/implementationwindow.h"

#include "analysis/analysisrun.h"
#include "analysis/analysiswindow.h"
#include "analysis/filteranalysis.h"
#include "common/textnumbers.h"
#include "design/designreport.h"
#include "ui/childwindow.h"
#include "ui/controls.h"
#include "ui/errorhandler.h"
#include "ui/picturebox.h"
#include "ui/prompts.h"
#include "ui/sharedstate.h"
#include "ui/windownumbers.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QEvent>
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
const SectionOrder orders[] = {SectionOrder::file, SectionOrder::ascending,
                               SectionOrder::descending};
const char* const pageTitles[] = {"АЧХ", "Шум", "Предельный цикл", "Варианты"};

QString text(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

} // namespace

// The computation of one "Расчет", run on its own thread.
struct ImplementationWindow::Job {
    QString file;
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

ImplementationWindow::ImplementationWindow(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("FormImplementation"));
    setWindowTitle(QStringLiteral("Реализация фильтра"));
    const QFont small = [this] {
        QFont f = font();
        f.setPixelSize(11);
        return f;
    }();

    auto* panel = new QWidget;
    panel->setObjectName(QStringLiteral("Panel1"));
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(4);
    const auto button = [&](const char* name, const QString& caption, QStyle::StandardPixmap icon,
                            const QString& hint) {
        auto* b = new QPushButton(style()->standardIcon(icon), caption, panel);
        b->setObjectName(QString::fromLatin1(name));
        b->setToolTip(hint);
        b->setFixedHeight(25);
        return b;
    };
    const auto combo = [&](const char* name, const QStringList& items, int current,
                           const QString& hint) {
        auto* c = new QComboBox(panel);
        c->setObjectName(QString::fromLatin1(name));
        c->addItems(items);
        c->setCurrentIndex(current);
        c->setToolTip(hint);
        c->setFont(small);
        return c;
    };
    const auto label = [&](const QString& caption, QWidget* buddy) {
        auto* l = new QLabel(caption, panel);
        l->setFont(small);
        l->setBuddy(buddy);
        return l;
    };

    QPushButton* open = button("BitBtn1", QStringLiteral("&Файл"), QStyle::SP_DialogOpenButton,
                               QStringLiteral("Выбрать файл параметров фильтра"));
    connect(open, &QPushButton::clicked, this, &ImplementationWindow::BitBtn1Click);
    Edit1 = new QLineEdit(panel);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setToolTip(QStringLiteral("Файл параметров фильтра; Enter - рассчитать"));
    const SharedState& state = shared();
    Edit1->setText(state.ResponseFilterFile.isEmpty() ? state.DesignedFilterFile
                                                      : state.ResponseFilterFile);

    ComboBox1 = combo("ComboBox1",
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
        s->setRange(minimumBits, maximumBits);
        s->setFont(small);
    }
    SpinEdit1->setValue(16);
    SpinEdit2->setValue(32);
    ComboBox2 =
        combo("ComboBox2", {QStringLiteral("к ближайшему"), QStringLiteral("отбрасыванием")}, 0,
              QStringLiteral("Округление выхода секции (свой формат)"));
    ComboBox3 = combo("ComboBox3", {QStringLiteral("насыщение"), QStringLiteral("перенос")}, 0,
                      QStringLiteral("Переполнение выхода секции (свой формат)"));
    const auto ownFormat = [this] {
        const bool own = ComboBox1->currentIndex() == 5;
        for (QWidget* w :
             std::initializer_list<QWidget*>{SpinEdit1, SpinEdit2, ComboBox2, ComboBox3})
            w->setEnabled(own);
    };
    connect(ComboBox1, &QComboBox::currentIndexChanged, this, ownFormat);
    ownFormat();
    ComboBox4 = combo("ComboBox4",
                      {QStringLiteral("пик АЧХ (peak)"), QStringLiteral("норма L2"),
                       QStringLiteral("норма L1"), QStringLiteral("нет")},
                      0, QStringLiteral("Масштабирование секций"));
    ComboBox5 = combo("ComboBox5",
                      {QStringLiteral("как в файле"), QStringLiteral("по возрастанию радиуса"),
                       QStringLiteral("по убыванию радиуса")},
                      1, QStringLiteral("Порядок секций по радиусу полюсов"));
    QPushButton* request =
        button("BitBtn2", QStringLiteral("&Требования"), QStyle::SP_FileDialogContentsView,
               QStringLiteral("Выбрать отчет расчета (.out) с требованиями к фильтру"));
    connect(request, &QPushButton::clicked, this, &ImplementationWindow::BitBtn2Click);
    Edit2 = new QLineEdit(panel);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Edit2->setToolTip(QStringLiteral("Отчет расчета с требованиями; пустое поле - без требований"));
    CheckBox1 = new QCheckBox(QStringLiteral("Наименьшие длины слов"), panel);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->setToolTip(QStringLiteral("Найти наименьшие длины слов коэффициентов и данных "
                                         "(сигнал/шум не меньше 60 дБ)"));
    CheckBox1->setFont(small);
    BitBtn3 = button("BitBtn3", QStringLiteral("&Расчет"), QStyle::SP_BrowserReload,
                     QStringLiteral("Рассчитать реализацию"));
    connect(BitBtn3, &QPushButton::clicked, this, &ImplementationWindow::BitBtn3Click);
    for (QLineEdit* e : {Edit1, Edit2}) {
        e->setFont(small);
        connect(e, &QLineEdit::returnPressed, this, &ImplementationWindow::BitBtn3Click);
    }
    QPushButton* close = button("BitBtn4", QStringLiteral("&Выход"), QStyle::SP_DialogCloseButton,
                                QStringLiteral("Закрыть окно"));
    connect(close, &QPushButton::clicked, this, [this] { parentWidget()->close(); });
    BitBtn5 = button(
        "BitBtn5", QStringLiteral("&Экспорт..."), QStyle::SP_DialogSaveButton,
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

    grid->addWidget(open, 0, 0);
    grid->addWidget(Edit1, 0, 1, 1, 3);
    grid->addWidget(label(QStringLiteral("Арифметика"), ComboBox1), 1, 0);
    grid->addWidget(ComboBox1, 1, 1);
    grid->addWidget(label(QStringLiteral("W, C"), SpinEdit1), 1, 2, Qt::AlignRight);
    auto* words = new QHBoxLayout;
    words->addWidget(SpinEdit1);
    words->addWidget(SpinEdit2);
    grid->addLayout(words, 1, 3);
    grid->addWidget(label(QStringLiteral("Округление"), ComboBox2), 2, 0);
    grid->addWidget(ComboBox2, 2, 1);
    grid->addWidget(label(QStringLiteral("Переполн."), ComboBox3), 2, 2, Qt::AlignRight);
    grid->addWidget(ComboBox3, 2, 3);
    grid->addWidget(label(QStringLiteral("Масштаб"), ComboBox4), 3, 0);
    grid->addWidget(ComboBox4, 3, 1);
    grid->addWidget(label(QStringLiteral("Порядок"), ComboBox5), 3, 2, Qt::AlignRight);
    grid->addWidget(ComboBox5, 3, 3);
    grid->addWidget(request, 4, 0);
    grid->addWidget(Edit2, 4, 1, 1, 3);
    grid->addWidget(CheckBox1, 5, 0, 1, 2);
    grid->addWidget(BitBtn3, 5, 2);
    grid->addWidget(close, 5, 3);
    grid->addWidget(ProgressBar1, 6, 0, 1, 4);
    grid->addWidget(Memo1, 7, 0, 1, 4);
    grid->addWidget(BitBtn5, 8, 3);
    grid->setRowStretch(7, 1);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    panel->setMinimumWidth(360);

    PageControl1 = new QTabWidget;
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    for (int i = 0; i < 4; ++i) {
        auto* page = new QWidget;
        page->setObjectName(QStringLiteral("TabSheet") + QString::number(i + 1));
        auto* column = new QVBoxLayout(page);
        column->setContentsMargins(4, 4, 4, 2);
        if (i < 3) {
            auto* image = new AnalysisPicture(page);
            image->setObjectName(QStringLiteral("Image") + QString::number(i + 1));
            image->setToolTip(QStringLiteral("Двойной щелчок - сохранить рисунок"));
            image->setMouseTracking(true);
            image->installEventFilter(this);
            image->onResize = [this, i] { drawPage(i); };
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
            StringGrid1->setFont(small);
            StringGrid1->horizontalHeader()->setStretchLastSection(true);
            StringGrid1->setToolTip(QStringLiteral("Шум и переполнение при каждом масштабировании "
                                                   "и порядке секций; лучший отмечен"));
            column->addWidget(StringGrid1, 1);
        }
        PageControl1->addTab(page, QString::fromUtf8(pageTitles[i]));
    }
    connect(PageControl1, &QTabWidget::currentChanged, this, [this] { StaticText1->clear(); });

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setObjectName(QStringLiteral("Splitter1"));
    splitter->addWidget(panel);
    splitter->addWidget(PageControl1);
    splitter->setStretchFactor(1, 1);
    splitter->setChildrenCollapsible(false);
    StaticText1 = new QLabel(this);
    StaticText1->setObjectName(QStringLiteral("StaticText1"));
    StaticText1->setFont(small);
    StaticText1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    StaticText1->setFixedHeight(20);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(4, 4, 4, 3);
    column->setSpacing(3);
    column->addWidget(splitter, 1);
    column->addWidget(StaticText1);
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
    Arithmetic& a = job->options.arithmetic;
    a.target = targets[ComboBox1->currentIndex()];
    a.dataBits = SpinEdit1->value();
    a.coefBits = SpinEdit2->value();
    a.rounding = ComboBox2->currentIndex() == 0 ? Rounding::Nearest : Rounding::Truncate;
    a.overflow = ComboBox3->currentIndex() == 0 ? Overflow::Saturate : Overflow::Wrap;
    job->options.scaling = scalings[ComboBox4->currentIndex()];
    job->options.order = orders[ComboBox5->currentIndex()];
    job->report.smallestWords = CheckBox1->isChecked();
    job->report.variants = true;
    checkArithmetic(a);
    // Read at once, so that a bad file or request is refused before anything runs.
    job->filter = readAnalysedFilter(path.toStdString());
    const QString requestPath = Edit2->text().trimmed();
    if (!requestPath.isEmpty()) {
        job->report.request = readDesignRequest(requestPath.toStdString());
        checkRequestFits(*job->report.request, job->filter.kind);
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
    AnalysisPicture* image = images_[static_cast<std::size_t>(page)];
    Canvas& canvas = image->canvas();
    std::vector<Series> series;
    AxisTitles titles;
    if (curves_ && figures_) {
        const auto floored = [](std::vector<double> v, double floor) {
            for (double& x : v)
                x = std::max(x, floor);
            return v;
        };
        if (page == 0) {
            double top = -400;
            for (double v : curves_->idealDb)
                top = std::max(top, v);
            series.push_back(
                {curves_->frequency, floored(curves_->idealDb, top - 120), firstFilterColor});
            series.push_back(
                {curves_->frequency, floored(curves_->quantisedDb, top - 120), secondFilterColor});
            titles = {"f, доли FD", "дБ"};
        } else if (page == 1 && !curves_->noiseMeasuredDb.empty()) {
            series.push_back({curves_->noiseFrequency, floored(curves_->noiseMeasuredDb, -300),
                              firstFilterColor});
            if (!curves_->noiseComputedDb.empty())
                series.push_back({curves_->noiseFrequency, floored(curves_->noiseComputedDb, -300),
                                  secondFilterColor});
            titles = {"f, доли FD", "дБ"};
        } else if (page == 2 && !figures_->limitCycle.trace.empty()) {
            Series s;
            for (std::size_t n = 0; n < figures_->limitCycle.trace.size() && n < 512; ++n) {
                s.x.push_back(static_cast<double>(n));
                s.y.push_back(figures_->limitCycle.trace[n]);
            }
            series.push_back(s);
            titles = {"n", ""};
        }
    }
    if (series.empty()) {
        canvas.fillRect(0, 0, canvas.width(), canvas.height(), {255, 255, 255});
        frames_[static_cast<std::size_t>(page)] = PlotFrame{};
    } else {
        frames_[static_cast<std::size_t>(page)] = drawChart(canvas, series, page == 2, titles);
    }
    image->update();
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
        cell(2, text(formatReal(v.largestL1)));
        cell(3, fixedPointTarget(figures_->arithmetic.target)
                    ? text(formatReal(v.noiseAnalyticDbfs))
                    : QString());
        cell(4, text(formatReal(v.snrSimulatedDb)));
        cell(5, (v.overflowPossible ? QStringLiteral("переполнение ") : QString()) +
                    (v.best ? QStringLiteral("лучший") : QString()));
    }
    StringGrid1->resizeColumnsToContents();
}

void ImplementationWindow::savePicture(int page) {
    const auto path = prompts().savePictureName(
        {QStringLiteral("Сохранить рисунок"), QDir::currentPath(), QString(),
         QString::fromUtf8(pictureFilter), QStringLiteral("bmp")});
    if (!path)
        return;
    checkPictureName(path->toStdString(), Edit1->text().trimmed().toStdString(),
                     Edit2->text().trimmed().toStdString());
    saveAnalysisPicture(images_[static_cast<std::size_t>(page)]->canvas(), path->toStdString());
}

bool ImplementationWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseMove) {
        for (int i = 0; i < 3; ++i) {
            const PlotFrame& f = frames_[static_cast<std::size_t>(i)];
            if (watched != images_[static_cast<std::size_t>(i)] || !curves_)
                continue;
            const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
            if (!f.contains(at.x(), at.y())) {
                StaticText1->clear();
                continue;
            }
            const double x = f.valueX(at.x()), y = f.valueY(at.y());
            const char separator = decimalSeparator();
            const auto number = [separator](double v) {
                QString s = QString::number(v, 'g', 6);
                return separator == ',' ? s.replace(QLatin1Char('.'), QLatin1Char(',')) : s;
            };
            StaticText1->setText(i == 2 ? QStringLiteral("n = ") + number(std::round(x)) +
                                              QStringLiteral(", выход ") + number(y) +
                                              QStringLiteral(" младших разрядов")
                                        : QStringLiteral("f = ") + number(x) +
                                              QStringLiteral(" FD, ") + number(y) +
                                              QStringLiteral(" дБ"));
        }
    } else if (event->type() == QEvent::Leave) {
        StaticText1->clear();
    }
    return QWidget::eventFilter(watched, event);
}

ImplementationWindow* openImplementationWindow() {
    auto* form = new ImplementationWindow;
    QMdiSubWindow* window = showChildWindow(form, fixedChildFrame | Qt::WindowMaximizeButtonHint);
    if (QMdiArea* area = window->mdiArea())
        window->resize(QSize(1060, 600).boundedTo(area->viewport()->size()));
    return form;
}

} // namespace zorkan::ui
