#pragma once
// The set-up the tests of the newer windows share: the program started with its main
// window shown, the window opened by its menu command, its children by name, the messages
// shown so far, and a menu's item found by name.
#include "tests/ui/uitest.h"

#include <QAction>
#include <QMenu>
#include <QStringList>
#include <QTest>

namespace zorkan::ui::test {

// The item of the main window's menu `menu` whose objectName is `name`, or null.
inline QAction* menuItem(Program& program, const char* menu, const char* name) {
    auto* items = program.main().findChild<QMenu*>(QString::fromLatin1(menu));
    QAction* item = nullptr;
    for (QAction* a : items->actions())
        if (a->objectName() == QString::fromLatin1(name))
            item = a;
    return item;
}

template <class Window> struct WindowSession {
    // `command`: the objectName of the menu item that opens the window.
    explicit WindowSession(const char* command) : command_(command) {
        program.start();
        program.main().show();
        QVERIFY(QTest::qWaitForWindowExposed(&program.main()));
    }
    Window* open() {
        program.main().command(command_)->trigger();
        form = program.main().findChild<Window*>();
        return form;
    }
    template <class T> T* child(const char* name) { return form->template findChild<T*>(name); }
    // The texts of the messages the scripted prompts have shown, in order.
    QStringList messages() {
        QStringList texts;
        for (const auto& m : program.prompts().messages)
            texts << m.text;
        return texts;
    }

    Program program;
    Window* form = nullptr;

  private:
    const char* command_;
};

} // namespace zorkan::ui::test
