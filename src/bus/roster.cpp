#include "bus/roster.h"

#include <algorithm>
#include <variant>

#include "protocol/frame.h"

namespace kestrel::bus {

double ReaderRow::successRate() const {
    return requests > 0 ? double(good) / double(requests) : 0.0;
}

int ReaderRow::successPercent() const {
    return requests > 0 ? int(qint64(good) * 100 / requests) : 0;
}

const ReaderRow* BusRoster::row(quint8 address) const {
    const auto it =
        std::find_if(rows_.begin(), rows_.end(), [&](const ReaderRow& r) { return r.address == address; });
    return it == rows_.end() ? nullptr : &*it;
}

ReaderRow* BusRoster::find(quint8 address) {
    return const_cast<ReaderRow*>(std::as_const(*this).row(address));
}

bool BusRoster::add(quint8 address) {
    if (address == kPollAddress || row(address)) return false;
    ReaderRow r;
    r.address = address;
    const auto at = std::lower_bound(rows_.begin(), rows_.end(), address,
                                     [](const ReaderRow& a, quint8 b) { return a.address < b; });
    rows_.insert(at, r);
    return true;
}

bool BusRoster::remove(quint8 address) {
    const auto it =
        std::find_if(rows_.begin(), rows_.end(), [&](const ReaderRow& r) { return r.address == address; });
    if (it == rows_.end()) return false;
    rows_.erase(it);
    flagDuplicateSerials();
    return true;
}

void BusRoster::clear() {
    rows_.clear();
}

QList<quint8> BusRoster::addresses() const {
    QList<quint8> out;
    for (const ReaderRow& r : rows_) out << r.address;
    return out;
}

void BusRoster::take(quint8 askedAddress, const Transaction& t, Attempt attempt) {
    ReaderRow* r = find(askedAddress);
    if (!r || t.request.isEmpty()) return;
    ++r->requests;
    // The reply's own address and the judge's fit decide whose it is, however it was taken (as read or as
    // the answer): a reply from another reader, or to another command, tells nothing of this one.
    const bool framed = t.reply.size() >= 4 && static_cast<quint8>(t.reply[0]) == kReplyStart;
    const bool otherAddress =
        t.outcome == Outcome::OtherAddress ||
        (framed && t.outcome != Outcome::WrongCheckByte && static_cast<quint8>(t.reply[1]) != askedAddress);
    const bool otherCommand = t.outcome == Outcome::OtherCode || t.fit == Fit::OtherCommand;
    const auto fails = [&](int& count, ReaderState state) {
        ++count;
        if (attempt == Attempt::Last) r->state = state;
    };
    // Nothing of its own came, or another reader's or another command's reply: the asked reader stays
    // silent as far as this row knows.
    if (t.reply.isEmpty()) return fails(r->noReply, ReaderState::NoReply);
    if (otherAddress || otherCommand) return fails(r->misdirected, ReaderState::NoReply);
    if (t.outcome != Outcome::Decoded || !t.value || (t.fit != Fit::Answers && t.fit != Fit::Acknowledgement))
        return fails(r->badCheck, ReaderState::CheckErrors);
    ++r->good;
    r->state = ReaderState::Answering;
    // When the reply came: the write's time plus the reply's time, else now.
    const std::optional<qint64> replyMs = t.replyTimeMs();
    const QDateTime at = t.writtenAt.isValid() && replyMs ? t.writtenAt.toLocalTime().addMSecs(*replyMs)
                                                          : QDateTime::currentDateTime();
    r->lastGoodAt = at;
    if (const auto* id = std::get_if<device::Identification>(&*t.value)) {
        r->identity = *id;
        flagDuplicateSerials();
    } else if (const auto* live = std::get_if<device::LiveReading>(&*t.value)) {
        r->live = *live;
        r->liveAt = at;
        if (live->settings) r->settings = *live->settings;
    } else if (const auto* table = std::get_if<device::BoundIdTable>(&*t.value)) {
        r->boundIds = *table;
    } else if (const auto* delay = std::get_if<device::ResetDelay>(&*t.value)) {
        r->resetDelay = *delay;
    }
}

void BusRoster::flagDuplicateSerials() {
    for (ReaderRow& a : rows_) {
        a.duplicateSerial = false;
        if (!a.identity || !a.identity->serial) continue;
        for (const ReaderRow& b : rows_)
            if (&a != &b && b.identity && b.identity->serial == a.identity->serial) a.duplicateSerial = true;
    }
}

}  // namespace kestrel::bus
