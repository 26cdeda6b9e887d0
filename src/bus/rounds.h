#pragma once
// The bus overview's rounds: a scheduler on the exchange queue that asks every reader of the roster in turn
// at the speed of the wire. A reader is identified once (asked for its identification until it answers), then
// each round reads its live values (current parameters), and every `settingsEvery`-th round its settings (the
// bound-ID table and the reset delay). One request of the rounds' in the queue at a time, so a request of
// another scheduler (the main window's) goes out between two of theirs. The queue reads, times and judges the
// replies (exchange/exchangequeue.h) and takes the asked reader's answer to its command, as the client does.
//
// A reader that stays silent costs its timeout and retries every round: after kSilentRoundsBeforeBackOff
// rounds without a byte from it, it is asked only every kAskSilentEvery-th round, with one attempt, and every
// round again as soon as it answers (or answers a search).

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <deque>
#include <map>
#include <optional>

#include "bus/roster.h"
#include "bus/sitetags.h"
#include "exchange/exchangequeue.h"
#include "exchange/transaction.h"

namespace kestrel::bus {

class BusRounds : public QObject {
    Q_OBJECT
  public:
    struct Options {
        int settingsEvery = 10;     // settings are read every this many rounds (and on a reader's first)
        int timeoutMs = 300;        // no first byte this long after the write: no reply
        int retries = 1;            // further attempts after one without an acceptable reply
        int scanWaitMs = 500;       // the network poll collects answers this long
        int intervalMs = 0;         // least time from one round's start to the next; 0: the next at once
        int autoSearchMinutes = 0;  // a network poll every this many minutes; 0: only searchNow()
        // Each identified reader is also searched for a tag every round; the answers build siteTags(). A
        // search nobody answers is no silence of the reader: a reader may hear no tag.
        bool searchTags = false;
    };

    static constexpr int kSilentRoundsBeforeBackOff = 3;
    static constexpr int kAskSilentEvery = 10;

    BusRounds(ExchangeQueue& queue, Options options, QObject* parent = nullptr);
    ~BusRounds() override;

    BusRoster& roster() { return roster_; }
    const BusRoster& roster() const { return roster_; }

    // Starts the rounds with the next exchange (the port must be open); harmless when running.
    void start();
    // Lets the exchange in progress end (its reply read or timed out), then emits stopped(): the port is
    // then free. At once when no exchange is in progress. Harmless when stopped.
    void stop();
    // Ends at once, without waiting for the exchange in progress and without a signal: for a port closed
    // under the rounds (by whoever lent it), whose reply nobody will read.
    void abandon();
    // Running: started and not yet stopped (a stop waiting for its exchange counts as stopped).
    bool isRunning() const { return running_; }
    // An exchange written and not yet over.
    bool exchangeInProgress() const { return !reply_.isNull(); }
    // A network poll between two exchanges; the addresses found are added to the roster (readerAdded).
    // While stopped, it runs at the next start.
    void searchNow();
    void setOptions(const Options& options);
    // Another bus's readers are listed: what the rounds kept of each reader (when its settings were read,
    // its silence) is forgotten.
    void forgetReaders();
    // The reader's settings are read again in the next round (something else wrote them).
    void readSettingsAgain(quint8 address) { settingsReadAt_.erase(address); }
    const Options& options() const { return options_; }
    // Every tag the readers' searches found (Options::searchTags).
    const SiteTags& siteTags() const { return tags_; }
    // Rounds finished since the start.
    int round() const { return round_; }

  signals:
    // Every exchange of the rounds (every attempt), as written and read; address 0xFF for the network poll.
    void exchanged(quint8 address, const kestrel::Transaction& t);
    void rowChanged(quint8 address);
    void readerAdded(quint8 address);
    // A tag search found a tag.
    void tagHeard(quint32 identifier);
    // A round over: its number (from 0), its time from its first write to its last reply's end, and the
    // wire's floor for it: its request and reply bytes at 19200 baud, 10 bits a byte, plus the gaps. Waits
    // for replies that never came, and a search's collection time, are in the time and not in the floor.
    void roundFinished(int round, qint64 elapsedMs, qint64 floorMs);
    // The exchange in progress at a stop() is over; the port is free.
    void stopped();
    // The port failed or went away: the rounds have stopped (no stopped() follows).
    void portLost(const QString& reason);

  private:
    enum class Ask { Identify, Live, BoundIds, ResetDelay, Scan, TagSearch };
    struct Step {
        quint8 address = 0;
        Ask ask = Ask::Live;
    };

    void next();
    void planRound();
    void planReader(quint8 address, bool front);
    void send();
    void onAttempt(const Step& step, const Transaction& t, BusRoster::Attempt attempt);
    void onFinished(ExchangeReply* reply);
    void endRound();
    void fail(const QString& reason);
    QByteArray requestOf(const Step& step) const;

    ExchangeQueue& queue_;
    Options options_;
    BusRoster roster_;
    SiteTags tags_;
    bool running_ = false;
    bool stopping_ = false;
    bool searchAsked_ = false;
    std::deque<Step> steps_;         // what is left of the round
    Step current_;                   // the step of reply_: set before each request, read when it ends
    QPointer<ExchangeReply> reply_;  // the rounds' request in the queue
    QPointer<ExchangeReply> spent_;  // the one before, finished
    int round_ = 0;
    bool roundOpen_ = false;
    qint64 roundStartMs_ = -1;
    qint64 roundFloorMs_ = 0;
    std::map<quint8, int> settingsReadAt_;  // the round each reader's settings were asked last
    // Each reader's rounds without a byte from it, in a row, and the rounds it was last asked and last
    // found silent in.
    struct Silence {
        int rounds = 0;
        int askedAt = -1;
        int silentAt = -1;
    };
    std::map<quint8, Silence> silence_;
    QTimer wait_;        // the next step: the round's interval, an empty roster looked at again
    QTimer autoSearch_;  // asks for a search every autoSearchMinutes
};

}  // namespace kestrel::bus
