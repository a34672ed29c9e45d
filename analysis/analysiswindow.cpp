#include "analysis/analysiswindow.h"

#include "common/textnumbers.h"
#include "ui/childwindow.h"
#include "ui/controls.h"
#include "ui/errorhandler.h"
#include "ui/picturebox.h"
#include "ui/prompts.h"
#include "ui/windownumbers.h"

#include <QDir>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QTabWidget>

namespace zorkan::ui {

namespace {

constexpr int pictureWidth = zPlaneWidth;
constexpr int pictureHeight = zPlaneHeight;

const char* const pageTitles[] = {"Нули и полюсы", "Групповое время", "Импульсная", "Переходная",
                                  "Сравнение АЧХ"};
const char* const pageCaptions[] = {
    "Нули (o) и полюсы (x), единичная окружность; цифра у знака - кратность",
    "Групповое время задержки, отсчеты, на частотах от 0 до FD/2",
    "Импульсная характеристика h(n), n - номер отсчета с 0",
    "Переходная характеристика g(n), n - номер отсчета с 0",
    "АЧХ, dB, на частотах от 0 до FD/2 (не ниже -100 dB от большего максимума)",
};

QFont pixelFont(const QFont& base, int pixels) {
    QFont font = base;
    font.setPixelSize(pixels);
    return font;
}

const FileDialogRequest filterFileRequest{
    QStringLiteral("Открыть файл фильтра"), QString(), QString(),
    QStringLiteral("Файлы параметров фильтра|*.flt"), QStringLiteral("flt")};

QString text(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

QString rootLine(const FilterRoot& r) {
    return QStringLiteral("%1 %2: %3 %4 j%5, радиус %6")
        .arg(r.section)
        .arg(r.pole ? QStringLiteral("полюс") : QStringLiteral("нуль"))
        .arg(showGeneral(r.re))
        .arg(r.im < 0 ? QStringLiteral("-") : QStringLiteral("+"))
        .arg(showGeneral(std::abs(r.im)))
        .arg(showGeneral(r.radius));
}

} // namespace

AnalysisWindow::AnalysisWindow(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("FormAnalysis"));
    setWindowTitle(QStringLiteral("Анализ фильтра"));
    setFixedSize(900, 410);
    createControls();
    createPages();
    drawPages();
}

void AnalysisWindow::createControls() {
    const QFont small = pixelFont(font(), 11);
    const auto button = [this](const char* name, const QString& caption,
                               QStyle::StandardPixmap icon, int x, int y, int w) {
        auto* b = new QPushButton(style()->standardIcon(icon), caption, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(x, y, w, 25);
        return b;
    };
    const auto field = [&](const char* name, int x, int y, int w, const QString& initial) {
        auto* e = new QLineEdit(initial, this);
        e->setObjectName(QString::fromLatin1(name));
        e->setFont(small);
        e->setGeometry(x, y, w, 21);
        return e;
    };
    const auto label = [&](const char* name, const QString& caption, QWidget* buddy, int x, int y) {
        auto* l = new QLabel(caption, this);
        l->setObjectName(QString::fromLatin1(name));
        l->setFont(small);
        l->setBuddy(buddy);
        l->move(x, y);
        l->adjustSize();
    };

    QPushButton* open =
        button("BitBtn1", QStringLiteral("&Файл"), QStyle::SP_DialogOpenButton, 4, 4, 86);
    open->setToolTip(QStringLiteral("Выбрать файл параметров фильтра и рассчитать"));
    connect(open, &QPushButton::clicked, this, &AnalysisWindow::BitBtn1Click);
    Edit1 = field("Edit1", 94, 6, 186, QString());
    Edit1->setReadOnly(true);

    QPushButton* compare = button("BitBtn2", QStringLiteral("&Сравнить"),
                                  QStyle::SP_FileDialogContentsView, 4, 32, 86);
    compare->setToolTip(QStringLiteral("Выбрать второй файл (например, квантованный) для "
                                       "сравнения"));
    connect(compare, &QPushButton::clicked, this, &AnalysisWindow::BitBtn2Click);
    Edit2 = field("Edit2", 94, 34, 186, QString());
    Edit2->setReadOnly(true);

    Edit3 = field("Edit3", 30, 62, 60, QStringLiteral("1.0"));
    Edit3->setToolTip(QStringLiteral("Частота дискретизации: время задержки в секундах"));
    label("Label6", QStringLiteral("FD"), Edit3, 8, 65);
    Edit4 = field("Edit4", 220, 62, 60, QStringLiteral("256"));
    Edit4->setToolTip(QStringLiteral("Число отсчетов импульсной и переходной характеристик "
                                     "(от 1 до 65536)"));
    label("Label7", QStringLiteral("Отсчетов"), Edit4, 160, 65);
    connect(Edit3, &QLineEdit::returnPressed, this, &AnalysisWindow::runAnalysis);
    connect(Edit4, &QLineEdit::returnPressed, this, &AnalysisWindow::runAnalysis);

    QPushButton* run =
        button("BitBtn4", QStringLiteral("&Расчет"), QStyle::SP_BrowserReload, 4, 90, 86);
    run->setToolTip(QStringLiteral("Рассчитать заново с заданными FD и числом отсчетов"));
    connect(run, &QPushButton::clicked, this, &AnalysisWindow::runAnalysis);
    QPushButton* single = button("BitBtn3", QStringLiteral("&Без сравнения"),
                                 QStyle::SP_DialogDiscardButton, 94, 90, 110);
    single->setToolTip(QStringLiteral("Убрать второй файл"));
    connect(single, &QPushButton::clicked, this, [this] {
        secondPath_.clear();
        Edit2->clear();
        if (!firstPath_.isEmpty())
            runAnalysis();
    });
    QPushButton* close =
        button("BitBtn5", QStringLiteral("&Выход"), QStyle::SP_DialogCloseButton, 208, 90, 72);
    connect(close, &QPushButton::clicked, this, [this] { parentWidget()->close(); });

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    Memo1->setFont(small);
    Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Memo1->setGeometry(4, 120, 276, 264);
    Memo1->setPlainText(QStringLiteral("Выберите файл параметров фильтра кнопкой «Файл»."));

    StaticText1 = new QLabel(this);
    StaticText1->setObjectName(QStringLiteral("StaticText1"));
    StaticText1->setFont(small);
    StaticText1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    StaticText1->setGeometry(4, 387, 892, 20);
}

void AnalysisWindow::createPages() {
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setGeometry(286, 2, 610, 382);
    const QFont small = pixelFont(font(), 11);
    for (int i = 0; i < 5; ++i) {
        auto* page = new QWidget;
        page->setObjectName(QStringLiteral("TabSheet") + QString::number(i + 1));
        auto* image = new PictureBox(pictureWidth, pictureHeight, page);
        image->setObjectName(QStringLiteral("Image") + QString::number(i + 1));
        image->move(6, 4);
        image->setToolTip(QStringLiteral("Двойной щелчок - сохранить рисунок"));
        image->setMouseTracking(true);
        image->installEventFilter(this);
        images_[i] = image;
        auto* caption = new QLabel(QString::fromUtf8(pageCaptions[i]), page);
        caption->setObjectName(QStringLiteral("Label") + QString::number(i + 1));
        caption->setFont(small);
        caption->setGeometry(6, 4 + pictureHeight + 2, pictureWidth, 14);
        captions_[i] = caption;
        PageControl1->addTab(page, QString::fromUtf8(pageTitles[i]));
    }
    PageControl1->setTabEnabled(static_cast<int>(AnalysisPage::Magnitude), false);
    connect(PageControl1, &QTabWidget::currentChanged, this, [this] { StaticText1->clear(); });
}

void AnalysisWindow::BitBtn1Click() {
    FileDialogRequest request = filterFileRequest;
    request.initialFolder = QDir::currentPath();
    const auto path = prompts().openFileName(request);
    if (!path)
        return;
    firstPath_ = *path;
    Edit1->setText(firstPath_);
    Edit1->setCursorPosition(0);
    runAnalysis();
}

void AnalysisWindow::BitBtn2Click() {
    FileDialogRequest request = filterFileRequest;
    request.title = QStringLiteral("Открыть файл фильтра для сравнения");
    request.initialFolder = QDir::currentPath();
    const auto path = prompts().openFileName(request);
    if (!path)
        return;
    secondPath_ = *path;
    Edit2->setText(secondPath_);
    Edit2->setCursorPosition(0);
    if (!firstPath_.isEmpty())
        runAnalysis();
}

void AnalysisWindow::openFiles(const QString& first, const QString& second) {
    firstPath_ = first;
    secondPath_ = second;
    Edit1->setText(first);
    Edit2->setText(second);
    runAnalysis();
}

void AnalysisWindow::runAnalysis() {
    if (firstPath_.isEmpty()) {
        prompts().message(MessageIcon::None, applicationTitle(),
                          QStringLiteral("Не задано имя файла"));
        return;
    }
    const double fd = readReal(Edit3->text());
    const std::int64_t samples = readInteger(Edit4->text());
    checkSamplingFrequency(fd);
    checkSampleCount(samples);

    // Everything is computed before anything is shown: a file that fails leaves the
    // window as it was.
    const BusyCursor busy;
    AnalysedFile first = analyseFile(firstPath_.toStdString(), fd, static_cast<int>(samples));
    std::optional<AnalysedFile> second;
    std::optional<FilterComparison> comparison;
    if (!secondPath_.isEmpty()) {
        second = analyseFile(secondPath_.toStdString(), fd, static_cast<int>(samples));
        comparison = compareFilters(first.filter, first.roots, second->filter, second->roots, fd);
    }
    fd_ = fd;
    first_ = std::move(first);
    second_ = std::move(second);
    comparison_ = std::move(comparison);
    showResults();
    drawPages();
}

void AnalysisWindow::showResults() {
    QStringList lines;
    for (const std::string& line : first_->summaryText)
        lines << text(line);
    if (!first_->responseFault.empty())
        lines << QStringLiteral("Импульсная и переходная характеристики прерваны: ") +
                     text(first_->responseFault);
    if (comparison_) {
        lines << QString() << QStringLiteral("Сравнение с файлом ") + secondPath_ + ':';
        const std::vector<std::string> all = comparisonLines(*comparison_);
        // The displacement table is long; its last lines sum it up.
        for (std::size_t i = comparison_->displacements.size(); i < all.size(); ++i)
            lines << text(all[i]);
        lines << QStringLiteral("Второй фильтр:");
        for (const std::string& line : second_->summaryText)
            lines << text(line);
        if (!second_->responseFault.empty())
            lines << QStringLiteral("Импульсная и переходная характеристики прерваны: ") +
                         text(second_->responseFault);
    }
    lines << QString() << QStringLiteral("Нули и полюсы:");
    for (const FilterRoot& r : first_->roots)
        lines << rootLine(r);
    if (comparison_) {
        lines << QString()
              << QStringLiteral("Смещения (секция, корень, расстояние до ближайшего "
                                "корня второго фильтра):");
        for (const RootDisplacement& d : comparison_->displacements)
            lines << QStringLiteral("%1 %2: %3")
                         .arg(d.root.section)
                         .arg(d.root.pole ? QStringLiteral("полюс") : QStringLiteral("нуль"))
                         .arg(d.nearest ? showGeneral(d.distance) : QStringLiteral("нет"));
    }
    Memo1->setPlainText(lines.join(QLatin1Char('\n')));
    for (int i = 0; i < 5; ++i)
        captions_[i]->setText(
            QString::fromUtf8(pageCaptions[i]) +
            (comparison_ ? QStringLiteral("; синий - файл, красный - сравнение") : QString()));
    for (QLabel* caption : captions_)
        fitText(caption, pictureWidth);
    PageControl1->setTabEnabled(static_cast<int>(AnalysisPage::Magnitude), comparison_.has_value());
}

void AnalysisWindow::drawPages() {
    for (int i = 0; i < 5; ++i) {
        Canvas& canvas = images_[i]->canvas();
        if (first_)
            frames_[i] = drawAnalysisPage(canvas, static_cast<AnalysisPage>(i), *first_,
                                          second_ ? &*second_ : nullptr,
                                          comparison_ ? &*comparison_ : nullptr, fd_);
        else
            canvas.fillRect(0, 0, canvas.width(), canvas.height(), white);
        images_[i]->update();
    }
}

bool AnalysisWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseMove && first_) {
        for (int i = 0; i < 5; ++i) {
            if (watched != images_[i])
                continue;
            const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
            StaticText1->setText(
                text(readoutAt(static_cast<AnalysisPage>(i), frames_[i], at.x(), at.y(), *first_,
                               second_ ? &*second_ : nullptr, comparison_ ? &*comparison_ : nullptr,
                               decimalSeparator())));
        }
    } else if (event->type() == QEvent::Leave) {
        StaticText1->clear();
    }
    return QWidget::eventFilter(watched, event);
}

AnalysisWindow* openAnalysisWindow() {
    auto* form = new AnalysisWindow;
    showChildWindow(form, fixedChildFrame);
    return form;
}

} // namespace zorkan::ui
