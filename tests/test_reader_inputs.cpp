// Every text box and input dialog of the reader commands against the same awkward entries: each gets
// its message or its request, nothing partial is left pending, and nothing crashes.
#include <functional>

#include "window_harness.h"

using namespace kestrel;
using namespace kestrel::test;

namespace {

const QString kLong = QString(10000, QLatin1Char('1'));
const QString kCyrillic = QStringLiteral("пять");
const QString kWideDigits = QStringLiteral("１０");  // full-width digits

struct Entry {
    QString input;
    QString message;  // empty: no message
    QByteArray wrs;   // what is left pending
};

class ReaderInputs : public WindowOnFakePort {
protected:
    void SetUp() override {
        openPort();
        chooseAddress(QStringLiteral("1"));
        runTick();
        setText(QStringLiteral("num_net"), QStringLiteral("1"));
        setText(QStringLiteral("n_kan"), QStringLiteral("5"));
        setText(QStringLiteral("ppow"), QStringLiteral("10"));
        setText(QStringLiteral("plm"), QStringLiteral("1"));
        setText(QStringLiteral("iddm"), QStringLiteral("1A2B3C"));
        setText(QStringLiteral("Zad2"), QStringLiteral("500"));
    }
    // Enters each input with `enter`, presses `button`, and checks the message, the pending request and
    // the bytes of the next tick (the idle poll of address 1 when nothing is pending).
    void tryAll(const QString& button, const std::function<void(const QString&)>& enter,
                const std::vector<Entry>& entries) {
        for (const Entry& e : entries) {
            SCOPED_TRACE(e.input.left(20).toStdString());
            state().wrs.clear();
            dialogs.clear();
            dialogs.inputs.clear();
            enter(e.input);
            click(button);
            EXPECT_EQ(dialogs.messageTexts(), e.message.isEmpty() ? QStringList() : QStringList{e.message});
            EXPECT_EQ(state().wrs, e.wrs);
            EXPECT_EQ(tickWritten(), e.wrs.isEmpty() ? hex("31 01 F0 C5") : e.wrs);
        }
    }
    std::function<void(const QString&)> box(const char* name) {
        return [this, name](const QString& v) { setText(QString::fromLatin1(name), v); };
    }
    std::function<void(const QString&)> answer() {
        return [this](const QString& v) { dialogs.inputs = {v}; };
    }
};

}  // namespace

TEST_F(ReaderInputs, NewAddressDialog) {
    const QString no = QStringLiteral("Введите число в диапазоне 0....200");
    tryAll(QStringLiteral("net"), answer(),
           {{"", {}, {}},
            {" ", no, {}},
            {"abc", no, {}},
            {"0x10", no, {}},
            {"1e3", no, {}},
            {"-1", no, {}},
            {"0", {}, hex("31 01 FB 00 D6")},
            {"200", {}, hex("31 01 FB C8 DE")},
            {"201", no, {}},
            {"255", no, {}},
            {"256", no, {}},
            {"10,4", {}, hex("31 01 FB 0A A8")},
            {"10.4", {}, hex("31 01 FB 0A A8")},
            {" 10 ", {}, hex("31 01 FB 0A A8")},
            {kLong, no, {}},
            {kCyrillic, no, {}},
            {kWideDigits, no, {}}});
}

TEST_F(ReaderInputs, SerialNumberDialog) {
    const QString no = QStringLiteral("Введите число в диапазоне 0....2 000 000");
    tryAll(QStringLiteral("Command1"), answer(),
           {{"", {}, {}},
            {" ", no, {}},
            {"abc", no, {}},
            {"0x10", no, {}},
            {"1e3", no, {}},
            {"-1", no, {}},
            {"0", {}, hex("31 01 F6 00 00 00 00 24")},
            {"2000000", {}, hex("31 01 F6 00 1E 84 80 02")},
            {"2000001", no, {}},
            {"10,4", {}, hex("31 01 F6 00 00 00 0A 5A")},
            {"10.4", {}, hex("31 01 F6 00 00 00 0A 5A")},
            {kLong, no, {}},
            {kCyrillic, no, {}},
            {kWideDigits, no, {}}});
}

TEST_F(ReaderInputs, NetworkNumberBox) {
    const QString no = QStringLiteral("error");
    tryAll(QStringLiteral("param"), box("num_net"),
           {{"", no, {}},
            {" ", no, {}},
            {"abc", no, {}},
            {"0x10", no, {}},
            {"1e3", no, {}},
            {"-1", no, {}},
            {"0", no, {}},
            {"1", {}, hex("31 01 F4 00 01 05 0A 8D")},
            {"65000", {}, hex("31 01 F4 FD E8 05 0A 28")},
            {"65001", no, {}},
            {"10,4", {}, hex("31 01 F4 00 0A 05 0A 4C")},
            {"10.4", {}, hex("31 01 F4 00 0A 05 0A 4C")},
            {kLong, no, {}},
            {kCyrillic, no, {}},
            {kWideDigits, no, {}}});
}

TEST_F(ReaderInputs, ChannelBox) {
    const QString no = QStringLiteral("error");
    tryAll(QStringLiteral("param"), box("n_kan"),
           {{"", no, {}},
            {" ", no, {}},
            {"abc", no, {}},
            {"0x10", no, {}},
            {"1e3", no, {}},
            {"-1", no, {}},
            {"0", no, {}},
            {"1", {}, hex("31 01 F4 00 01 01 0A B6")},
            {"255", {}, hex("31 01 F4 00 01 FF 0A F3")},
            {"256", no, {}},
            {"10,4", {}, hex("31 01 F4 00 01 0A 0A 95")},
            {"10.4", {}, hex("31 01 F4 00 01 0A 0A 95")},
            {kLong, no, {}},
            {kCyrillic, no, {}},
            {kWideDigits, no, {}}});
}

TEST_F(ReaderInputs, PowerBox) {
    const QString no = QStringLiteral("error");
    tryAll(QStringLiteral("param"), box("ppow"),
           {{"", no, {}},
            {" ", no, {}},
            {"abc", no, {}},
            {"0x10", no, {}},
            {"1e3", no, {}},
            {"-1", no, {}},
            {"2", no, {}},
            {"3", {}, hex("31 01 F4 00 01 05 03 11")},
            {"255", {}, hex("31 01 F4 00 01 05 FF C6")},
            {"256", no, {}},
            {"10,4", {}, hex("31 01 F4 00 01 05 0A 8D")},
            {"10.4", {}, hex("31 01 F4 00 01 05 0A 8D")},
            {kLong, no, {}},
            {kCyrillic, no, {}},
            {kWideDigits, no, {}}});
}

TEST_F(ReaderInputs, CellNumberBox) {
    const QString no = QStringLiteral("номер ячейки должен быть от 1 до10");
    tryAll(QStringLiteral("Command3"), box("plm"),
           {{"", no, {}},
            {" ", no, {}},
            {"abc", no, {}},
            {"0x10", no, {}},
            {"1e3", no, {}},
            {"-1", no, {}},
            {"0", no, {}},
            {"1", {}, hex("31 01 E6 00 00 1A 2B 3C C6")},
            {"10", {}, hex("31 01 E6 09 00 1A 2B 3C 35")},
            {"11", no, {}},
            {"256", no, {}},
            {"10,4", {}, hex("31 01 E6 09 00 1A 2B 3C 35")},
            {"10.4", {}, hex("31 01 E6 09 00 1A 2B 3C 35")},
            {kLong, no, {}},
            {kCyrillic, no, {}},
            {kWideDigits, no, {}}});
}

TEST_F(ReaderInputs, TagIdBox) {
    const QString notHex = QStringLiteral("В строке имеются символы не принадлежащие HEX");
    const QString tooLong = QStringLiteral("Cлишком много символов Идентификатора");
    tryAll(QStringLiteral("Command3"), box("iddm"),
           {{"", {}, hex("31 01 E6 00 00 00 00 00 19")},
            {" ", notHex, {}},
            {"abc", {}, hex("31 01 E6 00 00 00 0A BC 6F")},
            {"0x10", notHex, {}},
            {"1e3", {}, hex("31 01 E6 00 00 00 01 E3 D6")},
            {"-1", notHex, {}},
            {"12345678", {}, hex("31 01 E6 00 12 34 56 78 81")},
            {"123456789", tooLong, {}},
            {"10,4", notHex, {}},
            {"10.4", notHex, {}},
            {kLong, tooLong, {}},
            {kCyrillic, notHex, {}},
            {kWideDigits, notHex, {}}});
}

TEST_F(ReaderInputs, ResetDelayBox) {
    const QString no = QStringLiteral("error");
    tryAll(QStringLiteral("Command2"), box("Zad2"),
           {{"", no, {}},
            {" ", no, {}},
            {"abc", no, {}},
            {"0x10", no, {}},
            {"1e3", no, {}},
            {"-1", no, {}},
            {"0", {}, hex("31 01 F1 00 00 E0")},
            {"6000", {}, hex("31 01 F1 17 70 9A")},
            {"6001", no, {}},
            {"10,4", {}, hex("31 01 F1 00 0A 9E")},
            {"10.4", {}, hex("31 01 F1 00 0A 9E")},
            {kLong, no, {}},
            {kCyrillic, no, {}},
            {kWideDigits, no, {}}});
}
