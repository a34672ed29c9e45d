#include "ui/prompts.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QGridLayout>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>

namespace zorkan::ui {

namespace {

Prompts* installed = nullptr;

QWidget* dialogParent() {
    return QApplication::activeWindow();
}

std::optional<QString> runFileDialog(const FileDialogRequest& request, bool save) {
    QFileDialog dialog(dialogParent());
    setUpFileDialog(dialog, request, save);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

QMessageBox::Icon qtIcon(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::Warning:
        return QMessageBox::Warning;
    case MessageIcon::Error:
        return QMessageBox::Critical;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

Prompts& prompts() {
    static QtPrompts qtPrompts;
    return installed ? *installed : qtPrompts;
}

void installPrompts(Prompts* p) {
    installed = p;
}

void setUpFileDialog(QFileDialog& dialog, const FileDialogRequest& request, bool save) {
    // Qt's own dialog rather than the desktop's: it speaks the program's language.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setWindowTitle(request.title);
    dialog.setDirectory(request.initialFolder);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // The system overwrites chosen files without asking.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    const QStringList filters = qtNameFilters(request.filter);
    if (!filters.isEmpty())
        dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(request.defaultExtension);
    if (!request.proposedName.isEmpty())
        dialog.selectFile(request.proposedName);
}

QStringList qtNameFilters(const QString& filter) {
    QStringList result;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString description = parts[i].trimmed();
        QString patterns = parts[i + 1].trimmed();
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        const QString bracketed = QLatin1Char('(') + patterns + QLatin1Char(')');
        // The dialog hides this last bracket (HideNameFilterDetails), so the list shows
        // the description alone, patterns it names itself included.
        if (description.isEmpty())
            result << bracketed;
        else
            result << description + QLatin1Char(' ') + bracketed;
    }
    return result;
}

std::optional<QString> QtPrompts::saveFileName(const FileDialogRequest& request) {
    return runFileDialog(request, true);
}

std::optional<QString> QtPrompts::openFileName(const FileDialogRequest& request) {
    return runFileDialog(request, false);
}

QStringList QtPrompts::openFileNames(const FileDialogRequest& request) {
    QFileDialog dialog(dialogParent());
    setUpFileDialog(dialog, request, false);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}

std::optional<QString> QtPrompts::savePictureName(const FileDialogRequest& request) {
    return runFileDialog(request, true);
}

void QtPrompts::message(MessageIcon icon, const QString& caption, const QString& text) {
    QMessageBox box(qtIcon(icon), caption, text, QMessageBox::Ok, dialogParent());
    box.button(QMessageBox::Ok)->setText(QStringLiteral("OK"));
    box.exec();
}

bool QtPrompts::ask(const QString& caption, const QString& text) {
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No,
                    dialogParent());
    box.button(QMessageBox::Yes)->setText(QStringLiteral("Да"));
    box.button(QMessageBox::No)->setText(QStringLiteral("Нет"));
    return box.exec() == QMessageBox::Yes;
}

int QtPrompts::showModal(QDialog* dialog) {
    return dialog->exec();
}

std::optional<OpenChoice> QtPrompts::openFileReadOnly(const FileDialogRequest& request) {
    // The read-only box lives in Qt's own dialog; a native one has no room for it.
    QFileDialog dialog(dialogParent());
    setUpFileDialog(dialog, request, false);
    auto* readOnly = new QCheckBox(QStringLiteral("Только для чтения"), &dialog);
    readOnly->setObjectName(QStringLiteral("ReadOnlyBox"));
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
        grid->addWidget(readOnly, grid->rowCount(), 0, 1, grid->columnCount());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return OpenChoice{dialog.selectedFiles().constFirst(), readOnly->isChecked()};
}

Choice QtPrompts::askYesNoCancel(const QString& caption, const QString& text) {
    QMessageBox box(QMessageBox::Question, caption, text,
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, dialogParent());
    box.button(QMessageBox::Yes)->setText(QStringLiteral("Да"));
    box.button(QMessageBox::No)->setText(QStringLiteral("Нет"));
    box.button(QMessageBox::Cancel)->setText(QStringLiteral("Отмена"));
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return Choice::Yes;
    case QMessageBox::No:
        return Choice::No;
    default:
        return Choice::Cancel;
    }
}

bool QtPrompts::printSetup(QPrinter& printer) {
    QPrintDialog dialog(&printer, dialogParent());
    return dialog.exec() == QDialog::Accepted;
}

std::optional<QFont> QtPrompts::chooseFont(const QFont& initial) {
    QFontDialog dialog(initial, dialogParent());
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.selectedFont();
}

std::optional<QString> ScriptedPrompts::nextFile(bool save, bool picture,
                                                 const FileDialogRequest& request) {
    fileRequests.push_back({save, request, picture});
    if (files_.empty()) {
        unanswered << QStringLiteral("file dialog: ") + request.proposedName;
        return std::nullopt;
    }
    const FileAnswer answer = files_.front();
    files_.pop_front();
    if (answer.cancel)
        return std::nullopt;
    lastReadOnly_ = answer.readOnly;
    return answer.path;
}

std::optional<QString> ScriptedPrompts::saveFileName(const FileDialogRequest& request) {
    return nextFile(true, false, request);
}

std::optional<QString> ScriptedPrompts::openFileName(const FileDialogRequest& request) {
    return nextFile(false, false, request);
}

QStringList ScriptedPrompts::openFileNames(const FileDialogRequest& request) {
    if (fileLists_.empty()) {
        const std::optional<QString> one = nextFile(false, false, request);
        return one ? QStringList{*one} : QStringList();
    }
    fileRequests.push_back({false, request, false});
    const QStringList paths = fileLists_.front();
    fileLists_.pop_front();
    return paths;
}

std::optional<QString> ScriptedPrompts::savePictureName(const FileDialogRequest& request) {
    return nextFile(true, true, request);
}

void ScriptedPrompts::message(MessageIcon icon, const QString& caption, const QString& text) {
    messages.push_back({icon, caption, text});
}

bool ScriptedPrompts::ask(const QString& caption, const QString& text) {
    questions.push_back(text);
    if (answers_.empty()) {
        unanswered << QStringLiteral("question: ") + caption + QStringLiteral(": ") + text;
        return false;
    }
    const bool answer = answers_.front();
    answers_.pop_front();
    return answer;
}

int ScriptedPrompts::showModal(QDialog* dialog) {
    modalShows.emplace_back(dialog);
    if (modals_.empty())
        return QDialog::Rejected;
    ModalHandler handler = std::move(modals_.front());
    modals_.pop_front();
    return handler(dialog);
}

} // namespace zorkan::ui

namespace zorkan::ui {

std::optional<OpenChoice> ScriptedPrompts::openFileReadOnly(const FileDialogRequest& request) {
    lastReadOnly_ = false;
    const std::optional<QString> path = nextFile(false, false, request);
    if (!path)
        return std::nullopt;
    return OpenChoice{*path, lastReadOnly_};
}

Choice ScriptedPrompts::askYesNoCancel(const QString& caption, const QString& text) {
    questions.push_back(text);
    if (choices_.empty()) {
        unanswered << QStringLiteral("question: ") + caption + QStringLiteral(": ") + text;
        return Choice::Cancel;
    }
    const Choice choice = choices_.front();
    choices_.pop_front();
    return choice;
}

bool ScriptedPrompts::printSetup(QPrinter& printer) {
    ++printDialogs;
    if (prints_.empty()) {
        unanswered << QStringLiteral("print dialog");
        return false;
    }
    PrintHandler handler = std::move(prints_.front());
    prints_.pop_front();
    return handler(printer);
}

std::optional<QFont> ScriptedPrompts::chooseFont(const QFont& initial) {
    fontDialogs.push_back(initial);
    if (fonts_.empty()) {
        unanswered << QStringLiteral("font dialog");
        return std::nullopt;
    }
    std::optional<QFont> font = std::move(fonts_.front());
    fonts_.pop_front();
    return font;
}

} // namespace zorkan::ui
