#include "sound/Unit9.h"

#include "common/errors.h"
#include "sound/mediadevice_qt.h"
#include "sound/soundtools.h"
#include "ui/controls.h"
#include "ui/errorhandler.h"
#include "ui/prompts.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSlider>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <exception>

namespace zorkan::ui {

namespace {

MediaDeviceFactory& deviceFactory() {
    static MediaDeviceFactory factory;
    return factory;
}

// A menu command's failure is reported like any other command's.
template <typename F> void guarded(F&& work) {
    try {
        work();
    } catch (const std::exception& error) {
        reportError(error);
    }
}

const char* const noFileCaption = "тип файла - *.wav";
const char* const noFileText =
    "Ошибка!\nНе выбран файл для проигрывания\nвыбирите пожалуйста звуковой файл";

} // namespace

void setMediaDeviceFactory(MediaDeviceFactory factory) {
    deviceFactory() = std::move(factory);
}

TForm9::TForm9(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("Form9"));
    setWindowTitle(QStringLiteral("Аудио плеер "));

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->setSizeConstraint(QLayout::SetFixedSize);

    auto* menus = new QMenuBar(this);
    menus->setObjectName(QStringLiteral("MainMenu1"));
    column->setMenuBar(menus);
    const auto item = [this](QMenu* menu, const char* name, const QString& text,
                             const QKeySequence& key, void (TForm9::*handler)()) {
        QAction* action = menu->addAction(text);
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcut(key);
        connect(action, &QAction::triggered, this,
                [this, handler] { guarded([&] { (this->*handler)(); }); });
        return action;
    };
    QMenu* file = menus->addMenu(QStringLiteral("&Файл"));
    file->setObjectName(QStringLiteral("File1"));
    item(file, "Open1", QStringLiteral("Открыть..."), QKeySequence(Qt::CTRL | Qt::Key_O),
         &TForm9::Open1Click);
    file->addSeparator();
    item(file, "Exit1", QStringLiteral("Выход"), QKeySequence(Qt::CTRL | Qt::Key_X),
         &TForm9::Exit1Click);
    QMenu* control = menus->addMenu(QStringLiteral("Управление"));
    control->setObjectName(QStringLiteral("Control1"));
    item(control, "Play1", QStringLiteral("&Пуск"), {}, &TForm9::Play1Click);
    item(control, "Stop1", QStringLiteral("&Остановить"), {}, &TForm9::Stop1Click);
    QMenu* help = menus->addMenu(QStringLiteral("Справка"));
    help->setObjectName(QStringLiteral("Help1"));
    item(help, "About1", QStringLiteral("О программе..."), {}, &TForm9::About1Click);

    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("ClientArea"));
    client->setFixedSize(254, 118);
    column->addWidget(client);

    // The media buttons: play, pause, stop, next, previous, step, back, record, eject.
    // The device offers playing and stopping; the others stay disabled.
    auto* bar = new QWidget(client);
    bar->setObjectName(QStringLiteral("MediaPlayer1"));
    bar->setGeometry(0, 0, 253, 30);
    auto* barRow = new QHBoxLayout(bar);
    barRow->setContentsMargins(1, 1, 1, 1);
    barRow->setSpacing(0);
    const std::pair<const char*, QStyle::StandardPixmap> buttons[] = {
        {"btPlay", QStyle::SP_MediaPlay},         {"btPause", QStyle::SP_MediaPause},
        {"btStop", QStyle::SP_MediaStop},         {"btNext", QStyle::SP_MediaSkipForward},
        {"btPrev", QStyle::SP_MediaSkipBackward}, {"btStep", QStyle::SP_MediaSeekForward},
        {"btBack", QStyle::SP_MediaSeekBackward}, {"btRecord", QStyle::SP_DialogYesButton},
        {"btEject", QStyle::SP_ArrowUp},
    };
    for (const auto& [name, icon] : buttons) {
        auto* b = new QToolButton(bar);
        b->setObjectName(QString::fromLatin1(name));
        b->setIcon(style()->standardIcon(icon));
        b->setFixedSize(28, 28);
        b->setAutoRaise(false);
        barRow->addWidget(b);
        mediaButtons_.push_back(b);
    }
    connect(mediaButtons_[0], &QToolButton::clicked, this,
            [this] { guarded([this] { device().play(); }); });
    for (int stopper : {1, 2})
        connect(mediaButtons_[stopper], &QToolButton::clicked, this,
                [this] { guarded([this] { device().stop(); }); });

    CheckBox1 = new QCheckBox(QStringLiteral("Проигрывать после открытия файла"), client);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->setGeometry(6, 34, 246, 20);
    CheckBox1->setChecked(true);
    // The caption is long for the window's width: narrow the font until it fits.
    QFont narrow = CheckBox1->font();
    const int captionWidth = 246 - 24;
    while (QFontMetrics(narrow).horizontalAdvance(CheckBox1->text()) > captionWidth &&
           narrow.stretch() != 75)
        narrow.setStretch((narrow.stretch() == QFont::AnyStretch ? 100 : narrow.stretch()) - 5);
    CheckBox1->setFont(narrow);

    TrackBar1 = new QSlider(Qt::Horizontal, client);
    TrackBar1->setObjectName(QStringLiteral("TrackBar1"));
    TrackBar1->setGeometry(2, 60, 250, 30);
    TrackBar1->setRange(0, 0);

    auto* status = new QStatusBar(client);
    status->setObjectName(QStringLiteral("StatusBar1"));
    status->setSizeGripEnabled(false);
    status->setGeometry(0, 96, 254, 22);
    StatusPanel0 = new QLabel(QStringLiteral("Имя файла"), status);
    StatusPanel0->setObjectName(QStringLiteral("StatusPanel0"));
    StatusPanel0->setFixedWidth(200);
    StatusPanel0->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    status->addWidget(StatusPanel0);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, [this] { guarded([this] { Timer1Timer(); }); });
    Timer1->start();

    updateMediaButtons();
}

TForm9::~TForm9() = default;

MediaDevice& TForm9::device() {
    if (!device_) {
        MediaDeviceFactory& factory = deviceFactory();
        device_ = factory ? factory() : std::make_unique<QtMediaDevice>();
    }
    return *device_;
}

void TForm9::showEvent(QShowEvent* event) {
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    QDialog::showEvent(event);
}

void TForm9::updateMediaButtons() {
    const bool open = device_ && device_->isOpen();
    for (std::size_t i = 0; i < mediaButtons_.size(); ++i)
        mediaButtons_[i]->setEnabled(open && i < 3);
}

void TForm9::Open1Click() {
    std::optional<QString> chosen = prompts().openFileName(
        {QString(), QDir::currentPath(), dialogFileName_,
         QStringLiteral("Звуковые файлы (*.wav)|*.wav|Звуковые файлы (*.mp3)|*.mp3"), QString()});
    std::exception_ptr playFailure;
    if (!chosen && !fileGiven_)
        return; // cancelled before any file was opened: nothing to show
    if (chosen) {
        dialogFileName_ = *chosen;
        fileGiven_ = true;
        {
            BusyCursor busy;
            device().open(chosen->toStdString());
        }
        updateMediaButtons();
        // A file that cannot be played here (no audio output) is still open and shown.
        if (CheckBox1->isChecked()) {
            try {
                device().play();
            } catch (const Error&) {
                playFailure = std::current_exception();
            }
        }
    }
    soundTools().playerFileName = dialogFileName_.toStdString();
    StatusPanel0->setText(QFileInfo(dialogFileName_).fileName());
    TrackBar1->setMaximum(static_cast<int>(device().length()));
    if (playFailure)
        std::rethrow_exception(playFailure);
}

void TForm9::Exit1Click() {
    if (!prompts().ask(QStringLiteral("Выход"), QStringLiteral("Действительно хотите выйти?")))
        return;
    if (device_)
        device_->close();
    updateMediaButtons();
    close();
}

void TForm9::noFileMessage() {
    prompts().message(MessageIcon::None, QString::fromUtf8(noFileCaption),
                      QString::fromUtf8(noFileText));
}

void TForm9::Play1Click() {
    if (fileGiven_)
        device().play();
    else
        noFileMessage();
}

void TForm9::Stop1Click() {
    if (fileGiven_)
        device().stop();
    else
        noFileMessage();
}

void TForm9::About1Click() {
    prompts().message(MessageIcon::None, QStringLiteral("Встроенный \"Аудио Плеер\""),
                      QStringLiteral("Это простой аудио плеер для системы Zorkan\n"
                                     "позволяет проигрывать звуковые файлы\n"
                                     "до и после обработки не выходя из системы"));
}

void TForm9::Timer1Timer() {
    // A closed device has no position; the bar then simply stays.
    if (TrackBar1->maximum() != 0 && device_ && device_->isOpen())
        TrackBar1->setValue(static_cast<int>(device_->position()));
}

} // namespace zorkan::ui
