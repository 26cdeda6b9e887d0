#include "traffic/trendseries.h"

#include <algorithm>
#include <map>

#include "device/commands.h"
#include "traffic/logreader.h"

namespace kestrel {

namespace {

// The member of a sample that holds each value, in the order of TrendSeries::Value.
constexpr std::optional<double> TrendSeries::Sample::*kMembers[] = {
    &TrendSeries::Sample::level, &TrendSeries::Sample::temperature, &TrendSeries::Sample::current};

}  // namespace

bool TrendSeries::addRecord(const traffic::Record& r) {
    if (r.event || r.address < 0 || r.address > 255 || r.code != cmd::kCurrentParams) return false;
    const quint8 address = quint8(r.address);
    if (const auto live = traffic::liveReadingOf(r))
        addReading(r.time, address, *live);
    else
        addGap(r.time, address, r.outcome == Outcome::NoReply ? TrendGap::NoReply : TrendGap::BadReply);
    return true;
}

void TrendSeries::addReading(const QDateTime& when, quint8 address, const device::LiveReading& reading) {
    Sample s{when, address, {}, {}, {}, std::nullopt};
    if (reading.level) s.level = *reading.level;
    if (const auto t = reading.temperature()) s.temperature = *t;
    if (reading.current) s.current = *reading.current;
    insert(s);
}

void TrendSeries::addGap(const QDateTime& when, quint8 address, TrendGap reason) {
    insert({when, address, {}, {}, {}, reason});
}

void TrendSeries::insert(const Sample& s) {
    if (samples_.empty() || !(s.when < samples_.back().when)) return samples_.push_back(s);
    const auto at = std::upper_bound(samples_.begin(), samples_.end(), s.when,
                                     [](const QDateTime& when, const Sample& x) { return when < x.when; });
    samples_.insert(at, s);
}

void TrendSeries::dropBefore(const QDateTime& oldest) {
    std::map<quint8, std::optional<TrendGap>> lastDropped;
    while (!samples_.empty() && samples_.front().when < oldest) {
        lastDropped[samples_.front().address] = samples_.front().gap;
        samples_.pop_front();
    }
    // A gap lasts until the address's next sample, which is not among those dropped.
    for (const auto& [address, gap] : lastDropped)
        if (gap) samples_.push_front({oldest, address, {}, {}, {}, gap});
}

std::vector<TrendSeries::GapSpan> TrendSeries::gaps(quint8 address) const {
    std::vector<GapSpan> out;
    for (const Sample& s : samples_) {
        if (s.address != address) continue;
        const bool open = !out.empty() && !out.back().to;
        if (open && s.gap == out.back().reason) continue;  // the same gap goes on
        if (open) out.back().to = s.when;
        if (s.gap) out.push_back({s.when, std::nullopt, *s.gap});
    }
    return out;
}

std::vector<std::vector<QPointF>> TrendSeries::stretches(quint8 address, Value value, const QDateTime& from,
                                                         qint64 maxStepMs) const {
    std::vector<std::vector<QPointF>> out;
    bool open = false;  // the next point continues the last stretch
    for (const Sample& s : samples_) {
        if (s.address != address || s.when < from) continue;
        const std::optional<double> v = s.gap ? std::nullopt : s.*kMembers[int(value)];
        if (!v) {
            open = false;
            continue;
        }
        const qint64 ms = s.when.toMSecsSinceEpoch();
        if (open && ms - qint64(out.back().back().x()) > maxStepMs) open = false;
        if (!open) out.emplace_back();
        out.back().emplace_back(double(ms), *v);
        open = true;
    }
    return out;
}

}  // namespace kestrel
