// The characteristics window: its menu item, the curves of several files, zoom by the
// wheel about the pointer and by a rectangle, "Весь график", the readout and markers
// against the closed form of a known section, and the picture and data saved.
#include "characteristics/characteristicswindow.h"
#include "charts/chart.h"
#include "design/designrun.h"
#include "tests/ui/windowsession.h"
#include "ui/sharedstate.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QWheelEvent>

#include <array>
#include <cmath>
#include <functional>

namespace zorkan::ui::test {

namespace {

const double pi = 3.14159265358979323846;

// (1 + z^-1) / (1 - 0.5 z^-1): |H| = 2 |cos(pi f)| / sqrt(1.25 - cos(2 pi f)) at FD = 1.
const char* const zeroPole = "2\r\n0\r\n1 1 0\r\n1 -0.5 0\r\n";
double zeroPoleDb(double f) {
    return 20 *
           std::log10(2 * std::fabs(std::cos(pi * f)) / std::sqrt(1.25 - std::cos(2 * pi * f)));
}

struct Session : WindowSession<CharacteristicsWindow> {
    Session() : WindowSession("FilterCharacteristics") {}
    QString write(const char* name, const char* bytes) {
        const QString path = program.path(QString::fromLatin1(name));
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return path;
    }
    QString design(int approximation, const char* name) {
        DesignRequest r;
        r.approximation = approximation;
        const QString path = program.path(QString::fromLatin1(name) + ".flt");
        designFilter(r, program.path(QString::fromLatin1(name) + ".out").toStdString(),
                     path.toStdString(), {});
        return path;
    }
    CharacteristicsPlot* plot() { return form->plot(); }
    bool settled() {
        // The curves, and a finer grid for a zoomed view, come off the window's thread.
        QTest::qWait(200);
        for (int i = 0; i < 300 && plot()->busy(); ++i)
            QTest::qWait(20);
        return !plot()->busy();
    }
};

void wheel(QWidget* w, QPointF at, int delta) {
    QWheelEvent event(at, w->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &event);
}

double xAt(const CharacteristicsPlot* p, double px) {
    const ChartRect r = p->plot();
    return axisValue(p->xRange(), px, r.x, r.width, false);
}
double yAt(const CharacteristicsPlot* p, double py) {
    const ChartRect r = p->plot();
    return axisValue(p->yRange(), py, r.y, r.height, true);
}

// The number after "<name> = " in a readout line.
double readoutValue(const QString& text, const QString& name) {
    const QRegularExpression re(QRegularExpression::escape(name) +
                                QStringLiteral(" = ([-0-9.eE+]+)"));
    const auto m = re.match(text);
    return m.hasMatch() ? m.captured(1).toDouble() : std::nan("");
}

// The CIE 1976 difference of two sRGB colours: their distance in L*a*b* (white D65).
double colourDifference(const QColor& p, const QColor& q) {
    const auto lab = [](const QColor& c) {
        const auto linear = [](int v) {
            const double u = v / 255.0;
            return u <= 0.04045 ? u / 12.92 : std::pow((u + 0.055) / 1.055, 2.4);
        };
        const double r = linear(c.red()), g = linear(c.green()), b = linear(c.blue());
        const double x = (0.4124 * r + 0.3576 * g + 0.1805 * b) / 0.95047;
        const double y = 0.2126 * r + 0.7152 * g + 0.0722 * b;
        const double z = (0.0193 * r + 0.1192 * g + 0.9505 * b) / 1.08883;
        const auto f = [](double t) {
            return t > 216.0 / 24389 ? std::cbrt(t) : (24389.0 / 27 * t + 16) / 116;
        };
        return std::array<double, 3>{116 * f(y) - 16, 500 * (f(x) - f(y)), 200 * (f(y) - f(z))};
    };
    const std::array<double, 3> a = lab(p), b = lab(q);
    return std::hypot(a[0] - b[0], a[1] - b[1], a[2] - b[2]);
}

} // namespace

class CharacteristicsWindowTest : public QObject {
    Q_OBJECT

  private slots:
    // The wheel zooms about the pointer: the frequency and the value under it stay under
    // it, the ranges shrink by the wheel's factor; over the frequency axis only that axis
    // changes. A dragged rectangle shows exactly its range; "Весь график" and Home restore
    // the whole chart.
    void zoomsAboutThePointer() {
        Session s;
        const QString zp = s.write("zp.flt", zeroPole);
        const QString lp = s.design(2, "lp");
        QVERIFY(s.open());
        s.child<QLineEdit>("Edit1")->setText(zp);
        QTest::keyClick(s.child<QLineEdit>("Edit1"), Qt::Key_Return);
        QVERIFY(s.form->addFile(lp));
        QVERIFY(s.settled());
        QCOMPARE(s.child<QListWidget>("ListBox1")->count(), 2);
        CharacteristicsPlot* p = s.plot();
        QVERIFY(p->hasContent());
        const AxisRange fullX = p->xRange(), fullY = p->yRange();
        QCOMPARE(fullX.low, 0.0);
        QCOMPARE(fullX.high, 0.5);

        const ChartRect r = p->plot();
        const QPointF at(std::round(r.x + 0.3 * r.width), std::round(r.y + 0.4 * r.height));
        const double f = xAt(p, at.x()), v = yAt(p, at.y());
        wheel(p, at, 120);
        QVERIFY(std::fabs(xAt(p, at.x()) - f) < 1e-12);
        QVERIFY(std::fabs(yAt(p, at.y()) - v) < 1e-9);
        QVERIFY(std::fabs((p->xRange().high - p->xRange().low) - 0.8 * 0.5) < 1e-12);
        QVERIFY(std::fabs((p->yRange().high - p->yRange().low) - 0.8 * (fullY.high - fullY.low)) <
                1e-9);
        // Over the frequency axis: the frequencies alone, two notches out.
        const AxisRange yBefore = p->yRange();
        const double f2 = xAt(p, at.x());
        wheel(p, QPointF(at.x(), r.y + r.height + 10), -240);
        QCOMPARE(p->yRange().low, yBefore.low);
        QCOMPARE(p->yRange().high, yBefore.high);
        QVERIFY(std::fabs(xAt(p, at.x()) - f2) < 1e-12);
        QVERIFY(std::fabs((p->xRange().high - p->xRange().low) - 0.4 / 0.64) < 1e-12);

        // A rectangle from (a) to (b): exactly the frequencies and values at its corners.
        const QPoint a(static_cast<int>(r.x + 0.1 * r.width),
                       static_cast<int>(r.y + 0.2 * r.height));
        const QPoint b(static_cast<int>(r.x + 0.35 * r.width),
                       static_cast<int>(r.y + 0.6 * r.height));
        const double x0 = xAt(p, a.x()), x1 = xAt(p, b.x()), yTop = yAt(p, a.y()),
                     yBottom = yAt(p, b.y());
        QTest::mousePress(p, Qt::LeftButton, Qt::NoModifier, b);
        QTest::mouseMove(p, a);
        QTest::mouseRelease(p, Qt::LeftButton, Qt::NoModifier, a);
        QCOMPARE(p->xRange().low, x0);
        QCOMPARE(p->xRange().high, x1);
        QCOMPARE(p->yRange().low, yBottom);
        QCOMPARE(p->yRange().high, yTop);
        QVERIFY(p->markers().empty()); // a drag sets no marker
        // Zoomed in, the curves come again on a finer grid over the view.
        QVERIFY(s.settled());
        const std::vector<double>& grid = p->shownCurves().frequencies;
        QVERIFY(grid.size() > 2);
        QVERIFY(grid[1] - grid[0] < (x1 - x0) / 2000);
        QVERIFY(grid.front() <= x0 && grid.back() >= x1);

        QTest::mouseClick(s.child<QPushButton>("BitBtn6"), Qt::LeftButton);
        QCOMPARE(p->xRange().low, fullX.low);
        QCOMPARE(p->xRange().high, fullX.high);
        QCOMPARE(p->yRange().low, fullY.low);
        QCOMPARE(p->yRange().high, fullY.high);
        wheel(p, at, 360);
        QTest::keyClick(p, Qt::Key_Right);
        QVERIFY(p->xRange().low > 0);
        QTest::keyClick(p, Qt::Key_Home);
        QCOMPARE(p->xRange().high, fullX.high);
        QCOMPARE(p->yRange().low, fullY.low);
        QCOMPARE(s.messages(), QStringList());
    }

    // The readout under the pointer and two markers with their difference hold the
    // section's closed form at the pointer's frequency.
    void readsOutTheCurvesAtThePointer() {
        Session s;
        const QString zp = s.write("zp.flt", zeroPole);
        QVERIFY(s.open());
        QVERIFY(s.form->addFile(zp));
        QVERIFY(s.settled());
        CharacteristicsPlot* p = s.plot();
        const ChartRect r = p->plot();
        const QPoint first(static_cast<int>(r.x + 0.2 * r.width), static_cast<int>(r.y + 20));
        const QPoint second(static_cast<int>(r.x + 0.7 * r.width), static_cast<int>(r.y + 20));
        const double f1 = xAt(p, first.x()), f2 = xAt(p, second.x());
        QTest::mouseMove(p, first);
        const QString readout = s.child<QLabel>("StaticText1")->text();
        QVERIFY2(readout.startsWith(QStringLiteral("f = ")), qPrintable(readout));
        QVERIFY2(std::fabs(readoutValue(readout, QStringLiteral("f")) - f1) < 1e-7 * f1,
                 qPrintable(readout));
        QVERIFY2(std::fabs(readoutValue(readout, QStringLiteral("zp.flt")) - zeroPoleDb(f1)) <
                     1e-7 * std::fabs(zeroPoleDb(f1)),
                 qPrintable(readout));

        QTest::mouseClick(p, Qt::LeftButton, Qt::NoModifier, first);
        QTest::mouseClick(p, Qt::LeftButton, Qt::NoModifier, second);
        QCOMPARE(p->markers().size(), std::size_t(2));
        const QStringList lines = s.child<QLabel>("StaticText2")->text().split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 3);
        QVERIFY(lines[0].startsWith(QStringLiteral("Маркер 1: ")));
        QVERIFY(lines[1].startsWith(QStringLiteral("Маркер 2: ")));
        QVERIFY2(lines[2].startsWith(QStringLiteral("Разность")), qPrintable(lines[2]));
        const double delta = zeroPoleDb(f2) - zeroPoleDb(f1);
        const QRegularExpression re(QStringLiteral("zp.flt: ([-0-9.eE+]+)"));
        const double shown = re.match(lines[2]).captured(1).toDouble();
        QVERIFY2(std::fabs(shown - delta) < 1e-7 * std::fabs(delta), qPrintable(lines[2]));
    }

    // "АЧХ относительно максимума": the readout, the markers and their difference show what
    // the curve shows, the section's closed form less its maximum |H(0)| = 4, in dB and
    // as a ratio.
    void readsOutRelativeMagnitudes() {
        Session s;
        const QString zp = s.write("zp.flt", zeroPole);
        QVERIFY(s.open());
        QVERIFY(s.form->addFile(zp));
        s.child<QCheckBox>("CheckBox5")->setChecked(true);
        QVERIFY(s.settled());
        CharacteristicsPlot* p = s.plot();
        const ChartRect r = p->plot();
        const QPoint first(static_cast<int>(r.x + 0.2 * r.width), static_cast<int>(r.y + 20));
        const QPoint second(static_cast<int>(r.x + 0.7 * r.width), static_cast<int>(r.y + 20));
        const double f1 = xAt(p, first.x()), f2 = xAt(p, second.x());
        const double top = 20 * std::log10(4.0);
        const auto relativeDb = [&](double f) { return zeroPoleDb(f) - top; };
        QTest::mouseMove(p, first + QPoint(1, 0)); // the pointer may already be there
        QTest::mouseMove(p, first);
        const QString readout = s.child<QLabel>("StaticText1")->text();
        QVERIFY2(std::fabs(readoutValue(readout, QStringLiteral("zp.flt")) - relativeDb(f1)) <
                     1e-7 * std::fabs(relativeDb(f1)),
                 qPrintable(readout));
        QTest::mouseClick(p, Qt::LeftButton, Qt::NoModifier, first);
        QTest::mouseClick(p, Qt::LeftButton, Qt::NoModifier, second);
        QStringList lines = s.child<QLabel>("StaticText2")->text().split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 3);
        QVERIFY2(std::fabs(readoutValue(lines[1], QStringLiteral("zp.flt")) - relativeDb(f2)) <
                     1e-7 * std::fabs(relativeDb(f2)),
                 qPrintable(lines[1]));

        // |H| / max |H|: the markers and the difference as ratios to 4.
        s.child<QComboBox>("ComboBox1")->setCurrentIndex(0);
        QVERIFY(s.settled());
        QTest::mouseClick(p, Qt::LeftButton, Qt::NoModifier, first);
        QTest::mouseClick(p, Qt::LeftButton, Qt::NoModifier, second);
        const auto ratio = [&](double f) { return std::pow(10.0, zeroPoleDb(f) / 20) / 4; };
        lines = s.child<QLabel>("StaticText2")->text().split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 3);
        QVERIFY2(std::fabs(readoutValue(lines[0], QStringLiteral("zp.flt")) - ratio(f1)) <
                     1e-7 * ratio(f1),
                 qPrintable(lines[0]));
        const QRegularExpression re(QStringLiteral("zp.flt: ([-0-9.eE+]+)"));
        const double delta = ratio(f2) - ratio(f1);
        const double shown = re.match(lines[2]).captured(1).toDouble();
        QVERIFY2(std::fabs(shown - delta) < 1e-7 * std::fabs(delta), qPrintable(lines[2]));
        QCOMPARE(s.messages(), QStringList());
    }

    // The units of the window: the group delay in seconds at FD = 8 (the frequencies in
    // hertz), and the wrapped phase in degrees, each against the closed form.
    void readsOutInTheChosenUnits() {
        Session s;
        const QString zp = s.write("zp.flt", zeroPole);
        QVERIFY(s.open());
        QVERIFY(s.form->addFile(zp));
        s.child<QLineEdit>("Edit2")->setText(QStringLiteral("8"));
        s.child<QCheckBox>("CheckBox3")->setChecked(true);
        s.child<QComboBox>("ComboBox1")->setCurrentIndex(3);
        QVERIFY(s.settled());
        CharacteristicsPlot* p = s.plot();
        QCOMPARE(p->xRange().high, 4.0);
        const ChartRect r = p->plot();
        const QPoint at(static_cast<int>(r.x + 0.3 * r.width), static_cast<int>(r.y + 30));
        const double f = xAt(p, at.x());
        QTest::mouseMove(p, at);
        const double w = 2 * pi * f / 8, c = std::cos(w);
        const double seconds = (0.5 - (0.25 - 0.5 * c) / (1.25 - c)) / 8;
        QString readout = s.child<QLabel>("StaticText1")->text();
        QVERIFY2(std::fabs(readoutValue(readout, QStringLiteral("zp.flt")) - seconds) <
                     1e-7 * std::fabs(seconds),
                 qPrintable(readout));

        s.child<QComboBox>("ComboBox1")->setCurrentIndex(2);
        s.child<QCheckBox>("CheckBox1")->setChecked(true);
        s.child<QCheckBox>("CheckBox2")->setChecked(true);
        QVERIFY(s.settled());
        QTest::mouseMove(p, at + QPoint(1, 0));
        QTest::mouseMove(p, at);
        // arg H = -w/2 - atan2(0.5 sin w, 1 - 0.5 cos w) below FD/2.
        const double degrees = (-w / 2 - std::atan2(0.5 * std::sin(w), 1 - 0.5 * c)) * 180 / pi;
        readout = s.child<QLabel>("StaticText1")->text();
        QVERIFY2(std::fabs(readoutValue(readout, QStringLiteral("zp.flt")) - degrees) <
                     1e-7 * std::fabs(degrees),
                 qPrintable(readout));
        QCOMPARE(s.messages(), QStringList());
    }

    // Zoomed into the phase of a pure delay of three samples far from DC, the finer grid's
    // curve lies where the whole band's did: -6 pi f, not some turns away.
    void keepsTheUnwrappedPhaseWhenZoomed() {
        Session s;
        const QString delay = s.write("d.flt", "4\r\n0\r\n0 0 1\r\n0 1 0\r\n1 0 0\r\n1 0 0\r\n");
        QVERIFY(s.open());
        s.child<QComboBox>("ComboBox1")->setCurrentIndex(2);
        QVERIFY(s.form->addFile(delay));
        QVERIFY(s.settled());
        CharacteristicsPlot* p = s.plot();
        p->setRanges({0.41, 0.43, false}, {-6 * pi * 0.43, -6 * pi * 0.41, false});
        QVERIFY(s.settled());
        const ChartCurves& c = p->shownCurves();
        QVERIFY(c.frequencies.front() <= 0.41 && c.frequencies.front() > 0.3);
        for (std::size_t k = 0; k < c.frequencies.size(); k += 97)
            QVERIFY(std::fabs(c.values[0][k] + 6 * pi * c.frequencies[k]) < 1e-9);
    }

    // Pictures at the size shown: SVG with one curve element per file and the legend's
    // names, a one-page PDF, a PNG; the visible data to the clipboard as CSV.
    void savesPicturesAndData() {
        Session s;
        const QString zp = s.write("zp.flt", zeroPole);
        const QString lp = s.design(1, "lp");
        QVERIFY(s.open());
        QVERIFY(s.form->addFile(zp));
        QVERIFY(s.form->addFile(lp));
        s.child<QListWidget>("ListBox1")->setCurrentRow(1);
        QTest::mouseClick(s.child<QPushButton>("BitBtn5"), Qt::LeftButton); // q15 of lp
        QVERIFY(s.settled());
        QCOMPARE(s.child<QListWidget>("ListBox1")->count(), 3);
        QCOMPARE(s.child<QListWidget>("ListBox1")->item(2)->text(), QStringLiteral("lp.flt (q15)"));
        CharacteristicsPlot* p = s.plot();
        for (const char* name : {"c.svg", "c.pdf", "c.png"}) {
            s.program.prompts().queueFile(s.program.path(QString::fromLatin1(name)));
            QTest::mouseClick(s.child<QPushButton>("BitBtn7"), Qt::LeftButton);
        }
        const QString svg = QString::fromUtf8(fileBytes(s.program.path("c.svg")));
        QCOMPARE(svg.count(QStringLiteral("<path class=\"curve\"")), 3);
        for (const char* name : {">zp.flt<", ">lp.flt<", ">lp.flt (q15)<"})
            QVERIFY2(svg.contains(QString::fromUtf8(name)), name);
        QVERIFY(svg.contains(
            QStringLiteral("width=\"%1\" height=\"%2\"").arg(p->width()).arg(p->height())));
        const QByteArray pdf = fileBytes(s.program.path("c.pdf"));
        QVERIFY(pdf.startsWith("%PDF-"));
        QCOMPARE(QString::fromLatin1(pdf).count(
                     QRegularExpression(QStringLiteral("/Type\\s*/Page[^s]"))),
                 1);
        QImage png;
        QVERIFY(png.load(s.program.path("c.png")));
        QCOMPARE(png.size(), p->size());

        wheel(p, QPointF(p->plot().x + p->plot().width / 2, p->plot().y + 30), 240);
        QTest::mouseClick(s.child<QPushButton>("BitBtn8"), Qt::LeftButton);
        const QStringList rows =
            QApplication::clipboard()->text().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(rows.front(), QStringLiteral("f,zp.flt,lp.flt,lp.flt (q15)"));
        QVERIFY(rows.size() > 100);
        for (int i = 1; i < rows.size(); ++i) {
            const double f = rows[i].section(QLatin1Char(','), 0, 0).toDouble();
            QVERIFY(f >= p->xRange().low && f <= p->xRange().high);
        }
        const double f = rows[1].section(QLatin1Char(','), 0, 0).toDouble();
        QVERIFY(std::fabs(rows[1].section(QLatin1Char(','), 1, 1).toDouble() - zeroPoleDb(f)) <
                1e-12 * std::fabs(zeroPoleDb(f)) + 1e-13);
        QCOMPARE(s.messages(), QStringList());
    }

    // A filter file or a report that cannot be read is named, with the line of a
    // malformed number; the list keeps what it had.
    void unreadableFilesAreNamed() {
        Session s;
        QVERIFY(s.open());
        const QString bad = s.write("bad.flt", "2\r\n0\r\n1 0 0\r\n1 -0.5 x\r\n");
        const QString none = s.program.path("none.flt");
        const QString noReport = s.program.path("none.out");
        const struct {
            std::function<void()> action;
            QString sentence;
        } rows[] = {
            {[&] { s.form->addFile(none); }, QStringLiteral("Файл не найден: ") + none},
            {[&] { s.form->addFile(bad); },
             QStringLiteral("Неверное число в файле ") + bad + QStringLiteral(", строка 4")},
            {[&] {
                 shared().DesignedReportFile = noReport;
                 s.form->BitBtn4Click();
             },
             QStringLiteral("Файл не найден: ") + noReport},
        };
        for (const auto& row : rows) {
            QString refusal;
            try {
                row.action();
            } catch (const std::exception& e) {
                refusal = QString::fromUtf8(e.what());
            }
            QCOMPARE(refusal, row.sentence);
            QCOMPARE(s.child<QListWidget>("ListBox1")->count(), 0);
        }
    }

    // "Последний расчет" takes the mask from the session's last design: the pass band
    // shaded DA under the curve's pass-band maximum; before any design it says so.
    void masksWithTheLastDesign() {
        Session s;
        QVERIFY(s.open());
        QTest::mouseClick(s.child<QPushButton>("BitBtn4"), Qt::LeftButton);
        QCOMPARE(s.messages(), QStringList{QStringLiteral(
                                   "В этом сеансе фильтр еще не рассчитывался по требованиям")});
        const QString lp = s.design(2, "lp"); // DA 1.5, B1 30, pass band 0 .. 0.2
        shared().DesignedReportFile = s.program.path("lp.out");
        QVERIFY(s.form->addFile(lp));
        QTest::mouseClick(s.child<QPushButton>("BitBtn4"), Qt::LeftButton);
        QCOMPARE(s.child<QLineEdit>("Edit3")->text(), s.program.path("lp.out"));
        QVERIFY(s.settled());
        const Chart chart = s.plot()->chart();
        QCOMPARE(chart.forbidden.size(), std::size_t(2));
        QCOMPARE(chart.forbidden[0].x0, 0.0);
        QCOMPARE(chart.forbidden[0].x1, 0.2);
        const double top = 20 * std::log10(s.plot()->shownCurves().references[0]);
        QVERIFY(std::fabs(*chart.forbidden[0].y1 - (top - 1.5)) < 1e-12);
        QVERIFY(std::fabs(*chart.forbidden[1].y0 - (top - 30)) < 1e-12);
        QCOMPARE(chart.forbidden[1].x0, 0.25);
    }

    // A mask of a 48 kHz design puts the axis in hertz (FD = 48000 in Edit2), its bands at
    // the report's edges; a report of a band-pass design does not fit a low-pass file.
    void masksInTheUnitOfTheDesignsSamplingFrequency() {
        Session s;
        QVERIFY(s.open());
        DesignRequest r;
        r.fd = 48000;
        r.f1 = 3000;
        r.f4 = 4000;
        const QString lp = s.program.path("lp48.flt");
        designFilter(r, s.program.path("lp48.out").toStdString(), lp.toStdString(), {});
        shared().DesignedReportFile = s.program.path("lp48.out");
        QVERIFY(s.form->addFile(lp));
        QCOMPARE(s.child<QLineEdit>("Edit2")->text(), QStringLiteral("1"));
        QTest::mouseClick(s.child<QPushButton>("BitBtn4"), Qt::LeftButton);
        QCOMPARE(s.child<QLineEdit>("Edit2")->text(), QStringLiteral("48000"));
        QVERIFY(s.settled());
        const Chart chart = s.plot()->chart();
        QCOMPARE(chart.forbidden.size(), std::size_t(2));
        QCOMPARE(chart.forbidden[0].x1, 3000.0);
        QCOMPARE(chart.forbidden[1].x0, 4000.0);
        QCOMPARE(s.plot()->xRange().high, 24000.0);

        DesignRequest band;
        band.f3 = 0.1;
        band.f2 = 0.15;
        band.f1 = 0.25;
        band.f4 = 0.3;
        designFilter(band, s.program.path("bp.out").toStdString(),
                     s.program.path("bp.flt").toStdString(), {});
        shared().DesignedReportFile = s.program.path("bp.out");
        QString refusal;
        try {
            s.form->BitBtn4Click();
        } catch (const std::exception& e) {
            refusal = QString::fromUtf8(e.what());
        }
        QCOMPARE(refusal, QStringLiteral("Файл фильтра ") + lp +
                              QStringLiteral(": Требования отчета относятся к фильтру другого "
                                             "вида, чем фильтр файла"));
    }

    // "Добавить" takes every file chosen at once, in order, up to eight curves; those
    // left out are named.
    void addsEveryChosenFile() {
        Session s;
        QVERIFY(s.open());
        QStringList files;
        for (int i = 0; i < 9; ++i)
            files << s.write(qPrintable(QStringLiteral("f%1.flt").arg(i)), zeroPole);
        s.program.prompts().queueFiles(files.mid(0, 5));
        QTest::mouseClick(s.child<QPushButton>("BitBtn1"), Qt::LeftButton);
        QVERIFY(s.settled());
        auto* list = s.child<QListWidget>("ListBox1");
        QCOMPARE(list->count(), 5);
        for (int i = 0; i < 5; ++i)
            QCOMPARE(list->item(i)->text(), QStringLiteral("f%1.flt").arg(i));
        QCOMPARE(s.plot()->shownCurves().values.size(), std::size_t(5));
        QCOMPARE(s.messages(), QStringList());
        s.program.prompts().queueFiles(files.mid(5, 4));
        QTest::mouseClick(s.child<QPushButton>("BitBtn1"), Qt::LeftButton);
        QVERIFY(s.settled());
        QCOMPARE(list->count(), 8);
        QCOMPARE(list->item(7)->text(), QStringLiteral("f7.flt"));
        QCOMPARE(s.messages(),
                 QStringList{QStringLiteral("На графике не более 8 кривых; не добавлены: f8.flt")});
        // The eight curves' colours, as the list shows them, lie far apart: CIE 1976
        // colour differences of at least 35 (sRGB, D65) between any two.
        for (int i = 0; i < 8; ++i)
            for (int j = i + 1; j < 8; ++j) {
                const double d = colourDifference(list->item(i)->foreground().color(),
                                                  list->item(j)->foreground().color());
                QVERIFY2(d >= 35, qPrintable(QStringLiteral("%1 %2: %3").arg(i).arg(j).arg(d)));
            }
    }

    // The quantised curve in the arithmetic of the CMSIS-DSP q15 kernel: 1 / (1 - 0.3 z^-1)
    // scaled by its peak 1 / 0.7 has b0 = 0.7 and -a1 = 0.3 in 1.15, 22938 / 32768 and
    // 9830 / 32768, drawn divided by the scale 0.7.
    void offersTheCmsisTargets() {
        Session s;
        const QString pole = s.write("p.flt", "2\r\n0\r\n1 0 0\r\n1 -0.3 0\r\n");
        QVERIFY(s.open());
        QVERIFY(s.form->addFile(pole));
        auto* targets = s.child<QComboBox>("ComboBox2");
        QStringList offered;
        for (int i = 0; i < targets->count(); ++i)
            offered << targets->itemText(i);
        for (const char* name : {"cmsis-q15", "cmsis-q31", "cmsis-f32"})
            QVERIFY2(offered.contains(QString::fromLatin1(name)), name);
        targets->setCurrentIndex(static_cast<int>(offered.indexOf(QStringLiteral("cmsis-q15"))));
        QTest::mouseClick(s.child<QPushButton>("BitBtn5"), Qt::LeftButton);
        QVERIFY(s.settled());
        QCOMPARE(s.child<QListWidget>("ListBox1")->item(1)->text(),
                 QStringLiteral("p.flt (cmsis-q15)"));
        const ChartCurves& c = s.plot()->shownCurves();
        const double b0 = 22938.0 / 32768, a1 = 9830.0 / 32768;
        for (std::size_t k = 0; k < c.frequencies.size(); k += 37) {
            const double w = 2 * pi * c.frequencies[k];
            const double expected =
                20 * std::log10(b0 / std::hypot(1 - a1 * std::cos(w), a1 * std::sin(w)) / 0.7);
            QVERIFY2(std::fabs(c.values[1][k] - expected) < 1e-9,
                     qPrintable(QString::number(c.frequencies[k])));
        }
        QCOMPARE(s.messages(), QStringList());
    }

    // A file that cannot be read is refused with its name, and nothing is added.
    void refusesAnUnreadableFile() {
        Session s;
        QVERIFY(s.open());
        const QString empty = s.write("empty.flt", "0\r\n0\r\n");
        bool thrown = false;
        try {
            s.form->addFile(empty);
        } catch (const std::exception& e) {
            thrown = QString::fromUtf8(e.what()).contains(QStringLiteral("empty.flt"));
        }
        QVERIFY(thrown);
        QCOMPARE(s.child<QListWidget>("ListBox1")->count(), 0);
    }

    // An FIR filter's taps beside a parameter file, both chosen in one dialog that offers
    // both kinds: 0.25 + 0.5 z^-1 + 0.25 z^-2 has |H| = cos^2(pi f), the section its own
    // closed form; a ".fir" file whose count promises more taps than it holds is refused
    // with its name and line, and nothing is added.
    void loadsAnFirFilterBesideAParameterFile() {
        Session s;
        QVERIFY(s.open());
        const QString zp = s.write("zp.flt", zeroPole);
        const QString fir = s.write("h.fir", "3\r\n0.25\r\n0.5\r\n0.25\r\n");
        const QString shortFir = s.write("short.fir", "3\r\n1\r\n2\r\n");
        s.program.prompts().queueFiles({zp, fir});
        QTest::mouseClick(s.child<QPushButton>("BitBtn1"), Qt::LeftButton);
        QVERIFY(s.settled());
        const auto& requests = s.program.prompts().fileRequests;
        QCOMPARE(requests.size(), size_t(1));
        QVERIFY(
            requests[0].request.filter.startsWith(QStringLiteral("Файлы фильтров|*.flt;*.fir|")));
        auto* list = s.child<QListWidget>("ListBox1");
        QCOMPARE(list->count(), 2);
        QCOMPARE(list->item(1)->text(), QStringLiteral("h.fir"));
        const ChartCurves& curves = s.plot()->shownCurves();
        QCOMPARE(curves.values.size(), std::size_t(2));
        std::size_t compared = 0;
        for (std::size_t i = 0; i < curves.frequencies.size(); ++i) {
            const double f = curves.frequencies[i];
            if (f > 0.45)
                continue; // both curves fall towards their zeros at FD/2
            const double firDb = 20 * std::log10(std::pow(std::cos(pi * f), 2));
            QVERIFY2(std::fabs(curves.values[1][i] - firDb) <=
                         1e-12 * std::max(1.0, std::fabs(firDb)),
                     qPrintable(QStringLiteral("%1: %2 against %3")
                                    .arg(f)
                                    .arg(curves.values[1][i])
                                    .arg(firDb)));
            QVERIFY2(std::fabs(curves.values[0][i] - zeroPoleDb(f)) <=
                         1e-12 * std::max(1.0, std::fabs(zeroPoleDb(f))),
                     qPrintable(QStringLiteral("%1").arg(f)));
            ++compared;
        }
        QVERIFY(compared > 100);
        QString refusal;
        try {
            s.form->addFile(shortFir);
        } catch (const std::exception& e) {
            refusal = QString::fromUtf8(e.what());
        }
        QCOMPARE(refusal,
                 QStringLiteral("Файл КИХ-фильтра ") + shortFir +
                     QStringLiteral(", строка 4: заявлено 3 коэффициентов, а в файле их 2"));
        QCOMPARE(list->count(), 2);
    }
};

ZORKAN_UI_TEST(CharacteristicsWindowTest);

} // namespace zorkan::ui::test

#include "characteristicswindow_test.moc"
