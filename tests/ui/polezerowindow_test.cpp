// The pole-zero editor: dragging a root gives the sections of its new place (multiplied
// out here from the roots), undo gives back the file's coefficients to the bit, a pole
// dragged out of the circle shows the filter unstable, Delete, double click, Ctrl+S, a
// notch placed on a recording's peak, and the recording heard through the filter as it
// changes, with the crossfade and the missing sound device.
#include "charts/chart.h"
#include "charts/chartplot_qt.h"
#include "coefficients/filterfile.h"
#include "fixedpoint/implementationwindow.h"
#include "listening/audiooutput.h"
#include "polezero/livelistening_qt.h"
#include "polezero/polezerowindow.h"
#include "tests/core/soundfiles.h"
#include "tests/ui/windowsession.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QStatusBar>
#include <QTableWidget>
#include <QUndoStack>

#include <cmath>
#include <complex>
#include <cstdio>
#include <cstring>
#include <numbers>
#include <vector>

namespace zorkan::ui::test {

namespace {

// 2 (1 - z^-2) / (1 - 0.5 z^-1 + 0.25 z^-2): zeros at 1 and -1, poles 0.5 e^(+-j pi/3).
const char* const pairFile = "2\r\n0\r\n2 0 -2\r\n1 -0.5 0.25\r\n";
// 1 / (1 - 0.5 z^-1): one real pole at 0.5, a double zero at the origin.
const char* const realFile = "2\r\n0\r\n1 0 0\r\n1 -0.5 0\r\n";

using Coefficients = std::array<double, 3>;
struct Expected {
    Coefficients num, den;
};

// (1 - p z^-1)(1 - conj(p) z^-1) for p = r e^(j theta): 1 - 2 r cos(theta) z^-1 + r^2 z^-2.
Coefficients pairFactor(std::complex<double> p) {
    const double r = std::abs(p), theta = std::arg(p);
    return {1, -2 * r * std::cos(theta), r * r};
}

QString sectionsText(const std::vector<SecondOrderSection>& s) {
    QString t;
    for (const SecondOrderSection& x : s)
        t += QString::asprintf("[%.17g %.17g %.17g / %.17g %.17g %.17g] ", x.num[0], x.num[1],
                               x.num[2], x.den[0], x.den[1], x.den[2]);
    return t;
}

// Equal to the last bit.
bool sameSections(const std::vector<SecondOrderSection>& got, const std::vector<Expected>& want) {
    if (got.size() != want.size())
        return false;
    for (std::size_t k = 0; k < got.size(); ++k)
        for (int i = 0; i < 3; ++i)
            if (got[k].num[i] != want[k].num[i] || got[k].den[i] != want[k].den[i])
                return false;
    return true;
}

#define COMPARE_SECTIONS(got, ...)                                                                 \
    QVERIFY2(sameSections(got, __VA_ARGS__), qPrintable(sectionsText(got)))

struct FakeLog {
    QIODevice* source = nullptr;
    AudioStart answer = AudioStart::Started;
    int starts = 0;
    double ahead = 0;
};

class FakeOutput : public AudioOutput {
  public:
    explicit FakeOutput(FakeLog& log) : log_(log) {}
    AudioStart start(QIODevice* source, int, int) override {
        ++log_.starts;
        if (log_.answer == AudioStart::Started)
            log_.source = source;
        return log_.answer;
    }
    void setAhead(double seconds) override { log_.ahead = seconds; }
    void suspend() override {}
    void resume() override {}
    void stop() override { log_.source = nullptr; }

  private:
    FakeLog& log_;
};

struct Session : WindowSession<PoleZeroWindow> {
    Session() : WindowSession("PoleZeroEditor") {}
    QString write(const char* name, const char* bytes) {
        const QString path = program.path(QString::fromLatin1(name));
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return path;
    }
    PoleZeroWindow* openWith(const char* bytes) {
        if (!open())
            return nullptr;
        form->openFile(write("f.flt", bytes));
        return form;
    }
    QPoint pixel(std::complex<double> z) { return form->plane()->pointOf(z).toPoint(); }
    void drag(QPoint from, QPoint to, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        ZPlaneView* plane = form->plane();
        QTest::mousePress(plane, Qt::LeftButton, modifiers, from);
        // Through a point between, as a hand moves, the keys held all the way.
        for (const QPoint at : {(from + to) / 2, to}) {
            QMouseEvent move(QEvent::MouseMove, at, plane->mapToGlobal(at), Qt::NoButton,
                             Qt::LeftButton, modifiers);
            QApplication::sendEvent(plane, &move);
        }
        QTest::mouseRelease(plane, Qt::LeftButton, modifiers, to);
    }
    void key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(form->plane(), static_cast<Qt::Key>(key), modifiers);
    }
};

const std::complex<double> filePole = std::polar(0.5, std::numbers::pi / 3);

} // namespace

class PoleZeroWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        log_ = FakeLog{};
        setAudioOutputFactory([this] { return std::make_unique<FakeOutput>(log_); });
    }
    void cleanup() { setAudioOutputFactory({}); }

    void menuItemOpensTheWindow() {
        Session s;
        QAction* item = menuItem(s.program, "MenuCalc", "PoleZeroEditor");
        QVERIFY(item && !item->statusTip().isEmpty());
        QVERIFY(s.open());
        QCOMPARE(s.form->windowTitle(), QStringLiteral("Редактор нулей и полюсов"));
        QVERIFY(s.form->model().roots(RootSet::Poles).empty());
    }

    // Each row drags the file's pole pair to another place (inside and outside the
    // circle, across the axis to the lower half); undo restores the file exactly and
    // redo the drag.
    void dragGivesTheTargetSections_data() {
        QTest::addColumn<double>("radius");
        QTest::addColumn<double>("angle");
        QTest::newRow("inside") << 0.8 << 1.9;
        QTest::newRow("near the axis") << 0.3 << 0.2;
        QTest::newRow("lower half") << 0.7 << -2.5;
        QTest::newRow("outside") << 1.15 << 0.9;
    }
    void dragGivesTheTargetSections() {
        QFETCH(double, radius);
        QFETCH(double, angle);
        Session s;
        QVERIFY(s.openWith(pairFile));
        const std::vector<Expected> file{{{2, 0, -2}, {1, -0.5, 0.25}}};
        COMPARE_SECTIONS(s.form->sections(), file);
        const QPoint to = s.pixel(std::polar(radius, angle));
        s.drag(s.pixel(filePole), to);
        // The pair is its member above the axis; the factor is the same for both.
        const std::complex<double> target = s.form->plane()->planeAt(to);
        const std::vector<Expected> moved{{{2, 0, -2}, pairFactor(target)}};
        COMPARE_SECTIONS(s.form->sections(), moved);
        QCOMPARE(s.form->undoStack()->count(), 1);
        const bool outside = radius > 1;
        auto* label = s.child<QLabel>("unstableLabel");
        QCOMPARE(label->isVisibleTo(s.form), outside);
        QCOMPARE(label->text(), QStringLiteral("Фильтр неустойчив"));
        const Rgb red{220, 0, 0};
        for (const char* chart : {"magnitudeChart", "phaseChart", "delayChart"})
            QCOMPARE(s.child<ChartPicture>(chart)->chart().curves.back().color == red, outside);

        s.key(Qt::Key_Z, Qt::ControlModifier);
        COMPARE_SECTIONS(s.form->sections(), file);
        QVERIFY(!label->isVisibleTo(s.form));
        s.key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        COMPARE_SECTIONS(s.form->sections(), moved);
    }

    // The curves drawn while and after the file's pole pair is dragged are those of
    // 2 (1 - z^-2) / (1 - 2 r cos(a) z^-1 + r^2 z^-2) at the pair's new place r e^(j a),
    // written out here; hairlines while the pointer moves, the full pen after release.
    void curvesFollowTheDrag_data() {
        QTest::addColumn<double>("radius");
        QTest::addColumn<double>("angle");
        QTest::newRow("inside") << 0.8 << 1.9;
        QTest::newRow("near the circle") << 0.97 << 0.7;
        QTest::newRow("outside") << 1.1 << 2.4;
    }
    void curvesFollowTheDrag() {
        QFETCH(double, radius);
        QFETCH(double, angle);
        Session s;
        QVERIFY(s.openWith(pairFile));
        const QPoint to = s.pixel(std::polar(radius, angle));
        ZPlaneView* plane = s.form->plane();
        QTest::mousePress(plane, Qt::LeftButton, Qt::NoModifier, s.pixel(filePole));
        QMouseEvent move(QEvent::MouseMove, to, plane->mapToGlobal(to), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(plane, &move);
        const char* const charts[] = {"magnitudeChart", "phaseChart", "delayChart"};
        for (const char* chart : charts)
            QCOMPARE(s.child<ChartPicture>(chart)->chart().curveWidth, 1.0);
        QTest::mouseRelease(plane, Qt::LeftButton, Qt::NoModifier, to);
        for (const char* chart : charts)
            QCOMPARE(s.child<ChartPicture>(chart)->chart().curveWidth, 1.5);

        const std::complex<double> p = plane->planeAt(to);
        const double r = std::abs(p), a = std::arg(p);
        const double fd = s.child<QLineEdit>("fdEdit")->text().toDouble();
        const ChartCurve magnitude = s.child<ChartPicture>(charts[0])->chart().curves.back();
        const ChartCurve phase = s.child<ChartPicture>(charts[1])->chart().curves.back();
        const ChartCurve delay = s.child<ChartPicture>(charts[2])->chart().curves.back();
        QCOMPARE(magnitude.x.size(), std::size_t{4000});
        QCOMPARE(phase.y.size(), magnitude.x.size());
        QCOMPARE(delay.y.size(), magnitude.x.size());
        // The ends are the zeros at 1 and -1.
        for (std::size_t i = 1; i + 1 < magnitude.x.size(); ++i) {
            const double w = 2 * std::numbers::pi * magnitude.x[i] / fd;
            const std::complex<double> e = std::polar(1.0, -w);
            const std::complex<double> h =
                2.0 * (1.0 - e * e) / (1.0 - 2 * r * std::cos(a) * e + r * r * e * e);
            double tau = 1; // the zeros at 1 and -1
            for (const double root : {a, -a})
                tau -= (r * r - r * std::cos(w - root)) / (1 - 2 * r * std::cos(w - root) + r * r);
            const QString at = QStringLiteral(" at f = %1").arg(magnitude.x[i], 0, 'g', 17);
            QVERIFY2(std::fabs(magnitude.y[i] - 20 * std::log10(std::abs(h))) < 1e-9,
                     qPrintable("|H|" + at));
            QVERIFY2(std::fabs(std::remainder(phase.y[i] - std::arg(h), 2 * std::numbers::pi)) <
                         1e-9,
                     qPrintable("arg H" + at));
            QVERIFY2(std::fabs(delay.y[i] - tau) < 1e-9 * std::max(1.0, std::fabs(tau)),
                     qPrintable("group delay" + at));
        }
    }

    // A real pole follows the pointer along the axis; with Shift it becomes a pair.
    void realPoleStaysOnTheAxis_data() {
        QTest::addColumn<bool>("shift");
        QTest::newRow("plain") << false;
        QTest::newRow("Shift") << true;
    }
    void realPoleStaysOnTheAxis() {
        QFETCH(bool, shift);
        Session s;
        QVERIFY(s.openWith(realFile));
        const QPoint to = s.pixel({0.7, 0.4});
        s.drag(s.pixel(0.5), to, shift ? Qt::ShiftModifier : Qt::NoModifier);
        const std::complex<double> target = s.form->plane()->planeAt(to);
        const auto& poles = s.form->model().roots(RootSet::Poles);
        QCOMPARE(poles.size(), std::size_t(1));
        QCOMPARE(poles[0].pair(), shift);
        // The double zero at the origin stays: a numerator of 1.
        const std::vector<Expected> want{
            {{1, 0, 0}, shift ? pairFactor(target) : Coefficients{1, -target.real(), 0}}};
        COMPARE_SECTIONS(s.form->sections(), want);
    }

    void deleteAndDoubleClick() {
        Session s;
        QVERIFY(s.openWith(pairFile));
        QTest::mouseClick(s.form->plane(), Qt::LeftButton, Qt::NoModifier, s.pixel(filePole));
        s.key(Qt::Key_Delete);
        QVERIFY(s.form->model().roots(RootSet::Poles).empty());
        const std::vector<Expected> zerosOnly{{{2, 0, -2}, {1, 0, 0}}};
        COMPARE_SECTIONS(s.form->sections(), zerosOnly);
        const QPoint at = s.pixel(std::polar(0.6, 2.2));
        QTest::mouseDClick(s.form->plane(), Qt::LeftButton, Qt::NoModifier, at);
        const std::complex<double> added = s.form->plane()->planeAt(at);
        QCOMPARE(s.form->model().roots(RootSet::Poles).size(), std::size_t(1));
        const std::vector<Expected> withPair{{{2, 0, -2}, pairFactor(added)}};
        COMPARE_SECTIONS(s.form->sections(), withPair);
        // Two steps back is the file again.
        QCOMPARE(s.form->undoStack()->count(), 2);
        s.key(Qt::Key_Z, Qt::ControlModifier);
        COMPARE_SECTIONS(s.form->sections(), zerosOnly);
        s.key(Qt::Key_Z, Qt::ControlModifier);
        COMPARE_SECTIONS(s.form->sections(),
                         (std::vector<Expected>{{{2, 0, -2}, {1, -0.5, 0.25}}}));
    }

    // An edited cell of the table changes its root: the frequency in the unit of FD
    // (here 1: 0.125 is pi/4 exactly), an angle of 0 makes the pair a double real root.
    void tableEditsTheRoot_data() {
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("radius");
        QTest::addColumn<double>("angle");
        QTest::addColumn<int>("multiplicity");
        QTest::newRow("radius") << 1 << "0.7" << 0.7 << -1.0 << 1;
        QTest::newRow("angle") << 2 << "1.25" << 0.5 << 1.25 << 1;
        QTest::newRow("frequency") << 3 << "0.125" << 0.5 << std::numbers::pi / 4 << 1;
        QTest::newRow("on the axis") << 2 << "0" << 0.5 << 0.0 << 2;
        QTest::newRow("multiplicity") << 4 << "3" << 0.5 << -1.0 << 3;
    }
    void tableEditsTheRoot() {
        QFETCH(int, column);
        QFETCH(QString, text);
        QFETCH(double, radius);
        QFETCH(double, angle);
        QFETCH(int, multiplicity);
        Session s;
        QVERIFY(s.openWith(pairFile));
        const SectionRoot before = s.form->model().roots(RootSet::Poles)[0];
        auto* table = s.child<QTableWidget>("rootTable");
        // The poles come first.
        QCOMPARE(table->item(0, 0)->text(), QStringLiteral("пара полюсов"));
        table->item(0, column)->setText(text);
        const SectionRoot after = s.form->model().roots(RootSet::Poles)[0];
        // -1: the angle as it was.
        QVERIFY2(after.angle == (angle < 0 ? before.angle : angle),
                 qPrintable(QString::number(after.angle, 'g', 17)));
        QVERIFY(after.radius == (column == 1 ? radius : before.radius));
        QCOMPARE(after.multiplicity, multiplicity);
        QCOMPARE(s.form->undoStack()->count(), 1);
        QCOMPARE(s.form->sections().size(), std::size_t(multiplicity == 3 ? 3 : 1));
    }

    // The arrows move the selected pair by the step the status bar names.
    void arrowsNudgeBySteps() {
        Session s;
        QVERIFY(s.openWith(realFile));
        QTest::mouseClick(s.form->plane(), Qt::LeftButton, Qt::NoModifier, s.pixel(0.5));
        const double before = s.form->model().roots(RootSet::Poles)[0].radius;
        s.key(Qt::Key_Right);
        s.key(Qt::Key_Right);
        s.key(Qt::Key_Up); // a real pole stays on the axis
        QCOMPARE(s.form->model().roots(RootSet::Poles)[0].radius,
                 before + PoleZeroWindow::nudgeStep + PoleZeroWindow::nudgeStep);
        QVERIFY(!s.form->model().roots(RootSet::Poles)[0].pair());
        QVERIFY(
            s.child<QStatusBar>("statusBar")->currentMessage().contains(QStringLiteral("0.01")));
    }

    // Ctrl+S writes the opened file; a new filter asks for its name first.
    void ctrlSSaves() {
        Session s;
        QVERIFY(s.openWith(pairFile));
        const QString path = s.program.path(QStringLiteral("f.flt"));
        const QPoint to = s.pixel(std::polar(0.9, 0.4));
        s.drag(s.pixel(filePole), to);
        s.key(Qt::Key_S, Qt::ControlModifier);
        QVERIFY(s.program.prompts().fileRequests.empty());
        const FilterCoefficients saved = readAnalysedFilter(path.toStdString());
        const Coefficients den = pairFactor(s.form->plane()->planeAt(to));
        // The file holds 15 significant digits.
        const auto written = [](double v) {
            char text[40];
            std::snprintf(text, sizeof text, "%.14E", v);
            return std::strtod(text, nullptr);
        };
        QCOMPARE(saved.sections.size(), std::size_t(1));
        for (int i = 0; i < 3; ++i) {
            QVERIFY(saved.sections[0].a[i] == (Coefficients{2, 0, -2})[i]);
            QVERIFY2(saved.sections[0].b[i] == written(den[i]), qPrintable(QString::number(i)));
        }
        QVERIFY(s.form->undoStack()->isClean());
    }
    void ctrlSAsksForANewFilesName() {
        Session s;
        QVERIFY(s.open());
        const QString fresh = s.program.path(QStringLiteral("new.flt"));
        s.program.prompts().queueFile(fresh);
        s.key(Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(s.program.prompts().fileRequests.size(), std::size_t(1));
        QCOMPARE(s.program.prompts().fileRequests[0].request.proposedName, QStringLiteral("1.flt"));
        // No roots and |H| = 1 at the peak: H = 1.
        const FilterCoefficients empty = readAnalysedFilter(fresh.toStdString());
        QCOMPARE(empty.sections.size(), std::size_t(1));
        for (int i = 0; i < 3; ++i)
            QVERIFY(empty.sections[0].a[i] == (i == 0) && empty.sections[0].b[i] == (i == 0));
        QCOMPARE(s.form->fileName(), fresh);
    }
    // A new pair at |H| = 1 on the peak (the rule of an empty window) dragged to r e^(j a):
    // 1 / ((1 - p z^-1)(1 - conj(p) z^-1)) peaks at 1 / ((1 - r^2) sin a) where
    // cos w = (1 + r^2) cos(a) / (2 r) lies within the band, so the gain is (1 - r^2) sin a,
    // while the pointer moves (the peak taken from the curve), after release (the full
    // search) and in the file Ctrl+S writes.
    void dragNormalisesTheGainAtThePeak_data() {
        QTest::addColumn<double>("radius");
        QTest::addColumn<double>("angle");
        QTest::newRow("broad") << 0.6 << 1.2;
        QTest::newRow("inside") << 0.8 << 1.9;
        QTest::newRow("near the circle") << 0.97 << 0.7;
    }
    void dragNormalisesTheGainAtThePeak() {
        QFETCH(double, radius);
        QFETCH(double, angle);
        Session s;
        QVERIFY(s.open());
        const QPoint from = s.pixel(std::polar(0.5, 2.5));
        QTest::mouseDClick(s.form->plane(), Qt::LeftButton, Qt::NoModifier, from);
        QCOMPARE(s.form->model().roots(RootSet::Poles).size(), std::size_t(1));
        const QPoint to = s.pixel(std::polar(radius, angle));
        ZPlaneView* plane = s.form->plane();
        QTest::mousePress(plane, Qt::LeftButton, Qt::NoModifier, from);
        QMouseEvent move(QEvent::MouseMove, to, plane->mapToGlobal(to), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(plane, &move);
        // The pair where the model holds it, and its gain in extended precision.
        const SectionRoot pole = s.form->model().roots(RootSet::Poles)[0];
        const long double r = pole.radius;
        const double gain =
            static_cast<double>((1 - r * r) * std::sin(static_cast<long double>(pole.angle)));
        const double fd = s.child<QLineEdit>("fdEdit")->text().toDouble();
        const auto checkMagnitude = [&](const char* when) {
            const ChartCurve magnitude =
                s.child<ChartPicture>("magnitudeChart")->chart().curves.back();
            QCOMPARE(magnitude.x.size(), std::size_t{4000});
            for (std::size_t i = 0; i < magnitude.x.size(); ++i) {
                const std::complex<double> e =
                    std::polar(1.0, -2 * std::numbers::pi * magnitude.x[i] / fd);
                const std::complex<double> p = std::polar(pole.radius, pole.angle);
                const double h = gain / std::abs((1.0 - p * e) * (1.0 - std::conj(p) * e));
                QVERIFY2(std::fabs(magnitude.y[i] - 20 * std::log10(h)) < 1e-12,
                         qPrintable(QStringLiteral("%1 at f = %2").arg(when).arg(magnitude.x[i])));
            }
        };
        checkMagnitude("while dragged");
        QTest::mouseRelease(plane, Qt::LeftButton, Qt::NoModifier, to);
        checkMagnitude("released");

        const QString path = s.program.path(QStringLiteral("peak.flt"));
        s.program.prompts().queueFile(path);
        s.key(Qt::Key_S, Qt::ControlModifier);
        const FilterCoefficients saved = readAnalysedFilter(path.toStdString());
        QCOMPARE(saved.sections.size(), std::size_t(1));
        // The file holds 15 significant digits.
        char text[40];
        std::snprintf(text, sizeof text, "%.14E", gain);
        QCOMPARE(saved.sections[0].a[0], std::strtod(text, nullptr));
        QCOMPARE(saved.sections[0].a[1], 0.0);
        QCOMPARE(saved.sections[0].a[2], 0.0);
    }

    // A step of a drag rewrites only the dragged root's row, cell by cell, and only the
    // cells whose shown digits change; a hidden table is left alone and filled when shown.
    void aDragStepRewritesOnlyItsRow_data() {
        QTest::addColumn<bool>("hidden");
        QTest::addColumn<double>("step");
        QTest::addColumn<bool>("rewritten");
        QTest::newRow("a step") << false << 0.05 << true;
        QTest::newRow("below the shown digits") << false << 1e-15 << false;
        QTest::newRow("hidden table") << true << 0.05 << false;
    }
    void aDragStepRewritesOnlyItsRow() {
        QFETCH(bool, hidden);
        QFETCH(double, step);
        QFETCH(bool, rewritten);
        Session s;
        QVERIFY(s.openWith(pairFile));
        s.child<QComboBox>("gridTarget")->setCurrentIndex(2);
        auto* table = s.child<QTableWidget>("rootTable");
        // The pole pair first, the zeros at 1 and -1 after it.
        QCOMPARE(table->rowCount(), 3);
        ZPlaneView* plane = s.form->plane();
        plane->setSelection(RootRef{RootSet::Poles, 0});
        plane->onPick(RootRef{RootSet::Poles, 0});
        plane->onDrag(std::polar(0.75, 1.25), false);
        QCOMPARE(table->item(0, 1)->text(), QStringLiteral("0.75"));
        QCOMPARE(table->item(0, 2)->text(), QStringLiteral("1.25"));
        if (hidden)
            table->hide();
        QList<int> rows;
        int resets = 0;
        connect(table->model(), &QAbstractItemModel::dataChanged, table,
                [&](const QModelIndex& first, const QModelIndex& last) {
                    for (int row = first.row(); row <= last.row(); ++row)
                        rows << row;
                });
        const auto count = [&resets] { ++resets; };
        connect(table->model(), &QAbstractItemModel::modelReset, table, count);
        connect(table->model(), &QAbstractItemModel::layoutChanged, table, count);
        connect(table->model(), &QAbstractItemModel::rowsRemoved, table, count);
        connect(table->model(), &QAbstractItemModel::rowsInserted, table, count);
        plane->onDrag(std::polar(0.75 + step, 1.25), false);
        QCOMPARE(resets, 0);
        QCOMPARE(!rows.isEmpty(), rewritten);
        for (const int row : rows)
            QCOMPARE(row, 0);
        if (rewritten)
            QCOMPARE(table->item(0, 1)->text(), QStringLiteral("0.8"));
        if (hidden) {
            table->show();
            QCOMPARE(table->item(0, 1)->text(), QStringLiteral("0.8"));
            QCOMPARE(table->item(0, 2)->text(), QStringLiteral("1.25"));
        }
        plane->onDragEnd();
        QCOMPARE(s.form->undoStack()->count(), 1);
    }

    // Flat curves (no roots, or a fixed gain alone) are drawn one unit of their axis either
    // side of their value: 20 log10 |g| dB, 0 or pi radians, 0 samples.
    void flatCurvesSpanAUnitEitherSide_data() {
        QTest::addColumn<QString>("gain");
        QTest::addColumn<double>("decibels");
        QTest::addColumn<double>("phase");
        QTest::newRow("empty") << QString() << 0.0 << 0.0;
        QTest::newRow("gain 10") << "10" << 20.0 << 0.0;
        QTest::newRow("gain -1") << "-1" << 0.0 << std::numbers::pi;
    }
    void flatCurvesSpanAUnitEitherSide() {
        QFETCH(QString, gain);
        QFETCH(double, decibels);
        QFETCH(double, phase);
        Session s;
        QVERIFY(s.open());
        if (!gain.isEmpty()) {
            s.child<QComboBox>("gainKind")->setCurrentIndex(static_cast<int>(GainKind::Fixed));
            auto* value = s.child<QLineEdit>("gainValue");
            value->setText(gain);
            QMetaObject::invokeMethod(value, "editingFinished");
        }
        const std::pair<const char*, double> charts[] = {
            {"magnitudeChart", decibels}, {"phaseChart", phase}, {"delayChart", 0.0}};
        for (const auto& [name, value] : charts) {
            const Chart& chart = s.child<ChartPicture>(name)->chart();
            QCOMPARE(chart.curves.back().y.front(), value);
            QCOMPARE(chart.yAxis.low, value - 1);
            QCOMPARE(chart.yAxis.high, value + 1);
        }
    }

    // "Реализация..." saves the edited filter first and opens the implementation window
    // with that file, computed.
    void implementationOpensWithTheEditedFile() {
        Session s;
        QVERIFY(s.openWith(pairFile));
        const QString path = s.program.path(QStringLiteral("f.flt"));
        const QPoint to = s.pixel(std::polar(0.9, 0.4));
        s.drag(s.pixel(filePole), to);
        const double radius = std::abs(s.form->plane()->planeAt(to));
        QVERIFY(!s.form->undoStack()->isClean());
        QTest::mouseClick(s.form->findChild<QPushButton*>(QStringLiteral("implementationButton")),
                          Qt::LeftButton);
        QVERIFY(s.form->undoStack()->isClean());
        auto* implementation = s.program.main().findChild<ImplementationWindow*>();
        QVERIFY(implementation);
        QCOMPARE(implementation->findChild<QLineEdit*>(QStringLiteral("Edit1"))->text(), path);
        // The saved pole pair at radius 0.9: the window's figures name the file's section.
        QTRY_VERIFY_WITH_TIMEOUT(implementation->figures().has_value(), 30000);
        QCOMPARE(implementation->figures()->sections, std::size_t(1));
        // q15 keeps the pole within a few 2^-14 steps of the dragged one.
        QVERIFY(std::abs(implementation->figures()->maxPoleRadius - radius) < 1e-3);
    }

    // 1000 Hz at 8000 Hz sits on bin 512 of a 4096-point segment: a Ctrl-click a little
    // beside it puts the zeros on the circle at pi/4 and the poles at the radius asked.
    void ctrlClickPlacesANotchOnThePeak() {
        Session s;
        QVERIFY(s.open());
        const int rate = 8000;
        std::vector<int> samples;
        for (int n = 0; n < 4 * rate; ++n)
            samples.push_back(static_cast<int>(
                65536 * std::lround(8000 * std::sin(2 * std::numbers::pi * 1000 * n / rate))));
        const QString wav = s.program.path(QStringLiteral("tone.wav"));
        QVERIFY(testing::writeSound(wav.toStdString(), SF_FORMAT_WAV | SF_FORMAT_PCM_16, rate, 1,
                                    samples));
        s.program.prompts().queueFile(wav);
        QTest::mouseClick(s.child<QPushButton>("recordingButton"), Qt::LeftButton);
        QCOMPARE(s.messages(), QStringList());
        QCOMPARE(s.child<QLineEdit>("fdEdit")->text(), QStringLiteral("8000"));
        s.child<QLineEdit>("notchRadius")->setText(QStringLiteral("0.9"));
        auto* chart = s.child<ChartPicture>("magnitudeChart");
        const Chart shown = chart->chart();
        // Behind the magnitude: the spectrum, its peak at 0 dB at 1000 Hz.
        QCOMPARE(shown.curves.size(), std::size_t(2));
        QCOMPARE(shown.curves[0].x[512], 1000.0);
        QCOMPARE(shown.curves[0].y[512], 0.0);
        const ChartRect r = plotArea(shown.width, shown.height);
        const double x = axisPosition(shown.xAxis, 1030, r.x, r.width, false);
        QTest::mouseClick(chart, Qt::LeftButton, Qt::ControlModifier,
                          QPoint(static_cast<int>(x), static_cast<int>(r.y + r.height / 2)));
        const auto& zeros = s.form->model().roots(RootSet::Zeros);
        const auto& poles = s.form->model().roots(RootSet::Poles);
        QCOMPARE(zeros.size(), std::size_t(1));
        QCOMPARE(poles.size(), std::size_t(1));
        QVERIFY(zeros[0].radius == 1);
        QVERIFY(poles[0].radius == 0.9);
        for (const SectionRoot& root : {zeros[0], poles[0]})
            QVERIFY2(std::abs(root.angle - std::numbers::pi / 4) <= 2e-16,
                     qPrintable(QString::number(root.angle, 'g', 17)));
        QCOMPARE(s.form->undoStack()->count(), 1);
    }

    // The recording plays through the filter: g = 1/2 halves every sample exactly; a new
    // gain of 1/4 is heard from the next read, through a crossfade of 10 ms (80 frames),
    // then exactly.
    void listeningFollowsTheFilter() {
        Session s;
        QVERIFY(s.open());
        const int rate = 8000;
        std::vector<int> samples;
        // Multiples of 4 in 16 bits, so that a half and a quarter are exact.
        for (int n = 0; n < rate; ++n)
            samples.push_back(65536 * 4 * ((n * 37) % 2000 - 1000));
        const QString wav = s.program.path(QStringLiteral("song.wav"));
        QVERIFY(testing::writeSound(wav.toStdString(), SF_FORMAT_WAV | SF_FORMAT_PCM_16, rate, 1,
                                    samples));
        s.program.prompts().queueFile(wav);
        QTest::mouseClick(s.child<QPushButton>("recordingButton"), Qt::LeftButton);
        auto* kind = s.child<QComboBox>("gainKind");
        auto* value = s.child<QLineEdit>("gainValue");
        kind->setCurrentIndex(static_cast<int>(GainKind::Fixed));
        value->setText(QStringLiteral("0.5"));
        QMetaObject::invokeMethod(value, "editingFinished");
        auto* listen = s.child<QPushButton>("listenButton");
        QVERIFY(listen->isEnabled());
        QTest::mouseClick(listen, Qt::LeftButton);
        QVERIFY(s.form->listening());
        QCOMPARE(log_.ahead, liveAheadSeconds);
        QVERIFY(log_.source);
        const auto pull = [this](int frames) {
            const QByteArray bytes = log_.source->read(frames * 2);
            std::vector<short> out(static_cast<std::size_t>(bytes.size() / 2));
            std::memcpy(out.data(), bytes.constData(), bytes.size());
            return out;
        };
        const auto input = [&](int n) { return 4 * ((n * 37) % 2000 - 1000); };
        const std::vector<short> half = pull(400);
        QCOMPARE(half.size(), std::size_t(400));
        for (int n = 0; n < 400; ++n)
            QCOMPARE(int(half[n]), input(n) / 2);
        value->setText(QStringLiteral("0.25"));
        QMetaObject::invokeMethod(value, "editingFinished");
        const std::vector<short> after = pull(400);
        // Inside the fade the sound lies between the two filters' outputs.
        for (int n = 0; n < 79; ++n) {
            const int a = input(400 + n) / 2, b = input(400 + n) / 4;
            QVERIFY2(after[n] >= std::min(a, b) && after[n] <= std::max(a, b),
                     qPrintable(QString::number(n)));
        }
        for (int n = 79; n < 400; ++n)
            QCOMPARE(int(after[n]), input(400 + n) / 4);
        QTest::mouseClick(listen, Qt::LeftButton);
        QVERIFY(!s.form->listening());
    }

    // Without a sound device the window says so once and goes on editing.
    void noDeviceIsSaidOnce() {
        Session s;
        QVERIFY(s.open());
        std::vector<int> samples(8000, 0);
        const QString wav = s.program.path(QStringLiteral("quiet.wav"));
        QVERIFY(testing::writeSound(wav.toStdString(), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 8000, 1,
                                    samples));
        s.program.prompts().queueFile(wav);
        QTest::mouseClick(s.child<QPushButton>("recordingButton"), Qt::LeftButton);
        log_.answer = AudioStart::NoDevice;
        auto* listen = s.child<QPushButton>("listenButton");
        QTest::mouseClick(listen, Qt::LeftButton);
        QCOMPARE(s.messages(), QStringList{QStringLiteral(
                                   "Нет устройства вывода звука: прослушивание невозможно")});
        QVERIFY(!listen->isEnabled() && !listen->isChecked() && !s.form->listening());
        QTest::mouseClick(listen, Qt::LeftButton);
        // The same recording again does not offer the sound either.
        s.program.prompts().queueFile(wav);
        QTest::mouseClick(s.child<QPushButton>("recordingButton"), Qt::LeftButton);
        QVERIFY(!listen->isEnabled());
        QCOMPARE(s.messages().size(), 1);
        QCOMPARE(log_.starts, 1);
        // Editing goes on.
        QTest::mouseDClick(s.form->plane(), Qt::LeftButton, Qt::NoModifier, s.pixel({0.2, 0.5}));
        QCOMPARE(s.form->model().roots(RootSet::Poles).size(), std::size_t(1));
    }

  private:
    FakeLog log_;
};

ZORKAN_UI_TEST(PoleZeroWindowTest);

} // namespace zorkan::ui::test

#include "polezerowindow_test.moc"
