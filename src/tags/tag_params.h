#pragma once
// Tag parameters: the read ("Считать") and write ("Установить") buttons of the frame "Параметры метки"
// and the decoders of the parameter reply (0xE3) and of the write acknowledgement (0xE1).

#include <QObject>

#include "protocol/reply.h"
#include "tags/tag_write.h"
#include "ui/feature.h"

namespace kestrel {

inline constexpr quint8 kCmdTagRead = 0xE3;

class TagParams : public QObject {
    Q_OBJECT
public:
    explicit TagParams(FeatureContext& ctx);
    void ReadParamMetki_Click();
    void SetModesMetki_Click();
    void decodeParams(const Reply& reply);
    void decodeWriteAck(const Reply& reply);

private:
    FeatureContext& ctx_;
};

// The frame's texts as the write request reads them, with the selected address.
TagWriteTexts frameTexts(const FeatureContext& ctx);

// A firmware version byte as three positions each followed by a full stop: 123 -> "1.2.3.", 7 -> "7...".
QString versionText(quint8 version);

}  // namespace kestrel
