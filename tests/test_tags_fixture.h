#pragma once
// The tag tab over the in-memory port: address 5 chosen, a current tag (serial 1001, identifier 123456)
// and a frame "Параметры метки" that passes every check.

#include <QCheckBox>

#include "input_cases.h"
#include "protocol/crc.h"
#include "window_harness.h"

namespace kestrel::test {

class TagTab : public WithTexts<WindowOnFakePort> {
protected:
    void SetUp() override {
        openPort();
        chooseAddress(QStringLiteral("5"));
        runTick();  // the identification of the newly chosen address goes out first
        selectTab(1);
        setCurrentTag(QStringLiteral("1001"), QStringLiteral("123456"));
        setFrame();
        hexIds(true);
        dialogs.clear();
    }
    void setCurrentTag(const QString& serial, const QString& id) {
        ctl<QLabel>(QStringLiteral("SerNumMetki"))->setText(serial);
        ctl<QLabel>(QStringLiteral("outID"))->setText(id);
    }
    void setFrame() {
        setText(QStringLiteral("ID_Metki"), QStringLiteral("123456"));
        setText(QStringLiteral("IntervalMetki"), QStringLiteral("100"));
        setText(QStringLiteral("ModeMetki"), QStringLiteral("1"));
        setText(QStringLiteral("PowerMetki"), QStringLiteral("-10"));
        setText(QStringLiteral("sleep_time"), QStringLiteral("60"));
    }
    void hexIds(bool on) { ctl<QCheckBox>(QStringLiteral("Hex_id"))->setChecked(on); }
    // A request some earlier action left pending; refusals must drop it.
    void leaveSomethingPending() { state().wrs = hex("31 05 F0 FE"); }
    // No listed address can be taken: the selected text is not a byte.
    void chooseUnusableAddress() { chooseAddress(QStringLiteral("300")); }
    void receive(const QByteArray& reply) {
        port.feed(reply);
        runTick();
    }
    QString status() { return text(QStringLiteral("MsgCom")); }
    void showId(const char* id) { ctl<QLabel>(QStringLiteral("outID"))->setText(QString::fromLatin1(id)); }
    void markTrace() { ctl<TraceBox>(QStringLiteral("txtRec"))->setTraceText(QStringLiteral("before")); }
    // The message shown, alone, and nothing left pending.
    void expectRefused(const QString& message) {
        EXPECT_EQ(dialogs.messageTexts(), QStringList{message});
        EXPECT_TRUE(state().wrs.isEmpty());
    }
};

// A reply from the bytes given, closed with its check byte.
inline QByteArray replyOf(const char* bytes) { return Control_summ(hex(bytes)); }

}  // namespace kestrel::test
