#include "device/values.h"

#include <QStringList>

#include "device/commands.h"
#include "device/texts.h"
#include "protocol/frame.h"
#include "protocol/hexid.h"
#include "protocol/translation.h"

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
            return text::netAddressSet();
        case cmd::kSetSerial:
            return text::serialSet();
        case cmd::kCalibrateUpper:
            return text::upperLevelSet();
        case cmd::kCalibrateLower:
            return text::lowerLevelSet();
        case cmd::kTagWrite:
            return text::tagWritten();
        case cmd::kAveragingSet:
            return text::averagingSet();
        case cmd::kAveragingCleared:
            return text::averagingCleared();
        case cmd::kInversionChanged:
            return text::inversionChanged();
        case cmd::kLampFrequencyChanged:
            return text::lampFrequencyChanged();
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
            // The mode in force is byte 4, also in a four-byte acknowledgement where nothing follows it.
            return ModeSet{reply.at(4)};
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
    Line& add(const QString& name, const std::optional<T>& v) {
        if (v) parts_ << name + QLatin1Char(' ') + QString::number(*v);
        return *this;
    }
    Line& addText(const QString& name, const QString& text) {
        parts_ << name + QLatin1Char(' ') + text;
        return *this;
    }
    Line& addId(const QString& name, const std::optional<quint32>& id) {
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
    line.add(Texts::tr("уровень"), v.level);
    if (const auto t = v.temperature())
        line.addText(Texts::tr("темп."), QString::number(*t) + QStringLiteral(" °C"));
    line.add(Texts::tr("текущее"), v.current)
        .add(Texts::tr("пустой"), v.emptyLevel)
        .addId("ID", v.tagId)
        .add(Texts::tr("второе"), v.second);
    if (v.settings) {
        line.add(Texts::tr("режим"), v.settings->mode).add(Texts::tr("сеть"), v.settings->network);
        line.add(Texts::tr("канал"), v.settings->channel).add(Texts::tr("мощность"), v.settings->power);
    }
    return line.text(Texts::tr("нет данных"));
}

}  // namespace

QString describe(const DeviceValue& value) {
    struct Describe {
        QString operator()(const LiveReading& v) const { return describeLive(v); }
        QString operator()(const Identification& v) const {
            Line line;
            if (!v.serial) return Texts::tr("сер. № ????????");
            line.add(Texts::tr("сер. №"), v.serial).add(Texts::tr("тип"), v.deviceType);
            if (v.deviceType) line.addText(Texts::tr("версия"), v.firmwareText());
            return line.text({});
        }
        QString operator()(const BoundIdTable& v) const {
            QStringList ids;
            for (quint32 id : v.cells) ids << formatHexId(id);
            return Texts::tr("привязанные ID: ") + ids.join(QLatin1Char(' '));
        }
        QString operator()(const ResetDelay& v) const {
            return Line().add(Texts::tr("задержка обнуления"), v.delay).text(Texts::tr("задержка обнуления"));
        }
        QString operator()(const TagAnswer& v) const {
            return Line()
                .add(Texts::tr("метка сер. №"), v.serial)
                .addId("ID", v.identifier)
                .add(Texts::tr("уровень"), v.level)
                .text(Texts::tr("метка"));
        }
        QString operator()(const TagParameters& v) const {
            Line line;
            line.add(Texts::tr("метка сер. №"), v.serial)
                .addId("ID", v.identifier)
                .add(Texts::tr("задержка"), v.delay)
                .add(Texts::tr("режим"), v.mode);
            if (v.power) line.addText(Texts::tr("мощность"), QString::number(static_cast<qint8>(*v.power)));
            if (v.firmware) line.addText(Texts::tr("версия"), tagFirmwareText(*v.firmware));
            return line.add(Texts::tr("период"), v.period)
                .add(Texts::tr("уровень"), v.level)
                .text(Texts::tr("метка"));
        }
        QString operator()(const SlaveData& v) const {
            Line line;
            line.add(Texts::tr("ведомый сер. №"), v.serial);
            if (v.temperature)
                line.addText(Texts::tr("темп."), sixteenthsText(*v.temperature, QStringLiteral(".")));
            line.add(Texts::tr("частота"), v.frequency);
            if (v.contact)
                line.addText(Texts::tr("контакт"), *v.contact == kSlaveContactClosed
                                                       ? Texts::tr("замкнут")
                                                       : Texts::tr("разомкнут"));
            return line.add(Texts::tr("уровень"), v.level).text(Texts::tr("ведомый"));
        }
        QString operator()(const SlaveRs485& v) const {
            return Line().add("RS485", v.value).text(QStringLiteral("RS485"));
        }
        QString operator()(const ModeSet& v) const {
            return Line().add(Texts::tr("новый режим"), v.mode).text(Texts::tr("новый режим"));
        }
        // A write's acknowledgement says what was written; the status line's text of the tag write ("Считаны
        // параметры метки.") would read as a read. The replies a mode change brings say what changed.
        QString operator()(const Acknowledgement& v) const {
            const QString what = cmd::writtenTitle(v.code);
            return what.isEmpty() ? v.statusText().trimmed() : text::written(what);
        }
        QString operator()(const PollAnswer& v) const {
            QStringList addresses;
            for (char a : v.addresses) addresses << QString::number(static_cast<quint8>(a));
            return Texts::tr("устройства в сети: ") + addresses.join(QLatin1Char(' '));
        }
    };
    return std::visit(Describe{}, value);
}

}  // namespace kestrel::device
