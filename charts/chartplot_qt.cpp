#include "charts/chartplot_qt.h"

#include "analysis/analysisrun.h"
#include "charts/chartpictures.h"
#include "common/errors.h"
#include "common/replacefile.h"
#include "ui/windownumbers.h"

#include <QBuffer>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPageSize>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <QThread>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <exception>
#include <numbers>
#include <optional>

namespace zorkan::ui {

namespace {

// The readout and the markers: eight significant digits, finer than a pixel of any zoom.
constexpr int readoutDigits = 8;

QColor color(Rgb c) {
    return QColor(c.r, c.g, c.b);
}

class QtChartPainter : public ChartPainter {
  public:
    explicit QtChartPainter(QPainter& painter) : p_(painter) {
        p_.setRenderHint(QPainter::Antialiasing, false);
    }

    void fillRect(const ChartRect& r, Rgb c) override {
        p_.fillRect(QRectF(r.x, r.y, r.width, r.height), color(c));
    }
    void line(double x0, double y0, double x1, double y1, Rgb c, double width) override {
        p_.setPen(QPen(color(c), width));
        p_.drawLine(QLineF(x0, y0, x1, y1));
    }
    void curve(const std::string&, const std::vector<std::vector<double>>& runs, Rgb c,
               double width) override {
        p_.save();
        p_.setRenderHint(QPainter::Antialiasing, true);
        QPen pen(color(c), width);
        pen.setJoinStyle(Qt::RoundJoin);
        p_.setPen(pen);
        // Pieces of a few hundred points, sharing their ends: the raster engine strokes
        // short polylines much faster than one long path.
        constexpr std::size_t piece = 256;
        QPolygonF polygon;
        polygon.reserve(static_cast<qsizetype>(piece + 1));
        for (const std::vector<double>& run : runs) {
            const std::size_t n = run.size() / 2;
            for (std::size_t start = 0; start + 1 < n || (start == 0 && n == 1); start += piece) {
                polygon.clear();
                for (std::size_t i = start; i < n && i <= start + piece; ++i)
                    polygon.append(QPointF(run[2 * i], run[2 * i + 1]));
                p_.drawPolyline(polygon);
            }
        }
        p_.restore();
    }
    void text(double x, double y, const std::string& text, double size, TextAlign align,
              Rgb c) override {
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(static_cast<int>(std::lround(size)));
        p_.setFont(font);
        p_.setPen(color(c));
        const QString s = QString::fromStdString(text);
        const double w = QFontMetricsF(font, p_.device()).horizontalAdvance(s);
        const double left = align == TextAlign::Left     ? x
                            : align == TextAlign::Center ? x - w / 2
                                                         : x - w;
        p_.drawText(QPointF(left, y), s);
    }

    double measure(const std::string& text, double size) const override {
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(static_cast<int>(std::lround(size)));
        return QFontMetricsF(font, p_.device()).horizontalAdvance(QString::fromStdString(text));
    }

  private:
    QPainter& p_;
};

double coordinate(const AxisRange& r, double v) {
    return r.logarithmic ? std::log10(v) : v;
}
double fromCoordinate(const AxisRange& r, double c) {
    return r.logarithmic ? std::pow(10.0, c) : c;
}

AxisRange scaled(const AxisRange& r, double at, double factor) {
    const double c = coordinate(r, at), lo = coordinate(r, r.low), hi = coordinate(r, r.high);
    AxisRange out = r;
    out.low = fromCoordinate(r, c - (c - lo) * factor);
    out.high = fromCoordinate(r, c + (hi - c) * factor);
    return out;
}

AxisRange shifted(const AxisRange& r, double fraction) {
    const double lo = coordinate(r, r.low), hi = coordinate(r, r.high);
    const double d = (hi - lo) * fraction;
    AxisRange out = r;
    out.low = fromCoordinate(r, lo + d);
    out.high = fromCoordinate(r, hi + d);
    return out;
}

QString number(double v) {
    if (std::isnan(v))
        return QStringLiteral("—");
    if (std::isinf(v))
        return v > 0 ? QStringLiteral("∞") : QStringLiteral("-∞");
    return showGeneral(v, readoutDigits);
}

} // namespace

void paintChart(const Chart& chart, QPainter& painter) {
    QtChartPainter adapter(painter);
    drawChart(chart, adapter);
}

QImage chartImage(const Chart& chart) {
    QImage image(chart.width, chart.height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    paintChart(chart, painter);
    return image;
}

const char* const chartPictureFilter =
    "Рисунок PNG (*.png)|*.png|Рисунок SVG (*.svg)|*.svg|Документ PDF (*.pdf)|*.pdf";

namespace {

QByteArray pngOf(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QByteArray pdfOf(const Chart& chart, const QString& title) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(72); // one unit of the chart is one point
        writer.setPageSize(QPageSize(QSizeF(chart.width, chart.height), QPageSize::Point));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setTitle(title);
        writer.setCreator(QStringLiteral("ZORKAN"));
        QPainter painter(&writer);
        paintChart(chart, painter);
    }
    return bytes;
}

} // namespace

void saveChartPictureAs(const Chart& chart, const QString& path, const QString& title) {
    PictureFormat format;
    const std::string name = path.toStdString();
    if (!pictureFormatOf(name, format))
        throw UserMessage("Рисунок " + name + ": укажите имя с расширением .png, .svg или .pdf");
    try {
        if (format == PictureFormat::Svg) {
            writeFileSafely(name, chartSvg(chart));
        } else {
            const QByteArray bytes =
                format == PictureFormat::Png ? pngOf(chartImage(chart)) : pdfOf(chart, title);
            writeFileSafely(
                name, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
        }
    } catch (const Error&) {
        rethrowWithPrefix("Рисунок " + name + ": ");
    }
}

ChartPicture::ChartPicture(QWidget* parent) : QWidget(parent) {
    setMinimumSize(300, 200);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void ChartPicture::setChart(Chart chart) {
    chart_ = std::move(chart);
    update();
}

Chart ChartPicture::chart() const {
    Chart c = chart_;
    c.width = width();
    c.height = height();
    return c;
}

bool ChartPicture::valueAt(QPoint at, double& x, double& y) const {
    const ChartRect r = plotArea(width(), height());
    if (chart_.curves.empty() || !r.contains(at.x(), at.y()))
        return false;
    x = axisValue(chart_.xAxis, at.x(), r.x, r.width, false);
    y = axisValue(chart_.yAxis, at.y(), r.y, r.height, true);
    return true;
}

void ChartPicture::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (chart_.curves.empty() || !drawableAxis(chart_.xAxis) || !drawableAxis(chart_.yAxis))
        painter.fillRect(rect(), Qt::white);
    else
        paintChart(chart(), painter);
}

void ChartPicture::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && onSave)
        onSave();
}

struct CharacteristicsPlot::Job {
    std::vector<ChartSeries> series;
    ChartOptions options;
    std::optional<ToleranceMask> mask;
    FrequencyGrid grid;
    bool base = true;
    ChartCurves result;
    std::exception_ptr failure;

    void run() {
        try {
            result = computeChartCurves(series, options, grid, mask);
        } catch (...) {
            failure = std::current_exception();
        }
    }
};

CharacteristicsPlot::CharacteristicsPlot(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(300, 200);
    refineTimer_ = new QTimer(this);
    refineTimer_->setSingleShot(true);
    refineTimer_->setInterval(120);
    connect(refineTimer_, &QTimer::timeout, this, &CharacteristicsPlot::refine);
}

CharacteristicsPlot::~CharacteristicsPlot() {
    if (thread_) {
        thread_->wait();
        delete thread_;
    }
}

ChartRect CharacteristicsPlot::plot() const {
    return plotArea(width(), height());
}

AxisRange CharacteristicsPlot::fullX() const {
    const double half = options_.fd / 2;
    return logarithmic_ ? AxisRange{half / 1000, half, true} : AxisRange{0, half, false};
}

void CharacteristicsPlot::setContent(std::vector<ChartSeries> series, const ChartOptions& options,
                                     std::optional<ToleranceMask> mask, bool logarithmic) {
    series_ = std::move(series);
    options_ = options;
    mask_ = std::move(mask);
    logarithmic_ = logarithmic;
    haveFine_ = false;
    base_ = {};
    markers_.clear();
    emit markersChanged(QString());
    x_ = fullX();
    auto job = std::make_shared<Job>();
    job->series = series_;
    job->options = options_;
    job->mask = mask_;
    job->grid = {x_.low, x_.high, basePoints, logarithmic_};
    job->base = true;
    start(job);
    update();
}

void CharacteristicsPlot::start(std::shared_ptr<Job> job) {
    if (thread_) {
        pending_ = std::move(job); // the newest request waits for the running one
        return;
    }
    job_ = std::move(job);
    const std::shared_ptr<Job> running = job_;
    thread_ = QThread::create([running] { running->run(); });
    connect(thread_, &QThread::finished, this, &CharacteristicsPlot::jobFinished);
    setCursor(Qt::BusyCursor);
    thread_->start();
}

void CharacteristicsPlot::jobFinished() {
    if (!thread_)
        return;
    thread_->wait();
    thread_->deleteLater();
    thread_ = nullptr;
    unsetCursor();
    const std::shared_ptr<Job> job = std::move(job_);
    // A newer request supersedes the finished one's numbers, unless it only refines them.
    const bool superseded = pending_ && pending_->base;
    if (pending_)
        start(std::move(pending_));
    if (superseded)
        return;
    if (job->failure) {
        if (job->base) {
            series_.clear();
            update();
            std::rethrow_exception(job->failure); // the general error handler shows it
        }
        return;
    }
    if (job->base) {
        base_ = std::move(job->result);
        showAll();
        emit contentReady();
    } else {
        fine_ = std::move(job->result);
        alignUnwrappedPhase();
        fineX_ = {job->grid.fmin, job->grid.fmax, job->grid.logarithmic};
        haveFine_ = true;
        update();
    }
}

void CharacteristicsPlot::alignUnwrappedPhase() {
    // A finer grid unwraps the phase from its own first frequency; it is brought to the
    // whole turn of the whole band's curve there, so that zooming never moves the curve.
    if (options_.view != ChartView::Phase || options_.wrappedPhase || fine_.frequencies.empty())
        return;
    const double turn = options_.degrees ? 360 : 2 * 3.14159265358979323846;
    const std::vector<double>& f = base_.frequencies;
    const double at = fine_.frequencies.front();
    const auto next = std::lower_bound(f.begin(), f.end(), at);
    if (next == f.end() || f.size() < 2)
        return;
    const std::size_t k = std::max<std::size_t>(1, static_cast<std::size_t>(next - f.begin()));
    for (std::size_t i = 0; i < fine_.values.size() && i < base_.values.size(); ++i) {
        const std::vector<double>& b = base_.values[i];
        const double t = (at - f[k - 1]) / (f[k] - f[k - 1]);
        const double expected = b[k - 1] + t * (b[k] - b[k - 1]);
        std::vector<double>& v = fine_.values[i];
        if (v.empty() || !std::isfinite(expected) || !std::isfinite(v.front()))
            continue;
        const double shift = turn * std::round((expected - v.front()) / turn);
        for (double& p : v)
            p += shift;
    }
}

const ChartCurves& CharacteristicsPlot::shownCurves() const {
    if (haveFine_ && fineX_.low <= x_.low && fineX_.high >= x_.high)
        return fine_;
    return base_;
}

Chart CharacteristicsPlot::chart() const {
    Chart c =
        characteristicsChart(series_, shownCurves(), options_, mask_, x_, y_, width(), height());
    for (double m : markers_)
        c.markers.push_back({m});
    return c;
}

std::string CharacteristicsPlot::visibleCsv() const {
    std::vector<std::string> names;
    for (const ChartSeries& s : series_)
        names.push_back(s.name);
    return chartCsv(names, shownCurves(), x_.low, x_.high);
}

void CharacteristicsPlot::showAll() {
    x_ = fullX();
    y_ = valueRange(base_, x_.low, x_.high, viewDepth(options_.view));
    rangesChanged();
}

void CharacteristicsPlot::setRanges(const AxisRange& x, const AxisRange& y) {
    if (!drawableAxis(x) || !drawableAxis(y))
        return;
    x_ = x;
    y_ = y;
    rangesChanged();
}

void CharacteristicsPlot::rangesChanged() {
    update();
    const AxisRange full = fullX();
    const double visible = coordinate(x_, x_.high) - coordinate(x_, x_.low);
    const double whole = coordinate(full, full.high) - coordinate(full, full.low);
    const bool covered =
        haveFine_ && fineX_.low <= x_.low && fineX_.high >= x_.high &&
        coordinate(fineX_, fineX_.high) - coordinate(fineX_, fineX_.low) < 4 * visible;
    if (!series_.empty() && visible < whole / 2 && !covered)
        refineTimer_->start();
}

void CharacteristicsPlot::refine() {
    if (series_.empty())
        return;
    const AxisRange full = fullX();
    const double lo = coordinate(x_, x_.low), hi = coordinate(x_, x_.high);
    const double room = (hi - lo) / 2;
    FrequencyGrid grid;
    grid.logarithmic = logarithmic_;
    grid.fmin = std::max(full.low, fromCoordinate(x_, lo - room));
    grid.fmax = std::min(full.high, fromCoordinate(x_, hi + room));
    grid.points = 2 * basePoints;
    if (!(grid.fmin < grid.fmax))
        return;
    auto job = std::make_shared<Job>();
    job->series = series_;
    job->options = options_;
    job->mask = mask_;
    job->grid = grid;
    job->base = false;
    start(job);
}

double CharacteristicsPlot::frequencyAt(double px) const {
    const ChartRect r = plot();
    return axisValue(x_, px, r.x, r.width, false);
}

double CharacteristicsPlot::valueAtY(double py) const {
    const ChartRect r = plot();
    return axisValue(y_, py, r.y, r.height, true);
}

void CharacteristicsPlot::zoom(bool alongX, bool alongY, QPointF at, double factor) {
    AxisRange x = x_, y = y_;
    if (alongX)
        x = scaled(x_, frequencyAt(at.x()), factor);
    if (alongY)
        y = scaled(y_, valueAtY(at.y()), factor);
    setRanges(x, y);
}

void CharacteristicsPlot::pan(double dxPixels, double dyPixels) {
    const ChartRect r = plot();
    setRanges(shifted(x_, -dxPixels / r.width), shifted(y_, dyPixels / r.height));
}

void CharacteristicsPlot::clearMarkers() {
    markers_.clear();
    emit markersChanged(QString());
    update();
}

double CharacteristicsPlot::divisor(std::size_t series) const {
    const ChartCurves& curves = shownCurves();
    return series < curves.divisors.size() ? curves.divisors[series] : 1;
}

double CharacteristicsPlot::valueAt(std::size_t series, double frequency) const {
    try {
        return viewValues(series_[series], options_, {frequency}, divisor(series)).front();
    } catch (const Error&) {
        return std::nan("");
    }
}

QString CharacteristicsPlot::readoutAt(double frequency) const {
    QString text = QStringLiteral("f = ") + number(frequency);
    const ChartCurves& curves = shownCurves();
    for (std::size_t i = 0; i < series_.size(); ++i) {
        double v = 0;
        if (options_.view == ChartView::Phase && !options_.wrappedPhase) {
            // The principal value on the branch of the unwrapped curve nearest to its
            // neighbours on the grid.
            ChartOptions wrapped = options_;
            wrapped.wrappedPhase = true;
            wrapped.degrees = false;
            try {
                v = viewValues(series_[i], wrapped, {frequency}).front();
            } catch (const Error&) {
                v = std::nan("");
            }
            const double pi = std::numbers::pi;
            if (i < curves.values.size()) {
                const std::vector<double>& f = curves.frequencies;
                const auto next = std::lower_bound(f.begin(), f.end(), frequency);
                std::optional<double> guess;
                if (next != f.end() && next != f.begin()) {
                    const std::size_t k = static_cast<std::size_t>(next - f.begin());
                    const double t = (frequency - f[k - 1]) / (f[k] - f[k - 1]);
                    guess = curves.values[i][k - 1] +
                            t * (curves.values[i][k] - curves.values[i][k - 1]);
                } else if (next == f.begin() && !f.empty()) {
                    guess = curves.values[i][0];
                }
                if (guess) {
                    const double g = options_.degrees ? *guess * pi / 180 : *guess;
                    v += 2 * pi * std::round((g - v) / (2 * pi));
                }
            }
            if (options_.degrees)
                v *= 180 / pi;
        } else {
            v = valueAt(i, frequency);
        }
        text += QStringLiteral("; ") + QString::fromStdString(series_[i].name) +
                QStringLiteral(" = ") + number(v);
    }
    return text;
}

QString CharacteristicsPlot::markerText() const {
    QStringList lines;
    for (std::size_t m = 0; m < markers_.size(); ++m)
        lines << QStringLiteral("Маркер %1: ").arg(m + 1) + readoutAt(markers_[m]);
    if (markers_.size() == 2) {
        QString d = QStringLiteral("Разность (2 - 1): Δf = ") + number(markers_[1] - markers_[0]);
        for (std::size_t i = 0; i < series_.size(); ++i) {
            double delta = 0;
            if (options_.view == ChartView::Phase) {
                // The phase difference along the curve between the two markers.
                const double lo = std::min(markers_[0], markers_[1]);
                const double hi = std::max(markers_[0], markers_[1]);
                if (hi > lo) {
                    ChartOptions unwrapped = options_;
                    unwrapped.wrappedPhase = false;
                    const std::vector<double> v =
                        viewValues(series_[i], unwrapped,
                                   gridFrequencies({lo, hi, 4001, logarithmic_ && lo > 0}));
                    delta =
                        markers_[1] >= markers_[0] ? v.back() - v.front() : v.front() - v.back();
                }
            } else {
                delta = valueAt(i, markers_[1]) - valueAt(i, markers_[0]);
            }
            d += QStringLiteral("; ") + QString::fromStdString(series_[i].name) +
                 QStringLiteral(": ") + number(delta);
        }
        lines << d;
    }
    return lines.join(QLatin1Char('\n'));
}

void CharacteristicsPlot::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // A view the axes cannot show (the curves' values beyond double) stays blank; every
    // zoom and pan keeps to drawable ranges.
    if (!drawableAxis(x_) || !drawableAxis(y_)) {
        painter.fillRect(rect(), Qt::white);
        return;
    }
    paintChart(chart(), painter);
    if (dragStart_) {
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setPen(QPen(QColor(0, 0, 0), 1, Qt::DashLine));
        painter.setBrush(QColor(0, 120, 215, 40));
        painter.drawRect(QRect(*dragStart_, dragNow_).normalized());
    }
}

void CharacteristicsPlot::wheelEvent(QWheelEvent* event) {
    const QPointF at = event->position();
    const ChartRect r = plot();
    const double steps = event->angleDelta().y() / 120.0;
    if (steps == 0)
        return;
    const double factor = std::pow(wheelFactor, steps);
    const bool withinX = at.x() >= r.x && at.x() <= r.x + r.width;
    const bool withinY = at.y() >= r.y && at.y() <= r.y + r.height;
    if (withinX && withinY)
        zoom(true, true, at, factor);
    else if (withinX && at.y() > r.y + r.height)
        zoom(true, false, at, factor);
    else if (withinY && at.x() < r.x)
        zoom(false, true, at, factor);
    event->accept();
}

void CharacteristicsPlot::mousePressEvent(QMouseEvent* event) {
    setFocus();
    if (event->button() == Qt::LeftButton) {
        dragStart_ = event->position().toPoint();
        dragNow_ = *dragStart_;
    } else if (event->button() == Qt::MiddleButton) {
        panFrom_ = event->position().toPoint();
        setCursor(Qt::ClosedHandCursor);
    }
}

void CharacteristicsPlot::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (dragStart_) {
        dragNow_ = at;
        update();
    }
    if (panFrom_) {
        pan(at.x() - panFrom_->x(), at.y() - panFrom_->y());
        panFrom_ = at;
    }
    const ChartRect r = plot();
    if (!series_.empty() && r.contains(at.x(), at.y()))
        emit readoutChanged(readoutAt(frequencyAt(at.x())));
}

void CharacteristicsPlot::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::MiddleButton && panFrom_) {
        panFrom_.reset();
        unsetCursor();
        return;
    }
    if (event->button() != Qt::LeftButton || !dragStart_)
        return;
    const QPoint a = *dragStart_, b = event->position().toPoint();
    dragStart_.reset();
    const ChartRect r = plot();
    if (std::abs(a.x() - b.x()) >= 4 && std::abs(a.y() - b.y()) >= 4) {
        const double x0 = std::clamp<double>(std::min(a.x(), b.x()), r.x, r.x + r.width);
        const double x1 = std::clamp<double>(std::max(a.x(), b.x()), r.x, r.x + r.width);
        const double y0 = std::clamp<double>(std::min(a.y(), b.y()), r.y, r.y + r.height);
        const double y1 = std::clamp<double>(std::max(a.y(), b.y()), r.y, r.y + r.height);
        AxisRange x = x_, y = y_;
        x.low = frequencyAt(x0);
        x.high = frequencyAt(x1);
        y.low = valueAtY(y1);
        y.high = valueAtY(y0);
        setRanges(x, y);
    } else if (!series_.empty() && r.contains(b.x(), b.y())) {
        if (markers_.size() == 2)
            markers_.erase(markers_.begin());
        markers_.push_back(frequencyAt(b.x()));
        emit markersChanged(markerText());
    }
    update();
}

void CharacteristicsPlot::keyPressEvent(QKeyEvent* event) {
    const ChartRect r = plot();
    switch (event->key()) {
    case Qt::Key_Home:
        showAll();
        break;
    case Qt::Key_Left:
        pan(r.width / 10, 0);
        break;
    case Qt::Key_Right:
        pan(-r.width / 10, 0);
        break;
    case Qt::Key_Up:
        pan(0, r.height / 10);
        break;
    case Qt::Key_Down:
        pan(0, -r.height / 10);
        break;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        zoom(true, true, QPointF(r.x + r.width / 2, r.y + r.height / 2), wheelFactor);
        break;
    case Qt::Key_Minus:
        zoom(true, true, QPointF(r.x + r.width / 2, r.y + r.height / 2), 1 / wheelFactor);
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void CharacteristicsPlot::leaveEvent(QEvent*) {
    emit readoutChanged(QString());
}

} // namespace zorkan::ui
