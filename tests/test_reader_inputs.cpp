// Every text box and input dialog of the reader commands against the same awkward entries: each gets
// its message or its request, nothing partial is left pending, and nothing crashes. The range limits
// of the radio-parameter, cell, ID and delay boxes are checked with an earlier request pending in
// test_reader_commands.cpp.
#include <functional>

#include "input_cases.h"
#include "window_harness.h"

using namespace kestrel;
using namespace kestrel::test;

namespace {

const QString kError = QStringLiteral("error");

// Refused by every box and dialog below: the awkward entries, the given ones, a very long number,
// Cyrillic letters and full-width digits.
QStringList refused(const QStringList& more = {}) {
    return notUnsigned(QStringLiteral(" ")) + more + QStringList{longText('1'), typed("пять"), typed("１０")};
}

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
                const std::vector<Entries>& table) {
        for (const Entry& e : entries(table)) {
            SCOPED_TRACE(e.input.left(20).toStdString());
            const QByteArray pending = e.request ? hex(e.request) : QByteArray();
            state().wrs.clear();
            dialogs.clear();
            dialogs.inputs.clear();
            enter(e.input);
            click(button);
            EXPECT_EQ(dialogs.messageTexts(), e.message.isEmpty() ? QStringList() : QStringList{e.message});
            EXPECT_EQ(state().wrs, pending);
            EXPECT_EQ(tickWritten(), pending.isEmpty() ? hex("31 01 F0 C5") : pending);
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
    tryAll(QStringLiteral("net"), answer(),
           {{{""}, {}},
            {refused({"201", "255", "256"}), QStringLiteral("Введите число в диапазоне 0....200")},
            {{"0"}, {}, "31 01 FB 00 D6"},
            {{"200"}, {}, "31 01 FB C8 DE"},
            {{"10,4", "10.4", " 10 "}, {}, "31 01 FB 0A A8"}});
}

TEST_F(ReaderInputs, SerialNumberDialog) {
    tryAll(QStringLiteral("Command1"), answer(),
           {{{""}, {}},
            {refused({"2000001"}), QStringLiteral("Введите число в диапазоне 0....2 000 000")},
            {{"0"}, {}, "31 01 F6 00 00 00 00 24"},
            {{"2000000"}, {}, "31 01 F6 00 1E 84 80 02"},
            {{"10,4", "10.4"}, {}, "31 01 F6 00 00 00 0A 5A"}});
}

TEST_F(ReaderInputs, NetworkNumberBox) {
    tryAll(QStringLiteral("param"), box("num_net"),
           {{refused({""}), kError},
            {{"10,4", "10.4"}, {}, "31 01 F4 00 0A 05 0A 4C"}});
}

TEST_F(ReaderInputs, ChannelBox) {
    tryAll(QStringLiteral("param"), box("n_kan"),
           {{refused({""}), kError},
            {{"1"}, {}, "31 01 F4 00 01 01 0A B6"},
            {{"255"}, {}, "31 01 F4 00 01 FF 0A F3"},
            {{"10,4", "10.4"}, {}, "31 01 F4 00 01 0A 0A 95"}});
}

TEST_F(ReaderInputs, PowerBox) {
    tryAll(QStringLiteral("param"), box("ppow"),
           {{refused({""}), kError},
            {{"3"}, {}, "31 01 F4 00 01 05 03 11"},
            {{"255"}, {}, "31 01 F4 00 01 05 FF C6"},
            {{"10,4", "10.4"}, {}, "31 01 F4 00 01 05 0A 8D"}});
}

TEST_F(ReaderInputs, CellNumberBox) {
    tryAll(QStringLiteral("Command3"), box("plm"),
           {{refused({"", "0", "11", "256"}), QStringLiteral("номер ячейки должен быть от 1 до10")},
            {{"10", "10,4"}, {}, "31 01 E6 09 00 1A 2B 3C 35"}});
}

TEST_F(ReaderInputs, TagIdBox) {
    tryAll(QStringLiteral("Command3"), box("iddm"),
           {{{" ", "0x10", "-1", "10,4", "10.4", typed("пять"), typed("１０")},
             QStringLiteral("В строке имеются символы не принадлежащие HEX")},
            {{"123456789", longText('1')}, QStringLiteral("Cлишком много символов Идентификатора")},
            {{"abc"}, {}, "31 01 E6 00 00 00 0A BC 6F"},
            {{"1e3"}, {}, "31 01 E6 00 00 00 01 E3 D6"},
            {{"12345678"}, {}, "31 01 E6 00 12 34 56 78 81"}});
}

TEST_F(ReaderInputs, ResetDelayBox) {
    tryAll(QStringLiteral("Command2"), box("Zad2"),
           {{refused({""}), kError},
            {{"10,4", "10.4"}, {}, "31 01 F1 00 0A 9E"}});
}
