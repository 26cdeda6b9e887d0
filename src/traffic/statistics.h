#pragma once
// Link statistics per address: how many requests went out, how their replies turned out, and how long
// the devices took to answer.

#include <QString>
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

}  // namespace kestrel::traffic
