#include "ui/errorhandler.h"

#include "common/errors.h"
#include "ui/prompts.h"

namespace zorkan::ui {

namespace {

QString& title() {
    static QString text;
    return text;
}

} // namespace

QString applicationTitle() {
    return title();
}

void setApplicationTitle(const QString& text) {
    title() = text;
    QCoreApplication::setApplicationName(text);
}

QString withFullStop(const QString& text) {
    if (text.isEmpty() || text.back() <= QLatin1Char('.'))
        return text;
    return text + QLatin1Char('.');
}

void reportError(const std::exception& error) {
    const QString text = QString::fromUtf8(error.what());
    if (dynamic_cast<const UserMessage*>(&error))
        prompts().message(MessageIcon::None, applicationTitle(), text);
    else
        prompts().message(MessageIcon::Error, applicationTitle(), withFullStop(text));
}

ZorkanApplication::ZorkanApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool ZorkanApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        reportError(error);
    } catch (...) {
        reportError(Error("Unknown error"));
    }
    // The command has ended and its error has been shown: the event is dealt with.
    event->accept();
    return true;
}

} // namespace zorkan::ui
