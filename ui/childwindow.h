#pragma once
// Child windows of the main window's document area.
#include <QMdiSubWindow>

namespace zorkan::ui {

// Frame of a fixed-size child window: title, system menu, minimise and close boxes.
constexpr Qt::WindowFlags fixedChildFrame =
    Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
    Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint;

// Puts `form` into the document area at its top-left corner (1, 1), or maximised, and
// shows it. The child window is destroyed when it closes. A form of fixed size gives a
// child window that cannot be resized.
QMdiSubWindow* showChildWindow(QWidget* form, Qt::WindowFlags frame, bool maximised = false);

} // namespace zorkan::ui
