#include "gateway/readermessage.h"

#include <QJsonDocument>

namespace kestrel::gateway {

QString stateKey(BlockState state) {
    switch (state) {
        case BlockState::Answering:
            return QStringLiteral("answering");
        case BlockState::NoReply:
            return QStringLiteral("noReply");
        case BlockState::CheckErrors:
            return QStringLiteral("checkErrors");
        case BlockState::NotRead:
            break;
    }
    return QStringLiteral("notRead");
}

QJsonObject readerMessage(quint8 address, const bus::ReaderRow* row, PortState port, const QDateTime& now) {
    auto value = [](const auto& v) { return v ? QJsonValue(double(*v)) : QJsonValue(QJsonValue::Null); };
    QJsonObject o{{QLatin1String("address"), int(address)},
                  {QLatin1String("serial"), QJsonValue::Null},
                  {QLatin1String("level"), QJsonValue::Null},
                  {QLatin1String("temperature"), QJsonValue::Null},
                  {QLatin1String("current"), QJsonValue::Null},
                  {QLatin1String("state"), stateKey(blockState(row, port))},
                  {QLatin1String("ageMs"), QJsonValue::Null},
                  {QLatin1String("time"), now.toUTC().toString(Qt::ISODateWithMs)}};
    if (!row) return o;
    if (row->identity) o[QLatin1String("serial")] = value(row->identity->serial);
    if (row->live) {
        o[QLatin1String("level")] = value(row->live->level);
        o[QLatin1String("temperature")] = value(row->live->temperature());
        o[QLatin1String("current")] = value(row->live->current);
    }
    if (row->lastGoodAt.isValid())
        o[QLatin1String("ageMs")] = double(std::max<qint64>(0, row->lastGoodAt.msecsTo(now)));
    return o;
}

std::optional<QByteArray> ReaderMessages::due(quint8 address, const bus::ReaderRow* row, PortState port,
                                              const QDateTime& now) {
    QJsonObject message = readerMessage(address, row, port, now);
    QJsonObject values = message;
    values.remove(QLatin1String("ageMs"));
    values.remove(QLatin1String("time"));
    const auto it = sent_.find(address);
    if (it != sent_.end() && it->second.values == values && it->second.at.msecsTo(now) < heartbeatMs_)
        return std::nullopt;
    sent_[address] = {values, now};
    return QJsonDocument(message).toJson(QJsonDocument::Compact);
}

}  // namespace kestrel::gateway
