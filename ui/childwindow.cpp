#include "ui/childwindow.h"

#include "ui/sharedstate.h"

#include <QAction>
#include <QActionGroup>
#include <QMdiArea>
#include <QMenu>
#include <QStyle>

#include <cmath>

namespace zorkan::ui {

QMdiSubWindow* showChildWindow(QWidget* form, Qt::WindowFlags frame, bool maximised) {
    QMdiArea* area = shared().documentArea;
    Q_ASSERT(area);
    QMdiSubWindow* window = area->addSubWindow(form, frame);
    window->setAttribute(Qt::WA_DeleteOnClose);
    if (form->minimumSize() == form->maximumSize()) {
        window->adjustSize();
        window->setFixedSize(window->size());
    }
    window->move(1, 1);
    if (maximised)
        window->showMaximized();
    else
        window->show();
    return window;
}

QMdiSubWindow* showSizedChildWindow(QWidget* form, QSize size) {
    QMdiSubWindow* window = showChildWindow(form, fixedChildFrame | Qt::WindowMaximizeButtonHint);
    if (QMdiArea* area = window->mdiArea())
        window->resize(size.boundedTo(area->viewport()->size()));
    return window;
}

QMdiSubWindow* findChildWindow(bool (*holds)(const QWidget* form)) {
    QMdiArea* area = shared().documentArea;
    if (!area)
        return nullptr;
    for (QMdiSubWindow* window : area->subWindowList())
        if (window->widget() && holds(window->widget()))
            return window;
    return nullptr;
}

void bringToFront(QMdiSubWindow* window) {
    if (!window)
        return;
    if (window->isMinimized())
        window->showNormal();
    window->raise();
    if (QMdiArea* area = window->mdiArea())
        area->setActiveSubWindow(window);
    if (window->widget())
        window->widget()->setFocus();
}

void cascadeChildWindows(QMdiArea* area) {
    QList<QMdiSubWindow*> windows;
    for (QMdiSubWindow* window : area->subWindowList(QMdiArea::StackingOrder))
        if (window->isVisible() && !window->isMinimized())
            windows << window;
    QMdiSubWindow* active = area->activeSubWindow();
    for (qsizetype i = 0; i < windows.size(); ++i) {
        QMdiSubWindow* window = windows[i];
        if (window->isMaximized())
            window->showNormal();
        // Each step uncovers the title bar of the window below.
        const int step =
            window->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, window) + 4;
        window->move(static_cast<int>(i) * step, static_cast<int>(i) * step);
        window->raise();
    }
    if (active)
        area->setActiveSubWindow(active);
}

void tileChildWindows(QMdiArea* area) {
    QList<QMdiSubWindow*> windows;
    for (QMdiSubWindow* window : area->subWindowList())
        if (window->isVisible() && !window->isMinimized())
            windows << window;
    if (windows.isEmpty())
        return;
    const auto count = static_cast<int>(windows.size());
    const int columns = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(count))));
    const int rows = (count + columns - 1) / columns;
    const QRect room = area->viewport()->rect();
    const int width = room.width() / columns;
    const int height = room.height() / rows;
    for (int i = 0; i < count; ++i) {
        QMdiSubWindow* window = windows[i];
        if (window->isMaximized())
            window->showNormal();
        // A window of fixed size keeps it; the others take their cell.
        const QSize size =
            QSize(width, height).expandedTo(window->minimumSize()).boundedTo(window->maximumSize());
        window->setGeometry(QRect(
            QPoint(room.x() + (i % columns) * width, room.y() + (i / columns) * height), size));
    }
}

void keepChildFrames(QMdiArea* area) {
    area->setOption(QMdiArea::DontMaximizeSubWindowOnActivation, true);
}

void addChildWindowCommands(QMenu* menu, QMdiArea* area) {
    const auto command = [menu](const char* name, const QString& caption, const QString& hint) {
        auto* action = new QAction(caption, menu);
        action->setObjectName(QString::fromLatin1(name));
        action->setToolTip(hint);
        action->setStatusTip(hint);
        return action;
    };
    QAction* cascade =
        command("Cascade", QStringLiteral("Каскадом"), QStringLiteral("Расположить окна каскадом"));
    QAction* tile =
        command("Tile", QStringLiteral("Мозаикой"), QStringLiteral("Расположить окна мозаикой"));
    QObject::connect(cascade, &QAction::triggered, area, [area] { cascadeChildWindows(area); });
    QObject::connect(tile, &QAction::triggered, area, [area] { tileChildWindows(area); });
    menu->addSeparator();
    menu->addAction(cascade);
    menu->addAction(tile);
    QAction* listStart = menu->addSeparator();

    // The list is made anew each time the menu opens: "&1 caption", the active one ticked.
    auto* list = new QActionGroup(menu);
    QObject::connect(menu, &QMenu::aboutToShow, menu, [menu, area, cascade, tile, list, listStart] {
        for (QAction* old : list->actions())
            delete old;
        const QList<QMdiSubWindow*> windows = area->subWindowList();
        cascade->setEnabled(!windows.isEmpty());
        tile->setEnabled(!windows.isEmpty());
        listStart->setVisible(!windows.isEmpty());
        int number = 0;
        for (QMdiSubWindow* window : windows) {
            ++number;
            const QString title = window->windowTitle();
            auto* item = new QAction(
                (number < 10 ? QStringLiteral("&%1 ") : QStringLiteral("%1 ")).arg(number) + title,
                list);
            item->setObjectName(QStringLiteral("ChildWindow%1").arg(number));
            const QString hint = QStringLiteral("Перейти к окну «%1»").arg(title);
            item->setToolTip(hint);
            item->setStatusTip(hint);
            item->setCheckable(true);
            item->setChecked(window == area->activeSubWindow());
            QPointer<QMdiSubWindow> target = window;
            QObject::connect(item, &QAction::triggered, area, [target] { bringToFront(target); });
            menu->addAction(item);
        }
    });
}

} // namespace zorkan::ui
