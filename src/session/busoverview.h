#pragma once
// The bus overview's hold on the session's bus. While it runs, the session's polling is paused and the
// rounds (bus/rounds.h) send through the session's exchange queue; the cycle's tick in progress ends first,
// and the answer to its last request is read ahead of the rounds' first request. A request of the main
// window's meanwhile goes out between two round exchanges (DeviceSession::send). On pause() or destruction
// the rounds end their exchange in progress before the session's polling resumes. Every exchange reaches the
// session's feed from the queue. A lost port stops the rounds; the session waits for it as always, and when
// it has it back the rounds go on (polling stays paused).

#include <QDateTime>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <functional>

#include "bus/plan.h"
#include "bus/planreport.h"
#include "bus/rounds.h"
#include "bus/sitefile.h"
#include "session/planapplier.h"

namespace kestrel {

class DeviceSession;

class BusOverview : public QObject {
    Q_OBJECT
  public:
    BusOverview(DeviceSession& session, bus::BusRounds::Options options, QObject* parent = nullptr);
    // Stops the rounds after their exchange in progress, then resumes the session's polling.
    ~BusOverview() override;

    bus::BusRounds& rounds() { return rounds_; }

    // The readers listed, one bus's: each bus keeps its own. Opened on another port (by its identity), the
    // list is that port's bus as it was left, and the one left is remembered under its port; a bus never
    // seen starts empty, so the rounds search it first.
    struct Readers {
        QList<quint8> listed;                     // the bus of `port`, in the order listed
        QString port;                             // empty: no port known yet
        QMap<QString, QList<quint8>> otherBuses;  // by the identity of their port
    };
    void restoreReaders(const Readers& readers);
    Readers readers() const;
    // The list, as the engineer edits it, and what the rounds know of each reader.
    void addReader(quint8 address);
    void removeReader(quint8 address);
    const std::vector<bus::ReaderRow>& rows() const { return rounds_.roster().rows(); }
    // A bus search now, while the link is open.
    void searchNow();
    void setRoundOptions(const bus::BusRounds::Options& options);
    // The readers are searched for tags every round while the site's tag table wants them.
    void setSearchTags(bool on);
    const bus::SiteTags& siteTags() const { return rounds_.siteTags(); }
    // One request of the engineer's to a reader of the bus, between the rounds' exchanges; `done` gets its
    // last attempt, or the port's failure. False, with nothing sent, while the link is not open.
    bool ask(const QByteArray& frame, std::function<void(const Transaction&, const QString& failure)> done);
    // The readers whose values are complete, as a site file.
    bus::SiteSnapshot site(const QString& tool, const QDateTime& saved) const;

    // The plan of the site read from `path`: its readers are listed (those not listed yet are added, to be
    // searched for by the rounds), and every row is judged against it as the rounds read it.
    void setPlan(const bus::Plan& plan, const QString& path);
    const std::optional<bus::Plan>& plan() const { return plan_; }
    // What the rounds know of each listed reader, as the plan judges it: its serial while it answers (a
    // reader silent or never identified is missing), its settings and bound IDs as last read.
    std::vector<bus::ReaderSeen> seenOnBus() const;
    // Each listed reader against the plan (none without a plan), and the report of them.
    std::vector<bus::PlanFinding> planFindings() const;
    bus::PlanReport planReport(const QString& tool, const QDateTime& at) const;
    // Applies the plan to the readers at `addresses`, through the queue between the rounds' exchanges
    // (PlanApplier); false when there is no plan, the link is not open or an apply is running. Their settings
    // are read again by the next round.
    bool applyPlan(const QList<quint8>& addresses);
    bool applyingPlan() const { return applier_ != nullptr; }
    // Takes the bus over: polling paused, the rounds started once the cycle's last answer is in. While the
    // link is not open, the rounds start when it is. setWanted(true).
    void run();
    // Gives the bus back: the rounds stop after their exchange in progress, then polling resumes.
    // setWanted(false).
    void pause();
    // Asked to run (also while it waits for the port or for the cycle's last answer).
    bool running() const { return wanted_; }
    // What its window wants: the bus held while it is shown and not paused. The overview then runs while
    // the link is open, lets the bus go when the port is closed, and keeps its hold while a lost port is
    // waited for; not wanted, it pauses.
    void setWanted(bool wanted);
    // The rounds own the port now.
    bool roundsActive() const { return rounds_.isRunning(); }

  signals:
    // Running or paused, the rounds started or stopped.
    void stateChanged();
    // A reader's row changed or a reader was added; the list was replaced by another bus's.
    void rowsChanged();
    void readersReplaced();
    // A tag search found a tag.
    void tagsChanged();
    // A round ended (its time, and the wire's floor for it); the port went away under the rounds.
    void roundFinished(int round, qint64 elapsedMs, qint64 floorMs);
    void portLost(const QString& reason);
    // A reader of applyPlan() is done, and the whole apply is over (one line per reader, as describe() says).
    void planReaderApplied(const QString& line);
    void planApplied(const QStringList& lines);

  private:
    void takeOver();
    void startRounds();
    void onStopped();
    void onLinkChanged();
    void onPortLost(const QString& reason);
    void holdOrRelease();
    void hold();
    void release();
    void followPort();
    void listReaders(const QList<quint8>& readers);

    DeviceSession& session_;
    QPointer<DeviceSession> sessionAlive_;  // a session destroyed first is not touched by the destructor
    bus::BusRounds rounds_;
    bool wanted_ = false;       // running: asked to hold the bus
    bool desired_ = false;      // what its window wants
    bool handingBack_ = false;  // the rounds are ending their exchange; polling resumes at stopped()
    QString port_;              // the identity of the port whose bus the roster is; empty: not known yet
    QMap<QString, QList<quint8>> otherBuses_;
    std::optional<bus::Plan> plan_;
    QPointer<PlanApplier> applier_;
    bool searchTags_ = false;
    QString planPath_;
};

}  // namespace kestrel
