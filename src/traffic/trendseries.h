#pragma once
// The trend's data, without a widget: time-stamped samples of the readers' live values, with the gaps where
// none came and why, and the one rule by which an exchange becomes a sample or a gap. The window's live
// trend and a traffic log opened from a file both fill a TrendSeries by that rule.

#include <QDateTime>
#include <QPointF>
#include <deque>
#include <optional>
#include <vector>

#include "device/values.h"
#include "traffic/record.h"

namespace kestrel {

// Why the reader's live values did not come: its poll got no reply or no usable one, another view was
// polled instead (the tag tab or the bridge tab was open), another address was polled, or the port was
// closed or lost.
enum class TrendGap { NoReply, BadReply, TagView, BridgeView, PortClosed, PortLost, OtherAddress };

// Time-stamped samples of the live values, per reader address, with gaps; plain data, no widget.
class TrendSeries {
  public:
    struct Sample {
        QDateTime when;
        quint8 address = 0;
        std::optional<double> level, temperature, current;
        std::optional<TrendGap> gap;  // no reading here, and why
    };
    // A stretch of time with no readings of one address and its reason: from the first of consecutive gap
    // samples of that reason to the next sample of the address; open (no end) while none has come.
    struct GapSpan {
        QDateTime from;
        std::optional<QDateTime> to;
        TrendGap reason;
    };
    enum class Value { Level, Temperature, Current };

    // What one exchange means for the trend: a reader's poll of its live values is a sample when its reply
    // decoded, a gap (no reply, or no usable one) otherwise; anything else (an event, another command)
    // means nothing here, and false is returned.
    bool addRecord(const traffic::Record& r);
    void addReading(const QDateTime& when, quint8 address, const device::LiveReading& reading);
    // No reading of `address` at `when`, and why.
    void addGap(const QDateTime& when, quint8 address, TrendGap reason);
    // Samples are kept in time order: one that comes late (the reply to a request written before an
    // event already added) takes its place by time, so a gap's reason is the one of its time.
    // Forgets the samples older than `oldest`; they are at the front. A gap
    // that began before `oldest` and still goes on is kept, beginning at `oldest`.
    void dropBefore(const QDateTime& oldest);
    std::vector<GapSpan> gaps(quint8 address) const;
    // The stretches to draw for one address and one value from `from` on: consecutive samples of that
    // address with the value present and no gap sample between them; a stretch also breaks where two
    // samples are more than `maxStepMs` apart (the poll stopped). Points are (ms since epoch, value).
    std::vector<std::vector<QPointF>> stretches(quint8 address, Value value, const QDateTime& from,
                                                qint64 maxStepMs = 3000) const;
    const std::deque<Sample>& samples() const { return samples_; }

  private:
    void insert(const Sample& s);

    std::deque<Sample> samples_;
};

}  // namespace kestrel
