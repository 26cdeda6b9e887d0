#pragma once
// The bus search (button `Opros`): the network poll and its answer, the list of addresses present.

#include <QObject>

#include "ui/feature.h"

namespace kestrel {

class NetPoll : public QObject {
    Q_OBJECT
public:
    explicit NetPoll(FeatureContext& ctx);
    void Opros_Click();
    void pollAnswer(const QByteArray& answer);

private:
    FeatureContext& ctx_;
};

}  // namespace kestrel
