// The window of the filters for a purpose: each page's file equals the one the design
// routine writes for the same figures, a refused field writes nothing, the equaliser's
// search runs off the window's thread and stops when asked, and the band table's rows
// are the curves of the audio equaliser.
#include "charts/chartplot_qt.h"
#include "coefficients/filterfile.h"
#include "design/designrun.h"
#include "purpose/analogtransform.h"
#include "purpose/fractionaldelay.h"
#include "purpose/notchcomb.h"
#include "purpose/purposewindow.h"
#include "tests/ui/windowsession.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTableWidget>
#include <QThread>

#include <cmath>
#include <functional>

namespace zorkan::ui::test {

namespace {

struct Session : WindowSession<SpecialFiltersWindow> {
    Session() : WindowSession("SpecialFilters") { open(); }
    void page(SpecialPage p) {
        child<QComboBox>("PageChoice")->setCurrentIndex(static_cast<int>(p));
    }
    void set(const char* name, const QString& text) { child<QLineEdit>(name)->setText(text); }
    void choose(const char* name, int index) { child<QComboBox>(name)->setCurrentIndex(index); }
    void tick(const char* name) { child<QCheckBox>(name)->setChecked(true); }
    void press() { QTest::mouseClick(child<QPushButton>("SaveButton"), Qt::LeftButton); }
    // The file the core writes for the same figures, beside the window's.
    QByteArray coreFile(const DesignedSections& sections) {
        const QString path = program.path(QStringLiteral("core.flt"));
        writeDesignedFiles({{path.toStdString(), sections}});
        return fileBytes(path);
    }
    QTableWidget* table() { return child<QTableWidget>("BandTable"); }
    void cell(int row, int column, const QString& text) {
        table()->item(row, column)->setText(text);
    }
    void bandType(int row, AudioBandType type) {
        static_cast<QComboBox*>(table()->cellWidget(row, 0))
            ->setCurrentIndex(static_cast<int>(type));
    }
    // A low-pass filter to equalise, as the design window writes it.
    QString filterFile() {
        const QString path = program.path(QStringLiteral("lowpass.flt"));
        DesignRequest request; // Butterworth 0.2 / 0.25, 1.5 dB / 30 dB
        designFilter(request, program.path(QStringLiteral("lowpass.out")).toStdString(),
                     path.toStdString(), {});
        return path;
    }
    std::vector<ChartCurve> magnitudes() { return form->magnitudeChart()->chart().curves; }
    std::vector<ChartCurve> delays() { return form->delayChart()->chart().curves; }
};

struct PageCase {
    const char* name;
    SpecialPage page;
    std::function<void(Session&)> fill;
    std::function<DesignedSections()> core;
};

// 20 log10 of |H| of one band and of the cascade: the cascade's level in dB is the sum
// of its sections' at every frequency.
void expectSumOfBands(const std::vector<ChartCurve>& curves, std::size_t bands) {
    QCOMPARE(curves.size(), bands + 1);
    for (std::size_t i = 0; i < curves[0].y.size(); i += 37) {
        double sum = 0;
        for (std::size_t b = 1; b <= bands; ++b)
            sum += curves[b].y[i];
        QVERIFY2(std::abs(curves[0].y[i] - sum) < 1e-9,
                 qPrintable(QStringLiteral("%1 at %2").arg(curves[0].y[i]).arg(sum)));
    }
}

} // namespace

class SpecialFiltersWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void opensFromTheMenuWithItsHint() {
        Session s;
        QVERIFY(s.form);
        QCOMPARE(s.form->windowTitle(), QStringLiteral("Специальные фильтры"));
        QVERIFY(!s.program.main().command("SpecialFilters")->statusTip().isEmpty());
        QCOMPARE(s.child<QComboBox>("PageChoice")->count(), 6);
        QCOMPARE(s.child<QStackedWidget>("Pages")->count(), 6);
    }

    // Each page's figures as the core takes them; the window's file has the core's bytes.
    void eachPageSavesTheCoresSections() {
        const PageCase cases[] = {
            {"notch", SpecialPage::Notch,
             [](Session& s) {
                 s.set("EditNotchFD", "48000");
                 s.set("EditNotchF0", "1000");
                 s.set("EditNotchQ", "30");
             },
             [] {
                 return designNotch({48000, 1000, 30, false});
             }},
            {"resonator", SpecialPage::Notch,
             [](Session& s) {
                 s.set("EditNotchF0", "0.2");
                 s.set("EditNotchQ", "5");
                 s.choose("NotchKind", 1);
             },
             [] {
                 return designNotch({1, 0.2, 5, true});
             }},
            {"comb of peaks off zero", SpecialPage::Comb,
             [](Session& s) {
                 s.set("EditCombFD", "8000");
                 s.set("EditCombF0", "1000");
                 s.set("EditCombQ", "4");
                 s.tick("CombPeak");
                 s.tick("CombPassZero");
             },
             [] {
                 return designComb({8000, 1000, 4, true, true});
             }},
            {"comb of notches", SpecialPage::Comb,
             [](Session& s) {
                 s.set("EditCombF0", "0.0625");
                 s.set("EditCombQ", "12");
             },
             [] {
                 return designComb({1, 0.0625, 12, false, false});
             }},
            {"delay of the nearest order", SpecialPage::FractionalDelay,
             [](Session& s) { s.set("EditDelay", "2.7"); },
             [] {
                 return designFractionalDelay({2.7, 0});
             }},
            {"delay of order 4", SpecialPage::FractionalDelay,
             [](Session& s) {
                 s.set("EditDelay", "5.25");
                 s.set("EditDelayOrder", "4");
             },
             [] {
                 return designFractionalDelay({5.25, 4});
             }},
            {"analog, matched", SpecialPage::Analog,
             [](Session& s) {
                 s.set("EditNumerator", "2 0");
                 s.set("EditDenominator", "1; 3 2");
                 s.set("EditAnalogFD", "10");
                 s.choose("Method", 2);
             },
             [] {
                 return designFromAnalog({{2, 0}, {1, 3, 2}, 10, AnalogMethod::Matched, 0, false});
             }},
            {"analog, prewarped", SpecialPage::Analog,
             [](Session& s) {
                 s.set("EditNumerator", "1");
                 s.set("EditDenominator", "1 1");
                 s.set("EditAnalogFD", "100");
                 s.choose("Method", 1);
                 s.set("EditPrewarp", "5");
             },
             [] {
                 return designFromAnalog({{1}, {1, 1}, 100, AnalogMethod::Prewarp, 5, false});
             }},
            {"analog, impulse invariance", SpecialPage::Analog,
             [](Session& s) {
                 s.set("EditDenominator", "1 0.5 4");
                 s.set("EditAnalogFD", "10");
                 s.choose("Method", 3);
             },
             [] {
                 return designFromAnalog({{1}, {1, 0.5, 4}, 10, AnalogMethod::Impulse, 0, false});
             }},
            {"audio equaliser", SpecialPage::AudioEq,
             [](Session& s) {
                 s.set("EditAudioFD", "48000");
                 s.cell(0, 1, "100");
                 s.cell(0, 2, "6");
                 s.cell(0, 3, "0.7");
                 s.bandType(1, AudioBandType::Notch);
                 s.cell(1, 1, "50");
                 s.cell(1, 3, "20");
                 s.cell(2, 1, "8000");
                 s.cell(2, 2, "-4.5");
                 s.cell(2, 3, "1");
             },
             [] {
                 return designAudioEq({48000,
                                       {{AudioBandType::LowShelf, 100, 6, 0.7},
                                        {AudioBandType::Notch, 50, 0, 20},
                                        {AudioBandType::HighShelf, 8000, -4.5, 1}}})
                     .filter;
             }},
        };
        for (const PageCase& c : cases) {
            Session s;
            s.page(c.page);
            c.fill(s);
            const QString path = s.program.path(QStringLiteral("page.flt"));
            s.program.prompts().queueFile(path);
            s.press();
            QVERIFY2(s.messages().isEmpty(), c.name);
            const QByteArray written = fileBytes(path);
            QVERIFY2(!written.isEmpty(), c.name);
            QVERIFY2(written == s.coreFile(c.core()), c.name);
            QVERIFY2(s.child<QLabel>("StatusLabel")->text().isEmpty(), c.name);
        }
    }

    // An existing file is replaced only after "Да".
    void anExistingFileIsReplacedOnlyWhenAllowed() {
        for (const bool yes : {false, true}) {
            Session s;
            s.page(SpecialPage::Notch);
            const QString path = s.program.path(QStringLiteral("old.flt"));
            QFile old(path);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("old");
            old.close();
            s.program.prompts().queueFile(path);
            s.program.prompts().queueAnswer(yes);
            s.press();
            QCOMPARE(s.program.prompts().questions, std::vector<QString>{QStringLiteral(
                                                        "Файл old.flt уже существует. Заменить?")});
            QCOMPARE(fileBytes(path) == QByteArray("old"), !yes);
            if (yes)
                QCOMPARE(fileBytes(path), s.coreFile(designNotch({1, 0.1, 10, false})));
            QVERIFY(s.program.prompts().drained());
        }
    }

    // page, field, text -> the message; no file is asked for and none written.
    void aRefusedFieldWritesNothing() {
        struct Row {
            SpecialPage page;
            const char* field;
            const char* text;
            const char* message;
        };
        const Row rows[] = {
            {SpecialPage::Notch, "EditNotchF0", "0.7",
             "Частота F0 0.7 должна быть больше нуля и меньше FD/2 = 0.5"},
            {SpecialPage::Notch, "EditNotchQ", "abc",
             "Поле «Добротность Q»: «abc» не является числом"},
            {SpecialPage::Notch, "EditNotchFD", "0",
             "Частота дискретизации FD должна быть больше нуля"},
            {SpecialPage::Comb, "EditCombF0", "0.2",
             "Отношение FD/F0 = 5 должно быть четным целым числом не больше 64"},
            {SpecialPage::FractionalDelay, "EditDelayOrder", "5",
             "Задержка D = 3.4 должна быть больше N - 1 = 4: иначе фильтр порядка 5 неустойчив"},
            {SpecialPage::FractionalDelay, "EditDelayOrder", "65",
             "Порядок N должен быть от 1 до 64"},
            {SpecialPage::Equaliser, "EditFile", "",
             "Выберите файл фильтра, групповое время задержки которого выравнивается"},
        };
        for (const Row& r : rows) {
            Session s;
            s.page(r.page);
            s.set(r.field, QString::fromUtf8(r.text));
            // The live view names the refusal at once.
            QCOMPARE(s.child<QLabel>("StatusLabel")->text(), QString::fromUtf8(r.message));
            QVERIFY(s.magnitudes().empty());
            s.program.prompts().queueFile(s.program.path(QStringLiteral("x.flt")));
            s.press();
            QCOMPARE(s.messages(), QStringList{QString::fromUtf8(r.message)});
            QVERIFY(s.program.prompts().fileRequests.empty());
            QVERIFY(!QFile::exists(s.program.path(QStringLiteral("x.flt"))));
        }
    }

    // The search runs on a thread of its own while the window's events go on; its result
    // is the core's for the same request, and the delay chart shows it before and after.
    void theEqualiserRunsOffTheWindowsThread() {
        Session s;
        const QString filter = s.filterFile();
        s.set("EditFile", filter);
        s.set("EditF2", "0.15");
        s.set("EditOrder", "2");
        QCOMPARE(s.delays().size(), std::size_t(1));
        QSignalSpy done(s.form, &SpecialFiltersWindow::equaliserFinished);
        QVERIFY(s.form->runEqualiser());
        QVERIFY(s.form->running());
        QVERIFY(s.form->findChild<QProgressDialog*>("ProgressDialog"));
        QVERIFY(!s.child<QWidget>("Pages")->isEnabled());
        QVERIFY(done.wait(120000));
        QVERIFY(!s.form->running());
        QVERIFY(s.child<QWidget>("Pages")->isEnabled());
        QVERIFY(s.messages().isEmpty());

        EqualiserRequest request;
        request.filter = readAnalysedFilter(filter.toStdString());
        request.f1 = 0;
        request.f2 = 0.15;
        request.order = 2;
        request.maxRadius = 0.99;
        const EqualiserResult core = designEqualiser(request);
        const std::vector<ChartCurve> delays = s.delays();
        QCOMPARE(delays.size(), std::size_t(3));
        QCOMPARE(QString::fromStdString(delays[0].name), QStringLiteral("до коррекции"));
        QCOMPARE(QString::fromStdString(delays[1].name), QStringLiteral("после коррекции"));
        // The delays of a cascade add up.
        for (std::size_t i = 0; i < delays[0].y.size(); i += 41)
            QVERIFY(std::abs(delays[1].y[i] - delays[0].y[i] - delays[2].y[i]) < 1e-9);
        QVERIFY(s.child<QLabel>("ResultLabel")->text().contains(QStringLiteral("до коррекции")));

        const QString path = s.program.path(QStringLiteral("eq.flt"));
        s.program.prompts().queueFile(path);
        s.press();
        QVERIFY(s.messages().isEmpty());
        QCOMPARE(fileBytes(path), s.coreFile(core.equaliser));

        // The source filter is never written over.
        s.program.prompts().queueFile(filter);
        s.press();
        QCOMPARE(s.messages().size(), qsizetype(1));
        QVERIFY(s.messages()[0].contains(QStringLiteral("корректируемый фильтр")));

        // A changed field leaves the result behind.
        s.set("EditF2", "0.14");
        QCOMPARE(s.delays().size(), std::size_t(1));
    }

    void theEqualiserStopsWhenAsked() {
        Session s;
        s.set("EditFile", s.filterFile());
        s.set("EditF2", "0.19");
        s.set("EditOrder", "24");
        QSignalSpy done(s.form, &SpecialFiltersWindow::equaliserFinished);
        QVERIFY(s.form->runEqualiser());
        auto* progress = s.form->findChild<QProgressDialog*>("ProgressDialog");
        QVERIFY(progress);
        // "Остановить", as the user presses it.
        auto* stop = progress->findChild<QPushButton*>();
        QVERIFY(stop);
        QCOMPARE(stop->text(), QStringLiteral("Остановить"));
        QTest::mouseClick(stop, Qt::LeftButton);
        QVERIFY(done.wait(120000));
        QCOMPARE(s.child<QLabel>("ResultLabel")->text(), QStringLiteral("Расчет остановлен."));
        QCOMPARE(s.delays().size(), std::size_t(1));
        s.program.prompts().queueFile(s.program.path(QStringLiteral("eq.flt")));
        s.press();
        QCOMPARE(s.messages(),
                 QStringList{QStringLiteral("Сначала рассчитайте корректор: кнопка «Рассчитать»")});
        QVERIFY(!QFile::exists(s.program.path(QStringLiteral("eq.flt"))));
    }

    // A peak band's own gain at its frequency is its gain in dB (the cookbook's peak
    // filter has |H(f0)| = 10^(G/20)), and the summed curve rises by as much.
    void theBandTableMakesTheCurves() {
        Session s;
        s.page(SpecialPage::AudioEq);
        expectSumOfBands(s.magnitudes(), 3);
        // A frequency of the grid, near the middle.
        const std::size_t k = s.magnitudes()[0].x.size() / 2;
        const double f = s.magnitudes()[0].x[k];
        const double before = s.magnitudes()[0].y[k];

        s.table()->setCurrentCell(2, 1);
        QTest::mouseClick(s.child<QPushButton>("AddBand"), Qt::LeftButton);
        QCOMPARE(s.table()->rowCount(), 4);
        s.cell(3, 1, QString::number(f, 'g', 17));
        s.cell(3, 2, "6");
        s.cell(3, 3, "2");
        std::vector<ChartCurve> curves = s.magnitudes();
        expectSumOfBands(curves, 4);
        QVERIFY(std::abs(curves[4].y[k] - 6) < 1e-12);
        QVERIFY(std::abs(curves[0].y[k] - before - 6) < 1e-9);
        QCOMPARE(s.delays().size(), std::size_t(1));

        // Removing the first band, the low shelf of 4 dB: at zero frequency the shelf's own
        // gain leaves the sum.
        const double zeroBefore = curves[0].y[0];
        s.table()->setCurrentCell(0, 1);
        QTest::mouseClick(s.child<QPushButton>("RemoveBand"), Qt::LeftButton);
        curves = s.magnitudes();
        expectSumOfBands(curves, 3);
        QVERIFY(std::abs(zeroBefore - curves[0].y[0] - 4) < 1e-9);

        for (int i = 0; i < 3; ++i)
            QTest::mouseClick(s.child<QPushButton>("RemoveBand"), Qt::LeftButton);
        QCOMPARE(s.table()->rowCount(), 0);
        QVERIFY(s.magnitudes().empty());
        QCOMPARE(s.child<QLabel>("StatusLabel")->text(),
                 QStringLiteral("Добавьте в таблицу хотя бы одну полосу"));
    }
};

ZORKAN_UI_TEST(SpecialFiltersWindowTest);

} // namespace zorkan::ui::test

#include "purposewindow_test.moc"
