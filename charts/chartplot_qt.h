#pragma once
// The interactive chart of the characteristics window: the curves computed by the core
// off the window's thread, zoom by the wheel about the pointer (over an axis: that axis
// alone), by a dragged rectangle, panning with the middle button or the arrows, Home for
// the whole chart, a readout of every curve at the pointer, markers set by a click (two
// show their difference), and a finer grid computed for a zoomed view.
#include "charts/characteristicschart.h"

#include <QImage>
#include <QPoint>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QPainter;
class QThread;
class QTimer;

namespace zorkan::ui {

// Draws a chart with a QPainter: on the screen, into a QImage or a QPdfWriter.
void paintChart(const Chart& chart, QPainter& painter);
// The chart as a picture of its size.
QImage chartImage(const Chart& chart);

// The save dialog's filter of the chart pictures, and the default extension.
extern const char* const chartPictureFilter;
// Writes the chart in the format its name's extension asks for (PNG as shown, SVG, or a
// PDF titled `title`), safely; another extension is refused with a UserMessage.
void saveChartPictureAs(const Chart& chart, const QString& path, const QString& title);

// A chart that only shows itself, drawn at the widget's size (blank with no curves); a
// double click asks to save it.
class ChartPicture : public QWidget {
  public:
    explicit ChartPicture(QWidget* parent = nullptr);
    void setChart(Chart chart);
    // The chart at the widget's size, as shown.
    Chart chart() const;
    // The data coordinates under a point of the plot area; false outside it or when
    // nothing is shown.
    bool valueAt(QPoint at, double& x, double& y) const;

    std::function<void()> onSave;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    Chart chart_;
};

class CharacteristicsPlot : public QWidget {
    Q_OBJECT

  public:
    explicit CharacteristicsPlot(QWidget* parent = nullptr);
    ~CharacteristicsPlot() override;

    // New curves: computed on a grid of `basePoints` over the whole band (from fd/2000 on a
    // logarithmic axis) off the thread; the view then shows everything.
    void setContent(std::vector<ChartSeries> series, const ChartOptions& options,
                    std::optional<ToleranceMask> mask, bool logarithmic);
    bool busy() const { return thread_ != nullptr; }

    // "Весь график": the whole band and every value.
    void showAll();
    void setRanges(const AxisRange& x, const AxisRange& y);
    const AxisRange& xRange() const { return x_; }
    const AxisRange& yRange() const { return y_; }
    ChartRect plot() const;

    // The chart as shown (size, ranges, markers), for pictures.
    Chart chart() const;
    // The shown curves' numbers within the visible frequencies.
    std::string visibleCsv() const;
    const ChartCurves& shownCurves() const;
    bool hasContent() const { return !series_.empty(); }

    // The readout of every curve at a frequency, and of the markers.
    QString readoutAt(double frequency) const;
    QString markerText() const;
    const std::vector<double>& markers() const { return markers_; }
    void clearMarkers();

    // The wheel steps of one notch; a factor below 1 zooms in.
    static constexpr double wheelFactor = 0.8;
    static constexpr int basePoints = 4000;

  signals:
    void readoutChanged(const QString& text);
    void markersChanged(const QString& text);
    void contentReady();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    struct Job;
    void start(std::shared_ptr<Job> job);
    void jobFinished();
    void rangesChanged();
    void refine();
    void alignUnwrappedPhase();
    double frequencyAt(double px) const;
    double valueAtY(double py) const;
    void zoom(bool alongX, bool alongY, QPointF at, double factor);
    void pan(double dxPixels, double dyPixels);
    AxisRange fullX() const;
    // The |H| a relative magnitude of a series is divided by, and a series' value at a
    // frequency in the view's units (NaN where it cannot be computed).
    double divisor(std::size_t series) const;
    double valueAt(std::size_t series, double frequency) const;

    std::vector<ChartSeries> series_;
    ChartOptions options_;
    std::optional<ToleranceMask> mask_;
    bool logarithmic_ = false;
    ChartCurves base_;
    ChartCurves fine_;
    AxisRange fineX_;
    bool haveFine_ = false;
    AxisRange x_{0, 0.5, false};
    AxisRange y_{0, 1, false};
    std::vector<double> markers_;

    QThread* thread_ = nullptr;
    std::shared_ptr<Job> job_;
    std::shared_ptr<Job> pending_;
    QTimer* refineTimer_ = nullptr;

    std::optional<QPoint> dragStart_;
    QPoint dragNow_;
    std::optional<QPoint> panFrom_;
};

} // namespace zorkan::ui
