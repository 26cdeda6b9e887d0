// The exchange cycle over an in-memory port: what goes on the wire each tick, and what the window shows.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

#include "fakeport.h"
#include "protocol/crc.h"
#include "protocol/exchange.h"

using namespace kestrel;
using kestrel::test::FakePort;
using kestrel::test::hex;

namespace {

class FakeHost : public ExchangeHost {
public:
    std::optional<QString> address = QStringLiteral("0");
    int tab = TabReader;
    QString status;
    quint32 lamp = 0x00FFFF;
    QString cmdBox;
    QString txtRec;
    QStringList messages;
    int closeActions = 0;
    ExchangeCycle* cycle = nullptr;
    SerialPort* port = nullptr;

    std::optional<QString> selectedAddressText() const override { return address; }
    int openTab() const override { return tab; }
    QString statusText() const override { return status; }
    void setStatusText(const QString& text) override { status = text; }
    quint32 lampColour() const override { return lamp; }
    void setLampColour(quint32 bgr) override { lamp = bgr; }
    void setCmdBoxText(const QString& text) override { cmdBox = text; }
    void setTxtRec(const QString& text) override { txtRec = text; }
    void showWriteFailure(const QString& message) override { messages << message; }
    void runCloseAction() override {
        ++closeActions;
        cycle->stop();
        port->close();
    }
};

class Exchange : public ::testing::Test {
protected:
    Exchange() {
        // A long period so only the test starts ticks; a short read window keeps the suite fast.
        cycle = std::make_unique<ExchangeCycle>(port, host, ExchangeCycle::Timing{60000, 40, 5});
        host.cycle = cycle.get();
        host.port = &port;
        port.open(QStringLiteral("COM3"));
        for (int code : {0xF0, 0xFB, 0xFC, 0xE0})
            cycle->registerDecoder(quint8(code), [this](const Reply& r) { decoded << r.bytes(); });
        cycle->setPollAnswerHandler([this](const QByteArray& r) { pollAnswers << r; });
        cycle->start();
    }

    // Runs one whole tick and returns what it wrote.
    QByteArray tick() {
        startTick();
        EXPECT_TRUE(tickEnds());
        return port.written;
    }
    // Starts a tick with nothing written yet; its read window opens.
    void startTick() {
        port.clearWritten();
        cycle->TMRComm_Timer();
    }
    bool tickEnds() { return QTest::qWaitFor([this] { return !cycle->tickInProgress(); }, 2000); }
    // The device sends `bytes`; a tick reads them.
    void receive(const QByteArray& bytes) {
        port.feed(bytes);
        tick();
    }
    // Selects an address whose identification was already requested, so the tick polls at once.
    void settle(const char* address) {
        host.address = QString::fromLatin1(address);
        cycle->state().last_net = static_cast<quint8>(QByteArray(address).toInt());
    }

    FakePort port;
    FakeHost host;
    std::unique_ptr<ExchangeCycle> cycle;
    QList<QByteArray> decoded;
    QList<QByteArray> pollAnswers;
};

}  // namespace

TEST_F(Exchange, EachTabPollsWhenNothingIsPending) {
    settle("5");
    EXPECT_EQ(tick(), hex("31 05 F0 FE"));
    EXPECT_EQ(tick(), hex("31 05 F0 FE"));
    EXPECT_EQ(host.cmdBox, QStringLiteral("31_5_F0_FE_"));
    host.tab = TabTag;
    EXPECT_EQ(tick(), hex("31 05 E0 7A 7A 7A 7A F9"));
    host.tab = TabBridge;
    EXPECT_EQ(tick(), hex("31 05 E8 A1")) << "the bridge polls start with E8";
    EXPECT_EQ(tick(), hex("31 05 06 57"));
    EXPECT_EQ(tick(), hex("31 05 E8 A1"));
    host.tab = TabReader;
    EXPECT_EQ(tick(), hex("31 05 F0 FE"));
    host.tab = TabBridge;
    EXPECT_EQ(tick(), hex("31 05 06 57")) << "the alternation keeps its place while another tab is open";
}

TEST_F(Exchange, APendingRequestGoesOutInsteadOfThePollAndIsEmptied) {
    settle("5");
    cycle->state().wrs = hex("31 05 FB 07 CB");
    EXPECT_EQ(tick(), hex("31 05 FB 07 CB"));
    EXPECT_TRUE(cycle->state().wrs.isEmpty());
    EXPECT_EQ(tick(), hex("31 05 F0 FE"));
}

TEST_F(Exchange, ANewAddressIsIdentifiedOnceReplacingWhatWasPending) {
    settle("5");
    host.address = QStringLiteral("3");
    cycle->state().wrs = hex("31 05 FB 07 CB");
    EXPECT_EQ(tick(), hex("31 03 FC F7"));
    EXPECT_EQ(cycle->state().last_net, 3);
    EXPECT_EQ(tick(), hex("31 03 F0") + char(crc8(hex("31 03 F0"))));
}

TEST_F(Exchange, NoSelectionOrATypedNonNumberSkipsAddressChangeAndPoll) {
    for (const std::optional<QString>& text :
         {std::optional<QString>(), std::optional<QString>(QStringLiteral("abc")),
          std::optional<QString>(QStringLiteral("256"))}) {
        host.address = text;
        EXPECT_EQ(tick(), QByteArray());
        EXPECT_EQ(cycle->state().last_net, 0);
        EXPECT_TRUE(port.isOpen()) << "writing nothing is not a write failure";
    }
}

TEST_F(Exchange, ReplyIsReadOnTheTickAfterItsRequestAndDispatchedByCode) {
    settle("5");
    tick();
    const QByteArray reply = hex("3E 05 F0 19 00 02 01 00 00 00 7E");
    receive(reply);
    ASSERT_EQ(decoded.size(), 1);
    EXPECT_EQ(decoded[0], reply);
    EXPECT_EQ(port.flushCount, 1) << "the output is flushed after a reply";
}

TEST_F(Exchange, WrongCheckByteOnCurrentParametersIsIgnoredButOtherRepliesAreDecoded) {
    settle("5");
    host.status = QStringLiteral("было");
    tick();  // silent: the no-reply message replaces the status
    receive(hex("3E 05 F0 19 00 02 01 00 00 00 7F"));
    EXPECT_TRUE(decoded.isEmpty());
    EXPECT_EQ(host.status, QStringLiteral("было")) << "the no-reply message is still taken back";
    EXPECT_EQ(host.lamp, kLampRed);
    EXPECT_TRUE(host.txtRec.startsWith(QStringLiteral("3E 5 F0 19 0 2 1 0 0 0 7F 7E ")));
    receive(hex("3E 05 FB CC"));
    ASSERT_EQ(decoded.size(), 1) << "an acknowledgement is taken whatever its check byte";
    EXPECT_EQ(decoded[0], hex("3E 05 FB CC"));
}

TEST_F(Exchange, UnknownCodesAndShortFramedRepliesAreIgnored) {
    settle("5");
    for (const char* r : {"3E 05 77 00", "3E 05 E2 00 11", "3E 05"}) {
        receive(hex(r));
    }
    EXPECT_TRUE(decoded.isEmpty());
    EXPECT_TRUE(pollAnswers.isEmpty());
}

TEST_F(Exchange, SilenceShowsTheTabsMessageOnceSavedAndRestoresTheText) {
    settle("5");
    struct Case {
        int tab;
        QString message;
    } cases[] = {{TabReader, QStringLiteral("Нет данных со считывателя с номером 5")},
                 {TabTag, QStringLiteral("Нет связи с меткой ")},
                 {TabBridge, QStringLiteral("Нет связи с удаленным считывателем")}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message.toStdString());
        host.tab = c.tab;
        host.status = QStringLiteral("Приняты данные");
        tick();
        EXPECT_EQ(host.status, c.message);
        EXPECT_TRUE(cycle->state().no_data);
        tick();  // a second silent tick changes only the message, not the saved text
        EXPECT_EQ(cycle->state().last_msg, QStringLiteral("Приняты данные"));
        receive(hex("3E 05 77 00"));
        EXPECT_EQ(host.status, QStringLiteral("Приняты данные"));
        EXPECT_FALSE(cycle->state().no_data);
    }
}

TEST_F(Exchange, LampBlinksOnEveryWriteAndTurnsRedOnAReply) {
    settle("5");
    host.lamp = kLampWhite;
    tick();
    EXPECT_EQ(host.lamp, kLampGrey);
    tick();
    EXPECT_EQ(host.lamp, kLampWhite);
    receive(hex("3E 05 77 00"));
    EXPECT_EQ(host.lamp, kLampRed);
    tick();
    EXPECT_EQ(host.lamp, kLampWhite) << "red is not white, so the blink makes it white";
}

TEST_F(Exchange, LongRepliesAreDecodedButNotTraced) {
    settle("5");
    QByteArray frame = hex("3E 05 F0 19 00 02 01 00 00 00");
    QByteArray sixty = frame + QByteArray(59 - frame.size(), '\0');
    sixty = Control_summ(sixty);
    ASSERT_EQ(sixty.size(), 60);
    host.txtRec = QStringLiteral("unchanged");
    receive(sixty);
    EXPECT_EQ(host.txtRec, QStringLiteral("unchanged"));
    ASSERT_EQ(decoded.size(), 1);
    EXPECT_EQ(decoded[0], sixty);
    const QByteArray fortyNine = Control_summ(frame + QByteArray(48 - frame.size(), '\0'));
    receive(fortyNine);
    EXPECT_TRUE(host.txtRec.endsWith(QStringLiteral("FE"))) << "a 49-byte reply is traced with the poll check";
}

TEST_F(Exchange, UnframedRepliesAreThePollAnswerOnlyWhileAPollIsInProgress) {
    settle("5");
    receive(hex("05"));
    EXPECT_TRUE(pollAnswers.isEmpty());
    EXPECT_FALSE(cycle->state().net_opr);

    struct Case {
        QByteArray reply;
        bool taken;
    } cases[] = {{hex("05"), true},
                 {QByteArray(19, '\x07'), true},
                 {QByteArray(20, '\x07'), false},
                 {hex("3E 05"), true},  // too short to be an ordinary reply
                 {hex("3E 05 77 00"), false}};
    for (const auto& c : cases) {
        pollAnswers.clear();
        cycle->state().net_opr = true;
        receive(c.reply);
        EXPECT_EQ(pollAnswers.size(), c.taken ? 1 : 0) << c.reply.toHex().constData();
        EXPECT_EQ(cycle->state().net_opr, !c.taken && c.reply.startsWith('>') && c.reply.size() >= 4)
            << "an ordinary reply leaves the poll in progress, anything else ends it";
    }
}

TEST_F(Exchange, ALongPendingRequestIsWrittenInPiecesAndCountsAsWritten) {
    settle("5");
    QByteArray big(300, '\x31');
    cycle->state().wrs = big;
    EXPECT_EQ(tick(), big);
    ASSERT_EQ(port.pieces.size(), 2u);
    EXPECT_EQ(port.pieces[0].size(), 255);
    EXPECT_EQ(port.pieces[1].size(), 45);
    EXPECT_TRUE(host.messages.isEmpty());
}

TEST_F(Exchange, AShortWriteClosesTheConnectionAndDropsTheReply) {
    settle("5");
    port.writeLimit = 2;
    receive(hex("3E 05 FB CC"));
    EXPECT_EQ(host.messages, QStringList{QStringLiteral("Ошибка записи в порт")});
    EXPECT_EQ(host.closeActions, 1);
    EXPECT_FALSE(cycle->isRunning());
    EXPECT_TRUE(cycle->state().wrs.isEmpty());
    EXPECT_TRUE(decoded.isEmpty()) << "the reply read before the failed write is dropped";
}

TEST_F(Exchange, ThePortGoingAwayTakesTheWriteFailurePathOnce) {
    settle("5");
    cycle->TMRComm_Timer();  // the read window is open
    port.hangUp();
    EXPECT_TRUE(QTest::qWaitFor([this] { return host.closeActions > 0; }, 2000));
    QTest::qWait(50);
    EXPECT_EQ(host.closeActions, 1);
    EXPECT_EQ(host.messages.size(), 1);
    EXPECT_FALSE(cycle->tickInProgress());
    EXPECT_TRUE(port.written.isEmpty()) << "nothing is written to a port that went away";

    // Between ticks, too.
    port.open(QStringLiteral("COM3"));
    cycle->start();
    port.hangUp();
    EXPECT_TRUE(QTest::qWaitFor([this] { return host.closeActions == 2; }, 2000));
}

TEST_F(Exchange, TicksNeverOverlap) {
    settle("5");
    startTick();
    cycle->TMRComm_Timer();  // a second tick while the read window is open does nothing
    EXPECT_TRUE(tickEnds());
    EXPECT_EQ(port.written, hex("31 05 F0 FE"));
}

TEST_F(Exchange, ClosingDuringTheReadWindowEndsTheTickWithoutAWrite) {
    settle("5");
    startTick();
    ASSERT_TRUE(cycle->tickInProgress());
    host.runCloseAction();
    EXPECT_FALSE(cycle->tickInProgress());
    QTest::qWait(80);
    EXPECT_TRUE(port.written.isEmpty());
    EXPECT_TRUE(host.messages.isEmpty()) << "a closing by the user is no write failure";
}

TEST_F(Exchange, AClickDuringTheReadWindowCountsAsBeforeTheTick) {
    settle("5");
    startTick();
    cycle->state().wrs = hex("31 05 FB 07 CB");
    EXPECT_TRUE(tickEnds());
    EXPECT_EQ(port.written, hex("31 05 FB 07 CB"));
    EXPECT_EQ(host.cmdBox, QStringLiteral("31_5_FB_7_CB_"));
}

TEST_F(Exchange, ReadWindowGathersBytesUntilTheLineFallsSilent) {
    settle("5");
    tick();
    // Two halves 2 ms apart are one reply; a part arriving after the line was silent is the next one.
    port.feedLater(5, hex("3E 05 F0 19 00"));
    port.feedLater(7, hex("02 01 00 00 00 7E"));
    tick();
    ASSERT_EQ(decoded.size(), 1);
    EXPECT_EQ(decoded[0], hex("3E 05 F0 19 00 02 01 00 00 00 7E"));
}

TEST_F(Exchange, ASilentReadWindowLetsTheEventLoopRun) {
    settle("5");
    int fired = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++fired; });
    ticker.start(2);
    QElapsedTimer clock;
    clock.start();
    tick();
    EXPECT_GE(clock.elapsed(), 35) << "the window waits for a late answer";
    EXPECT_GE(fired, 2) << "while it waits, other events are handled (a blocking read lets none through)";
}

TEST_F(Exchange, ReadTakesAtMost255BytesAndLeavesTheRestForTheNextTick) {
    settle("5");
    receive(QByteArray(300, '\x01'));
    EXPECT_EQ(port.bytesAvailable(), 45);
}

TEST_F(Exchange, TagRequestReplacesThePendingOneAndIsShown) {
    host.address = QStringLiteral("5");
    cycle->state().wrs = hex("31 05 FB 07 CB");
    EXPECT_TRUE(cycle->CMD_zapros_metki(0x7A7A7A7A, 0xE0));
    EXPECT_EQ(cycle->state().wrs, hex("31 05 E0 7A 7A 7A 7A F9"));
    EXPECT_EQ(host.cmdBox, QStringLiteral("31_5_E0_7A_7A_7A_7A_F9_"));
    host.address.reset();
    EXPECT_FALSE(cycle->CMD_zapros_metki(0x7A7A7A7A, 0xE0));
    EXPECT_TRUE(cycle->state().wrs.isEmpty());
    EXPECT_EQ(cycle->Zapros_ser_num(), QByteArray());
    host.address = QStringLiteral("0");
    EXPECT_EQ(cycle->Zapros_ser_num(), hex("31 00 FC A2"));
}

TEST_F(Exchange, DispatchTableOnlyAcceptsItsCodes) {
    const std::array<quint8, 18> documented = {0xFC, 0xF0, 0xE0, 0xE3, 0xE6, 0xE8, 0x06, 0xF1, 0xE1,
                                               0xFA, 0xF2, 0xF5, 0xFB, 0xF8, 0xF3, 0xF6, 0xFD, 0x00};
    EXPECT_EQ(ExchangeCycle::dispatchOrder(), documented);
    EXPECT_FALSE(cycle->registerDecoder(0xE2, [](const Reply&) {}));
    EXPECT_TRUE(cycle->registerDecoder(0x00, [](const Reply&) {}));
}

TEST_F(Exchange, RepliesOfAnyLengthAndContentNeverCrashTheCycle) {
    settle("5");
    // Decoders that read far positions through the reply accessor.
    for (quint8 code : ExchangeCycle::dispatchOrder()) {
        cycle->registerDecoder(code, [](const Reply& r) {
            for (int pos = -2; pos < 70; ++pos) (void)r.u32le(pos), (void)r.s8(pos);
        });
    }
    QRandomGenerator rng(1234);
    for (int i = 0; i < 200; ++i) {
        const int size = i % 7 == 0 ? 300 : static_cast<int>(rng.bounded(40));
        QByteArray reply(size, '\0');
        for (auto& c : reply) c = static_cast<char>(rng.bounded(256));
        if (i % 2 && size > 2) reply[0] = '>';
        cycle->state().net_opr = i % 3 == 0;
        receive(reply);
    }
    EXPECT_TRUE(port.isOpen());
}
