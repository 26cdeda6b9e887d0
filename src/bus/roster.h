#pragma once
// The readers of the bus overview: one row per address with the latest value of each kind the overview
// reads, the counts of its exchanges and how it answers. Pure data and the rules of what an exchange means
// for a row; no I/O, no clock but the exchange's own times.

#include <QDateTime>
#include <QList>
#include <optional>
#include <vector>

#include "device/values.h"
#include "exchange/transaction.h"

namespace kestrel::bus {

// How a reader answers, by its last exchange: a good reply, nothing (or a reply that is not its own), or a
// faulty reply (wrong check byte, bytes that are no frame, longer than any reply, a code no decoder knows).
enum class ReaderState { Unknown, Answering, NoReply, CheckErrors };

struct ReaderRow {
    quint8 address = 0;
    std::optional<device::Identification> identity;
    std::optional<device::LiveReading> live;
    QDateTime liveAt;  // when the live reading came (local time)
    std::optional<device::LiveReading::Settings> settings;
    std::optional<device::BoundIdTable> boundIds;
    std::optional<device::ResetDelay> resetDelay;
    // Requests written to this reader (every attempt), and how they ended: a good answer, nothing, a faulty
    // reply, or a reply from another address or to another command (never taken into this row's values).
    int requests = 0, good = 0, noReply = 0, badCheck = 0, misdirected = 0;
    QDateTime lastGoodAt;  // when its last good answer came (local time); invalid before one
    ReaderState state = ReaderState::Unknown;
    bool duplicateSerial = false;  // another row reports the same serial number
    // The share of requests answered well, 0..1; 0 before any request.
    double successRate() const;
    // The same in whole percent, rounded down: 100 only when every request was answered well, so that a
    // single miss among a thousand shows.
    int successPercent() const;
};

class BusRoster {
  public:
    // The rows in ascending order of address.
    const std::vector<ReaderRow>& rows() const { return rows_; }
    // The row of `address`, or nothing. Rows and pointers to them hold until the next add(), remove() or
    // clear().
    const ReaderRow* row(quint8 address) const;
    // A new empty row; false when the address is there already or is the network poll's (0xFF).
    bool add(quint8 address);
    // False when there is no such row.
    bool remove(quint8 address);
    // Forgets every row.
    void clear();
    // Judges one exchange with the reader at `askedAddress` (a row must be there; otherwise nothing
    // happens): the counts and the state move, and a decoded value goes into the row only when the reply
    // came from the asked address and answers the asked command. A reply from another address or to
    // another command is counted as misdirected. A new identity flags duplicate serials on every row
    // that shares one. Every attempt counts; the state turns to a failure only with the request's last
    // attempt, after its retries: a miss that a retry makes good leaves the reader answering.
    enum class Attempt { Last, RetryFollows };
    void take(quint8 askedAddress, const Transaction& t, Attempt attempt = Attempt::Last);
    QList<quint8> addresses() const;

  private:
    ReaderRow* find(quint8 address);
    void flagDuplicateSerials();

    std::vector<ReaderRow> rows_;
};

}  // namespace kestrel::bus
