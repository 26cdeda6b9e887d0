#include "tags/slave_data.h"

#include <QCheckBox>
#include <QLabel>
#include <QLocale>
#include <QPushButton>

#include "protocol/crc.h"
#include "tags/tag_texts.h"

namespace kestrel {

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

SlaveData::SlaveData(FeatureContext& ctx) : ctx_(ctx) {
    connect(ctx_.get<QPushButton>(QStringLiteral("zapr_data_sl")), &QPushButton::clicked, this,
            [this] { request(kCmdBridgeData); });
    connect(ctx_.get<QPushButton>(QStringLiteral("sl_zapros")), &QPushButton::clicked, this,
            [this] { request(kCmdBridgeRs485); });
    ctx_.cycle.registerDecoder(kCmdBridgeData, [this](const Reply& r) { decodeData(r); });
    ctx_.cycle.registerDecoder(kCmdBridgeRs485, [this](const Reply& r) { decodeRs485(r); });
}

void SlaveData::request(quint8 code) {
    ExchangeState& s = ctx_.state();
    s.wrs.clear();
    if (const auto address = ctx_.addressOrRefuse()) s.wrs = form_zaprosa(*address, code);
}

void SlaveData::decodeData(const Reply& reply) {
    // Fields come from the data part only; a field that a short reply cannot hold keeps its value.
    const Reply data = reply.data();
    auto label = [this](const char* name) { return ctx_.get<QLabel>(QString::fromLatin1(name)); };

    ctx_.setStatus(kMsgBridgeData);
    if (const auto serial = data.u32le(4)) label("sn_sl")->setText(QString::number(*serial));
    if (const auto temperature = data.u16be(8))
        label("Temp_sl")->setText(sixteenthsText(*temperature, QLocale::system().decimalPoint()));
    if (const auto frequency = data.u16le(10)) label("fr_sl")->setText(QString::number(*frequency));
    if (const auto contact = data.at(12))
        ctx_.get<QCheckBox>(QStringLiteral("Check_sl"))->setChecked(*contact == kSlaveContactClosed);
    if (const auto level = data.s8(13)) label("ur_sl")->setText(QString::number(*level));
}

void SlaveData::decodeRs485(const Reply& reply) {
    const Reply data = reply.data();
    ctx_.setStatus(kMsgBridgeData);
    if (const auto value = data.u16le(5)) ctx_.get<QLabel>(QStringLiteral("RR_SL_data"))->setText(QString::number(*value));
}

}  // namespace kestrel
