#pragma once
// The commands of kestrel-cli: each checks its arguments with the device layer (a refusal writes nothing
// to the wire), exchanges its requests through the transactor, and prints its result. Every command
// returns its exit code.

#include <QIODevice>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

#include "bus/plan.h"
#include "bus/sitefile.h"
#include "cli/arguments.h"
#include "cli/output.h"
#include "device/ranges.h"
#include "device/values.h"
#include "exchange/transactor.h"

namespace kestrel::cli {

// The addresses of a list ("3,5,7-9"), each a whole number in `r` and none twice; nothing (with the
// refusal) when the list is refused.
std::optional<QByteArray> parseAddressList(const QString& list, device::FieldRange r, QString* refusal);

class Client {
  public:
    // `openPort` opens the port on the first exchange, so a command refused for its arguments needs no
    // port; it returns kDone, or prints why the port cannot be opened and returns the exit code.
    // `port` is the transactor's port, for the commands that run the bus overview's rounds (monitor).
    Client(Transactor& transactor, Output& output, std::function<int()> openPort, SerialPort* port = nullptr)
        : transactor_(transactor), output_(output), openPort_(std::move(openPort)), busPort_(port) {}

    // Runs the command in `inv.words`.
    int run(const Invocation& inv);
    // Runs one command per line of `input`; `name` names the input in messages.
    int runBatch(QIODevice& input, const QString& name, const Invocation& base);

    // Ctrl-C: the exchange in progress ends, and no further command starts.
    void interrupt();
    bool interrupted() const { return interrupted_; }

  private:
    struct Context;
    int dispatch(Context& c);
    // Exchanges `request`; on success `value` holds the decoded answer, else the failure is printed and
    // its exit code returned.
    int ask(Context& c, const QByteArray& request, std::optional<device::DeviceValue>* value);
    // The port went away: says so and gives exit code 3; kDone while the port is there.
    int portLost(Context& c);
    // The network poll: the addresses that answered.
    int pollBus(Context& c, QByteArray* addresses);
    // A refused request's message, exit code 2.
    int refuse(Context& c, const QString& message);
    // `text` as a whole number in `r`; else the refusal naming `what` is printed (exit code 2 in c.exit).
    std::optional<qint64> exact(Context& c, const QString& text, device::FieldRange r, const QString& what);
    // Checks the number of words after the command (and subcommand).
    bool argumentCount(Context& c, int first, int min, int max);
    // One value --verify compares: its name in the failure, the value wanted, and the value found in the
    // answer read back ("?" when the answer lacks it; nothing when the answer is not what the read needs).
    struct Check {
        QString what;
        QString wanted;
        std::function<std::optional<QString>(const std::optional<device::DeviceValue>&)> got;
    };
    // --verify: asks `readBack` and compares each value in turn; the first difference is printed as the
    // verify failure. Returns the exit code.
    int verify(Context& c, const QByteArray& readBack, const std::vector<Check>& checks);
    int readTag(Context& c, const QString& id, device::TagParameters* out);
    int scan(Context& c);
    int inventory(Context& c);
    int identify(Context& c);
    int live(Context& c);
    int settings(Context& c);
    int setAddress(Context& c);
    int setSerial(Context& c);
    int setMode(Context& c);
    int setRadio(Context& c);
    int calibrate(Context& c);
    int boundIds(Context& c);
    int resetDelay(Context& c);
    int tag(Context& c);
    int bridge(Context& c);
    int backup(Context& c);
    int restore(Context& c);
    int logStats(Context& c);
    int backupSite(Context& c);
    int restoreSite(Context& c);
    int monitor(Context& c);
    int gateway(Context& c);
    int tags(Context& c);
    int plan(Context& c);
    int planCheck(Context& c);
    int planApply(Context& c);
    int planAssign(Context& c);
    int planReport(Context& c);

    // The plan named after the subcommand, read and checked; nothing when it is refused (printed, exit code
    // in c.exit).
    std::optional<bus::Plan> readPlan(Context& c);
    // What the reader at `address` shows: its serial (nothing: no answer), settings and, `withTags`, its
    // bound IDs. Failures are not printed; the exit code is kPortError or kDone.
    int seeReader(Context& c, quint8 address, bool withTags, bus::ReaderSeen* seen);
    // Every planned address read, and every reader the bus search finds besides, judged against the plan.
    int checkAgainstPlan(Context& c, const bus::Plan& plan, std::vector<bus::PlanFinding>* findings,
                         std::vector<bus::ReaderSeen>* seen = nullptr);
    // One line appended to the plan's journal; a failure is kept in journalFailure_.
    void journal(const bus::Plan& plan, const QString& planPath, quint8 address,
                 std::optional<quint32> serial, const QString& action, const QString& outcome);
    // What applying a plan's row did at its reader.
    struct PlanApplied {
        int exit = kDone;
        QString message;  // why it stopped
        QStringList written;
        std::optional<quint32> serial;
        bool verified = false;
        bool tookReader = false;  // the row had no serial: the reader found there was taken
    };
    // Writes what of `parts` differs from the row into the reader at its address, when its serial matches
    // the row's (or the row has none); with `verify` reads it back.
    PlanApplied applyPlanRow(Context& c, const bus::Plan& plan, const QString& planPath,
                             const bus::PlanRow& row, const QStringList& parts, bool verify);
    int planApplyParts(Context& c, QStringList* parts);
    int reportApplied(Context& c, const bus::PlanRow& row, const PlanApplied& r);

    // The addresses of --addresses ("3,5,7"), each a whole number in `r` and none twice; nothing when the
    // list is refused (printed, exit code 2 in c.exit).
    std::optional<QByteArray> addressList(Context& c, device::FieldRange r);
    // The readers of --addresses (0..254) into `addresses`, none without it; false when the list is refused.
    bool listedReaders(Context& c, QByteArray* addresses);
    // Reads what a backup of the reader at c.address holds; the exit code (a failure is printed or held).
    int readBackupValues(Context& c, std::optional<bus::BackupValues>* values);
    // The parts --only and --with-serial choose for a restore; a refusal's exit code.
    int chosenRestoreParts(Context& c, QStringList* parts);
    // The bytes of a backup, site or plan file; nothing when it cannot be opened (printed, exit code in
    // c.exit).
    std::optional<QByteArray> readBackupFile(Context& c, const QString& path, bool plan = false);
    // What a restore did at one reader: exit code kDone, or the failure's message and fields.
    struct RestoreOutcome {
        int exit = kDone;
        QString message;
        QJsonObject fields;   // what was written, not written and perhaps written, after a failed write
        QStringList written;  // the steps written
        std::optional<quint32> serial;  // the serial number the reader identified itself with
        bool verified = false;          // --verify read everything back and found it as written
    };
    // Identifies the reader at c.address, checks its device type (and with `sameSerial` its serial number)
    // against `plan`, writes the plan's steps and with --verify reads them back. Nothing is printed: the
    // caller prints the outcome.
    RestoreOutcome applyRestore(Context& c, const bus::RestorePlan& plan, const QJsonObject& backup,
                                const QStringList& parts, const QString& source, bool sameSerial);

    Transactor& transactor_;
    Output& output_;
    std::function<int()> openPort_;
    SerialPort* busPort_;
    // Stops the monitor's rounds (Ctrl-C while it runs); empty otherwise.
    std::function<void()> stopMonitor_;
    // A failure of `ask` or `portLost`: printed, or held in heldFailure_ while holdFailures_ (a restore
    // prints it with what was written). Returns `exitCode`.
    int fail(Context& c, const QString& message, int exitCode);
    bool holdFailures_ = false;
    QString heldFailure_;
    int lastAttempts_ = 0;                    // requests written by the last `ask`
    Outcome lastOutcome_ = Outcome::Decoded;  // and how its last attempt ended
    QString journalFailure_;                  // the plan's journal could not be written
    bool portOpen_ = false;
    bool interrupted_ = false;
    // Opens the port when it is not open yet; the exit code of a failure.
    int ensurePort(Context& c);
};

}  // namespace kestrel::cli
