#include "ui/feature.h"

#include <QLabel>

#include "protocol/trace.h"
#include "ui/widgets.h"

namespace kestrel {

void FeatureContext::setStatus(const QString& text) const { get<QLabel>(QStringLiteral("MsgCom"))->setText(text); }

void FeatureContext::setTxtRec(const QString& text) const {
    get<TraceBox>(QStringLiteral("txtRec"))->setTraceText(text);
}

void FeatureContext::out_win(const QByteArray& bytes) const { setTxtRec(out_winText(bytes)); }

void FeatureContext::setCmdBoxText(const QString& text) const {
    get<TraceBox>(QStringLiteral("CmdBoxText"))->setTraceText(text);
}

void FeatureContext::showRequestHex(const QByteArray& bytes) const { setCmdBoxText(hexDump(bytes, QLatin1Char(' '))); }

}  // namespace kestrel
