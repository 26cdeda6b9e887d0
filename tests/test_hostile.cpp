// The hostile set (hostile.h) tried on every text box and input dialog of the window and the service panel:
// each value gets the box's documented refusal, or, when it reads as a number in the box's range, a whole
// request; nothing partial is ever pending, and the window goes on exchanging whole frames.
#include <QCheckBox>

#include "device/commands.h"
#include "hostile.h"
#include "protocol/frame.h"
#include "window_harness.h"

namespace kestrel::test {
namespace {

struct Target {
    const char* name;    // the box, or "dialog" for an input dialog
    const char* button;  // what sends it
    quint8 command;      // the request it builds
    Rule rule;
    int bounds[2];            // lo and hi, tried with their neighbours; {0, -1} for none
    bool decimalIds = false;  // the tag tab's identifiers typed in decimal
};

std::vector<Target> targets() {
    using namespace text;
    auto error = [] { return QString(text::kError); };
    return {
        {"dialog", "net", cmd::kSetNetAddress, range(0, 200, addressRange), {0, 200}},
        {"dialog", "Command1", cmd::kSetSerial, range(0, 2000000, serialRange), {0, 2000000}},
        {"num_net", "param", cmd::kSetRadioParams, range(1, 65000, error), {1, 65000}},
        {"n_kan", "param", cmd::kSetRadioParams, range(1, 255, error), {1, 255}},
        {"ppow", "param", cmd::kSetRadioParams, range(3, 255, error), {3, 255}},
        {"Zad2", "Command2", cmd::kSetResetDelay, range(0, 6000, error), {0, 6000}},
        {"plm", "Command3", cmd::kWriteBoundId, range(1, 10, cellRange), {1, 10}},
        {"iddm", "Command3", cmd::kWriteBoundId, hexIdentifier(), {0, -1}},
        {"ModeMetki", "SetModesMetki", cmd::kTagWrite, range(1, 9, modeRange), {1, 9}},
        {"IntervalMetki", "SetModesMetki", cmd::kTagWrite, range(0, 65535, wrongData), {0, 65535}},
        {"PowerMetki", "SetModesMetki", cmd::kTagWrite, tagPower(), {-125, 125}},
        {"sleep_time", "SetModesMetki", cmd::kTagWrite, tagPeriod(), {1, 32767}},
        {"ID_Metki", "SetModesMetki", cmd::kTagWrite, hexIdentifier(), {0, -1}},
        {"ID_Metki", "SetModesMetki", cmd::kTagWrite, decimalId(), {0, -1}, true},
        {"dialog", "InstSN", cmd::kTagSetSerial, range(0, 2000000, serialRange), {0, 2000000}},
        {"dialog", "Set_ident", cmd::kTagWrite, range(0, 2000000, serialRange), {0, 2000000}},
    };
}

// A request as the cycle writes it: the start byte, the address, the command, its data and a good check byte.
bool wholeFrame(const QByteArray& frame, quint8 command) {
    return frame.size() >= 4 && quint8(frame[0]) == 0x31 && quint8(frame[1]) == 5 &&
           quint8(frame[2]) == command && quint8(frame.back()) == crc8(frame.left(frame.size() - 1));
}

class HostileInput : public WindowOnFakePort {
  protected:
    void SetUp() override {
        openAtFive();
        fillEveryBox();  // the current tag, so the tag commands have one to address
    }
};

TEST_F(HostileInput, EveryBoxAndDialogRefusesOrSendsAWholeRequestAndTheWindowGoesOn) {
    for (const Target& t : targets()) {
        std::vector<Hostile> values = hostileSet();
        if (t.bounds[0] <= t.bounds[1])
            for (int b : {t.bounds[0] - 1, t.bounds[0], t.bounds[1], t.bounds[1] + 1})
                values.push_back({QString::number(b), b});
        ctl<QCheckBox>(QStringLiteral("Hex_id"))->setChecked(!t.decimalIds);
        const bool dialog = qstrcmp(t.name, "dialog") == 0;
        const QString box = QString::fromLatin1(t.name);
        const QString before = dialog ? QString() : text(box);
        for (const Hostile& h : values) {
            SCOPED_TRACE(std::string(t.button) + " " + t.name + " = \"" + h.text.left(24).toStdString() +
                         "\"");
            dialogs.clear();
            partOf<ExchangeCycle>(*window).clearPending();
            if (dialog)
                dialogs.inputs = {h.text};
            else
                setText(box, h.text);
            click(QString::fromLatin1(t.button));
            const std::optional<QString> refusal = t.rule(h);
            if (dialog && h.text.isEmpty()) {  // an empty answer is the dialog cancelled: nothing happens
                EXPECT_TRUE(dialogs.messages.empty());
                EXPECT_TRUE(pending().isEmpty());
            } else if (refusal) {
                ASSERT_EQ(dialogs.messageTexts(), QStringList{*refusal});
                EXPECT_TRUE(pending().isEmpty()) << "nothing of a refused command is pending";
            } else {
                EXPECT_TRUE(dialogs.messages.empty()) << dialogs.messageTexts().join('|').toStdString();
                EXPECT_TRUE(wholeFrame(pending(), t.command)) << pending().toHex(' ').toStdString();
            }
        }
        if (!dialog) setText(box, before);
        // The window goes on: the next tick writes one whole request.
        port.clearWritten();
        runTick();
        EXPECT_TRUE(port.written.size() > 2 && wholeFrame(port.written, quint8(port.written.at(2))))
            << port.written.toHex(' ').toStdString();
    }
}

}  // namespace
}  // namespace kestrel::test
