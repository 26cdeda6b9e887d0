#include "traffic/statistics.h"

namespace kestrel::traffic {

std::optional<double> LinkCounts::successPercent() const {
    if (requests == 0) return std::nullopt;
    return 100.0 * decoded / requests;
}

std::optional<qint64> LinkCounts::minReplyMs() const {
    if (replyTimes.empty()) return std::nullopt;
    return replyTimes.begin()->first;
}

std::optional<qint64> LinkCounts::maxReplyMs() const {
    if (replyTimes.empty()) return std::nullopt;
    return replyTimes.rbegin()->first;
}

std::optional<qint64> LinkCounts::medianReplyMs() const {
    int total = 0;
    for (const auto& [ms, n] : replyTimes) total += n;
    if (total == 0) return std::nullopt;
    int seen = 0;
    for (const auto& [ms, n] : replyTimes) {
        seen += n;
        if (2 * seen >= total) return ms;
    }
    return std::nullopt;
}

void LinkStatistics::add(const Record& r) {
    if (r.event) return;
    LinkCounts& c = byAddress_[r.address];
    if (!r.request.isEmpty()) ++c.requests;
    if (r.echoRemoved) ++c.echoRemoved;
    switch (r.outcome) {
        case Outcome::Decoded:
            ++c.decoded;
            break;
        case Outcome::NoReply:
            ++c.noReply;
            break;
        case Outcome::WrongCheckByte:
            ++c.wrongCheckByte;
            break;
        case Outcome::Unframed:
        case Outcome::TooLong:
            ++c.garbage;
            break;
        case Outcome::OtherAddress:
        case Outcome::UnknownCode:
        case Outcome::OtherCode:
            ++c.other;
            break;
    }
    if (r.replyMs) ++c.replyTimes[*r.replyMs];
}

}  // namespace kestrel::traffic
