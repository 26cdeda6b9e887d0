#pragma once
// The current-parameters reply (0xF0): the live read-outs of the reader tab, the rotation indicator and
// the settings refresh that copies the reader's mode and radio parameters into their panels.

#include <QObject>

#include "protocol/reply.h"
#include "ui/feature.h"

namespace kestrel {

class LiveData : public QObject {
    Q_OBJECT
public:
    explicit LiveData(FeatureContext& ctx);
    void decode(const Reply& reply);

private:
    void showRotation(quint8 state);
    FeatureContext& ctx_;
};

}  // namespace kestrel
