#include "device/values.h"

#include <QStringList>

#include "device/commands.h"
#include "device/texts.h"
#include "protocol/frame.h"
#include "protocol/hexid.h"

namespace kestrel::device {

namespace {

constexpr int kBoundIdCells = 10;
constexpr int kSettingsAfter = 21;  // replies longer than this carry the reader's settings

LiveReading decodeLive(const Reply& reply) {
    const Reply data = reply.data();
    LiveReading v;
    const auto current = data.u32le(7);
    if (current && *current != 0) {
        v.current = current;
        v.stateByte = data.at(4);
        v.address = data.at(2);
        v.level = data.u16le(5);
    }
    v.emptyLevel = data.u32le(11);
    v.tagId = data.u32le(15);
    v.second = data.u16le(19);
    if (reply.size() > kSettingsAfter)
        v.settings = LiveReading::Settings{data.at(21), data.u16le(22), data.at(24), data.at(25)};
    return v;
}

Identification decodeIdentification(const Reply& reply) {
    // The serial number takes bytes 4 to 7 and the check byte follows: a shorter reply cannot carry it.
    Identification v;
    if (reply.size() < 8) return v;
    v.serial = reply.u32le(4);
    if (reply.size() == 10) {
        v.deviceType = reply.at(8);
        v.versionPrefix = reply.at(9);
    }
    return v;
}

BoundIdTable decodeBoundIds(const Reply& reply) {
    // Cell i takes data bytes 4+4i to 7+4i, least significant first; only complete cells count.
    const Reply data = reply.data();
    BoundIdTable v;
    for (int i = 0; i < kBoundIdCells; ++i) {
        const auto id = data.u32le(4 + 4 * i);
        if (!id) break;
        v.cells.push_back(*id);
    }
    return v;
}

TagParameters decodeTagParameters(const Reply& reply) {
    const Reply d = reply.data();
    return TagParameters{d.u32be(4), d.u32be(8), d.u16be(12), d.at(14),
                         d.at(15),   d.at(16),   d.u16be(17), d.s8(19)};
}

SlaveData decodeSlave(const Reply& reply) {
    const Reply d = reply.data();
    return SlaveData{d.u32le(4), d.u16be(8), d.u16le(10), d.at(12), d.s8(13)};
}

}  // namespace

QString Identification::firmwareText() const {
    if (!deviceType) return {};
    QString version;
    if (versionPrefix && *versionPrefix != 0) version = QString::number(*versionPrefix);
    const QString digits = QString::number(*deviceType);
    for (int i = 0; i < 3; ++i) version += digits.mid(i, 1) + QLatin1Char('.');
    return version;
}

QString Acknowledgement::statusText() const {
    switch (code) {
        case cmd::kSetNetAddress:
            return text::kNetAddressSet;
        case cmd::kSetSerial:
            return text::kSerialSet;
        case cmd::kCalibrateUpper:
            return text::kUpperLevelSet;
        case cmd::kCalibrateLower:
            return text::kLowerLevelSet;
        case cmd::kTagWrite:
            return text::kTagWritten;
        case cmd::kAveragingSet:
            return text::kAveragingSet;
        case cmd::kAveragingCleared:
            return text::kAveragingCleared;
        case cmd::kInversionChanged:
            return text::kInversionChanged;
        case cmd::kLampFrequencyChanged:
            return text::kLampFrequencyChanged;
        default:
            return {};
    }
}

std::optional<DeviceValue> decodeReply(const Reply& reply) {
    if (reply.size() < 4 || reply.at(1) != kReplyStart) return std::nullopt;
    const quint8 code = *reply.at(3);
    switch (code) {
        case cmd::kCurrentParams:
            // A current-parameters reply with a wrong check byte is ignored.
            if (reply.bytes().back() != static_cast<char>(crc8(reply.data().bytes()))) return std::nullopt;
            return decodeLive(reply);
        case cmd::kIdentify:
            return decodeIdentification(reply);
        case cmd::kWriteBoundId:
            return decodeBoundIds(reply);
        case cmd::kSetResetDelay:
            return ResetDelay{reply.data().u16le(4)};
        case cmd::kTagQuery:
            return TagAnswer{reply.data().u32be(4), reply.data().u32be(8), reply.data().s8(12)};
        case cmd::kTagRead:
            return decodeTagParameters(reply);
        case cmd::kBridgeData:
            return decodeSlave(reply);
        case cmd::kBridgeRs485:
            return SlaveRs485{reply.data().u16le(5)};
        case cmd::kSetMode:
            return ModeSet{reply.data().at(4)};
        default:
            // A code is an acknowledgement when it has a status text of its own.
            if (const Acknowledgement ack{code}; !ack.statusText().isEmpty()) return ack;
            return std::nullopt;
    }
}

QString tagFirmwareText(quint8 version) {
    const QString digits = QString::number(version);
    QString out;
    for (int i = 0; i < 3; ++i) {
        if (i < digits.size()) out += digits[i];
        out += QLatin1Char('.');
    }
    return out;
}

QString sixteenthsText(quint16 sixteenths, const QString& decimalPoint) {
    // A sixteenth is 0.0625: at most four fraction digits, exact.
    const quint32 whole = sixteenths / 16u;
    const quint32 fraction = (sixteenths % 16u) * 625u;  // in ten-thousandths
    QString text = QString::number(whole);
    if (fraction == 0) return text;
    QString digits = QStringLiteral("%1").arg(fraction, 4, 10, QLatin1Char('0'));
    while (digits.endsWith(QLatin1Char('0'))) digits.chop(1);
    return text + decimalPoint + digits;
}

namespace {

// Collects "name value" parts of the fields present.
class Line {
  public:
    template <typename T>
    Line& add(const char* name, const std::optional<T>& v) {
        if (v) parts_ << QString::fromUtf8(name) + QLatin1Char(' ') + QString::number(*v);
        return *this;
    }
    Line& addText(const char* name, const QString& text) {
        parts_ << QString::fromUtf8(name) + QLatin1Char(' ') + text;
        return *this;
    }
    Line& addId(const char* name, const std::optional<quint32>& id) {
        if (id) addText(name, formatHexId(*id));
        return *this;
    }
    QString text(const QString& empty) const {
        return parts_.isEmpty() ? empty : parts_.join(QStringLiteral(", "));
    }

  private:
    QStringList parts_;
};

QString describeLive(const LiveReading& v) {
    Line line;
    line.add("уровень", v.level);
    if (const auto t = v.temperature()) line.addText("темп.", QString::number(*t) + QStringLiteral(" °C"));
    line.add("текущее", v.current).add("пустой", v.emptyLevel).addId("ID", v.tagId).add("второе", v.second);
    if (v.settings) {
        line.add("режим", v.settings->mode).add("сеть", v.settings->network);
        line.add("канал", v.settings->channel).add("мощность", v.settings->power);
    }
    return line.text(QStringLiteral("нет данных"));
}

}  // namespace

QString describe(const DeviceValue& value) {
    struct Describe {
        QString operator()(const LiveReading& v) const { return describeLive(v); }
        QString operator()(const Identification& v) const {
            Line line;
            if (!v.serial) return QStringLiteral("сер. № ????????");
            line.add("сер. №", v.serial).add("тип", v.deviceType);
            if (v.deviceType) line.addText("версия", v.firmwareText());
            return line.text({});
        }
        QString operator()(const BoundIdTable& v) const {
            QStringList ids;
            for (quint32 id : v.cells) ids << formatHexId(id);
            return QStringLiteral("привязанные ID: ") + ids.join(QLatin1Char(' '));
        }
        QString operator()(const ResetDelay& v) const {
            return Line().add("задержка обнуления", v.delay).text(QStringLiteral("задержка обнуления"));
        }
        QString operator()(const TagAnswer& v) const {
            return Line()
                .add("метка сер. №", v.serial)
                .addId("ID", v.identifier)
                .add("уровень", v.level)
                .text(QStringLiteral("метка"));
        }
        QString operator()(const TagParameters& v) const {
            Line line;
            line.add("метка сер. №", v.serial)
                .addId("ID", v.identifier)
                .add("задержка", v.delay)
                .add("режим", v.mode);
            if (v.power) line.addText("мощность", QString::number(static_cast<qint8>(*v.power)));
            if (v.firmware) line.addText("версия", tagFirmwareText(*v.firmware));
            return line.add("период", v.period).add("уровень", v.level).text(QStringLiteral("метка"));
        }
        QString operator()(const SlaveData& v) const {
            Line line;
            line.add("ведомый сер. №", v.serial);
            if (v.temperature) line.addText("темп.", sixteenthsText(*v.temperature, QStringLiteral(".")));
            line.add("частота", v.frequency);
            if (v.contact)
                line.addText("контакт", *v.contact == kSlaveContactClosed ? QStringLiteral("замкнут")
                                                                          : QStringLiteral("разомкнут"));
            return line.add("уровень", v.level).text(QStringLiteral("ведомый"));
        }
        QString operator()(const SlaveRs485& v) const {
            return Line().add("RS485", v.value).text(QStringLiteral("RS485"));
        }
        QString operator()(const ModeSet& v) const {
            return Line().add("новый режим", v.mode).text(QStringLiteral("новый режим"));
        }
        QString operator()(const Acknowledgement& v) const { return v.statusText().trimmed(); }
        QString operator()(const PollAnswer& v) const {
            QStringList addresses;
            for (char a : v.addresses) addresses << QString::number(static_cast<quint8>(a));
            return QStringLiteral("устройства в сети: ") + addresses.join(QLatin1Char(' '));
        }
    };
    return std::visit(Describe{}, value);
}

}  // namespace kestrel::device
