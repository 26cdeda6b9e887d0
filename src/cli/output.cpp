#include "cli/output.h"

#include <poll.h>

#include <QDateTime>
#include <QFileDevice>
#include <QJsonArray>
#include <QJsonDocument>

#include "protocol/hexid.h"
#include "protocol/syserror.h"
#include "protocol/translation.h"
#include "traffic/csv.h"

namespace kestrel::cli {

namespace {

template <typename T>
void put(QJsonObject& o, const char* key, const std::optional<T>& v) {
    if (v) o.insert(QLatin1String(key), double(*v));
}

void putId(QJsonObject& o, const char* key, const std::optional<quint32>& v) {
    if (v) o.insert(QLatin1String(key), formatHexId(*v));
}

}  // namespace

QJsonObject valueJson(const device::DeviceValue& value) {
    using namespace device;
    struct ToJson {
        QJsonObject operator()(const LiveReading& v) const {
            QJsonObject o;
            put(o, "level", v.level);
            put(o, "temperature", v.temperature());
            put(o, "current", v.current);
            put(o, "emptyLevel", v.emptyLevel);
            putId(o, "tagId", v.tagId);
            put(o, "second", v.second);
            if (v.settings) {
                put(o, "mode", v.settings->mode);
                put(o, "network", v.settings->network);
                put(o, "channel", v.settings->channel);
                put(o, "power", v.settings->power);
            }
            return o;
        }
        QJsonObject operator()(const Identification& v) const {
            QJsonObject o;
            put(o, "serial", v.serial);
            put(o, "deviceType", v.deviceType);
            if (v.deviceType) o.insert(QLatin1String("firmware"), v.firmwareText());
            return o;
        }
        QJsonObject operator()(const BoundIdTable& v) const {
            QJsonArray cells;
            for (quint32 id : v.cells) cells.append(formatHexId(id));
            return {{QLatin1String("boundIds"), cells}};
        }
        QJsonObject operator()(const ResetDelay& v) const {
            QJsonObject o;
            put(o, "resetDelay", v.delay);
            return o;
        }
        QJsonObject operator()(const TagAnswer& v) const {
            QJsonObject o;
            put(o, "serial", v.serial);
            putId(o, "id", v.identifier);
            put(o, "receptionLevel", v.level);
            return o;
        }
        QJsonObject operator()(const TagParameters& v) const {
            QJsonObject o;
            put(o, "serial", v.serial);
            putId(o, "id", v.identifier);
            put(o, "delay", v.delay);
            put(o, "mode", v.mode);
            if (v.power) o.insert(QLatin1String("power"), int(static_cast<qint8>(*v.power)));
            if (v.firmware) o.insert(QLatin1String("firmware"), tagFirmwareText(*v.firmware));
            put(o, "period", v.period);
            put(o, "receptionLevel", v.level);
            return o;
        }
        QJsonObject operator()(const SlaveData& v) const {
            QJsonObject o;
            put(o, "serial", v.serial);
            if (v.temperature)
                o.insert(QLatin1String("temperature"),
                         sixteenthsText(*v.temperature, QStringLiteral(".")).toDouble());
            put(o, "frequency", v.frequency);
            if (v.contact) o.insert(QLatin1String("contactClosed"), *v.contact == kSlaveContactClosed);
            put(o, "receptionLevel", v.level);
            return o;
        }
        QJsonObject operator()(const SlaveRs485& v) const {
            QJsonObject o;
            put(o, "rs485", v.value);
            return o;
        }
        QJsonObject operator()(const ModeSet& v) const {
            QJsonObject o;
            put(o, "mode", v.mode);
            return o;
        }
        QJsonObject operator()(const Acknowledgement& v) const {
            return {{QLatin1String("acknowledged"), double(v.code)}};
        }
        QJsonObject operator()(const PollAnswer& v) const {
            QJsonArray addresses;
            for (char a : v.addresses) addresses.append(int(static_cast<quint8>(a)));
            return {{QLatin1String("addresses"), addresses}};
        }
    };
    return std::visit(ToJson{}, value);
}

void Output::flushOut() {
    out_.flush();
    if (out_.status() == QTextStream::Ok || !outputFailure_.isEmpty()) return;
    const auto* file = qobject_cast<QFileDevice*>(out_.device());
    outputFailure_ = file && !file->errorString().isEmpty() ? localizedSystemText(file->errorString())
                                                            : Texts::tr("ошибка записи");
    // A pipe whose reader has gone reports an error condition on its writing end.
    if (file && file->handle() >= 0) {
        pollfd p{file->handle(), POLLOUT, 0};
        outputClosed_ = ::poll(&p, 1, 0) == 1 && (p.revents & POLLERR);
    }
}

void Output::result(const QString& command, const QString& text, QJsonObject fields) {
    QTextStream& to = resultsOnError_ ? err_ : out_;
    if (json_) {
        fields.insert(QLatin1String("command"), command);
        fields.insert(QLatin1String("ok"), true);
        to << QJsonDocument(fields).toJson(QJsonDocument::Compact) << '\n';
    } else {
        to << text << '\n';
    }
    if (resultsOnError_)
        err_.flush();
    else
        flushOut();
}

QString Output::atBatchLine(const QString& file, int line, const QString& message) {
    return Texts::tr("%1, строка %2: %3").arg(file).arg(line).arg(message);
}

void Output::failure(const QString& command, const QString& message, int exitCode, const QJsonObject& extra) {
    const QDateTime now = QDateTime::currentDateTime();
    const QString line = batchLine_ > 0 ? atBatchLine(batchFile_, batchLine_, message) : message;
    err_ << (failureTimes_ ? now.toString(QStringLiteral("hh:mm:ss.zzz ")) + line : line) << '\n';
    err_.flush();
    // Beside a document on standard output, the failure's line on standard error is all there is.
    if (!json_ || resultsOnError_) return;
    QJsonObject o = extra;
    o.insert(QLatin1String("command"), command);
    o.insert(QLatin1String("ok"), false);
    o.insert(QLatin1String("error"), message);
    o.insert(QLatin1String("exitCode"), exitCode);
    if (batchLine_ > 0) o.insert(QLatin1String("line"), batchLine_);
    if (failureTimes_) o.insert(QLatin1String("time"), csv::isoTime(now.toUTC()));
    out_ << QJsonDocument(o).toJson(QJsonDocument::Compact) << '\n';
    flushOut();
}

void Output::document(const QString& text) {
    out_ << text << '\n';
    flushOut();
}

void Output::note(const QString& text) {
    if (json_) {
        err_ << text << '\n';
        err_.flush();
        return;
    }
    out_ << text << '\n';
    flushOut();
}

}  // namespace kestrel::cli
