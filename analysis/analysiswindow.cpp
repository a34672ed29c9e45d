#include "analysis/analysiswindow.h"

#include "common/textnumbers.h"
#include "ui/childwindow.h"
#include "ui/controls.h"
#include "ui/errorhandler.h"
#include "ui/picturebox.h"
#include "ui/prompts.h"
#include "ui/sharedstate.h"
#include "ui/windownumbers.h"

#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace zorkan::ui {

namespace {

// The smallest picture the charts stay readable in.
constexpr int minimumPictureWidth = 320;
constexpr int minimumPictureHeight = 200;

const char* const pageTitles[analysisPageCount] = {"Нули и полюсы", "Задержка", "Импульсная",
                                                   "Переходная",    "АЧХ",      "Разность АЧХ"};
const char* const pageCaptions[analysisPageCount] = {
    "Нули (o) и полюсы (x), единичная окружность; цифра у знака - кратность",
    "Групповое время задержки в отсчетах на частотах от 0 до FD/2",
    "Импульсная характеристика h(n), n - номер отсчета с 0",
    "Переходная характеристика g(n), n - номер отсчета с 0",
    "АЧХ в дБ на частотах от 0 до FD/2 (не ниже -100 дБ от большего максимума)",
    "АЧХ файла минус АЧХ сравниваемого файла, дБ, на частотах от 0 до FD/2",
};

QFont pixelFont(const QFont& base, int pixels) {
    QFont font = base;
    font.setPixelSize(pixels);
    return font;
}

const FileDialogRequest filterFileRequest{
    QStringLiteral("Открыть файл фильтра"), QString(), QString(),
    QStringLiteral("Файлы фильтров|*.flt;*.fir|Файлы параметров фильтра|*.flt|КИХ-фильтры|*.fir"),
    QStringLiteral("flt")};

QString text(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

bool comparisonPage(int page) {
    return page == static_cast<int>(AnalysisPage::Magnitude) ||
           page == static_cast<int>(AnalysisPage::Difference);
}

} // namespace

AnalysisPicture::AnalysisPicture(QWidget* parent)
    : QWidget(parent), canvas_(zPlaneWidth, zPlaneHeight) {
    setMinimumSize(minimumPictureWidth, minimumPictureHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void AnalysisPicture::resizeEvent(QResizeEvent*) {
    if (canvas_.width() == width() && canvas_.height() == height())
        return;
    canvas_ = Canvas(std::max(1, width()), std::max(1, height()));
    if (onResize)
        onResize();
}

void AnalysisPicture::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // The canvas's pixels are shown in place, without a copy.
    const QImage view(reinterpret_cast<const uchar*>(canvas_.pixels()), canvas_.width(),
                      canvas_.height(), canvas_.width() * 4, QImage::Format_RGB32);
    painter.drawImage(0, 0, view);
}

void AnalysisPicture::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && onSave)
        onSave();
}

AnalysisWindow::AnalysisWindow(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("FormAnalysis"));
    setWindowTitle(QStringLiteral("Анализ фильтра"));
    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setObjectName(QStringLiteral("Splitter1"));
    splitter->addWidget(createControls());
    splitter->addWidget(createPages());
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setChildrenCollapsible(false);

    auto* readout = new PointerReadout(this, [this](int page, QPoint at) {
        if (!first_)
            return QString();
        return text(readoutAt(static_cast<AnalysisPage>(page), frames_[page], at.x(), at.y(),
                              *first_, second_ ? &*second_ : nullptr,
                              comparison_ ? &*comparison_ : nullptr, decimalSeparator()));
    });
    for (AnalysisPicture* image : images_)
        readout->watch(image);
    StaticText1 = readout->label();
    readout->placeUnder(splitter);
    splitter->setSizes({330, 730});

    // The filter last designed or analysed, if any; it is analysed once the window shows.
    const SharedState& state = shared();
    Edit1->setText(state.ResponseFilterFile.isEmpty() ? state.DesignedFilterFile
                                                      : state.ResponseFilterFile);
    drawPages();
}

QWidget* AnalysisWindow::createControls() {
    auto* panel = new QWidget;
    panel->setObjectName(QStringLiteral("Panel1"));
    const QFont small = pixelFont(font(), 11);
    const auto button = [&](const char* name, const QString& caption, QStyle::StandardPixmap icon) {
        auto* b = new QPushButton(style()->standardIcon(icon), caption, panel);
        b->setObjectName(QString::fromLatin1(name));
        b->setFixedHeight(25);
        return b;
    };
    const auto field = [&](const char* name, const QString& initial) {
        auto* e = new QLineEdit(initial, panel);
        e->setObjectName(QString::fromLatin1(name));
        e->setFont(small);
        e->setFixedHeight(21);
        return e;
    };
    const auto label = [&](const char* name, const QString& caption, QWidget* buddy) {
        auto* l = new QLabel(caption, panel);
        l->setObjectName(QString::fromLatin1(name));
        l->setFont(small);
        l->setBuddy(buddy);
        return l;
    };

    QPushButton* open = button("BitBtn1", QStringLiteral("&Файл"), QStyle::SP_DialogOpenButton);
    open->setToolTip(QStringLiteral("Выбрать файл параметров фильтра и рассчитать"));
    connect(open, &QPushButton::clicked, this, &AnalysisWindow::BitBtn1Click);
    Edit1 = field("Edit1", QString());
    Edit1->setToolTip(QStringLiteral("Файл параметров фильтра; Enter - рассчитать"));

    QPushButton* compare =
        button("BitBtn2", QStringLiteral("&Сравнить"), QStyle::SP_FileDialogContentsView);
    compare->setToolTip(QStringLiteral("Выбрать второй файл (например, квантованный) для "
                                       "сравнения"));
    connect(compare, &QPushButton::clicked, this, &AnalysisWindow::BitBtn2Click);
    Edit2 = field("Edit2", QString());
    Edit2->setToolTip(QStringLiteral("Файл для сравнения; пустое поле - без сравнения; Enter - "
                                     "рассчитать"));

    Edit3 = field("Edit3", QStringLiteral("1.0"));
    Edit3->setToolTip(QStringLiteral("Частота дискретизации, Гц: время задержки в секундах"));
    Edit4 = field("Edit4", QStringLiteral("256"));
    Edit4->setToolTip(QStringLiteral("Число отсчетов импульсной и переходной характеристик "
                                     "(от 1 до 65536)"));
    for (QLineEdit* e : {Edit1, Edit2, Edit3, Edit4})
        connect(e, &QLineEdit::returnPressed, this, &AnalysisWindow::runAnalysis);

    QPushButton* run = button("BitBtn4", QStringLiteral("&Расчет"), QStyle::SP_BrowserReload);
    run->setToolTip(QStringLiteral("Рассчитать заново с заданными файлами, FD и числом "
                                   "отсчетов"));
    connect(run, &QPushButton::clicked, this, &AnalysisWindow::runAnalysis);
    QPushButton* single =
        button("BitBtn3", QStringLiteral("&Без сравнения"), QStyle::SP_DialogDiscardButton);
    single->setToolTip(QStringLiteral("Убрать второй файл"));
    connect(single, &QPushButton::clicked, this, [this] {
        Edit2->clear();
        if (!Edit1->text().trimmed().isEmpty())
            runAnalysis();
    });
    QPushButton* close = button("BitBtn5", QStringLiteral("&Выход"), QStyle::SP_DialogCloseButton);
    connect(close, &QPushButton::clicked, this, [this] { parentWidget()->close(); });

    Memo1 = new QPlainTextEdit(panel);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    // Numbers of 23 characters stand in columns and never break.
    Memo1->setFont(pixelFont(QFontDatabase::systemFont(QFontDatabase::FixedFont), 11));
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setPlainText(QStringLiteral("Выберите файл параметров фильтра кнопкой «Файл»."));

    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(4);
    grid->addWidget(open, 0, 0);
    grid->addWidget(Edit1, 0, 1, 1, 4);
    grid->addWidget(compare, 1, 0);
    grid->addWidget(Edit2, 1, 1, 1, 4);
    grid->addWidget(label("Label7", QStringLiteral("FD"), Edit3), 2, 0, Qt::AlignRight);
    grid->addWidget(Edit3, 2, 1);
    grid->addWidget(label("Label8", QStringLiteral("Отсчетов"), Edit4), 2, 2, 1, 2, Qt::AlignRight);
    grid->addWidget(Edit4, 2, 4);
    grid->addWidget(run, 3, 0);
    grid->addWidget(single, 3, 1, 1, 2);
    grid->addWidget(close, 3, 3, 1, 2);
    grid->addWidget(Memo1, 4, 0, 1, 5);
    grid->setRowStretch(4, 1);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(4, 1);
    panel->setMinimumWidth(290);
    return panel;
}

QWidget* AnalysisWindow::createPages() {
    PageControl1 = new QTabWidget;
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    const QFont small = pixelFont(font(), 11);
    // Six tabs fit above a picture of the smallest width.
    PageControl1->tabBar()->setFont(small);
    for (int i = 0; i < analysisPageCount; ++i) {
        auto* page = new QWidget;
        page->setObjectName(QStringLiteral("TabSheet") + QString::number(i + 1));
        auto* image = new AnalysisPicture(page);
        image->setObjectName(QStringLiteral("Image") + QString::number(i + 1));
        image->setToolTip(QStringLiteral("Двойной щелчок - сохранить рисунок"));
        image->onResize = [this, i] { drawPage(i); };
        image->onSave = [this, i] { savePicture(static_cast<AnalysisPage>(i)); };
        images_[i] = image;
        auto* caption = new QLabel(QString::fromUtf8(pageCaptions[i]), page);
        caption->setObjectName(QStringLiteral("Label") + QString::number(i + 1));
        caption->setFont(small);
        caption->setWordWrap(true);
        captions_[i] = caption;
        auto* column = new QVBoxLayout(page);
        column->setContentsMargins(4, 4, 4, 2);
        column->setSpacing(2);
        column->addWidget(image, 1);
        column->addWidget(caption);
        PageControl1->addTab(page, QString::fromUtf8(pageTitles[i]));
    }
    for (int i = 0; i < analysisPageCount; ++i)
        if (comparisonPage(i))
            PageControl1->setTabEnabled(i, false);
    connect(PageControl1, &QTabWidget::currentChanged, this, [this] { StaticText1->clear(); });
    return PageControl1;
}

void AnalysisWindow::BitBtn1Click() {
    FileDialogRequest request = filterFileRequest;
    request.initialFolder = QDir::currentPath();
    const auto path = prompts().openFileName(request);
    if (!path)
        return;
    Edit1->setText(*path);
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
    Edit2->setText(*path);
    Edit2->setCursorPosition(0);
    if (!Edit1->text().trimmed().isEmpty())
        runAnalysis();
}

void AnalysisWindow::openFiles(const QString& first, const QString& second) {
    Edit1->setText(first);
    Edit2->setText(second);
    runAnalysis();
}

void AnalysisWindow::runAnalysis() {
    const QString firstPath = Edit1->text().trimmed();
    const QString secondPath = Edit2->text().trimmed();
    if (firstPath.isEmpty()) {
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
    AnalysedFile first = analyseFile(firstPath.toStdString(), fd, static_cast<int>(samples));
    std::optional<AnalysedFile> second;
    std::optional<FilterComparison> comparison;
    if (!secondPath.isEmpty()) {
        second = analyseFile(secondPath.toStdString(), fd, static_cast<int>(samples),
                             AnalysedRole::Compared);
        comparison = compareFilters(
            {&first.filter, first.fir ? &first.fir->taps : nullptr, &first.roots},
            {&second->filter, second->fir ? &second->fir->taps : nullptr, &second->roots}, fd);
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
    std::vector<std::string> compared;
    if (comparison_) {
        compared = comparisonLines(*comparison_);
        lines << QString() << QStringLiteral("Сравнение с файлом ") + text(second_->path) + ':';
        // The displacement table is long; its last lines sum it up.
        for (std::size_t i = comparison_->displacements.size(); i < compared.size(); ++i)
            lines << text(compared[i]);
        lines << QStringLiteral("Второй фильтр:");
        for (const std::string& line : second_->summaryText)
            lines << text(line);
        if (!second_->responseFault.empty())
            lines << QStringLiteral("Импульсная и переходная характеристики прерваны: ") +
                         text(second_->responseFault);
    }
    lines << QString()
          << QStringLiteral("Нули и полюсы (секция, нуль или полюс, Re, Im, радиус, угол в "
                            "радианах):");
    for (const FilterRoot& r : first_->roots)
        lines << text(rootLine(r));
    if (comparison_) {
        lines << QString()
              << QStringLiteral("Смещения (корень файла, Re и Im ближайшего корня того же рода "
                                "второго файла, расстояние):");
        for (std::size_t i = 0; i < comparison_->displacements.size(); ++i)
            lines << text(compared[i]);
    }
    Memo1->setPlainText(lines.join(QLatin1Char('\n')));
    for (int i = 0; i < analysisPageCount; ++i)
        captions_[i]->setText(QString::fromUtf8(pageCaptions[i]) +
                              (comparison_ && i != static_cast<int>(AnalysisPage::Difference)
                                   ? QStringLiteral("; синий - файл, красный - сравнение")
                                   : QString()));
    for (int i = 0; i < analysisPageCount; ++i)
        if (comparisonPage(i))
            PageControl1->setTabEnabled(i, comparison_.has_value());
}

void AnalysisWindow::drawPage(int i) {
    Canvas& canvas = images_[i]->canvas();
    if (first_)
        frames_[i] = drawAnalysisPage(canvas, static_cast<AnalysisPage>(i), *first_,
                                      second_ ? &*second_ : nullptr,
                                      comparison_ ? &*comparison_ : nullptr, fd_);
    else
        canvas.fillRect(0, 0, canvas.width(), canvas.height(), white);
    images_[i]->update();
}

void AnalysisWindow::drawPages() {
    for (int i = 0; i < analysisPageCount; ++i)
        drawPage(i);
}

void AnalysisWindow::savePicture(AnalysisPage page) {
    const auto path = prompts().savePictureName(
        {QStringLiteral("Сохранить рисунок"), QDir::currentPath(), QString(),
         QString::fromUtf8(pictureFilter), QStringLiteral("bmp")});
    if (!path)
        return;
    const std::string name = path->toStdString();
    // The files analysed, and those the fields name now.
    checkPictureName(name, first_ ? first_->path : std::string(),
                     second_ ? second_->path : std::string());
    checkPictureName(name, Edit1->text().trimmed().toStdString(),
                     Edit2->text().trimmed().toStdString());
    saveAnalysisPicture(picture(page)->canvas(), name);
}

AnalysisWindow* openAnalysisWindow() {
    auto* form = new AnalysisWindow;
    // As large as the document area allows, up to the size the pictures want.
    showSizedChildWindow(form, QSize(1060, 600));
    const QString last = form->findChild<QLineEdit*>(QStringLiteral("Edit1"))->text();
    if (!last.isEmpty() && QFileInfo(last).isFile())
        form->runAnalysis();
    return form;
}

} // namespace zorkan::ui
