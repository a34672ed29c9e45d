#include "listening/listeningwindow.h"

#include "common/errors.h"
#include "listening/abdevice.h"
#include "listening/abplayback.h"
#include "listening/audiooutput.h"
#include "listening/soundfile.h"
#include "listening/soundfilter.h"
#include "ui/childwindow.h"
#include "ui/errorhandler.h"
#include "ui/prompts.h"
#include "ui/windownumbers.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QStyle>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <cmath>
#include <exception>

namespace zorkan::ui {

namespace {

const QString soundFilter = QStringLiteral(
    "Звуковые файлы|*.wav;*.flac;*.ogg;*.oga;*.aif;*.aiff;*.au;*.caf;*.w64|Все файлы|*.*");

void say(const QString& text) {
    prompts().message(MessageIcon::None, applicationTitle(), text);
}

// Minutes, seconds and tenths ("1:05.3"), with the user's decimal separator.
QString minutes(std::int64_t ms) {
    return QStringLiteral("%1:%2%3%4")
        .arg(ms / 60000)
        .arg(ms / 1000 % 60, 2, 10, QLatin1Char('0'))
        .arg(QLatin1Char(decimalSeparator()))
        .arg(ms / 100 % 10);
}

std::string path8(const QString& path) {
    return path.toUtf8().toStdString();
}

} // namespace

// One filtering run, handed to the worker thread, and what comes back.
struct ListeningWindow::Run {
    std::string filterPath, input, output;
    SoundFilterOptions options;
    std::atomic<bool> cancel = false;
    std::atomic<std::uint64_t> done = 0, total = 0;
    SoundFilterResult result;
    std::exception_ptr failure;

    void run() {
        try {
            SoundRunControl control;
            control.cancel = &cancel;
            control.onProgress = [this](std::uint64_t d, std::uint64_t t) {
                done = d;
                total = t;
            };
            result = filterSoundFile(filterPath, input, output, options, control);
        } catch (...) {
            failure = std::current_exception();
        }
    }
};

ListeningWindow::ListeningWindow(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("ListeningForm"));
    setWindowTitle(QStringLiteral("Прослушивание фильтра"));
    setFixedSize(560, 340);
    createControls();
}

ListeningWindow::~ListeningWindow() {
    cancelRun();
    releasePlayback();
}

void ListeningWindow::createControls() {
    const auto label = [this](const char* name, const QString& text, QRect at) {
        auto* l = new QLabel(text, this);
        l->setObjectName(QString::fromLatin1(name));
        l->setGeometry(at);
        return l;
    };
    const auto button = [this](const char* name, const QString& text, QRect at,
                               const QString& hint) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(at);
        b->setToolTip(hint);
        b->setStatusTip(hint);
        return b;
    };
    const auto edit = [this](const char* name, QRect at) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(name));
        e->setGeometry(at);
        return e;
    };

    label("Label1", QStringLiteral("Звуковой файл"), {8, 10, 108, 22});
    Edit1 = edit("Edit1", {116, 10, 334, 22});
    BitBtn1 = button("BitBtn1", QStringLiteral("Выбрать..."), {458, 8, 94, 26},
                     QStringLiteral("Выбор звукового файла (WAV, FLAC, OGG, AIFF)"));
    label("Label2", QStringLiteral("Файл фильтра"), {8, 42, 108, 22});
    Edit2 = edit("Edit2", {116, 42, 334, 22});
    BitBtn2 = button("BitBtn2", QStringLiteral("Выбрать..."), {458, 40, 94, 26},
                     QStringLiteral("Выбор файла параметров фильтра"));
    CheckBox1 = new QCheckBox(QStringLiteral("Нормировать: пик -1 дБ"), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->setGeometry(8, 74, 210, 22);
    // Designed filters seldom have unit gain; without this most files would clip.
    CheckBox1->setChecked(true);
    CheckBox1->setStatusTip(QStringLiteral("Усиление, при котором пик выходного сигнала -1 дБ"));
    CheckBox2 = new QCheckBox(QStringLiteral("32 бит с плавающей точкой"), this);
    CheckBox2->setObjectName(QStringLiteral("CheckBox2"));
    CheckBox2->setGeometry(222, 74, 228, 22);
    CheckBox2->setStatusTip(QStringLiteral("Записать отсчеты числами с плавающей точкой"));
    BitBtn3 = button("BitBtn3", QStringLiteral("Фильтровать"), {458, 72, 94, 26},
                     QStringLiteral("Пропустить звуковой файл через фильтр"));

    label("Label6", QStringLiteral("Реализация"), {8, 104, 108, 22});
    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setGeometry(116, 104, 150, 22);
    ComboBox1->addItems({QStringLiteral("нет (фильтр в double)"), QStringLiteral("double"),
                         QStringLiteral("float"), QStringLiteral("float с FMA"),
                         QStringLiteral("q15"), QStringLiteral("q31"),
                         QStringLiteral("свой формат"), QStringLiteral("CMSIS-DSP q15"),
                         QStringLiteral("CMSIS-DSP q31"), QStringLiteral("CMSIS-DSP f32")});
    const QString targetHint = QStringLiteral(
        "Арифметика устройства: B - выход реализации, третье положение переключателя - ее ошибка");
    ComboBox1->setToolTip(targetHint);
    ComboBox1->setStatusTip(targetHint);
    const auto spin = [this, &label](const char* name, const char* labelName, const char* caption,
                                     int x, int value, const QString& hint) {
        label(labelName, QString::fromLatin1(caption), {x, 104, 16, 22});
        auto* s = new QSpinBox(this);
        s->setObjectName(QString::fromLatin1(name));
        s->setGeometry(x + 16, 104, 46, 22);
        // Two digits, so that a word out of range is refused with a word instead of
        // losing its last digit as it is typed; "—" where the arithmetic has no words.
        s->setRange(1, maximumTypedBits);
        s->setSpecialValueText(QStringLiteral("—"));
        s->setValue(value);
        s->setToolTip(hint);
        s->setStatusTip(hint);
        return s;
    };
    SpinEdit1 = spin("SpinEdit1", "Label7", "W", 272, 16,
                     QStringLiteral("Длина слова данных W, бит (от 4 до 32)"));
    SpinEdit2 = spin("SpinEdit2", "Label8", "C", 338, 16,
                     QStringLiteral("Длина слова коэффициентов C, бит (от 4 до 32)"));
    Label9 = label("Label9", QString(), {406, 100, 146, 30});
    QFont rulesFont = Label9->font();
    rulesFont.setPointSize(8);
    Label9->setFont(rulesFont);
    Label9->setWordWrap(true);
    const QString rulesHint = QStringLiteral("Округление и переполнение выхода секции");
    Label9->setToolTip(rulesHint);
    Label9->setStatusTip(rulesHint);
    connect(ComboBox1, &QComboBox::currentIndexChanged, this, &ListeningWindow::showTargetWords);
    showTargetWords();

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setGeometry(8, 136, 442, 24);
    ProgressBar1->setRange(0, 1000);
    ProgressBar1->hide();
    BitBtn4 = button("BitBtn4", QStringLiteral("Отмена"), {458, 135, 94, 26},
                     QStringLiteral("Прервать фильтрацию"));
    BitBtn4->hide();

    // Room for the summary and a few warnings under it.
    Label3 = label("Label3", QString(), {8, 166, 544, 96});
    Label3->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Label3->setWordWrap(true);
    Label3->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label3->setMargin(3);

    TrackBar1 = new QSlider(Qt::Horizontal, this);
    TrackBar1->setObjectName(QStringLiteral("TrackBar1"));
    TrackBar1->setGeometry(8, 272, 442, 24);
    TrackBar1->setRange(0, 0);
    TrackBar1->setStatusTip(QStringLiteral("Место воспроизведения"));
    Label4 = label("Label4", minutes(0) + QStringLiteral(" / ") + minutes(0), {458, 272, 94, 24});

    BitBtn5 = button("BitBtn5", QStringLiteral("Воспроизвести"), {8, 304, 110, 28},
                     QStringLiteral("Воспроизведение с текущего места"));
    BitBtn6 = button("BitBtn6", QStringLiteral("Пауза"), {124, 304, 80, 28},
                     QStringLiteral("Пауза воспроизведения"));
    BitBtn7 = button("BitBtn7", QStringLiteral("Стоп"), {210, 304, 80, 28},
                     QStringLiteral("Остановить и вернуться к началу"));
    BitBtn8 = button("BitBtn8", QStringLiteral("A/B  (B)"), {296, 304, 90, 28},
                     QStringLiteral("Переключение исходный / отфильтрованный звук, с реализацией "
                                    "и ее ошибка (клавиша B)"));
    Label5 = label("Label5", QString(), {394, 304, 158, 28});
    showChoice();
    setPlaybackEnabled(false);
    BitBtn8->setEnabled(false);

    progressTimer_ = new QTimer(this);
    progressTimer_->setInterval(100);
    positionTimer_ = new QTimer(this);
    positionTimer_->setInterval(50);

    connect(BitBtn1, &QPushButton::clicked, this, &ListeningWindow::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &ListeningWindow::BitBtn2Click);
    connect(BitBtn3, &QPushButton::clicked, this, &ListeningWindow::BitBtn3Click);
    connect(BitBtn4, &QPushButton::clicked, this, &ListeningWindow::BitBtn4Click);
    connect(BitBtn5, &QPushButton::clicked, this, &ListeningWindow::BitBtn5Click);
    connect(BitBtn6, &QPushButton::clicked, this, &ListeningWindow::BitBtn6Click);
    connect(BitBtn7, &QPushButton::clicked, this, &ListeningWindow::BitBtn7Click);
    connect(BitBtn8, &QPushButton::clicked, this, &ListeningWindow::BitBtn8Click);
    connect(Edit1, &QLineEdit::editingFinished, this, &ListeningWindow::soundEdited);
    connect(TrackBar1, &QSlider::valueChanged, this, &ListeningWindow::barMoved);
    connect(progressTimer_, &QTimer::timeout, this, &ListeningWindow::showProgress);
    connect(positionTimer_, &QTimer::timeout, this, &ListeningWindow::showPosition);
}

void ListeningWindow::BitBtn1Click() {
    FileDialogRequest request{QStringLiteral("Звуковой файл"), QDir::currentPath(), QString(),
                              soundFilter, QString()};
    if (const std::optional<QString> path = prompts().openFileName(request)) {
        Edit1->setText(*path);
        soundChosen(*path);
    }
}

void ListeningWindow::soundEdited() {
    if (Edit1->text() != shownSound_)
        soundChosen(Edit1->text());
}

void ListeningWindow::soundChosen(const QString& path) {
    // The sounds of the last run no longer belong to the file named here.
    releasePlayback();
    Label3->clear();
    shownSound_ = path;
    if (path.isEmpty())
        return;
    namingFiles([&] {
        const SoundReader reader(path8(path));
        Label3->setText(QString::fromStdString(
            soundDescription(reader.info(), static_cast<std::uint64_t>(reader.info().frames))));
    });
}

void ListeningWindow::BitBtn2Click() {
    FileDialogRequest request{QStringLiteral("Файл параметров фильтра"), QDir::currentPath(),
                              QString(),
                              QStringLiteral("Файлы фильтров|*.flt;*.fir|Файлы параметров "
                                             "фильтра|*.flt|КИХ-фильтры|*.fir"),
                              QStringLiteral("flt")};
    if (const std::optional<QString> path = prompts().openFileName(request))
        Edit2->setText(*path);
}

void ListeningWindow::BitBtn3Click() {
    if (run_)
        return;
    if (Edit1->text().isEmpty()) {
        say(QStringLiteral("Не выбран звуковой файл"));
        return;
    }
    if (Edit2->text().isEmpty()) {
        say(QStringLiteral("Не выбран файл параметров фильтра"));
        return;
    }
    if (Edit1->text() != shownSound_)
        soundChosen(Edit1->text());
    // Both files and the words are checked before the user is asked for a name to write.
    namingFiles([&] {
        // A ".fir" file is read as an FIR filter's taps, whose reader names the line.
        if (isFirFileName(path8(Edit2->text())))
            readFirFile(path8(Edit2->text()));
        else
            readListeningFilter(path8(Edit2->text()));
        const SoundReader readable(path8(Edit1->text()));
    });
    chosenImplementation();
    const QFileInfo source(Edit1->text());
    const QString proposed =
        QFileInfo(QString::fromStdString(proposedOutputName(path8(source.fileName())))).fileName();
    FileDialogRequest request{QStringLiteral("Отфильтрованный звуковой файл"),
                              source.absolutePath(), proposed, soundFilter, source.suffix()};
    const std::optional<QString> output = prompts().saveFileName(request);
    if (!output)
        return;
    checkOutputName(path8(Edit2->text()), path8(Edit1->text()), path8(*output));
    if (QFileInfo::exists(*output) &&
        !prompts().ask(
            applicationTitle(),
            QStringLiteral("Файл %1 уже существует. Заменить?").arg(QFileInfo(*output).fileName())))
        return;
    // The older filtered file may be the one written now.
    releasePlayback();

    auto run = std::make_unique<Run>();
    run->filterPath = path8(Edit2->text());
    run->input = path8(Edit1->text());
    run->output = path8(*output);
    run->options.normalise = CheckBox1->isChecked();
    run->options.floatOutput = CheckBox2->isChecked();
    if (const std::optional<ImplementationOptions> implementation = chosenImplementation()) {
        // The error is heard from a file of its own, removed with the window.
        errorFolder_ = std::make_unique<QTemporaryDir>();
        if (!errorFolder_->isValid())
            throw UserMessage("Не удалось создать временную папку для ошибки реализации");
        run->options.implementation = implementation;
        run->options.errorOutput = path8(errorFolder_->filePath(QStringLiteral("error.wav")));
    }
    run_ = std::move(run);
    Run* job = run_.get();
    thread_ = QThread::create([job] { job->run(); });
    connect(thread_, &QThread::finished, this, &ListeningWindow::runFinished);
    setRunning(true);
    thread_->start();
}

void ListeningWindow::BitBtn4Click() {
    if (run_)
        run_->cancel = true;
}

void ListeningWindow::setRunning(bool running) {
    for (QWidget* w : {static_cast<QWidget*>(BitBtn1), static_cast<QWidget*>(BitBtn2),
                       static_cast<QWidget*>(BitBtn3), static_cast<QWidget*>(CheckBox1),
                       static_cast<QWidget*>(CheckBox2), static_cast<QWidget*>(ComboBox1)})
        w->setEnabled(!running);
    const bool own = !running && chosenTarget() == Target::Fixed;
    SpinEdit1->setEnabled(own);
    SpinEdit2->setEnabled(own);
    ProgressBar1->setValue(0);
    ProgressBar1->setVisible(running);
    BitBtn4->setVisible(running);
    if (running) {
        Label3->setText(QStringLiteral("Фильтрация..."));
        QApplication::setOverrideCursor(Qt::BusyCursor);
        progressTimer_->start();
    } else {
        QApplication::restoreOverrideCursor();
        progressTimer_->stop();
    }
}

void ListeningWindow::showProgress() {
    if (!run_)
        return;
    const std::uint64_t total = run_->total, done = run_->done;
    if (total > 0)
        ProgressBar1->setValue(
            static_cast<int>(std::min<std::uint64_t>(1000, done * 1000 / total)));
}

void ListeningWindow::runFinished() {
    if (!thread_)
        return;
    thread_->wait();
    thread_->deleteLater();
    thread_ = nullptr;
    std::unique_ptr<Run> run = std::move(run_);
    setRunning(false);
    if (run->failure) {
        Label3->clear();
        // The general error handler shows it.
        namingFiles([&] { std::rethrow_exception(run->failure); });
    }
    if (!run->result.completed) {
        Label3->setText(QStringLiteral("Фильтрация отменена: выходной файл не записан"));
        return;
    }
    QString summary = QString::fromStdString(soundSummary(run->result));
    // The file's name ends the first line, before any "Внимание:" line of the summary.
    const qsizetype end = summary.indexOf(QLatin1Char('\n'));
    summary.insert(end < 0 ? summary.size() : end,
                   QStringLiteral("; записан файл ") +
                       QFileInfo(QString::fromStdString(run->output)).fileName());
    for (const std::string& line :
         soundWarnings(run->result, "их не будет с нормировкой (флажок «Нормировать: пик -1 дБ»)"))
        summary += QLatin1Char('\n') + QString::fromStdString(line);
    Label3->setText(summary);
    source_ = std::make_unique<AbSource>(run->input, run->output, run->options.errorOutput,
                                         run->result.errorGain);
    errorGainText_ = QString();
    if (run->result.arithmetic) {
        const double db = 20 * std::log10(run->result.errorGain);
        // Whole decibels, to fit beside the switch; the summary gives a tenth.
        errorGainText_ = QStringLiteral("%1%2 дБ")
                             .arg(db >= 0 ? QStringLiteral("+") : QString())
                             .arg(QString::number(db, 'f', 0));
    }
    device_ = std::make_unique<AbDevice>(*source_);
    // Unbuffered: the sink gets what readData makes at the moment it asks, so a switch
    // is not delayed by a read-ahead of the device.
    device_->open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    TrackBar1->setRange(0, static_cast<int>(source_->frames() * 1000 / source_->rate()));
    showChoice();
    showPosition();
    setPlaybackEnabled(!noOutput_);
    BitBtn8->setEnabled(true);
}

void ListeningWindow::cancelRun() {
    if (!thread_)
        return;
    if (run_)
        run_->cancel = true;
    thread_->wait();
    delete thread_;
    thread_ = nullptr;
    run_.reset();
    QApplication::restoreOverrideCursor();
    progressTimer_->stop();
}

void ListeningWindow::releasePlayback() {
    if (output_)
        output_->stop();
    output_.reset();
    positionTimer_->stop();
    state_ = State::Stopped;
    device_.reset();
    source_.reset();
    errorFolder_.reset();
    TrackBar1->setRange(0, 0);
    Label4->setText(minutes(0) + QStringLiteral(" / ") + minutes(0));
    showChoice();
    setPlaybackEnabled(false);
    BitBtn8->setEnabled(false);
}

void ListeningWindow::setPlaybackEnabled(bool enabled) {
    for (QWidget* w : {static_cast<QWidget*>(BitBtn5), static_cast<QWidget*>(BitBtn6),
                       static_cast<QWidget*>(BitBtn7), static_cast<QWidget*>(TrackBar1)})
        w->setEnabled(enabled);
}

void ListeningWindow::BitBtn5Click() {
    if (!source_ || state_ == State::Playing)
        return;
    if (state_ == State::Paused) {
        output_->resume();
        state_ = State::Playing;
        positionTimer_->start();
        return;
    }
    if (source_->position() >= source_->frames())
        source_->seek(0);
    if (!output_)
        output_ = makeAudioOutput();
    const AudioStart started = output_->start(device_.get(), source_->rate(), source_->channels());
    if (started != AudioStart::Started) {
        output_.reset();
        setPlaybackEnabled(false);
        const QString other =
            QStringLiteral("Отфильтрованный файл записан и может быть прослушан другой программой");
        if (started == AudioStart::NoDevice) {
            noOutput_ = true;
            say(QStringLiteral("Нет устройства вывода звука: прослушивание невозможно. ") + other);
        } else {
            say(QStringLiteral("Устройство вывода звука не воспроизводит звук %1 Гц, каналов: "
                               "%2, 16 бит: прослушивание этого файла невозможно. ")
                    .arg(source_->rate())
                    .arg(source_->channels()) +
                other);
        }
        return;
    }
    state_ = State::Playing;
    positionTimer_->start();
}

void ListeningWindow::BitBtn6Click() {
    if (state_ != State::Playing)
        return;
    output_->suspend();
    state_ = State::Paused;
    positionTimer_->stop();
    showPosition();
}

void ListeningWindow::BitBtn7Click() {
    if (!source_)
        return;
    if (output_)
        output_->stop();
    state_ = State::Stopped;
    positionTimer_->stop();
    source_->seek(0);
    showPosition();
}

void ListeningWindow::BitBtn8Click() {
    if (!source_)
        return;
    source_->choose(source_->next());
    showChoice();
}

void ListeningWindow::keyPressEvent(QKeyEvent* event) {
    // B anywhere in this window (the controls here do not take letters) switches A/B.
    if (event->key() == Qt::Key_B && event->modifiers() == Qt::NoModifier) {
        if (BitBtn8->isEnabled())
            BitBtn8->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void ListeningWindow::showChoice() {
    const AbSound sound = source_ ? source_->chosen() : AbSound::Original;
    Label5->setText(sound == AbSound::Original ? QStringLiteral("Звучит: исходный")
                    : sound == AbSound::Filtered
                        ? (source_->hasError() ? QStringLiteral("Звучит: реализация")
                                               : QStringLiteral("Звучит: фильтрованный"))
                        : QStringLiteral("Звучит: ошибка ") + errorGainText_);
}

void ListeningWindow::showPosition() {
    if (!source_)
        return;
    const std::int64_t ms = source_->position() * 1000 / source_->rate();
    movingBar_ = true;
    TrackBar1->setValue(static_cast<int>(ms));
    movingBar_ = false;
    Label4->setText(minutes(ms) + QStringLiteral(" / ") +
                    minutes(source_->frames() * 1000 / source_->rate()));
    if (state_ == State::Playing && source_->position() >= source_->frames()) {
        // Played to the end: the next "Воспроизвести" starts again from the beginning.
        output_->stop();
        state_ = State::Stopped;
        positionTimer_->stop();
    }
}

void ListeningWindow::barMoved(int ms) {
    if (movingBar_ || !source_)
        return;
    source_->seek(static_cast<std::int64_t>(ms) * source_->rate() / 1000);
    showPosition();
}

std::optional<Target> ListeningWindow::chosenTarget() const {
    static constexpr Target targets[] = {Target::Double,   Target::Float,    Target::FloatFma,
                                         Target::Q15,      Target::Q31,      Target::Fixed,
                                         Target::CmsisQ15, Target::CmsisQ31, Target::CmsisF32};
    const int index = ComboBox1->currentIndex();
    if (index <= 0)
        return std::nullopt;
    return targets[index - 1];
}

// The words a target fixes from the target table, greyed; the own format's editable (its
// rounding and overflow those of the export: to nearest, saturation).
void ListeningWindow::showTargetWords() {
    const std::optional<Target> target = chosenTarget();
    const bool own = target == Target::Fixed;
    if (ownWordsShown_ && !own)
        ownWords_ = {SpinEdit1->value(), SpinEdit2->value()};
    Arithmetic shown;
    if (own) {
        SpinEdit1->setValue(ownWords_[0]);
        SpinEdit2->setValue(ownWords_[1]);
    } else if (target) {
        shown = namedArithmetic(*target);
        const bool fixes = targetRow(*target).dataBits != 0;
        SpinEdit1->setValue(fixes ? shown.dataBits : SpinEdit1->minimum());
        SpinEdit2->setValue(fixes ? shown.coefBits : SpinEdit2->minimum());
    } else {
        SpinEdit1->setValue(SpinEdit1->minimum());
        SpinEdit2->setValue(SpinEdit2->minimum());
    }
    ownWordsShown_ = own;
    SpinEdit1->setEnabled(own);
    SpinEdit2->setEnabled(own);
    const bool words = target && (own || targetRow(*target).dataBits != 0);
    Label9->setText(
        !words ? QString()
               : QString::fromUtf8(shown.rounding == Rounding::Nearest ? "к ближайшему"
                                                                       : "отбрасыванием") +
                     QString::fromUtf8(shown.overflow == Overflow::Saturate ? ", насыщение"
                                                                            : ", перенос"));
}

std::optional<ImplementationOptions> ListeningWindow::chosenImplementation() const {
    const std::optional<Target> target = chosenTarget();
    if (!target)
        return std::nullopt;
    // The other choices are those of the export: rounding to nearest, saturation, peak
    // scaling, the most resonant section last.
    ImplementationOptions o;
    Arithmetic base;
    base.target = Target::Fixed;
    base.dataBits = SpinEdit1->value();
    base.coefBits = SpinEdit2->value();
    o.arithmetic = *target == Target::Fixed ? base : namedArithmetic(*target);
    checkArithmetic(o.arithmetic);
    return o;
}

ListeningWindow* openListeningWindow() {
    auto* form = new ListeningWindow;
    showChildWindow(form, fixedChildFrame);
    return form;
}

} // namespace zorkan::ui
