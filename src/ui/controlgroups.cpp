#include "ui/controlgroups.h"

#include <QVariant>
#include <QWidget>

namespace kestrel {

void setTag(QWidget* control, int tag) { control->setProperty(kTagProperty, QString::number(tag)); }

std::optional<int> tagOf(const QObject* control) {
    const QVariant v = control->property(kTagProperty);
    if (!v.isValid()) return std::nullopt;
    bool ok = false;
    const int tag = v.toString().trimmed().toInt(&ok);
    if (!ok) return std::nullopt;
    return tag;
}

bool ownEnabled(const QWidget* control) { return !control->testAttribute(Qt::WA_ForceDisabled); }

namespace {
template <typename Condition, typename Change>
void walk(QWidget& window, Condition condition, Change change) {
    const auto controls = window.findChildren<QWidget*>();
    for (QWidget* w : controls) {
        const auto tag = tagOf(w);
        if (tag && condition(*tag)) change(w);
    }
}
void enable(QWidget* w) { w->setEnabled(true); }
}  // namespace

void CloseAllTags(QWidget& window) {
    walk(window, [](int t) { return t > 8; }, [](QWidget* w) { w->setEnabled(false); });
}

void SwitchTags(QWidget& window) {
    walk(window, [](int t) { return t > 8 && t < 130; }, [](QWidget* w) { w->setEnabled(!ownEnabled(w)); });
}

void swtag130(QWidget& window) { walk(window, [](int t) { return t == 130; }, enable); }
void swtag131(QWidget& window) { walk(window, [](int t) { return t == 131; }, enable); }
void swtag134(QWidget& window) { walk(window, [](int t) { return t >= 134 && t < 215; }, enable); }

void applyDeviceType(QWidget& window, int type) {
    if (type >= 130) swtag130(window);
    if (type >= 131) swtag131(window);
    if (type >= 134) swtag134(window);
}

}  // namespace kestrel
