#include "export/exportdialog.h"

#include "common/errors.h"
#include "export/firexport.h"
#include "export/verilog.h"
#include "fir/firfile.h"
#include "fixedpoint/structurechoice_qt.h"
#include "ui/controls.h"
#include "ui/errorhandler.h"
#include "ui/prompts.h"
#include "ui/sharedstate.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QStatusBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include <iterator>
#include <utility>

namespace zorkan::ui {

namespace {

// In the order of ExportFormat.
const char* const formatTexts[] = {
    "Секции второго порядка, CSV (*.csv)", "Octave/MATLAB (*.m)",
    "Python, массив NumPy (*.py)",         "Язык C (*.c, *.h)",
    "CMSIS-DSP, ядра biquad (*.c, *.h)",   "Verilog-2001 для ПЛИС (*.v)",
};

// The first format of a ".fir" file: its taps, in place of the sections.
const char* const tapsFormatText = "Отводы КИХ-фильтра, CSV (*.csv)";

// The file types of the save dialog, in the order of ExportFormat.
const char* const fileFilters[] = {
    "Секции второго порядка, CSV|*.csv",
    "Файлы Octave/MATLAB|*.m",
    "Модули Python|*.py",
    "Код C, файлы .c и .h|*.c|Один заголовочный файл C|*.h",
    "Код CMSIS-DSP, файлы .c и .h|*.c",
    "Модули Verilog|*.v",
    "Отводы КИХ-фильтра, CSV|*.csv",
};

// Why the controls of sections are greyed for a ".fir" file.
const char* const notForFir = "У КИХ-фильтра (.fir) нет секций: отводы записываются как есть";

// The item of ComboBox2 that writes a number type; the CMSIS-DSP FIR kernels' types are
// the items of their words.
int typeItem(SampleType type) {
    switch (type) {
    case SampleType::FirQ15:
        return static_cast<int>(SampleType::Q15);
    case SampleType::FirQ31:
        return static_cast<int>(SampleType::Q31);
    case SampleType::FirF32:
        return static_cast<int>(SampleType::F32);
    default:
        return static_cast<int>(type);
    }
}

bool firFile(const QString& source) {
    return isFirFileName(source.toStdString());
}

// In the order of SampleType.
const char* const typeTexts[] = {"double",        "float",
                                 "q15 (int16_t)", "q31 (int32_t)",
                                 "float с FMA",   "f32 (float32_t, только CMSIS-DSP)"};
// The scalings and section orders; the first item of each leaves the export's default.
const char* const scalingTexts[] = {"по флажку нормировки", "peak", "l2", "l1", "none"};
const Scaling scalings[] = {Scaling::Peak, Scaling::L2, Scaling::L1, Scaling::None};
// The item of ComboBox3 that chooses a scaling.
int scalingItem(Scaling scaling) {
    for (int i = 0; i < 4; ++i)
        if (scalings[i] == scaling)
            return i + 1;
    return 0;
}
const char* const orderTexts[] = {"по умолчанию", "file", "ascending", "descending"};
const SectionOrder orders[] = {SectionOrder::File, SectionOrder::Ascending,
                               SectionOrder::Descending};

// The folder of the parameter file, where its exported files go by default; the current
// folder without one.
QString sourceFolder(const QString& source) {
    return source.isEmpty() ? QDir::currentPath() : QFileInfo(source).absolutePath();
}

// A warning of the core in the dialog's words: the command-line options it may name become
// the dialog's controls and windows.
QString inDialogWords(QString text) {
    static const std::pair<const char*, const char*> words[] = {
        {"(zorkan-cli implement показывает подробности)",
         "(подробности - в окне \"Реализация фильтра\")"},
        {"zorkan-cli implement", "окно \"Реализация фильтра\""},
        {"--scale l1", "масштабирование l1"},
        {"--scale peak", "масштабирование peak"},
        {"--test-vectors", "тестовые векторы"},
    };
    for (const auto& [from, to] : words)
        text.replace(QString::fromUtf8(from), QString::fromUtf8(to));
    return text;
}

FileDialogRequest outputRequest(ExportFormat format, const QString& source) {
    FileDialogRequest r;
    r.title = QStringLiteral("Экспорт фильтра");
    r.initialFolder = sourceFolder(source);
    r.filter = QString::fromUtf8(fileFilters[static_cast<int>(format)]);
    r.defaultExtension = QString::fromStdString(exportExtension(format)).mid(1);
    const QString stem = source.isEmpty() ? QStringLiteral("1") : QFileInfo(source).baseName();
    // Python imports a module, and Octave runs a script, by a name that starts with a letter.
    const bool needsLetter = format == ExportFormat::Python || format == ExportFormat::Octave;
    const QString name =
        needsLetter && (stem.isEmpty() || !stem.at(0).isLetter()) ? "filter_" + stem : stem;
    r.proposedName = name + QLatin1Char('.') + r.defaultExtension;
    return r;
}

QString fullPath(const std::string& path) {
    return QDir::toNativeSeparators(QFileInfo(QString::fromStdString(path)).absoluteFilePath());
}

QPlainTextEdit* previewPage(QTabWidget* pages, const QString& name) {
    auto* memo = new QPlainTextEdit(pages);
    memo->setObjectName(name);
    memo->setReadOnly(true);
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    memo->setToolTip(QStringLiteral("Текст, который будет записан в файл"));
    pages->addTab(memo, QString());
    return memo;
}

} // namespace

ExportDialog::ExportDialog(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("ExportDialog"));
    setWindowTitle(QStringLiteral("Экспорт фильтра"));
    resize(640, 560);

    auto* column = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    column->addLayout(form);
    createSourceControls(form);
    createFormatControls(form, column);
    createVerilogControls(column);
    createPreview(column);
    createButtons(column);
    createImplementationControls(column);
    connectControls();
    ComboBox1Change();
    sectionHints_ = {CheckBox1->toolTip(), ComboBox3->toolTip(), ComboBox4->toolTip(),
                     ComboBox7->toolTip()};

    // The filter last designed or analysed, if any.
    const SharedState& state = shared();
    setSourceFile(state.ResponseFilterFile.isEmpty() ? state.DesignedFilterFile
                                                     : state.ResponseFilterFile);
}

void ExportDialog::createSourceControls(QFormLayout* form) {
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setToolTip(
        QStringLiteral("Файл фильтра: параметры (.flt) или отводы КИХ-фильтра (.fir)"));
    BitBtn1 = new QPushButton(QStringLiteral("Выбрать..."), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    auto* sourceRow = new QHBoxLayout;
    sourceRow->addWidget(Edit1, 1);
    sourceRow->addWidget(BitBtn1);
    form->addRow(QStringLiteral("Файл параметров фильтра:"), sourceRow);
}

void ExportDialog::createFormatControls(QFormLayout* form, QVBoxLayout* column) {
    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    for (const char* text : formatTexts)
        ComboBox1->addItem(QString::fromUtf8(text));
    form->addRow(QStringLiteral("Формат:"), ComboBox1);

    ComboBox2 = new QComboBox(this);
    ComboBox2->setObjectName(QStringLiteral("ComboBox2"));
    for (const char* text : typeTexts)
        ComboBox2->addItem(QString::fromUtf8(text));
    form->addRow(QStringLiteral("Тип чисел для C:"), ComboBox2);

    Edit2 = new QLineEdit(QStringLiteral("zorkan_filter"), this);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Edit2->setToolTip(QStringLiteral("Имя типа и функций в коде C"));
    form->addRow(QStringLiteral("Имя в коде C:"), Edit2);

    CheckBox1 = new QCheckBox(
        QStringLiteral("Нормировать усиление (наибольшее усиление по частоте равно 1)"), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->setToolTip(QStringLiteral(
        "Каждая секция масштабируется так, что секции с первой по нее имеют усиление 1"));
    column->addWidget(CheckBox1);
}

// Verilog: the words and the rules of the fixed-point implementation.
void ExportDialog::createVerilogControls(QVBoxLayout* column) {
    auto* words = new QHBoxLayout;
    SpinEdit2 = new QSpinBox(this);
    SpinEdit2->setObjectName(QStringLiteral("SpinEdit2"));
    SpinEdit2->setToolTip(QStringLiteral("Длина слова данных модуля Verilog, бит"));
    SpinEdit3 = new QSpinBox(this);
    SpinEdit3->setObjectName(QStringLiteral("SpinEdit3"));
    SpinEdit3->setToolTip(QStringLiteral("Длина слова коэффициентов модуля Verilog, бит"));
    for (QSpinBox* spin : {SpinEdit2, SpinEdit3})
        spin->setRange(minimumBits, maximumBits);
    SpinEdit2->setValue(16);
    SpinEdit3->setValue(32);
    ComboBox5 = new QComboBox(this);
    ComboBox5->setObjectName(QStringLiteral("ComboBox5"));
    ComboBox5->addItems({QStringLiteral("к ближайшему"), QStringLiteral("отбрасыванием")});
    ComboBox5->setToolTip(QStringLiteral("Округление выхода секции"));
    ComboBox6 = new QComboBox(this);
    ComboBox6->setObjectName(QStringLiteral("ComboBox6"));
    ComboBox6->addItems({QStringLiteral("насыщение"), QStringLiteral("перенос по модулю")});
    ComboBox6->setToolTip(QStringLiteral("Переполнение выхода секции"));
    words->addWidget(new QLabel(QStringLiteral("Verilog: данные"), this));
    words->addWidget(SpinEdit2);
    words->addWidget(new QLabel(QStringLiteral("коэффициенты"), this));
    words->addWidget(SpinEdit3);
    words->addWidget(ComboBox5);
    words->addWidget(ComboBox6);
    words->addStretch(1);
    column->addLayout(words);
}

void ExportDialog::createPreview(QVBoxLayout* column) {
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setToolTip(QStringLiteral("Файлы, которые получит предложенное имя"));
    Memo1 = previewPage(PageControl1, QStringLiteral("Memo1"));
    Memo2 = previewPage(PageControl1, QStringLiteral("Memo2"));
    Memo3 = previewPage(PageControl1, QStringLiteral("Memo3"));
    column->addWidget(PageControl1, 1);

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    Label1->setToolTip(QStringLiteral("Предупреждения о фильтре; они записываются и в файл"));
    column->addWidget(Label1);
}

void ExportDialog::createButtons(QVBoxLayout* column) {
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    BitBtn2 = new QPushButton(QStringLiteral("Экспорт..."), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn3 = new QPushButton(QStringLiteral("Закрыть"), this);
    BitBtn3->setObjectName(QStringLiteral("BitBtn3"));
    // Enter in a field finishes typing there; it never starts writing files.
    for (QPushButton* b : {BitBtn1, BitBtn2, BitBtn3}) {
        b->setDefault(false);
        b->setAutoDefault(false);
    }
    buttons->addWidget(BitBtn2);
    buttons->addWidget(BitBtn3);
    column->addLayout(buttons);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    // The written files' full paths wrap rather than run off the edge.
    Label2 = new QLabel(StatusBar1);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setWordWrap(true);
    Label2->setTextInteractionFlags(Qt::TextSelectableByMouse);
    StatusBar1->addWidget(Label2, 1);
    column->addWidget(StatusBar1);
}

// The implementation's options, after the controls above.
void ExportDialog::createImplementationControls(QVBoxLayout* column) {
    auto* more = new QFormLayout;
    ComboBox3 = new QComboBox(this);
    ComboBox3->setObjectName(QStringLiteral("ComboBox3"));
    for (const char* text : scalingTexts)
        ComboBox3->addItem(QString::fromUtf8(text));
    ComboBox3->setToolTip(QStringLiteral("Масштабирование секций, как у реализации фильтра"));
    more->addRow(QStringLiteral("Масштабирование:"), ComboBox3);
    ComboBox4 = new QComboBox(this);
    ComboBox4->setObjectName(QStringLiteral("ComboBox4"));
    for (const char* text : orderTexts)
        ComboBox4->addItem(QString::fromUtf8(text));
    ComboBox4->setToolTip(QStringLiteral("Порядок секций, как у реализации фильтра"));
    more->addRow(QStringLiteral("Порядок секций:"), ComboBox4);
    SpinEdit1 = new QSpinBox(this);
    SpinEdit1->setObjectName(QStringLiteral("SpinEdit1"));
    SpinEdit1->setRange(0, maximumTestVectors);
    SpinEdit1->setSingleStep(1000);
    SpinEdit1->setSpecialValueText(QStringLiteral("нет"));
    SpinEdit1->setToolTip(QStringLiteral(
        "Отсчетов тестовых векторов (C и CMSIS-DSP): файл ИМЯ_test.c проверяет на устройстве, "
        "что код считает то же, что моделирование"));
    more->addRow(QStringLiteral("Тестовые векторы:"), SpinEdit1);
    ComboBox7 = structureChoice(this, "ComboBox7",
                                QStringLiteral("Структура секций в коде C и в модуле Verilog; "
                                               "своя - та, что вычисляет выбранная арифметика"));
    more->addRow(QStringLiteral("Структура секций:"), ComboBox7);
    column->insertLayout(column->indexOf(Label1) + 1, more);
}

void ExportDialog::connectControls() {
    connect(BitBtn1, &QPushButton::clicked, this, &ExportDialog::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &ExportDialog::BitBtn2Click);
    connect(BitBtn3, &QPushButton::clicked, this, &QDialog::reject);
    connect(ComboBox1, &QComboBox::currentIndexChanged, this, &ExportDialog::ComboBox1Change);
    connect(ComboBox2, &QComboBox::currentIndexChanged, this, [this] {
        offerChosenStructures();
        showPreview();
    });
    // "Нормировать усиление" and the scaling are one choice: the box is ticked when the
    // sections are scaled, and ticking it scales them by the peak.
    connect(CheckBox1, &QCheckBox::toggled, this, [this](bool on) {
        const int index = ComboBox3->currentIndex();
        const bool scaled = index > 0 && scalings[index - 1] != Scaling::None;
        if (index > 0 && on != scaled) {
            const QSignalBlocker quiet(ComboBox3);
            ComboBox3->setCurrentIndex(on ? scalingItem(Scaling::Peak)
                                          : scalingItem(Scaling::None));
        }
        showPreview();
    });
    connect(ComboBox3, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index > 0) {
            const QSignalBlocker quiet(CheckBox1);
            CheckBox1->setChecked(scalings[index - 1] != Scaling::None);
        }
        showPreview();
    });
    connect(ComboBox4, &QComboBox::currentIndexChanged, this, &ExportDialog::showPreview);
    connect(Edit1, &QLineEdit::textChanged, this, [this] {
        offerSourceFormats();
        showPreview();
    });
    connect(Edit2, &QLineEdit::textChanged, this, &ExportDialog::showPreview);
    for (QSpinBox* spin : {SpinEdit1, SpinEdit2, SpinEdit3})
        connect(spin, &QSpinBox::valueChanged, this, &ExportDialog::showPreview);
    for (QComboBox* box : {ComboBox5, ComboBox6, ComboBox7})
        connect(box, &QComboBox::currentIndexChanged, this, &ExportDialog::showPreview);
}

void ExportDialog::setSourceFile(const QString& path) {
    Edit1->setText(path);
    showPreview();
}

// A ".fir" file's taps: the first format writes them as CSV, C has no float with FMA, and
// the controls of sections are greyed with the reason.
void ExportDialog::offerSourceFormats() {
    const bool fir = firFile(Edit1->text().trimmed());
    if (fir == firShown_)
        return;
    firShown_ = fir;
    ComboBox1->setItemText(0, QString::fromUtf8(fir ? tapsFormatText : formatTexts[0]));
    auto* types = qobject_cast<QStandardItemModel*>(ComboBox2->model());
    const int fma = static_cast<int>(SampleType::FloatFma);
    types->item(fma)->setEnabled(!fir);
    if (fir && ComboBox2->currentIndex() == fma)
        ComboBox2->setCurrentIndex(static_cast<int>(SampleType::Float));
    const std::array<QWidget*, 4> sections{CheckBox1, ComboBox3, ComboBox4, ComboBox7};
    for (std::size_t i = 0; i < sections.size(); ++i) {
        sections[i]->setEnabled(!fir);
        sections[i]->setToolTip(fir ? QString::fromUtf8(notForFir) : sectionHints_[i]);
    }
    offerChosenStructures();
}

void ExportDialog::preset(const ImplementationOptions& io) {
    const ExportOptions options = exportFormatOf(io.arithmetic.target);
    ComboBox1->setCurrentIndex(static_cast<int>(options.format));
    ComboBox2->setCurrentIndex(typeItem(options.type));
    if (options.format == ExportFormat::Verilog) {
        SpinEdit2->setValue(io.arithmetic.dataBits);
        SpinEdit3->setValue(io.arithmetic.coefBits);
        ComboBox5->setCurrentIndex(io.arithmetic.rounding == Rounding::Truncate ? 1 : 0);
        ComboBox6->setCurrentIndex(io.arithmetic.overflow == Overflow::Wrap ? 1 : 0);
    }
    if (firFile(Edit1->text().trimmed()))
        return; // taps: no scaling, order or structure
    ComboBox3->setCurrentIndex(scalingItem(io.scaling));
    for (int i = 0; i < 3; ++i)
        if (orders[i] == io.order)
            ComboBox4->setCurrentIndex(i + 1);
    chooseStructure(ComboBox7, io.structure);
}

void ExportDialog::ComboBox1Change() {
    const int format = ComboBox1->currentIndex();
    const bool c = format == static_cast<int>(ExportFormat::C) ||
                   format == static_cast<int>(ExportFormat::Cmsis);
    ComboBox2->setEnabled(c);
    Edit2->setEnabled(c || verilogChosen());
    if (SpinEdit1)
        SpinEdit1->setEnabled(c || verilogChosen());
    for (QWidget* w : std::initializer_list<QWidget*>{SpinEdit2, SpinEdit3, ComboBox5, ComboBox6})
        if (w)
            w->setEnabled(verilogChosen());
    offerChosenStructures();
    showPreview();
}

// A ".fir" file: the taps, with the format's words and number type; the first format
// writes the taps as CSV, and the options of sections stay unset.
ExportOptions ExportDialog::chosenOptions() const {
    ExportOptions options;
    options.format = static_cast<ExportFormat>(ComboBox1->currentIndex());
    options.prefix = Edit2->text().trimmed().toStdString();
    if (firFile(Edit1->text().trimmed())) {
        if (options.format == ExportFormat::SosCsv)
            options.format = ExportFormat::Csv;
        const bool code =
            options.format == ExportFormat::C || options.format == ExportFormat::Cmsis;
        options.testVectors = (code || verilogChosen()) ? SpinEdit1->value() : 0;
        if (code)
            options.type = static_cast<SampleType>(ComboBox2->currentIndex());
        if (verilogChosen()) {
            options.words.dataBits = SpinEdit2->value();
            options.words.coefBits = SpinEdit3->value();
            options.words.rounding =
                ComboBox5->currentIndex() == 1 ? Rounding::Truncate : Rounding::Nearest;
            options.words.overflow =
                ComboBox6->currentIndex() == 1 ? Overflow::Wrap : Overflow::Saturate;
        }
        return options;
    }
    // The box only mirrors a scaling chosen in the list; alone, it asks for the peak's.
    options.normalise = CheckBox1->isChecked() && (!ComboBox3 || ComboBox3->currentIndex() == 0);
    if (ComboBox3 && ComboBox3->currentIndex() > 0)
        options.scaling = scalings[ComboBox3->currentIndex() - 1];
    if (ComboBox4 && ComboBox4->currentIndex() > 0)
        options.order = orders[ComboBox4->currentIndex() - 1];
    const bool code = options.format == ExportFormat::C || options.format == ExportFormat::Cmsis;
    options.testVectors = (code || verilogChosen()) && SpinEdit1 ? SpinEdit1->value() : 0;
    if (ComboBox7 && structureChosen())
        options.structure = chosenStructure(ComboBox7);
    if (!verilogChosen()) {
        options.type = static_cast<SampleType>(ComboBox2->currentIndex());
        return options;
    }
    // The module takes the scaling chosen for every implementation, else the export's
    // default (the implementation's), with the words and rules chosen for it.
    options.scaling = exportScaling(options);
    options.normalise = false;
    options.words.dataBits = SpinEdit2->value();
    options.words.coefBits = SpinEdit3->value();
    options.words.rounding =
        ComboBox5->currentIndex() == 1 ? Rounding::Truncate : Rounding::Nearest;
    options.words.overflow = ComboBox6->currentIndex() == 1 ? Overflow::Wrap : Overflow::Saturate;
    return options;
}

void ExportDialog::showPreview() {
    if (!Label1 || !SpinEdit1)
        return; // still being built
    QPlainTextEdit* memos[] = {Memo1, Memo2, Memo3};
    for (QPlainTextEdit* memo : memos)
        memo->clear();
    PageControl1->setTabText(0, QString());
    PageControl1->setTabVisible(1, false);
    PageControl1->setTabVisible(2, false);
    const QString source = Edit1->text().trimmed();
    if (source.isEmpty()) {
        Label1->setText(QStringLiteral("Не задано имя файла параметров фильтра"));
        return;
    }
    ExportOptions options = chosenOptions();
    options.sourceName = QFileInfo(source).fileName().toStdString();
    const QString proposed =
        QDir(sourceFolder(source)).filePath(outputRequest(options.format, source).proposedName);
    const auto showFiles = [&](const std::vector<ExportFile>& files) {
        // The code, and the test program of the golden vectors (_test.c, _tb.v) too.
        for (std::size_t i = 0; i < files.size() && i < std::size(memos); ++i) {
            memos[i]->setPlainText(QString::fromStdString(files[i].text));
            PageControl1->setTabText(static_cast<int>(i),
                                     QFileInfo(QString::fromStdString(files[i].path)).fileName());
            PageControl1->setTabVisible(static_cast<int>(i), true);
        }
    };
    try {
        if (firFile(source)) {
            // Taps: no sections to keep, no warnings of a cascade.
            showFiles(
                firExportFileTexts(namingFiles([&] { return readFirFile(source.toStdString()); }),
                                   proposed.toStdString(), options));
            Label1->setText(
                QStringLiteral("Предупреждений нет") +
                (verilogChosen()
                     ? QStringLiteral("\nЗадержка модуля: %1 тактов").arg(firVerilogLatency)
                     : QString()));
            return;
        }
        // The sections are made again only when the file or what shapes them changed:
        // normalising a long cascade takes a moment, and the name for C is typed.
        const QFileInfo file(source);
        const QString key = file.absoluteFilePath() + QLatin1Char('|') +
                            QString::number(file.lastModified().toMSecsSinceEpoch()) +
                            QLatin1Char('|') + QString::number(file.size()) +
                            QStringLiteral("|%1|%2|%3|%4|%5")
                                .arg(static_cast<int>(options.format))
                                .arg(static_cast<int>(options.type))
                                .arg(ComboBox3->currentIndex())
                                .arg(ComboBox4->currentIndex())
                                .arg(CheckBox1->isChecked() ? 1 : 0) +
                            QStringLiteral("|%1|%2|%3|%4|%5|%6")
                                .arg(options.testVectors)
                                .arg(options.words.dataBits)
                                .arg(options.words.coefBits)
                                .arg(static_cast<int>(options.words.rounding))
                                .arg(static_cast<int>(options.words.overflow))
                                .arg(ComboBox7->currentIndex());
        if (key != previewKey_ || !file.exists()) {
            previewKey_.clear();
            previewFilter_ =
                namingFiles([&] { return exportedFilter(source.toStdString(), options); });
            previewKey_ = key;
        }
        const ExportedFilter& filter = previewFilter_;
        showFiles(exportFileTexts(filter, proposed.toStdString(), options));
        QStringList warnings;
        for (const CascadeWarning& w : filter.cascade.warnings)
            warnings << QStringLiteral("Предупреждение: ") +
                            inDialogWords(QString::fromStdString(w.message));
        Label1->setText((warnings.isEmpty() ? QStringLiteral("Предупреждений нет")
                                            : warnings.join(QLatin1Char('\n'))) +
                        (verilogChosen() ? QStringLiteral("\nЗадержка модуля: %1 тактов")
                                               .arg(verilogLatency(*filter.implementation))
                                         : QString()));
    } catch (const Error& e) {
        // The system's own refusals are worded as they stand; the others get their stop.
        const QString why = QString::fromUtf8(e.what());
        Label1->setText(QStringLiteral("Текст не составлен: ") +
                        (dynamic_cast<const UserMessage*>(&e) ? why : withFullStop(why)));
    }
}

bool ExportDialog::replaceAllowed(const std::vector<std::string>& files) {
    for (const std::string& f : files) {
        const QFileInfo info(QString::fromStdString(f));
        if (info.exists() &&
            !prompts().ask(
                applicationTitle(),
                QStringLiteral("Файл %1 уже существует. Заменить?").arg(info.fileName())))
            return false;
    }
    return true;
}

void ExportDialog::BitBtn1Click() {
    FileDialogRequest r;
    r.title = QStringLiteral("Файл фильтра");
    r.filter = QStringLiteral(
        "Файлы фильтров|*.flt;*.fir|Файлы параметров фильтра|*.flt|КИХ-фильтры|*.fir");
    r.defaultExtension = QStringLiteral("flt");
    r.initialFolder = sourceFolder(Edit1->text().trimmed());
    r.proposedName = QFileInfo(Edit1->text()).fileName();
    if (const std::optional<QString> path = prompts().openFileName(r))
        Edit1->setText(*path);
}

void ExportDialog::BitBtn2Click() {
    const QString source = Edit1->text().trimmed();
    if (source.isEmpty()) {
        prompts().message(MessageIcon::Warning, applicationTitle(),
                          QStringLiteral("Не задано имя файла параметров фильтра"));
        return;
    }
    const ExportOptions options = chosenOptions();
    if (firFile(source)) {
        exportTaps(source, options);
        return;
    }
    const std::optional<QString> output =
        prompts().saveFileName(outputRequest(options.format, source));
    if (!output)
        return;
    const std::vector<std::string> files = exportFiles(output->toStdString(), options);
    checkExportOutputs(source.toStdString(), files);
    if (!replaceAllowed(files))
        return;
    // What the filter's warnings say is asked once, before anything is written.
    ExportOptions checked = options;
    checked.sourceName = QFileInfo(source).fileName().toStdString();
    checked.testVectors = 0;
    const ExportedFilter filter =
        namingFiles([&] { return exportedFilter(source.toStdString(), checked); });
    if (!filter.cascade.warnings.empty()) {
        QStringList lines;
        for (const CascadeWarning& w : filter.cascade.warnings)
            lines << QStringLiteral("- ") + inDialogWords(QString::fromStdString(w.message));
        if (!prompts().ask(applicationTitle(), QStringLiteral("Предупреждения о фильтре:\n") +
                                                   lines.join(QLatin1Char('\n')) +
                                                   QStringLiteral("\nЗаписать файлы экспорта?")))
            return;
    }

    ExportResult result;
    {
        BusyCursor busy;
        result = namingFiles(
            [&] { return exportFilter(source.toStdString(), output->toStdString(), options); });
    }
    // The module is named alone, with its latency.
    const bool verilog = verilogChosen();
    QStringList names;
    for (const std::string& f : result.files)
        if (!verilog || names.isEmpty())
            names << fullPath(f);
    Label2->setText((names.size() > 1 ? QStringLiteral("Записаны %1; секций второго порядка: %2")
                                      : QStringLiteral("Записан %1; секций второго порядка: %2"))
                        .arg(names.join(QStringLiteral(", ")))
                        .arg(result.filter.cascade.sections.size()) +
                    (verilog ? QStringLiteral(", задержка %1 тактов")
                                   .arg(verilogLatency(*result.filter.implementation))
                             : QString()));
}

void ExportDialog::exportTaps(const QString& source, const ExportOptions& options) {
    // A file the reader refuses is refused before anything is asked.
    const std::size_t taps =
        namingFiles([&] { return readFirFile(source.toStdString()); }).taps.size();
    const std::optional<QString> output =
        prompts().saveFileName(outputRequest(options.format, source));
    if (!output)
        return;
    const std::vector<std::string> files = exportFiles(output->toStdString(), options);
    checkExportOutputs(source.toStdString(), files);
    if (!replaceAllowed(files))
        return;
    std::vector<std::string> written;
    {
        BusyCursor busy;
        written = namingFiles(
            [&] { return exportFirFile(source.toStdString(), output->toStdString(), options); });
    }
    QStringList names;
    for (const std::string& f : written)
        if (!verilogChosen() || names.isEmpty())
            names << fullPath(f);
    Label2->setText((names.size() > 1 ? QStringLiteral("Записаны %1; отводов КИХ-фильтра: %2")
                                      : QStringLiteral("Записан %1; отводов КИХ-фильтра: %2"))
                        .arg(names.join(QStringLiteral(", ")))
                        .arg(taps) +
                    (verilogChosen() ? QStringLiteral(", задержка %1 тактов").arg(firVerilogLatency)
                                     : QString()));
}

bool ExportDialog::structureChosen() const {
    const int format = ComboBox1->currentIndex();
    return format == static_cast<int>(ExportFormat::C) ||
           format == static_cast<int>(ExportFormat::Verilog);
}

// The structures of the target the format and type write; C in double or float has no
// error feedback, and the other formats write no structure.
void ExportDialog::offerChosenStructures() {
    if (!ComboBox7)
        return;
    ComboBox7->setEnabled(structureChosen() && !firShown_);
    if (!structureChosen() || firShown_)
        return;
    ExportOptions options;
    options.format = static_cast<ExportFormat>(ComboBox1->currentIndex());
    options.type = static_cast<SampleType>(ComboBox2->currentIndex());
    offerStructures(ComboBox7,
                    verilogChosen() ? std::optional(Target::Fixed) : exportTarget(options));
}

bool ExportDialog::verilogChosen() const {
    return ComboBox1 && ComboBox1->currentIndex() == static_cast<int>(ExportFormat::Verilog);
}

void exportImplementation(QWidget* owner, const QString& source,
                          const ImplementationOptions& implementation) {
    auto* dialog = new ExportDialog(owner);
    dialog->setSourceFile(source);
    dialog->preset(implementation);
    prompts().showModal(dialog);
    dialog->deleteLater();
}

} // namespace zorkan::ui
