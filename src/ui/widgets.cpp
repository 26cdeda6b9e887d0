#include "ui/widgets.h"

#include <QPainter>
#include <QScreen>
#include <QTextCursor>

namespace kestrel {

QSize sizeWithinScreen(const QWidget* window, QSize wanted) {
    // Room for the window's frame and a desktop's panels.
    if (const QScreen* screen = window->screen()) return wanted.boundedTo(screen->availableSize() * 9 / 10);
    return wanted;
}

TraceBox::TraceBox(QWidget* parent) : QPlainTextEdit(parent) {
    setReadOnly(true);
    // A read-only box replaced every tick keeps no undo history.
    setUndoRedoEnabled(false);
}

void TraceBox::setTraceText(const QString& text) {
    raw_ = text;
    display();
}

void TraceBox::appendTraceText(const QString& text) {
    raw_ += text;
    if (raw_.size() > kMaxChars) {
        // Keep the newest text, cut at a line break so no line is shown half.
        int cut = raw_.size() - kMaxChars;
        const int nl = raw_.indexOf(QLatin1Char('\n'), cut);
        if (nl >= 0) cut = nl + 1;
        raw_.remove(0, cut);
    }
    display();
}

void TraceBox::display() {
    // A hidden box waits for its showing; the same text again (the same request on every tick) is not
    // laid out again.
    if (!isVisible() || raw_ == shown_) return;
    shown_ = raw_;
    // Replaced through a cursor: setPlainText() would also clear the document's formats and resources and
    // lay the box out from nothing, every tick.
    QTextCursor all(document());
    all.beginEditBlock();
    all.select(QTextCursor::Document);
    all.insertText(QString(raw_).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    all.endEditBlock();
}

void TraceBox::showEvent(QShowEvent* event) {
    QPlainTextEdit::showEvent(event);
    display();
}

Lamp::Lamp(QWidget* parent) : QWidget(parent) {}

void Lamp::setColour(quint32 bgr) {
    if (bgr == bgr_) return;
    bgr_ = bgr;
    update();
}

QColor Lamp::qcolor() const {
    return QColor(bgr_ & 0xFF, (bgr_ >> 8) & 0xFF, (bgr_ >> 16) & 0xFF);
}

void Lamp::paintEvent(QPaintEvent*) {
    // The lamp changes on every tick and a smoothed circle costs far more than a copy, so each colour's
    // picture is drawn once for the lamp's size.
    const qreal ratio = devicePixelRatioF();
    if (pictureSize_ != size() * ratio) {
        pictures_.clear();
        pictureSize_ = size() * ratio;
    }
    QPixmap& picture = pictures_[bgr_];
    if (picture.isNull()) {
        picture = QPixmap(pictureSize_);
        picture.setDevicePixelRatio(ratio);
        picture.fill(Qt::transparent);
        QPainter p(&picture);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(qcolor());
        const int d = qMin(width(), height()) - 2;
        p.drawEllipse(QRectF((width() - d) / 2.0, (height() - d) / 2.0, d, d));
    }
    QPainter(this).drawPixmap(0, 0, picture);
}

void LevelBar::showLevel(int level) {
    if (value() == level) return;
    setUpdatesEnabled(false);
    setValue(level);
    setUpdatesEnabled(true);  // schedules the repaint
}

void LevelBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QPalette& pal = palette();
    p.setPen(pal.color(QPalette::Mid));
    p.setBrush(pal.color(QPalette::Base));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    const QRect inside = rect().adjusted(1, 1, -1, -1);
    const qint64 span = qint64(maximum()) - minimum();
    const qint64 done = qBound<qint64>(0, qint64(value()) - minimum(), span);
    const int width = span > 0 ? int(inside.width() * done / span) : 0;
    if (width > 0)
        p.fillRect(QRect(inside.left(), inside.top(), width, inside.height()),
                   pal.color(QPalette::Highlight));
}

}  // namespace kestrel
