#include "export/exportdialog.h"

#include "common/errors.h"
#include "export/formats.h"
#include "ui/controls.h"
#include "ui/errorhandler.h"
#include "ui/prompts.h"
#include "ui/sharedstate.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

namespace zorkan::ui {

namespace {

// In the order of ExportFormat.
const char* const formatTexts[] = {
    "Секции второго порядка, CSV (*.csv)",
    "Octave/MATLAB (*.m)",
    "Python, массив NumPy (*.py)",
    "Язык C (*.c, *.h)",
};

// In the order of SampleType.
const char* const typeTexts[] = {"double", "float", "q15 (int16_t)", "q31 (int32_t)"};

FileDialogRequest outputRequest(ExportFormat format, const QString& source) {
    FileDialogRequest r;
    r.title = QStringLiteral("Экспорт фильтра");
    const QString stem = source.isEmpty() ? QStringLiteral("1") : QFileInfo(source).baseName();
    switch (format) {
    case ExportFormat::SosCsv:
        r.filter = QStringLiteral("Секции второго порядка, CSV|*.csv");
        r.defaultExtension = QStringLiteral("csv");
        break;
    case ExportFormat::Octave:
        r.filter = QStringLiteral("Файлы Octave/MATLAB|*.m");
        r.defaultExtension = QStringLiteral("m");
        break;
    case ExportFormat::Python:
        r.filter = QStringLiteral("Модули Python|*.py");
        r.defaultExtension = QStringLiteral("py");
        break;
    case ExportFormat::C:
        r.filter = QStringLiteral("Код C, файлы .c и .h|*.c|Один заголовочный файл C|*.h");
        r.defaultExtension = QStringLiteral("c");
        break;
    }
    // Python imports a module, and Octave runs a script, by a name that starts with a letter.
    const bool needsLetter = format == ExportFormat::Python || format == ExportFormat::Octave;
    const QString name =
        needsLetter && (stem.isEmpty() || !stem.at(0).isLetter()) ? "filter_" + stem : stem;
    r.proposedName = name + QLatin1Char('.') + r.defaultExtension;
    return r;
}

} // namespace

ExportDialog::ExportDialog(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("ExportDialog"));
    setWindowTitle(QStringLiteral("Экспорт фильтра"));
    resize(520, 240);

    auto* column = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    column->addLayout(form);

    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setToolTip(QStringLiteral("Файл параметров фильтра (.flt)"));
    BitBtn1 = new QPushButton(QStringLiteral("Выбрать..."), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    auto* sourceRow = new QHBoxLayout;
    sourceRow->addWidget(Edit1, 1);
    sourceRow->addWidget(BitBtn1);
    form->addRow(QStringLiteral("Файл параметров фильтра:"), sourceRow);

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
    column->addWidget(CheckBox1);
    column->addStretch(1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    BitBtn2 = new QPushButton(QStringLiteral("Экспорт..."), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setDefault(true);
    BitBtn3 = new QPushButton(QStringLiteral("Закрыть"), this);
    BitBtn3->setObjectName(QStringLiteral("BitBtn3"));
    buttons->addWidget(BitBtn2);
    buttons->addWidget(BitBtn3);
    column->addLayout(buttons);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    column->addWidget(StatusBar1);

    connect(BitBtn1, &QPushButton::clicked, this, &ExportDialog::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &ExportDialog::BitBtn2Click);
    connect(BitBtn3, &QPushButton::clicked, this, &QDialog::reject);
    connect(ComboBox1, &QComboBox::currentIndexChanged, this, &ExportDialog::ComboBox1Change);
    ComboBox1Change();

    // The filter last designed or analysed, if any.
    const SharedState& state = shared();
    setSourceFile(state.ResponseFilterFile.isEmpty() ? state.DesignedFilterFile
                                                     : state.ResponseFilterFile);
}

void ExportDialog::setSourceFile(const QString& path) {
    Edit1->setText(path);
}

void ExportDialog::ComboBox1Change() {
    const bool c = ComboBox1->currentIndex() == static_cast<int>(ExportFormat::C);
    ComboBox2->setEnabled(c);
    Edit2->setEnabled(c);
}

void ExportDialog::BitBtn1Click() {
    FileDialogRequest r;
    r.title = QStringLiteral("Файл параметров фильтра");
    r.filter = QStringLiteral("Файлы параметров фильтра|*.flt");
    r.defaultExtension = QStringLiteral("flt");
    r.proposedName = Edit1->text();
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
    ExportOptions options;
    options.format = static_cast<ExportFormat>(ComboBox1->currentIndex());
    options.type = static_cast<SampleType>(ComboBox2->currentIndex());
    options.prefix = Edit2->text().trimmed().toStdString();
    options.normalise = CheckBox1->isChecked();
    const std::optional<QString> output =
        prompts().saveFileName(outputRequest(options.format, source));
    if (!output)
        return;

    ExportResult result;
    {
        BusyCursor busy;
        result = exportFilter(source.toStdString(), output->toStdString(), options);
    }
    QStringList names;
    for (const std::string& f : result.files)
        names << QFileInfo(QString::fromStdString(f)).fileName();
    StatusBar1->showMessage((names.size() > 1
                                 ? QStringLiteral("Записаны %1; секций второго порядка: %2")
                                 : QStringLiteral("Записан %1; секций второго порядка: %2"))
                                .arg(names.join(QStringLiteral(", ")))
                                .arg(result.cascade.sections.size()));
    for (const CascadeWarning& w : result.cascade.warnings)
        prompts().message(MessageIcon::Warning, applicationTitle(),
                          QStringLiteral("Предупреждение: ") + QString::fromStdString(w.message));
}

} // namespace zorkan::ui
