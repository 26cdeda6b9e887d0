#include "protocol/hexid.h"

#include "protocol/reply.h"
#include "protocol/trace.h"

namespace kestrel {

QString HexIdResult::message() const {
    switch (error) {
        case HexIdError::TooLong:
            return tooManyIdChars();
        case HexIdError::NotHex:
            return notHex();
        case HexIdError::None:
            break;
    }
    return {};
}

quint32 HexIdResult::value() const {
    if (!ok()) return 0;  // exactly four bytes otherwise
    return Reply(bytes).u32be(1).value_or(0);
}

namespace {
int nibble(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9') return u - u'0';
    if (u >= u'A' && u <= u'F') return u - u'A' + 10;
    if (u >= u'a' && u <= u'f') return u - u'a' + 10;
    return -1;
}
}  // namespace

HexIdResult parseHexId(const QString& text) {
    if (text.size() > 8) return {{}, HexIdError::TooLong};
    QByteArray digits;
    for (QChar c : text) {
        const int v = nibble(c);
        if (v < 0) return {{}, HexIdError::NotHex};
        digits.append(static_cast<char>(v));
    }
    QByteArray out;
    int i = 0;
    if (digits.size() % 2 == 1) out.append(digits[i++]);
    for (; i + 1 < digits.size(); i += 2) out.append(static_cast<char>(digits[i] * 16 + digits[i + 1]));
    out.prepend(QByteArray(4 - out.size(), '\0'));
    return {out, HexIdError::None};
}

QString formatHexId(quint8 b1, quint8 b2, quint8 b3, quint8 b4) {
    auto two = [](quint8 b) { return QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper(); };
    return hexByte(b1) + two(b2) + two(b3) + two(b4);
}

QString formatHexId(quint32 value) {
    return formatHexId(static_cast<quint8>(value >> 24), static_cast<quint8>(value >> 16),
                       static_cast<quint8>(value >> 8), static_cast<quint8>(value));
}

}  // namespace kestrel
