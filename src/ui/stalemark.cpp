#include "ui/stalemark.h"

#include <QPalette>
#include <QVariant>
#include <QWidget>

#include "protocol/translation.h"

namespace kestrel {

namespace {

// The control's own tooltip, kept while the reason is shown after it.
constexpr char kOwnToolTip[] = "kestrelOwnToolTip";

QString clock(const QDateTime& t) {
    return t.toString(QStringLiteral("HH:mm:ss"));
}

void showStaleness(QWidget* w, const std::optional<Staleness>& s) {
    const bool marked = w->property(kStaleProperty).toBool();
    if (!s) {
        if (!marked) return;
        w->setProperty(kStaleProperty, false);
        w->setPalette(QPalette());  // inherited again, as built
        w->setToolTip(w->property(kOwnToolTip).toString());
        return;
    }
    if (!marked) {
        w->setProperty(kOwnToolTip, w->toolTip());
        w->setProperty(kStaleProperty, true);
        // The texts (and the level bar's fill) in the colours of a disabled control; the box stays usable.
        QPalette p = w->palette();
        for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText,
                                               QPalette::Highlight, QPalette::HighlightedText})
            for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
                p.setColor(group, role, p.color(QPalette::Disabled, role));
        w->setPalette(p);
    }
    const QString own = w->property(kOwnToolTip).toString();
    const QString why = stalenessText(*s);
    w->setToolTip(own.isEmpty() ? why : own + QLatin1Char('\n') + why);
}

}  // namespace

QString stalenessText(const Staleness& s) {
    QString text;
    if (s.why == Staleness::Why::NoReply)
        text = Texts::tr("Нет ответа с %1").arg(clock(s.since));
    else if (s.from)
        text =
            Texts::tr("Значение адреса %1, выбран другой адрес в %2").arg(int(*s.from)).arg(clock(s.since));
    else
        text = Texts::tr("Выбран другой адрес в %1").arg(clock(s.since));
    if (s.valueAt.isValid()) text += QLatin1Char('\n') + Texts::tr("Получено в %1").arg(clock(s.valueAt));
    return text;
}

void showStaleness(std::initializer_list<QWidget*> controls, const std::optional<Staleness>& s) {
    for (QWidget* w : controls) showStaleness(w, s);
}

}  // namespace kestrel
