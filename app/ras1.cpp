#include "app/ras1.h"
#include "advice/advicewindow.h"

#include "analysis/analysiswindow.h"
#include "app/AF.h"
#include "app/HF.h"
#include "app/SplashF.h"
#include "app/ras5.h"
#include "app/spectralcommands.h"
#include "characteristics/characteristicswindow.h"
#include "coefficients/ras3.h"
#include "design/classicaldesignwindow.h"
#include "design/ras2.h"
#include "editor/REMain.h"
#include "export/exportdialog.h"
#include "fixedpoint/implementationwindow.h"
#include "listening/listeningwindow.h"
#include "modelling/F1.h"
#include "polezero/polezerowindow.h"
#include "purpose/purposewindow.h"
#include "response/rasX.h"
#include "sound/Unit10.h"
#include "sound/Unit11.h"
#include "sound/Unit9.h"
#include "ui/childwindow.h"
#include "ui/controls.h"
#include "ui/errorhandler.h"
#include "ui/prompts.h"
#include "ui/sharedstate.h"
#include "ui/windownumbers.h"

#include <QAction>
#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QResizeEvent>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace zorkan::ui {

namespace {

struct CommandRow {
    const char* name;
    const char* caption;
    const char* hint;
    QKeySequence key;
};

// The command list, with the menu items that carry a text of their own.
const CommandRow commandRows[] = {
    {"Editor", "Текстовый редактор", "Редактор для работы с файами фильтров", Qt::Key_F3},
    {"CalcFil", "Расчёт", "Расчёт параметров фильтра", {}},
    {"InputPars", "Ввод параметров фильтра", "Ввод параметров фильтра", {}},
    {"SavePar", "Запись параметров фильтра", "Сохранение фильтра в файле", {}},
    {"LoadPar", "Считывание параметров фильтра", "Загрузка файла фильтра", {}},
    {"Modelling", "Моделирование работы фильтра", "Моделирование работы фильтра", {}},
    {"ACHH", "Анализ частотных характеристик", "Анализ частотных характеристик", {}},
    {"SpAnal", "Спектральный анализ", "Спектральный анализ", {}},
    {"Data1", "Ввод данных из файла (*.dat)", "Ввод данных из файла(*.dat)", {}},
    {"Data2", "Ввод данных из файла (*.xicd)", "", {}},
    {"BPF", "Быстрое преобразование Фурье (BPF)", "Быстрое преобразование Фурье(BPF)", {}},
    {"RPF", "Рекуррентный алгоритм (RPF)", "Рекуррентный алгоритм", {}},
    {"PPF", "С переносом спектра (PPF)", "С переносом спектра", {}},
    // The letter before "PF" in this hint is the Cyrillic О.
    {"OPF", "Обратное преобразование Фурье (OPF)", "Обратное преобразование Фурье(ОPF)", {}},
    {"Help", "Помощь", "Помощь", Qt::Key_F1},
    {"About", "О программе", "Информация о программе", {}},
    {"MenuCalcFil", "Расчёт параметров фильтра", "Расчёт параметров фильтра", {}},
    {"MenuACHH", "Анализ частотных характеристик", "Анализ частотных характеристик", {}},
    {"Data3", "Ввод данных из файла (*.reim)", "", {}},
    {"ViewFile", "ViewFile", "ViewFile", {}},
    // Shows F3 but leaves the key to Editor: one key on two actions would fire neither.
    {"MenuEditor2", "Телстовый редактор\tF3", "", {}},
    {"WAVConv", "WAVConv", "", {}},
    {"WAVWriter", "WAVWriter", "", {}},
    {"AudioPlayer", "AudioPlayer", "", {}},
    {"Listening", "Прослушивание фильтра", "Прослушивание звукового файла через фильтр", {}},
    {"MenuAbout", "О программе...", "Информация о программе", {}},
    {"MenuExit", "Выход", "", {}},
    {"ExportFilter",
     "Экспорт фильтра",
     "Экспорт фильтра секциями второго порядка: CSV, Octave/MATLAB, Python, C",
     {}},
    {"FilterAnalysis",
     "Анализ фильтра",
     "Нули и полюсы, устойчивость, групповое время задержки, импульсная и переходная "
     "характеристики фильтра; сравнение двух файлов фильтров",
     {}},
    {"FilterImplementation",
     "Реализация фильтра",
     "Фильтр в арифметике устройства (float, q15, q31, свой формат): побитно точное "
     "моделирование, шум округления, переполнения, предельные циклы, длины слов",
     {}},
    {"FilterCharacteristics",
     "Характеристики фильтров",
     "АЧХ, ФЧХ и групповое время задержки до 8 фильтров на одном графике: маска допусков, "
     "увеличение, маркеры, рисунок PNG, SVG, PDF и данные CSV",
     {}},
    {"ClassicalDesign",
     "Расчет фильтра: все типы",
     "Расчет фильтров Баттерворта, Чебышева, инверсного Чебышева, Бесселя и "
     "эллиптических: ФНЧ, ФВЧ, ПФ и РФ по требованиям или по порядку",
     {}},
    {"FilterAdvice",
     "Выбор фильтра по требованиям",
     "БИХ или КИХ: все фильтры, выполняющие требования, их стоимость, групповое время "
     "задержки и квантование; сохранение выбранного с отчетом",
     {}},
    {"SpecialFilters",
     "Специальные фильтры",
     "Корректор группового времени задержки, звуковой эквалайзер, режекторный и "
     "гребенчатый фильтры, дробная задержка, фильтр из аналогового",
     {}},
    {"PoleZeroEditor",
     "Редактор нулей и полюсов",
     "Фильтр по нулям и полюсам на z-плоскости: АЧХ, ФЧХ и групповое время задержки по ходу "
     "правки, реализуемые положения полюсов, спектр записи, прослушивание",
     {}},
};

// Commands whose windows are not built yet; the module of each window enables its
// command and connects its handler.
const char* const waitingCommands[] = {
    "Data1", "Data2", "Data3",   "ViewFile",  "BPF",         "RPF",
    "PPF",   "OPF",   "WAVConv", "WAVWriter", "AudioPlayer",
};

QString longHint(const QString& hint) {
    const qsizetype bar = hint.indexOf(QLatin1Char('|'));
    return bar < 0 ? hint : hint.mid(bar + 1);
}

QLabel* framedText(QWidget* parent, const char* name, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    label->setMargin(2);
    return label;
}

// Brings the open window of class Form to the front, or opens one with `open`.
template <class Form, class Open> void openOrRaise(Open open) {
    if (QMdiSubWindow* window = findChildWindow<Form>())
        bringToFront(window);
    else
        open();
}

} // namespace

TForm1::TForm1(const Options& options) : options_(options) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Система ZORKAN: проектирование и исследование цифровых "
                                  "фильтров. спектральный анализ"));
    setWindowIcon(QIcon(QStringLiteral(":/pictures/logo.png")));
    resize(923, 575);
    setMinimumSize(700, 500);

    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("ClientArea"));
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    setCentralWidget(central);

    createCommands();
    createControlBar();
    column->addWidget(findChild<QWidget*>(QStringLiteral("ControlBar1")));
    MdiArea = new QMdiArea(central);
    MdiArea->setObjectName(QStringLiteral("MdiArea"));
    MdiArea->setBackground(QColor(160, 160, 164));
    column->addWidget(MdiArea, 1);
    shared().documentArea = MdiArea;
    keepChildFrames(MdiArea);
    installResponseWindowHooks();

    createMenus();
    createStatusBar();
    FormCreate();
}

TForm1::~TForm1() = default;

void TForm1::setAuxiliaryWindows(TForm5* results, THelpForm* help) {
    results_ = results;
    help_ = help;
}

QAction* TForm1::command(const char* name) const {
    return findChild<QAction*>(QString::fromLatin1(name), Qt::FindDirectChildrenOnly);
}

void TForm1::FormCreate() {
    PageControl1->resize(width() - 215, PageControl1->height());
    // ShowHintInStatusBar hears the hints of every window: this window's own through
    // event(), the others' through the application-wide filter.
    qApp->installEventFilter(this);
    splash_ = new TSplash(this, options_.splashInterval);
    splash_->show();
    shared().flags = OpenWindowFlags{};
    setHintPanelWidth(width() - 195);
}

void TForm1::createCommands() {
    for (const CommandRow& row : commandRows) {
        auto* action = new QAction(QString::fromUtf8(row.caption), this);
        action->setObjectName(QString::fromLatin1(row.name));
        const QString hint = QString::fromUtf8(row.hint);
        action->setToolTip(hint);
        action->setStatusTip(hint);
        action->setShortcut(row.key);
        addAction(action);
    }
    command("Help")->setIcon(QIcon(QStringLiteral(":/pictures/help.png")));
    for (const char* name : waitingCommands)
        command(name)->setEnabled(false);

    QAction* editor = command("Editor");
    QAction* editor2 = command("MenuEditor2");
    connect(editor2, &QAction::triggered, editor, &QAction::trigger);
    connect(editor, &QAction::changed, editor2,
            [editor, editor2] { editor2->setEnabled(editor->isEnabled()); });
    editor2->setEnabled(editor->isEnabled());

    // Every use opens one more editor window, maximised.
    connect(editor, &QAction::triggered, this, [] { TMainForm::openEditorWindow(); });
    connect(command("CalcFil"), &QAction::triggered, this, [this] { CalcFilExecute(); });
    connect(command("MenuCalcFil"), &QAction::triggered, this, &TForm1::MenuCalcFilClick);
    connect(command("InputPars"), &QAction::triggered, this, &TForm1::InputParsExecute);
    connect(command("ACHH"), &QAction::triggered, this, [this] { ACHHExecute(); });
    connect(command("MenuACHH"), &QAction::triggered, this, &TForm1::MenuACHHClick);
    connect(command("Modelling"), &QAction::triggered, this, &TForm1::ModellingExecute);
    connect(command("SavePar"), &QAction::triggered, this, &TForm1::SavePar);
    connect(command("LoadPar"), &QAction::triggered, this, &TForm1::LoadPar);
    connect(command("ExportFilter"), &QAction::triggered, this, [this] {
        auto* dialog = new ExportDialog(this);
        prompts().showModal(dialog);
        dialog->deleteLater();
    });
    connect(command("SpAnal"), &QAction::triggered, this, &TForm1::SpAnalExecute);
    connect(command("Help"), &QAction::triggered, this, &TForm1::HelpExecute);
    connect(command("About"), &QAction::triggered, this, &TForm1::AboutExecute);
    connect(command("MenuAbout"), &QAction::triggered, command("About"), &QAction::trigger);
    connect(command("MenuExit"), &QAction::triggered, this, &QWidget::close);
    // Each newer window is one of its kind: its item brings an open one to the front
    // instead of opening a blank copy beside it.
    connect(command("FilterAnalysis"), &QAction::triggered, this,
            [] { openOrRaise<AnalysisWindow>([] { openAnalysisWindow(); }); });
    connect(command("FilterImplementation"), &QAction::triggered, this, [] {
        openOrRaise<ImplementationWindow>([] {
            ImplementationWindow* form = openImplementationWindow();
            connect(form, &ImplementationWindow::exportRequested, form,
                    [form](const QString& source, const ImplementationOptions& implementation) {
                        exportImplementation(form, source, implementation);
                    });
        });
    });
    connect(command("FilterCharacteristics"), &QAction::triggered, this,
            [] { openOrRaise<CharacteristicsWindow>([] { openCharacteristicsWindow(); }); });
    connect(command("ClassicalDesign"), &QAction::triggered, this, [this] {
        openOrRaise<ClassicalDesignWindow>([this] { openClassicalDesignWindow(*results_); });
    });
    connect(command("FilterAdvice"), &QAction::triggered, this,
            [] { openOrRaise<AdviceWindow>([] { openAdviceWindow(); }); });
    connect(command("SpecialFilters"), &QAction::triggered, this,
            [] { openOrRaise<SpecialFiltersWindow>([] { openSpecialFiltersWindow(); }); });
    connect(command("PoleZeroEditor"), &QAction::triggered, this,
            [] { openOrRaise<PoleZeroWindow>([] { openPoleZeroWindow(); }); });
    connectSpectralCommands(*this);
    connectSoundTools();
    connect(command("Listening"), &QAction::triggered, this,
            [] { openOrRaise<ListeningWindow>([] { openListeningWindow(); }); });
}

// Each use makes a fresh sound window and shows it modally; closed ones stay hidden.
void TForm1::connectSoundTools() {
    const auto tool = [this](const char* name, auto make) {
        QAction* action = command(name);
        action->setEnabled(true);
        connect(action, &QAction::triggered, this,
                [this, make] { prompts().showModal(make(this)); });
    };
    tool("WAVConv", [](QWidget* owner) -> QDialog* { return new TForm10(owner); });
    tool("WAVWriter", [](QWidget* owner) -> QDialog* { return new TForm11(owner); });
    tool("AudioPlayer", [](QWidget* owner) -> QDialog* { return new TForm9(owner); });
}

void TForm1::createControlBar() {
    auto* bar = new QFrame(this);
    bar->setObjectName(QStringLiteral("ControlBar1"));
    bar->setFrameStyle(QFrame::Panel | QFrame::Raised);
    bar->setFixedHeight(81);

    auto* tools = new QToolBar(bar);
    tools->setObjectName(QStringLiteral("ToolBar1"));
    tools->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    tools->setIconSize(QSize(16, 16));
    tools->setMovable(false);
    tools->addAction(command("Help"));
    tools->addAction(command("About"));
    tools->widgetForAction(command("Help"))->setObjectName(QStringLiteral("ToolButton1"));
    tools->widgetForAction(command("About"))->setObjectName(QStringLiteral("ToolButton2"));
    tools->move(11, 2);
    tools->resize(tools->sizeHint().width(), 24);

    auto* logo = new ClickableImage(bar);
    logo->setObjectName(QStringLiteral("Image1"));
    logo->setGeometry(11, 28, 119, 48);
    logo->setPixmap(QPixmap(QStringLiteral(":/pictures/logo.png")));
    connect(logo, &ClickableImage::clicked, this, &TForm1::Image1Click);

    auto* closeButton = new QToolButton(bar);
    closeButton->setObjectName(QStringLiteral("SpeedButton1"));
    closeButton->setAutoRaise(true);
    closeButton->setIcon(QIcon(QStringLiteral(":/pictures/close.png")));
    closeButton->setIconSize(QSize(36, 36));
    closeButton->setGeometry(144, 28, 45, 48);
    connect(closeButton, &QToolButton::clicked, this, &QWidget::close);

    PageControl1 = new QTabWidget(bar);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setGeometry(202, 3, 711, 74);
    QFont tabFont = font();
    tabFont.setPixelSize(11);
    PageControl1->tabBar()->setFont(tabFont);
    PageControl1->setStyleSheet(QStringLiteral("QTabBar::tab { padding: 3px 7px; }"));
    createPages();
    PageControl1->setCurrentIndex(PageFiles);
}

void TForm1::createPages() {
    QFont bold = font();
    bold.setBold(true);
    int buttonNumber = 2;
    const auto button = [&](QWidget* page, const char* commandName, const QString& caption,
                            const QString& ownHint = QString()) {
        auto* b = new ActionButton(command(commandName), caption, page, ownHint);
        b->setObjectName(QStringLiteral("SpeedButton") + QString::number(buttonNumber++));
        return b;
    };
    const auto bigButton = [&](QWidget* page, const char* commandName, const QString& caption,
                               const char* icon) {
        ActionButton* b = button(page, commandName, caption);
        b->setIcon(QIcon(QString::fromLatin1(icon)));
        b->setIconSize(QSize(24, 24));
        b->setMinimumWidth(130);
        b->setFixedHeight(36);
        return b;
    };
    const auto page = [&](const char* name, const QString& caption) {
        auto* sheet = new QWidget;
        sheet->setObjectName(QString::fromLatin1(name));
        PageControl1->addTab(sheet, caption);
        return sheet;
    };
    const auto row = [](QWidget* sheet) {
        auto* layout = new QHBoxLayout(sheet);
        layout->setContentsMargins(6, 2, 6, 2);
        layout->setSpacing(8);
        return layout;
    };

    QWidget* calc = page("TabSheet1", QStringLiteral("Расчёт"));
    QHBoxLayout* calcRow = row(calc);
    ActionButton* calcButton =
        bigButton(calc, "CalcFil", QStringLiteral("Расчёт"), ":/pictures/calc.png");
    calcButton->setFont(bold);
    calcRow->addWidget(calcButton);
    calcRow->addWidget(
        framedText(calc, "StaticText1",
                   QStringLiteral("Расчёт цифрового фильтра по данным пользователя")),
        1);
    calcRow->addWidget(
        bigButton(calc, "InputPars", QStringLiteral("Ввод"), ":/pictures/input.png"));

    QWidget* modelling = page("TabSheet2", QStringLiteral("Моделирование работы"));
    QHBoxLayout* modellingRow = row(modelling);
    ActionButton* modellingButton = bigButton(
        modelling, "Modelling", QStringLiteral("Моделирование"), ":/pictures/modelling.png");
    modellingButton->setFont(bold);
    modellingRow->addWidget(modellingButton);
    modellingRow->addWidget(
        framedText(modelling, "StaticText2", QStringLiteral("Моделирование рассчитанного фильтра")),
        1);

    QWidget* response = page("TabSheet3", QStringLiteral("Анализ частотных характеристик"));
    QHBoxLayout* responseRow = row(response);
    ActionButton* responseButton =
        bigButton(response, "ACHH", QStringLiteral("А Ч Х"), ":/pictures/response.png");
    responseButton->setFont(bold);
    responseRow->addWidget(responseButton);
    responseRow->addWidget(
        framedText(
            response, "StaticText3",
            QStringLiteral("Анализ частотных характеристик фильтра рассчитанного пользователем")),
        1);

    QWidget* spectral = page("TabSheet4", QStringLiteral("Спектральный анализ"));
    QFont small = font();
    small.setPixelSize(11);
    auto* grid = new QGridLayout(spectral);
    grid->setContentsMargins(4, 1, 4, 1);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(1);
    auto* title = new QLabel(QStringLiteral("Ввод данных"), spectral);
    title->setObjectName(QStringLiteral("Label1"));
    title->setFont(bold);
    grid->addWidget(title, 0, 0);
    const struct {
        const char* command;
        QString caption;
        QString hint;
    } spectralButtons[] = {
        {"Data1", QStringLiteral("Файл (*.dat)"), QString()},
        {"Data2", QStringLiteral("Файл (*.xicd)"), QStringLiteral("Ввод данных из файла (*.xicd")},
        {"Data3", QStringLiteral("Файл (*.reim)"), QStringLiteral("Ввод данных их файла [*.reim]")},
        {"ViewFile", QStringLiteral("ViewFile"), QStringLiteral("ViewFile")},
        {"BPF", QStringLiteral("Быстрое преобр. Фурье (BPF)"), QString()},
        {"RPF", QStringLiteral("Рекуррентный алгоритм (RPF)"), QString()},
        {"PPF", QStringLiteral("С переносом спектра (PPF)"), QString()},
        {"OPF", QStringLiteral("Обр. преоб. Фурье (ОPF)"), QString()},
    };
    // The four inputs beside the title, the four transforms below across the page.
    auto* transforms = new QHBoxLayout;
    transforms->setSpacing(4);
    grid->addLayout(transforms, 1, 0, 1, 5);
    int index = 0;
    for (const auto& b : spectralButtons) {
        ActionButton* made = button(spectral, b.command, b.caption, b.hint);
        made->setFont(small);
        made->setFixedHeight(20);
        if (index < 4)
            grid->addWidget(made, 0, 1 + index);
        else
            transforms->addWidget(made);
        ++index;
    }

    QWidget* files = page("TabSheet5", QStringLiteral("Работа с файлами"));
    QHBoxLayout* filesRow = row(files);
    ActionButton* editorButton =
        bigButton(files, "Editor", QStringLiteral("Текстовый редактор"), ":/pictures/editor.png");
    editorButton->setFont(bold);
    filesRow->addWidget(editorButton);
    const std::pair<const char*, QString> soundTools[] = {
        {"WAVConv", QStringLiteral("Конвертор звуковых файлов")},
        {"WAVWriter", QStringLiteral("Запись звукового файла")},
        {"AudioPlayer", QStringLiteral("Воспроизведение звука")},
    };
    for (const auto& [name, hint] : soundTools) {
        ActionButton* made = button(files, name, QString::fromLatin1(name), hint);
        made->setFixedHeight(36);
        made->setMinimumWidth(100);
        filesRow->addWidget(made);
    }
    ActionButton* listening = button(files, "Listening", QStringLiteral("Прослушивание фильтра"));
    listening->setFixedHeight(36);
    filesRow->addWidget(listening);
    filesRow->addStretch(1);
}

void TForm1::createMenus() {
    QMenuBar* bar = menuBar();
    const auto menu = [this](QMenu* parent, const char* name, const QString& title) {
        QMenu* m = parent ? parent->addMenu(title) : menuBar()->addMenu(title);
        m->setObjectName(QString::fromLatin1(name));
        return m;
    };
    bar->setObjectName(QStringLiteral("MainMenu1"));

    QMenu* system = menu(nullptr, "MenuSystem", QStringLiteral("&Система"));
    system->addAction(command("Editor"));
    system->addSeparator();
    system->addAction(command("MenuExit"));
    addChildWindowCommands(system, MdiArea);

    QMenu* calc = menu(nullptr, "MenuCalc", QStringLiteral("Расчет и анализ"));
    calc->addAction(command("MenuCalcFil"));
    calc->addAction(command("InputPars"));
    calc->addSeparator();
    QMenu* filterFiles = menu(calc, "MenuFilterFiles", QStringLiteral("Файлы фильтров"));
    filterFiles->addAction(command("LoadPar"));
    filterFiles->addAction(command("SavePar"));
    filterFiles->addAction(command("ExportFilter"));
    calc->addSeparator();
    calc->addAction(command("Modelling"));
    calc->addAction(command("MenuACHH"));
    calc->addAction(command("FilterAnalysis"));
    calc->addAction(command("FilterImplementation"));
    calc->addAction(command("FilterCharacteristics"));
    calc->addAction(command("ClassicalDesign"));
    calc->addAction(command("FilterAdvice"));
    calc->addAction(command("SpecialFilters"));
    calc->addAction(command("PoleZeroEditor"));

    QMenu* spectral = menu(nullptr, "MenuSpectral", QStringLiteral("Спектральный анализ"));
    connect(spectral, &QMenu::aboutToShow, command("SpAnal"), &QAction::trigger);
    // The menu title carries the command's hint.
    spectral->menuAction()->setStatusTip(command("SpAnal")->statusTip());
    spectral->addAction(command("Data1"));
    spectral->addAction(command("Data3"));
    spectral->addAction(command("Data2"));
    spectral->addSeparator();
    for (const char* name : {"BPF", "RPF", "PPF", "OPF"})
        spectral->addAction(command(name));

    QMenu* files = menu(nullptr, "MenuFiles", QStringLiteral("Работа с файлами"));
    for (const char* name : {"MenuEditor2", "WAVConv", "WAVWriter", "AudioPlayer"})
        files->addAction(command(name));
    files->addAction(command("Listening"));

    QMenu* help = menu(nullptr, "MenuHelp", QStringLiteral("Помощь"));
    help->addAction(command("Help"));
    help->addSeparator();
    help->addAction(command("MenuAbout"));
}

void TForm1::createStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    const QString texts[4] = {QStringLiteral("Версия 1.2"), QString(),
                              QStringLiteral("ZORKAN, 2025"), QString()};
    const int widths[4] = {90, 0, 90, 50};
    for (int i = 0; i < 4; ++i) {
        auto* panel = new QLabel(texts[i], bar);
        QFont panelFont = panel->font();
        panelFont.setPixelSize(11);
        panel->setFont(panelFont);
        panel->setObjectName(QStringLiteral("StatusPanel") + QString::number(i));
        panel->setAlignment(Qt::AlignCenter);
        panel->setFrameStyle(QFrame::Panel | (i == 0 || i == 2 ? QFrame::Raised : QFrame::Sunken));
        if (widths[i] > 0)
            panel->setFixedWidth(widths[i]);
        else
            panel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        bar->addWidget(panel, i == 1 ? 1 : 0);
        panels_[i] = panel;
    }
}

// Panel 1 takes the given width while the bar has room for it; with a narrow window the
// bar shares out what there is.
void TForm1::setHintPanelWidth(int width) {
    hintPanelWidth_ = width;
    panels_[1]->setMaximumWidth(std::max(width, 0));
}

void TForm1::ShowHintInStatusBar(const QString& hint) {
    panels_[1]->setText(longHint(hint));
}

// The current hint, from any control or menu item of this window.
bool TForm1::event(QEvent* event) {
    if (event->type() == QEvent::StatusTip) {
        ShowHintInStatusBar(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

// A status tip stops at its own window, so those of the About window, the results
// window, the sound tools and the like are taken here. A control whose hint is only a
// tooltip (pictures, for one) shows it while the pointer is on it, as a hint does.
bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if ((type == QEvent::StatusTip || type == QEvent::Enter || type == QEvent::Leave) &&
        watched->isWidgetType()) {
        const auto* widget = static_cast<const QWidget*>(watched);
        if (type == QEvent::StatusTip) {
            if (widget->window() != this)
                ShowHintInStatusBar(static_cast<QStatusTipEvent*>(event)->tip());
        } else if (widget->statusTip().isEmpty() && !widget->toolTip().isEmpty()) {
            ShowHintInStatusBar(type == QEvent::Enter ? widget->toolTip() : QString());
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TForm1::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    PageControl1->resize(width() - 215, PageControl1->height());
    setHintPanelWidth(width() - 205);
}

bool TForm1::CalcFilExecute() {
    SharedState& state = shared();
    if (state.flags.ResponseWindowOpen == 1 && state.response.close)
        state.response.close();
    if (state.flags.DesignWindowOpen != 0) {
        bringToFront(findChildWindow<TForm2>());
        return false;
    }
    Q_ASSERT(results_);
    showChildWindow(new TForm2(*results_), fixedChildFrame);
    state.flags.DesignWindowOpen = 1;
    return true;
}

void TForm1::MenuCalcFilClick() {
    if (CalcFilExecute())
        PageControl1->setCurrentIndex(PageCalc);
}

void TForm1::InputParsExecute() {
    SharedState& state = shared();
    if (state.flags.CoefficientWindowOpen != 0) {
        bringToFront(findChildWindow<TForm3>());
        return;
    }
    state.flags.CoefficientWindowOpen = 1;
    auto* form = new TForm3;
    showChildWindow(form, fixedChildFrame);
    form->orderField()->setFocus();
    const std::int64_t order = readInteger(form->orderField()->text());
    if (order % 2 == 0 && order < 36)
        form->setUpCoefficientGrids();
}

bool TForm1::ACHHExecute() {
    SharedState& state = shared();
    if (state.flags.ResponseWindowOpen != 0) {
        bringToFront(findChildWindow<TForm4>());
        return false;
    }
    if (!state.response.open)
        return false;
    state.response.open();
    if (state.response.setFileName)
        state.response.setFileName(QStringLiteral("Файл не выбран!"));
    state.flags.ResponseWindowOpen = 1;
    return true;
}

void TForm1::MenuACHHClick() {
    if (ACHHExecute())
        PageControl1->setCurrentIndex(PageResponse);
}

void TForm1::ModellingExecute() {
    SharedState& state = shared();
    if (state.flags.ModellingWindowOpen != 0) {
        bringToFront(findChildWindow<TFormSin>());
        return;
    }
    TFormSin* form = openModellingWindow(); // its creation resets the modelling settings
    state.flags.ModellingWindowOpen = 1;
    PageControl1->setCurrentIndex(PageModelling);
    form->fillFromSettings();
    form->clearPlot();
}

void TForm1::SavePar() {
    prompts().message(MessageIcon::None, applicationTitle(), QStringLiteral("Сохранение"));
}

void TForm1::LoadPar() {
    prompts().message(MessageIcon::None, applicationTitle(), QStringLiteral("Считывание"));
}

void TForm1::SpAnalExecute() {
    PageControl1->setCurrentIndex(PageSpectral);
}

void TForm1::HelpExecute() {
    if (help_)
        prompts().showModal(help_);
}

void TForm1::AboutExecute() {
    prompts().showModal(new TAboutForm(this));
}

void TForm1::Image1Click() {
    auto* splash = new TSplash(this, options_.splashInterval);
    splash->setOkVisible(true);
    prompts().showModal(splash);
}

} // namespace zorkan::ui
