#include "reader/netaddress.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include "protocol/crc.h"
#include "protocol/numinput.h"
#include "reader/reader_common.h"

namespace kestrel {

namespace {
const QString kMsgAddressRange = QStringLiteral("Введите число в диапазоне 0....200");
constexpr qint64 kMaxNetAddress = 200;
constexpr qint64 kMaxSerial = 2000000;
}  // namespace

NetAddress::NetAddress(FeatureContext& ctx) : ctx_(ctx) {
    connect(ctx_.get<QPushButton>(QStringLiteral("net")), &QPushButton::clicked, this, &NetAddress::net_Click);
    connect(ctx_.get<QPushButton>(QStringLiteral("Command1")), &QPushButton::clicked, this,
            &NetAddress::Command1_Click);
    ctx_.cycle.registerDecoder(kCmdIdentify, [this](const Reply& r) { decodeIdentification(r); });
    ctx_.cycle.registerDecoder(kCmdSetNetAddress, [this](const Reply&) {
        ctx_.setStatus(QStringLiteral(" Установлен сетевой номер."));
    });
    ctx_.cycle.registerDecoder(kCmdSetSerial, [this](const Reply&) {
        ctx_.setStatus(QStringLiteral("Установлен серийный номер."));
    });
}

void NetAddress::net_Click() {
    const QComboBox* list = ctx_.get<QComboBox>(QStringLiteral("CmbNet"));
    const QString current = list->currentIndex() >= 0 ? list->itemText(list->currentIndex()) : QString();
    const QString answer = ctx_.dialogs.input(QStringLiteral("Введите новый сетевой номер"),
                                              QStringLiteral("Ввод сетевого номера"), current);
    if (answer.isEmpty()) return;
    const auto address = ctx_.addressOrRefuse();
    if (!address) return;
    const NumberResult n = parseWholeNumber(answer, 0, kMaxNetAddress);
    if (!n.ok()) {
        ctx_.dialogs.message(kMsgAddressRange);
        return;
    }
    ExchangeState& s = ctx_.state();
    s.wrs += form_zaprosa(*address, kCmdSetNetAddress, QByteArray(1, static_cast<char>(n.value)));
    ctx_.out_win(s.wrs);
}

void NetAddress::Command1_Click() {
    ExchangeState& s = ctx_.state();
    s.wrs.clear();  // even when the dialog is cancelled
    const QString answer =
        ctx_.dialogs.input(QStringLiteral("Введите серийный номер"), QStringLiteral("Ввод серийного номера"),
                           QStringLiteral("0"));
    if (answer.isEmpty()) return;
    if (const auto address = ctx_.addressOrRefuse()) {
        const NumberResult n = parseWholeNumber(answer, 0, kMaxSerial);
        if (!n.ok()) {
            ctx_.dialogs.message(kMsgSerialRange);
            return;
        }
        s.wrs = form_zaprosa(*address, kCmdSetSerial, Long_to_string(static_cast<quint32>(n.value)));
    }
    ctx_.out_win(s.wrs);  // an empty dump when the address was refused
}

void NetAddress::decodeIdentification(const Reply& reply) {
    // The serial number takes bytes 4 to 7, the check byte follows it: a reply of fewer than 8 bytes
    // cannot carry it.
    QLabel* sn = ctx_.get<QLabel>(QStringLiteral("sn"));
    if (reply.size() < 8) {
        sn->setText(QStringLiteral("????????"));
        return;
    }
    sn->setText(QString::number(*reply.u32le(4)));
    if (reply.size() != 10) return;

    // Firmware version: an optional prefix (byte 9), then the digits of the device type (byte 8), each
    // followed by a dot.
    const quint8 type = *reply.at(8);
    const quint8 prefix = *reply.at(9);
    QString version;
    if (prefix != 0) version = QString::number(prefix);
    const QString digits = QString::number(type);
    for (int i = 0; i < 3; ++i) version += digits.mid(i, 1) + QLatin1Char('.');
    ctx_.get<QLabel>(QStringLiteral("vv"))->setText(version);
    ctx_.applyDeviceType(type);
}

}  // namespace kestrel
