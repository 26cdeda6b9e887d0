#pragma once
// One row of the traffic log: a transaction of the exchange cycle as the engineer reads it, and the same
// row as CSV and as copied text.

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>

#include "exchange/transaction.h"

namespace kestrel::traffic {

inline constexpr int kNoAddress = -1;
// A row keeps at most this many bytes of a reply, and the reply's whole length: under a flooding line a
// "reply" can be as long as whatever arrived, and the log keeps its rows for a long time.
inline constexpr qsizetype kKeptReplyBytes = 256;

struct Record {
    QDateTime time;              // when the request was written (or the reply read, without a request)
    int address = kNoAddress;    // the request's address byte, else the framed reply's; 255 = bus search
    std::optional<quint8> code;  // the request's command code, else the framed reply's
    QByteArray request;
    QByteArray reply;  // its first kKeptReplyBytes bytes at most (replyLength tells the whole length)
    std::optional<qint64> replyMs;  // end of the write to the reply's first byte
    Outcome outcome = Outcome::NoReply;
    QString meaning;  // the decoded value's one-line description; only for decoded replies
    // A note about the link itself (the port lost, waited for, open again) rather than an exchange: no
    // bytes, and not counted in the statistics. `meaning` holds its text.
    bool event = false;
    // `meaning` is left empty and told by describing the reply again (meaningText): a log read back from its
    // file keeps hundreds of thousands of rows, and the description is the larger part of each.
    bool meaningFromReply = false;
    qsizetype replyLength = 0;  // the whole reply's length, also where `reply` was cut
    bool echoRemoved = false;   // the request's echo came first and was taken off (`reply` is what followed)
};

// A note about the link at `time`.
Record eventRecord(const QDateTime& time, const QString& text);

// The row's meaning: `meaning`, or the reply described again when the row keeps no text of its own.
QString meaningText(const Record& r);

// The transaction as a row; a longer reply is cut to its first kKeptReplyBytes bytes.
Record recordOf(const Transaction& t);

// The column titles of the log, in order.
QStringList columnTitles();
// "текущие параметры (F0)"; empty without a code.
QString commandText(const Record& r);
// The outcome in words, for the log and the statistics: "ответ", "нет ответа", "ошибка CRC", ...
QString outcomeText(Outcome outcome);
// Every outcome, in the order the log lists them.
const std::vector<Outcome>& allOutcomes();

// The CSV file: header keys (stable, English) and one record's cells (ISO 8601 time with ms). A cut reply's
// cell ends in " … (+N bytes)", so it never reads as hex bytes: a replay refuses it instead of taking the
// part for the whole reply. The last column, "echo", says "removed" where the request's echo was taken off;
// logs written before it have one column less and are read by their header's names.
QStringList csvHeader();
QStringList csvCells(const Record& r);
// The displayed cells, as copied: "hh:mm:ss.zzz", address, command, request, reply, ms, outcome, meaning;
// the outcome of a row whose echo was taken off says so.
inline constexpr int kColumnCount = 8;
QString displayCell(const Record& r, int column);
QStringList displayCells(const Record& r);

}  // namespace kestrel::traffic
