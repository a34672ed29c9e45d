#include "polezero/polezerowindow.h"

#include "cascade/rootsections.h"
#include "charts/characteristicschart.h"
#include "charts/chartplot_qt.h"
#include "common/errors.h"
#include "export/exportdialog.h"
#include "fixedpoint/implementationwindow.h"
#include "listening/audiooutput.h"
#include "polezero/livelistening_qt.h"
#include "polezero/rootresponse.h"
#include "ui/childwindow.h"
#include "ui/errorhandler.h"
#include "ui/prompts.h"
#include "ui/sharedstate.h"
#include "ui/windownumbers.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTableWidget>
#include <QUndoCommand>
#include <QUndoStack>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <cmath>
#include <future>
#include <numbers>

namespace zorkan::ui {

namespace {

// The most sections the readers of parameter files hold.
constexpr std::size_t fileSectionLimit = 32;
// Grids of finer words have too many positions to draw as dots.
constexpr int drawnGridMaximumBits = 10;
constexpr int q15Bits = 16;
constexpr int defaultGridBits = 6;
constexpr double defaultNotchRadius = 0.98;
// A Ctrl-click takes the spectrum's largest value within this share of the band.
constexpr double peakSearchShare = 0.02;
const Rgb unstableRgb{220, 0, 0};
const Rgb spectrumRgb{185, 185, 185};
// The curves' pen while a root is dragged: a hairline, which the raster engine draws
// several times faster than the charts' usual pen; the release draws them again in full.
constexpr double dragCurveWidth = 1;

enum Column {
    KindColumn,
    RadiusColumn,
    AngleColumn,
    FrequencyColumn,
    MultiplicityColumn,
    QuantisedColumn,
    DistanceColumn,
    ColumnCount
};

const Structure gridStructures[] = {Structure::Df1,    Structure::Df2,
                                    Structure::Df2t,   Structure::ErrorFeedback,
                                    Structure::Normal, Structure::Lattice};

class StateChange : public QUndoCommand {
  public:
    StateChange(PoleZeroWindow* window, PoleZeroState before, PoleZeroState after,
                const QString& text)
        : QUndoCommand(text), window_(window), before_(std::move(before)),
          after_(std::move(after)) {}
    void undo() override { window_->setState(before_); }
    void redo() override {
        // The first redo is the change itself, already made.
        if (done_)
            window_->setState(after_);
        done_ = true;
    }

  private:
    PoleZeroWindow* window_;
    PoleZeroState before_, after_;
    bool done_ = false;
};

QPushButton* button(QWidget* parent, const char* name, const QString& text, const QString& hint) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setToolTip(hint);
    return b;
}

QLineEdit* field(QWidget* parent, const char* name, const QString& text, const QString& hint) {
    auto* e = new QLineEdit(text, parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setToolTip(hint);
    e->setMaximumWidth(130);
    return e;
}

std::vector<SecondOrderSection> sectionsOf(const FilterCoefficients& filter) {
    std::vector<SecondOrderSection> sections;
    for (const FilterSection& f : filter.sections) {
        SecondOrderSection s;
        for (int i = 0; i < 3; ++i) {
            s.num[i] = f.a[i];
            s.den[i] = f.b[i];
        }
        sections.push_back(s);
    }
    return sections;
}

// The root at `index` replaced, the others kept in their order.
void replaceRoot(PoleZeroModel& m, RootSet set, std::size_t index, const SectionRoot& root) {
    std::vector<SectionRoot> roots = m.roots(set);
    roots[index] = root;
    while (!m.roots(set).empty())
        m.remove(set, 0);
    for (const SectionRoot& r : roots)
        m.add(set, r);
}

// A curve that does not change over frequency (no roots, or a gain alone) is shown one
// unit of its axis (1 dB, 1 radian, 1 sample) either side of its value: the charts' own
// margin around a flat curve is a few billionths wide, and its tick labels need more digits
// than the axis has room for. Values that differ by less than flatCurveShare of their size
// are the rounding of a flat curve.
constexpr double flatCurveHalfSpan = 1;
constexpr double flatCurveShare = 1e-9;

AxisRange shownRange(const ChartCurves& curves, const AxisRange& range) {
    double lo = HUGE_VAL, hi = -HUGE_VAL;
    for (const std::vector<double>& values : curves.values)
        for (const double v : values)
            if (std::isfinite(v)) {
                lo = std::min(lo, v);
                hi = std::max(hi, v);
            }
    if (!(hi >= lo) || hi - lo > flatCurveShare * std::max({1.0, std::fabs(lo), std::fabs(hi)}))
        return range;
    const double middle = lo / 2 + hi / 2;
    const AxisRange unit{middle - flatCurveHalfSpan, middle + flatCurveHalfSpan, false};
    return drawableAxis(unit) ? unit : range;
}

// The table's and the fields' numbers: enough digits to edit, few enough to read.
constexpr int shownDigits = 12;
QString number(double value) {
    return showGeneral(value, shownDigits);
}

} // namespace

PoleZeroWindow::PoleZeroWindow(QWidget* parent) : QWidget(parent) {
    setWindowTitle(QStringLiteral("Редактор нулей и полюсов"));
    setAttribute(Qt::WA_DeleteOnClose);
    undo_ = new QUndoStack(this);
    auto* panel = new QWidget(this);
    createFileButtons(panel);
    createGainControls(panel);
    createGridControls(panel);
    createRecordingControls(panel);
    createTable(panel);
    plane_ = new ZPlaneView(this);
    plane_->setObjectName(QStringLiteral("zPlane"));
    plane_->setModel(&state_.model);
    plane_->setToolTip(
        QStringLiteral("Перетаскивание - сдвиг корня (действительный - по оси, с Shift - в пару); "
                       "двойной щелчок - новая пара; Delete - удалить; стрелки - сдвиг на шаг"));
    for (auto** chart : {&magnitudeChart_, &phaseChart_, &delayChart_}) {
        *chart = new ChartPicture(this);
        (*chart)->setMinimumSize(200, 150);
    }
    magnitudeChart_->setObjectName(QStringLiteral("magnitudeChart"));
    magnitudeChart_->setToolTip(
        QStringLiteral("АЧХ, дБ; Ctrl+щелчок на пике спектра записи - режекция на его частоте"));
    magnitudeChart_->installEventFilter(this);
    phaseChart_->setObjectName(QStringLiteral("phaseChart"));
    delayChart_->setObjectName(QStringLiteral("delayChart"));
    unstableLabel_ = new QLabel(QStringLiteral("Фильтр неустойчив"), this);
    unstableLabel_->setObjectName(QStringLiteral("unstableLabel"));
    unstableLabel_->setStyleSheet(QStringLiteral("color: rgb(220, 0, 0); font-weight: bold"));
    unstableLabel_->hide();
    statusBar_ = new QStatusBar(this);
    statusBar_->setObjectName(QStringLiteral("statusBar"));
    statusBar_->setSizeGripEnabled(false);
    layOutWindow(panel);
    connectPlane();
    state_.model.fd = fd_;
    refresh();
}

PoleZeroWindow::~PoleZeroWindow() {
    if (output_)
        output_->stop();
}

void PoleZeroWindow::createFileButtons(QWidget* panel) {
    openButton_ = button(panel, "openButton", QStringLiteral("Открыть..."),
                         QStringLiteral("Открыть файл параметров фильтра (.flt)"));
    saveButton_ = button(panel, "saveButton", QStringLiteral("Сохранить"),
                         QStringLiteral("Записать фильтр секциями второго порядка (Ctrl+S)"));
    exportButton_ = button(panel, "exportButton", QStringLiteral("Экспорт..."),
                           QStringLiteral("Экспорт фильтра для других программ"));
    implementationButton_ = button(panel, "implementationButton", QStringLiteral("Реализация..."),
                                   QStringLiteral("Фильтр в арифметике устройства"));
    connect(openButton_, &QPushButton::clicked, this, [this] {
        const auto path = prompts().openFileName(
            {QStringLiteral("Открыть"), QDir::currentPath(), QString(),
             QStringLiteral("Параметры фильтра|*.flt"), QStringLiteral("flt")});
        if (path)
            openFile(*path);
    });
    connect(saveButton_, &QPushButton::clicked, this, [this] { save(); });
    connect(exportButton_, &QPushButton::clicked, this, &PoleZeroWindow::exportFilter);
    connect(implementationButton_, &QPushButton::clicked, this,
            &PoleZeroWindow::openImplementation);
}

void PoleZeroWindow::createGainControls(QWidget* panel) {
    gainKind_ = new QComboBox(panel);
    gainKind_->setObjectName(QStringLiteral("gainKind"));
    gainKind_->addItems({QStringLiteral("множитель G"), QStringLiteral("|H| на частоте"),
                         QStringLiteral("|H| на пике")});
    gainKind_->setToolTip(QStringLiteral("Как задается усиление фильтра"));
    gainKind_->setCurrentIndex(static_cast<int>(GainKind::AtPeak));
    gainValue_ = field(panel, "gainValue", QStringLiteral("1"),
                       QStringLiteral("Множитель G или значение |H|"));
    gainFrequency_ = field(panel, "gainFrequency", QStringLiteral("0"),
                           QStringLiteral("Частота нормировки, в единицах FD"));
    fdEdit_ =
        field(panel, "fdEdit", QStringLiteral("1"), QStringLiteral("Частота дискретизации FD"));
    connect(gainKind_, &QComboBox::activated, this, &PoleZeroWindow::gainChanged);
    for (QLineEdit* e : {gainValue_, gainFrequency_})
        connect(e, &QLineEdit::editingFinished, this, &PoleZeroWindow::gainChanged);
    connect(fdEdit_, &QLineEdit::editingFinished, this, &PoleZeroWindow::fdChanged);
}

void PoleZeroWindow::createGridControls(QWidget* panel) {
    gridTarget_ = new QComboBox(panel);
    gridTarget_->setObjectName(QStringLiteral("gridTarget"));
    gridTarget_->addItems(
        {QStringLiteral("без сетки"), QStringLiteral("q15"), QStringLiteral("свой формат")});
    gridTarget_->setToolTip(QStringLiteral(
        "Положения пар полюсов, которые реализует квантованная секция второго порядка"));
    gridBits_ = new QSpinBox(panel);
    gridBits_->setObjectName(QStringLiteral("gridBits"));
    gridBits_->setRange(gridMinimumBits, gridMaximumBits);
    gridBits_->setValue(defaultGridBits);
    gridBits_->setToolTip(QStringLiteral("Разрядность коэффициентов C своего формата"));
    gridStructure_ = new QComboBox(panel);
    gridStructure_->setObjectName(QStringLiteral("gridStructure"));
    for (Structure s : gridStructures)
        gridStructure_->addItem(QString::fromStdString(structureName(s)));
    gridStructure_->setToolTip(QStringLiteral("Структура секции"));
    connect(gridTarget_, &QComboBox::currentIndexChanged, this, [this] {
        refreshGrid();
        refreshTable();
    });
    connect(gridBits_, &QSpinBox::valueChanged, this, [this] {
        refreshGrid();
        refreshTable();
    });
    connect(gridStructure_, &QComboBox::currentIndexChanged, this, [this] {
        refreshGrid();
        refreshTable();
    });
}

void PoleZeroWindow::createRecordingControls(QWidget* panel) {
    recordingButton_ = button(panel, "recordingButton", QStringLiteral("Запись..."),
                              QStringLiteral("Звуковой файл или файл сигнала: его усредненный "
                                             "спектр рисуется под АЧХ"));
    segmentLength_ = new QComboBox(panel);
    segmentLength_->setObjectName(QStringLiteral("segmentLength"));
    segmentLength_->setToolTip(QStringLiteral("Длина отрезка спектра (метод Уэлча)"));
    for (std::size_t n = 256; n <= 65536; n *= 2)
        segmentLength_->addItem(QString::number(n));
    segmentLength_->setCurrentText(QString::number(welchDefaultSegment));
    notchRadius_ = field(panel, "notchRadius", number(defaultNotchRadius),
                         QStringLiteral("Радиус полюсов режекции (Ctrl+щелчок на пике спектра)"));
    listenButton_ = button(panel, "listenButton", QStringLiteral("Слушать"),
                           QStringLiteral("Воспроизводить запись через фильтр по мере правки"));
    listenButton_->setCheckable(true);
    listenButton_->setEnabled(false);
    connect(recordingButton_, &QPushButton::clicked, this, [this] {
        const auto path = prompts().openFileName(
            {QStringLiteral("Запись"), QDir::currentPath(), QString(),
             QStringLiteral("Звуковые файлы и файлы сигнала|*.wav;*.flac;*.ogg;*.aiff;*.aif;"
                            "*.xicd;*.yicd|Все файлы|*.*"),
             QString()});
        if (path)
            openRecording(*path);
    });
    connect(segmentLength_, &QComboBox::activated, this, [this] {
        if (!recording_.isEmpty())
            openRecording(recording_);
    });
    connect(listenButton_, &QPushButton::toggled, this, &PoleZeroWindow::toggleListening);
}

void PoleZeroWindow::createTable(QWidget* panel) {
    rootTable_ = new QTableWidget(0, ColumnCount, panel);
    rootTable_->setObjectName(QStringLiteral("rootTable"));
    rootTable_->setHorizontalHeaderLabels(
        {QStringLiteral("Корень"), QStringLiteral("Радиус"), QStringLiteral("Угол, рад"),
         QStringLiteral("Частота"), QStringLiteral("Кратность"), QStringLiteral("Квантованный"),
         QStringLiteral("Расстояние")});
    rootTable_->setSelectionBehavior(QAbstractItemView::SelectRows);
    rootTable_->setSelectionMode(QAbstractItemView::SingleSelection);
    rootTable_->verticalHeader()->hide();
    rootTable_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    connect(rootTable_, &QTableWidget::cellChanged, this, &PoleZeroWindow::cellEdited);
    rootTable_->installEventFilter(this);
    connect(rootTable_, &QTableWidget::itemSelectionChanged, this, [this] {
        if (filling_)
            return;
        const QList<QTableWidgetItem*> items = rootTable_->selectedItems();
        plane_->setSelection(items.isEmpty() ? std::nullopt : rowRoot(items.front()->row()));
    });
}

void PoleZeroWindow::layOutWindow(QWidget* panel) {
    auto* controls = new QGridLayout(panel);
    controls->setContentsMargins(0, 0, 0, 0);
    auto* files = new QHBoxLayout;
    for (QPushButton* b : {openButton_, saveButton_, exportButton_, implementationButton_})
        files->addWidget(b);
    files->addStretch();
    controls->addLayout(files, 0, 0, 1, 6);
    const auto label = [panel](const QString& text, QWidget* buddy) {
        auto* l = new QLabel(text, panel);
        l->setBuddy(buddy);
        return l;
    };
    controls->addWidget(label(QStringLiteral("Усиление:"), gainKind_), 1, 0);
    controls->addWidget(gainKind_, 1, 1);
    controls->addWidget(gainValue_, 1, 2);
    controls->addWidget(label(QStringLiteral("на частоте"), gainFrequency_), 1, 3);
    controls->addWidget(gainFrequency_, 1, 4);
    controls->addWidget(label(QStringLiteral("Сетка:"), gridTarget_), 2, 0);
    controls->addWidget(gridTarget_, 2, 1);
    controls->addWidget(label(QStringLiteral("C"), gridBits_), 2, 2, Qt::AlignRight);
    controls->addWidget(gridBits_, 2, 3);
    controls->addWidget(gridStructure_, 2, 4);
    controls->addWidget(label(QStringLiteral("FD"), fdEdit_), 1, 5, Qt::AlignRight);
    controls->addWidget(fdEdit_, 1, 6);
    controls->addWidget(recordingButton_, 3, 0);
    controls->addWidget(label(QStringLiteral("Отрезок"), segmentLength_), 3, 2, Qt::AlignRight);
    controls->addWidget(segmentLength_, 3, 3);
    controls->addWidget(label(QStringLiteral("Радиус полюсов"), notchRadius_), 3, 4);
    controls->addWidget(notchRadius_, 3, 5);
    controls->addWidget(listenButton_, 3, 6);
    controls->addWidget(rootTable_, 4, 0, 1, 7);

    auto* top = new QHBoxLayout;
    top->addWidget(plane_, 2);
    top->addWidget(panel, 3);
    auto* charts = new QHBoxLayout;
    for (ChartPicture* c : {magnitudeChart_, phaseChart_, delayChart_})
        charts->addWidget(c);
    auto* column = new QVBoxLayout(this);
    column->addLayout(top, 3);
    column->addWidget(unstableLabel_);
    column->addLayout(charts, 2);
    column->addWidget(statusBar_);
}

void PoleZeroWindow::connectPlane() {
    plane_->installEventFilter(this);
    plane_->onPick = [this](std::optional<RootRef> picked) {
        dragBefore_ = state_;
        dragMoved_ = false;
        filling_ = true;
        if (picked)
            rootTable_->selectRow(rootRow(*picked));
        else
            rootTable_->clearSelection();
        filling_ = false;
    };
    plane_->onDrag = [this](std::complex<double> z, bool shift) {
        const std::optional<RootRef> s = plane_->selection();
        if (!s)
            return;
        const SectionRoot& root = state_.model.roots(s->set)[s->index];
        if (!root.pair() && !shift) {
            z = {z.real(), 0};
        } else if (root.pair()) {
            // A pair stays a pair: its member above the axis follows the pointer, and on
            // the axis itself it waits for the pointer to leave it.
            if (z.imag() == 0)
                return;
            z = {z.real(), std::abs(z.imag())};
        }
        state_.model.move(s->set, s->index, z);
        state_.stored.reset();
        dragMoved_ = true;
        refresh(*s);
    };
    plane_->onDragEnd = [this] {
        if (!dragMoved_)
            return;
        recordChange(dragBefore_, QStringLiteral("Перемещение корня"));
        dragMoved_ = false;
        // The gain of the full search for the peak, and the curves drawn as hairlines
        // during the drag drawn again in full.
        computeShown();
        refreshCurves();
        refreshSound();
    };
    plane_->onDoubleClick = [this](std::complex<double> z) { addPair(z); };
}

template <class Change> void PoleZeroWindow::change(const QString& text, Change apply) {
    const PoleZeroState before = state_;
    try {
        apply(state_.model);
    } catch (const std::exception& error) {
        state_ = before;
        reportError(error);
        return;
    }
    state_.stored.reset();
    recordChange(before, text);
    refresh();
}

void PoleZeroWindow::recordChange(const PoleZeroState& before, const QString& text) {
    undo_->push(new StateChange(this, before, state_, text));
}

void PoleZeroWindow::setState(const PoleZeroState& state) {
    state_ = state;
    state_.model.fd = fd_;
    const std::optional<RootRef> s = plane_->selection();
    if (s && s->index >= state_.model.roots(s->set).size())
        plane_->setSelection(std::nullopt);
    const GainRule& gain = state_.model.gain;
    gainKind_->setCurrentIndex(static_cast<int>(gain.kind));
    gainValue_->setText(number(gain.value));
    gainFrequency_->setText(number(gain.frequency));
    refresh();
}

void PoleZeroWindow::openFile(const QString& path) {
    try {
        load(path);
    } catch (const std::exception& error) {
        reportError(error);
    }
}

void PoleZeroWindow::load(const QString& path) {
    const FilterCoefficients filter = readAnalysedFilter(path.toStdString());
    for (const FilterSection& f : filter.sections)
        if (f.a[3] != 0 || f.a[4] != 0 || f.b[3] != 0 || f.b[4] != 0)
            throw UserMessage("В файле " + path.toStdString() +
                              " есть секции четвертого порядка: редактор правит только "
                              "секции второго порядка");
    PoleZeroState state;
    state.model = PoleZeroModel::fromSections(sectionsOf(filter), fd_);
    state.stored = filter;
    undo_->clear();
    file_ = path;
    setState(state);
    undo_->setClean();
    say(QStringLiteral("Открыт файл %1").arg(QDir::toNativeSeparators(path)));
}

std::vector<SecondOrderSection> PoleZeroWindow::sections() const {
    if (state_.stored)
        return sectionsOf(*state_.stored);
    return state_.model.sections();
}

bool PoleZeroWindow::writeTo(const QString& path) {
    try {
        const FilterCoefficients filter = state_.stored ? *state_.stored : state_.model.filter();
        if (filter.sections.size() > fileSectionLimit)
            throw UserMessage("Фильтр занимает " + std::to_string(filter.sections.size()) +
                              " секций, а файл параметров вмещает не более " +
                              std::to_string(fileSectionLimit));
        writeFilterFile(path.toStdString(), filter.order, filter);
    } catch (const std::exception& error) {
        reportError(error);
        return false;
    }
    file_ = path;
    undo_->setClean();
    say(QStringLiteral("Записан файл %1").arg(QDir::toNativeSeparators(path)));
    return true;
}

bool PoleZeroWindow::save() {
    return file_.isEmpty() ? saveAs() : writeTo(file_);
}

bool PoleZeroWindow::saveAs() {
    const QString proposed =
        file_.isEmpty() ? QStringLiteral("1.flt") : QFileInfo(file_).fileName();
    const QString folder = file_.isEmpty() ? QDir::currentPath() : QFileInfo(file_).absolutePath();
    const auto path = prompts().saveFileName({QStringLiteral("Сохранить как"), folder, proposed,
                                              QStringLiteral("Имя файла параметров фильтра|*.flt"),
                                              QStringLiteral("flt")});
    return path && writeTo(*path);
}

bool PoleZeroWindow::handleKey(QKeyEvent* event) {
    if (event->matches(QKeySequence::Undo)) {
        undo_->undo();
        return true;
    }
    if (event->matches(QKeySequence::Redo) ||
        (event->key() == Qt::Key_Z &&
         event->modifiers() == (Qt::ControlModifier | Qt::ShiftModifier))) {
        undo_->redo();
        return true;
    }
    if (event->matches(QKeySequence::Save)) {
        save();
        return true;
    }
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    switch (event->key()) {
    case Qt::Key_Delete:
        removeSelected();
        return true;
    case Qt::Key_Left:
        nudge(-nudgeStep, 0, shift);
        return true;
    case Qt::Key_Right:
        nudge(nudgeStep, 0, shift);
        return true;
    case Qt::Key_Up:
        nudge(0, nudgeStep, shift);
        return true;
    case Qt::Key_Down:
        nudge(0, -nudgeStep, shift);
        return true;
    default:
        return false;
    }
}

void PoleZeroWindow::keyPressEvent(QKeyEvent* event) {
    if (!handleKey(event))
        QWidget::keyPressEvent(event);
}

bool PoleZeroWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == rootTable_ && event->type() == QEvent::Show && tableStale_)
        refreshTable();
    if (watched == plane_ && event->type() == QEvent::KeyPress)
        return handleKey(static_cast<QKeyEvent*>(event));
    if (watched == magnitudeChart_ && event->type() == QEvent::MouseButtonPress) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        double x = 0, y = 0;
        if (mouse->button() == Qt::LeftButton && (mouse->modifiers() & Qt::ControlModifier) &&
            magnitudeChart_->valueAt(mouse->position().toPoint(), x, y)) {
            placeNotch(x);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void PoleZeroWindow::nudge(double dx, double dy, bool shift) {
    const std::optional<RootRef> s = plane_->selection();
    if (!s)
        return;
    change(QStringLiteral("Сдвиг корня"), [&](PoleZeroModel& m) {
        const SectionRoot root = m.roots(s->set)[s->index];
        // A real root moves along the axis unless Shift takes it off.
        if (!root.pair() && !shift)
            dy = 0;
        m.move(s->set, s->index, root.z() + std::complex<double>(dx, dy));
    });
}

void PoleZeroWindow::removeSelected() {
    const std::optional<RootRef> s = plane_->selection();
    if (!s)
        return;
    plane_->setSelection(std::nullopt);
    change(QStringLiteral("Удаление корня"), [&](PoleZeroModel& m) { m.remove(s->set, s->index); });
}

void PoleZeroWindow::addPair(std::complex<double> z) {
    // A pole pair; with the point below the axis its upper member is meant.
    const SectionRoot pair{std::abs(z), std::abs(std::arg(z)), 1};
    std::size_t index = 0;
    change(QStringLiteral("Новая пара полюсов"),
           [&](PoleZeroModel& m) { index = m.add(RootSet::Poles, pair); });
    plane_->setSelection(RootRef{RootSet::Poles, index});
}

void PoleZeroWindow::placeNotch(double frequency) {
    double f = frequency;
    if (spectrum_ && !spectrum_->frequency.empty()) {
        // The largest value of the spectrum near the click is the peak meant.
        const double reach = peakSearchShare * fd_ / 2;
        double best = -1;
        for (std::size_t k = 0; k < spectrum_->frequency.size(); ++k)
            if (std::abs(spectrum_->frequency[k] - frequency) <= reach &&
                spectrum_->density[k] > best) {
                best = spectrum_->density[k];
                f = spectrum_->frequency[k];
            }
    }
    const double angle = 2 * std::numbers::pi * f / fd_;
    if (!(angle > 0 && angle < std::numbers::pi)) {
        say(QStringLiteral("Режекция ставится на частоте больше 0 и меньше FD/2"));
        return;
    }
    double radius = defaultNotchRadius;
    try {
        radius = readReal(notchRadius_->text());
        if (!(radius >= 0 && radius < 1))
            throw UserMessage("Радиус полюсов режекции должен быть не меньше 0 и меньше 1");
    } catch (const std::exception& error) {
        reportError(error);
        return;
    }
    change(QStringLiteral("Режекция"), [&](PoleZeroModel& m) {
        m.add(RootSet::Zeros, {1, angle, 1});
        m.add(RootSet::Poles, {radius, angle, 1});
    });
    say(QStringLiteral("Режекция на частоте %1").arg(number(f)));
}

void PoleZeroWindow::gainChanged() {
    GainRule rule;
    try {
        rule.kind = static_cast<GainKind>(gainKind_->currentIndex());
        rule.value = readReal(gainValue_->text());
        rule.frequency = readReal(gainFrequency_->text());
    } catch (const std::exception& error) {
        reportError(error);
        return;
    }
    const GainRule& now = state_.model.gain;
    // A rule by |H| starts from 1 when it replaces the fixed factor.
    if (now.kind == GainKind::Fixed && rule.kind != GainKind::Fixed) {
        rule.value = 1;
        gainValue_->setText(number(1));
    }
    if (rule.kind == now.kind && rule.value == now.value && rule.frequency == now.frequency)
        return;
    change(QStringLiteral("Усиление"), [&](PoleZeroModel& m) {
        m.gain = rule;
        m.gainFactor(); // refuses a rule that cannot hold
    });
}

void PoleZeroWindow::fdChanged() {
    try {
        const double fd = readReal(fdEdit_->text());
        if (!(fd > 0) || !std::isfinite(fd))
            throw UserMessage("Частота дискретизации FD должна быть больше нуля");
        if (fd == fd_)
            return;
        fd_ = fd;
    } catch (const std::exception& error) {
        reportError(error);
        return;
    }
    state_.model.fd = fd_;
    refresh();
}

std::optional<RootRef> PoleZeroWindow::rowRoot(int row) const {
    const std::size_t poles = state_.model.roots(RootSet::Poles).size();
    if (row < 0)
        return std::nullopt;
    const auto r = static_cast<std::size_t>(row);
    if (r < poles)
        return RootRef{RootSet::Poles, r};
    if (r - poles < state_.model.roots(RootSet::Zeros).size())
        return RootRef{RootSet::Zeros, r - poles};
    return std::nullopt;
}

int PoleZeroWindow::rootRow(const RootRef& ref) const {
    const std::size_t offset =
        ref.set == RootSet::Poles ? 0 : state_.model.roots(RootSet::Poles).size();
    return static_cast<int>(offset + ref.index);
}

void PoleZeroWindow::cellEdited(int row, int column) {
    if (filling_)
        return;
    const std::optional<RootRef> ref = rowRoot(row);
    if (!ref)
        return;
    const QString text = rootTable_->item(row, column)->text();
    change(QStringLiteral("Правка корня"), [&](PoleZeroModel& m) {
        SectionRoot root = m.roots(ref->set)[ref->index];
        const double v = column == MultiplicityColumn ? 0 : readReal(text);
        switch (column) {
        case RadiusColumn:
            root.radius = v;
            break;
        case AngleColumn:
            root.angle = v;
            break;
        case FrequencyColumn:
            root.angle = 2 * std::numbers::pi * v / fd_;
            break;
        case MultiplicityColumn: {
            const std::int64_t k = readInteger(text);
            if (k < 1 || k > 99)
                throw UserMessage("Кратность корня должна быть от 1 до 99");
            root.multiplicity = static_cast<int>(k);
            break;
        }
        default:
            return;
        }
        if (column == AngleColumn || column == FrequencyColumn) {
            if (!(root.angle >= 0 && root.angle <= std::numbers::pi))
                throw UserMessage("Угол корня должен лежать от 0 до π");
            // A pair on the axis is a double real root.
            if (root.angle == 0)
                root = {root.radius, 0, 2 * root.multiplicity};
            else if (root.angle == std::numbers::pi)
                root = {-root.radius, 0, 2 * root.multiplicity};
        }
        replaceRoot(m, ref->set, ref->index, root);
    });
}

void PoleZeroWindow::say(const QString& text) {
    statusBar_->showMessage(text);
}

void PoleZeroWindow::refresh(std::optional<RootRef> dragged) {
    if (dragged && !state_.stored) {
        // A step of a drag: the roots' response at unit gain first, since the gain rule
        // takes its peak from it; of the table and the grid's marks only the moved
        // root's change.
        RootResponse response = rootResponse(state_.model.roots(RootSet::Zeros),
                                             state_.model.roots(RootSet::Poles), 1, curveAngles());
        computeShown(&response);
        refreshGrid(dragged);
        refreshTable(dragged);
        refreshCurves(std::move(response));
        refreshSound();
        return;
    }
    // The roots' response at unit gain is found beside the gain rule's search for its
    // peak, and scaled by the gain when the curves are drawn.
    std::future<RootResponse> response;
    if (!state_.stored)
        response = std::async(
            std::launch::async,
            [zeros = state_.model.roots(RootSet::Zeros), poles = state_.model.roots(RootSet::Poles),
             angles = curveAngles()] { return rootResponse(zeros, poles, 1, angles); });
    computeShown();
    refreshGrid();
    refreshTable();
    refreshCurves(response.valid() ? std::optional(response.get()) : std::nullopt);
    refreshSound();
}

void PoleZeroWindow::refreshTable(std::optional<RootRef> only) {
    // A hidden table is filled when it is shown again (see eventFilter).
    if (!rootTable_->isVisible()) {
        tableStale_ = true;
        return;
    }
    if (tableStale_)
        only.reset();
    tableStale_ = false;
    filling_ = true;
    if (only) {
        fillRow(rootRow(*only), only->set, only->index);
    } else {
        const std::size_t poles = state_.model.roots(RootSet::Poles).size();
        const std::size_t zeros = state_.model.roots(RootSet::Zeros).size();
        if (rootTable_->rowCount() != static_cast<int>(poles + zeros))
            rootTable_->setRowCount(static_cast<int>(poles + zeros));
        for (RootSet set : {RootSet::Poles, RootSet::Zeros})
            for (std::size_t i = 0; i < state_.model.roots(set).size(); ++i)
                fillRow(rootRow({set, i}), set, i);
        const std::optional<RootRef> s = plane_->selection();
        if (s && rowRoot(rootRow(*s)))
            rootTable_->selectRow(rootRow(*s));
    }
    filling_ = false;
}

void PoleZeroWindow::fillRow(int row, RootSet set, std::size_t index) {
    const SectionRoot& r = state_.model.roots(set)[index];
    const QString kind = set == RootSet::Poles
                             ? (r.pair() ? QStringLiteral("пара полюсов") : QStringLiteral("полюс"))
                             : (r.pair() ? QStringLiteral("пара нулей") : QStringLiteral("нуль"));
    const double angle = r.pair() ? r.angle : (r.radius < 0 ? std::numbers::pi : 0.0);
    QString quantised, distance;
    if (set == RootSet::Poles && index < quantised_.size() && quantised_[index]) {
        const QuantisedPole& q = *quantised_[index];
        quantised =
            number(q.z.real()) + (q.pair ? QStringLiteral(" ± j") + number(q.z.imag()) : QString());
        distance = number(q.distance);
    }
    // A real root's radius is its signed value.
    const QString cells[ColumnCount] = {kind,
                                        number(r.radius),
                                        number(angle),
                                        number(angle * fd_ / (2 * std::numbers::pi)),
                                        QString::number(r.multiplicity),
                                        quantised,
                                        distance};
    for (int c = 0; c < ColumnCount; ++c) {
        // The items stay while rows stay, and a text is set only when its digits change, so
        // that a drag repaints only the cells that show something new.
        QTableWidgetItem* item = rootTable_->item(row, c);
        if (!item) {
            item = new QTableWidgetItem;
            rootTable_->setItem(row, c, item);
        }
        const bool editable = !(c == KindColumn || c >= QuantisedColumn ||
                                (!r.pair() && (c == AngleColumn || c == FrequencyColumn)));
        const Qt::ItemFlags flags =
            editable ? item->flags() | Qt::ItemIsEditable : item->flags() & ~Qt::ItemIsEditable;
        if (flags != item->flags())
            item->setFlags(flags);
        if (item->text() != cells[c])
            item->setText(cells[c]);
    }
}

void PoleZeroWindow::refreshGrid(std::optional<RootRef> only) {
    const int target = gridTarget_->currentIndex();
    const auto& poles = state_.model.roots(RootSet::Poles);
    const int bits = target == 1 ? q15Bits : gridBits_->value();
    const Structure structure = gridStructures[gridStructure_->currentIndex()];
    const auto quantise = [&](std::size_t i) -> std::optional<QuantisedPole> {
        if (target == 0 || !poles[i].pair() || poles[i].radius >= 1)
            return std::nullopt;
        return quantisedPole(structure, bits, poles[i].z());
    };
    quantised_.resize(poles.size());
    if (only) {
        // A drag moves one root: the dots and the status stay, one mark may move.
        if (only->set == RootSet::Zeros)
            return;
        quantised_[only->index] = quantise(only->index);
    } else {
        for (std::size_t i = 0; i < poles.size(); ++i)
            quantised_[i] = quantise(i);
        refreshGridDots(target, bits, structure);
    }
    std::vector<std::optional<std::complex<double>>> marks(poles.size());
    for (std::size_t i = 0; i < poles.size(); ++i)
        if (quantised_[i])
            marks[i] = quantised_[i]->z;
    plane_->setQuantised(std::move(marks));
}

void PoleZeroWindow::refreshGridDots(int target, int bits, Structure structure) {
    gridBits_->setEnabled(target == 2);
    gridStructure_->setEnabled(target != 0);
    if (target == 0) {
        if (gridKey_) {
            gridKey_.reset();
            plane_->setGrid({});
        }
        say(QStringLiteral("Шаг стрелок: %1").arg(number(nudgeStep)));
        return;
    }
    // The dots change only with the grid's settings.
    const GridKey key{bits, structure};
    if (bits <= drawnGridMaximumBits && key != gridKey_) {
        std::vector<std::complex<double>> points;
        forEachGridPoint(structure, bits, GridRegion{},
                         [&points](std::complex<double> z) { points.push_back(z); });
        gridKey_ = key;
        gridCount_ = points.size();
        plane_->setGrid(std::move(points));
    } else if (bits > drawnGridMaximumBits && gridKey_) {
        gridKey_.reset();
        plane_->setGrid({});
    }
    say(bits <= drawnGridMaximumBits
            ? QStringLiteral("Шаг стрелок: %1; сетка: %2 положений")
                  .arg(number(nudgeStep))
                  .arg(gridCount_)
            : QStringLiteral("Шаг стрелок: %1; сетка C = %2 слишком густа для рисунка (точки "
                             "рисуются при C не больше %3)")
                  .arg(number(nudgeStep))
                  .arg(bits)
                  .arg(drawnGridMaximumBits));
}

void PoleZeroWindow::computeShown(const RootResponse* unitResponse) {
    const auto& zeros = state_.model.roots(RootSet::Zeros);
    const auto& poles = state_.model.roots(RootSet::Poles);
    try {
        if (state_.stored) {
            shown_ = sectionsOf(*state_.stored);
        } else if (unitResponse && state_.model.gain.kind == GainKind::AtPeak) {
            // While a root is dragged the peak comes from the curve just computed: its
            // largest of 4000 samples refined by a golden-section search on the exact |H|
            // between its neighbours (and around a pole's angle where a resonance narrower
            // than the samples' step hides). That finds the same maximum as peakGain's
            // finer grid whenever the peak's lobe holds a sample or a pole's angle, to the
            // rounding of double against long double (about 1e-15 of the gain), far below
            // what the curves can show. The release and every other change search in full,
            // and what is saved always comes from the model's full search.
            const double peakDb =
                rootPeakDb(zeros, poles, curveAngles(), unitResponse->magnitudeDb);
            lastGain_ = state_.model.gainFactor(std::pow(10.0, peakDb / 20));
            shown_ = sectionsFromRoots(zeros, poles, lastGain_);
        } else {
            lastGain_ = state_.model.gainFactor();
            shown_ = sectionsFromRoots(zeros, poles, lastGain_);
        }
        gainHolds_ = true;
    } catch (const UserMessage&) {
        // The rule cannot hold (a pole on the circle for the peak): the last gain it gave.
        shown_ = sectionsFromRoots(zeros, poles, lastGain_);
        gainHolds_ = false;
    }
    stable_ = cascadeStable(shown_);
}

std::vector<double> PoleZeroWindow::curveAngles() const {
    std::vector<double> angles = gridFrequencies(curveGrid());
    for (double& w : angles)
        w = 2 * std::numbers::pi * w / fd_;
    return angles;
}

FrequencyGrid PoleZeroWindow::curveGrid() const {
    return {0, fd_ / 2, CharacteristicsPlot::basePoints, false};
}

void PoleZeroWindow::refreshCurves(std::optional<RootResponse> unitResponse) {
    const bool stable = stable_;
    const std::vector<SecondOrderSection>& shown = shown_;
    unstableLabel_->setVisible(!stable);
    plane_->setUnstable(!stable);
    plane_->update();
    ChartSeries series{"Фильтр", CurveSource{filterOfSections(shown)}};
    const std::vector<ChartSeries> all{series};
    const FrequencyGrid grid = curveGrid();
    const std::pair<ChartView, ChartPicture*> views[] = {{ChartView::MagnitudeDb, magnitudeChart_},
                                                         {ChartView::Phase, phaseChart_},
                                                         {ChartView::GroupDelay, delayChart_}};
    std::array<ChartOptions, 3> options;
    std::array<ChartCurves, 3> curves;
    for (std::size_t i = 0; i < options.size(); ++i) {
        options[i].view = views[i].first;
        options[i].fd = fd_;
    }
    if (state_.stored) {
        // A file as read: its own sections' curves.
        for (std::size_t i = 0; i < options.size(); ++i)
            curves[i] = computeChartCurves(all, options[i], grid, std::nullopt);
    } else {
        // The roots edited: the three curves in one pass over them, fast enough for every
        // step of a drag.
        RootResponse response =
            unitResponse ? std::move(*unitResponse)
                         : rootResponse(state_.model.roots(RootSet::Zeros),
                                        state_.model.roots(RootSet::Poles), 1, curveAngles());
        applyGain(response, lastGain_);
        const std::vector<double> frequencies = gridFrequencies(grid);
        unwrapPhase(response.phase);
        std::vector<double>* values[] = {&response.magnitudeDb, &response.phase,
                                         &response.groupDelay};
        for (std::size_t i = 0; i < options.size(); ++i) {
            curves[i].frequencies = frequencies;
            curves[i].values.push_back(std::move(*values[i]));
            curves[i].leaves.emplace_back();
            curves[i].references.push_back(0);
            curves[i].divisors.push_back(1);
        }
    }
    for (std::size_t i = 0; i < options.size(); ++i) {
        const auto& [view, picture] = views[i];
        const AxisRange x{0, fd_ / 2, false};
        const AxisRange y =
            shownRange(curves[i], valueRange(curves[i], 0, fd_ / 2, viewDepth(view)));
        Chart chart =
            characteristicsChart(all, curves[i], options[i], std::nullopt, x, y,
                                 std::max(picture->width(), 100), std::max(picture->height(), 100));
        if (dragMoved_)
            chart.curveWidth = dragCurveWidth;
        if (!stable)
            for (ChartCurve& c : chart.curves)
                c.color = unstableRgb;
        // The recording's spectrum behind the magnitude.
        if (view == ChartView::MagnitudeDb && spectrumCurve_)
            chart.curves.insert(chart.curves.begin(), *spectrumCurve_);
        picture->setChart(std::move(chart));
    }
}

void PoleZeroWindow::refreshSound() {
    // An unstable filter is not played: the last stable one goes on.
    if (device_ && gainHolds_ && stable_)
        device_->setSections(shown_);
}

void PoleZeroWindow::openRecording(const QString& path) {
    try {
        const std::size_t segment = segmentLength_->currentText().toULongLong();
        const bool signal = signalFileName(path.toStdString());
        WelchSpectrum s = welchOfFile(path.toStdString(), segment, signal ? fd_ : 0);
        if (!signal) {
            // A sound file brings its own sampling frequency.
            fd_ = 2 * s.frequency.back();
            state_.model.fd = fd_;
            fdEdit_->setText(number(fd_));
        }
        // Drawn in dB with its peak at 0 dB, where the magnitude's peak of 1 is.
        ChartCurve curve;
        curve.name = "Спектр записи";
        curve.color = spectrumRgb;
        const double peak = *std::max_element(s.density.begin(), s.density.end());
        for (std::size_t k = 0; k < s.frequency.size(); ++k) {
            curve.x.push_back(s.frequency[k]);
            curve.y.push_back(10 * std::log10(s.density[k] / peak));
        }
        spectrumCurve_ = std::move(curve);
        spectrum_ = std::move(s);
        recording_ = path;
        recordingIsSound_ = !signal;
    } catch (const std::exception& error) {
        reportError(error);
        return;
    }
    if (listenButton_->isChecked())
        listenButton_->setChecked(false);
    listenButton_->setEnabled(recordingIsSound_ && !noOutputSaid_);
    refresh();
    say(QStringLiteral("Запись %1: отрезков %2")
            .arg(QDir::toNativeSeparators(recording_))
            .arg(spectrum_->segments));
}

void PoleZeroWindow::toggleListening(bool on) {
    if (!on) {
        if (output_)
            output_->stop();
        output_.reset();
        device_.reset();
        return;
    }
    if (device_ || !recordingIsSound_)
        return;
    std::vector<SecondOrderSection> s;
    try {
        s = sections();
        if (!cascadeStable(s))
            s = {SecondOrderSection{}};
        device_ = std::make_unique<LiveFilterDevice>(recording_.toStdString(), s);
    } catch (const std::exception& error) {
        listenButton_->setChecked(false);
        reportError(error);
        return;
    }
    device_->open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    output_ = makeAudioOutput();
    output_->setAhead(liveAheadSeconds);
    const AudioStart started = output_->start(device_.get(), device_->rate(), device_->channels());
    if (started == AudioStart::Started)
        return;
    const int rate = device_->rate(), channels = device_->channels();
    output_.reset();
    device_.reset();
    const QSignalBlocker block(listenButton_);
    listenButton_->setChecked(false);
    if (started == AudioStart::NoDevice) {
        // Said once; the button stays off for the rest of the window's life.
        noOutputSaid_ = true;
        listenButton_->setEnabled(false);
        prompts().message(MessageIcon::Warning, applicationTitle(),
                          QStringLiteral("Нет устройства вывода звука: прослушивание невозможно"));
    } else {
        prompts().message(MessageIcon::Warning, applicationTitle(),
                          QStringLiteral("Устройство вывода звука не воспроизводит звук %1 Гц, "
                                         "каналов: %2, 16 бит")
                              .arg(rate)
                              .arg(channels));
    }
}

void PoleZeroWindow::exportFilter() {
    if ((file_.isEmpty() || !undo_->isClean()) && !save())
        return;
    auto* dialog = new ExportDialog(this);
    dialog->setSourceFile(file_);
    prompts().showModal(dialog);
    dialog->deleteLater();
}

void PoleZeroWindow::openImplementation() {
    if ((file_.isEmpty() || !undo_->isClean()) && !save())
        return;
    ImplementationWindow* form = openImplementationWindow();
    connect(form, &ImplementationWindow::exportRequested, form,
            [form](const QString& source, const ImplementationOptions& implementation) {
                exportImplementation(form, source, implementation);
            });
    form->openFilterFile(file_);
}

PoleZeroWindow* openPoleZeroWindow() {
    auto* form = new PoleZeroWindow;
    showSizedChildWindow(form, QSize(1200, 820));
    const QString designed = shared().DesignedFilterFile;
    // A designed filter the editor cannot take (sections of the fourth order) leaves
    // it empty, with the reason in the status bar rather than in a message box.
    if (!designed.isEmpty() && QFileInfo::exists(designed)) {
        try {
            form->load(designed);
        } catch (const std::exception& error) {
            form->say(QString::fromUtf8(error.what()));
        }
    }
    return form;
}

} // namespace zorkan::ui
