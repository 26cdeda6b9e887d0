#pragma once
// Pieces the reader commands share: the refusal when no listed address is selected, and the data part
// of a reply (every byte but the check byte), from which reply fields are read.

#include <QString>

#include "protocol/reply.h"
#include "ui/feature.h"

namespace kestrel {

inline const QString kMsgNoListedAddress = QStringLiteral("Установите существующий сетевой адрес");
inline const QString kMsgError = QStringLiteral("error");

// The reply without its check byte: a field the check byte would have to stand in for is missing.
inline Reply replyData(const Reply& reply) {
    return Reply(reply.bytes().left(reply.size() > 0 ? reply.size() - 1 : 0));
}

// The selected address, or the refusal message and nothing.
inline std::optional<quint8> addressOrRefuse(FeatureContext& ctx) {
    const auto address = ctx.address();
    if (!address) ctx.dialogs.message(kMsgNoListedAddress);
    return address;
}

}  // namespace kestrel
