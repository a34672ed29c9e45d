#pragma once
// Child windows of the main window's document area.
#include <QMdiSubWindow>

class QMdiArea;
class QMenu;

namespace zorkan::ui {

// Frame of a fixed-size child window: title, system menu, minimise and close boxes.
constexpr Qt::WindowFlags fixedChildFrame =
    Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
    Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint;

// Puts `form` into the document area at its top-left corner (1, 1), or maximised, and
// shows it. The child window is destroyed when it closes. A form of fixed size gives a
// child window that cannot be resized. Only a window asked to be maximised opens so,
// whatever the state of the others.
QMdiSubWindow* showChildWindow(QWidget* form, Qt::WindowFlags frame, bool maximised = false);

// A resizable child window with a maximise box, as large as the document area allows up
// to `size`.
QMdiSubWindow* showSizedChildWindow(QWidget* form, QSize size);
// The child window holding a form of class Form, or nullptr.
template <class Form> QMdiSubWindow* findChildWindow();
QMdiSubWindow* findChildWindow(bool (*holds)(const QWidget* form));

// Brings a child window to the front and makes it the active one (restoring it first
// when minimised). Nothing when `window` is null.
void bringToFront(QMdiSubWindow* window);

// Makes `area` keep the frames of its windows: a window maximised by the user or opened
// maximised does not maximise the next one activated, and when it closes the others
// that were maximised with it return to their normal state.
void keepChildFrames(QMdiArea* area);

// Steps the visible child windows down and right from the area's corner in their stacking
// order, so that every title bar shows; the active window stays on top.
void cascadeChildWindows(QMdiArea* area);

// Lays the visible child windows out in a grid over the document area, in the order they
// were opened; a window of fixed size keeps its size. Unlike Qt's own tiling it never
// enlarges the main window to make fixed windows fit.
void tileChildWindows(QMdiArea* area);

// Adds to `menu`, after what it holds: "Каскадом", "Мозаикой" and, each time the menu
// opens, a numbered list of the open child windows that activates the chosen one.
void addChildWindowCommands(QMenu* menu, QMdiArea* area);

template <class Form> QMdiSubWindow* findChildWindow() {
    return findChildWindow(
        [](const QWidget* form) { return qobject_cast<const Form*>(form) != nullptr; });
}

} // namespace zorkan::ui
