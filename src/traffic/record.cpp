#include "traffic/record.h"

#include "device/commands.h"
#include "protocol/frame.h"
#include "protocol/translation.h"
#include "traffic/csv.h"

namespace kestrel::traffic {

namespace {

// "31 05 F0 FE": two digits a byte, so columns of the log line up.
QString hexText(const QByteArray& bytes) {
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

// The command's stable English name: "current-params", "network-poll" for the bus search.
QString commandKey(const Record& r) {
    if (!r.code) return r.address == kPollAddress ? QStringLiteral("network-poll") : QString();
    const cmd::CommandInfo* info = cmd::commandInfo(*r.code);
    return info ? QString::fromUtf8(info->key) : QString();
}

QString codeText(quint8 code) {
    return QStringLiteral("%1").arg(code, 2, 16, QLatin1Char('0')).toUpper();
}

// The reply's hex bytes, with what was cut off it told after them.
QString replyText(const Record& r, const QString& cutOff) {
    const QString bytes = hexText(r.reply);
    const qsizetype more = r.replyLength - r.reply.size();
    return more > 0 ? bytes + QStringLiteral(" … ") + cutOff.arg(more) : bytes;
}

bool framedReply(const QByteArray& reply) {
    return reply.size() >= 3 && static_cast<quint8>(reply[0]) == kReplyStart;
}

}  // namespace

Record recordOf(const Transaction& t) {
    Record r;
    r.time = t.writtenAt.isValid() ? t.writtenAt : QDateTime::currentDateTimeUtc();
    r.request = t.request;
    r.reply = t.reply.left(kKeptReplyBytes);
    r.replyLength = t.reply.size();
    r.replyMs = t.replyTimeMs();
    r.outcome = t.outcome;
    r.echoRemoved = t.echoRemoved;
    if (t.request == networkPollRequest()) {
        r.address = kPollAddress;  // the bus search has an address and a check byte, no command code
    } else if (t.request.size() >= 3) {
        r.address = static_cast<quint8>(t.request[1]);
        r.code = static_cast<quint8>(t.request[2]);
    } else if (framedReply(t.reply)) {
        r.address = static_cast<quint8>(t.reply[1]);
        r.code = static_cast<quint8>(t.reply[2]);
    }
    if (t.outcome == Outcome::Decoded && t.value) r.meaning = device::describe(*t.value);
    return r;
}

QString meaningText(const Record& r) {
    if (!r.meaningFromReply) return r.meaning;
    const auto value = device::decodeReply(Reply(r.reply));
    return value ? device::describe(*value) : QString();
}

QStringList columnTitles() {
    return {Texts::tr("Время"), Texts::tr("Адрес"), Texts::tr("Команда"), Texts::tr("Запрос"),
            Texts::tr("Ответ"), Texts::tr("мс"),    Texts::tr("Итог"),    Texts::tr("Значение")};
}

QString commandText(const Record& r) {
    if (r.code) return cmd::commandTitle(*r.code);
    return r.address == kPollAddress ? Texts::tr("поиск устройств в сети") : QString();
}

QString outcomeText(Outcome outcome) {
    switch (outcome) {
        case Outcome::Decoded:
            return Texts::tr("ответ");
        case Outcome::NoReply:
            return Texts::tr("нет ответа");
        case Outcome::WrongCheckByte:
            return Texts::tr("ошибка CRC");
        case Outcome::Unframed:
            return Texts::tr("мусор");
        case Outcome::OtherAddress:
            return Texts::tr("чужой адрес");
        case Outcome::TooLong:
            return Texts::tr("слишком длинный");
        case Outcome::UnknownCode:
            return Texts::tr("неизвестный код");
        case Outcome::OtherCode:
            return Texts::tr("чужая команда");
    }
    return {};
}

const std::vector<Outcome>& allOutcomes() {
    static const std::vector<Outcome> all{Outcome::Decoded,     Outcome::NoReply,  Outcome::WrongCheckByte,
                                          Outcome::Unframed,    Outcome::TooLong,  Outcome::OtherAddress,
                                          Outcome::UnknownCode, Outcome::OtherCode};
    return all;
}

QStringList csvHeader() {
    return {QStringLiteral("time"),     QStringLiteral("address"), QStringLiteral("command"),
            QStringLiteral("code"),     QStringLiteral("request"), QStringLiteral("reply"),
            QStringLiteral("reply_ms"), QStringLiteral("outcome"), QStringLiteral("meaning"),
            QStringLiteral("echo")};
}

Record eventRecord(const QDateTime& time, const QString& text) {
    Record r;
    r.time = time;
    r.meaning = text;
    r.event = true;
    return r;
}

QStringList csvCells(const Record& r) {
    return {csv::isoTime(r.time),
            r.address == kNoAddress ? QString() : QString::number(r.address),
            commandKey(r),
            r.code ? codeText(*r.code) : QString(),
            hexText(r.request),
            replyText(r, QStringLiteral("(+%1 bytes)")),
            r.replyMs ? QString::number(*r.replyMs) : QString(),
            r.event ? QStringLiteral("event") : outcomeKey(r.outcome),
            meaningText(r),
            r.echoRemoved ? QStringLiteral("removed") : QString()};
}

QString displayCell(const Record& r, int column) {
    switch (column) {
        case 0:
            return r.time.toLocalTime().toString(QStringLiteral("hh:mm:ss.zzz"));
        case 1:
            return r.address == kNoAddress ? QString() : QString::number(r.address);
        case 2:
            return commandText(r);
        case 3:
            return hexText(r.request);
        case 4:
            return replyText(r, Texts::tr("(ещё %1 Б)"));
        case 5:
            return r.replyMs ? QString::number(*r.replyMs) : QString();
        case 6:
            if (r.event) return Texts::tr("событие");
            return r.echoRemoved ? Texts::tr("%1 (эхо убрано)").arg(outcomeText(r.outcome))
                                 : outcomeText(r.outcome);
        case 7:
            return meaningText(r);
        default:
            return {};
    }
}

QStringList displayCells(const Record& r) {
    QStringList cells;
    for (int column = 0; column < kColumnCount; ++column) cells << displayCell(r, column);
    return cells;
}

}  // namespace kestrel::traffic
