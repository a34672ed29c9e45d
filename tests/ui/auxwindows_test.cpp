// The results, help, About and splash windows.
#include "app/AF.h"
#include "app/HF.h"
#include "app/SplashF.h"
#include "app/ras5.h"
#include "tests/ui/uitest.h"
#include "ui/sharedstate.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

namespace zorkan::ui::test {

// Points the help window's installed copy at `path` for the life of the object.
struct InstalledHelp {
    explicit InstalledHelp(const QString& path) { setInstalledHelpFile(path); }
    ~InstalledHelp() { setInstalledHelpFile(QString()); }
    InstalledHelp(const InstalledHelp&) = delete;
    InstalledHelp& operator=(const InstalledHelp&) = delete;
};

class AuxWindowsTest : public QObject {
    Q_OBJECT

  private slots:
    // "Готово": the name passes on, the response window is opened when it is closed and
    // named in any case, the text is emptied and the window closes accepted.
    void resultsDone_data() {
        QTest::addColumn<bool>("responseModule");
        QTest::addColumn<int>("responseOpen");
        QTest::addColumn<QString>("designed");
        QTest::addColumn<int>("opens");
        QTest::addColumn<int>("openAfter");
        QTest::addColumn<QStringList>("named");
        QTest::newRow("response window closed")
            << true << 0 << "/tmp/a.flt" << 1 << 1 << QStringList{"/tmp/a.flt"};
        QTest::newRow("response window open")
            << true << 1 << "/tmp/b.flt" << 0 << 1 << QStringList{"/tmp/b.flt"};
        QTest::newRow("empty name") << true << 1 << "" << 0 << 1 << QStringList{""};
        QTest::newRow("no response window module")
            << false << 0 << "/tmp/c.flt" << 0 << 0 << QStringList{};
    }
    void resultsDone() {
        QFETCH(bool, responseModule);
        QFETCH(int, responseOpen);
        QFETCH(QString, designed);
        QFETCH(int, opens);
        QFETCH(int, openAfter);
        QFETCH(QStringList, named);
        Program program;
        program.start();
        auto* results = program.main().findChild<TForm5*>();
        int opened = 0;
        QStringList names;
        if (!responseModule) {
            shared().response = {};
        } else {
            // The window is named after it exists.
            shared().response.open = [&] {
                ++opened;
                QCOMPARE(shared().ResponseFilterFile, designed);
            };
            shared().response.setFileName = [&](const QString& name) {
                QCOMPARE(shared().flags.ResponseWindowOpen, 1);
                names << name;
            };
        }
        shared().flags.ResponseWindowOpen = responseOpen;
        shared().DesignedFilterFile = designed;
        shared().ResponseFilterFile = QStringLiteral("old.flt");
        results->appendLine(QStringLiteral("Порядок фильтра13"));
        results->show();

        QTest::mouseClick(results->findChild<QPushButton*>("BitBtn1"), Qt::LeftButton);

        QCOMPARE(shared().ResponseFilterFile, designed);
        QCOMPARE(opened, opens);
        QCOMPARE(shared().flags.ResponseWindowOpen, openAfter);
        QCOMPARE(names, named);
        QCOMPARE(results->text(), QString());
        QVERIFY(!results->isVisible());
        QCOMPARE(results->result(), int(QDialog::Accepted));
    }

    // No close box and no Escape: only "Готово" dismisses the results.
    void resultsWindowFrame() {
        Program program;
        program.start();
        auto* results = program.main().findChild<TForm5*>();
        QCOMPARE(results->windowTitle(), QStringLiteral("Результаты"));
        QCOMPARE(results->size(), QSize(379, 283));
        QVERIFY(!(results->windowFlags() & Qt::WindowCloseButtonHint));
        QVERIFY(!(results->windowFlags() & Qt::WindowSystemMenuHint));
        QCOMPARE(results->findChild<QPlainTextEdit*>("Memo1")->size(), QSize(353, 201));
        results->show();
        QVERIFY(QTest::qWaitForWindowExposed(results));
        QTest::keyClick(results, Qt::Key_Escape);
        QVERIFY(results->isVisible());
        QCOMPARE(results->findChild<QPushButton*>("BitBtn1")->text(), QStringLiteral("Готово"));
    }

    void helpText_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("shown");
        QTest::newRow("Russian, CR LF") << "Помощь по системе\nЁлка, ёж и №1\n"
                                        << "Помощь по системе\nЁлка, ёж и №1\n";
        QTest::newRow("empty file") << ""
                                    << "";
    }
    void helpText() {
        QFETCH(QString, file);
        QFETCH(QString, shown);
        Program program(false);
        writeCp1251(QStringLiteral("help.txt"), file);
        program.start();
        auto* help = program.main().findChild<THelpForm*>();
        QCOMPARE(help->text(), shown);
        QCOMPARE(help->windowTitle(), QStringLiteral("Помощь"));
        QCOMPARE(help->size(), QSize(696, 480));
        QVERIFY(help->findChild<QPlainTextEdit*>("Memo1")->isReadOnly());
        QVERIFY(program.prompts().messages.empty());

        // Loaded once: a later change of the file is not seen.
        writeCp1251(QStringLiteral("help.txt"), QStringLiteral("другой текст"));
        program.main().command("Help")->trigger();
        QCOMPARE(help->text(), shown);
    }

    // Started outside a folder with help.txt (from the desktop menu, in the home folder),
    // the window shows the installed copy; a help.txt in the current folder still wins.
    void helpInstalledCopy_data() {
        QTest::addColumn<QString>("local");
        QTest::addColumn<QString>("installed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("messages");
        QTest::newRow("only the installed copy") << QString() << "Установленная справка\n"
                                                 << "Установленная справка\n"
                                                 << 0;
        QTest::newRow("current folder wins") << "Своя справка\n"
                                             << "Установленная справка\n"
                                             << "Своя справка\n"
                                             << 0;
        QTest::newRow("neither") << QString() << QString() << "" << 1;
    }
    void helpInstalledCopy() {
        QFETCH(QString, local);
        QFETCH(QString, installed);
        QFETCH(QString, shown);
        QFETCH(int, messages);
        Program program(false);
        const InstalledHelp copy(program.path("share/zorkan/help.txt"));
        if (!local.isNull())
            writeCp1251(QStringLiteral("help.txt"), local);
        if (!installed.isNull()) {
            QVERIFY(QDir(program.folder()).mkpath(QStringLiteral("share/zorkan")));
            writeCp1251(program.path("share/zorkan/help.txt"), installed);
        }
        program.start();
        QCOMPARE(program.main().findChild<THelpForm*>()->text(), shown);
        QCOMPARE(int(program.prompts().messages.size()), messages);
        if (messages)
            QVERIFY(program.prompts().messages[0].text.contains(program.path("help.txt")));
    }

    void helpMissing() {
        Program program(false);
        const InstalledHelp copy(program.path("no-such-folder/help.txt"));
        program.start();
        const auto& messages = program.prompts().messages;
        QCOMPARE(messages.size(), size_t(1));
        QCOMPARE(int(messages[0].icon), int(MessageIcon::Error));
        QCOMPARE(messages[0].caption, QStringLiteral("Система ZORKAN"));
        const QString text = messages[0].text;
        QVERIFY2(text.startsWith(QStringLiteral("Cannot open file \"") + program.path("help.txt") +
                                 QStringLiteral("\". ")),
                 qPrintable(text));
        QVERIFY2(text.endsWith(QLatin1Char('.')) && text.size() > 40, qPrintable(text));

        // Later the window is shown empty, with no new message.
        program.main().command("Help")->trigger();
        auto* help = program.main().findChild<THelpForm*>();
        QCOMPARE(program.prompts().modalShows.size(), size_t(1));
        QCOMPARE(help->text(), QString());
        QCOMPARE(messages.size(), size_t(1));
    }

    void aboutWindow() {
        Program program;
        program.start();
        TAboutForm about(&program.main());
        QCOMPARE(about.windowTitle(), QStringLiteral("О программе..."));
        QCOMPARE(about.size(), QSize(579, 281));
        const auto label = [&](const char* name) { return about.findChild<QLabel*>(name); };
        QCOMPARE(label("Label1")->text(), QStringLiteral("Система ZORKAN: "));
        QCOMPARE(label("Label2")->text(),
                 QStringLiteral("проектирование и исследование цифровых фильтров"));
        QCOMPARE(label("Label3")->text(), QStringLiteral("спектральный анализ"));
        QCOMPARE(label("Label4")->text(), QStringLiteral("Версия 2.09"));
        QCOMPARE(label("Label5")->text(), QStringLiteral("Автор:"));
        QVERIFY(label("Label1")->font().bold());
        QVERIFY(label("Label2")->font().bold() && label("Label2")->font().italic());
        QCOMPARE(label("Image1")->size(), QSize(150, 75));
        QCOMPARE(label("Image1")->pixmap().size(), QSize(150, 75));
        // The maker's picture is the JPEG, decoded.
        QCOMPARE(label("Image2")->pixmap().size(), QSize(80, 80));
        QVERIFY(label("Image2")->toolTip().contains(QStringLiteral("2025")));

        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        QTest::mouseClick(about.findChild<QPushButton*>("BitBtn1"), Qt::LeftButton);
        QVERIFY(!about.isVisible());
        QCOMPARE(about.result(), int(QDialog::Accepted));
    }

    void splashWindow() {
        TSplash splash(nullptr, 100);
        QCOMPARE(splash.size(), QSize(492, 323));
        QVERIFY(splash.windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(splash.windowFlags() & Qt::WindowStaysOnTopHint);
        QCOMPARE(splash.findChild<QLabel*>("Image1")->size(), QSize(488, 319));
        auto* ok = splash.findChild<QPushButton*>("BitBtn1");
        QCOMPARE(ok->pos(), QPoint(326, 292));
        QVERIFY(ok->isHidden());
        // The timer runs from creation, not from the show.
        QVERIFY(splash.timer().isActive());
        QCOMPARE(TSplash::defaultInterval, 3300);

        splash.setOkVisible(true);
        splash.show();
        QVERIFY(QTest::qWaitForWindowExposed(&splash));
        QTest::mouseClick(ok, Qt::LeftButton);
        QVERIFY(!splash.isVisible());
        QCOMPARE(splash.result(), int(QDialog::Accepted));
    }
};

ZORKAN_UI_TEST(AuxWindowsTest);

} // namespace zorkan::ui::test

#include "auxwindows_test.moc"
