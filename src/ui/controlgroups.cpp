#include "ui/controlgroups.h"

#include <QVariant>
#include <QWidget>

namespace kestrel {

namespace {
constexpr char kGroupProperty[] = "tag";
constexpr int kFirstSwitched = static_cast<int>(ControlGroup::Operation);
constexpr int kRepeater = static_cast<int>(ControlGroup::Repeater);

template <typename Condition, typename Change>
void walk(QWidget& window, Condition condition, Change change) {
    const auto controls = window.findChildren<QWidget*>();
    for (QWidget* w : controls) {
        const auto group = groupOf(w);
        if (group && condition(*group)) change(w);
    }
}
}  // namespace

void setGroup(QWidget* control, ControlGroup group) {
    control->setProperty(kGroupProperty, QString::number(static_cast<int>(group)));
}

std::optional<int> groupOf(const QObject* control) {
    const QVariant v = control->property(kGroupProperty);
    if (!v.isValid()) return std::nullopt;
    bool ok = false;
    const int group = v.toString().trimmed().toInt(&ok);
    if (!ok) return std::nullopt;
    return group;
}

bool ownEnabled(const QWidget* control) {
    return !control->testAttribute(Qt::WA_ForceDisabled);
}

void disableOperationControls(QWidget& window) {
    walk(
        window, [](int g) { return g >= kFirstSwitched; }, [](QWidget* w) { w->setEnabled(false); });
}

void enableOperationControls(QWidget& window) {
    walk(
        window, [](int g) { return g >= kFirstSwitched && g < kRepeater; },
        [](QWidget* w) { w->setEnabled(true); });
}

}  // namespace kestrel
