#pragma once
// The general error handler: an error that a command raises ends the command and is
// shown here; the windows stay as the command left them.
#include <QApplication>
#include <QString>

#include <exception>

namespace zorkan::ui {

// The caption of every message box of the system ("Система ZORKAN" once set).
QString applicationTitle();
void setApplicationTitle(const QString& title);

// Appends "." unless the text is empty or its last character is "." or sorts below it.
QString withFullStop(const QString& text);

// Shows an error through the prompts: the system's own refusals (UserMessage) as they
// are, every other error in the error box with the full stop.
void reportError(const std::exception& error);

// Catches what an event handler throws, so that one failing command does not end the run.
class ZorkanApplication : public QApplication {
  public:
    ZorkanApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

} // namespace zorkan::ui
