#include "spectral/Unit6.h"

#include "spectral/spectralcommands.h"
#include "ui/childwindow.h"
#include "ui/picturebox.h"
#include "ui/prompts.h"

#include <QDir>
#include <QFrame>
#include <QMouseEvent>

namespace zorkan::ui {

namespace {

constexpr int clientHeight = 355;

} // namespace

TForm6::TForm6(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Form6"));
    setFixedSize(spectrumPictureWidth, clientHeight);
    constexpr int pitch = spectrumPictureHeight + spectrumSeparatorHeight;
    for (int i = 0; i < spectrumPictureCount; ++i) {
        auto* picture = new PictureBox(spectrumPictureWidth, spectrumPictureHeight, this);
        picture->setObjectName(QStringLiteral("Image") + QString::number(i + 1));
        picture->move(0, i * pitch);
        picture->setToolTip(QStringLiteral("Двойной щелчок - сохранить рисунок"));
        // The double click is taken here: these pictures are saved as bitmaps only.
        picture->installEventFilter(this);
        pictures_[static_cast<std::size_t>(i)] = picture;

        auto* separator = new QFrame(this);
        separator->setObjectName(QStringLiteral("Bevel") + QString::number(i + 1));
        separator->setFrameStyle(QFrame::HLine | QFrame::Raised);
        separator->setGeometry(0, i * pitch + spectrumPictureHeight, spectrumPictureWidth,
                               spectrumSeparatorHeight);
    }
}

std::array<Canvas*, spectrumPictureCount> TForm6::canvases() const {
    return {&pictures_[0]->canvas(), &pictures_[1]->canvas(), &pictures_[2]->canvas()};
}

void TForm6::refreshPictures() {
    for (PictureBox* picture : pictures_)
        picture->update();
}

void TForm6::savePicture(int index) {
    const auto path = prompts().savePictureName(
        {QStringLiteral("Сохранить рисунок"), QDir::currentPath(), QString(),
         QStringLiteral("Bitmaps|*.bmp"), QStringLiteral("bmp")});
    if (path)
        picture(index)->canvas().saveBmp(path->toStdString());
}

bool TForm6::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonDblClick &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        for (int i = 0; i < spectrumPictureCount; ++i)
            if (watched == pictures_[static_cast<std::size_t>(i)]) {
                savePicture(i);
                return true;
            }
    }
    return QWidget::eventFilter(watched, event);
}

TForm6* openSpectrumWindow(const QString& suffix) {
    auto* form = new TForm6;
    form->setWindowTitle(QString::fromUtf8(spectrumCaption) + suffix);
    showChildWindow(form, fixedChildFrame);
    return form;
}

} // namespace zorkan::ui
