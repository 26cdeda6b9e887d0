#pragma once
// What the gateway publishes of one reader, and when: a JSON object with the reader's address, serial
// number, level, temperature, current value, state, the age of its last good reply and the time of the
// message. A value the reader has not reported yet is null. A message is due when a value or the state
// differs from the last one published for that reader, and at least every `heartbeatMs` otherwise.

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <map>
#include <optional>

#include "bus/roster.h"
#include "gateway/registermap.h"

namespace kestrel::gateway {

// "answering", "noReply", "checkErrors", "notRead": the state register's meanings.
QString stateKey(BlockState state);

// The message of the reader at `address` (`row` null: not on the roster).
QJsonObject readerMessage(quint8 address, const bus::ReaderRow* row, PortState port, const QDateTime& now);

class ReaderMessages {
  public:
    explicit ReaderMessages(qint64 heartbeatMs = 60000) : heartbeatMs_(heartbeatMs) {}
    // The message to publish for the reader at `address` now, or nothing when the last one still holds.
    std::optional<QByteArray> due(quint8 address, const bus::ReaderRow* row, PortState port,
                                  const QDateTime& now);

  private:
    struct Sent {
        QJsonObject values;  // the message without its age and time
        QDateTime at;
    };
    qint64 heartbeatMs_;
    std::map<quint8, Sent> sent_;
};

}  // namespace kestrel::gateway
