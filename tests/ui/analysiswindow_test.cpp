// The filter-analysis window: its menu item, a file filling every page, the stability
// text, a quantised file compared with its original, the readout under the pointer, a
// refused file, and the PNG pictures the command line writes.
#include "analysis/analysiswindow.h"
#include "coefficients/quantise.h"
#include "common/pngfile.h"
#include "design/designrun.h"
#include "tests/ui/windowsession.h"
#include "ui/sharedstate.h"

#include <QAction>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>

#include <cmath>
#include <complex>

namespace zorkan::ui::test {

namespace {

constexpr AnalysisPage pages[] = {AnalysisPage::ZPlane,    AnalysisPage::GroupDelay,
                                  AnalysisPage::Impulse,   AnalysisPage::Step,
                                  AnalysisPage::Magnitude, AnalysisPage::Difference};

bool comparisonPage(AnalysisPage page) {
    return page == AnalysisPage::Magnitude || page == AnalysisPage::Difference;
}

int pixelsOf(const AnalysisPicture* picture, Rgb color) {
    const Canvas& c = picture->canvas();
    int count = 0;
    for (int y = 0; y < c.height(); ++y)
        for (int x = 0; x < c.width(); ++x)
            count += c.pixel(x, y) == color ? 1 : 0;
    return count;
}

// The poles of A0 + A1 z^-1 + A2 z^-2 by the quadratic formula, independently of the
// analysis.
std::vector<std::complex<double>> quadraticRoots(const double* c) {
    const std::complex<double> disc =
        std::sqrt(std::complex<double>(c[1] * c[1] - 4 * c[0] * c[2]));
    return {(-c[1] + disc) / (2 * c[0]), (-c[1] - disc) / (2 * c[0])};
}

struct AnalysisSession : WindowSession<AnalysisWindow> {
    AnalysisSession() : WindowSession("FilterAnalysis") {}
    std::string design(int approximation, const char* name) {
        DesignRequest r;
        r.approximation = approximation;
        const std::string path = program.path(QString::fromLatin1(name)).toStdString();
        designFilter(r, program.path(QStringLiteral("x.out")).toStdString(), path, {});
        return path;
    }
    void click(const char* name) {
        QTest::mouseClick(form->findChild<QPushButton*>(name), Qt::LeftButton);
    }
    QString memo() const { return form->findChild<QPlainTextEdit*>("Memo1")->toPlainText(); }
};

} // namespace

class AnalysisWindowTest : public QObject {
    Q_OBJECT

  private slots:
    // The last item of "Расчет и анализ" opens the window; "Файл" fills every page but
    // the comparison, and the summary names the stability with the largest pole radius.
    void openingFillsEveryPage() {
        AnalysisSession s;
        QAction* item = menuItem(s.program, "MenuCalc", "FilterAnalysis");
        QVERIFY(item && !item->statusTip().isEmpty());
        QVERIFY(s.open());
        const std::string path = s.design(2, "cheb.flt");
        s.program.prompts().queueFile(QString::fromStdString(path));
        s.click("BitBtn1");
        QCOMPARE(s.messages(), QStringList());
        QCOMPARE(s.form->findChild<QLineEdit*>("Edit1")->text(), QString::fromStdString(path));
        for (AnalysisPage page : pages) {
            const int blue = pixelsOf(s.form->picture(page), firstFilterColor);
            QVERIFY2(comparisonPage(page) ? blue == 0 : blue > 20,
                     qPrintable(QString::number(static_cast<int>(page))));
        }
        auto* tabs = s.form->findChild<QTabWidget*>("PageControl1");
        QVERIFY(!tabs->isTabEnabled(4));
        QVERIFY(!tabs->isTabEnabled(5));
        const double radius =
            stabilityOf(s.form->first()->filter, s.form->first()->roots).maxRadius;
        QVERIFY(radius > 0.5 && radius < 1);
        QVERIFY2(s.memo().contains(QStringLiteral("Фильтр устойчив: наибольший радиус полюса") +
                                   QString::fromStdString(formatReal(radius))),
                 qPrintable(s.memo()));
    }

    // Stability text of a filter with a pole outside the unit circle, and the refusal of
    // a file with B0 = 0, which leaves the window as it was.
    void unstableAndRefusedFiles() {
        AnalysisSession s;
        s.open();
        writeCp1251(s.program.path("out.flt"), QStringLiteral("2\n0\n1 0 0\n1 -1.25 0\n"));
        writeCp1251(s.program.path("b0.flt"), QStringLiteral("2\n0\n1 0 0\n0 1 0\n"));
        s.program.prompts().queueFile(s.program.path("out.flt"));
        s.click("BitBtn1");
        QVERIFY2(s.memo().contains(QStringLiteral("Фильтр неустойчив: наибольший радиус полюса "
                                                  "1.25000000000000E+0000 (секция 1)")),
                 qPrintable(s.memo()));
        const QString before = s.memo();
        s.program.prompts().queueFile(s.program.path("b0.flt"));
        s.click("BitBtn1");
        QCOMPARE(s.messages(), QStringList(QStringLiteral(
                                   "В секции 1 коэффициент знаменателя B0 равен нулю: такой "
                                   "фильтр нельзя реализовать")));
        QCOMPARE(s.memo(), before);
        // A file that cannot be read is named, with the line of a malformed number.
        writeCp1251(s.program.path("bad.flt"), QStringLiteral("2\n0\n1 0 0\n1 -1,25 0\n"));
        const struct {
            const char* file;
            const char* sentence;
        } unread[] = {
            {"none.flt", "Файл не найден: %1."},
            {"bad.flt", "Неверное число в файле %1, строка 4."},
        };
        for (const auto& row : unread) {
            s.program.prompts().messages.clear();
            s.program.prompts().queueFile(s.program.path(row.file));
            s.click("BitBtn1");
            QCOMPARE(s.messages(),
                     QStringList(QString::fromUtf8(row.sentence).arg(s.program.path(row.file))));
            QCOMPARE(s.memo(), before);
        }
    }

    // A design against its copy quantised to two decimals: the largest pole shift is the
    // one found with the quadratic formula, the red marks join the blue ones and the
    // magnitude page opens.
    void quantisedFileAgainstOriginal() {
        AnalysisSession s;
        s.open();
        const std::string original = s.design(2, "cheb.flt");
        FilterCoefficients filter = readFilterFile(original, responseReader);
        const FilterCoefficients designed = filter;
        quantiseSections(filter.sections, 2, NumberBase::Decimal);
        const std::string quantised = s.program.path("q.flt").toStdString();
        writeFilterInCellForm(quantised, filter);

        double expected = 0;
        for (const FilterSection& d : designed.sections) {
            for (const auto& p : quadraticRoots(d.b)) {
                double nearest = 1e9;
                for (const FilterSection& q : filter.sections)
                    for (const auto& other : quadraticRoots(q.b))
                        nearest = std::min(nearest, std::abs(p - other));
                expected = std::max(expected, nearest);
            }
        }
        s.form->openFiles(QString::fromStdString(original), QString::fromStdString(quantised));
        QVERIFY(s.form->comparison());
        QVERIFY(expected > 1e-4);
        QVERIFY(std::fabs(*s.form->comparison()->maxPoleShift - expected) < 1e-12);
        QVERIFY2(s.memo().contains(
                     QStringLiteral("Наибольшее смещение полюсов:") +
                     QString::fromStdString(formatReal(*s.form->comparison()->maxPoleShift))),
                 qPrintable(s.memo()));
        QVERIFY(s.form->findChild<QTabWidget*>("PageControl1")->isTabEnabled(4));
        QVERIFY(s.form->findChild<QTabWidget*>("PageControl1")->isTabEnabled(5));
        // Every page shows the second file in red but the difference, a single blue curve.
        for (AnalysisPage page : pages) {
            const bool difference = page == AnalysisPage::Difference;
            QVERIFY((pixelsOf(s.form->picture(page), secondFilterColor) > 0) != difference);
            QVERIFY(pixelsOf(s.form->picture(page), firstFilterColor) > 0);
        }
        QVERIFY2(s.memo().contains(
                     QStringLiteral("Наибольшее расхождение АЧХ в полосе пропускания:") +
                     QString::fromStdString(formatReal(s.form->comparison()->passBand->decibels))),
                 qPrintable(s.memo()));

        s.click("BitBtn3"); // without the comparison again
        QVERIFY(!s.form->comparison());
        QCOMPARE(pixelsOf(s.form->picture(AnalysisPage::ZPlane), secondFilterColor), 0);
    }

    // The pointer over a pole of the z-plane names it; over the impulse page, the sample.
    void readoutUnderThePointer() {
        AnalysisSession s;
        s.open();
        writeCp1251(s.program.path("h.flt"), QStringLiteral("2\n0\n1 0 0\n1 -0.5 0\n"));
        s.form->openFiles(s.program.path("h.flt"));
        auto* readout = s.form->findChild<QLabel*>("StaticText1");
        // The page is shown first: a page shown for the first time takes its size then.
        const auto probeOf = [&](AnalysisPage page) {
            s.form->findChild<QTabWidget*>("PageControl1")->setCurrentIndex(static_cast<int>(page));
            QCoreApplication::processEvents();
            const Canvas& shown = s.form->picture(page)->canvas();
            Canvas probe(shown.width(), shown.height());
            return drawAnalysisPage(probe, page, *s.form->first(), nullptr, nullptr, 1);
        };
        const auto moveTo = [&](AnalysisPage page, QPoint at) {
            AnalysisPicture* picture = s.form->picture(page);
            QMouseEvent move(QEvent::MouseMove, at, picture->mapToGlobal(at), Qt::NoButton,
                             Qt::NoButton, Qt::NoModifier);
            QCoreApplication::sendEvent(picture, &move);
        };
        const PlotFrame z = probeOf(AnalysisPage::ZPlane);
        moveTo(AnalysisPage::ZPlane, QPoint(static_cast<int>(std::lround(z.pixelX(0.5))),
                                            static_cast<int>(std::lround(z.pixelY(0)))));
        QVERIFY2(readout->text().contains(QStringLiteral("полюс секции 1: 0") +
                                          QLocale().decimalPoint() + QStringLiteral("5 + j0")),
                 qPrintable(readout->text()));
        const PlotFrame chart = probeOf(AnalysisPage::Impulse);
        moveTo(AnalysisPage::Impulse,
               QPoint(static_cast<int>(std::lround(chart.pixelX(3))), chart.top + 10));
        QVERIFY2(readout->text().startsWith(QStringLiteral("n = 3: h = 0") +
                                            QLocale().decimalPoint() + QStringLiteral("125")),
                 qPrintable(readout->text()));
    }

    // The window can be resized; the picture on show is drawn again at its new size, the
    // same pixels as the page drawn afresh into a canvas of that size, and so is a page
    // shown later.
    void resizedWindowDrawsLargerPictures() {
        AnalysisSession s;
        s.open();
        const std::string path = s.design(3, "ell.flt");
        s.form->openFiles(QString::fromStdString(path));
        auto* frame = qobject_cast<QMdiSubWindow*>(s.form->parentWidget());
        QVERIFY(frame);
        QVERIFY(frame->minimumSize() != frame->maximumSize());
        const QSize before = s.form->picture(AnalysisPage::ZPlane)->size();
        frame->resize(frame->width() + 300, frame->height() + 200);
        auto* tabs = s.form->findChild<QTabWidget*>("PageControl1");
        for (AnalysisPage page : {AnalysisPage::ZPlane, AnalysisPage::GroupDelay}) {
            tabs->setCurrentIndex(static_cast<int>(page));
            QCoreApplication::processEvents();
            const AnalysisPicture* picture = s.form->picture(page);
            QVERIFY(picture->width() >= before.width() + 250);
            QVERIFY(picture->height() >= before.height() + 150);
            const Canvas& canvas = picture->canvas();
            QCOMPARE(QSize(canvas.width(), canvas.height()), picture->size());
            Canvas probe(canvas.width(), canvas.height());
            drawAnalysisPage(probe, page, *s.form->first(), nullptr, nullptr, 1);
            int differing = 0;
            for (int y = 0; y < canvas.height(); ++y)
                for (int x = 0; x < canvas.width(); ++x)
                    differing += canvas.pixel(x, y) == probe.pixel(x, y) ? 0 : 1;
            QCOMPARE(differing, 0);
        }
    }

    // The summary never breaks a line, so a 23-character number stays whole however narrow
    // the pane.
    void summaryLinesNeverBreak() {
        AnalysisSession s;
        s.open();
        s.form->openFiles(QString::fromStdString(s.design(2, "cheb.flt")));
        auto* memo = s.form->findChild<QPlainTextEdit*>("Memo1");
        memo->resize(120, memo->height());
        QCoreApplication::processEvents();
        int blocks = 0;
        for (QTextBlock b = memo->document()->begin(); b.isValid(); b = b.next(), ++blocks)
            QVERIFY2(b.layout()->lineCount() <= 1, qPrintable(b.text()));
        QVERIFY(blocks > 10);
    }

    // The window opens with the filter the response window analyses, else the one last
    // designed, and analyses it when the file exists.
    void opensWithTheLastFilter() {
        const struct {
            const char* designed;
            const char* response;
            const char* expected;
            bool analysed;
        } rows[] = {
            {"d.flt", "", "d.flt", true},
            {"d.flt", "r.flt", "r.flt", true},
            {"", "", "", false},
            {"gone.flt", "", "gone.flt", false},
        };
        for (const auto& row : rows) {
            AnalysisSession s;
            writeCp1251(s.program.path("d.flt"), QStringLiteral("2\n0\n1 0 0\n1 -0.5 0\n"));
            writeCp1251(s.program.path("r.flt"), QStringLiteral("2\n0\n1 0 0\n1 -0.25 0\n"));
            const auto name = [&](const char* file) {
                return *file ? s.program.path(QString::fromLatin1(file)) : QString();
            };
            shared().DesignedFilterFile = name(row.designed);
            shared().ResponseFilterFile = name(row.response);
            QVERIFY(s.open());
            QCOMPARE(s.form->findChild<QLineEdit*>("Edit1")->text(), name(row.expected));
            QCOMPARE(s.form->first().has_value(), row.analysed);
            if (row.analysed)
                QCOMPARE(QString::fromStdString(s.form->first()->path), name(row.expected));
            QCOMPARE(s.messages(), QStringList());
        }
    }

    // File names may be typed into both fields (here relative to the current folder);
    // Enter analyses them.
    void typedFileNames() {
        AnalysisSession s;
        s.open();
        writeCp1251(s.program.path("a.flt"), QStringLiteral("2\n0\n1 -0.5 0\n1 -0.9 0\n"));
        writeCp1251(s.program.path("b.flt"), QStringLiteral("2\n0\n1 -0.8 0\n1 -0.2 0\n"));
        auto* first = s.form->findChild<QLineEdit*>("Edit1");
        auto* second = s.form->findChild<QLineEdit*>("Edit2");
        QVERIFY(!first->isReadOnly() && !second->isReadOnly());
        QTest::keyClicks(first, QStringLiteral("a.flt"));
        QTest::keyClick(first, Qt::Key_Return);
        QVERIFY(s.form->first());
        QVERIFY(!s.form->comparison());
        QTest::keyClicks(second, QStringLiteral("b.flt"));
        QTest::keyClick(second, Qt::Key_Return);
        QVERIFY(s.form->comparison());
        QCOMPARE(*s.form->comparison()->maxPoleShift, 0.9 - 0.2);
        QCOMPARE(s.messages(), QStringList());
    }

    // A double click saves the picture, never over either filter file, however named;
    // another name gets the page's pixels as the command line writes them.
    void savedPicturesNeverReplaceFilterFiles() {
        const QString filterMessage =
            QStringLiteral("Файл рисунка совпадает с файлом фильтра: выберите другое имя");
        const QString comparedMessage = QStringLiteral(
            "Файл рисунка совпадает с файлом фильтра для сравнения: выберите другое имя");
        const struct {
            const char* name;
            QString message;
        } rows[] = {
            {"a.flt", filterMessage},   {"sub/../a.flt", filterMessage}, {"b.flt", comparedMessage},
            {"picture.png", QString()}, {"picture.bmp", QString()},
        };
        for (const auto& row : rows) {
            AnalysisSession s;
            s.open();
            QDir(s.program.folder()).mkdir(QStringLiteral("sub"));
            writeCp1251(s.program.path("a.flt"), QStringLiteral("2\n0\n1 -0.5 0\n1 -0.9 0\n"));
            writeCp1251(s.program.path("b.flt"), QStringLiteral("2\n0\n1 -0.8 0\n1 -0.2 0\n"));
            const QByteArray a = fileBytes(s.program.path("a.flt"));
            const QByteArray b = fileBytes(s.program.path("b.flt"));
            s.form->openFiles(s.program.path("a.flt"), s.program.path("b.flt"));
            const QString target = s.program.path(QString::fromLatin1(row.name));
            s.program.prompts().queueFile(target);
            AnalysisPicture* picture = s.form->picture(AnalysisPage::ZPlane);
            QTest::mouseDClick(picture, Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
            QCOMPARE(s.messages(),
                     row.message.isEmpty() ? QStringList() : QStringList(row.message));
            QCOMPARE(fileBytes(s.program.path("a.flt")), a);
            QCOMPARE(fileBytes(s.program.path("b.flt")), b);
            if (row.message.isEmpty()) {
                const std::vector<std::uint8_t> expected = target.endsWith(QStringLiteral(".bmp"))
                                                               ? picture->canvas().bmpBytes()
                                                               : pngBytes(picture->canvas());
                QCOMPARE(fileBytes(target),
                         QByteArray(reinterpret_cast<const char*>(expected.data()),
                                    static_cast<qsizetype>(expected.size())));
            }
        }
    }

    // The command line's PNG, read by Qt's own decoder, holds the canvas's pixels.
    void pngPicturesDecode() {
        Canvas canvas(zPlaneWidth, zPlaneHeight);
        std::vector<FilterRoot> roots(2);
        roots[0].re = 0.5;
        roots[1].pole = true;
        roots[1].re = -0.25;
        roots[1].im = 0.75;
        drawZPlane(canvas, roots, &roots);
        const std::vector<std::uint8_t> bytes = pngBytes(canvas);
        QImage image;
        QVERIFY(image.loadFromData(bytes.data(), static_cast<int>(bytes.size()), "PNG"));
        QCOMPARE(image.size(), QSize(canvas.width(), canvas.height()));
        for (int y = 0; y < canvas.height(); ++y)
            for (int x = 0; x < canvas.width(); ++x) {
                const Rgb p = canvas.pixel(x, y);
                if (image.pixel(x, y) != qRgb(p.r, p.g, p.b))
                    QFAIL(qPrintable(QStringLiteral("pixel %1, %2").arg(x).arg(y)));
            }
    }
};

ZORKAN_UI_TEST(AnalysisWindowTest);

} // namespace zorkan::ui::test

#include "analysiswindow_test.moc"
