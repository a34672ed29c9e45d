#include "advice/advicewindow.h"

#include "charts/characteristicschart.h"
#include "charts/chartplot_qt.h"
#include "common/errors.h"
#include "ui/childwindow.h"
#include "ui/controls.h"
#include "ui/errorhandler.h"
#include "ui/prompts.h"
#include "ui/windownumbers.h"

#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace zorkan::ui {

namespace {

// The grid of the overlaid curves, over 0 .. FD/2.
constexpr int chartPoints = 1000;
constexpr int delayDecimals = 3;
constexpr int snrDecimals = 1;
constexpr int defaultWindowWidth = 1060;
constexpr int defaultWindowHeight = 640;
constexpr int rowPadding = 6;
constexpr int tableStretch = 2;
constexpr int chartsStretch = 3;

// The targets of the list, "нет" first; fixed takes its words from the fields.
const char* const targetNames[] = {"q15", "q31", "float", "fixed"};
constexpr int fixedIndex = 4;

QLineEdit* fieldIn(QGridLayout* grid, int column, const char* name, const QString& caption,
                   const QString& text) {
    auto* edit = new QLineEdit(text);
    edit->setObjectName(QString::fromLatin1(name));
    grid->addWidget(new QLabel(caption), 0, column);
    grid->addWidget(edit, 1, column);
    return edit;
}

QTableWidgetItem* cell(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    return item;
}

QString number(double v, int decimals) {
    return QString::number(v, 'f', decimals);
}

CurveSource sourceOf(const AdviceCandidate& c) {
    CurveSource source;
    if (c.type == CandidateType::Fir)
        source.taps = c.taps;
    else
        source.filter = c.filter;
    return source;
}

} // namespace

AdviceWindow::AdviceWindow(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("AdviceWindow"));
    setWindowTitle(QStringLiteral("Выбор фильтра по требованиям"));

    const DesignRequest defaults;
    auto* fields = new QGridLayout;
    f3Edit_ = fieldIn(fields, 0, "EditF3", QStringLiteral("F3"), number(defaults.f3, 5));
    f2Edit_ = fieldIn(fields, 1, "EditF2", QStringLiteral("F2"), number(defaults.f2, 5));
    f1Edit_ = fieldIn(fields, 2, "EditF1", QStringLiteral("F1"), number(defaults.f1, 5));
    f4Edit_ = fieldIn(fields, 3, "EditF4", QStringLiteral("F4"), number(defaults.f4, 5));
    daEdit_ = fieldIn(fields, 4, "EditDA", QStringLiteral("DA в dB"), number(defaults.da, 4));
    b1Edit_ = fieldIn(fields, 5, "EditB1", QStringLiteral("B1 в dB"), number(defaults.b1, 4));
    fdEdit_ = fieldIn(fields, 6, "EditFD", QStringLiteral("FD"), number(defaults.fd, 4));
    targetBox_ = new QComboBox;
    targetBox_->setObjectName(QStringLiteral("Target"));
    targetBox_->addItem(QStringLiteral("нет"));
    for (const char* name : targetNames)
        targetBox_->addItem(QString::fromLatin1(name));
    fields->addWidget(new QLabel(QStringLiteral("Арифметика")), 0, 7);
    fields->addWidget(targetBox_, 1, 7);
    dataBitsEdit_ = fieldIn(fields, 8, "EditDataBits", QStringLiteral("W, бит"), "16");
    coefBitsEdit_ = fieldIn(fields, 9, "EditCoefBits", QStringLiteral("C, бит"), "16");
    compareButton_ = new QPushButton(QStringLiteral("Сравнить"));
    compareButton_->setObjectName(QStringLiteral("CompareButton"));
    fields->addWidget(compareButton_, 1, 10);
    saveButton_ = new QPushButton(QStringLiteral("Сохранить..."));
    saveButton_->setObjectName(QStringLiteral("SaveButton"));
    fields->addWidget(saveButton_, 1, 11);

    table_ = new QTableWidget(this);
    table_->setObjectName(QStringLiteral("CandidateTable"));
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->verticalHeader()->hide();
    // Rows of one text line, so that every candidate fits above the charts.
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + rowPadding);
    summary_ = new QLabel(this);
    summary_->setObjectName(QStringLiteral("Summary"));
    magnitudes_ = new ChartPicture(this);
    magnitudes_->setObjectName(QStringLiteral("MagnitudeChart"));
    delays_ = new ChartPicture(this);
    delays_->setObjectName(QStringLiteral("DelayChart"));

    auto* charts = new QHBoxLayout;
    charts->addWidget(magnitudes_);
    charts->addWidget(delays_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(table_, tableStretch);
    layout->addWidget(summary_);
    layout->addLayout(charts, chartsStretch);

    for (ChartPicture* picture : {magnitudes_, delays_})
        picture->onSave = [this, picture] {
            const auto path = prompts().savePictureName(
                {QStringLiteral("Сохранить рисунок"), QDir::currentPath(), QString(),
                 QString::fromLatin1(chartPictureFilter), QStringLiteral("png")});
            if (path)
                saveChartPictureAs(picture->chart(), *path, windowTitle());
        };
    connect(targetBox_, &QComboBox::currentIndexChanged, this, &AdviceWindow::updateFields);
    connect(compareButton_, &QPushButton::clicked, this, &AdviceWindow::compareClick);
    connect(saveButton_, &QPushButton::clicked, this, &AdviceWindow::saveClick);
    updateFields();
}

void AdviceWindow::updateFields() {
    const bool fixed = targetBox_->currentIndex() == fixedIndex;
    dataBitsEdit_->setEnabled(fixed);
    coefBitsEdit_->setEnabled(fixed);
    saveButton_->setEnabled(advice_ && !advice_->candidates.empty());
}

void AdviceWindow::compareClick() {
    try {
        DesignRequest rq;
        rq.f1 = readReal(f1Edit_->text());
        rq.f2 = readReal(f2Edit_->text());
        rq.f3 = readReal(f3Edit_->text());
        rq.f4 = readReal(f4Edit_->text());
        rq.da = readReal(daEdit_->text());
        rq.b1 = readReal(b1Edit_->text());
        rq.fd = readReal(fdEdit_->text());
        rq.ff2 = rq.fd / 2;
        std::optional<Arithmetic> target;
        if (const int index = targetBox_->currentIndex(); index > 0) {
            Arithmetic a = namedArithmetic(parseTarget(targetNames[index - 1]));
            if (index == fixedIndex) {
                a.dataBits = static_cast<int>(readInteger(dataBitsEdit_->text()));
                a.coefBits = static_cast<int>(readInteger(coefBitsEdit_->text()));
            }
            target = a;
        }
        BusyCursor busy;
        advice_ = adviseDesigns(rq, target);
    } catch (const std::exception& e) {
        reportError(e);
        return;
    }
    showAdvice();
    updateFields();
}

void AdviceWindow::showAdvice() {
    const Advice& advice = *advice_;
    const bool quantised = advice.target.has_value();
    QStringList heads{
        QStringLiteral("Проект"),  QStringLiteral("Порядок"),  QStringLiteral("Умн."),
        QStringLiteral("Слож."),   QStringLiteral("Сост."),    QStringLiteral("Коэф."),
        QStringLiteral("ГВЗ мин"), QStringLiteral("ГВЗ макс"), QStringLiteral("Разброс")};
    if (quantised)
        heads << QStringLiteral("Кв. выполн.") << QStringLiteral("С/Ш, dB")
              << QStringLiteral("C, бит");
    table_->clear();
    table_->setColumnCount(static_cast<int>(heads.size()));
    table_->setHorizontalHeaderLabels(heads);
    table_->setRowCount(static_cast<int>(advice.candidates.size()));
    for (std::size_t i = 0; i < advice.candidates.size(); ++i) {
        const AdviceCandidate& c = advice.candidates[i];
        const int row = static_cast<int>(i);
        QString title = QString::fromUtf8(candidateTitle(c.design));
        if (i == advice.cheapest)
            title += QStringLiteral(" (меньше умножений)");
        if (i == advice.flattest)
            title += QStringLiteral(" (ровнее ГВЗ)");
        const QString order = QString::number(c.order) +
                              (c.type == CandidateType::Fir ? QStringLiteral(" отв.") : QString());
        const QString cells[] = {title,
                                 order,
                                 QString::number(c.multiplications),
                                 QString::number(c.additions),
                                 QString::number(c.stateWords),
                                 QString::number(c.coefWords),
                                 number(c.groupDelayMin, delayDecimals),
                                 number(c.groupDelayMax, delayDecimals),
                                 number(c.groupDelayMax - c.groupDelayMin, delayDecimals)};
        int column = 0;
        for (const QString& text : cells)
            table_->setItem(row, column++, cell(text));
        if (c.quantised) {
            const QuantisedFigures& q = *c.quantised;
            table_->setItem(row, column++,
                            cell(q.meetsRequest ? QStringLiteral("да") : QStringLiteral("нет")));
            table_->setItem(row, column++,
                            cell(q.snrDb ? number(*q.snrDb, snrDecimals) : QStringLiteral("-")));
            table_->setItem(
                row, column++,
                cell(q.minCoefBits ? QString::number(*q.minCoefBits) : QStringLiteral("-")));
        }
    }
    table_->resizeColumnsToContents();
    if (!advice.candidates.empty())
        table_->selectRow(static_cast<int>(advice.cheapest));
    QStringList notes;
    for (const SkippedDesign& s : advice.skipped)
        notes << QStringLiteral("Не рассчитан: %1: %2")
                     .arg(QString::fromUtf8(candidateTitle(s.design)), QString::fromUtf8(s.reason));
    summary_->setText(notes.join(QStringLiteral("; ")));

    std::vector<ChartSeries> series;
    for (const AdviceCandidate& c : advice.candidates)
        series.push_back({candidateTitle(c.design), sourceOf(c)});
    const FrequencyGrid grid{0, advice.request.fd / 2, chartPoints, false};
    const AxisRange x{grid.fmin, grid.fmax, false};
    const ToleranceMask mask = toleranceMask(advice.request);
    ChartOptions magnitude;
    magnitude.fd = advice.request.fd;
    magnitude.relative = true;
    const ChartCurves levels = computeChartCurves(series, magnitude, grid, mask);
    magnitudes_->setChart(characteristicsChart(
        series, levels, magnitude, mask, x, valueRange(levels, grid.fmin, grid.fmax, decibelDepth),
        magnitudes_->width(), magnitudes_->height()));
    // The delay's range is that of the pass bands: near a stop band's zeros it runs off.
    ChartOptions delay = magnitude;
    delay.view = ChartView::GroupDelay;
    delay.relative = false;
    const ChartCurves delays = computeChartCurves(series, delay, grid, std::nullopt);
    double low = grid.fmax, high = grid.fmin;
    for (const FrequencyBand& band : mask.bands.pass) {
        low = std::min(low, band.low);
        high = std::max(high, band.high);
    }
    delays_->setChart(characteristicsChart(series, delays, delay, std::nullopt, x,
                                           valueRange(delays, low, high), delays_->width(),
                                           delays_->height()));
}

void AdviceWindow::saveClick() {
    if (!advice_ || table_->currentRow() < 0 ||
        table_->currentRow() >= static_cast<int>(advice_->candidates.size()))
        return;
    const AdviceCandidate& c = advice_->candidates[static_cast<std::size_t>(table_->currentRow())];
    // The report first, then the filter: ".out" and ".flt" for an IIR filter as the design
    // windows ask, the taps ".fir" and a text report for an FIR filter.
    const bool iir = c.type == CandidateType::Iir;
    const auto report =
        prompts().saveFileName({QStringLiteral("Сохранить как"), QDir::currentPath(),
                                iir ? QStringLiteral("1.out") : QStringLiteral("1.txt"),
                                iir ? QStringLiteral("Имя файла результатов отчета (*.out)|*.out")
                                    : QStringLiteral("Отчет КИХ-фильтра (*.txt)|*.txt"),
                                iir ? QStringLiteral("out") : QStringLiteral("txt")});
    if (!report)
        return;
    const auto filter =
        prompts().saveFileName({QStringLiteral("Сохранить как"), QDir::currentPath(),
                                iir ? QStringLiteral("1.flt") : QStringLiteral("1.fir"),
                                iir ? QStringLiteral("Имя файла параметров фильтра (*.flt)|*.flt")
                                    : QStringLiteral("Коэффициенты КИХ-фильтра (*.fir)|*.fir"),
                                iir ? QStringLiteral("flt") : QStringLiteral("fir")});
    if (!filter)
        return;
    try {
        BusyCursor busy;
        namingFiles([&] {
            saveCandidate(advice_->request, c, report->toStdString(), filter->toStdString());
        });
    } catch (const std::exception& e) {
        reportError(e);
    }
}

AdviceWindow* openAdviceWindow() {
    auto* form = new AdviceWindow;
    showSizedChildWindow(form, QSize(defaultWindowWidth, defaultWindowHeight));
    return form;
}

} // namespace zorkan::ui
