// The window of the IIR or FIR comparison: its menu item, the table of the request's
// example, a refusal of edges that form no layout, and the linear-phase FIR candidate
// saved as its taps and its report.
#include "advice/advicewindow.h"
#include "app/ras1.h"
#include "fir/firfile.h"
#include "tests/ui/uitest.h"

#include <QAction>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

namespace zorkan::ui::test {

namespace {

struct Session {
    Session() {
        program.start();
        program.main().command("FilterAdvice")->trigger();
        form = program.main().findChild<AdviceWindow*>();
    }
    void set(const char* name, const char* text) {
        form->findChild<QLineEdit*>(QString::fromLatin1(name))->setText(QString::fromLatin1(text));
    }
    void press(const char* button) {
        auto* pushed = form->findChild<QPushButton*>(QString::fromLatin1(button));
        QVERIFY(pushed && pushed->isEnabled());
        pushed->click();
    }
    QTableWidget* table() { return form->findChild<QTableWidget*>("CandidateTable"); }
    // The row whose first cell begins with the title.
    int row(const QString& title) {
        for (int r = 0; r < table()->rowCount(); ++r)
            if (table()->item(r, 0)->text().startsWith(title))
                return r;
        return -1;
    }
    void example() {
        set("EditF1", "0.2");
        set("EditF4", "0.25");
        set("EditDA", "0.5");
        set("EditB1", "60");
        press("CompareButton");
    }
    Program program;
    AdviceWindow* form = nullptr;
};

} // namespace

class AdviceWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void opensFromTheMenuWithItsHint() {
        Session s;
        QVERIFY(s.form);
        QCOMPARE(s.form->windowTitle(), QStringLiteral("Выбор фильтра по требованиям"));
        QVERIFY(!s.program.main().command("FilterAdvice")->statusTip().isEmpty());
    }

    // The elliptic filter of order 7 (scipy.signal.ellipord(0.4, 0.5, 0.5, 60) = 7) with
    // the fewest products, the 47-tap equiripple filter with 24 of them and a delay of 23.
    void exampleFillsTheTable() {
        Session s;
        s.example();
        QVERIFY(s.program.prompts().messages.empty());
        const int elliptic = s.row(QStringLiteral("БИХ эллиптический"));
        const int pm = s.row(QStringLiteral("КИХ равноволновый"));
        QVERIFY(elliptic >= 0 && pm >= 0);
        QCOMPARE(s.table()->item(elliptic, 1)->text(), QStringLiteral("7"));
        QVERIFY(s.table()->item(elliptic, 0)->text().contains(QStringLiteral("меньше умножений")));
        QCOMPARE(s.table()->item(pm, 1)->text(), QStringLiteral("47 отв."));
        QCOMPARE(s.table()->item(pm, 2)->text(), QStringLiteral("24"));
        QCOMPARE(s.table()->item(pm, 6)->text(), QStringLiteral("23.000"));
        QCOMPARE(s.table()->item(pm, 7)->text(), QStringLiteral("23.000"));
    }

    void edgesOfNoLayoutAreRefused() {
        Session s;
        s.set("EditF1", "0.3");
        s.press("CompareButton");
        QCOMPARE(s.program.prompts().messages.size(), std::size_t(1));
        QVERIFY(s.program.prompts().messages[0].text.startsWith(
            QStringLiteral("Параметры F1,F2,F3,F4 введены неправильно!")));
        QCOMPARE(s.table()->rowCount(), 0);
    }

    void savesTheChosenFirFilterWithItsReport() {
        Session s;
        s.example();
        const int pm = s.row(QStringLiteral("КИХ равноволновый"));
        QVERIFY(pm >= 0);
        s.table()->selectRow(pm);
        s.program.prompts().queueFile(s.program.path("lp.txt"));
        s.program.prompts().queueFile(s.program.path("lp.fir"));
        s.press("SaveButton");
        QVERIFY(s.program.prompts().messages.empty());
        const FirFilter f = readFirFile(s.program.path("lp.fir").toStdString());
        QCOMPARE(f.taps.size(), std::size_t(47));
        for (std::size_t i = 0; i < f.taps.size(); ++i)
            QCOMPARE(f.taps[i], f.taps[46 - i]);
        QVERIFY(QFileInfo(s.program.path("lp.txt")).size() > 0);
    }
};

ZORKAN_UI_TEST(AdviceWindowTest);

} // namespace zorkan::ui::test

#include "advicewindow_test.moc"
