#include "editor/REMain.h"

#include "common/errors.h"
#include "common/replacefile.h"
#include "editor/richtext.h"
#include "editor/richtext_qt.h"
#include "editor/ruler.h"
#include "editor/textfiles.h"
#include "ui/childwindow.h"
#include "ui/errorhandler.h"
#include "ui/prompts.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPrinter>
#include <QSpinBox>
#include <QStatusBar>
#include <QStyle>
#include <QTextBlock>
#include <QTextList>
#include <QToolBar>
#include <QVBoxLayout>

#include <cmath>

namespace zorkan::ui {

namespace {

const QString untitled = QStringLiteral("Untitled");

const QString fileFilter =
    QStringLiteral("Rich Text Files (*.RTF)|*.RTF|Text Files (*.TXT)|*.TXT|Имя файла "
                   "результатов отчета (*.OUT)|*.OUT|Имя файла параметров фильтра "
                   "(*.FLT)|*.FLT");

constexpr int rulerHeight = 26;
constexpr int markerWidth = 11;
constexpr int markerHeight = 8;

// Paragraph indents in points as the ruler counts them (first line from the margin,
// the other lines relative to the first); the control keeps them in pixels.
editor::RulerIndents indentsOf(const QTextBlockFormat& format) {
    const qreal left = format.leftMargin();
    const qreal text = format.textIndent();
    return {static_cast<int>(std::lround((left + text) * 0.75)),
            static_cast<int>(std::lround(-text * 0.75)),
            static_cast<int>(std::lround(format.rightMargin() * 0.75))};
}

std::string fsPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

// A busy cursor while a file is read, written or printed.
class WaitCursor {
  public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

// Small pictures for the format toggles.
QIcon letterIcon(const QString& letter, bool bold, bool italic, bool underline) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    QFont font(QStringLiteral("Serif"));
    font.setPixelSize(14);
    font.setBold(bold);
    font.setItalic(italic);
    font.setUnderline(underline);
    painter.setFont(font);
    painter.drawText(pixmap.rect(), Qt::AlignCenter, letter);
    return QIcon(pixmap);
}

QIcon linesIcon(int kind) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(Qt::black);
    const int widths[] = {14, 9, 14, 9};
    for (int row = 0; row < 4; ++row) {
        const int y = 3 + row * 3;
        int w = widths[row];
        int x = 1;
        if (kind == 1)
            x = (16 - w) / 2;
        else if (kind == 2)
            x = 15 - w;
        else if (kind == 3) {
            painter.fillRect(1, y - 1, 2, 2, Qt::black);
            x = 5;
            w = 10;
        }
        painter.drawLine(x, y, x + w - 1, y);
    }
    return QIcon(pixmap);
}

QIcon themeIcon(const char* name, QStyle::StandardPixmap fallback, QStyle* style) {
    return QIcon::fromTheme(QString::fromLatin1(name), style->standardIcon(fallback));
}

// Pictures for Print, Cut, Copy, Paste and Undo where the icon theme has none.
enum class Drawn { Print, Cut, Copy, Paste, Undo };

QIcon drawnIcon(const char* themeName, Drawn kind) {
    const QIcon themed = QIcon::fromTheme(QString::fromLatin1(themeName));
    if (!themed.isNull())
        return themed;
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(QPen(QColor(40, 40, 40), 1));
    switch (kind) {
    case Drawn::Print:
        painter.setBrush(Qt::white);
        painter.drawRect(4, 1, 8, 5);
        painter.setBrush(QColor(170, 170, 170));
        painter.drawRect(1, 6, 14, 6);
        painter.setBrush(Qt::white);
        painter.drawRect(4, 10, 8, 5);
        break;
    case Drawn::Cut:
        painter.drawLine(4, 1, 10, 10);
        painter.drawLine(12, 1, 6, 10);
        painter.drawEllipse(QPointF(4.5, 12.5), 2.5, 2.5);
        painter.drawEllipse(QPointF(11.5, 12.5), 2.5, 2.5);
        break;
    case Drawn::Copy:
        painter.setBrush(Qt::white);
        painter.drawRect(1, 1, 8, 10);
        painter.drawRect(6, 5, 8, 10);
        break;
    case Drawn::Paste:
        painter.setBrush(QColor(200, 160, 90));
        painter.drawRect(2, 2, 11, 13);
        painter.setBrush(Qt::white);
        painter.drawRect(5, 1, 5, 3);
        painter.drawRect(6, 6, 8, 9);
        break;
    case Drawn::Undo: {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(QColor(30, 60, 150), 2));
        painter.drawArc(QRectF(3, 4, 10, 9), 90 * 16, -200 * 16);
        painter.setBrush(QColor(30, 60, 150));
        painter.setPen(Qt::NoPen);
        painter.drawPolygon(QPolygon({QPoint(1, 4), QPoint(7, 1), QPoint(7, 8)}));
        break;
    }
    }
    return QIcon(pixmap);
}

} // namespace

// ------------------------------------------------------------------ control

TRichEdit::TRichEdit(QWidget* parent) : QTextEdit(parent) {
    setObjectName(QStringLiteral("RichEdit1"));
    setViewportMargins(6, 0, 6, 0);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setAcceptRichText(true);
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
}

// ------------------------------------------------------------------ ruler

TRulerMarker::TRulerMarker(Kind kind, QWidget* ruler) : QWidget(ruler), kind_(kind) {
    static const char* const names[] = {"FirstInd", "LeftInd", "RightInd"};
    setObjectName(QString::fromLatin1(names[kind]));
    resize(markerWidth, markerHeight);
    setCursor(Qt::SizeHorCursor);
    move(0, kind == First ? 2 : rulerHeight - markerHeight - 2);
}

void TRulerMarker::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(Qt::black);
    painter.setBrush(QColor(192, 192, 192));
    const int w = width() - 1;
    const int h = height() - 1;
    QPolygon triangle;
    if (kind_ == First)
        triangle << QPoint(0, 0) << QPoint(w, 0) << QPoint(w / 2, h);
    else
        triangle << QPoint(w / 2, 0) << QPoint(w, h) << QPoint(0, h);
    painter.drawPolygon(triangle);
}

void TRulerMarker::centreOn(int rulerX) {
    move(rulerX - half_, y());
}

void TRulerMarker::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    half_ = width() / 2;
    dragging_ = true;
    centreOn(mapToParent(event->position().toPoint()).x());
}

void TRulerMarker::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_)
        centreOn(mapToParent(event->position().toPoint()).x());
}

void TRulerMarker::mouseReleaseEvent(QMouseEvent* event) {
    if (!dragging_ || event->button() != Qt::LeftButton)
        return;
    centreOn(mapToParent(event->position().toPoint()).x());
    dragging_ = false;
    emit released(this);
}

TRuler::TRuler(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Ruler"));
    setFixedHeight(rulerHeight);
    setAutoFillBackground(true);
    FirstInd = new TRulerMarker(TRulerMarker::First, this);
    LeftInd = new TRulerMarker(TRulerMarker::Left, this);
    RightInd = new TRulerMarker(TRulerMarker::Right, this);
}

void TRuler::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const int line = rulerHeight / 2;
    painter.fillRect(6, line - 4, width() - 12, 8, Qt::white);
    painter.setPen(QColor(128, 128, 128));
    // 100 tick marks, one every eighth of an inch, taller at every inch.
    for (int k = 1; k <= 100; ++k) {
        const int x = 6 + k * 12;
        if (x >= width() - 6)
            break;
        const int half = k % 8 == 0 ? 4 : k % 4 == 0 ? 3 : 1;
        painter.drawLine(x, line - half, x, line + half);
    }
}

void TRuler::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    emit resized();
}

// ------------------------------------------------------------------ window

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("MainForm"));
    auto* client = new QWidget(this);
    auto* column = new QVBoxLayout(client);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    Ruler = new TRuler(client);
    RichEdit1 = new TRichEdit(client);
    column->addWidget(Ruler);
    column->addWidget(RichEdit1, 1);
    setCentralWidget(client);

    createActions();
    createToolBar();
    createMenus();
    createStatusBar();

    for (TRulerMarker* marker : {Ruler->FirstInd, Ruler->LeftInd, Ruler->RightInd})
        connect(marker, &TRulerMarker::released, this, &TMainForm::RulerMarkerReleased);
    connect(Ruler, &TRuler::resized, this, &TMainForm::SelectionChange);
    connect(RichEdit1, &QTextEdit::cursorPositionChanged, this, &TMainForm::SelectionChange);
    connect(RichEdit1, &QTextEdit::currentCharFormatChanged, this, &TMainForm::SelectionChange);
    connect(RichEdit1, &QTextEdit::selectionChanged, this, &TMainForm::updateEditCommands);
    connect(RichEdit1, &QTextEdit::undoAvailable, this, &TMainForm::updateEditCommands);
    connect(RichEdit1, &QTextEdit::textChanged, this, &TMainForm::SetModified);
    connect(RichEdit1->document(), &QTextDocument::modificationChanged, this,
            &TMainForm::SetModified);
    connect(QApplication::clipboard(), &QClipboard::dataChanged, this,
            &TMainForm::updateEditCommands);

    // Creation: the name, the font list, the default font, the toolbar.
    SetFileName(untitled);
    QStringList families = QFontDatabase::families();
    families.sort();
    FontName->addItems(families);
    QFont initial = families.contains(QStringLiteral("MS Sans Serif"))
                        ? QFont(QStringLiteral("MS Sans Serif"))
                        : QApplication::font();
    initial.setPointSize(8);
    RichEdit1->document()->setDefaultFont(initial);
    RichEdit1->setCurrentFont(initial);
    RichEdit1->document()->setModified(false);
    SelectionChange();
    updateEditCommands();
    SetModified();
}

TMainForm::~TMainForm() = default;

TMainForm* TMainForm::openEditorWindow() {
    auto* form = new TMainForm;
    showChildWindow(form, Qt::SubWindow, true);
    // Closing the main window ends the run: each editor asks to save its text first.
    form->window()->installEventFilter(form);
    return form;
}

QAction* TMainForm::addCommand(const char* name, const QString& caption, const QKeySequence& key,
                               const QString& hint) {
    auto* action = new QAction(caption, this);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(key);
    // Several editors share the main window: each one's keys work inside it only.
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    const qsizetype bar = hint.indexOf(QLatin1Char('|'));
    action->setToolTip(bar < 0 ? hint : hint.left(bar));
    action->setStatusTip(bar < 0 ? hint : hint.mid(bar + 1));
    addAction(action);
    return action;
}

QAction* TMainForm::addToggle(const char* name, const QString& caption, const QString& hint) {
    QAction* action = addCommand(name, caption, {}, hint);
    action->setCheckable(true);
    return action;
}

void TMainForm::createActions() {
    QStyle* s = style();
    addCommand("FileNew", QStringLiteral("&New"), QKeySequence(Qt::CTRL | Qt::Key_N),
               QStringLiteral("Create a new file"))
        ->setIcon(themeIcon("document-new", QStyle::SP_FileIcon, s));
    addCommand("FileOpen", QStringLiteral("&Open..."), QKeySequence(Qt::CTRL | Qt::Key_O),
               QStringLiteral("Open an existing file"))
        ->setIcon(themeIcon("document-open", QStyle::SP_DialogOpenButton, s));
    addCommand("FileSave", QStringLiteral("&Save"), QKeySequence(Qt::CTRL | Qt::Key_S),
               QStringLiteral("Save current file"))
        ->setIcon(themeIcon("document-save", QStyle::SP_DialogSaveButton, s));
    addCommand("FileSaveAs", QStringLiteral("Save &As..."), {},
               QStringLiteral("Save current file under a new name"));
    addCommand("FilePrint", QStringLiteral("&Print"), QKeySequence(Qt::CTRL | Qt::Key_P),
               QStringLiteral("Print current file"))
        ->setIcon(drawnIcon("document-print", Drawn::Print));
    addCommand("FileExit", QStringLiteral("E&xit"), QKeySequence(Qt::ALT | Qt::Key_X),
               QStringLiteral("Exit this application"));
    addCommand("EditUndo", QStringLiteral("&Undo"), QKeySequence(Qt::CTRL | Qt::Key_Z),
               QStringLiteral("Undo the last action"))
        ->setIcon(drawnIcon("edit-undo", Drawn::Undo));
    addCommand("EditCut", QStringLiteral("Cu&t"), QKeySequence(Qt::CTRL | Qt::Key_X),
               QStringLiteral("Delete selected item"))
        ->setIcon(drawnIcon("edit-cut", Drawn::Cut));
    addCommand("EditCopy", QStringLiteral("&Copy"), QKeySequence(Qt::CTRL | Qt::Key_C),
               QStringLiteral("Copy selected item to clipboard"))
        ->setIcon(drawnIcon("edit-copy", Drawn::Copy));
    addCommand("EditPaste", QStringLiteral("&Paste"), QKeySequence(Qt::CTRL | Qt::Key_V),
               QStringLiteral("Paste contents of clipboard"))
        ->setIcon(drawnIcon("edit-paste", Drawn::Paste));
    addCommand("EditFont", QStringLiteral("&Font..."), {}, QString());

    addToggle("BoldButton", QStringLiteral("Bold"), QStringLiteral("Bold"))
        ->setIcon(letterIcon(QStringLiteral("B"), true, false, false));
    addToggle("ItalicButton", QStringLiteral("Italic"), QStringLiteral("Italic"))
        ->setIcon(letterIcon(QStringLiteral("I"), false, true, false));
    addToggle("UnderlineButton", QStringLiteral("Underline"), QStringLiteral("Underline"))
        ->setIcon(letterIcon(QStringLiteral("U"), false, false, true));
    alignment_ = new QActionGroup(this);
    const char* const alignNames[] = {"LeftAlign", "CenterAlign", "RightAlign"};
    const char* const alignCaptions[] = {"Align Left", "Center", "Align Right"};
    for (int k = 0; k < 3; ++k) {
        QAction* a = addToggle(alignNames[k], QString::fromLatin1(alignCaptions[k]),
                               QString::fromLatin1(alignCaptions[k]));
        a->setIcon(linesIcon(k));
        alignment_->addAction(a);
    }
    addToggle("BulletsButton", QStringLiteral("Bullets"),
              QStringLiteral("Bullets|Enter bullet mode"))
        ->setIcon(linesIcon(3));

    const auto on = [this](const char* name, auto handler) {
        connect(findChild<QAction*>(QString::fromLatin1(name), Qt::FindDirectChildrenOnly),
                &QAction::triggered, this, handler);
    };
    on("FileNew", [this] { FileNew(); });
    on("FileOpen", [this] { FileOpen(); });
    on("FileSave", [this] { FileSave(); });
    on("FileSaveAs", [this] { FileSaveAs(); });
    on("FilePrint", [this] { FilePrint(); });
    on("FileExit", [this] { FileExit(); });
    on("EditUndo", [this] { RichEdit1->undo(); });
    on("EditCut", [this] { RichEdit1->cut(); });
    on("EditCopy", [this] { RichEdit1->copy(); });
    on("EditPaste", [this] { RichEdit1->paste(); });
    on("EditFont", [this] { SelectFont(); });
    on("BoldButton", [this](bool down) {
        if (FUpdating)
            return;
        QTextCharFormat f;
        f.setFontWeight(down ? QFont::Bold : QFont::Normal);
        applyCharFormat(f);
    });
    on("ItalicButton", [this](bool down) {
        if (FUpdating)
            return;
        QTextCharFormat f;
        f.setFontItalic(down);
        applyCharFormat(f);
    });
    on("UnderlineButton", [this](bool down) {
        if (FUpdating)
            return;
        QTextCharFormat f;
        f.setFontUnderline(down);
        applyCharFormat(f);
    });
    on("BulletsButton", [this](bool down) { BulletsClick(down); });
    connect(alignment_, &QActionGroup::triggered, this, &TMainForm::AlignClick);
}

void TMainForm::createToolBar() {
    QToolBar* bar = addToolBar(QStringLiteral("ToolBar1"));
    bar->setObjectName(QStringLiteral("ToolBar1"));
    bar->setMovable(false);
    bar->setIconSize(QSize(16, 16));
    const auto add = [this, bar](const char* name) {
        QAction* a = findChild<QAction*>(QString::fromLatin1(name), Qt::FindDirectChildrenOnly);
        bar->addAction(a);
        bar->widgetForAction(a)->setObjectName(QString::fromLatin1(name) + QStringLiteral("Tool"));
    };
    for (const char* name : {"FileNew", "FileOpen", "FileSave", "FilePrint"})
        add(name);
    bar->addSeparator();
    for (const char* name : {"EditCut", "EditCopy", "EditPaste", "EditUndo"})
        add(name);
    bar->addSeparator();

    FontName = new QComboBox(bar);
    FontName->setObjectName(QStringLiteral("FontName"));
    FontName->setEditable(true);
    FontName->setInsertPolicy(QComboBox::NoInsert);
    FontName->setMinimumWidth(160);
    FontName->setToolTip(QStringLiteral("Font Name"));
    FontName->setStatusTip(QStringLiteral("Select font name"));
    bar->addWidget(FontName);
    connect(FontName, &QComboBox::textActivated, this, &TMainForm::FontNameChange);

    FontSize = new QSpinBox(bar);
    FontSize->setObjectName(QStringLiteral("FontSize"));
    FontSize->setRange(richtext::minHalfPoints / 2, richtext::maxHalfPoints / 2);
    FontSize->setKeyboardTracking(false);
    FontSize->setToolTip(QStringLiteral("Font Size"));
    FontSize->setStatusTip(QStringLiteral("Select font size"));
    bar->addWidget(FontSize);
    connect(FontSize, &QSpinBox::valueChanged, this, &TMainForm::FontSizeChange);
    bar->addSeparator();

    for (const char* name : {"BoldButton", "ItalicButton", "UnderlineButton"})
        add(name);
    bar->addSeparator();
    for (const char* name : {"LeftAlign", "CenterAlign", "RightAlign"})
        add(name);
    bar->addSeparator();
    add("BulletsButton");
}

void TMainForm::createMenus() {
    const auto action = [this](const char* name) {
        return findChild<QAction*>(QString::fromLatin1(name), Qt::FindDirectChildrenOnly);
    };
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("FileMenu"));
    for (const char* name : {"FileNew", "FileOpen", "FileSave", "FileSaveAs"})
        file->addAction(action(name));
    file->addSeparator();
    file->addAction(action("FilePrint"));
    file->addSeparator();
    file->addAction(action("FileExit"));
    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    edit->setObjectName(QStringLiteral("EditMenu"));
    edit->addAction(action("EditUndo"));
    edit->addSeparator();
    for (const char* name : {"EditCut", "EditCopy", "EditPaste"})
        edit->addAction(action(name));
    edit->addSeparator();
    edit->addAction(action("EditFont"));
}

void TMainForm::createStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    bar->setSizeGripEnabled(false);
    const int widths[] = {120, 60, 50};
    for (int k = 0; k < 3; ++k) {
        panels_[k] = new QLabel(bar);
        panels_[k]->setObjectName(QStringLiteral("Panel") + QString::number(k + 1));
        panels_[k]->setFixedWidth(widths[k]);
        panels_[k]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        if (k == 1)
            panels_[k]->setAlignment(Qt::AlignCenter);
        bar->addWidget(panels_[k]);
    }
}

bool TMainForm::event(QEvent* event) {
    // Hints go on to the main window's hint panel; this window's panels keep their texts.
    if (event->type() == QEvent::StatusTip) {
        event->ignore();
        return false;
    }
    return QMainWindow::event(event);
}

void TMainForm::SetFileName(const QString& name) {
    FFileName = name;
    setWindowTitle(QStringLiteral("%1 - %2").arg(QFileInfo(name).fileName(), applicationTitle()));
}

void TMainForm::SetModified() {
    panels_[1]->setText(RichEdit1->document()->isModified() ? QStringLiteral("Modified")
                                                            : QString());
}

void TMainForm::updateEditCommands() {
    const auto action = [this](const char* name) {
        return findChild<QAction*>(QString::fromLatin1(name), Qt::FindDirectChildrenOnly);
    };
    const bool selected = RichEdit1->textCursor().hasSelection();
    const bool writable = !RichEdit1->isReadOnly();
    action("EditCut")->setEnabled(selected && writable);
    action("EditCopy")->setEnabled(selected);
    action("EditUndo")->setEnabled(writable && RichEdit1->document()->isUndoAvailable());
    action("EditPaste")->setEnabled(RichEdit1->canPaste());
}

bool TMainForm::CheckFileSave() {
    if (!RichEdit1->document()->isModified())
        return true;
    switch (prompts().askYesNoCancel(applicationTitle(),
                                     QStringLiteral("Save changes to %1?").arg(FFileName))) {
    case Choice::Yes:
        FileSave();
        // A save that was cancelled or failed keeps the text and stops the command.
        return !RichEdit1->document()->isModified();
    case Choice::No:
        return true;
    case Choice::Cancel:
        break;
    }
    return false;
}

void TMainForm::FileNew() {
    // Asking first keeps a modified text from being thrown away.
    if (!CheckFileSave())
        return;
    SetFileName(untitled);
    RichEdit1->setReadOnly(false);
    RichEdit1->clear();
    RichEdit1->setCurrentFont(RichEdit1->document()->defaultFont());
    RichEdit1->document()->setModified(false);
    SelectionChange();
    updateEditCommands();
    SetModified();
}

void TMainForm::loadFile(const QString& path) {
    const WaitCursor busy;
    const std::string bytes = editor::readFileBytes(fsPath(path));
    QTextDocument* document = RichEdit1->document();
    richtext::LostContent lost;
    if (richtext::isRichText(bytes)) {
        const richtext::Document text = richtext::readRtf(bytes, &lost);
        editor::fromRichText(text, *document);
    } else {
        RichEdit1->setPlainText(QString::fromStdString(editor::decodePlainText(bytes)));
    }
    RichEdit1->moveCursor(QTextCursor::Start);
    lossyFile_ = lost.any() ? path : QString();
    lossyWhat_ = QString::fromStdString(lost.describe());
}

void TMainForm::saveFile(const QString& path) {
    const WaitCursor busy;
    const QTextDocument& document = *RichEdit1->document();
    const std::string bytes = editor::isPlainTextName(path.toStdString())
                                  ? editor::encodePlainText(editor::documentText(document))
                                  : richtext::writeRtf(editor::toRichText(document));
    writeFileSafely(fsPath(path), bytes);
    RichEdit1->document()->setModified(false);
    if (!lossyFile_.isEmpty() && sameFile(fsPath(path), fsPath(lossyFile_)))
        lossyFile_.clear(); // what it held is gone now
}

Choice TMainForm::askBeforeLosing(const QString& path) {
    if (lossyFile_.isEmpty() || !sameFile(fsPath(path), fsPath(lossyFile_)))
        return Choice::Yes;
    return prompts().askYesNoCancel(
        applicationTitle(),
        QStringLiteral("При открытии файла %1 редактор не смог показать: %2.\n"
                       "Если сохранить текст поверх этого файла, это будет потеряно.\n\n"
                       "Сохранить поверх файла? (\"Нет\" - сохранить под другим именем)")
            .arg(path, lossyWhat_));
}

bool TMainForm::mayOverwrite(const QString& path) {
    switch (askBeforeLosing(path)) {
    case Choice::Yes:
        return true;
    case Choice::No:
        FileSaveAs();
        return false;
    case Choice::Cancel:
        break;
    }
    return false;
}

bool TMainForm::saveReported(const QString& path) {
    try {
        saveFile(path);
    } catch (const Error& error) {
        reportError(error);
        return false;
    }
    return true;
}

void TMainForm::FileOpen() {
    if (!CheckFileSave())
        return;
    FileDialogRequest request;
    request.initialFolder = QCoreApplication::applicationDirPath();
    request.filter = fileFilter;
    const std::optional<OpenChoice> choice = prompts().openFileReadOnly(request);
    if (!choice)
        return;
    try {
        loadFile(choice->path);
    } catch (const Error& error) {
        reportError(error);
        return;
    }
    SetFileName(choice->path);
    RichEdit1->setFocus();
    RichEdit1->document()->setModified(false);
    RichEdit1->setReadOnly(choice->readOnly);
    SelectionChange();
    updateEditCommands();
    SetModified();
}

void TMainForm::FileSave() {
    if (FFileName == untitled) {
        FileSaveAs();
        return;
    }
    if (!mayOverwrite(FFileName))
        return;
    saveReported(FFileName);
    SetModified();
}

void TMainForm::FileSaveAs() {
    FileDialogRequest request;
    request.initialFolder = QCoreApplication::applicationDirPath();
    request.filter = fileFilter;
    request.proposedName = FFileName;
    request.defaultExtension = QStringLiteral("rtf");
    const std::optional<QString> path = prompts().saveFileName(request);
    if (!path)
        return;
    if (QFileInfo::exists(*path) &&
        prompts().askYesNoCancel(applicationTitle(),
                                 QStringLiteral("OK to overwrite %1").arg(*path)) != Choice::Yes)
        return;
    if (!mayOverwrite(*path))
        return;
    if (!saveReported(*path))
        return;
    SetFileName(*path);
    SetModified();
}

void TMainForm::FilePrint() {
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(FFileName);
    if (!prompts().printSetup(printer))
        return;
    printer.setDocName(FFileName);
    const WaitCursor busy;
    RichEdit1->document()->print(&printer);
}

void TMainForm::FileExit() {
    if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget()))
        frame->close();
    else
        close();
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Close && watched == window() && watched != this &&
        !CheckFileSave()) {
        event->ignore();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void TMainForm::closeEvent(QCloseEvent* event) {
    if (CheckFileSave())
        event->accept();
    else
        event->ignore();
}

void TMainForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    SetModified();
    RichEdit1->setFocus();
}

void TMainForm::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    SelectionChange();
}

void TMainForm::SelectFont() {
    const QFont initial =
        RichEdit1->currentCharFormat().font().resolve(RichEdit1->document()->defaultFont());
    const std::optional<QFont> chosen = prompts().chooseFont(initial);
    if (chosen) {
        QTextCharFormat format;
        format.setFont(*chosen);
        applyCharFormat(format);
    }
    SelectionChange();
    RichEdit1->setFocus();
}

void TMainForm::applyCharFormat(const QTextCharFormat& format) {
    RichEdit1->mergeCurrentCharFormat(format);
}

void TMainForm::FontNameChange(const QString& name) {
    if (FUpdating || name.isEmpty())
        return;
    QTextCharFormat format;
    format.setFontFamilies({name});
    applyCharFormat(format);
}

void TMainForm::FontSizeChange(int size) {
    if (FUpdating)
        return;
    QTextCharFormat format;
    format.setFontPointSize(size);
    applyCharFormat(format);
}

void TMainForm::AlignClick(QAction* action) {
    if (FUpdating)
        return;
    const QString name = action->objectName();
    if (name == QLatin1String("CenterAlign"))
        RichEdit1->setAlignment(Qt::AlignHCenter);
    else if (name == QLatin1String("RightAlign"))
        RichEdit1->setAlignment(Qt::AlignRight | Qt::AlignAbsolute);
    else
        RichEdit1->setAlignment(Qt::AlignLeft | Qt::AlignAbsolute);
}

void TMainForm::BulletsClick(bool on) {
    if (FUpdating)
        return;
    QTextCursor cursor = RichEdit1->textCursor();
    cursor.beginEditBlock();
    if (on) {
        if (!cursor.currentList())
            cursor.createList(QTextListFormat::ListDisc);
    } else {
        QTextDocument* document = RichEdit1->document();
        const QTextBlock last = document->findBlock(cursor.selectionEnd());
        for (QTextBlock block = document->findBlock(cursor.selectionStart()); block.isValid();
             block = block.next()) {
            if (QTextList* list = block.textList()) {
                list->remove(block);
                // The list's own indent goes with it.
                QTextBlockFormat format = block.blockFormat();
                format.setIndent(0);
                QTextCursor(block).setBlockFormat(format);
            }
            if (block == last)
                break;
        }
    }
    cursor.endEditBlock();
    SelectionChange();
}

void TMainForm::setParagraphIndents(int first, int left, int right) {
    QTextBlockFormat format;
    format.setLeftMargin((first + left) * 4.0 / 3.0);
    format.setTextIndent(-left * 4.0 / 3.0);
    format.setRightMargin(right * 4.0 / 3.0);
    RichEdit1->textCursor().mergeBlockFormat(format);
}

void TMainForm::RulerMarkerReleased(TRulerMarker* marker) {
    editor::RulerIndents indents = indentsOf(RichEdit1->textCursor().blockFormat());
    const int half = marker->dragHalf();
    switch (marker->kind()) {
    case TRulerMarker::First:
        indents.first = editor::firstIndentAt(Ruler->FirstInd->x(), half);
        indents.left = editor::leftIndentAt(Ruler->LeftInd->x(), half, indents.first);
        break;
    case TRulerMarker::Left:
        indents.left = editor::leftIndentAt(Ruler->LeftInd->x(), half, indents.first);
        break;
    case TRulerMarker::Right:
        indents.right = editor::rightIndentAt(Ruler->RightInd->x(), half, Ruler->width());
        break;
    }
    setParagraphIndents(indents.first, indents.left, indents.right);
    SelectionChange();
}

void TMainForm::SelectionChange() {
    FUpdating = true;
    const QTextCursor cursor = RichEdit1->textCursor();
    const editor::RulerMarkers markers =
        editor::rulerMarkers(indentsOf(cursor.blockFormat()), Ruler->width());
    Ruler->FirstInd->move(markers.first, Ruler->FirstInd->y());
    Ruler->LeftInd->move(markers.left, Ruler->LeftInd->y());
    Ruler->RightInd->move(markers.right, Ruler->RightInd->y());

    const QFont font =
        RichEdit1->currentCharFormat().font().resolve(RichEdit1->document()->defaultFont());
    const auto check = [this](const char* name, bool down) {
        findChild<QAction*>(QString::fromLatin1(name), Qt::FindDirectChildrenOnly)
            ->setChecked(down);
    };
    check("BoldButton", font.weight() >= QFont::DemiBold);
    check("ItalicButton", font.italic());
    check("UnderlineButton", font.underline());
    check("BulletsButton", cursor.currentList() != nullptr);
    const qreal points = font.pointSizeF() > 0 ? font.pointSizeF() : font.pixelSize() * 0.75;
    FontSize->setValue(static_cast<int>(std::lround(points)));
    FontName->setEditText(font.family());
    const Qt::Alignment horizontal = RichEdit1->alignment() & Qt::AlignHorizontal_Mask;
    check(horizontal & Qt::AlignHCenter ? "CenterAlign"
          : horizontal & Qt::AlignRight ? "RightAlign"
                                        : "LeftAlign",
          true);
    panels_[0]->setText(QString::asprintf("Line: %3d   Col: %3d", cursor.blockNumber() + 1,
                                          cursor.positionInBlock() + 1));
    FUpdating = false;
}

} // namespace zorkan::ui
