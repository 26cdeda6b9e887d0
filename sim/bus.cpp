#include "sim/bus.h"

#include <algorithm>

#include "device/commands.h"
#include "protocol/frame.h"

namespace kestrel::sim {

namespace {

// The command codes come from the bus's code table; the field layouts below are the simulator's own
// reading of the devices.
using namespace kestrel::cmd;

constexpr quint8 kPollCheck = 0xDC;      // check byte of the network poll 31 FF
constexpr quint8 kTagWriteCount = 0x0E;  // data bytes of a tag parameter write after the count byte
constexpr qint64 kWanderStepMs = 100;

quint8 at(const QByteArray& b, int i) {
    return static_cast<quint8>(b.at(i));
}

// 4 bytes from position i (0-based), most significant first.
quint32 be32(const QByteArray& b, int i) {
    return (quint32(at(b, i)) << 24) | (quint32(at(b, i + 1)) << 16) | (quint32(at(b, i + 2)) << 8) |
           quint32(at(b, i + 3));
}
quint16 be16(const QByteArray& b, int i) {
    return quint16((at(b, i) << 8) | at(b, i + 1));
}

void putByte(QByteArray& b, int v) {
    b.append(static_cast<char>(v & 0xFF));
}
void putBe16(QByteArray& b, quint32 v) {
    putByte(b, int(v >> 8));
    putByte(b, int(v));
}
void putLe16(QByteArray& b, quint32 v) {
    putByte(b, int(v));
    putByte(b, int(v >> 8));
}
void putBe32(QByteArray& b, quint32 v) {
    putBe16(b, v >> 16);
    putBe16(b, v & 0xFFFF);
}
void putLe32(QByteArray& b, quint32 v) {
    putLe16(b, v & 0xFFFF);
    putLe16(b, v >> 16);
}

// A reply frame: ">", address, code, data, CRC-8 of all of it.
QByteArray framed(quint8 address, quint8 code, const QByteArray& data = {}) {
    QByteArray b;
    putByte(b, kReplyStart);
    putByte(b, address);
    putByte(b, code);
    b.append(data);
    return withCheckByte(b);
}

QByteArray cellTable(const Reader& r) {
    QByteArray data;
    for (quint32 cell : r.cells) putLe32(data, cell);
    return data;
}

// The tag fields as the parameter read lays them out (serial .. reception level).
QByteArray tagParameters(const Tag& t) {
    QByteArray data;
    putBe32(data, t.serial);
    putBe32(data, t.identifier);
    putBe16(data, t.delay);
    putByte(data, t.mode);
    putByte(data, t.power);
    putByte(data, t.firmware);
    putBe16(data, t.period);
    putByte(data, t.level);
    return data;
}

Tag* tagById(Reader& r, quint32 id) {
    auto it = std::find_if(r.tags.begin(), r.tags.end(), [id](const Tag& t) { return t.identifier == id; });
    return it == r.tags.end() ? nullptr : &*it;
}
Tag* tagBySerial(Reader& r, quint32 serial) {
    auto it =
        std::find_if(r.tags.begin(), r.tags.end(), [serial](const Tag& t) { return t.serial == serial; });
    return it == r.tags.end() ? nullptr : &*it;
}

}  // namespace

QString faultName(FaultKind kind) {
    switch (kind) {
        case FaultKind::Silence:
            return QStringLiteral("silence");
        case FaultKind::BadCrc:
            return QStringLiteral("bad-crc");
        case FaultKind::Garbage:
            return QStringLiteral("garbage");
        case FaultKind::Split:
            return QStringLiteral("split");
        case FaultKind::Late:
            return QStringLiteral("late");
        case FaultKind::Long:
            return QStringLiteral("long");
        case FaultKind::HangUp:
            return QStringLiteral("hangup");
        case FaultKind::Stuck:
            return QStringLiteral("stuck");
    }
    return {};
}

std::optional<FaultKind> faultFromName(const QString& name) {
    for (FaultKind k : {FaultKind::Silence, FaultKind::BadCrc, FaultKind::Garbage, FaultKind::Split,
                        FaultKind::Late, FaultKind::Long, FaultKind::HangUp, FaultKind::Stuck}) {
        if (faultName(k) == name) return k;
    }
    return std::nullopt;
}

QByteArray Exchange::replyBytes() const {
    QByteArray all;
    for (const Chunk& c : chunks) all.append(c.bytes);
    return all;
}

QString hexText(const QByteArray& bytes) {
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

Bus::Bus(quint32 seed) : rng_(seed) {}

Bus Bus::withDefaults(quint32 seed) {
    Bus bus(seed);
    bus.addReader(defaultReader(5));
    return bus;
}

Reader Bus::defaultReader(quint8 address, int index, int tagCount) {
    Reader r;
    r.address = address;
    r.serial = 123456 + quint32(index);
    r.live = Live{21, 512, 12345, 100, 0x00A1B2C3u + quint32(index), 300};
    r.resetDelay = 500;  // mode 2, network 1, channel 5, power 10: a reader's own defaults
    const quint32 idOffset = quint32(index) << 24;  // distinct identifiers per reader
    for (int i = 0; i < tagCount; ++i) {
        Tag t;
        if (i == 0) {
            t = Tag{1001, 0x00123456, 100, 1, -10, 123, 60, -70};
        } else if (i == 1) {
            t = Tag{1002, 0x00ABCDEF, 200, 2, 5, 45, 120, -85};
        } else {
            t = Tag{quint32(1001 + i), 0x00100000u + quint32(i), quint16(100 * (i + 1)), 1, 0, 100,
                    quint16(60 + i),   qint8(-60 - i % 40)};
        }
        t.serial += quint32(index) * 1000;
        t.identifier += idOffset;
        r.tags.push_back(t);
    }
    // The first two tags are bound to the reader.
    for (std::size_t i = 0; i < r.tags.size() && i < 2; ++i) r.cells[i] = r.tags[i].identifier;
    r.slave = Slave{654321 + quint32(index), 0x0198, 1500, kContactClosed, -100, 4660};
    return r;
}

bool Bus::addReader(const Reader& reader) {
    if (reader.address == kPollAddress || this->reader(reader.address)) return false;
    readers_.push_back(reader);
    return true;
}

bool Bus::removeReader(quint8 address) {
    auto it = std::find_if(readers_.begin(), readers_.end(),
                           [address](const Reader& r) { return r.address == address; });
    if (it == readers_.end()) return false;
    readers_.erase(it);
    return true;
}

Reader* Bus::reader(quint8 address) {
    for (Reader& r : readers_) {
        if (r.address == address) return &r;
    }
    return nullptr;
}

const Reader* Bus::reader(quint8 address) const {
    return const_cast<Bus*>(this)->reader(address);
}

QList<quint8> Bus::addresses() const {
    QList<quint8> list;
    for (const Reader& r : readers_) list.append(r.address);
    std::sort(list.begin(), list.end());
    return list;
}

void Bus::advance(qint64 ms) {
    if (ms <= 0) return;
    nowMs_ += ms;
    wanderCarryMs_ += ms;
    while (wanderCarryMs_ >= kWanderStepMs) {
        wanderCarryMs_ -= kWanderStepMs;
        for (Reader& r : readers_) {
            if (r.wander) wanderOne(r);
        }
    }
}

// One 100 ms step of drift: the level walks a few counts, the current value follows loosely, the
// temperature now and then moves by a degree, the tags' reception levels flicker.
void Bus::wanderOne(Reader& r) {
    std::uniform_int_distribution<int> step(-6, 6);
    const int level = std::clamp(int(r.live.level) + step(rng_), 0, 1023);
    r.live.level = quint16(level);
    const qint64 current = qint64(r.live.current) + qint64(step(rng_)) * 3;
    r.live.current = quint32(std::clamp<qint64>(current, 1, 0xFFFFFFFF));
    r.live.second = quint16(r.live.second + std::uniform_int_distribution<int>(0, 2)(rng_));
    if (std::uniform_int_distribution<int>(0, 49)(rng_) == 0) {
        const int t = int(r.live.temperature) + (std::uniform_int_distribution<int>(0, 1)(rng_) ? 1 : -1);
        r.live.temperature = qint8(std::clamp(t, -40, 85));
    }
    for (Tag& t : r.tags) {
        const int lv = int(t.level) + std::uniform_int_distribution<int>(-1, 1)(rng_);
        t.level = qint8(std::clamp(lv, -120, -20));
    }
}

int Bus::requestLength(quint8 command) {
    switch (command) {
        case kCurrentParams:
        case kIdentify:
        case kCalibrateUpper:
        case kCalibrateLower:
        case kClearBoundIds:
        case kReadBoundIds:
        case kReadResetDelay:
        case kBridgeData:
        case kBridgeRs485:
            return 4;
        case kSetNetAddress:
        case kSetMode:
            return 5;
        case kSetResetDelay:
            return 6;
        case kSetSerial:
        case kSetRadioParams:
        case kTagQuery:
        case kTagRead:
            return 8;
        case kWriteBoundId:
            return 9;
        case kTagSetSerial:
            return 12;
        case kTagWrite:
            return 19;
        default:
            return 0;
    }
}

std::vector<Exchange> Bus::feed(const QByteArray& bytes) {
    std::vector<Exchange> out;
    if (bytes.isEmpty()) return out;
    if (!input_.isEmpty() && nowMs_ - lastInputMs_ > kStaleFrameMs) input_.clear();
    lastInputMs_ = nowMs_;
    input_.append(bytes);
    for (;;) {
        const qsizetype start = input_.indexOf(char(kRequestStart));
        if (start < 0) {
            input_.clear();
            break;
        }
        input_.remove(0, start);
        if (input_.size() < 3) break;
        const auto dropStart = [this] {
            ++ignored_;
            input_.remove(0, 1);
        };
        if (at(input_, 1) == kPollAddress) {
            if (at(input_, 2) != kPollCheck) {
                dropStart();
                continue;
            }
            const QByteArray frame = input_.left(3);
            input_.remove(0, 3);
            out.push_back(answer(frame));
            continue;
        }
        const int len = requestLength(at(input_, 2));
        if (len == 0) {
            dropStart();
            continue;
        }
        if (input_.size() < len) break;
        const QByteArray frame = input_.left(len);
        if (crc8(frame) != 0 || !reader(at(frame, 1))) {
            dropStart();
            continue;
        }
        input_.remove(0, len);
        out.push_back(answer(frame));
    }
    return out;
}

Exchange Bus::answer(const QByteArray& frame) {
    Exchange ex;
    ex.request = frame;
    if (frame.size() == 3 && at(frame, 1) == kPollAddress) {
        QByteArray list;
        for (quint8 a : addresses()) putByte(list, a);
        if (!list.isEmpty()) ex.chunks.push_back({0, list});
    } else if (frame.size() >= 4) {
        Reader* r = reader(at(frame, 1));
        if (!r) return ex;
        ex.address = r->address;
        // A stuck reader's command runs on a copy of it: the answer says it was done, nothing is kept.
        Reader copy = *r;
        const QByteArray reply =
            replyFor(takeFault(FaultKind::Stuck, r->address) ? copy : *r, at(frame, 2), frame);
        if (!reply.isEmpty()) ex.chunks.push_back({0, reply});
    }
    applyFault(ex);
    return ex;
}

// What each command does and answers. Where the tool has no reply decoder for a command, the reader
// answers with something the tool shows sensibly:
//  - new radio parameters (F4): a bare acknowledgement 3E A F4 CRC;
//  - clear table (E9) and write cell (E6): the whole table under code E6, so the cells refresh;
//  - set reset delay (F1): the parameter reply F1 with the delay now in force;
//  - tag parameter write (E1): code E1 followed by the tag's fields as the parameter read lays
//    them out (serial .. reception level), now updated;
//  - new tag serial (E2): code E2 laid out as a search answer (new serial, identifier, level);
//  - new reader serial (F6), new address (FB), calibration (F5, FA): bare acknowledgements. The
//    new-address acknowledgement already comes from the new address.
// Requests naming a tag the reader does not hear, a cell number above 9 or an address already in
// use get no answer.
QByteArray Bus::replyFor(Reader& r, quint8 command, const QByteArray& f) {
    QByteArray data;
    switch (command) {
        case kCurrentParams:
            putByte(data, r.live.temperature);
            putLe16(data, r.live.level);
            putLe32(data, r.live.current);
            putLe32(data, r.live.emptyLevel);
            putLe32(data, r.live.tagId);
            putLe16(data, r.live.second);
            putByte(data, r.mode);
            putLe16(data, r.network);
            putByte(data, r.channel);
            putByte(data, r.power);
            return framed(r.address, command, data);
        case kIdentify:
            putLe32(data, r.serial);
            putByte(data, r.deviceType);
            putByte(data, r.versionPrefix);
            return framed(r.address, command, data);
        case kSetNetAddress: {
            const quint8 to = at(f, 3);
            if (to == kPollAddress || (to != r.address && reader(to))) return {};
            r.address = to;
            return framed(r.address, command);
        }
        case kSetSerial:
            r.serial = be32(f, 3);
            return framed(r.address, command);
        case kCalibrateUpper:
            ++r.upperCalibrations;
            return framed(r.address, command);
        case kCalibrateLower:
            ++r.lowerCalibrations;
            r.live.emptyLevel = r.live.current;
            return framed(r.address, command);
        case kSetMode:
            r.mode = at(f, 3);
            putByte(data, r.mode);
            return framed(r.address, command, data);
        case kSetRadioParams:
            r.network = be16(f, 3);
            r.channel = at(f, 5);
            r.power = at(f, 6);
            return framed(r.address, command);
        case kClearBoundIds:
            r.cells.fill(0);
            return framed(r.address, kWriteBoundId, cellTable(r));
        case kReadBoundIds:
            return framed(r.address, kWriteBoundId, cellTable(r));
        case kWriteBoundId: {
            const quint8 cell = at(f, 3);
            if (cell >= r.cells.size()) return {};
            r.cells[cell] = be32(f, 4);
            return framed(r.address, kWriteBoundId, cellTable(r));
        }
        case kSetResetDelay:
            r.resetDelay = be16(f, 3);
            [[fallthrough]];
        case kReadResetDelay:
            putLe16(data, r.resetDelay);
            return framed(r.address, kSetResetDelay, data);
        case kTagQuery: {
            if (r.tags.empty()) return {};
            const quint32 wanted = be32(f, 3);
            const Tag* t = nullptr;
            if (wanted == kAnyTag) {
                t = &r.tags[r.nextTag % r.tags.size()];
                r.nextTag = (r.nextTag + 1) % r.tags.size();
            } else {
                t = tagById(r, wanted);
            }
            if (!t) return {};
            putBe32(data, t->serial);
            putBe32(data, t->identifier);
            putByte(data, t->level);
            return framed(r.address, command, data);
        }
        case kTagRead: {
            const Tag* t = tagById(r, be32(f, 3));
            if (!t) return {};
            return framed(r.address, command, tagParameters(*t));
        }
        case kTagWrite: {
            Tag* t = at(f, 3) == kTagWriteCount ? tagBySerial(r, be32(f, 4)) : nullptr;
            if (!t) return {};
            t->identifier = be32(f, 8);
            t->delay = be16(f, 12);
            t->mode = at(f, 14);
            t->power = qint8(at(f, 15));
            t->period = be16(f, 16);
            return framed(r.address, command, tagParameters(*t));
        }
        case kTagSetSerial: {
            Tag* t = tagById(r, be32(f, 3));
            if (!t) return {};
            t->serial = be32(f, 7);
            putBe32(data, t->serial);
            putBe32(data, t->identifier);
            putByte(data, t->level);
            return framed(r.address, command, data);
        }
        case kBridgeData:
            putLe32(data, r.slave.serial);
            putBe16(data, r.slave.temperature);
            putLe16(data, r.slave.frequency);
            putByte(data, r.slave.contact);
            putByte(data, r.slave.level);
            return framed(r.address, command, data);
        case kBridgeRs485:
            putByte(data, 0);
            putLe16(data, r.slave.rs485);
            return framed(r.address, command, data);
        default:
            return {};
    }
}

void Bus::injectFault(const Fault& fault) {
    if (fault.remaining == 0) return;
    faults_.push_back(fault);
}

void Bus::injectFault(FaultKind kind, int count, std::optional<quint8> address, int delayMs) {
    injectFault(Fault{kind, count, address, delayMs});
}

bool Bus::takeFault(FaultKind kind, quint8 address) {
    auto it = std::find_if(faults_.begin(), faults_.end(), [&](const Fault& f) {
        return f.kind == kind && (!f.address || f.address == address);
    });
    if (it == faults_.end()) return false;
    if (it->remaining != kUntilCleared && --it->remaining == 0) faults_.erase(it);
    ++faultsMade_[static_cast<int>(kind)];
    return true;
}

// The first fault that concerns this reply spoils it. Only replies that would be sent count; the
// network poll answer has no check byte, so wrong-check and over-long faults leave it alone.
void Bus::applyFault(Exchange& ex) {
    if (ex.chunks.empty()) return;
    const bool framedReply = ex.address.has_value();
    auto it = std::find_if(faults_.begin(), faults_.end(), [&](const Fault& f) {
        if (f.kind == FaultKind::Stuck || (f.address && f.address != ex.address)) return false;
        if (!framedReply && (f.kind == FaultKind::BadCrc || f.kind == FaultKind::Long)) return false;
        return true;
    });
    if (it == faults_.end()) return;
    const Fault fault = *it;
    if (it->remaining != kUntilCleared && --it->remaining == 0) faults_.erase(it);
    ++faultsMade_[static_cast<int>(fault.kind)];

    QByteArray reply = ex.replyBytes();
    ex.chunks.clear();
    switch (fault.kind) {
        case FaultKind::Silence:
        case FaultKind::Stuck:  // never chosen here: it spoils what a reader keeps, not its reply
            break;
        case FaultKind::HangUp:
            ex.hangUp = true;
            break;
        case FaultKind::BadCrc:
            reply.back() = char(quint8(reply.back()) ^ 0xFF);
            ex.chunks.push_back({0, reply});
            break;
        case FaultKind::Garbage: {
            QByteArray junk;
            std::uniform_int_distribution<int> byte(0, 255);
            const int n = std::max<int>(int(reply.size()), 6);
            for (int i = 0; i < n; ++i) putByte(junk, byte(rng_));
            if (at(junk, 0) == kReplyStart) junk[0] = char(kReplyStart + 1);
            ex.chunks.push_back({0, junk});
            break;
        }
        case FaultKind::Split: {
            const int gap = fault.delayMs >= 0 ? fault.delayMs : kDefaultSplitGapMs;
            const qsizetype half = reply.size() / 2;
            if (half == 0) {
                ex.chunks.push_back({0, reply});
            } else {
                ex.chunks.push_back({0, reply.left(half)});
                ex.chunks.push_back({gap, reply.mid(half)});
            }
            break;
        }
        case FaultKind::Late:
            ex.chunks.push_back({fault.delayMs >= 0 ? fault.delayMs : kDefaultLateMs, reply});
            break;
        case FaultKind::Long: {
            QByteArray body = reply.left(reply.size() - 1);
            if (body.size() < kLongReplyBytes - 1)
                body.append(QByteArray(kLongReplyBytes - 1 - body.size(), '\0'));
            ex.chunks.push_back({0, withCheckByte(body)});
            break;
        }
    }
}

}  // namespace kestrel::sim
