#include "reader/modeparams.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "protocol/crc.h"
#include "protocol/numinput.h"
#include "reader/reader_common.h"

namespace kestrel {

ModeParams::ModeParams(FeatureContext& ctx) : ctx_(ctx) {
    connect(ctx_.get<QPushButton>(QStringLiteral("Set_mode")), &QPushButton::clicked, this,
            &ModeParams::Set_mode_Click);
    connect(ctx_.get<QPushButton>(QStringLiteral("param")), &QPushButton::clicked, this, &ModeParams::param_Click);
    ctx_.cycle.registerDecoder(kCmdSetMode, [this](const Reply& r) { decodeModeSet(r); });
    auto status = [this](quint8 code, const QString& text) {
        ctx_.cycle.registerDecoder(code, [this, text](const Reply&) { ctx_.setStatus(text); });
    };
    status(kCmdAveragingSet, QStringLiteral(" Установлено кол. усреднение."));
    status(kCmdAveragingCleared, QStringLiteral(" Снято усреднение."));
    status(kCmdInversionChanged, QStringLiteral("Изменена инверсия."));
    status(kCmdLampFrequencyChanged, QStringLiteral("Изменено состояние лампа/частота."));
}

quint8 ModeParams::modeByte() const {
    struct Option {
        const char* name;
        quint8 value;
    };
    static constexpr Option options[] = {{"R_a", 2}, {"R_f", 1}, {"R_p485", 0x10}, {"R485", 0}, {"R_p", 6}};
    quint8 mode = 0;
    for (const Option& o : options) {
        if (ctx_.get<QRadioButton>(QString::fromLatin1(o.name))->isChecked()) {
            mode = o.value;
            break;
        }
    }
    if (ctx_.get<QCheckBox>(QStringLiteral("iinv"))->checkState() != Qt::Unchecked) mode |= kModeMaster;
    if (ctx_.get<QCheckBox>(QStringLiteral("usredn"))->checkState() != Qt::Unchecked) mode |= kModeFrequencyOut;
    return mode;
}

void ModeParams::Set_mode_Click() {
    const quint8 mode = modeByte();
    const auto address = ctx_.address();
    if (!address) return;  // silently nothing
    ExchangeState& s = ctx_.state();
    s.wrs += form_zaprosa(*address, kCmdSetMode, QByteArray(1, static_cast<char>(mode)));
    ctx_.out_win(s.wrs);
    s.mode_yes = 2;  // the next current-parameters replies reload the mode and parameter panels
}

void ModeParams::param_Click() {
    ExchangeState& s = ctx_.state();
    s.wrs.clear();
    const auto address = ctx_.addressOrRefuse();
    if (!address) return;
    auto read = [this](const char* box, qint64 min, qint64 max) {
        return parseWholeNumber(ctx_.get<QLineEdit>(QString::fromLatin1(box))->text(), min, max);
    };
    const NumberResult network = read("num_net", 1, 65000);
    const NumberResult channel = read("n_kan", 1, 255);
    const NumberResult power = read("ppow", 3, 255);
    if (!network.ok() || !channel.ok() || !power.ok()) {
        ctx_.dialogs.message(kMsgError);
        return;
    }
    QByteArray data;
    data += static_cast<char>((network.value >> 8) & 0xFF);
    data += static_cast<char>(network.value & 0xFF);
    data += static_cast<char>(channel.value);
    data += static_cast<char>(power.value);
    s.wrs = form_zaprosa(*address, kCmdSetRadioParams, data);
    ctx_.showRequestHex(s.wrs);
}

void ModeParams::decodeModeSet(const Reply& reply) {
    ctx_.setStatus(QStringLiteral(" Установлен новый режим."));
    // Byte 4 is the mode now in force; a reply that ends with its check byte before it carries none.
    if (const auto mode = reply.data().at(4)) ctx_.Out_modes(*mode);
}

}  // namespace kestrel
