#pragma once
// The hostile set of typed texts, tried on every text box and dialog of the window and every argument of
// kestrel-cli, with what each reads as under the documented rules of typed numbers (written out by hand):
// blanks around, an optional sign, decimal digits, an optional fraction after "." or "," rounded half to
// even; nothing else (no exponents, hex prefixes, non-ASCII digits, NUL, marks). Identifiers typed in hex:
// at most eight characters, each a hex digit.
#include <QString>
#include <functional>
#include <limits>
#include <optional>
#include <vector>

#include "device/texts.h"
#include "protocol/hexid.h"

namespace kestrel::test {

using Reading = std::optional<long double>;  // what a text reads as; none: not a number

struct Hostile {
    QString text;
    Reading reading;
};

inline std::vector<Hostile> hostileSet() {
    return {
        {QString(), std::nullopt},
        {QStringLiteral("   "), std::nullopt},
        {QStringLiteral("abc"), std::nullopt},
        {QStringLiteral("0x10"), std::nullopt},
        {QStringLiteral("1e3"), std::nullopt},
        {QStringLiteral("-0"), 0},
        {QStringLiteral("+5"), 5},
        {QStringLiteral("2147483648"), 2147483648.0L},
        {QStringLiteral("4294967296"), 4294967296.0L},
        {QStringLiteral("12345678901234567890"), 12345678901234567890.0L},
        {QStringLiteral("10,5"), 10},
        {QStringLiteral("10.5"), 10},
        {QStringLiteral("4,6"), 5},
        {QString(10000, QLatin1Char('9')), std::numeric_limits<long double>::infinity()},
        {QString(QChar(0)), std::nullopt},
        {QStringLiteral("5") + QChar(0), std::nullopt},
        {QString::fromUtf8("\xF0\x9F\x98\x80"), std::nullopt},  // an emoji
        {QChar(0x200F) + QStringLiteral("5"), std::nullopt},    // a right-to-left mark before 5
        {QString::fromUtf8("\xD9\xA5"), std::nullopt},          // Arabic-Indic five
        {QString::fromUtf8("\xEF\xBC\x95"), std::nullopt},      // full-width five
        {QStringLiteral("%s%n"), std::nullopt},
    };
}

// The refusal a value gets (none: accepted).
using Rule = std::function<std::optional<QString>(const Hostile&)>;

inline Rule range(long double lo, long double hi, std::function<QString()> message) {
    return [=](const Hostile& h) -> std::optional<QString> {
        if (!h.reading || *h.reading < lo || *h.reading > hi) return message();
        return std::nullopt;
    };
}

// What scripts and files give: a whole number, never a fraction to round (kestrel-cli, backup files).
// The refusal names the argument and its range.
inline Rule exactRange(long double lo, long double hi, const QString& what) {
    return [=](const Hostile& h) -> std::optional<QString> {
        const bool fraction = h.text.contains(QLatin1Char('.')) || h.text.contains(QLatin1Char(','));
        if (fraction || !h.reading || *h.reading < lo || *h.reading > hi)
            return QStringLiteral("%1: нужно целое число от %2 до %3, задано \"%4\"")
                .arg(what)
                .arg(qint64(lo))
                .arg(qint64(hi))
                .arg(h.text.left(40));
        return std::nullopt;
    };
}

inline Rule hexIdentifier() {
    return [](const Hostile& h) -> std::optional<QString> {
        if (h.text.size() > 8) return tooManyIdChars();
        for (QChar c : h.text)
            if (!QStringLiteral("0123456789ABCDEFabcdef").contains(c)) return notHex();
        return std::nullopt;
    };
}

// A tag write reads delay and power as 32-bit numbers first ("Введены ошибочные данные" when not), then
// checks their own ranges; the period must be a positive 16-bit number, and zero has its own message.
inline Rule tagPower() {
    return [](const Hostile& h) -> std::optional<QString> {
        if (!h.reading || *h.reading < -2147483648.0L || *h.reading > 2147483647.0L) return text::wrongData();
        if (*h.reading < -125 || *h.reading > 125) return text::powerRange();
        return std::nullopt;
    };
}
inline Rule tagPeriod() {
    return [](const Hostile& h) -> std::optional<QString> {
        if (!h.reading || *h.reading < -32768 || *h.reading > 32767) return text::wrongData();
        if (*h.reading == 0) return text::periodZero();
        if (*h.reading < 0) return text::wrongData();
        return std::nullopt;
    };
}
// A tag identifier typed in decimal: a number at all, then an unsigned 32-bit one.
inline Rule decimalId() {
    return [](const Hostile& h) -> std::optional<QString> {
        if (!h.reading) return text::idNotDecimal();
        if (*h.reading < 0 || *h.reading > 4294967295.0L) return text::wrongData();
        return std::nullopt;
    };
}

}  // namespace kestrel::test
