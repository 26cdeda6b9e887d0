#include "protocol/numinput.h"

namespace kestrel {

namespace {

bool isAsciiDigit(QChar c) {
    return c.unicode() >= u'0' && c.unicode() <= u'9';
}

struct Parsed {
    bool isNumber = false;
    bool negative = false;
    QString whole;     // integer digits, leading zeros stripped
    QString fraction;  // fraction digits
};

Parsed split(const QString& text) {
    Parsed p;
    const QString t = text.trimmed();
    int i = 0;
    if (i < t.size() && (t[i] == u'+' || t[i] == u'-')) {
        p.negative = t[i] == u'-';
        ++i;
    }
    const int wholeStart = i;
    while (i < t.size() && isAsciiDigit(t[i])) ++i;
    QString whole = t.mid(wholeStart, i - wholeStart);
    QString fraction;
    if (i < t.size() && (t[i] == u'.' || t[i] == u',')) {
        ++i;
        const int fracStart = i;
        while (i < t.size() && isAsciiDigit(t[i])) ++i;
        fraction = t.mid(fracStart, i - fracStart);
    }
    if (i != t.size() || (whole.isEmpty() && fraction.isEmpty())) return p;
    int nz = 0;
    while (nz < whole.size() && whole[nz] == u'0') ++nz;
    p.whole = whole.mid(nz);
    p.fraction = fraction;
    p.isNumber = true;
    return p;
}

}  // namespace

bool isNumberText(const QString& text) {
    return split(text).isNumber;
}

NumberResult parseWholeNumber(const QString& text, qint64 min, qint64 max) {
    const Parsed p = split(text);
    if (!p.isNumber) return {0, NumberError::NotANumber};
    // 18 digits always fit a qint64 with room for the rounding step; anything longer is out of range.
    if (p.whole.size() > 18) return {0, NumberError::OutOfRange};
    qint64 magnitude = 0;
    for (QChar c : p.whole) magnitude = magnitude * 10 + (c.unicode() - u'0');
    if (!p.fraction.isEmpty()) {
        const int first = p.fraction[0].unicode() - u'0';
        bool restNonZero = false;
        for (int k = 1; k < p.fraction.size(); ++k) restNonZero = restNonZero || p.fraction[k] != u'0';
        const bool up = first > 5 || (first == 5 && (restNonZero || magnitude % 2 == 1));
        if (up) ++magnitude;
    }
    const qint64 value = p.negative ? -magnitude : magnitude;
    if (value < min || value > max) return {value, NumberError::OutOfRange};
    return {value, NumberError::None};
}

NumberResult parseExactWholeNumber(const QString& text, qint64 min, qint64 max) {
    if (text.contains(QLatin1Char('.')) || text.contains(QLatin1Char(',')))
        return {0, NumberError::NotANumber};
    return parseWholeNumber(text, min, max);
}

}  // namespace kestrel
