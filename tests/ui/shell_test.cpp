// The general error handler, the prompts seam, the window numbers and the JPEG reader.
#include "app/jpegimage.h"
#include "common/errors.h"
#include "tests/ui/uitest.h"
#include "ui/errorhandler.h"
#include "ui/prompts.h"
#include "ui/windownumbers.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTest>

#include <functional>

using Thrower = std::function<void()>;
Q_DECLARE_METATYPE(Thrower)

namespace zorkan::ui::test {

class ShellTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { setApplicationTitle(QStringLiteral("Система ZORKAN")); }

    void fullStop_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::newRow("letter") << "File not found"
                                << "File not found.";
        QTest::newRow("Cyrillic letter") << "Ошибка"
                                         << "Ошибка.";
        QTest::newRow("digit") << "I/O error 103"
                               << "I/O error 103.";
        QTest::newRow("quote") << "'x' is bad'"
                               << "'x' is bad'";
        QTest::newRow("full stop") << "Done."
                                   << "Done.";
        QTest::newRow("blank") << "trailing "
                               << "trailing ";
        QTest::newRow("comma") << "list,"
                               << "list,";
        QTest::newRow("minus") << "value -"
                               << "value -";
        QTest::newRow("bracket") << "(see above)"
                                 << "(see above)";
        QTest::newRow("exclamation") << "Нельзя!"
                                     << "Нельзя!";
        QTest::newRow("slash sorts above") << "a/b/"
                                           << "a/b/.";
        QTest::newRow("colon sorts above") << "reason:"
                                           << "reason:.";
        QTest::newRow("empty") << ""
                               << "";
    }
    void fullStop() {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QCOMPARE(withFullStop(text), shown);
    }

    // An error thrown by a command started from a control ends up in one message box;
    // the next command runs as usual.
    void errorBox_data() {
        QTest::addColumn<Thrower>("thrower");
        QTest::addColumn<int>("icon");
        QTest::addColumn<QString>("text");
        QTest::newRow("floating point")
            << Thrower([] { throwDivisionByZero(); }) << int(MessageIcon::Error)
            << "Floating point division by zero.";
        QTest::newRow("conversion")
            << Thrower([] { throwNotAFloat("abc"); }) << int(MessageIcon::Error)
            << "'abc' is not a valid floating point value.";
        QTest::newRow("file") << Thrower([] { throwFileNotFound(); }) << int(MessageIcon::Error)
                              << "File not found.";
        QTest::newRow("I/O code") << Thrower([] { throwIoError(5); }) << int(MessageIcon::Error)
                                  << "I/O error 5.";
        QTest::newRow("own refusal, as it is")
            << Thrower([] { throw UserMessage("Файл не выбран"); }) << int(MessageIcon::None)
            << "Файл не выбран";
        QTest::newRow("standard exception")
            << Thrower([] { throw std::runtime_error("bad allocation"); })
            << int(MessageIcon::Error) << "bad allocation.";
    }
    void errorBox() {
        QFETCH(Thrower, thrower);
        QFETCH(int, icon);
        QFETCH(QString, text);
        ScriptedPromptsScope scope;
        QPushButton button(QStringLiteral("run"));
        int runs = 0;
        connect(&button, &QPushButton::clicked, [&] {
            ++runs;
            thrower();
        });
        button.show();
        QVERIFY(QTest::qWaitForWindowExposed(&button));

        QTest::mouseClick(&button, Qt::LeftButton);
        QTest::mouseClick(&button, Qt::LeftButton);

        QCOMPARE(runs, 2);
        QCOMPARE(scope.scripted.messages.size(), size_t(2));
        for (const auto& message : scope.scripted.messages) {
            QCOMPARE(int(message.icon), icon);
            QCOMPARE(message.caption, QStringLiteral("Система ZORKAN"));
            QCOMPARE(message.text, text);
        }
    }

    void nameFilters_data() {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QStringList>("qt");
        QTest::newRow("patterns named in the description")
            << "Имя файла результатов отчета (*.out)|*.out"
            << QStringList{"Имя файла результатов отчета (*.out) (*.out)"};
        QTest::newRow("description without patterns")
            << "Файлы параметров фильтра|*.flt" << QStringList{"Файлы параметров фильтра (*.flt)"};
        QTest::newRow("two pairs, two patterns")
            << "Rich text|*.rtf|Text|*.txt;*.out"
            << QStringList{"Rich text (*.rtf)", "Text (*.txt *.out)"};
        QTest::newRow("other patterns in the description")
            << "Files (*.wav)|*.wav;*.WAV" << QStringList{"Files (*.wav) (*.wav *.WAV)"};
        QTest::newRow("none") << "" << QStringList{};
    }
    void nameFilters() {
        QFETCH(QString, filter);
        QFETCH(QStringList, qt);
        QCOMPARE(qtNameFilters(filter), qt);
    }

    // The file dialogs are Qt's own, with Qt's texts in Russian; the program's own texts
    // (title, filter) as given.
    void fileDialogInRussian() {
        QFileDialog dialog;
        setUpFileDialog(dialog,
                        {QStringLiteral("Сохранить как"), QDir::tempPath(), QStringLiteral("1.out"),
                         QStringLiteral("Имя файла результатов отчета (*.out)|*.out"),
                         QStringLiteral("out")},
                        true);
        QVERIFY(dialog.testOption(QFileDialog::DontUseNativeDialog));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Сохранить как"));
        QCOMPARE(dialog.defaultSuffix(), QStringLiteral("out"));
        QStringList labels;
        for (const char* name : {"lookInLabel", "fileNameLabel", "fileTypeLabel"})
            labels << dialog.findChild<QLabel*>(name)->text();
        QCOMPARE(labels, (QStringList{"Перейти к:", "&Имя файла:", "Типы файлов:"}));
        auto* buttons = dialog.findChild<QDialogButtonBox*>("buttonBox");
        QCOMPARE(buttons->button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Отмена"));
        QCOMPARE(dialog.labelText(QFileDialog::Accept), QStringLiteral("&Сохранить"));
    }

    void numbersFollowTheLocale_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("fixed");
        QTest::newRow("Russian, comma") << "ru_RU"
                                        << "0,25" << 0.25 << "0,2500";
        QTest::newRow("Russian, point too") << "ru_RU"
                                            << "0.25" << 0.25 << "0,2500";
        QTest::newRow("English") << "en_US"
                                 << "0.25" << 0.25 << "0.2500";
    }
    void numbersFollowTheLocale() {
        QFETCH(QString, locale);
        QFETCH(QString, text);
        QFETCH(double, value);
        QFETCH(QString, fixed);
        const QLocale previous;
        QLocale::setDefault(QLocale(locale));
        QCOMPARE(readReal(text), value);
        QCOMPARE(showFixed(value, 7, 4), fixed);
        QLocale::setDefault(previous);
    }

    void jpegOfTheAboutWindow() {
        QFile file(QStringLiteral(":/pictures/maker.jpg"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QImage image = decodeJpeg(file.readAll());
        QCOMPARE(image.size(), QSize(80, 80));
        // The picture is drawn on a warm background: red above green above blue.
        const QColor corner = image.pixelColor(2, 2);
        QVERIFY2(corner.red() > corner.green() && corner.green() > corner.blue(),
                 qPrintable(corner.name()));
    }

    // libjpeg's own error exit would end the process.
    void jpegRefusesWhatIsNotOne_data() {
        QTest::addColumn<QByteArray>("data");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("text") << QByteArray("not a picture at all");
        QTest::newRow("PNG") << fileBytes(QStringLiteral(":/pictures/logo.png"));
        QTest::newRow("start marker only") << QByteArray("\xFF\xD8\xFF\xE0", 4);
    }
    void jpegRefusesWhatIsNotOne() {
        QFETCH(QByteArray, data);
        QVERIFY(decodeJpeg(data).isNull());
    }
};

ZORKAN_UI_TEST(ShellTest);

} // namespace zorkan::ui::test

#include "shell_test.moc"
