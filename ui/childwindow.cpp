#include "ui/childwindow.h"

#include "ui/sharedstate.h"

#include <QMdiArea>

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

} // namespace zorkan::ui
