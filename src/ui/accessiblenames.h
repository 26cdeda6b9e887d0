#pragma once
// What a screen reader calls each control. Qt names a box after its buddy label and a button after its text;
// without a buddy it falls back on the title of the group box around it, so that the three boxes of
// "Параметры" were all called "Параметры". Here every box, list, trace box, table, read-out and check box is
// paired with its caption, the plain label beside it, found by where the two stand: the caption becomes the
// control's buddy. The few controls without a caption get a name of their own.

#include <functional>

class QAccessibleEvent;
class QWidget;

namespace kestrel {

// Names the controls of `window` and of the windows it owns. Windows not shown yet are laid out first, so
// that their controls stand where they will be seen.
void nameControlsForScreenReaders(QWidget& window);

// Tells screen readers of a change (QAccessible::updateAccessibility). Qt passes an event on only while a
// screen reader listens (QAccessible::isActive); a listener set here hears every one, listening or not, so
// that what a window tells can be heard where no screen reader runs (offscreen). An empty one: none.
using AnnouncementListener = std::function<void(QAccessibleEvent&)>;
void announce(QAccessibleEvent& event);
void setAnnouncementListener(AnnouncementListener listener);

}  // namespace kestrel
