#pragma once
// The trend window "График": the addressed reader's level, temperature and current value over the last
// minutes, drawn with QPainter as three stacked plots over one time axis, with the stretches that have no
// readings shaded and labelled with why. The samples are the traffic layer's TrendSeries
// (traffic/trendseries.h), which an opened log fills by the same rule.

#include <QDateTime>
#include <QPointF>
#include <QWidget>
#include <deque>
#include <optional>
#include <utility>
#include <vector>

#include "traffic/trendseries.h"

class QFontMetrics;
class QHBoxLayout;
class QLabel;
class QPainter;

namespace kestrel {

class Dialogs;

// The step between the labelled ticks of a time axis `spanMs` long: the shortest of 5, 10, 15 and 30 s,
// 1, 2, 5, 10, 20 and 30 min, 1, 2, 6 and 12 h and a day that gives at most ten steps over the span, else the
// fewest whole days that do.
qint64 trendTimeStepMs(qint64 spanMs);

// A top-level window (parented to the main window) with the plots "Уровень", "Температура, °C" and
// "Текущее значение" of the address set by setAddress(), the span chosen in minutes, a pause and saving
// as PNG or CSV (a gap's row names its reason). New samples repaint it at most every two seconds. The wheel
// zooms the time axis about the pointer, a drag with the left button moves it, a double click puts it back;
// while zoomed or moved the live trend's axis stays where it was put.
class TrendWindow : public QWidget {
    Q_OBJECT
  public:
    // Samples older than `keepMs` before the newest are dropped: by default the longest span and a margin.
    TrendWindow(Dialogs& dialogs, QWidget* parent, qint64 keepMs = kDefaultKeepMs);
    static constexpr qint64 kDefaultKeepMs = 65 * 60 * 1000;
    // An exchange, by the series' rule (TrendSeries::addRecord); false when it means nothing for the trend.
    bool addRecord(const traffic::Record& r);
    void addReading(const QDateTime& when, quint8 address, const device::LiveReading& reading);
    void addGap(const QDateTime& when, quint8 address, TrendGap reason);
    // A gap of the address shown, for what concerns the whole link (the port closed or lost).
    void addGap(const QDateTime& when, TrendGap reason);
    void setAddress(quint8 address);
    quint8 address() const { return address_; }
    TrendSeries& series() { return series_; }
    // A recorded log's samples, shown over their whole span (the address's first to last sample), for good:
    // no span to choose, no pause, nothing dropped; with samples of several addresses, a list chooses one.
    void showWholeSpan(TrendSeries series, quint8 address);

    // The time axis shown, in ms since the epoch: the chosen minutes up to now (or the pause), a recorded
    // log's whole span, or what zoom and pan made of either.
    std::pair<qint64, qint64> shownAxis() const;
    // Zooms by `factor` (below 1 in, above 1 out) about the time at `fraction` of the axis's width; out to
    // the whole axis or beyond, the axis is as it was before any zoom.
    void zoom(double fraction, double factor);
    // Moves the axis by `fraction` of its width, later for a positive one; a recorded log's stays within it,
    // the live one ends at the latest now, and follows the newest samples when it reaches them.
    void pan(double fraction);
    // Back to the axis without zoom or pan: the live trend follows the newest samples again.
    void resetZoom();

  private:
    class Canvas;
    qint64 keepMs_;
    // The end of the time axis: now, or while paused the last sample recorded before the pause.
    QDateTime shownEnd() const { return paused_ ? frozenEnd_ : QDateTime::currentDateTimeUtc(); }
    std::pair<qint64, qint64> defaultAxis() const;
    void paintPlots(QPainter& painter, const QRect& area) const;
    // The reason of the gap at `x` of the plots drawn in `area`, or nothing.
    QString gapTextAt(int x, const QRect& area, const QFontMetrics& fm) const;
    void addedSample(const QDateTime& when);
    void savePng();
    void saveCsv();

    Dialogs& dialogs_;
    TrendSeries series_;
    quint8 address_ = 0;
    int minutes_ = 10;  // the span shown
    bool paused_ = false;
    bool dirty_ = false;  // samples came since the last repaint
    QDateTime frozenEnd_;
    bool wholeSpan_ = false;                         // a recorded log's trend
    std::optional<std::pair<qint64, qint64>> zoom_;  // the axis zoom and pan made, while they hold
    bool zoomFollows_ = false;  // the zoomed live axis ends at the newest samples and moves on with them
    QLabel* addressLabel_;
    QWidget* span_;
    QHBoxLayout* header_;
    QWidget* pause_;
    Canvas* canvas_;
};

}  // namespace kestrel
