#pragma once
// The backup files of readers. One reader's settings are a "kestrel-reader-backup" object (format
// version 1): its identification, mode, radio parameters, bound-ID table and reset delay. A site is a
// "kestrel-site" document (version 1) holding the backup of every reader with the address it stands at.
// The client's backup and backup-site and the bus overview's "save the site" write these, restore and
// restore-site read them, so every tool writes and refuses the same files.
//
// Reading checks everything a restore would write before anything is sent: the format and its version,
// each value a whole JSON number in its range (never rounded or converted from a string), each request
// built by the device layer's builders.

#include <QByteArray>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "device/values.h"

namespace kestrel::bus {

class BusRoster;

// The "format" of a reader's backup.
inline constexpr char kReaderBackupFormat[] = "kestrel-reader-backup";

// The cells of a reader's bound-ID table.
inline constexpr int kBoundIdCells = 10;

// The values of one reader that its backup holds, each one complete.
struct BackupValues {
    device::Identification identity;         // with serial and device type
    device::LiveReading::Settings settings;  // with mode, network, channel and power
    device::BoundIdTable boundIds;           // all ten cells
    device::ResetDelay resetDelay;           // with the delay
};

// The values as read, taken for a backup only when every one is there; nothing when one is missing.
std::optional<BackupValues> backupValues(const std::optional<device::Identification>& identity,
                                         const std::optional<device::LiveReading::Settings>& settings,
                                         const std::optional<device::BoundIdTable>& boundIds,
                                         const std::optional<device::ResetDelay>& resetDelay);

// The identification as the files and the client's JSON write it: serial, deviceType, firmware.
QJsonObject identityJson(const device::Identification& identity);
// The bound-ID table as hex strings, cell 1 first.
QJsonArray boundIdsJson(const device::BoundIdTable& table);

// The backup object of the reader at `address`, written by `tool` at `time`.
QJsonObject readerBackup(quint8 address, const BackupValues& values, const QString& tool,
                         const QDateTime& time);

// What a restore may write, in the order it writes them.
const QStringList& restoreParts();
// What a restore writes when not told otherwise: everything but the serial number.
QStringList defaultRestoreParts();

// One request of a restore: what it writes as the summary names it ("mode", "bound-ids 3") and its frame
// (whose answer is judged as every request's: exchange/classify.h).
struct RestoreStep {
    QString label;
    QByteArray frame;
};

struct RestorePlan {
    std::vector<RestoreStep> steps;
    // The device type and serial number of the reader the backup was taken from; nothing when the backup
    // does not hold a valid one.
    std::optional<quint8> deviceType;
    std::optional<quint32> serial;
    QString refusal;  // empty when every step could be built
    bool ok() const { return refusal.isEmpty(); }
};

// The backup's format and version, checked; the refusal names the backup as `source`, empty when both
// are right.
QString backupHeaderRefusal(const QJsonObject& backup, const QString& source);
// Builds every request that writes `parts` of `backup` to the device at `address`. Refusals begin with
// `source` (the file, or the file and the reader) and name the field.
RestorePlan planRestore(const QJsonObject& backup, quint8 address, const QStringList& parts,
                        const QString& source);

// A reader of a site file: its address and its backup object.
struct SiteReader {
    quint8 address = 0;
    QJsonObject backup;
};

// A site document of the given readers' backups, saved at `saved`.
QJsonObject siteDocument(const std::vector<SiteReader>& readers, const QDateTime& saved);

// The site document of a roster's readers, and the addresses of the readers it leaves out because their
// values are not complete yet (not identified, settings not read): the caller tells the user, the file
// never holds a partial backup.
struct SiteSnapshot {
    QJsonObject document;
    QList<quint8> incomplete;
};
SiteSnapshot siteDocument(const BusRoster& roster, const QString& tool, const QDateTime& saved);

// A site file read: its readers in the file's order, or the refusal saying what is wrong (naming the
// reader by its address, or by its place in the list when the address itself is wrong).
struct SiteContents {
    std::vector<SiteReader> readers;
    QString refusal;
    bool ok() const { return refusal.isEmpty(); }
};
SiteContents parseSite(const QByteArray& text);

// A serial number that more than one reader carries, and their addresses in the order given.
struct SharedSerial {
    quint32 serial = 0;
    QList<quint8> addresses;
};
// The serial numbers of `readers` (address, serial) carried more than once, in the order first met.
std::vector<SharedSerial> sharedSerials(const std::vector<std::pair<quint8, quint32>>& readers);

}  // namespace kestrel::bus
