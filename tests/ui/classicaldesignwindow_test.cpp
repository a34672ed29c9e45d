// The window of every classical design: its menu item, the fields each mode uses, the
// refusal of edges that do not form the chosen kind's layout, and a band-stop design
// through the two save prompts to the results window.
#include "app/ras1.h"
#include "app/ras5.h"
#include "design/classicaldesignwindow.h"
#include "tests/ui/uitest.h"
#include "ui/controls.h"
#include "ui/sharedstate.h"

#include <QAction>
#include <QLineEdit>
#include <QMdiArea>
#include <QPushButton>
#include <QTest>

namespace zorkan::ui::test {

namespace {

struct Session {
    Session() {
        program.start();
        program.main().command("ClassicalDesign")->trigger();
        form = program.main().findChild<ClassicalDesignWindow*>();
    }
    QLineEdit* edit(const char* name) { return form->findChild<QLineEdit*>(name); }
    RadioGroup* group(const char* name) { return form->findChild<RadioGroup*>(name); }
    void press() {
        program.main().show();
        QVERIFY(QTest::qWaitForWindowExposed(&program.main()));
        QTest::mouseClick(form->findChild<QPushButton*>("DesignButton"), Qt::LeftButton);
    }
    Program program;
    ClassicalDesignWindow* form = nullptr;
};

} // namespace

class ClassicalDesignWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void opensFromTheMenuWithItsHint() {
        Session s;
        QVERIFY(s.form);
        QCOMPARE(s.form->windowTitle(), QStringLiteral("Расчет фильтра: все типы"));
        QVERIFY(!s.program.main().command("ClassicalDesign")->statusTip().isEmpty());
    }

    // At the main window's default size the whole window lies in the document area, its
    // frame and "Расчет" included.
    void fitsTheDocumentAreaAtTheDefaultSize() {
        Session s;
        s.program.main().show();
        QVERIFY(QTest::qWaitForWindowExposed(&s.program.main()));
        auto* area = s.program.main().findChild<QMdiArea*>(QStringLiteral("MdiArea"));
        QWidget* frame = s.form->parentWidget();
        const QRect visible = area->viewport()->rect();
        QVERIFY2(visible.contains(frame->geometry()), qPrintable(QStringLiteral("%1x%2 in %3x%4")
                                                                     .arg(frame->width())
                                                                     .arg(frame->height())
                                                                     .arg(visible.width())
                                                                     .arg(visible.height())));
        auto* button = s.form->findChild<QPushButton*>(QStringLiteral("DesignButton"));
        const QRect shown(button->mapTo(area->viewport(), QPoint(0, 0)), button->size());
        QVERIFY(visible.contains(shown));
        QVERIFY(s.form->rect().contains(button->geometry()));
    }

    // mode, approximation, kind -> which of F1..F4, N, edges, DA, B1 take input
    void fieldsFollowTheMode_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("approximation");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("enabled"); // F, N, E1, E2, DA, B1 as 0/1
        QTest::newRow("tolerance") << 0 << 0 << 0 << "100011";
        QTest::newRow("order butterworth low-pass") << 1 << 0 << 0 << "011000";
        QTest::newRow("order chebyshev band-stop") << 1 << 1 << 3 << "011110";
        QTest::newRow("order chebyshev II band-pass") << 1 << 3 << 2 << "011101";
        QTest::newRow("order elliptic high-pass") << 1 << 2 << 1 << "011011";
        QTest::newRow("order bessel band-stop") << 1 << 4 << 3 << "011100";
    }
    void fieldsFollowTheMode() {
        QFETCH(int, mode);
        QFETCH(int, approximation);
        QFETCH(int, kind);
        QFETCH(QString, enabled);
        Session s;
        s.group("Mode")->setItemIndex(mode);
        s.group("Approximation")->setItemIndex(approximation);
        s.group("Kind")->setItemIndex(kind);
        const char* names[] = {"EditF1", "EditOrder", "EditEdge1", "EditEdge2", "EditDA", "EditB1"};
        for (int i = 0; i < 6; ++i)
            QCOMPARE(s.edit(names[i])->isEnabled(), enabled[i] == QLatin1Char('1'));
        QCOMPARE(s.edit("EditF4")->isEnabled(), enabled[0] == QLatin1Char('1'));
    }

    void edgesOfAnotherLayoutAreRefused() {
        Session s;
        s.group("Kind")->setItemIndex(3); // band-stop, with the low-pass defaults
        s.press();
        QCOMPARE(s.program.prompts().messages.size(), std::size_t(1));
        QCOMPARE(s.program.prompts().messages[0].text,
                 QStringLiteral("Параметры F1,F2,F3,F4 введены неправильно! Ожидается РФ - "
                                "F1<F3<F4<F2"));
    }

    // An elliptic request the design run's formulas miss (order 7, 1.84 dB of ripple) is
    // designed exactly here: scipy.signal.ellipord(3000, 4000, 0.5, 60, fs=48000) gives
    // order 7, and the design meets it without a "Внимание:" line.
    void ellipticRequestsAreDesignedExactly() {
        Session s;
        s.group("Approximation")->setItemIndex(2);
        s.edit("EditFD")->setText(QStringLiteral("48000"));
        s.edit("EditF1")->setText(QStringLiteral("3000"));
        s.edit("EditF4")->setText(QStringLiteral("4000"));
        s.edit("EditDA")->setText(QStringLiteral("0.5"));
        s.edit("EditB1")->setText(QStringLiteral("60"));
        s.edit("EditFF2")->setText(QStringLiteral("24000"));
        s.program.prompts().queueFile(s.program.path("e.out"));
        s.program.prompts().queueFile(s.program.path("e.flt"));
        QString shown;
        s.program.prompts().queueModal([&](QDialog* dialog) {
            shown = qobject_cast<TForm5*>(dialog)->text();
            return int(QDialog::Rejected);
        });
        s.press();
        QVERIFY2(shown.startsWith(QStringLiteral("Аппроксимация Элиптическая\nПорядок фильтра7\n")),
                 qPrintable(shown));
        QVERIFY2(!shown.contains(QStringLiteral("Внимание:")), qPrintable(shown));
    }

    // The account names the report after its words and a blank, for a request the design
    // run takes as for one designed here; a report in a missing folder is named.
    void theAccountPartsTheReportName_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("report");
        QTest::addColumn<QString>("message");
        QTest::newRow("low-pass, the design run's") << 0 << "r.out"
                                                    << "";
        QTest::newRow("band-stop, designed here") << 3 << "r.out"
                                                  << "";
        QTest::newRow("missing folder") << 0 << "nodir/r.out"
                                        << "Не найдена папка файла %1.";
        QTest::newRow("missing folder, designed here") << 3 << "nodir/r.out"
                                                       << "Не найдена папка файла %1.";
    }
    void theAccountPartsTheReportName() {
        QFETCH(int, kind);
        QFETCH(QString, report);
        QFETCH(QString, message);
        Session s;
        s.group("Kind")->setItemIndex(kind);
        if (kind == 3) {
            s.edit("EditF1")->setText(QStringLiteral("0.1"));
            s.edit("EditF3")->setText(QStringLiteral("0.15"));
            s.edit("EditF4")->setText(QStringLiteral("0.25"));
            s.edit("EditF2")->setText(QStringLiteral("0.3"));
        }
        const QString path = s.program.path(report);
        s.program.prompts().queueFile(path);
        s.program.prompts().queueFile(s.program.path("r.flt"));
        QString shown;
        if (message.isEmpty())
            s.program.prompts().queueModal([&](QDialog* dialog) {
                shown = qobject_cast<TForm5*>(dialog)->text();
                return int(QDialog::Rejected);
            });
        s.press();
        if (!message.isEmpty()) {
            QCOMPARE(s.program.prompts().messages.size(), std::size_t{1});
            QCOMPARE(s.program.prompts().messages[0].text, message.arg(path));
            return;
        }
        QVERIFY(s.program.prompts().messages.empty());
        QVERIFY2(shown.contains(QStringLiteral("\nРезультаты расчета в файле ") + path +
                                QStringLiteral("\n")),
                 qPrintable(shown));
    }

    void aNotchGoesThroughTheResultsWindow() {
        Session s;
        s.group("Approximation")->setItemIndex(1);
        s.group("Kind")->setItemIndex(3);
        s.edit("EditF1")->setText(QStringLiteral("0.1"));
        s.edit("EditF3")->setText(QStringLiteral("0.15"));
        s.edit("EditF4")->setText(QStringLiteral("0.25"));
        s.edit("EditF2")->setText(QStringLiteral("0.3"));
        s.program.prompts().queueFile(s.program.path("n.out"));
        s.program.prompts().queueFile(s.program.path("n.flt"));
        QString shown;
        s.program.prompts().queueModal([&](QDialog* dialog) {
            shown = qobject_cast<TForm5*>(dialog)->text();
            return int(QDialog::Rejected);
        });
        s.press();
        QVERIFY2(shown.startsWith(QStringLiteral("Аппроксимация Чебышева\nПорядок фильтра")),
                 qPrintable(shown));
        QVERIFY2(!shown.contains(QStringLiteral("Внимание:")), qPrintable(shown));
        QCOMPARE(shared().DesignedFilterFile, s.program.path("n.flt"));
        QVERIFY(QFile::exists(s.program.path("n.out")));
        // Its report holds the request: the characteristics' "last design" mask. A design
        // by order has none, and leaves no request of an earlier design behind.
        QCOMPARE(shared().DesignedReportFile, s.program.path("n.out"));
        s.group("Mode")->setItemIndex(1);
        s.edit("EditOrder")->setText(QStringLiteral("4"));
        s.program.prompts().queueFile(s.program.path("o.out"));
        s.program.prompts().queueFile(s.program.path("o.flt"));
        s.program.prompts().queueModal([](QDialog*) { return int(QDialog::Rejected); });
        s.press();
        QCOMPARE(shared().DesignedFilterFile, s.program.path("o.flt"));
        QCOMPARE(shared().DesignedReportFile, QString());
    }
};

ZORKAN_UI_TEST(ClassicalDesignWindowTest);

} // namespace zorkan::ui::test

#include "classicaldesignwindow_test.moc"
