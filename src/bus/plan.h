#pragma once
// The plan of a site: what the engineer means every reader of the bus to be, kept in a spreadsheet and
// saved as CSV. A header row names the columns, then one row per reader:
//   address  0..200, the address the reader is to have (required);
//   name     the tank or place, free text;
//   serial   the reader's serial number, empty until a reader is assigned to the row;
//   network, channel, power, mode   the settings it is to have, each optional;
//   tags     the bound tag IDs in hexadecimal, separated by spaces, optional (at most ten).
// The file may start with a UTF-8 byte order mark, separate its cells with "," or ";" (spreadsheets in
// Russian write ";"), quote cells, and end its lines with CRLF. Everything is checked before anything is
// sent: each refusal names the line and the column, and an address or a serial given twice is refused.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "bus/sitefile.h"
#include "device/values.h"

namespace kestrel::bus {

// The columns a plan may have, in the order a new plan writes them.
const QStringList& planColumns();

struct PlanRow {
    int line = 0;  // where the row starts in the file, from 1
    quint8 address = 0;
    QString name;
    std::optional<quint32> serial;
    std::optional<quint16> network;
    std::optional<quint8> channel;
    std::optional<quint8> power;
    std::optional<quint8> mode;
    std::optional<QList<quint32>> tags;  // the bound IDs, cell 1 first; nothing: not planned
    int record = 0;                      // the row's record in the file (0 is the header)
};

struct Plan {
    std::vector<PlanRow> rows;
    QString refusal;  // empty when the file was taken
    bool ok() const { return refusal.isEmpty(); }
    // The file as read, so it can be written back whole with a serial filled in.
    QList<QStringList> records;
    char separator = ',';
    bool byteOrderMark = false;

    const PlanRow* rowAt(quint8 address) const;
    const PlanRow* rowOf(quint32 serial) const;
};

// The largest plan file taken: a plan of 201 readers is a few kilobytes.
inline constexpr qint64 kMaxPlanBytes = 1 << 20;

// Reads a plan. `source` begins every refusal (the file's name).
Plan parsePlan(const QByteArray& text, const QString& source);

// Reads and parses the plan file at `path`: opened without waiting (a named pipe nobody writes reads as
// empty), at most kMaxPlanBytes read.
Plan readPlanFile(const QString& path);

// The plan's file with `serial` filled into the row of `address`: the other cells, the separator and the
// byte order mark as they were, CRLF line ends.
QByteArray planWithSerial(const Plan& plan, quint8 address, quint32 serial);

// What the bus showed at one address: its serial number (nothing: it did not answer), its settings and its
// bound-ID table when they were read.
struct ReaderSeen {
    quint8 address = 0;
    std::optional<quint32> serial;
    std::optional<device::LiveReading::Settings> settings;
    std::optional<device::BoundIdTable> boundIds;
    QString silence;  // without a serial: what came instead ("нет ответа", "ошибка CRC"); empty: not said
};

// A planned reader as found, or a reader found that the plan does not name (Extra).
enum class PlanState { Ok, Missing, OtherSerial, Differs, DuplicateSerial, Extra };
// "ok", "missing", "other-serial", "differs", "duplicate-serial", "extra".
QString planStateKey(PlanState state);

// A field the reader has otherwise than planned: its name as the plan's column says it, the planned value
// and the value found ("?" when it was not read).
struct PlanDifference {
    QString field;
    QString planned;
    QString found;
};

struct PlanFinding {
    quint8 address = 0;
    QString name;  // the plan's; empty for an extra reader
    PlanState state = PlanState::Ok;
    std::optional<quint32> plannedSerial;
    std::optional<quint32> foundSerial;
    std::vector<PlanDifference> differences;
    QString silence;  // missing: what came instead of an answer, as ReaderSeen says it
};

// The fields of `row` that the reader `seen` has otherwise (the settings and bound IDs it plans; the serial
// is the state's business).
std::vector<PlanDifference> planDifferences(const PlanRow& row, const ReaderSeen& seen);
// Every planned reader in the plan's order, then every reader seen that the plan does not name, in the order
// seen. A reader is missing without a reply; one whose serial another reader seen carries too is a
// duplicate; one whose serial is not the planned one is another reader; one with differences differs.
std::vector<PlanFinding> checkPlan(const Plan& plan, const std::vector<ReaderSeen>& seen);
// The row with only `parts` of it planned ("mode", "radio", "bound-ids").
PlanRow plannedParts(const PlanRow& row, const QStringList& parts);
// The writes that make the reader `seen` what `wanted` plans, for what differs only: the mode, the radio
// parameters (those the row does not plan kept as read), and each bound-ID cell that differs. Nothing, with
// the reason in `refusal`, when the radio parameters must be written but were not read.
std::vector<RestoreStep> planSteps(const PlanRow& wanted, const ReaderSeen& seen, QString* refusal);
// The bound-ID table a plan's tags stand for: the tags from cell 1, then empty (0) cells.
std::vector<quint32> plannedBoundIds(const QList<quint32>& tags);

}  // namespace kestrel::bus
