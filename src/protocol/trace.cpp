#include "protocol/trace.h"

#include "protocol/frame.h"

namespace kestrel {

QString hexByte(quint8 b) {
    return QString::number(b, 16).toUpper();
}

QString hexDump(const QByteArray& bytes, QChar separator) {
    QString out;
    out.reserve(bytes.size() * 3);
    for (char c : bytes) {
        out += hexByte(static_cast<quint8>(c));
        out += separator;
    }
    return out;
}

QString requestBoxText(const QByteArray& request) {
    return hexDump(request, QLatin1Char('_'));
}

QString printableText(const QByteArray& bytes) {
    QString out;
    out.reserve(bytes.size());
    for (char c : bytes) {
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

QString requestTraceText(const QByteArray& bytes) {
    return hexDump(bytes, QLatin1Char(' ')) + kLineBreak + kLineBreak + printableText(bytes);
}

QString replyTraceText(const QByteArray& reply, std::optional<quint8> pollCheck) {
    const quint8 check = crc8(reply.left(reply.size() - 1));
    return hexDump(reply, QLatin1Char(' ')) + hexByte(check) + QLatin1Char(' ') + kLineBreak + kLineBreak +
           printableText(reply) + hexByte(pollCheck.value_or(0));
}

}  // namespace kestrel
