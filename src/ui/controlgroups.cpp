#include "ui/controlgroups.h"

#include <QVariant>
#include <QWidget>

namespace kestrel {

namespace {
constexpr char kGroupProperty[] = "tag";
constexpr int kFirstSwitched = static_cast<int>(ControlGroup::Operation);
constexpr int kFirstDeviceType = static_cast<int>(ControlGroup::DeviceType130);
constexpr int kEndDeviceTypes = 215;  // device types 134 and above release the groups up to 214

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

void toggleOperationControls(QWidget& window) {
    walk(
        window, [](int g) { return g >= kFirstSwitched && g < kFirstDeviceType; },
        [](QWidget* w) { w->setEnabled(!ownEnabled(w)); });
}

void enableDeviceTypePanels(QWidget& window, int type) {
    auto enable = [&window](auto condition) {
        walk(window, condition, [](QWidget* w) { w->setEnabled(true); });
    };
    constexpr int t130 = static_cast<int>(ControlGroup::DeviceType130);
    constexpr int t131 = static_cast<int>(ControlGroup::DeviceType131);
    constexpr int t134 = static_cast<int>(ControlGroup::DeviceType134);
    if (type >= t130) enable([](int g) { return g == t130; });
    if (type >= t131) enable([](int g) { return g == t131; });
    if (type >= t134) enable([](int g) { return g >= t134 && g < kEndDeviceTypes; });
}

}  // namespace kestrel
