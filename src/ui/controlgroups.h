#pragma once
// Group tags: every control of the main window may carry a number that decides which routine enables
// or disables it. The routines walk all controls and change only the enabled state, never visibility.

#include <optional>

class QWidget;
class QObject;

namespace kestrel {

inline constexpr char kTagProperty[] = "tag";

void setTag(QWidget* control, int tag);
// The control's tag, or nothing when it has none (or it is not a number).
std::optional<int> tagOf(const QObject* control);
// The control's own enabled state, whatever its parents' states.
bool ownEnabled(const QWidget* control);

void CloseAllTags(QWidget& window);  // tag > 8: disable
void SwitchTags(QWidget& window);    // 8 < tag < 130: invert the own enabled state
void swtag130(QWidget& window);      // tag = 130: enable
void swtag131(QWidget& window);      // tag = 131: enable
void swtag134(QWidget& window);      // 134 <= tag < 215: enable
// The panel sets for a device type, cumulatively: 130, then 131, then 134.
void applyDeviceType(QWidget& window, int type);

}  // namespace kestrel
