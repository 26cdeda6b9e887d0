#pragma once
// How a read-out admits its age: while what it shows is stale (the model's marks, set by the session's
// rule), it is greyed as a disabled control looks, yet stays usable (a box can still be typed into, its
// text stays), and its tooltip says since when and why, after the control's own tooltip. The dynamic
// property "stale" tells tests and style sheets.

#include <QString>
#include <initializer_list>
#include <optional>

#include "session/devicemodel.h"

class QWidget;

namespace kestrel {

inline constexpr char kStaleProperty[] = "stale";

// "Нет ответа с 14:03:12\nПолучено в 14:03:11", or for another device's value
// "Значение адреса 7, выбран другой адрес в 14:03:12\nПолучено в 14:03:11".
QString stalenessText(const Staleness& s);

// Marks the controls stale (greyed, with the reason in the tooltip) or current (as they were built).
void showStaleness(std::initializer_list<QWidget*> controls, const std::optional<Staleness>& s);

}  // namespace kestrel
