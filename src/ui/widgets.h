#pragma once
// Small widgets of the main window: the trace boxes, the activity lamp and the level bar; a window's first
// size on the screen.

#include <QHash>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QWidget>

namespace kestrel {

// `wanted`, or less where the screen `window` opens on has less room: a window's first size, which leaves
// the whole window on the screen at any scale.
QSize sizeWithinScreen(const QWidget* window, QSize wanted);

// A trace box. It keeps its text exactly as written (line breaks are CR LF) and shows it with plain
// line breaks. Appended text is capped so that a box written every second never grows without end.
class TraceBox : public QPlainTextEdit {
    Q_OBJECT
  public:
    static constexpr int kMaxChars = 16000;
    explicit TraceBox(QWidget* parent = nullptr);
    void setTraceText(const QString& text);
    void appendTraceText(const QString& text);
    QString traceText() const { return raw_; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    // Lays the text out only while the box is seen: a hidden box would lay out every trace for nothing.
    void display();
    QString raw_;
    QString shown_;  // the raw text last laid out
};

// The round activity lamp; its colour is kept as 0xBBGGRR.
class Lamp : public QWidget {
    Q_OBJECT
  public:
    explicit Lamp(QWidget* parent = nullptr);
    quint32 colour() const { return bgr_; }
    void setColour(quint32 bgr);
    QColor qcolor() const;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    quint32 bgr_ = 0x00FFFF;
    QHash<quint32, QPixmap> pictures_;  // the lamp in each colour shown so far, at pictureSize_
    QSize pictureSize_;
};

// The level bar, painted as a plain bar in a frame. The style's own bar is drawn with wide diagonal stripes,
// which cost more than all the rest of a tick's repaint, and the level may change on every tick.
class LevelBar : public QProgressBar {
    Q_OBJECT
  public:
    using QProgressBar::QProgressBar;
    // A new level, painted in the window's next repaint together with the tick's other changes (the
    // progress bar's own setValue() repaints at once, apart from them).
    void showLevel(int level);

  protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace kestrel
