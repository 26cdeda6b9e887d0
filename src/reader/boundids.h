#pragma once
// The reader's table of ten bound tag IDs (clear, read, write one cell) and its ID reset delay (read,
// set), with the table reply (0xE6) and the parameter reply (0xF1).

#include <QObject>

#include "protocol/reply.h"
#include "ui/feature.h"

namespace kestrel {

inline constexpr quint8 kCmdClearIds = 0xE9;
inline constexpr quint8 kCmdReadIds = 0xE7;
inline constexpr quint8 kCmdIdTable = 0xE6;  // write one cell; also the table reply
inline constexpr quint8 kCmdReadResetDelay = 0xF7;
inline constexpr quint8 kCmdResetDelay = 0xF1;  // set the delay; also the parameter reply
inline constexpr int kIdCells = 10;

class BoundIds : public QObject {
    Q_OBJECT
public:
    explicit BoundIds(FeatureContext& ctx);
    void ids_clr_Click() { sendPlain(kCmdClearIds); }
    void ids_r_Click() { sendPlain(kCmdReadIds); }
    void RD_DP_Click() { sendPlain(kCmdReadResetDelay); }
    void Command3_Click();
    void Command2_Click();
    void decodeTable(const Reply& reply);
    void decodeParameters(const Reply& reply);

private:
    // Replaces the pending request with a request that carries no data.
    void sendPlain(quint8 command);
    FeatureContext& ctx_;
};

}  // namespace kestrel
