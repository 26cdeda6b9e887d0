#include "reader/boundids.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "protocol/crc.h"
#include "protocol/hexid.h"
#include "protocol/numinput.h"
#include "reader/reader_common.h"

namespace kestrel {

namespace {
const QString kMsgCellRange = QStringLiteral("номер ячейки должен быть от 1 до10");
constexpr qint64 kMaxResetDelay = 6000;
}  // namespace

BoundIds::BoundIds(FeatureContext& ctx) : ctx_(ctx) {
    auto button = [this](const char* name, void (BoundIds::*handler)()) {
        connect(ctx_.get<QPushButton>(QString::fromLatin1(name)), &QPushButton::clicked, this, handler);
    };
    button("ids_clr", &BoundIds::ids_clr_Click);
    button("ids_r", &BoundIds::ids_r_Click);
    button("RD_DP", &BoundIds::RD_DP_Click);
    button("Command3", &BoundIds::Command3_Click);
    button("Command2", &BoundIds::Command2_Click);
    ctx_.cycle.registerDecoder(kCmdIdTable, [this](const Reply& r) { decodeTable(r); });
    ctx_.cycle.registerDecoder(kCmdResetDelay, [this](const Reply& r) { decodeParameters(r); });
}

void BoundIds::sendPlain(quint8 command) {
    const auto address = ctx_.addressOrRefuse();
    if (!address) return;
    ctx_.state().wrs = form_zaprosa(*address, command);
}

void BoundIds::Command3_Click() {
    const auto address = ctx_.addressOrRefuse();
    if (!address) return;
    const NumberResult cell = parseWholeNumber(ctx_.get<QLineEdit>(QStringLiteral("plm"))->text(), 1, kIdCells);
    if (!cell.ok()) {
        ctx_.dialogs.message(kMsgCellRange);
        return;
    }
    // The ID text to 4 bytes, shown in the trace box (HexStr2Dig).
    const HexIdResult id = ParseHexId(ctx_.get<QLineEdit>(QStringLiteral("iddm"))->text());
    if (!id.ok()) {
        ctx_.dialogs.message(id.message());
        return;
    }
    ctx_.out_win(id.bytes);
    ctx_.state().wrs = form_zaprosa(*address, kCmdIdTable, QByteArray(1, static_cast<char>(cell.value - 1)) + id.bytes);
}

void BoundIds::Command2_Click() {
    ExchangeState& s = ctx_.state();
    s.wrs.clear();
    const auto address = ctx_.addressOrRefuse();
    if (!address) return;
    const NumberResult delay =
        parseWholeNumber(ctx_.get<QLineEdit>(QStringLiteral("Zad2"))->text(), 0, kMaxResetDelay);
    if (!delay.ok()) {
        ctx_.dialogs.message(kMsgError);
        return;
    }
    QByteArray data;
    data += static_cast<char>((delay.value >> 8) & 0xFF);
    data += static_cast<char>(delay.value & 0xFF);
    s.wrs = form_zaprosa(*address, kCmdResetDelay, data);
    ctx_.showRequestHex(s.wrs);
}

void BoundIds::decodeTable(const Reply& reply) {
    // Cell i takes data bytes 4+4i to 7+4i, least significant first. A short reply fills the cells it
    // carries completely and leaves the others as they were.
    const QByteArray data = reply.data().bytes();
    for (int i = 0; i < kIdCells; ++i) {
        const auto text = dig2hexStr(data, 4 + 4 * i);
        if (!text) break;
        ctx_.get<QLabel>(QStringLiteral("m1(%1)").arg(i))->setText(*text);
    }
}

void BoundIds::decodeParameters(const Reply& reply) {
    ctx_.setStatus(QStringLiteral("Приняты доп. параметры считывателя"));
    // The delay, least significant byte first; without both bytes only the status is shown.
    if (const auto delay = reply.data().u16le(4))
        ctx_.get<QLineEdit>(QStringLiteral("Zad2"))->setText(QString::number(*delay));
}

}  // namespace kestrel
