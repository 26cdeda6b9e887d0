#pragma once
// Link statistics per address: how many requests went out, how their replies turned out, and how long
// the devices took to answer.

#include <QAbstractTableModel>
#include <QString>
#include <QStringList>
#include <map>
#include <optional>

#include "traffic/record.h"

namespace kestrel::traffic {

struct LinkCounts {
    int requests = 0;
    int decoded = 0;
    int noReply = 0;
    int wrongCheckByte = 0;
    int garbage = 0;                   // unframed bytes and over-long replies
    int other = 0;                     // replies from another address, unknown codes
    int echoRemoved = 0;               // exchanges whose request's echo was taken off the reply
    std::map<qint64, int> replyTimes;  // ms -> how many replies took that long

    // Decoded replies per request, in %; none before the first request.
    std::optional<double> successPercent() const;
    std::optional<qint64> minReplyMs() const;
    std::optional<qint64> maxReplyMs() const;
    // The lower median of the reply times.
    std::optional<qint64> medianReplyMs() const;
};

class LinkStatistics {
  public:
    void add(const Record& r);
    void reset() { byAddress_.clear(); }
    // Per address; kNoAddress collects replies that came without a request.
    const std::map<int, LinkCounts>& byAddress() const { return byAddress_; }

  private:
    std::map<int, LinkCounts> byAddress_;
};

// The statistics as one table, a row per address, with the same cells wherever they are shown: the traffic
// log's table and `kestrel-cli stats`. A value there is none of yet (no request, no reply time) is "-", and
// so is the address of the replies that came without a request.
class LinkStatisticsModel : public QAbstractTableModel {
  public:
    enum Column {
        Address,
        Requests,
        Decoded,
        NoReply,
        WrongCheckByte,
        Garbage,
        Other,
        Success,
        MinMs,
        MedianMs,
        MaxMs,
        EchoRemoved,
        ColumnCount
    };
    // The cells of one address's row.
    static QStringList cells(int address, const LinkCounts& counts);

    // Shows `statistics` now: rows come and go with the addresses, cells change in place.
    void show(const LinkStatistics& statistics);
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // The columns' titles as the window shows them.
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

  private:
    std::vector<QStringList> rows_;
};

}  // namespace kestrel::traffic
