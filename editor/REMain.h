#pragma once
// The text editor window: a rich-text control under a toolbar and a ruler, with file,
// edit and format commands. Each use of the main window's Editor command makes a new one.
#include "ui/prompts.h"

#include <QMainWindow>
#include <QTextEdit>

class QActionGroup;
class QComboBox;
class QLabel;
class QSpinBox;
class QTextCharFormat;

namespace zorkan::ui {

// The rich-text control; keeps 6 pixels free at the left and right of the text.
class TRichEdit : public QTextEdit {
    Q_OBJECT
  public:
    explicit TRichEdit(QWidget* parent);
};

// One of the ruler's three markers, dragged with the mouse.
class TRulerMarker : public QWidget {
    Q_OBJECT
  public:
    enum Kind { First, Left, Right };
    TRulerMarker(Kind kind, QWidget* ruler);
    Kind kind() const { return kind_; }
    // Half the marker's width, remembered when the mouse was pressed.
    int dragHalf() const { return half_; }

  signals:
    void released(TRulerMarker* marker);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    void centreOn(int rulerX);
    Kind kind_;
    int half_ = 0;
    bool dragging_ = false;
};

// The ruler above the text: tick marks and the three indent markers.
class TRuler : public QWidget {
    Q_OBJECT
  public:
    explicit TRuler(QWidget* parent);
    TRulerMarker* FirstInd;
    TRulerMarker* LeftInd;
    TRulerMarker* RightInd;

  signals:
    void resized();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
};

class TMainForm : public QMainWindow {
    Q_OBJECT
  public:
    explicit TMainForm(QWidget* parent = nullptr);
    ~TMainForm() override;

    // Creates a new editor window in the main window's document area, maximised.
    static TMainForm* openEditorWindow();

    QString fileName() const { return FFileName; }
    TRichEdit* editor() const { return RichEdit1; }
    TRuler* ruler() const { return Ruler; }

    // Commands.
    void FileNew();
    void FileOpen();
    void FileSave();
    void FileSaveAs();
    void FilePrint();
    void FileExit();
    void SelectFont();

    // Loads a file into the control: rich text when it begins with "{\rtf", plain text
    // otherwise. Raises the file's input/output error.
    void loadFile(const QString& path);
    // Writes the text by the extension rule; raises the error of a refused or failed
    // write, which leaves the file as it was.
    void saveFile(const QString& path);

    // Brings the toolbar, the ruler and the caret panel into line with the selection.
    void SelectionChange();

  protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void createActions();
    void createToolBar();
    void createMenus();
    void createStatusBar();
    QAction* addCommand(const char* name, const QString& caption, const QKeySequence& key,
                        const QString& hint);
    QAction* addToggle(const char* name, const QString& caption, const QString& hint);

    void SetFileName(const QString& name);
    // Asks "Save changes to %s?" when the text is modified; false when the command
    // that asked must stop.
    bool CheckFileSave();
    // Saves under `path`; false when the save was refused or failed (already reported).
    bool saveReported(const QString& path);
    // Before saving over the file whose opening dropped what the text cannot hold: Yes
    // to save over it, No to choose another name, Cancel to stop. Yes for any other file.
    Choice askBeforeLosing(const QString& path);
    // askBeforeLosing as the save commands take it: true to save over `path`; No goes on
    // to "Save As" and, like Cancel, gives false.
    bool mayOverwrite(const QString& path);
    void SetModified();
    void updateEditCommands();

    void applyCharFormat(const QTextCharFormat& format);
    void FontNameChange(const QString& name);
    void FontSizeChange(int size);
    void AlignClick(QAction* action);
    void BulletsClick(bool on);
    void RulerMarkerReleased(TRulerMarker* marker);
    void setParagraphIndents(int first, int left, int right);

    QString FFileName;
    bool FUpdating = false;
    // The file whose opening dropped content, and what it dropped; empty once the text
    // has been saved over it.
    QString lossyFile_;
    QString lossyWhat_;

    TRichEdit* RichEdit1;
    TRuler* Ruler;
    QComboBox* FontName;
    QSpinBox* FontSize;
    QActionGroup* alignment_;
    QLabel* panels_[3];
};

} // namespace zorkan::ui
