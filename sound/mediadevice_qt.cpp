#include "sound/mediadevice_qt.h"

#include "common/errors.h"
#include "ui/errorhandler.h"

#include <QAudioDevice>
#include <QAudioOutput>
#include <QEventLoop>
#include <QFileInfo>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QTimer>
#include <QUrl>
#include <QtGlobal>

namespace zorkan::ui {

namespace {

// How long opening waits for the back end to read the file's length.
constexpr int loadTimeoutMs = 5000;

bool settled(QMediaPlayer::MediaStatus status) {
    return status == QMediaPlayer::LoadedMedia || status == QMediaPlayer::InvalidMedia ||
           status == QMediaPlayer::BufferedMedia || status == QMediaPlayer::EndOfMedia;
}

} // namespace

QtMediaDevice::QtMediaDevice()
    : player_(std::make_unique<QMediaPlayer>()), output_(std::make_unique<QAudioOutput>()) {
    player_->setAudioOutput(output_.get());
    // A failure of the back end while playing: told once for each start of playing.
    QObject::connect(player_.get(), &QMediaPlayer::errorOccurred, player_.get(),
                     [this](QMediaPlayer::Error, const QString& reason) {
                         if (!playing_)
                             return;
                         playing_ = false;
                         reportError(Error(("Ошибка воспроизведения: " + reason).toStdString()));
                     });
}

QtMediaDevice::~QtMediaDevice() {
    player_->stop();
}

const char* QtMediaDevice::noAudioOutputText() {
    return "На этом компьютере нет устройства вывода звука: воспроизведение невозможно";
}

void QtMediaDevice::open(const std::string& path) {
    close();
    const QString name = QString::fromStdString(path);
    if (!QFileInfo(name).isFile())
        throwFileNotFound();
    player_->setSource(QUrl::fromLocalFile(QFileInfo(name).absoluteFilePath()));
    if (!settled(player_->mediaStatus())) {
        QEventLoop loop;
        QTimer timeout;
        timeout.setSingleShot(true);
        QObject::connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
        QObject::connect(player_.get(), &QMediaPlayer::mediaStatusChanged, &loop,
                         [&loop](QMediaPlayer::MediaStatus status) {
                             if (settled(status))
                                 loop.quit();
                         });
        QObject::connect(player_.get(), &QMediaPlayer::errorOccurred, &loop, &QEventLoop::quit);
        timeout.start(loadTimeoutMs);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    if (player_->mediaStatus() == QMediaPlayer::InvalidMedia ||
        player_->error() != QMediaPlayer::NoError || !settled(player_->mediaStatus())) {
        QString reason = player_->errorString();
        player_->setSource(QUrl());
        throw Error(("Не удаётся открыть звуковой файл " + QFileInfo(name).fileName() +
                     (reason.isEmpty() ? QString() : ": " + reason))
                        .toStdString());
    }
    open_ = true;
}

void QtMediaDevice::requireOpen() const {
    if (!open_)
        throw Error(noDeviceOpenText);
}

void QtMediaDevice::play() {
    requireOpen();
    // Without an output the back end would fail on its own, sometimes only after a long
    // wait: refuse at once with one clear message.
    if (QMediaDevices::audioOutputs().isEmpty())
        throw UserMessage(noAudioOutputText());
    if (player_->mediaStatus() == QMediaPlayer::EndOfMedia ||
        player_->position() >= player_->duration())
        player_->setPosition(0);
    playing_ = true;
    player_->play();
}

void QtMediaDevice::stop() {
    requireOpen();
    playing_ = false;
    player_->pause(); // the position stays where it was
}

void QtMediaDevice::close() {
    if (!open_)
        return;
    playing_ = false;
    player_->stop();
    player_->setSource(QUrl());
    open_ = false;
}

std::int64_t QtMediaDevice::length() {
    requireOpen();
    return player_->duration();
}

std::int64_t QtMediaDevice::position() {
    requireOpen();
    return player_->position();
}

void chooseMediaBackend() {
    if (qEnvironmentVariableIsEmpty("QT_MEDIA_BACKEND"))
        qputenv("QT_MEDIA_BACKEND", "gstreamer");
}

} // namespace zorkan::ui
