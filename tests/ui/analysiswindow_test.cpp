// The filter-analysis window: its menu item, a file filling every page, the stability
// text, a quantised file compared with its original, the readout under the pointer, a
// refused file, and the PNG pictures the command line writes.
#include "analysis/analysiswindow.h"
#include "coefficients/quantise.h"
#include "common/pngfile.h"
#include "design/designrun.h"
#include "tests/ui/uitest.h"
#include "ui/picturebox.h"

#include <QAction>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include <cmath>
#include <complex>

namespace zorkan::ui::test {

namespace {

constexpr AnalysisPage pages[] = {AnalysisPage::ZPlane, AnalysisPage::GroupDelay,
                                  AnalysisPage::Impulse, AnalysisPage::Step,
                                  AnalysisPage::Magnitude};

int pixelsOf(const PictureBox* picture, Rgb color) {
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

struct AnalysisSession {
    AnalysisSession() {
        program.start();
        program.main().show();
        QVERIFY(QTest::qWaitForWindowExposed(&program.main()));
    }
    AnalysisWindow* open() {
        program.main().command("FilterAnalysis")->trigger();
        form = program.main().findChild<AnalysisWindow*>();
        return form;
    }
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
    QStringList messages() {
        QStringList texts;
        for (const auto& m : program.prompts().messages)
            texts << m.text;
        return texts;
    }

    Program program;
    AnalysisWindow* form = nullptr;
};

} // namespace

class AnalysisWindowTest : public QObject {
    Q_OBJECT

  private slots:
    // The last item of "Расчет и анализ" opens the window; "Файл" fills every page but
    // the comparison, and the summary names the stability with the largest pole radius.
    void openingFillsEveryPage() {
        AnalysisSession s;
        auto* calc = s.program.main().findChild<QMenu*>(QStringLiteral("MenuCalc"));
        QCOMPARE(calc->actions().back()->objectName(), QStringLiteral("FilterAnalysis"));
        QVERIFY(!calc->actions().back()->statusTip().isEmpty());
        QVERIFY(s.open());
        const std::string path = s.design(2, "cheb.flt");
        s.program.prompts().queueFile(QString::fromStdString(path));
        s.click("BitBtn1");
        QCOMPARE(s.messages(), QStringList());
        QCOMPARE(s.form->findChild<QLineEdit*>("Edit1")->text(), QString::fromStdString(path));
        for (AnalysisPage page : pages) {
            const int blue = pixelsOf(s.form->picture(page), firstFilterColor);
            QVERIFY2(page == AnalysisPage::Magnitude ? blue == 0 : blue > 20,
                     qPrintable(QString::number(static_cast<int>(page))));
        }
        auto* tabs = s.form->findChild<QTabWidget*>("PageControl1");
        QVERIFY(!tabs->isTabEnabled(4));
        const double radius = stabilityOf(s.form->first()->roots).maxRadius;
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
        for (AnalysisPage page : pages)
            QVERIFY(pixelsOf(s.form->picture(page), secondFilterColor) > 0);

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
        const auto moveTo = [&](AnalysisPage page, QPoint at) {
            s.form->findChild<QTabWidget*>("PageControl1")->setCurrentIndex(static_cast<int>(page));
            PictureBox* picture = s.form->picture(page);
            QMouseEvent move(QEvent::MouseMove, at, picture->mapToGlobal(at), Qt::NoButton,
                             Qt::NoButton, Qt::NoModifier);
            QCoreApplication::sendEvent(picture, &move);
        };
        Canvas probe(zPlaneWidth, zPlaneHeight);
        const PlotFrame z = drawZPlane(probe, s.form->first()->roots);
        moveTo(AnalysisPage::ZPlane, QPoint(static_cast<int>(std::lround(z.pixelX(0.5))),
                                            static_cast<int>(std::lround(z.pixelY(0)))));
        QVERIFY2(readout->text().contains(QStringLiteral("полюс секции 1: 0") +
                                          QLocale().decimalPoint() + QStringLiteral("5 + j0")),
                 qPrintable(readout->text()));
        const PlotFrame chart =
            drawAnalysisPage(probe, AnalysisPage::Impulse, *s.form->first(), nullptr, nullptr, 1);
        moveTo(AnalysisPage::Impulse,
               QPoint(static_cast<int>(std::lround(chart.pixelX(3))), chart.top + 10));
        QVERIFY2(readout->text().startsWith(QStringLiteral("n = 3: h = 0") +
                                            QLocale().decimalPoint() + QStringLiteral("125")),
                 qPrintable(readout->text()));
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
