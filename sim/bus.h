#pragma once
// The simulated bus: readers at their network addresses, the radio tags each reader hears and the
// remote slave a bridge reader reports. Pure: bytes in, replies out, no I/O and no clock of its own.
// A reply is a list of chunks with delays, so the model decides how a reply misbehaves and the host
// (PtyHost, tests) carries it out.

#include <QByteArray>
#include <QList>
#include <QString>
#include <array>
#include <optional>
#include <random>
#include <vector>

namespace kestrel::sim {

// A radio tag heard by a reader.
struct Tag {
    quint32 serial = 0;
    quint32 identifier = 0;
    quint16 delay = 0;
    quint8 mode = 1;
    qint8 power = 0;      // dBm
    quint8 firmware = 0;  // shown by the tool as digits with full stops: 123 -> "1.2.3."
    quint16 period = 1;
    qint8 level = 0;  // reception level of the tag's answer
};

// The remote device a bridge reader reports on.
struct Slave {
    quint32 serial = 0;
    quint16 temperature = 0;  // in sixteenths of a degree
    quint16 frequency = 0;
    quint8 contact = 0;  // kContactClosed or anything else (open)
    qint8 level = 0;     // reception level
    quint16 rs485 = 0;
};

inline constexpr quint8 kContactClosed = 0xCD;

// The values a reader reports on every current-parameters poll.
struct Live {
    qint8 temperature = 0;  // degrees Celsius
    quint16 level = 0;      // 0..1023 while wandering
    quint32 current = 1;    // never 0 while wandering (0 would make the tool skip the read-outs)
    quint32 emptyLevel = 0;
    quint32 tagId = 0;
    quint16 second = 0;
};

struct Reader {
    quint8 address = 0;
    quint32 serial = 0;
    quint8 deviceType = 134;   // identification byte 8; 134 selects every panel set
    quint8 versionPrefix = 0;  // identification byte 9; 0 = no prefix, so the version reads "1.3.4."
    Live live;
    bool wander = true;  // whether advance() moves the live values
    quint8 mode = 2;
    quint16 network = 1;
    quint8 channel = 5;
    quint8 power = 10;
    std::array<quint32, 10> cells{};
    quint16 resetDelay = 0;
    std::vector<Tag> tags;
    Slave slave;
    // Calibration requests received (the full and the empty mark); the empty mark also takes the
    // present current value as the empty-level value.
    int upperCalibrations = 0;
    int lowerCalibrations = 0;
    // Which tag answers the next search for any tag.
    std::size_t nextTag = 0;
};

// One piece of a reply: wait `delayMs` (after the request, or after the previous chunk), then send.
struct Chunk {
    int delayMs = 0;
    QByteArray bytes;
    bool operator==(const Chunk& o) const { return delayMs == o.delayMs && bytes == o.bytes; }
};

enum class FaultKind {
    Silence,  // no reply (the command still takes effect)
    BadCrc,   // the check byte is wrong
    Garbage,  // random bytes instead of the reply, never starting with ">"
    Split,    // the reply in two halves with a gap between them
    Late,     // the whole reply after a long delay
    Long,     // padded with zero bytes to 60 bytes before its (recomputed, valid) check byte
    HangUp,   // the line goes dead: the host closes the port instead of replying
    Stuck,    // answers as usual but keeps nothing it is told (a worn-out or write-protected memory)
};

inline constexpr int kUntilCleared = -1;
inline constexpr int kDefaultSplitGapMs = 30;
inline constexpr int kDefaultLateMs = 300;
inline constexpr int kLongReplyBytes = 60;

struct Fault {
    FaultKind kind = FaultKind::Silence;
    int remaining = kUntilCleared;  // replies still to spoil, or kUntilCleared
    std::optional<quint8> address;  // only replies of this reader; none = every reply
    int delayMs = -1;               // gap for Split, delay for Late; -1 = the default
};

// Names used on the command line and in traces: silence, bad-crc, garbage, split, late, long, hangup,
// stuck.
QString faultName(FaultKind kind);
std::optional<FaultKind> faultFromName(const QString& name);

// What the bus does about one complete request frame.
struct Exchange {
    QByteArray request;
    std::optional<quint8> address;  // the answering reader; none for the network poll
    std::vector<Chunk> chunks;      // empty = silence
    bool hangUp = false;            // the host closes the line instead of answering
    // The reply chunks joined (what the line carries in the end).
    QByteArray replyBytes() const;
};

class Bus {
  public:
    // An empty bus; see withDefaults() for the usual set-up.
    explicit Bus(quint32 seed = 1);

    // A reader at address 5 (serial 123456) hearing two tags, with a bridge slave.
    static Bus withDefaults(quint32 seed = 1);
    // The devices of a reader at `address`; `index` makes serials and identifiers distinct between
    // readers; `tagCount` tags (the first two have fixed, documented values).
    static Reader defaultReader(quint8 address, int index = 0, int tagCount = 2);

    // Adds a reader; false when the address is taken or is the poll address 0xFF.
    bool addReader(const Reader& reader);
    bool removeReader(quint8 address);
    Reader* reader(quint8 address);
    const Reader* reader(quint8 address) const;
    std::vector<Reader>& readers() { return readers_; }
    const std::vector<Reader>& readers() const { return readers_; }
    // Addresses in ascending order (the network poll answer).
    QList<quint8> addresses() const;

    // Simulated time. advance() lets the live values of every reader with `wander` set drift.
    void advance(qint64 ms);
    qint64 nowMs() const { return nowMs_; }
    void reseed(quint32 seed) { rng_.seed(seed); }

    // Takes bytes from the line and answers every complete frame in them, in order. Bytes that do not
    // make a frame are skipped (the parser resynchronises on the next request start); a frame with a
    // wrong check byte or for an address nobody has is ignored; an unfinished frame waits for more
    // bytes, but is dropped when nothing more came for kStaleFrameMs of simulated time.
    std::vector<Exchange> feed(const QByteArray& bytes);
    // The answer to one complete, CRC-checked frame, faults applied.
    Exchange answer(const QByteArray& frame);

    // Bytes held back as an unfinished frame; frames ignored so far (bad check byte, unknown address
    // or command).
    QByteArray pendingInput() const { return input_; }
    int ignoredFrames() const { return ignored_; }

    void injectFault(const Fault& fault);
    void injectFault(FaultKind kind, int count = kUntilCleared, std::optional<quint8> address = {},
                     int delayMs = -1);
    void clearFaults() { faults_.clear(); }
    const std::vector<Fault>& faults() const { return faults_; }
    // How many replies each kind of fault has spoiled so far.
    int faultsMade(FaultKind kind) const { return faultsMade_[static_cast<int>(kind)]; }

    // Known request lengths, start byte and check byte included; 0 for an unknown command.
    static int requestLength(quint8 command);
    static constexpr qint64 kStaleFrameMs = 100;

  private:
    QByteArray replyFor(Reader& r, quint8 command, const QByteArray& frame);
    void applyFault(Exchange& ex);
    // Takes one of a fault of `kind` that concerns the reader at `address`, if there is one.
    bool takeFault(FaultKind kind, quint8 address);
    int faultsMade_[static_cast<int>(FaultKind::Stuck) + 1] = {};
    void wanderOne(Reader& r);

    std::vector<Reader> readers_;
    std::vector<Fault> faults_;
    QByteArray input_;
    qint64 nowMs_ = 0;
    qint64 lastInputMs_ = 0;
    qint64 wanderCarryMs_ = 0;
    int ignored_ = 0;
    std::mt19937 rng_;
};

// Hex text of bytes, upper case, blank-separated: "3E 05 FB CC".
QString hexText(const QByteArray& bytes);

}  // namespace kestrel::sim
