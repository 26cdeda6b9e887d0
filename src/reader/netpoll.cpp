#include "reader/netpoll.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include "protocol/crc.h"
#include "protocol/trace.h"

namespace kestrel {

NetPoll::NetPoll(FeatureContext& ctx) : ctx_(ctx) {
    connect(ctx_.get<QPushButton>(QStringLiteral("Opros")), &QPushButton::clicked, this, &NetPoll::Opros_Click);
    ctx_.cycle.setPollAnswerHandler([this](const QByteArray& answer) { pollAnswer(answer); });
}

void NetPoll::Opros_Click() {
    ExchangeState& s = ctx_.state();
    s.wrs = networkPollRequest();
    ctx_.out_win(s.wrs);
    s.net_opr = true;
    s.mode_yes = 2;
}

void NetPoll::pollAnswer(const QByteArray& answer) {
    // Every byte is the address of one device, in the order they answered; duplicates are kept.
    QComboBox* list = ctx_.get<QComboBox>(QStringLiteral("CmbNet"));
    list->clear();
    QString caption;
    for (const char b : answer) {
        const QString address = QString::number(static_cast<quint8>(b));
        list->addItem(address);
        caption += address + QLatin1Char(' ');
    }
    list->setCurrentIndex(0);
    ctx_.get<QLabel>(QStringLiteral("netdev"))->setText(caption);
    ctx_.setTxtRec(hexDump(answer, QLatin1Char(' ')));
    ctx_.state().wrs = ctx_.cycle.Zapros_ser_num();
    ctx_.setStatus(QStringLiteral("Произошел опрос сети."));
}

}  // namespace kestrel
