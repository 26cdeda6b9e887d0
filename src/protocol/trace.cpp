#include "protocol/trace.h"

#include "protocol/crc.h"

namespace kestrel {

QString hexByte(quint8 b) { return QString::number(b, 16).toUpper(); }

QString hexDump(const QByteArray& bytes, QChar separator) {
    QString out;
    out.reserve(bytes.size() * 3);
    for (char c : bytes) {
        out += hexByte(static_cast<quint8>(c));
        out += separator;
    }
    return out;
}

QString PrintToWinText(const QByteArray& wdd) { return hexDump(wdd, QLatin1Char('_')); }

QString CleanStr(const QByteArray& textLine) {
    QString out;
    out.reserve(textLine.size());
    for (char c : textLine) {
        const quint8 b = static_cast<quint8>(c);
        if (b == 93) {
            out += QStringLiteral("<ACK>");
        } else if (b == 91) {
            out += QStringLiteral("<NAK>");
        } else if (b >= 48) {
            out += QChar(static_cast<char16_t>(b));
        } else if (b == 13) {
            out += QStringLiteral("<CR>");
        } else if (b == 10) {
            out += QStringLiteral("<LF>");
        } else {
            out += QLatin1Char('@');
        }
    }
    return out;
}

QString out_winText(const QByteArray& bytes) {
    return hexDump(bytes, QLatin1Char(' ')) + kLineBreak + kLineBreak + CleanStr(bytes);
}

QString replyTraceText(const QByteArray& reply, std::optional<quint8> pollCheck) {
    const quint8 check = crc8(reply.left(reply.size() - 1));
    return hexDump(reply, QLatin1Char(' ')) + hexByte(check) + QLatin1Char(' ') + kLineBreak + kLineBreak +
           CleanStr(reply) + hexByte(pollCheck.value_or(0));
}

}  // namespace kestrel
