#include "tags/tag_params.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "protocol/hexid.h"
#include "protocol/trace.h"
#include "tags/tag_texts.h"

namespace kestrel {

QString versionText(quint8 version) {
    const QString digits = QString::number(version);
    QString out;
    for (int i = 0; i < 3; ++i) {
        if (i < digits.size()) out += digits[i];
        out += QLatin1Char('.');
    }
    return out;
}

TagWriteTexts frameTexts(const FeatureContext& ctx) {
    auto edit = [&ctx](const char* name) { return ctx.get<QLineEdit>(QString::fromLatin1(name))->text(); };
    TagWriteTexts t;
    t.address = ctx.address();
    t.serial = ctx.get<QLabel>(QStringLiteral("SerNumMetki"))->text();
    t.identifier = edit("ID_Metki");
    t.hexIdentifier = ctx.get<QCheckBox>(QStringLiteral("Hex_id"))->isChecked();
    t.delay = edit("IntervalMetki");
    t.mode = edit("ModeMetki");
    t.power = edit("PowerMetki");
    t.period = edit("sleep_time");
    return t;
}

TagParams::TagParams(FeatureContext& ctx) : ctx_(ctx) {
    connect(ctx_.get<QPushButton>(QStringLiteral("ReadParamMetki")), &QPushButton::clicked, this,
            [this] { ReadParamMetki_Click(); });
    connect(ctx_.get<QPushButton>(QStringLiteral("SetModesMetki")), &QPushButton::clicked, this,
            [this] { SetModesMetki_Click(); });
    ctx_.cycle.registerDecoder(kCmdTagRead, [this](const Reply& r) { decodeParams(r); });
    ctx_.cycle.registerDecoder(kCmdTagWrite, [this](const Reply& r) { decodeWriteAck(r); });
}

void TagParams::ReadParamMetki_Click() {
    // The current tag is the one the last search answer named. Its identifier is a 32-bit unsigned
    // number: every value is asked for.
    const HexIdResult id = ParseHexId(ctx_.get<QLabel>(QStringLiteral("outID"))->text());
    if (!id.ok()) {
        ctx_.dialogs.message(id.message());
        return;
    }
    if (ctx_.cycle.CMD_zapros_metki(id.value(), kCmdTagRead)) ctx_.state().TagParamsPending = 1;
}

void TagParams::SetModesMetki_Click() {
    ExchangeState& s = ctx_.state();
    s.wrs.clear();
    const TagWriteRequest r = buildTagWrite(frameTexts(ctx_));
    if (!r.ok()) {
        ctx_.dialogs.message(r.refusal);
        return;
    }
    s.wrs = r.request;
    ctx_.showRequestHex(s.wrs);
}

void TagParams::decodeParams(const Reply& reply) {
    // Fields come from the data part only; a field that a short reply cannot hold keeps its value.
    const Reply data = reply.data();
    auto label = [this](const char* name) { return ctx_.get<QLabel>(QString::fromLatin1(name)); };
    auto edit = [this](const char* name) { return ctx_.get<QLineEdit>(QString::fromLatin1(name)); };

    ctx_.setStatus(kMsgTagDataRead);
    if (const auto serial = data.u32be(4)) label("outSN")->setText(QString::number(*serial));
    if (const auto code = reply.at(3)) label("textOutCmd")->setText(hexByte(*code));
    if (const auto id = data.u32be(8)) {
        const QString idText = FormatHexId(*id);
        label("outID")->setText(idText);
        const bool hex = ctx_.get<QCheckBox>(QStringLiteral("Hex_id"))->isChecked();
        edit("ID_Metki")->setText(hex ? idText : QString::number(*id));
    }
    if (const auto delay = data.u16be(12)) {
        label("outTime")->setText(QString::number(*delay));
        edit("IntervalMetki")->setText(QString::number(*delay));
    }
    if (const auto mode = data.at(14)) {
        label("outMode")->setText(QString::number(*mode));
        edit("ModeMetki")->setText(QString::number(*mode));
    }
    if (const auto power = data.at(15)) {
        label("outPower")->setText(QString::number(*power));
        edit("PowerMetki")->setText(QString::number(*data.s8(15)));
    }
    if (const auto version = data.at(16)) label("outVer")->setText(versionText(*version));
    if (const auto period = data.u16be(17)) edit("sleep_time")->setText(QString::number(*period));
    if (const auto level = data.s8(19)) label("UrPr")->setText(QString::number(*level));
}

void TagParams::decodeWriteAck(const Reply&) { ctx_.setStatus(kMsgTagParamsAck); }

}  // namespace kestrel
