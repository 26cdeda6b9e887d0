#include "device/ranges.h"

#include "protocol/numinput.h"
#include "protocol/translation.h"

namespace kestrel::device {

ExactValue exactValueIn(const QString& text, FieldRange r, const QString& what) {
    const NumberResult n = parseExactWholeNumber(text, r.min, r.max);
    if (n.ok()) return {n.value, {}};
    return {0, Texts::tr("%1: нужно целое число от %2 до %3, задано \"%4\"")
                   .arg(what)
                   .arg(r.min)
                   .arg(r.max)
                   .arg(text.left(40))};
}

}  // namespace kestrel::device
