#include "characteristics/characteristicswindow.h"

#include "analysis/analysisrun.h"
#include "analysis/filteranalysis.h"
#include "common/errors.h"
#include "common/replacefile.h"
#include "design/designreport.h"
#include "fir/firfile.h"
#include "fixedpoint/report.h"
#include "ui/childwindow.h"
#include "ui/prompts.h"
#include "ui/sharedstate.h"
#include "ui/windownumbers.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace zorkan::ui {

namespace {

const char* const caption = "Характеристики фильтров";

const Target quantisedTargets[] = {Target::Q15,     Target::Q31,      Target::Float,
                                   Target::Double,  Target::CmsisQ15, Target::CmsisQ31,
                                   Target::CmsisF32};

QString targetLabel(Target t) {
    return QString::fromStdString(targetName(t));
}

} // namespace

CharacteristicsWindow::CharacteristicsWindow(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("CharacteristicsWindow"));
    setWindowTitle(QString::fromUtf8(caption));
    QFont small = font();
    small.setPointSize(9);

    auto* panel = new QWidget(this);
    panel->setFixedWidth(250);
    const auto button = [&](const char* name, const QString& text, QStyle::StandardPixmap icon,
                            const QString& hint) {
        auto* b = new QPushButton(style()->standardIcon(icon), text, panel);
        b->setObjectName(QString::fromLatin1(name));
        b->setToolTip(hint);
        b->setFont(small);
        return b;
    };
    const auto check = [&](const char* name, const QString& text, const QString& hint) {
        auto* c = new QCheckBox(text, panel);
        c->setObjectName(QString::fromLatin1(name));
        c->setToolTip(hint);
        c->setFont(small);
        return c;
    };
    const auto edit = [&](const char* name, const QString& hint) {
        auto* e = new QLineEdit(panel);
        e->setObjectName(QString::fromLatin1(name));
        e->setToolTip(hint);
        e->setFont(small);
        return e;
    };

    Edit1 = edit("Edit1", QStringLiteral("Имя файла параметров фильтра; Enter - добавить"));
    const SharedState& state = shared();
    Edit1->setText(state.ResponseFilterFile.isEmpty() ? state.DesignedFilterFile
                                                      : state.ResponseFilterFile);
    connect(Edit1, &QLineEdit::returnPressed, this, [this] { addFile(Edit1->text().trimmed()); });
    QPushButton* add =
        button("BitBtn1", QStringLiteral("&Добавить"), QStyle::SP_DialogOpenButton,
               QStringLiteral(
                   "Добавить файлы параметров фильтров (можно выбрать несколько, до 8 кривых)"));
    connect(add, &QPushButton::clicked, this, &CharacteristicsWindow::BitBtn1Click);
    QPushButton* remove =
        button("BitBtn2", QStringLiteral("&Убрать"), QStyle::SP_DialogDiscardButton,
               QStringLiteral("Убрать выбранную кривую"));
    connect(remove, &QPushButton::clicked, this, &CharacteristicsWindow::removeSelected);
    ListBox1 = new QListWidget(panel);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setToolTip(QStringLiteral("Кривые графика в цветах легенды"));
    ListBox1->setFont(small);

    ComboBox1 = new QComboBox(panel);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->addItems({QStringLiteral("АЧХ"), QStringLiteral("АЧХ, дБ"), QStringLiteral("ФЧХ"),
                         QStringLiteral("Групповое время задержки")});
    ComboBox1->setCurrentIndex(1);
    ComboBox1->setToolTip(QStringLiteral("Характеристика"));
    ComboBox1->setFont(small);
    CheckBox1 = check("CheckBox1", QStringLiteral("Фаза в пределах ±π"),
                      QStringLiteral("Фаза свернута в (-π, π] вместо непрерывной"));
    CheckBox2 = check("CheckBox2", QStringLiteral("Фаза в градусах"),
                      QStringLiteral("Фаза в градусах вместо радиан"));
    CheckBox3 = check("CheckBox3", QStringLiteral("Задержка в секундах"),
                      QStringLiteral("Групповое время задержки в секундах вместо отсчетов"));
    CheckBox4 = check("CheckBox4", QStringLiteral("Логарифмическая ось частот"),
                      QStringLiteral("Ось частот в логарифмическом масштабе (от FD/2000)"));
    CheckBox5 = check("CheckBox5", QStringLiteral("АЧХ относительно максимума"),
                      QStringLiteral("АЧХ каждого фильтра относительно ее максимума в полосе "
                                     "пропускания (без маски - на всех частотах)"));
    Edit2 = edit("Edit2", QStringLiteral("Частота дискретизации FD: частоты в ее единицах (1 - "
                                         "доли FD, 48000 - герцы)"));
    Edit2->setText(QStringLiteral("1"));
    Edit3 = edit("Edit3", QStringLiteral("Отчет расчета (.out) с требованиями - маска допусков; "
                                         "пустое поле - без маски"));
    QPushButton* mask =
        button("BitBtn3", QStringLiteral("&Маска"), QStyle::SP_FileDialogContentsView,
               QStringLiteral("Выбрать отчет расчета (.out) для маски допусков"));
    connect(mask, &QPushButton::clicked, this, &CharacteristicsWindow::BitBtn3Click);
    QPushButton* last =
        button("BitBtn4", QStringLiteral("Последний расчет"), QStyle::SP_FileDialogDetailedView,
               QStringLiteral("Маска по требованиям последнего расчета фильтра"));
    connect(last, &QPushButton::clicked, this, &CharacteristicsWindow::BitBtn4Click);
    ComboBox2 = new QComboBox(panel);
    ComboBox2->setObjectName(QStringLiteral("ComboBox2"));
    for (Target t : quantisedTargets)
        ComboBox2->addItem(targetLabel(t));
    ComboBox2->setToolTip(QStringLiteral("Арифметика реализации для квантованного фильтра"));
    ComboBox2->setFont(small);
    QPushButton* quantised =
        button("BitBtn5", QStringLiteral("&Квантованный"), QStyle::SP_ArrowRight,
               QStringLiteral("Добавить кривую квантованного фильтра выбранного файла "
                              "(масштабирование по пику, секции по возрастанию радиуса)"));
    connect(quantised, &QPushButton::clicked, this, &CharacteristicsWindow::addQuantised);
    QPushButton* all = button("BitBtn6", QStringLiteral("&Весь график"), QStyle::SP_BrowserReload,
                              QStringLiteral("Показать весь график (Home)"));
    QPushButton* picture =
        button("BitBtn7", QStringLiteral("&Рисунок"), QStyle::SP_DialogSaveButton,
               QStringLiteral("Сохранить рисунок графика: PNG, SVG или PDF"));
    connect(picture, &QPushButton::clicked, this, &CharacteristicsWindow::savePicture);
    QPushButton* copy = button("BitBtn8", QStringLiteral("К&опировать"), QStyle::SP_FileIcon,
                               QStringLiteral("Копировать видимые данные кривых в буфер обмена"));
    connect(copy, &QPushButton::clicked, this, &CharacteristicsWindow::copyData);
    QPushButton* csv = button("BitBtn9", QStringLiteral("&CSV"), QStyle::SP_DialogSaveButton,
                              QStringLiteral("Сохранить видимые данные кривых в файле CSV"));
    connect(csv, &QPushButton::clicked, this, &CharacteristicsWindow::saveCsv);
    QPushButton* close = button("BitBtn10", QStringLiteral("В&ыход"), QStyle::SP_DialogCloseButton,
                                QStringLiteral("Закрыть окно"));
    connect(close, &QPushButton::clicked, this, [this] {
        if (parentWidget())
            parentWidget()->close();
        else
            this->close();
    });

    Image1 = new CharacteristicsPlot(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setToolTip(QString());
    connect(all, &QPushButton::clicked, Image1, &CharacteristicsPlot::showAll);
    StaticText1 = new QLabel(this);
    StaticText1->setObjectName(QStringLiteral("StaticText1"));
    StaticText1->setFont(small);
    StaticText1->setMinimumHeight(18);
    StaticText1->setTextInteractionFlags(Qt::TextSelectableByMouse);
    StaticText2 = new QLabel(this);
    StaticText2->setObjectName(QStringLiteral("StaticText2"));
    StaticText2->setFont(small);
    StaticText2->setWordWrap(true);
    StaticText2->setTextInteractionFlags(Qt::TextSelectableByMouse);
    connect(Image1, &CharacteristicsPlot::readoutChanged, StaticText1, &QLabel::setText);
    connect(Image1, &CharacteristicsPlot::markersChanged, StaticText2, &QLabel::setText);

    auto* controls = new QVBoxLayout(panel);
    controls->setContentsMargins(4, 4, 4, 4);
    controls->setSpacing(4);
    controls->addWidget(Edit1);
    auto* fileButtons = new QHBoxLayout;
    fileButtons->addWidget(add);
    fileButtons->addWidget(remove);
    controls->addLayout(fileButtons);
    controls->addWidget(ListBox1, 1);
    controls->addWidget(ComboBox1);
    for (QCheckBox* c : {CheckBox1, CheckBox2, CheckBox3, CheckBox4, CheckBox5})
        controls->addWidget(c);
    auto* fdRow = new QHBoxLayout;
    auto* fdLabel = new QLabel(QStringLiteral("FD"), panel);
    fdLabel->setFont(small);
    fdLabel->setBuddy(Edit2);
    fdRow->addWidget(fdLabel);
    fdRow->addWidget(Edit2, 1);
    controls->addLayout(fdRow);
    controls->addWidget(Edit3);
    auto* maskButtons = new QHBoxLayout;
    maskButtons->addWidget(mask);
    maskButtons->addWidget(last);
    controls->addLayout(maskButtons);
    auto* quantisedRow = new QHBoxLayout;
    quantisedRow->addWidget(ComboBox2);
    quantisedRow->addWidget(quantised);
    controls->addLayout(quantisedRow);
    auto* outButtons = new QGridLayout;
    outButtons->addWidget(all, 0, 0);
    outButtons->addWidget(picture, 0, 1);
    outButtons->addWidget(copy, 1, 0);
    outButtons->addWidget(csv, 1, 1);
    controls->addLayout(outButtons);
    controls->addWidget(close);

    auto* right = new QVBoxLayout;
    right->addWidget(Image1, 1);
    right->addWidget(StaticText1);
    right->addWidget(StaticText2);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(panel);
    layout->addLayout(right, 1);

    for (QCheckBox* c : {CheckBox1, CheckBox2, CheckBox3, CheckBox4, CheckBox5})
        connect(c, &QCheckBox::toggled, this, [this] { refresh(); });
    connect(ComboBox1, &QComboBox::currentIndexChanged, this, [this] { refresh(); });
    for (QLineEdit* e : {Edit2, Edit3})
        connect(e, &QLineEdit::returnPressed, this, [this] { refresh(); });
}

bool CharacteristicsWindow::addFile(const QString& path) {
    if (!appendFile(path))
        return false;
    return refresh();
}

bool CharacteristicsWindow::appendFile(const QString& path) {
    if (path.isEmpty()) {
        prompts().message(MessageIcon::Error, QString::fromUtf8(caption),
                          QStringLiteral("Не задано имя файла"));
        return false;
    }
    if (entries_.size() >= static_cast<std::size_t>(maxChartCurves)) {
        prompts().message(MessageIcon::Error, QString::fromUtf8(caption),
                          QStringLiteral("На графике не более 8 кривых"));
        return false;
    }
    if (isFirFileName(path.toStdString())) {
        // The reader of ".fir" files names the file and the line in its own messages.
        namingFiles([&] { return readFirFile(path.toStdString()); });
    } else {
        try {
            readAnalysedFilter(path.toStdString());
        } catch (const Error&) {
            rethrowWithPrefix("Файл фильтра " + path.toStdString() + ": ");
        }
    }
    entries_.push_back({path, std::nullopt});
    ListBox1->addItem(QFileInfo(path).fileName());
    ListBox1->setCurrentRow(ListBox1->count() - 1);
    return true;
}

bool CharacteristicsWindow::addQuantised() {
    const int row = ListBox1->currentRow();
    if (row < 0 || entries_[static_cast<std::size_t>(row)].quantised) {
        prompts().message(MessageIcon::Error, QString::fromUtf8(caption),
                          QStringLiteral("Выберите в списке файл фильтра"));
        return false;
    }
    if (entries_.size() >= static_cast<std::size_t>(maxChartCurves)) {
        prompts().message(MessageIcon::Error, QString::fromUtf8(caption),
                          QStringLiteral("На графике не более 8 кривых"));
        return false;
    }
    const Entry source = entries_[static_cast<std::size_t>(row)];
    if (isFirFileName(source.path.toStdString())) {
        prompts().message(MessageIcon::Error, QString::fromUtf8(caption),
                          QStringLiteral("Реализация в арифметике устройства строится для "
                                         "файла параметров (.flt), а не для КИХ-фильтра"));
        return false;
    }
    const Target target = quantisedTargets[ComboBox2->currentIndex()];
    entries_.push_back({source.path, target});
    ListBox1->addItem(QFileInfo(source.path).fileName() + QStringLiteral(" (") +
                      targetLabel(target) + QStringLiteral(")"));
    return refresh();
}

void CharacteristicsWindow::removeSelected() {
    const int row = ListBox1->currentRow();
    if (row < 0)
        return;
    entries_.erase(entries_.begin() + row);
    delete ListBox1->takeItem(row);
    refresh();
}

void CharacteristicsWindow::BitBtn1Click() {
    const QStringList paths = prompts().openFileNames(
        {QStringLiteral("Открыть"), QDir::currentPath(), QString(),
         QStringLiteral("Файлы фильтров|*.flt;*.fir|Файл параметров фильтра (*.flt)|*.flt|"
                        "КИХ-фильтр (*.fir)|*.fir|Все файлы (*.*)|*.*"),
         QStringLiteral("flt")});
    if (paths.isEmpty())
        return;
    Edit1->setText(paths.back());
    // As many as the chart has room for, in the order chosen; the rest named.
    const qsizetype room = maxChartCurves - static_cast<qsizetype>(entries_.size());
    bool added = false;
    for (qsizetype i = 0; i < paths.size() && i < room; ++i)
        added = appendFile(paths[i]) || added;
    if (added)
        refresh();
    if (paths.size() > room) {
        QStringList left;
        for (qsizetype i = std::max<qsizetype>(room, 0); i < paths.size(); ++i)
            left << QFileInfo(paths[i]).fileName();
        prompts().message(MessageIcon::Error, QString::fromUtf8(caption),
                          QStringLiteral("На графике не более 8 кривых; не добавлены: ") +
                              left.join(QStringLiteral(", ")));
    }
}

void CharacteristicsWindow::BitBtn3Click() {
    const auto path = prompts().openFileName(
        {QStringLiteral("Открыть"), QDir::currentPath(), QString(),
         QStringLiteral("Отчет расчета (*.out)|*.out|Все файлы (*.*)|*.*"), QStringLiteral("out")});
    if (path)
        takeMaskReport(*path);
}

void CharacteristicsWindow::takeMaskReport(const QString& report) {
    // The mask's frequencies are in the unit of its design's FD: the axis takes it.
    const DesignRequest request =
        namingFiles([&] { return readDesignRequest(report.toStdString()); });
    Edit3->setText(report);
    Edit2->setText(showGeneral(request.fd));
    refresh();
}

void CharacteristicsWindow::BitBtn4Click() {
    const QString report = shared().DesignedReportFile;
    if (report.isEmpty()) {
        prompts().message(
            MessageIcon::Information, QString::fromUtf8(caption),
            QStringLiteral("В этом сеансе фильтр еще не рассчитывался по требованиям"));
        return;
    }
    takeMaskReport(report);
}

bool CharacteristicsWindow::refresh() {
    ChartOptions options;
    static const ChartView views[] = {ChartView::Magnitude, ChartView::MagnitudeDb,
                                      ChartView::Phase, ChartView::GroupDelay};
    options.view = views[ComboBox1->currentIndex()];
    options.wrappedPhase = CheckBox1->isChecked();
    options.degrees = CheckBox2->isChecked();
    options.seconds = CheckBox3->isChecked();
    options.relative = CheckBox5->isChecked();
    options.fd = readReal(Edit2->text());
    checkSamplingFrequency(options.fd);
    std::optional<DesignRequest> request;
    const QString report = Edit3->text().trimmed();
    if (!report.isEmpty())
        request = namingFiles([&] { return readDesignRequest(report.toStdString()); });
    std::vector<ChartSeries> series;
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        const Entry& e = entries_[i];
        ChartSeries s;
        s.name = ListBox1->item(static_cast<int>(i))->text().toStdString();
        if (isFirFileName(e.path.toStdString())) {
            s.source.taps = namingFiles([&] { return readFirFile(e.path.toStdString()); }).taps;
            series.push_back(std::move(s));
            continue;
        }
        FilterCoefficients filter;
        try {
            filter = readAnalysedFilter(e.path.toStdString());
            if (request)
                checkRequestFits(*request, filter.kind);
        } catch (const Error&) {
            rethrowWithPrefix("Файл фильтра " + e.path.toStdString() + ": ");
        }
        if (e.quantised) {
            ImplementationOptions io;
            io.arithmetic = namedArithmetic(*e.quantised);
            const Implementation implementation = realise(filter, io);
            s.source.filter = filterOfSections(implementation.quantised);
            s.source.scale = implementation.gain != 0 ? 1 / implementation.gain : 1;
        } else {
            s.source.filter = std::move(filter);
        }
        series.push_back(std::move(s));
    }
    for (int i = 0; i < ListBox1->count(); ++i) {
        const Rgb c = curveColor(i);
        ListBox1->item(i)->setForeground(QColor(c.r, c.g, c.b));
    }
    std::optional<ToleranceMask> mask;
    if (request)
        mask = toleranceMask(*request, options.fd);
    Image1->setContent(std::move(series), options, std::move(mask), CheckBox4->isChecked());
    return true;
}

void CharacteristicsWindow::savePicture() {
    const auto path = prompts().savePictureName(
        {QStringLiteral("Сохранить рисунок"), QDir::currentPath(), QString(),
         QString::fromUtf8(chartPictureFilter), QStringLiteral("png")});
    if (path)
        savePictureTo(*path);
}

void CharacteristicsWindow::savePictureTo(const QString& path) {
    saveChartPictureAs(Image1->chart(), path, QString::fromUtf8(caption));
}

void CharacteristicsWindow::copyData() {
    QGuiApplication::clipboard()->setText(QString::fromStdString(Image1->visibleCsv()));
}

void CharacteristicsWindow::saveCsv() {
    const auto path = prompts().saveFileName(
        {QStringLiteral("Сохранить как"), QDir::currentPath(), QStringLiteral("1.csv"),
         QStringLiteral("Таблица CSV (*.csv)|*.csv"), QStringLiteral("csv")});
    if (path)
        namingFiles([&] { writeFileSafely(path->toStdString(), Image1->visibleCsv()); });
}

CharacteristicsWindow* openCharacteristicsWindow() {
    auto* form = new CharacteristicsWindow;
    showSizedChildWindow(form, QSize(1080, 640));
    const QString last = form->findChild<QLineEdit*>(QStringLiteral("Edit1"))->text();
    if (!last.isEmpty() && QFileInfo(last).isFile())
        form->addFile(last);
    return form;
}

} // namespace zorkan::ui
