#include "reader/livedata.h"

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>

#include "protocol/hexid.h"
#include "protocol/numinput.h"

namespace kestrel {

LiveData::LiveData(FeatureContext& ctx) : ctx_(ctx) {
    ctx_.cycle.registerDecoder(kCmdCurrentParams, [this](const Reply& r) { decode(r); });
}

void LiveData::showRotation(quint8 state) {
    // The tag mode box says whether the reader reports a drum's rotation (modes 4 and 5) in the
    // temperature byte.
    const QString mode = ctx_.get<QLineEdit>(QStringLiteral("ModeMetki"))->text();
    if (mode.isEmpty()) return;
    QLabel* vra = ctx_.get<QLabel>(QStringLiteral("vra"));
    QLabel* vraa = ctx_.get<QLabel>(QStringLiteral("vraa"));
    const NumberResult n = parseWholeNumber(mode, 0, 255);
    if (!n.ok() || (n.value != 4 && n.value != 5)) {
        vra->hide();
        vraa->hide();
        return;
    }
    vra->show();
    vraa->show();
    auto image = [this](const char* name) { return ctx_.get<QWidget>(QString::fromLatin1(name)); };
    for (const char* name : {"Image1", "Image2", "Image3", "Image6"}) image(name)->hide();
    switch (state) {
        case 0:
            vraa->setText(QStringLiteral("СТОП"));
            image("Image3")->show();
            image("Image6")->show();
            break;
        case 1:
            vraa->setText(QStringLiteral("ЛЕВОЕ"));
            image("Image1")->show();
            image("Image6")->show();
            break;
        case 2:
            vraa->setText(QStringLiteral("ПРАВОЕ"));
            image("Image2")->show();
            image("Image6")->show();
            break;
        default:
            break;
    }
}

void LiveData::decode(const Reply& reply) {
    // Fields are read from the data part only: the check byte is never taken for a field, and a field
    // that the reply is too short to hold is left as it was.
    const Reply data = reply.data();
    auto setText = [this](const char* name, const QString& text) {
        ctx_.get<QLabel>(QString::fromLatin1(name))->setText(text);
    };

    const auto current = data.u32le(7);
    if (current && *current != 0) {
        setText("tek", QString::number(*current));
        if (const auto s = data.at(4)) {
            showRotation(*s);
            setText("temp", QString::number(*data.s8(4)) + QStringLiteral(" °C"));
        }
        if (const auto address = data.at(2)) setText("ne", QString::number(*address));
        if (const auto level = data.u16le(5)) {
            if (*level < 1024) ctx_.get<QProgressBar>(QStringLiteral("ProgressBar1"))->setValue(*level);
            setText("uroven", QString::number(*level));
        }
    }
    if (const auto empty = data.u32le(11)) setText("lo", QString::number(*empty));
    if (const auto tagId = data.u32le(15)) setText("hi", FormatHexId(*tagId));
    if (const auto second = data.u16le(19)) setText("ko", QString::number(*second));

    if (reply.size() > 21) {
        ExchangeState& s = ctx_.state();
        if (s.mode_yes == 1) {
            if (const auto mode = data.at(21)) ctx_.Out_modes(*mode);
            auto setEdit = [this](const char* name, const QString& text) {
                ctx_.get<QLineEdit>(QString::fromLatin1(name))->setText(text);
            };
            if (const auto net = data.u16le(22)) setEdit("num_net", QString::number(*net));
            if (const auto channel = data.at(24)) setEdit("n_kan", QString::number(*channel));
            if (const auto power = data.at(25)) setEdit("ppow", QString::number(*power));
        }
        if (s.mode_yes == 2) {
            s.mode_yes = 1;
            ctx_.setStatus(QStringLiteral("Приняты данные"));
        }
    }
}

}  // namespace kestrel
