#pragma once
// The bus overview's hold on the session's bus. While it runs, the session's polling is paused and the
// rounds (bus/rounds.h) send through the session's exchange queue; the cycle's tick in progress ends first,
// and the answer to its last request is read ahead of the rounds' first request. A request of the main
// window's meanwhile goes out between two round exchanges (DeviceSession::send). On pause() or destruction
// the rounds end their exchange in progress before the session's polling resumes. Every exchange reaches the
// session's feed from the queue. A lost port stops the rounds; the session waits for it as always, and when
// it has it back the rounds go on (polling stays paused).

#include <QObject>
#include <QPointer>

#include "bus/rounds.h"

namespace kestrel {

class DeviceSession;

class BusOverview : public QObject {
    Q_OBJECT
  public:
    BusOverview(DeviceSession& session, bus::BusRounds::Options options, QObject* parent = nullptr);
    // Stops the rounds after their exchange in progress, then resumes the session's polling.
    ~BusOverview() override;

    bus::BusRounds& rounds() { return rounds_; }
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

  private:
    void takeOver();
    void startRounds();
    void onStopped();
    void onLinkChanged();
    void onPortLost(const QString& reason);
    void holdOrRelease();
    void hold();
    void release();

    DeviceSession& session_;
    QPointer<DeviceSession> sessionAlive_;  // a session destroyed first is not touched by the destructor
    bus::BusRounds rounds_;
    bool wanted_ = false;       // running: asked to hold the bus
    bool desired_ = false;      // what its window wants
    bool handingBack_ = false;  // the rounds are ending their exchange; polling resumes at stopped()
};

}  // namespace kestrel
