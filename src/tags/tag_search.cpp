#include "tags/tag_search.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "protocol/hexid.h"
#include "protocol/trace.h"
#include "tags/tag_texts.h"

namespace kestrel {

TagSearch::TagSearch(FeatureContext& ctx) : ctx_(ctx) {
    connect(ctx_.get<QPushButton>(QStringLiteral("Find_metki")), &QPushButton::clicked, this,
            [this] { Find_metki_Click(); });
    ctx_.cycle.registerDecoder(kCmdTagSearch, [this](const Reply& r) { decode(r); });
}

void TagSearch::Find_metki_Click() {
    // Without a usable address the request cannot be built: nothing is left pending.
    ctx_.cycle.CMD_zapros_metki(kTagSearchId, kCmdTagSearch);
}

void TagSearch::decode(const Reply& reply) {
    // Fields come from the data part only (the check byte is never taken for a field); a field that a
    // short reply cannot hold keeps its value.
    const Reply data = reply.data();
    auto label = [this](const char* name) { return ctx_.get<QLabel>(QString::fromLatin1(name)); };

    ctx_.setStatus(kMsgTagPing);
    if (const auto serial = data.u32be(4)) label("SerNumMetki")->setText(QString::number(*serial));
    if (const auto code = reply.at(3)) label("textOutCmd")->setText(hexByte(*code));
    if (const auto id = data.u32be(8)) {
        const QString idText = FormatHexId(*id);
        label("outID")->setText(idText);
        ExchangeState& s = ctx_.state();
        if (s.TagParamsPending == 1) {
            ctx_.get<QLineEdit>(QStringLiteral("ID_Metki"))->setText(idText);
            s.TagParamsPending = 0;
        }
    }
    if (const auto level = data.s8(12)) label("UrPr")->setText(QString::number(*level));
}

}  // namespace kestrel
