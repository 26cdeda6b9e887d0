#pragma once
// A site's plan applied to some of its readers from the bus overview, through the port's exchange queue, so
// its requests go out between the rounds' exchanges and never block the loop. Each reader in turn: it tells
// who it is, and is written only when its serial number is the planned one (a row without one takes the
// reader found); its settings and bound IDs are read, what differs from the plan is written, and everything
// is read back. Every write is appended to the plan's journal, as the client's plan commands do.

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <optional>
#include <vector>

#include "bus/plan.h"

namespace kestrel {

class ExchangeQueue;
class ExchangeReply;

class PlanApplier : public QObject {
    Q_OBJECT
  public:
    // What became of one reader.
    struct Outcome {
        quint8 address = 0;
        QString name;
        std::optional<quint32> serial;  // as the reader told it
        QStringList written;            // the steps written ("radio", "bound-ids 3")
        bool verified = false;          // read back as planned
        bool tookReader = false;        // the row had no serial: the reader found there was taken
        QString failure;                // why it stopped; empty when it went through
    };

    PlanApplier(ExchangeQueue& queue, bus::Plan plan, QString planPath, QList<quint8> addresses,
                QObject* parent = nullptr);
    ~PlanApplier() override;
    // Starts with the first reader.
    void start();
    // No further request after the one on the wire.
    void stop();
    const std::vector<Outcome>& outcomes() const { return outcomes_; }
    bool running() const { return running_; }

    // One line per reader for people: "адрес 5 (Tank 5), серийный номер 123456: записано radio; проверено".
    static QString describe(const Outcome& outcome);

  signals:
    void readerDone(const kestrel::PlanApplier::Outcome& outcome);
    void finished();

  private:
    enum class Stage { Identify, Settings, BoundIds, Write, VerifyIdentify, VerifySettings, VerifyBoundIds };
    void nextReader();
    void ask(const QByteArray& frame);
    void answered();
    void readsDone();
    void readBackDone();
    void writeNext();
    void readerEnds(const QString& failure = {});
    void journal(const QString& action, const QString& outcome);

    ExchangeQueue& queue_;
    QPointer<ExchangeQueue> queueAlive_;  // the queue may go first, with its session
    bus::Plan plan_;
    QString planPath_;
    QList<quint8> addresses_;
    int next_ = 0;
    bool running_ = false;
    bool stopped_ = false;
    QPointer<ExchangeReply> reply_;
    Stage stage_ = Stage::Identify;
    bus::PlanRow wanted_;
    bus::ReaderSeen seen_;
    bus::ReaderSeen readBack_;
    std::vector<bus::RestoreStep> steps_;
    std::size_t step_ = 0;
    Outcome outcome_;
    std::vector<Outcome> outcomes_;
};

}  // namespace kestrel
