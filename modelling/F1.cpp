#include "modelling/F1.h"

#include "common/errors.h"
#include "modelling/F2.h"
#include "modelling/filtering.h"
#include "modelling/modellingchart.h"
#include "ui/childwindow.h"
#include "ui/errorhandler.h"
#include "ui/picturebox.h"
#include "ui/prompts.h"
#include "ui/sharedstate.h"
#include "ui/windownumbers.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFocusEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <cmath>
#include <exception>

namespace zorkan::ui {

ModellingSettings& modellingSettings() {
    static ModellingSettings settings;
    return settings;
}

const char* const filterNotLoadedMessage = "Параметры фильтра не считаны!!!!";

namespace {

QPointer<TFormSin> current;

const char* const lawNames[] = {"Равномерное", "Гаусовское", "Нет"};

QString lawName(SignalKind law) {
    return QString::fromUtf8(lawNames[law - uniformNoiseSine]);
}

double largestMagnitude(const SampleBlock& block) {
    double m = 0;
    for (double v : block)
        m = std::fmax(m, std::fabs(v));
    return m;
}

void say(const QString& text) {
    prompts().message(MessageIcon::None, applicationTitle(), text);
}

FileRunProgressHook fileRunProgressHook;

bool sameFile(const QString& a, const QString& b) {
    const QFileInfo fa(a), fb(b);
    return fa.absoluteFilePath() == fb.absoluteFilePath() ||
           (fa.exists() && fb.exists() && fa.canonicalFilePath() == fb.canonicalFilePath());
}

} // namespace

// A file run: the open input and the names of the output and the work file, handed to the
// worker thread, and what comes back.
struct TFormSin::FileRun {
    std::unique_ptr<TextReader> input;
    QString workPath;
    SectionTables tables;
    int sectionCount = 0;
    QString inputPath;
    QString outputPath;
    qint64 inputBytes = 0;
    std::atomic<bool> cancel = false;
    std::atomic<std::uint64_t> done = 0;
    std::atomic<std::uint64_t> bytesRead = 0;
    FilterRunResult result;
    std::exception_ptr failure;

    void run() {
        try {
            FilterRunControl control;
            control.cancel = &cancel;
            control.onProgress = [this](std::uint64_t samples) {
                bytesRead = input->position();
                done = samples;
                if (fileRunProgressHook)
                    fileRunProgressHook(samples, cancel);
            };
            result = filterSignalFile(*input, inputPath.toStdString(), outputPath.toStdString(),
                                      workPath.toStdString(), tables, sectionCount, control);
        } catch (...) {
            failure = std::current_exception();
        }
        // The output and the work file are in place (or untouched) by now; the input closes here.
        input.reset();
    }
};

TFormSin::TFormSin(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("FormSin"));
    setWindowTitle(QStringLiteral("Моделирование цифровых фильтров"));
    setFixedSize(617, 352);
    modellingSettings() = ModellingSettings{};
    createControls();
}

TFormSin::~TFormSin() {
    cancelFileRun();
}

void TFormSin::createControls() {
    QFont bold = font();
    bold.setBold(true);
    auto* title = new QLabel(QStringLiteral("Моделирование цифровых фильтров"), this);
    title->setObjectName(QStringLiteral("Label1"));
    title->setFont(bold);
    title->setGeometry(12, 3, 300, 20);
    auto* fileText = new QLabel(QStringLiteral("Параметры  фильтра"), this);
    fileText->setObjectName(QStringLiteral("Label2"));
    fileText->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    fileText->setGeometry(318, 3, 140, 20);
    BitBtn4 = new QPushButton(style()->standardIcon(QStyle::SP_DialogOpenButton),
                              QStringLiteral("Считать из файла"), this);
    BitBtn4->setObjectName(QStringLiteral("BitBtn4"));
    BitBtn4->setGeometry(464, 1, 148, 24);
    connect(BitBtn4, &QPushButton::clicked, this, &TFormSin::BitBtn4Click);

    Image1 = new PictureBox(modellingChartWidth, modellingChartHeight, this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->move(8, 27);
    Image1->setToolTip(QStringLiteral("Двойной щелчок - сохранить рисунок"));

    const auto panel = [this](const char* name, int x, int width) {
        auto* p = new QFrame(this);
        p->setObjectName(QString::fromLatin1(name));
        p->setFrameStyle(QFrame::Panel | QFrame::Raised);
        p->setGeometry(x, 252, width, 96);
        return p;
    };
    const auto caption = [](QWidget* parent, int number, const char* text, int x, int y, int w) {
        auto* l = new QLabel(QString::fromUtf8(text), parent);
        l->setObjectName(QStringLiteral("Label") + QString::number(number));
        l->setGeometry(x, y, w, 18);
        return l;
    };
    // A caption and, 2 pixels right of it, the value it names (the next label number).
    const auto reading = [&](QWidget* parent, int number, const char* text, int x, int y,
                             int captionWidth, int valueWidth) {
        caption(parent, number, text, x, y, captionWidth);
        auto* l = new QLabel(parent);
        l->setObjectName(QStringLiteral("Label") + QString::number(number + 1));
        l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        l->setGeometry(x + captionWidth + 2, y, valueWidth, 18);
        return l;
    };

    QFrame* settings = panel("Panel1", 8, 196);
    Label4 = reading(settings, 3, "Frec :", 8, 6, 56, 120);
    Label6 = reading(settings, 5, "Nois :", 8, 27, 56, 120);
    Label8 = reading(settings, 7, "Sigma :", 8, 48, 56, 120);
    BitBtn1 = new QPushButton(QStringLiteral("Синус"), settings);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setFont(bold);
    BitBtn1->setGeometry(8, 68, 178, 24);
    connect(BitBtn1, &QPushButton::clicked, this, &TFormSin::BitBtn1Click);

    QFrame* results = panel("Panel2", 208, 196);
    Label10 = reading(results, 9, "Max IN :", 6, 6, 64, 116);
    Label12 = reading(results, 11, "Max OUT :", 6, 27, 64, 116);
    Label14 = reading(results, 13, "Step :", 6, 48, 64, 116);
    const auto strobe = [&](const char* name, int labelNumber, const char* text, int x) {
        QLabel* l = caption(results, labelNumber, text, x, 71, 46);
        auto* e = new QLineEdit(results);
        e->setObjectName(QString::fromLatin1(name));
        e->setGeometry(x + 46, 69, 44, 22);
        e->installEventFilter(this);
        l->setBuddy(e);
        connect(e, &QLineEdit::textChanged, this, &TFormSin::strobeTextChanged);
        return e;
    };
    Edit1 = strobe("Edit1", 15, "F Strob", 6);
    Edit2 = strobe("Edit2", 16, "L Strob", 98);

    const auto button = [this](const char* name, const char* text, int x, int y, int w) {
        auto* b = new QPushButton(QString::fromUtf8(text), this);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(x, y, w, 26);
        return b;
    };
    BitBtn2 = button("BitBtn2", "Импульс", 410, 254, 100);
    BitBtn3 = button("BitBtn3", "Ступенька", 513, 254, 99);
    BitBtn5 = button("BitBtn5", "Обработка файла", 410, 288, 202);
    BitBtn6 = button("BitBtn6", "Выход", 410, 322, 202);
    BitBtn6->setIcon(QIcon(QStringLiteral(":/pictures/close.png")));
    connect(BitBtn2, &QPushButton::clicked, this, &TFormSin::BitBtn2Click);
    connect(BitBtn3, &QPushButton::clicked, this, &TFormSin::BitBtn3Click);
    connect(BitBtn5, &QPushButton::clicked, this, &TFormSin::BitBtn5Click);
    connect(BitBtn6, &QPushButton::clicked, this, [this] {
        if (parentWidget())
            parentWidget()->close();
        else
            close();
    });

    // Over the chart's foot while a file is filtered.
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setGeometry(16, 217, 480, 24);
    ProgressBar1->setRange(0, 1000);
    ProgressBar1->hide();
    BitBtn7 = button("BitBtn7", "Отмена", 502, 216, 98);
    BitBtn7->hide();
    connect(BitBtn7, &QPushButton::clicked, this, &TFormSin::BitBtn7Click);
    progressTimer_ = new QTimer(this);
    progressTimer_->setInterval(100);
    connect(progressTimer_, &QTimer::timeout, this, &TFormSin::showProgress);
}

void TFormSin::fillFromSettings() {
    const ModellingSettings& s = modellingSettings();
    Label14->setText(showFixed(strobeStep({s.FirstStrobe, s.LastStrobe}), 7, 4));
    Edit1->setText(QString::number(s.FirstStrobe));
    Edit2->setText(QString::number(s.LastStrobe));
    Label4->setText(showFixed(s.SignalFrequency, 7, 4));
    Label6->setText(lawName(uniformNoiseSine));
    Label8->setText(showFixed(s.NoiseSigma, 7, 4));
    Label10->setText(QStringLiteral(" "));
    Label12->setText(QStringLiteral(" "));
}

void TFormSin::clearPlot() {
    zorkan::clearPlot(Image1->canvas());
    Image1->update();
}

void TFormSin::plotTraces(const TestSignalBuffer& input, const TestSignalBuffer& output,
                          double maxIn, double maxOut) {
    const ModellingSettings& s = modellingSettings();
    zorkan::plotTraces(Image1->canvas(), {s.FirstStrobe, s.LastStrobe}, input, output, maxIn,
                       maxOut);
    Image1->update();
    Label10->setText(showFixed(maxIn, 7, 5));
    Label12->setText(showFixed(maxOut, 7, 5));
    showStep();
}

void TFormSin::showStep() {
    const ModellingSettings& s = modellingSettings();
    Label14->setText(showFixed(strobeStep({s.FirstStrobe, s.LastStrobe}), 7, 5));
}

bool TFormSin::filterLoadedOrSay() {
    if (modellingSettings().FilterLoaded)
        return true;
    say(QString::fromUtf8(filterNotLoadedMessage));
    return false;
}

void TFormSin::runTestSignal(SignalKind kind) {
    ModellingSettings& s = modellingSettings();
    TestSignalBuffer input{};
    TestSignalBuffer output{};
    const double maxIn = generateTestSignal(kind, s.SignalFrequency, s.NoiseSigma, input);
    const SectionTables& tables = modellingTables();
    const double maxOut = filterBlock(input, tables, tables.sectionCount(), output);
    plotTraces(input, output, maxIn, maxOut);
}

void TFormSin::BitBtn1Click() {
    if (!filterLoadedOrSay())
        return;
    clearPlot();
    ModellingSettings& s = modellingSettings();

    // The dialog stays, hidden, until this window goes.
    auto* dialog = new TSetupForm(this);
    dialog->frequencyField()->setText(showFixed(s.SignalFrequency, 7, 4));
    dialog->sigmaField()->setText(showFixed(s.NoiseSigma, 7, 4));
    if (prompts().showModal(dialog) != QDialog::Accepted)
        return; // the settings are as they were and the chart stays empty
    dialog->hide();

    // Both fields are read and checked before either setting changes.
    const double frequency = readReal(dialog->frequencyField()->text());
    const double sigma = readReal(dialog->sigmaField()->text());
    if (!(frequency > 0 && frequency <= 2)) {
        say(QString::fromUtf8(badNumberMessage) + dialog->frequencyField()->text());
        return;
    }
    if (!(sigma > 0 && sigma <= 100)) {
        say(QString::fromUtf8(badNumberMessage) + dialog->sigmaField()->text());
        return;
    }
    s.SignalFrequency = frequency;
    s.NoiseSigma = sigma;
    Label4->setText(showFixed(s.SignalFrequency, 7, 4));
    const QString law = dialog->lawSelector()->currentText();
    for (SignalKind k = uniformNoiseSine; k <= plainSine; ++k)
        if (law == lawName(k))
            s.NoiseLaw = k;
    Label6->setText(lawName(s.NoiseLaw));
    // "Нет" has no sigma; otherwise the sigma now in force is shown.
    Label8->setText(s.NoiseLaw == plainSine ? QStringLiteral("   ")
                                            : showFixed(s.NoiseSigma, 7, 4));
    runTestSignal(s.NoiseLaw);
}

void TFormSin::BitBtn2Click() {
    if (!filterLoadedOrSay())
        return;
    clearPlot();
    runTestSignal(impulseSignal);
}

void TFormSin::BitBtn3Click() {
    if (!filterLoadedOrSay())
        return;
    clearPlot();
    runTestSignal(stepSignal);
}

void TFormSin::BitBtn4Click() {
    clearPlot();
    const auto path =
        prompts().openFileName({QStringLiteral("Открыть"), QDir::currentPath(), QString(),
                                QStringLiteral("Files (*.flt)|*.flt"), QString()});
    if (!path)
        return;
    // A file that fails leaves the tables and the loaded state as they were.
    loadModellingFilter(path->toStdString(), modellingTables());
    modellingSettings().FilterLoaded = true;
}

void TFormSin::BitBtn5Click() {
    if (!filterLoadedOrSay())
        return;
    clearPlot();
    const auto inputPath =
        prompts().openFileName({QStringLiteral("Открыть"), QDir::currentPath(), QString(),
                                QStringLiteral("Исходный файл|*.xicd"), QStringLiteral("xicd")});
    if (!inputPath)
        return;
    const auto outputPath =
        prompts().saveFileName({QStringLiteral("Сохранить"), QDir::currentPath(), QString(),
                                QStringLiteral("Выходной файл|*.yicd"), QStringLiteral("yicd")});
    if (!outputPath)
        return;
    const QString workPath = QDir::current().filePath(QString::fromLatin1(workFileName));
    // Creating the output or the work file would empty the input.
    if (sameFile(*inputPath, *outputPath) || sameFile(*inputPath, workPath) ||
        sameFile(*outputPath, workPath)) {
        say(QStringLiteral("Исходный, выходной и рабочий (%1) файлы должны быть разными")
                .arg(QString::fromLatin1(workFileName)));
        return;
    }

    auto run = std::make_unique<FileRun>();
    run->input = std::make_unique<TextReader>(inputPath->toStdString());
    run->workPath = workPath;
    run->tables = modellingTables();
    run->sectionCount = run->tables.sectionCount();
    run->inputPath = *inputPath;
    run->outputPath = *outputPath;
    run->inputBytes = QFileInfo(*inputPath).size();
    run_ = std::move(run);

    FileRun* job = run_.get();
    thread_ = QThread::create([job] { job->run(); });
    connect(thread_, &QThread::finished, this, &TFormSin::fileRunFinished);
    setRunning(true);
    thread_->start();
}

void TFormSin::BitBtn7Click() {
    if (run_)
        run_->cancel = true;
}

void TFormSin::setRunning(bool running) {
    for (QWidget* w :
         std::initializer_list<QWidget*>{BitBtn1, BitBtn2, BitBtn3, BitBtn4, BitBtn5, Edit1, Edit2})
        w->setEnabled(!running);
    ProgressBar1->setValue(0);
    ProgressBar1->setFormat(QStringLiteral("Обработано отсчётов: 0"));
    ProgressBar1->setVisible(running);
    BitBtn7->setVisible(running);
    if (running) {
        QApplication::setOverrideCursor(Qt::BusyCursor);
        progressTimer_->start();
    } else {
        QApplication::restoreOverrideCursor();
        progressTimer_->stop();
    }
}

void TFormSin::showProgress() {
    if (!run_)
        return;
    const std::uint64_t done = run_->done;
    // The bar follows the bytes read, whatever the length of the lines; the count is exact.
    const auto size = static_cast<std::uint64_t>(std::max<qint64>(run_->inputBytes, 1));
    const std::uint64_t read = run_->bytesRead;
    ProgressBar1->setValue(static_cast<int>(std::min<std::uint64_t>(999, read * 1000 / size)));
    ProgressBar1->setFormat(QStringLiteral("Обработано отсчётов: %1").arg(done));
}

void TFormSin::fileRunFinished() {
    if (!thread_)
        return;
    thread_->wait();
    thread_->deleteLater();
    thread_ = nullptr;
    std::unique_ptr<FileRun> run = std::move(run_);
    setRunning(false);
    if (closing_ || !run)
        return;
    if (run->failure)
        std::rethrow_exception(run->failure); // the general error handler shows it
    if (!run->result.completed) {
        // The complete lines written so far stay; the maxima of an earlier run go.
        Label10->setText(QStringLiteral(" "));
        Label12->setText(QStringLiteral(" "));
        sayCancelled(run->outputPath, run->result.samples);
        return;
    }
    const SampleBlock input = readSampleBlock(run->inputPath.toStdString());
    const SampleBlock output = readSampleBlock(run->outputPath.toStdString());
    plotTraces(input, output, largestMagnitude(input), largestMagnitude(output));
}

std::unique_ptr<TFormSin::FileRun> TFormSin::cancelFileRun() {
    if (!thread_)
        return nullptr;
    if (run_)
        run_->cancel = true;
    thread_->wait();
    delete thread_;
    thread_ = nullptr;
    QApplication::restoreOverrideCursor();
    progressTimer_->stop();
    return std::move(run_);
}

void TFormSin::sayCancelled(const QString& outputPath, std::uint64_t samples) {
    prompts().message(MessageIcon::Information, applicationTitle(),
                      QStringLiteral("Обработка прервана: в файл %1 записано отсчётов: %2")
                          .arg(QDir::toNativeSeparators(outputPath))
                          .arg(samples));
}

bool TFormSin::stopFileRunAsked() {
    return prompts().ask(applicationTitle(), QStringLiteral("Прервать обработку файла?"));
}

void TFormSin::strobeTextChanged() {
    clearPlot();
    Label14->setText(QStringLiteral(" "));
}

void TFormSin::checkStrobe(QLineEdit* field) {
    if (checking_ || closing_)
        return;
    checking_ = true;
    try {
        ModellingSettings& s = modellingSettings();
        const std::int64_t v = readInteger(field->text());
        const bool first = field == Edit1;
        const bool good = first ? v >= 1 && v <= s.LastStrobe : v >= s.FirstStrobe && v <= 1024;
        if (good) {
            (first ? s.FirstStrobe : s.LastStrobe) = static_cast<std::uint16_t>(v);
            showStep();
        } else {
            say(QString::fromUtf8(badNumberMessage) + field->text());
            field->setFocus();
        }
    } catch (const Error& error) {
        reportError(error);
        field->setFocus();
    }
    checking_ = false;
}

bool TFormSin::eventFilter(QObject* watched, QEvent* event) {
    // Closing the main window while a file is filtered asks first; the run itself stops
    // when this window goes with the main one.
    if (event->type() == QEvent::Close && watched == window() && watched != this &&
        fileRunActive() && !stopFileRunAsked()) {
        event->ignore();
        return true;
    }
    if (watched == Edit1 || watched == Edit2) {
        if (event->type() == QEvent::FocusIn && watched == Edit1) {
            // Entered by the user; the focus coming back from a message is not that.
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
                reason == Qt::MouseFocusReason || reason == Qt::ShortcutFocusReason)
                checkStrobe(Edit1);
        } else if (event->type() == QEvent::FocusOut) {
            // Leaving for another control of this window.
            const QWidget* next = QApplication::focusWidget();
            if (next && isAncestorOf(next))
                checkStrobe(static_cast<QLineEdit*>(watched));
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TFormSin::closeEvent(QCloseEvent* event) {
    // "Нет" keeps the run and the window.
    if (fileRunActive() && !stopFileRunAsked()) {
        event->ignore();
        return;
    }
    closing_ = true;
    const std::unique_ptr<FileRun> stopped = cancelFileRun();
    shared().flags.ModellingWindowOpen = 0;
    if (current == this)
        current = nullptr;
    QWidget::closeEvent(event);
    if (stopped && !stopped->failure && !stopped->result.completed)
        sayCancelled(stopped->outputPath, stopped->result.samples);
}

TFormSin* openModellingWindow() {
    auto* form = new TFormSin;
    showChildWindow(form, fixedChildFrame);
    form->window()->installEventFilter(form);
    current = form;
    return form;
}

void setFileRunProgressHook(FileRunProgressHook hook) {
    fileRunProgressHook = std::move(hook);
}

TFormSin* modellingWindow() {
    return current;
}

} // namespace zorkan::ui
