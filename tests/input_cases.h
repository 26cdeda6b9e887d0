#pragma once
// The awkward entries every number box and input dialog is tried with, tables of entries that share
// one outcome (a message, or the request left pending, its bytes written out by hand), and a check of
// the texts a run of window controls shows.

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>
#include <initializer_list>
#include <ostream>
#include <utility>
#include <vector>

namespace kestrel::test {

// Text typed into a box or a dialog.
inline QString typed(const char* utf8) { return QString::fromUtf8(utf8); }
// Ten thousand copies of one digit.
inline QString longText(char digit) { return QString(10000, QLatin1Char(digit)); }
// No plain decimal number: blanks only, letters, a hex prefix, an exponent.
inline QStringList notDecimal(const QString& blanks) { return {blanks, "abc", "0x10", "1e3"}; }
// The same and a minus sign, for the boxes that take no negative value.
inline QStringList notUnsigned(const QString& blanks) { return notDecimal(blanks) << "-1"; }

// One entry and what it gives: the message (empty: none), or the request left pending (null: none).
struct Entry {
    QString input;
    QString message;
    const char* request;
};

inline void PrintTo(const Entry& e, std::ostream* os) { *os << '"' << e.input.left(20).toStdString() << '"'; }

// Entries sharing one outcome.
struct Entries {
    QStringList inputs;
    QString message;
    const char* request = nullptr;
};

// One Entry per input, in table order.
inline std::vector<Entry> entries(const std::vector<Entries>& table) {
    std::vector<Entry> out;
    for (const Entries& row : table)
        for (const QString& input : row.inputs) out.push_back({input, row.message, row.request});
    return out;
}

// Adds expectTexts to a window fixture: each named control shows its text (a failure names the control).
template <class Fixture>
class WithTexts : public Fixture {
protected:
    using Shown = std::pair<const char*, QString>;
    void expectTexts(std::initializer_list<Shown> expected) {
        for (const Shown& e : expected) EXPECT_EQ(this->text(QString::fromLatin1(e.first)), e.second) << e.first;
    }
};

}  // namespace kestrel::test
