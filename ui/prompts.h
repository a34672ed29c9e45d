#pragma once
// Every file dialog, message box, question and modal show of the program goes through
// this seam: QtPrompts does the real thing, ScriptedPrompts answers from a queue so
// that tests never block.
#include <QFont>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <optional>
#include <vector>

class QDialog;
class QFileDialog;
class QPrinter;
class QWidget;

namespace zorkan::ui {

// A file dialog as the program asks for it. `filter` lists "Description|*.ext" pairs
// separated by "|" (several patterns of one pair separated by ";").
struct FileDialogRequest {
    QString title;
    QString initialFolder;
    QString proposedName;
    QString filter;
    QString defaultExtension;
};

enum class MessageIcon { None, Information, Warning, Error, Question };

// The answer to a question with Yes, No and Cancel.
enum class Choice { Yes, No, Cancel };

// A file chosen in an open dialog that offers to open it read-only.
struct OpenChoice {
    QString path;
    bool readOnly = false;
};

class Prompts {
  public:
    virtual ~Prompts() = default;

    // The chosen path, or nothing when the user cancels.
    virtual std::optional<QString> saveFileName(const FileDialogRequest& request) = 0;
    virtual std::optional<QString> openFileName(const FileDialogRequest& request) = 0;
    // An open dialog that takes several existing files; none when the user cancels.
    virtual QStringList openFileNames(const FileDialogRequest& request) = 0;
    // The save dialog for pictures: `filter` lists the picture formats offered.
    virtual std::optional<QString> savePictureName(const FileDialogRequest& request) = 0;
    // A modal message box with one OK button.
    virtual void message(MessageIcon icon, const QString& caption, const QString& text) = 0;
    // A modal question with Yes and No; true for Yes.
    virtual bool ask(const QString& caption, const QString& text) = 0;
    // Shows the dialog modally and returns its result code.
    virtual int showModal(QDialog* dialog) = 0;
    // An open dialog with a "read-only" box.
    virtual std::optional<OpenChoice> openFileReadOnly(const FileDialogRequest& request) = 0;
    // A modal question with Yes, No and Cancel.
    virtual Choice askYesNoCancel(const QString& caption, const QString& text) = 0;
    // The print dialog for `printer`; true when the user chose to print.
    virtual bool printSetup(QPrinter& printer) = 0;
    // The font dialog starting at `initial`; nothing when the user cancels.
    virtual std::optional<QFont> chooseFont(const QFont& initial) = 0;
};

// The prompts in force; QtPrompts unless another was installed.
Prompts& prompts();
// Installs `p` (not owned) until another call; nullptr restores QtPrompts.
void installPrompts(Prompts* p);

// "Имя|*.out|Все|*.*" -> {"Имя (*.out)", "Все (*.*)"}: Qt's name filters, each the
// description followed by its patterns in brackets, even when the description names
// them itself; the dialogs hide that last bracket and show the description as it is.
QStringList qtNameFilters(const QString& filter);

// Gives `dialog` the request: title, folder, filters, default extension and proposed
// name, for saving or for opening an existing file. It is Qt's own dialog, not the
// desktop's, so that it reads in Russian like the rest of the program.
void setUpFileDialog(QFileDialog& dialog, const FileDialogRequest& request, bool save);

class QtPrompts : public Prompts {
  public:
    std::optional<QString> saveFileName(const FileDialogRequest& request) override;
    std::optional<QString> openFileName(const FileDialogRequest& request) override;
    QStringList openFileNames(const FileDialogRequest& request) override;
    std::optional<QString> savePictureName(const FileDialogRequest& request) override;
    void message(MessageIcon icon, const QString& caption, const QString& text) override;
    bool ask(const QString& caption, const QString& text) override;
    int showModal(QDialog* dialog) override;
    std::optional<OpenChoice> openFileReadOnly(const FileDialogRequest& request) override;
    Choice askYesNoCancel(const QString& caption, const QString& text) override;
    bool printSetup(QPrinter& printer) override;
    std::optional<QFont> chooseFont(const QFont& initial) override;
};

// Answers from queues and records everything asked. A request with no queued answer is
// recorded in `unanswered` and treated as a cancel (or No), so a test can fail on it
// instead of hanging.
class ScriptedPrompts : public Prompts {
  public:
    struct Message {
        MessageIcon icon;
        QString caption;
        QString text;
    };
    struct FileRequest {
        bool save;
        FileDialogRequest request;
        bool picture; // the save-picture dialog
    };
    using ModalHandler = std::function<int(QDialog*)>;
    // Runs while the print dialog is "shown" (a test points the printer at a PDF file);
    // true prints.
    using PrintHandler = std::function<bool(QPrinter&)>;

    void queueFile(const QString& path) { files_.push_back({false, path}); }
    // Several files chosen at once (dialogs that take several).
    void queueFiles(const QStringList& paths) { fileLists_.push_back(paths); }
    // A file chosen with the read-only box ticked (open dialogs that offer it).
    void queueReadOnlyFile(const QString& path) { files_.push_back({false, path, true}); }
    void queueChoice(Choice choice) { choices_.push_back(choice); }
    void queuePrint(PrintHandler handler) { prints_.push_back(std::move(handler)); }
    // A font chosen in the font dialog, or nothing for Cancel.
    void queueFont(std::optional<QFont> font) { fonts_.push_back(std::move(font)); }
    void queueCancel() { files_.push_back({true, QString()}); }
    void queueAnswer(bool yes) { answers_.push_back(yes); }
    // Runs while the dialog is "shown"; its return value is the result code.
    void queueModal(ModalHandler handler) { modals_.push_back(std::move(handler)); }

    std::optional<QString> saveFileName(const FileDialogRequest& request) override;
    std::optional<QString> openFileName(const FileDialogRequest& request) override;
    // The files of queueFiles, else one answered from the queue of files.
    QStringList openFileNames(const FileDialogRequest& request) override;
    // Answered from the same queue as the other file dialogs.
    std::optional<QString> savePictureName(const FileDialogRequest& request) override;
    void message(MessageIcon icon, const QString& caption, const QString& text) override;
    bool ask(const QString& caption, const QString& text) override;
    // Without a queued handler the dialog is recorded and rejected at once.
    int showModal(QDialog* dialog) override;
    // Answered from the queue of files.
    std::optional<OpenChoice> openFileReadOnly(const FileDialogRequest& request) override;
    // Recorded in `questions`; Cancel when nothing is queued.
    Choice askYesNoCancel(const QString& caption, const QString& text) override;
    // Without a queued handler nothing is printed.
    bool printSetup(QPrinter& printer) override;
    std::optional<QFont> chooseFont(const QFont& initial) override;

    std::vector<Message> messages;
    std::vector<FileRequest> fileRequests;
    std::vector<QString> questions;
    std::vector<QPointer<QDialog>> modalShows;
    int printDialogs = 0;
    std::vector<QFont> fontDialogs; // the starting font of each font dialog
    QStringList unanswered;

    // Nothing queued is left over.
    bool drained() const {
        return files_.empty() && fileLists_.empty() && answers_.empty() && modals_.empty() &&
               choices_.empty() && prints_.empty() && fonts_.empty();
    }

  private:
    std::optional<QString> nextFile(bool save, bool picture, const FileDialogRequest& request);

    struct FileAnswer {
        bool cancel;
        QString path;
        bool readOnly = false;
    };
    std::deque<FileAnswer> files_;
    std::deque<QStringList> fileLists_;
    std::deque<bool> answers_;
    std::deque<ModalHandler> modals_;
    std::deque<Choice> choices_;
    std::deque<PrintHandler> prints_;
    std::deque<std::optional<QFont>> fonts_;
    bool lastReadOnly_ = false;
};

// Installs a ScriptedPrompts for the lifetime of the object.
class ScriptedPromptsScope {
  public:
    ScriptedPromptsScope() { installPrompts(&scripted); }
    ~ScriptedPromptsScope() { installPrompts(nullptr); }
    ScriptedPromptsScope(const ScriptedPromptsScope&) = delete;
    ScriptedPromptsScope& operator=(const ScriptedPromptsScope&) = delete;
    ScriptedPrompts scripted;
};

} // namespace zorkan::ui
