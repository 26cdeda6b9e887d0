#pragma once
// Tag search: the button that asks the reader for any tag in range, and the decoder of the answer,
// which makes the answering tag the current tag (its serial number, identifier and reception level).

#include <QObject>

#include "protocol/reply.h"
#include "ui/feature.h"

namespace kestrel {

class TagSearch : public QObject {
    Q_OBJECT
public:
    explicit TagSearch(FeatureContext& ctx);
    void Find_metki_Click();
    void decode(const Reply& reply);

private:
    FeatureContext& ctx_;
};

}  // namespace kestrel
