#pragma once
// The one conversion of typed numbers used by every dialog and text box.
//
// Accepted: blanks around the number, an optional sign, decimal digits, and an optional fraction after
// "." or "," (both are decimal separators: Russian users type the comma). The fraction is rounded to the
// nearest whole number, halves to the even one (2.5 -> 2, 3.5 -> 4, -2.5 -> -2).
// Refused as not a number: empty or blank text, letters, blanks inside the number, exponents ("1e3"),
// hex prefixes ("0x10"), group separators, more than one separator, non-ASCII digits.

#include <QString>
#include <QtGlobal>

namespace kestrel {

enum class NumberError { None, NotANumber, OutOfRange };

struct NumberResult {
    qint64 value = 0;
    NumberError error = NumberError::NotANumber;
    bool ok() const { return error == NumberError::None; }
};

// Reads `text` as a whole number that must lie in min..max (inclusive).
NumberResult parseWholeNumber(const QString& text, qint64 min, qint64 max);

// The same without rounding: a fraction ("4.6", "4,6", "2.5", even "5.0") is not a whole number. For
// values that scripts and files give, where a rounded number would reach a device nobody named.
NumberResult parseExactWholeNumber(const QString& text, qint64 min, qint64 max);

// True when `text` reads as a number at all, whatever its size.
bool isNumberText(const QString& text);

}  // namespace kestrel
