#pragma once
// Control groups: every control of the main window may belong to a group that decides when it is
// enabled. The routines walk all controls and change only the enabled state, never visibility.

#include <optional>

class QWidget;
class QObject;

namespace kestrel {

// The group value is stored on the control; the enabling routines compare ranges of these values.
enum class ControlGroup {
    Port = 2,        // frame "Связь" and "Открыть порт": never switched
    PortList = 7,    // the port list: never switched
    Operation = 9,   // usable only while a port is open
    Repeater = 220,  // the repeater option: starts disabled and stays so
};

void setGroup(QWidget* control, ControlGroup group);
// The control's group value, or nothing when it has none.
std::optional<int> groupOf(const QObject* control);
// The control's own enabled state, whatever its parents' states.
bool ownEnabled(const QWidget* control);

// Port closed: every operation and repeater control disabled.
void disableOperationControls(QWidget& window);
// Port opened: every operation control enabled (the repeater stays disabled).
void enableOperationControls(QWidget& window);

}  // namespace kestrel
