// Reply decoders: reply bytes in, a value holding exactly the fields the reply carries completely before
// its check byte; and the one-line description of each kind of value.
#include <gmock/gmock.h>

#include <QStringList>

#include "device/values.h"
#include "protocol/frame.h"

using namespace kestrel;
using namespace kestrel::device;

namespace {

const auto hex = [](const char* text) { return QByteArray::fromHex(text); };

// A value as its kind and its fields in the order they are declared, "-" for a field the reply lacks
// (or an empty text); a current-parameters reading lists the settings fields only when it carries settings.
struct Fields {
    template <class F>
    static QString text(const std::optional<F>& f) {
        return f ? QString::number(*f) : QString("-");
    }
    static QString text(const QString& s) { return s.isEmpty() ? QString("-") : s; }
    template <class... F>
    static QString row(const char* kind, const F&... fields) {
        return (QString::fromLatin1(kind) + ... + (QLatin1Char(' ') + text(fields)));
    }
    QString operator()(const LiveReading& v) const {
        const QString live = row("live", v.address, v.stateByte, v.temperature(), v.level, v.current,
                                 v.emptyLevel, v.tagId, v.second);
        if (!v.settings) return live;
        return live + row("", v.settings->mode, v.settings->network, v.settings->channel, v.settings->power);
    }
    QString operator()(const Identification& v) const {
        return row("ident", v.serial, v.deviceType, v.versionPrefix, v.firmwareText());
    }
    QString operator()(const BoundIdTable& v) const {
        QString out = QStringLiteral("cells");
        for (quint32 id : v.cells) out += ' ' + QString::number(id);
        return out;
    }
    QString operator()(const ResetDelay& v) const { return row("delay", v.delay); }
    QString operator()(const TagAnswer& v) const { return row("tag", v.serial, v.identifier, v.level); }
    QString operator()(const TagParameters& v) const {
        return row("params", v.serial, v.identifier, v.delay, v.mode, v.power, v.firmware, v.period, v.level);
    }
    QString operator()(const SlaveData& v) const {
        return row("slave", v.serial, v.temperature, v.frequency, v.contact, v.level);
    }
    QString operator()(const SlaveRs485& v) const { return row("rs485", v.value); }
    QString operator()(const ModeSet& v) const { return row("mode", v.mode); }
    QString operator()(const Acknowledgement& v) const {
        return row("ack", std::optional(v.code), v.statusText());
    }
    QString operator()(const PollAnswer&) const { return QStringLiteral("poll"); }
};
QString fields(const QByteArray& reply) {
    const std::optional<DeviceValue> value = decodeReply(Reply(reply));
    return value ? std::visit(Fields{}, *value) : QStringLiteral("nothing");
}

// Replies with correct check bytes. Current parameters from device 5: state 0x19, level 512, current
// 16909060, empty level 1000, tag ID 000C0B0A, second value 4660; then one with the settings too: bridge
// with master and frequency output, network 65000, channel 5, power 10.
const char* const kFullLive = "3E 05 F0 19 00 02 04 03 02 01 E8 03 00 00 0A 0B 0C 00 34 12 8E";
const char* const kSettings = "3E 05 F0 14 0A 00 01 00 00 00 00 00 00 00 00 00 00 00 00 00 C0 E8 FD 05 0A 16";
const char* const kParams = "3E 05 E3 00 00 03 E9 00 12 34 56 01 2C 03 D8 7B 00 5A BA A8";
const char* const kSlave = "3E 05 E8 01 00 00 00 01 90 DC 05 CD 9C F8";

}  // namespace

TEST(Replies, EachReplyGivesItsKindWithTheFieldsItHolds) {
    using Cases = std::initializer_list<std::pair<const char*, const char*>>;
    const Cases whole = {
        {kFullLive, "live 5 25 25 512 16909060 1000 789258 4660"},
        // A current value of 0: no address, state, level or current.
        {"3E 05 F0 1E 84 03 00 00 00 00 0B 00 00 00 78 56 34 12 21 00 75", "live - - - - - 11 305419896 33"},
        // The state byte is the temperature as a signed byte.
        {"3E 05 F0 FF 0A 00 01 00 00 00 00 00 00 00 00 00 00 00 00 00 4B", "live 5 255 -1 10 1 0 0 0"},
        {"3E 05 F0 80 0A 00 01 00 00 00 00 00 00 00 00 00 00 00 00 00 9B", "live 5 128 -128 10 1 0 0 0"},
        {"3E 05 F0 7F 0A 00 01 00 00 00 00 00 00 00 00 00 00 00 00 00 0D", "live 5 127 127 10 1 0 0 0"},
        // Settings in full; then a reply with only the mode byte (powered tag) and half the network number.
        {kSettings, "live 5 20 20 10 1 0 0 0 192 65000 5 10"},
        {"3E 05 F0 14 0A 00 01 00 00 00 00 00 00 00 00 00 00 00 00 00 10 07 D4",
         "live 5 20 20 10 1 0 0 0 16 - - -"},
        // Identification: the serial least significant first; type and prefix only in 10 bytes.
        {"3E 05 FC 40 E2 01 00 86 00 11", "ident 123456 134 0 1.3.4."},
        {"3E 05 FC 01 00 00 00 86 02 11", "ident 1 134 2 21.3.4."},
        {"3E 05 FC 00 00 00 01 05 00 11", "ident 16777216 5 0 5..."},
        {"3E 05 FC 00 00 01 00 FF FF 11", "ident 65536 255 255 2552.5.5."},
        // Too short for the serial, or for the type, or too long for it.
        {"3E 05 FC 40 E2 01 11", "ident - - - -"},
        {"3E 05 FC 40 E2 01 00 11", "ident 123456 - - -"},
        {"3E 05 FC 41 E2 01 00 86 11", "ident 123457 - - -"},
        {"3E 05 FC 42 E2 01 00 86 00 00 11", "ident 123458 - - -"},
        // Acknowledgements, whatever their check byte.
        {"3E 05 FB CC", "ack 251  Установлен сетевой номер."},
        {"3E 05 F6 CC", "ack 246 Установлен серийный номер."},
        {"3E 05 F5 CC", "ack 245  Установлен верхний уровень."},
        {"3E 05 FA CC", "ack 250  Установлен нижний уровень."},
        {"3E 05 F8 CC", "ack 248  Установлено кол. усреднение."},
        {"3E 05 F3 CC", "ack 243  Снято усреднение."},
        {"3E 05 FD CC", "ack 253 Изменена инверсия."},
        {"3E 05 00 CC", "ack 0 Изменено состояние лампа/частота."},
        {"3E 05 E1 00 00 03 E9 FF FF FF FF 00 00 09 00 00 00 00 00 FC", "ack 225 Считаны параметры метки."},
        // The bound-ID table: ten cells least significant byte first (an eleventh is not read), or the
        // complete ones.
        {"3E 05 E6 3C 2B 1A 00 FF 0A 00 1F 02 00 00 00 03 00 00 00 04 00 00 00 05 00 00 00"
         " 06 00 00 00 07 00 00 00 08 00 00 00 09 00 00 00 0A 00 00 00 11",
         "cells 1715004 520096511 2 3 4 5 6 7 8 9"},
        {"3E 05 E6 3C 2B 1A 00 05 00 00 00 77 77 11", "cells 1715004 5"},
        {"3E 05 E6 01 00 00 00 02 00 00 00 03 00 00", "cells 1 2"},
        // A tag: serial and identifier most significant byte first, a signed level.
        {"3E 05 E0 00 00 01 00 00 12 34 56 FE DC", "tag 256 1193046 -2"},
        {"3E 05 E0 FF FF FF FF 1F 00 0A FF 80 7B", "tag 4294967295 520096511 -128"},
        {"3E 05 E0 00 0F 42 40 00 00 00 05 FF D0", "tag 1000000 5 -1"},
        {kParams, "params 1001 1193046 300 3 216 123 90 -70"},
        {"3E 05 E3 00 00 00 01 00 00 00 05 00 00 01 83 07 00 01 80 B2", "params 1 5 0 1 131 7 1 -128"},
        // The bridge's slave: serial least significant first, temperature in sixteenths most significant
        // first.
        {kSlave, "slave 1 400 1500 205 -100"},
        {"3E 05 E8 00 00 00 01 01 98 34 12 CC 7F 9F", "slave 16777216 408 4660 204 127"},
        {"3E 05 E8 F1 FB 09 00 00 08 00 00 00 80 AD", "slave 654321 8 0 0 -128"},
    };
    // The mode in force, the reset delay and the RS485 value, least significant byte first.
    const Cases brief = {{"3E 05 F2 C0 11", "mode 192"},          {"3E 05 F2 06", "mode 6"},
                         {"3E 05 F1 F4 01 11", "delay 500"},      {"3E 05 F1 70 17 11", "delay 6000"},
                         {"3E 05 F1 FF FF 11", "delay 65535"},    {"3E 05 06 00 34 12 12", "rs485 4660"},
                         {"3E 05 06 FF FF FF 43", "rs485 65535"}, {"3E 05 06 99 00 00 83", "rs485 0"}};
    for (const Cases& cases : {whole, brief})
        for (const auto& [reply, expected] : cases)
            EXPECT_EQ(fields(hex(reply)).toStdString(), expected) << reply;
    // Nothing: empty, under 4 bytes, unframed (a poll answer, a request), a code without a decoder, and
    // current parameters with a wrong check byte.
    for (const char* reply : {"", "3E 05 FC", "03 07 0C 07", "31 05 FC 5D", "3E 05 E7 11", "3E 05 F0 A0",
                              "3E 05 F0 19 00 02 04 03 02 01 E8 03 00 00 0A 0B 0C 00 34 12 8F"})
        EXPECT_EQ(fields(hex(reply)).toStdString(), "nothing") << reply;
}

// Each reply cut to every length (with a correct check byte) holds a field exactly when the bytes before
// the check byte hold it: the check byte never stands in for a field, except in the mode acknowledgement,
// whose byte 4 is the mode however long the reply.
TEST(Replies, AFieldIsPresentFromTheLengthThatHoldsItBeforeTheCheckByte) {
    const std::pair<const char*, std::vector<int>> cases[] = {
        {kSettings, {11, 11, 11, 11, 11, 15, 19, 21, 22, 24, 25, 26}},
        {"3E 05 E0 00 00 01 00 00 12 34 56 FE DC", {8, 12, 13}},
        {kParams, {8, 12, 14, 15, 16, 17, 19, 20}},
        {kSlave, {8, 10, 12, 13, 14}},
        {"3E 05 F1 F4 01 11", {6}},
        {"3E 05 F2 C0 11", {4}},
        {"3E 05 06 00 34 12 12", {7}},
    };
    for (const auto& [reply, from] : cases) {
        const QByteArray full = hex(reply);
        for (int size = 4; size <= full.size(); ++size) {
            const QStringList got = fields(withCheckByte(full.left(size - 1))).split(' ');
            ASSERT_LE(got.size(), int(from.size()) + 1) << reply << " cut to " << size;
            for (int i = 0; i < int(from.size()); ++i)
                EXPECT_EQ(i + 1 < got.size() && got[i + 1] != "-", size >= from[i])
                    << reply << " cut to " << size << ", field " << i;
        }
    }
}

// Sixteenths of a degree with the separator given; a tag firmware byte as three positions with full stops.
TEST(ValueTexts, TemperatureAndTagFirmwareTexts) {
    const std::tuple<quint16, const char*, const char*> cases[] = {
        {0x0190, ".", "25"},        {0x0198, ".", "25.5"}, {0x0198, ",", "25,5"},
        {0x0008, ",", "0,5"},       {0x0004, ".", "0.25"}, {0x0001, ".", "0.0625"},
        {0xFFFF, ",", "4095,9375"}, {0x0000, ".", "0"},    {0x000C, ".", "0.75"}};
    for (const auto& [bits, point, text] : cases) EXPECT_EQ(sixteenthsText(bits, point).toStdString(), text);
    const std::pair<quint8, const char*> firmwares[] = {{123, "1.2.3."}, {45, "4.5.."},   {7, "7..."},
                                                        {0, "0..."},     {255, "2.5.5."}, {10, "1.0.."}};
    for (const auto& [byte, text] : firmwares) EXPECT_EQ(tagFirmwareText(byte).toStdString(), text);
}

TEST(ValueTexts, DescribeNamesTheKeyNumbersOfEveryKindOfValue) {
    const auto decoded = [](const char* reply) { return *decodeReply(Reply(hex(reply))); };
    const std::pair<DeviceValue, QStringList> cases[] = {
        {decoded(kFullLive), {"512", "25 °C", "16909060", "1000", "00C0B0A", "4660"}},
        {decoded(kSettings), {"режим 192", "сеть 65000", "канал 5", "мощность 10"}},
        {decoded("3E 05 FC 40 E2 01 00 86 00 11"), {"123456", "134", "1.3.4."}},
        {decoded("3E 05 FC 40 E2 01 11"), {"????????"}},
        {BoundIdTable{{0x001A2B3C, 0x1F000AFF, 5}}, {"01A2B3C 1F000AFF 0000005"}},
        {ResetDelay{500}, {"500"}},
        {TagAnswer{256, 0x123456, -2}, {"256", "0123456", "-2"}},
        {decoded(kParams), {"1001", "0123456", "300", "-40", "1.2.3.", "90", "-70"}},
        {decoded("3E 05 E8 00 00 00 01 01 98 34 12 CC 7F 9F"),
         {"16777216", "25.5", "4660", "контакт разомкнут"}},
        {decoded(kSlave), {"25", "контакт замкнут", "-100"}},
        {SlaveRs485{4660}, {"4660"}},
        {ModeSet{0xC0}, {"192"}},
        // A write's acknowledgement says what was written, a mode change's by-product what changed.
        {Acknowledgement{0xFB}, {"записано: сетевой адрес"}},
        {Acknowledgement{0xE1}, {"записано: параметры метки"}},
        {Acknowledgement{0xF4}, {"записано: параметры радио"}},
        {Acknowledgement{0xFD}, {"Изменена инверсия."}},
        {PollAnswer{hex("03 07 0C 07")}, {"3 7 12 7"}},
    };
    for (const auto& [value, parts] : cases)
        for (const QString& part : parts)
            EXPECT_THAT(describe(value).toStdString(), testing::HasSubstr(part.toStdString()));
}
