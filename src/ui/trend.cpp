#include "ui/trend.h"

#include <QBuffer>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QImageWriter>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygonF>
#include <QPushButton>
#include <QTimer>
#include <QToolTip>
#include <QWheelEvent>
#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>
#include <map>
#include <set>

#include "protocol/savefile.h"
#include "protocol/translation.h"
#include "traffic/csv.h"
#include "ui/dialogs.h"

namespace kestrel {

namespace {

// The picture is redrawn at most every two seconds, and only when new samples came: on the default ten
// minutes that is about two pixels of the time axis.
constexpr int kRefreshMs = 2000;

constexpr int kMinuteChoices[] = {1, 2, 5, 10, 30, 60};

struct PlotKind {
    TrendSeries::Value value;
    const char* title;
    QColor color;
};
const PlotKind kPlots[] = {
    {TrendSeries::Value::Level, QT_TRANSLATE_NOOP("Texts", "Уровень"), QColor(0x1f, 0x5f, 0xbf)},
    {TrendSeries::Value::Temperature, QT_TRANSLATE_NOOP("Texts", "Температура, °C"),
     QColor(0xc0, 0x30, 0x30)},
    {TrendSeries::Value::Current, QT_TRANSLATE_NOOP("Texts", "Текущее значение"), QColor(0x20, 0x90, 0x40)}};

// The plots' margins: the values' labels on the left.
constexpr int kPlotRight = 16;
int plotLeft(const QFontMetrics& fm) {
    return fm.horizontalAdvance(QStringLiteral("-0000000000")) + 8;
}

// How a gap of each reason is shaded, and what it says.
QColor gapShade(TrendGap reason) {
    switch (reason) {
        case TrendGap::NoReply:
        case TrendGap::BadReply:
            return QColor(0xee, 0xee, 0xee);
        case TrendGap::TagView:
        case TrendGap::BridgeView:
        case TrendGap::OtherAddress:
            return QColor(0xe2, 0xec, 0xf8);
        case TrendGap::PortClosed:
        case TrendGap::PortLost:
            return QColor(0xf8, 0xe6, 0xd8);
    }
    return {};
}

QString gapText(TrendGap reason) {
    switch (reason) {
        case TrendGap::NoReply:
            return Texts::tr("нет ответа");
        case TrendGap::BadReply:
            return Texts::tr("ответ с ошибкой");
        case TrendGap::TagView:
            return Texts::tr("открыта вкладка меток");
        case TrendGap::BridgeView:
            return Texts::tr("открыта вкладка моста");
        case TrendGap::PortClosed:
            return Texts::tr("порт закрыт");
        case TrendGap::PortLost:
            return Texts::tr("порт потерян");
        case TrendGap::OtherAddress:
            return Texts::tr("опрашивался другой адрес");
    }
    return {};
}

// The reason as the CSV file names it: stable English words, as the traffic log's outcomes.
QString gapKey(TrendGap reason) {
    switch (reason) {
        case TrendGap::NoReply:
            return QStringLiteral("no-reply");
        case TrendGap::BadReply:
            return QStringLiteral("bad-reply");
        case TrendGap::TagView:
            return QStringLiteral("tag-view");
        case TrendGap::BridgeView:
            return QStringLiteral("bridge-view");
        case TrendGap::PortClosed:
            return QStringLiteral("port-closed");
        case TrendGap::PortLost:
            return QStringLiteral("port-lost");
        case TrendGap::OtherAddress:
            return QStringLiteral("other-address");
    }
    return {};
}

// A round step for about `count` divisions of `span`: 1, 2 or 5 times a power of ten.
double valueStep(double span, int count) {
    const double raw = span / count;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0})
        if (raw <= m * power) return m * power;
    return 10 * power;
}

// A line of many more points than pixels, drawn as each pixel column's first, lowest, highest and last point:
// the same picture at a cost that does not grow with the samples (a recorded log holds hundreds of
// thousands).
QPolygonF thinned(const QPolygonF& line) {
    if (line.size() < 4096) return line;
    QPolygonF out;
    int column = INT_MIN;
    QPointF first, lo, hi, last;
    const auto flush = [&] {
        out << first;
        if (lo.x() <= hi.x())
            out << lo << hi;
        else
            out << hi << lo;
        out << last;
    };
    for (const QPointF& p : line) {
        const int c = int(std::floor(p.x()));
        if (c != column) {
            if (column != INT_MIN) flush();
            column = c;
            first = lo = hi = last = p;
            continue;
        }
        if (p.y() < lo.y()) lo = p;
        if (p.y() > hi.y()) hi = p;
        last = p;
    }
    flush();
    return out;
}

}  // namespace

qint64 trendTimeStepMs(qint64 spanMs) {
    for (qint64 s : {5, 10, 15, 30, 60, 120, 300, 600, 1200, 1800, 3600, 7200, 21600, 43200, 86400})
        if (spanMs / (s * 1000) <= 10) return s * 1000;
    constexpr qint64 kDayMs = 86400 * 1000;
    return (spanMs + 10 * kDayMs - 1) / (10 * kDayMs) * kDayMs;
}

namespace {

// One CSV record of a sample. The numbers bypass csv::line, which would put an apostrophe before a
// negative temperature: that guard is for texts off the wire, not for numbers formatted here.
QByteArray csvRecord(const TrendSeries::Sample& s) {
    auto numberText = [](const std::optional<double>& v) {
        return v ? QString::number(*v, 'g', 15) : QString();
    };
    const QStringList cells{
        csv::cell(csv::isoTime(s.when)), QString::number(s.address), numberText(s.level),
        numberText(s.temperature),       numberText(s.current),      s.gap ? gapKey(*s.gap) : QString()};
    return (cells.join(QLatin1Char(',')) + QStringLiteral("\r\n")).toUtf8();
}

void reportFailure(Dialogs& dialogs, const QString& path, const QString& reason) {
    dialogs.message(Texts::tr("Не удалось сохранить файл %1: %2").arg(path, reason),
                    Dialogs::Icon::Exclamation);
}

}  // namespace

class TrendWindow::Canvas : public QWidget {
  public:
    explicit Canvas(TrendWindow& owner) : QWidget(&owner), owner_(owner) {
        setMinimumSize(420, 300);
        // The plots paint every pixel: the window's background need not be painted under them first, which
        // took most of a refresh's time outside the plots' own painting.
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        owner_.paintPlots(painter, rect());
    }
    // A gap too narrow for its words says them under the pointer.
    bool event(QEvent* e) override {
        if (e->type() != QEvent::ToolTip) return QWidget::event(e);
        const QPoint at = static_cast<QHelpEvent*>(e)->pos();
        const QString reason = owner_.gapTextAt(at.x(), rect(), fontMetrics());
        if (reason.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(static_cast<QHelpEvent*>(e)->globalPos(), reason, this);
        return true;
    }

    void wheelEvent(QWheelEvent* e) override {
        const int steps = e->angleDelta().y() / 120;
        if (steps == 0 || width() <= 0) return;
        owner_.zoom(fraction(e->position().x()), std::pow(0.8, steps));
    }
    void mousePressEvent(QMouseEvent* e) override {
        if (e->button() == Qt::LeftButton) dragX_ = e->position().x();
    }
    void mouseMoveEvent(QMouseEvent* e) override {
        if (!(e->buttons() & Qt::LeftButton) || width() <= 0) return;
        owner_.pan((dragX_ - e->position().x()) / plotWidth());
        dragX_ = e->position().x();
    }
    void mouseDoubleClickEvent(QMouseEvent*) override { owner_.resetZoom(); }

  private:
    double plotWidth() const { return std::max(1, width() - plotLeft(fontMetrics()) - kPlotRight); }
    double fraction(double x) const {
        return std::clamp((x - plotLeft(fontMetrics())) / plotWidth(), 0.0, 1.0);
    }
    TrendWindow& owner_;
    double dragX_ = 0;
};

TrendWindow::TrendWindow(Dialogs& dialogs, QWidget* parent, qint64 keepMs)
    : QWidget(parent, Qt::Window), keepMs_(keepMs), dialogs_(dialogs) {
    setObjectName(QStringLiteral("trendWindow"));
    setWindowTitle(Texts::tr("График"));
    addressLabel_ = new QLabel(this);
    addressLabel_->setObjectName(QStringLiteral("trendAddress"));
    auto* span = new QComboBox(this);
    span_ = span;
    span->setObjectName(QStringLiteral("trendMinutes"));
    for (int m : kMinuteChoices) span->addItem(Texts::tr("%1 мин").arg(m));
    span->setCurrentIndex(span->findText(Texts::tr("%1 мин").arg(minutes_)));
    auto* pause = new QPushButton(Texts::tr("Пауза"), this);
    pause_ = pause;
    pause->setObjectName(QStringLiteral("trendPause"));
    pause->setCheckable(true);
    auto* png = new QPushButton(Texts::tr("Сохранить PNG…"), this);
    png->setObjectName(QStringLiteral("trendSavePng"));
    auto* csvButton = new QPushButton(Texts::tr("Сохранить CSV…"), this);
    csvButton->setObjectName(QStringLiteral("trendSaveCsv"));
    canvas_ = new Canvas(*this);

    auto* header = header_ = new QHBoxLayout;
    header->addWidget(addressLabel_);
    header->addStretch(1);
    for (QWidget* w : std::initializer_list<QWidget*>{span, pause, png, csvButton}) header->addWidget(w);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(header);
    layout->addWidget(canvas_, 1);
    resize(800, 600);
    setAddress(0);

    connect(span, &QComboBox::currentIndexChanged, this, [this](int i) {
        minutes_ = kMinuteChoices[i];
        zoom_.reset();
        canvas_->update();
    });
    connect(pause, &QPushButton::toggled, this, [this](bool on) {
        // The picture keeps its time axis; what comes meanwhile is recorded and shown after the pause.
        paused_ = on;
        if (!on) return canvas_->update();
        frozenEnd_ =
            series_.samples().empty() ? QDateTime::currentDateTimeUtc() : series_.samples().back().when;
    });
    connect(png, &QPushButton::clicked, this, &TrendWindow::savePng);
    connect(csvButton, &QPushButton::clicked, this, &TrendWindow::saveCsv);
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, [this] {
        if (!dirty_ || paused_) return;
        dirty_ = false;
        canvas_->update();
    });
    timer->start(kRefreshMs);
}

void TrendWindow::addReading(const QDateTime& when, quint8 address, const device::LiveReading& reading) {
    series_.addReading(when, address, reading);
    addedSample(when);
}

bool TrendWindow::addRecord(const traffic::Record& r) {
    if (!series_.addRecord(r)) return false;
    addedSample(r.time);
    return true;
}

void TrendWindow::addGap(const QDateTime& when, quint8 address, TrendGap reason) {
    series_.addGap(when, address, reason);
    addedSample(when);
}

void TrendWindow::addGap(const QDateTime& when, TrendGap reason) {
    addGap(when, address_, reason);
}

void TrendWindow::addedSample(const QDateTime& when) {
    if (!wholeSpan_) series_.dropBefore(when.addMSecs(-keepMs_));
    dirty_ = true;
}

void TrendWindow::setAddress(quint8 address) {
    // Called with every reading: only a change of address repaints at once.
    if (address == address_ && !addressLabel_->text().isEmpty()) return;
    address_ = address;
    addressLabel_->setText(Texts::tr("Адрес %1").arg(address));
    canvas_->update();
}

QString TrendWindow::gapTextAt(int x, const QRect& area, const QFontMetrics& fm) const {
    const std::pair<qint64, qint64> shown = shownAxis();
    const qint64 x0 = shown.first, x1 = shown.second;
    const int left = plotLeft(fm), width = area.width() - left - kPlotRight;
    if (width <= 0 || x < left || x > left + width) return {};
    const QDateTime at = QDateTime::fromMSecsSinceEpoch(x0 + (x - left) * (x1 - x0) / width);
    for (const TrendSeries::GapSpan& g : series_.gaps(address_))
        if (g.from <= at && (!g.to || at < *g.to)) return gapText(g.reason);
    return {};
}

void TrendWindow::paintPlots(QPainter& p, const QRect& area) const {
    p.fillRect(area, Qt::white);
    const std::pair<qint64, qint64> shown = shownAxis();
    const qint64 x0 = shown.first, x1 = shown.second;
    const QDateTime end = shownEnd();
    const QDateTime from = QDateTime::fromMSecsSinceEpoch(x0, Qt::UTC);
    const QFontMetrics fm = p.fontMetrics();
    const int left = plotLeft(fm), right = kPlotRight;
    const int axisHeight = fm.height() + 8, titleHeight = fm.height() + 6;
    const int band = (area.height() - axisHeight) / 3;
    const qint64 step = trendTimeStepMs(x1 - x0);
    const qint64 offsetMs = qint64(end.offsetFromUtc()) * 1000;  // ticks on round local times
    std::vector<qint64> ticks;
    for (qint64 t = (x0 + offsetMs + step - 1) / step * step - offsetMs; t <= x1; t += step)
        ticks.push_back(t);

    QRectF r;
    auto toX = [&](double ms) { return r.left() + (ms - x0) * r.width() / double(x1 - x0); };
    // The gaps within the axis, as times on it: an open gap runs to its end.
    struct ShownGap {
        qint64 from, to;
        TrendGap reason;
    };
    std::vector<ShownGap> gaps;
    for (const TrendSeries::GapSpan& g : series_.gaps(address_)) {
        const qint64 from = std::max(g.from.toMSecsSinceEpoch(), x0);
        const qint64 to = std::min(g.to ? g.to->toMSecsSinceEpoch() : x1, x1);
        if (from < to) gaps.push_back({from, to, g.reason});
    }
    for (int i = 0; i < 3; ++i) {
        const PlotKind& kind = kPlots[i];
        r = QRectF(area.left() + left, area.top() + i * band + titleHeight, area.width() - left - right,
                   band - titleHeight - 4);
        p.setPen(Qt::black);
        p.drawText(QPointF(r.left(), r.top() - 5), Texts::tr(kind.title));
        // Each gap shaded under the grid, with its reason where it fits.
        for (const ShownGap& g : gaps) {
            const QRectF shade(QPointF(toX(double(g.from)), r.top()), QPointF(toX(double(g.to)), r.bottom()));
            p.fillRect(shade, gapShade(g.reason));
            const QString reason =
                fm.elidedText(gapText(g.reason), Qt::ElideRight, int(shade.width()) - 4, Qt::TextSingleLine);
            if (reason.size() < 4) continue;  // too narrow for a word: its tooltip says it
            p.setPen(Qt::darkGray);
            p.drawText(shade.adjusted(2, 2, -2, -2), Qt::AlignLeft | Qt::AlignTop, reason);
        }
        // Only what lies within the axis: while paused, newer samples wait for the pause to end.
        auto stretches = series_.stretches(address_, kind.value, from);
        double lo = HUGE_VAL, hi = -HUGE_VAL;
        for (auto& s : stretches) {
            s.erase(std::find_if(s.begin(), s.end(), [x1](const QPointF& pt) { return pt.x() > x1; }),
                    s.end());
            for (const QPointF& pt : s) lo = std::min(lo, pt.y()), hi = std::max(hi, pt.y());
        }
        p.setPen(QColor(0xe4, 0xe4, 0xe4));
        for (qint64 t : ticks) p.drawLine(QPointF(toX(t), r.top()), QPointF(toX(t), r.bottom()));
        const bool noData = lo > hi;
        auto toY = [&](double v) { return r.bottom() - (v - lo) * r.height() / (hi - lo); };
        if (noData) {
            p.setPen(Qt::gray);
            p.drawText(r, Qt::AlignCenter, Texts::tr("нет данных"));
        } else {
            const double pad = hi - lo < 1 ? 1 : 0;  // a flat line sits in the middle
            const double vs = valueStep(hi - lo + 2 * pad, 4);
            lo = std::floor((lo - pad) / vs) * vs;
            hi = std::ceil((hi + pad) / vs) * vs;
            for (double v = lo; v <= hi + vs / 2; v += vs) {
                p.setPen(QColor(0xe4, 0xe4, 0xe4));
                p.drawLine(QPointF(r.left(), toY(v)), QPointF(r.right(), toY(v)));
                p.setPen(Qt::black);
                p.drawText(QRectF(area.left(), toY(v) - fm.height(), left - 6, 2 * fm.height()),
                           Qt::AlignRight | Qt::AlignVCenter, QString::number(v, 'g', 10));
            }
        }
        // The frame goes under the lines: a value on the axis's bound is drawn on it, not hidden by it.
        p.setPen(Qt::darkGray);
        p.drawRect(r);
        if (noData) continue;
        p.save();
        p.setClipRect(r);
        // Only the lines are smoothed: grid and text stay cheap to draw on every refresh.
        p.setRenderHint(QPainter::Antialiasing);
        // A one-pixel pen takes the rasteriser's fast line path; a wider one is stroked as a path.
        p.setPen(QPen(kind.color, 1));
        p.setBrush(kind.color);
        for (const auto& s : stretches) {
            QPolygonF line;
            for (const QPointF& pt : s) line << QPointF(toX(pt.x()), toY(pt.y()));
            p.drawPolyline(thinned(line));
            if (line.size() == 1) p.drawEllipse(line.front(), 2, 2);  // a lone sample
        }
        p.restore();
    }
    p.setPen(Qt::black);
    for (qint64 t : ticks) {
        // An axis of hours or days says the date too.
        const QString label = QDateTime::fromMSecsSinceEpoch(t).toString(
            step >= 3600 * 1000 ? QStringLiteral("dd.MM hh:mm") : QStringLiteral("hh:mm:ss"));
        const double w = fm.horizontalAdvance(label);
        p.drawText(QPointF(std::clamp(toX(t) - w / 2, 0.0, area.width() - w), r.bottom() + fm.ascent() + 4),
                   label);
    }
}

std::pair<qint64, qint64> TrendWindow::defaultAxis() const {
    if (wholeSpan_) {
        const auto& all = series_.samples();
        const auto first =
            std::find_if(all.begin(), all.end(), [this](const auto& s) { return s.address == address_; });
        const auto last =
            std::find_if(all.rbegin(), all.rend(), [this](const auto& s) { return s.address == address_; });
        if (first == all.end()) return {0, 60 * 1000};
        const qint64 from = first->when.toMSecsSinceEpoch(), to = last->when.toMSecsSinceEpoch();
        return to - from >= 1000 ? std::pair{from, to} : std::pair{from - 30 * 1000, from + 30 * 1000};
    }
    const QDateTime end = shownEnd();
    return {end.addSecs(-60 * minutes_).toMSecsSinceEpoch(), end.toMSecsSinceEpoch()};
}

std::pair<qint64, qint64> TrendWindow::shownAxis() const {
    if (!zoom_) return defaultAxis();
    if (!zoomFollows_) return *zoom_;
    // Zoomed at the newest samples: the axis keeps its width and moves on with them.
    const qint64 end = defaultAxis().second;
    return {end - (zoom_->second - zoom_->first), end};
}

void TrendWindow::zoom(double fraction, double factor) {
    const std::pair<qint64, qint64> shown = shownAxis();
    const qint64 x0 = shown.first, x1 = shown.second;
    const std::pair<qint64, qint64> byDefault = defaultAxis();
    const qint64 d0 = byDefault.first, d1 = byDefault.second;
    const double at = x0 + fraction * double(x1 - x0);
    // No closer than a second across the axis.
    const double span = std::max(1000.0, double(x1 - x0) * factor);
    if (span >= double(d1 - d0)) return resetZoom();
    const qint64 from = qint64(std::llround(at - fraction * span));
    zoom_ = {from, from + qint64(span)};
    pan(0);
}

void TrendWindow::pan(double fraction) {
    if (!zoom_ && fraction == 0) return;
    zoom_ = shownAxis();  // where a following axis is now
    auto& [x0, x1] = *zoom_;
    const qint64 span = x1 - x0;
    x0 += qint64(std::llround(fraction * double(span)));
    const std::pair<qint64, qint64> byDefault = defaultAxis();
    const qint64 d0 = byDefault.first, d1 = byDefault.second;
    if (wholeSpan_)
        x0 = std::clamp(x0, d0, std::max(d0, d1 - span));
    else
        x0 = std::min(x0, d1 - span);  // nothing to see after now
    x1 = x0 + span;
    // The live axis that reaches the newest samples (within a twentieth of its width) follows them.
    zoomFollows_ = !wholeSpan_ && x1 >= d1 - span / 20;
    canvas_->update();
}

void TrendWindow::resetZoom() {
    zoom_.reset();
    canvas_->update();
}

void TrendWindow::showWholeSpan(TrendSeries series, quint8 address) {
    series_ = std::move(series);
    wholeSpan_ = true;
    keepMs_ = std::numeric_limits<qint64>::max() / 2;
    span_->hide();
    pause_->hide();
    zoom_.reset();
    setAddress(address);
    // A log of several readers: each can be shown, over its own span.
    std::set<quint8> addresses;
    for (const TrendSeries::Sample& s : series_.samples()) addresses.insert(s.address);
    if (addresses.size() > 1) {
        auto* choice = new QComboBox(this);
        choice->setObjectName(QStringLiteral("trendAddresses"));
        for (quint8 a : addresses) choice->addItem(Texts::tr("Адрес %1").arg(a), a);
        choice->setCurrentIndex(choice->findData(address));
        addressLabel_->hide();
        header_->insertWidget(0, choice);
        connect(choice, &QComboBox::currentIndexChanged, this, [this, choice] {
            zoom_.reset();
            setAddress(quint8(choice->currentData().toUInt()));
        });
    }
    canvas_->update();
}

void TrendWindow::savePng() {
    const QString path =
        dialogs_.saveFileName(Texts::tr("Сохранить график"), QStringLiteral("trend-%1.png").arg(address_),
                              QStringLiteral("PNG (*.png)"));
    if (path.isEmpty()) return;
    // Written whole or not at all, as the CSV files are: a failure leaves an earlier picture as it was.
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "PNG");
    if (!writer.write(grab().toImage())) return reportFailure(dialogs_, path, writer.errorString());
    if (QString why; !saveWholeFile(path, png, &why)) reportFailure(dialogs_, path, why);
}

// The records of the shown address within the shown span, so the file holds what the picture shows.
void TrendWindow::saveCsv() {
    const QString path =
        dialogs_.saveFileName(Texts::tr("Сохранить данные графика"),
                              QStringLiteral("trend-%1.csv").arg(address_), QStringLiteral("CSV (*.csv)"));
    if (path.isEmpty()) return;
    const std::pair<qint64, qint64> shown = shownAxis();
    const qint64 x0 = shown.first, x1 = shown.second;
    const QDateTime from = QDateTime::fromMSecsSinceEpoch(x0, Qt::UTC),
                    end = QDateTime::fromMSecsSinceEpoch(x1, Qt::UTC);
    QByteArray text =
        csv::line(QStringLiteral("time,address,level,temperature,current,gap").split(QLatin1Char(',')));
    for (const TrendSeries::Sample& s : series_.samples())
        if (s.address == address_ && s.when >= from && s.when <= end) text += csvRecord(s);
    if (QString why; !saveWholeFile(path, text, &why)) reportFailure(dialogs_, path, why);
}

}  // namespace kestrel
