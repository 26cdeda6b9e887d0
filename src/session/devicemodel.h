#pragma once
// What the session knows of the addressed device, as the replies told it: each value is the latest one
// decoded, kept whole (a field a reply did not carry stays empty), with the time it arrived. Every arrival
// is announced by its change signal, also when the value is the same as before: a view renders it as it
// would render the reply.

#include <QDateTime>
#include <QObject>
#include <array>
#include <optional>

#include "device/values.h"

namespace kestrel {

// A value and when its reply was read; no value before the first reply that carried it.
template <typename T>
struct Timed {
    std::optional<T> value;
    QDateTime at;
};

// What the reader reports in its temperature byte while the tag mode is 4 or 5: the drum's rotation.
enum class Rotation { Stop, Left, Right, Unknown };

// The kinds of reply whose values the views show, each of which can be older than it looks: the identity,
// the live reading, the settings in the reader's panels (the last settings refresh), the current tag, the
// tag read last, and the bridge's slave (its data and its RS485 value).
enum class Reading { Identity, Live, Settings, CurrentTag, ReadTag, SlaveData, SlaveRs485 };
inline constexpr std::size_t kReadingCount = 7;

// Why and since when a value still shown is old (the session's rule: DeviceSession::setAddress, handle).
struct Staleness {
    enum class Why {
        NoReply,  // the addressed device stopped answering (or the port closed): any reply of it ends this
        OtherAddress,  // another device is addressed now: only a reply of this kind from it ends this
    };
    Why why = Why::NoReply;
    QDateTime since;             // the first request left unanswered, or when another device was addressed
    QDateTime valueAt;           // when the value shown arrived (invalid: not known)
    std::optional<quint8> from;  // the device that sent it

    bool operator==(const Staleness& o) const {
        return why == o.why && since == o.since && valueAt == o.valueAt && from == o.from;
    }
    bool operator!=(const Staleness& o) const { return !(*this == o); }
};
using StalenessTable = std::array<std::optional<Staleness>, kReadingCount>;

class DeviceModel : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;

    const Timed<device::Identification>& identity() const { return identity_; }
    const Timed<device::LiveReading>& live() const { return live_; }
    // The reader's settings, from the long current-parameters replies and the mode acknowledgements.
    const Timed<device::LiveReading::Settings>& settings() const { return settings_; }
    // The tag that answered the last search: the current tag.
    const Timed<device::TagAnswer>& currentTag() const { return currentTag_; }
    // The tag whose parameters were read last through the addressed device: the one a parameter write goes
    // to. Nothing before a read, and again when another device is addressed.
    const Timed<device::TagParameters>& readTag() const { return readTag_; }
    const Timed<device::SlaveData>& slaveData() const { return slaveData_; }
    const Timed<device::SlaveRs485>& slaveRs485() const { return slaveRs485_; }
    // The identifier the last tag answer or parameter read named (what "Текущий ID" shows).
    std::optional<quint32> currentTagId() const { return currentTagId_; }
    // The rotation the last live reading reported: nothing while the tag mode says it reports none.
    std::optional<Rotation> rotation() const { return rotation_; }
    // Whether what the views show of a kind is old, and since when: nothing while it is current (or nothing
    // of that kind was shown). The session decides; the views grey what is stale.
    const std::optional<Staleness>& staleness(Reading r) const { return staleness_[std::size_t(r)]; }
    const StalenessTable& staleness() const { return staleness_; }

    void setIdentity(const device::Identification& v, const QDateTime& at) {
        identity_ = {v, at};
        emit identityChanged();
    }
    void setLive(const device::LiveReading& v, const QDateTime& at) {
        live_ = {v, at};
        emit liveChanged();
    }
    void setSettings(const device::LiveReading::Settings& v, const QDateTime& at) {
        settings_ = {v, at};
        emit settingsChanged();
    }
    void setCurrentTag(const device::TagAnswer& v, const QDateTime& at) {
        currentTag_ = {v, at};
        if (v.identifier) currentTagId_ = v.identifier;
        emit currentTagChanged();
    }
    void setReadTag(const device::TagParameters& v, const QDateTime& at) {
        readTag_ = {v, at};
        if (v.identifier) currentTagId_ = v.identifier;
        emit readTagChanged();
    }
    // Another device is addressed: no tag's parameters were read through it yet.
    void forgetReadTag() {
        if (!readTag_.value) return;
        readTag_ = {};
        emit readTagChanged();
    }
    void setSlaveData(const device::SlaveData& v, const QDateTime& at) {
        slaveData_ = {v, at};
        emit slaveDataChanged();
    }
    void setSlaveRs485(const device::SlaveRs485& v, const QDateTime& at) {
        slaveRs485_ = {v, at};
        emit slaveRs485Changed();
    }
    void setRotation(std::optional<Rotation> r) {
        rotation_ = r;
        emit rotationChanged();
    }
    // One signal for a change of any number of marks; none when nothing changed (the usual tick).
    void setStaleness(const StalenessTable& table) {
        if (table == staleness_) return;
        staleness_ = table;
        emit stalenessChanged();
    }

  signals:
    void identityChanged();
    void liveChanged();
    void settingsChanged();
    void currentTagChanged();
    void readTagChanged();
    void slaveDataChanged();
    void slaveRs485Changed();
    void rotationChanged();
    void stalenessChanged();

  private:
    Timed<device::Identification> identity_;
    Timed<device::LiveReading> live_;
    Timed<device::LiveReading::Settings> settings_;
    Timed<device::TagAnswer> currentTag_;
    Timed<device::TagParameters> readTag_;
    Timed<device::SlaveData> slaveData_;
    Timed<device::SlaveRs485> slaveRs485_;
    std::optional<quint32> currentTagId_;
    std::optional<Rotation> rotation_;
    StalenessTable staleness_;
};

}  // namespace kestrel
