#include "tags/tag_identity.h"

#include <QLabel>
#include <QPushButton>

#include "protocol/crc.h"
#include "protocol/hexid.h"
#include "protocol/numinput.h"
#include "tags/tag_params.h"
#include "tags/tag_texts.h"

namespace kestrel {

TagIdentity::TagIdentity(FeatureContext& ctx) : ctx_(ctx) {
    connect(ctx_.get<QPushButton>(QStringLiteral("InstSN")), &QPushButton::clicked, this, [this] { InstSN_Click(); });
    connect(ctx_.get<QPushButton>(QStringLiteral("Set_ident")), &QPushButton::clicked, this,
            [this] { Set_ident_Click(); });
}

void TagIdentity::InstSN_Click() {
    ExchangeState& s = ctx_.state();
    s.wrs.clear();
    const QString answer = ctx_.dialogs.input(kPromptTagSerial, kTitleTagSerial, QStringLiteral("0"));
    if (answer.isEmpty()) return;

    const auto address = ctx_.addressOrRefuse();
    if (!address) {
        ctx_.out_win(s.wrs);
        return;
    }
    const HexIdResult id = ParseHexId(ctx_.get<QLabel>(QStringLiteral("outID"))->text());
    if (!id.ok()) {
        ctx_.dialogs.message(id.message());
        ctx_.out_win(s.wrs);
        return;
    }
    const NumberResult serial = parseWholeNumber(answer, 0, kTagNumberMax);
    if (!serial.ok()) {
        ctx_.dialogs.message(kMsgSerialRange);
        return;
    }
    QByteArray frame;
    frame += char(kRequestStart);
    frame += char(*address);
    frame += char(kCmdTagSerial);
    frame += id.bytes;
    frame += Long_to_string(static_cast<quint32>(serial.value));
    s.wrs = Control_summ(frame);
    ctx_.out_win(s.wrs);
}

void TagIdentity::Set_ident_Click() {
    // The new identification number goes to the current tag (found by its serial number) with the
    // parameter write; delay, mode, power and period are the frame's values.
    ExchangeState& s = ctx_.state();
    s.wrs.clear();
    const QString answer = ctx_.dialogs.input(kPromptTagIdent, kTitleTagIdent, QStringLiteral("0"));
    if (answer.isEmpty()) return;

    TagWriteTexts texts = frameTexts(ctx_);
    if (!texts.address) {
        ctx_.dialogs.message(kMsgNoListedAddress);
        ctx_.out_win(s.wrs);
        return;
    }
    const NumberResult ident = parseWholeNumber(answer, 0, kTagNumberMax);
    if (!ident.ok()) {
        ctx_.dialogs.message(kMsgSerialRange);
        return;
    }
    texts.identifierOverride = static_cast<quint32>(ident.value);
    const TagWriteRequest r = buildTagWrite(texts);
    if (!r.ok()) {
        ctx_.dialogs.message(r.refusal);
        return;
    }
    s.wrs = r.request;
    ctx_.out_win(s.wrs);
}

}  // namespace kestrel
