#include "ui/statusbar.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QDateTime>
#include <QLabel>
#include <QLocale>
#include <algorithm>
#include <utility>

#include "device/commands.h"
#include "device/texts.h"
#include "protocol/translation.h"
#include "session/devicesession.h"
#include "ui/accessiblenames.h"
#include "ui/controlnames.h"

namespace kestrel {

namespace {
constexpr int kFieldMargin = 8;  // the sunken frame and a little air on each side of the text

// A field of the bar. It shows its value, cut to the field when too long, and keeps it whole for screen
// readers; its accessible name (the property) is its title.
class Field : public QLabel {
  public:
    using QLabel::QLabel;
    const QString& value() const { return value_; }
    // What a screen reader says for the field: its title and its value.
    QString spoken() const {
        return value_.isEmpty() ? accessibleName() : QStringLiteral("%1: %2").arg(accessibleName(), value_);
    }
    // A new value, told as QLabel tells a new text (the name changed; the property holds the title, so the
    // label tells nothing itself), and as the text it is.
    void setValue(const QString& value) {
        if (value == value_) return;
        const QString before = std::exchange(value_, value);
        QAccessibleEvent named(this, QAccessible::NameChanged);
        announce(named);
        QAccessibleTextUpdateEvent text(this, 0, before, value_);
        announce(text);
    }

  private:
    QString value_;
};

// A field as a screen reader meets it: a static text named "title: value", whose Text interface holds the
// value, read-only, with no caret and nothing selected.
class FieldAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
  public:
    explicit FieldAccessible(Field* f) : QAccessibleWidget(f, QAccessible::StaticText) {}
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Name ? field()->spoken() : QAccessibleWidget::text(t);
    }
    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }
    QString text(int start, int end) const override { return field()->value().mid(start, end - start); }
    int characterCount() const override { return int(field()->value().size()); }
    void selection(int, int* start, int* end) const override { *start = *end = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int* start, int* end) const override {
        *start = *end = offset;
        return {};
    }

  private:
    Field* field() const { return static_cast<Field*>(widget()); }
};

QAccessibleInterface* fieldAccessible(const QString&, QObject* object) {
    auto* f = dynamic_cast<Field*>(object);
    return f ? new FieldAccessible(f) : nullptr;
}

}  // namespace

StatusBar::StatusBar(DeviceSession& session, int width, QWidget* parent)
    : QWidget(parent), session_(session) {
    setObjectName(ctl::statusBar);
    setAccessibleName(Texts::tr("Строка состояния"));
    // Before any field is asked for its accessible interface, which Qt keeps once made.
    static const bool fieldsAccessible = (QAccessible::installFactory(fieldAccessible), true);
    Q_UNUSED(fieldsAccessible);
    // The device, the reply and the success fields are as wide as their longest texts in the language
    // shown (a week of silence, ten million requests); the port and the last write take the rest of their
    // lines and show a longer text cut, whole in the tooltip.
    const QFontMetrics metrics = fontMetrics();
    const auto fitting = [&](const QStringList& texts) {
        int widest = 0;
        for (const QString& t : texts) widest = std::max(widest, metrics.horizontalAdvance(t));
        return widest + 2 * kFieldMargin;
    };
    const int deviceWidth = fitting({Texts::tr("адрес %1").arg(254) + Texts::tr(", сер. № %1").arg(99999999),
                                     Texts::tr("адрес не выбран")});
    const QString week = QString::number(999999);
    const int replyWidth =
        fitting({Texts::tr("ответы не разобраны (мусор) %1 с").arg(week),
                 Texts::tr("нет ответа %1 с").arg(week), Texts::tr("ответ %1 с назад").arg(week),
                 Texts::tr("ответ был в %1").arg(QStringLiteral("23:59:59")), Texts::tr("ожидание ответа")});
    const int successWidth =
        fitting({Texts::tr("успешно %1 % (%2 из %3)").arg(99).arg(9999999).arg(9999999)});
    const int replyX = width - replyWidth;
    const int deviceX = replyX - deviceWidth;
    const int successX = width - successWidth;
    port_ = field(ctl::statusPort, Texts::tr("Порт"), {0, 0, deviceX});
    device_ = field(ctl::statusDevice, Texts::tr("Устройство"), {deviceX, 0, deviceWidth});
    reply_ = field(ctl::statusReply, Texts::tr("Последний ответ"), {replyX, 0, replyWidth});
    write_ = field(ctl::statusWrite, Texts::tr("Последняя запись"), {0, 1, successX});
    success_ = field(ctl::statusSuccess, Texts::tr("Успешные ответы"), {successX, 1, successWidth});
    resize(width, kHeight);
    connect(&session, &DeviceSession::linkChanged, this, &StatusBar::refresh);
    connect(&session, &DeviceSession::pollingPausedChanged, this, &StatusBar::refresh);
    connect(&session, &DeviceSession::addressChanged, this, &StatusBar::refresh);
    connect(&session, &DeviceSession::tickFinished, this, &StatusBar::refresh);
    refresh();
}

QLabel* StatusBar::field(const QString& name, const QString& title, Place at) {
    auto* l = new Field(this);
    l->setObjectName(name);
    l->setGeometry(at.x, at.line * kLineHeight + 1, at.width, kLineHeight - 2);
    l->setTextFormat(Qt::PlainText);
    l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    l->setAccessibleName(title);
    return l;
}

void StatusBar::showText(QLabel* field, const QString& text, const QString& hint) {
    // A text too long for its field is cut, and shown whole as a tooltip: a long device path in the middle,
    // so that the state stays in view; the others at their end.
    const Qt::TextElideMode cut = field == port_ ? Qt::ElideMiddle : Qt::ElideRight;
    const QString shown = field->fontMetrics().elidedText(text, cut, field->width() - kFieldMargin);
    field->setText(shown);
    static_cast<Field*>(field)->setValue(text);
    QString tip = shown == text ? QString() : text;
    if (!hint.isEmpty()) tip += (tip.isEmpty() ? QString() : QStringLiteral("\n")) + hint;
    if (tip != field->toolTip()) field->setToolTip(tip);
}

void StatusBar::refresh() {
    using Link = DeviceSession::Link;
    const Link link = session_.link();
    const bool open = link == Link::Open;
    // The line settings are the ones the link always opens the port with.
    const QString port = session_.portName() + QStringLiteral(", 19200 8N1, ");
    switch (link) {
        case Link::Closed:
            showText(port_, Texts::tr("Порт закрыт"));
            break;
        case Link::Open:
            showText(port_, port + (session_.pollingPaused() ? Texts::tr("опрос приостановлен")
                                                             : Texts::tr("открыт")));
            break;
        case Link::Waiting:
            showText(port_, port + Texts::tr("потерян, ожидание возврата"));
            break;
    }

    const std::optional<quint8> address = session_.address();
    QString device;
    if (open && !address) {
        device = Texts::tr("адрес не выбран");
    } else if (open) {
        device = Texts::tr("адрес %1").arg(int(*address));
        // The serial number once this device told it: an identity shown as another device's is not its own.
        const auto& identity = session_.model().identity().value;
        const auto& mark = session_.model().staleness(Reading::Identity);
        if (identity && identity->serial && !(mark && mark->why == Staleness::Why::OtherAddress))
            device += Texts::tr(", сер. № %1").arg(*identity->serial);
    }
    showText(device_, device);

    QString reply, replyHint;
    const QDateTime now = QDateTime::currentDateTime();
    const QDateTime last = session_.lastReplyAt();
    const QDateTime silent = session_.silentSince();
    if (!open || !address) {
        // Nothing is asked: no reply to wait for.
    } else if (session_.pollingPaused()) {
        if (last.isValid())
            reply = Texts::tr("ответ был в %1").arg(last.toString(QStringLiteral("HH:mm:ss")));
    } else if (silent.isValid() && session_.silentWithBytes()) {
        // Bytes come but no reply is made of them: most often an adapter's echo of each request, kept.
        reply = Texts::tr("ответы не разобраны (мусор) %1 с").arg(std::max<qint64>(0, silent.secsTo(now)));
        replyHint = Texts::tr(
            "Байты приходят, но ни один ответ не разобран. Если адаптер возвращает каждый "
            "запрос, выберите «Связь» → «Эхо запроса» → «Авто» или «Всегда убирать».");
    } else if (silent.isValid()) {
        reply = Texts::tr("нет ответа %1 с").arg(std::max<qint64>(0, silent.secsTo(now)));
    } else if (last.isValid()) {
        const double seconds = std::max<qint64>(0, last.msecsTo(now)) / 1000.0;
        reply = Texts::tr("ответ %1 с назад").arg(QLocale::system().toString(seconds, 'f', 1));
    } else {
        reply = Texts::tr("ожидание ответа");
    }
    showText(reply_, reply, replyHint);

    // Good replies per request to the addressed device since the port was opened, in whole per cent (never
    // rounded up to 100 while one is missing).
    QString success;
    const auto& counts = session_.linkStatistics().byAddress();
    if (open && address) {
        if (const auto it = counts.find(*address); it != counts.end() && it->second.requests > 0) {
            const int requests = it->second.requests;
            const int good = std::min(it->second.decoded, requests);
            success = Texts::tr("успешно %1 % (%2 из %3)").arg(good * 100 / requests).arg(good).arg(requests);
        }
    }
    showText(success_, success);

    // The last write's outcome, until the next write.
    QString write;
    if (const std::optional<WriteCheck> w = session_.lastWrite(); w && link != Link::Closed) {
        const QString what = cmd::writtenTitle(w->command);
        write = w->confirmed ? text::written(what) : text::writeNotConfirmed(what);
    } else if (link != Link::Closed) {
        write = Texts::tr("записей не было");  // an empty line would read as a fault of the window
    }
    showText(write_, write);
}

}  // namespace kestrel
