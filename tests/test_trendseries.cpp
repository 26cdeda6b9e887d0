// The trend's data: which exchanges become samples or gaps (one rule for the live trend and an opened log),
// which samples make up the drawn stretches, and the gaps with their reasons.
#include <gtest/gtest.h>

#include "device/commands.h"
#include "livereading.h"
#include "traffic/trendseries.h"

using namespace kestrel;

namespace {

using test::reading;

QByteArray hex(const char* text) {
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

// Each exchange as the traffic log records it, and what the trend makes of it: a sample ("level/temperature/
// current"), a gap and its reason, or nothing.
TEST(TrendSeries, EachExchangeIsASampleAGapOrNothing) {
    const QDateTime t0 = QDateTime::fromMSecsSinceEpoch(0);
    const struct {
        const char* name;
        int address;
        quint8 code;
        Outcome outcome;
        const char* reply;
        bool event;
        const char* expected;
    } rows[] = {
        {"a poll's live values", 5, cmd::kCurrentParams, Outcome::Decoded, "3E 05 F0 19 00 02 01 00 00 00 7E",
         false, "512/25/1"},  // level 00 02 little-endian, state byte 0x19, current 01 00 00 00
        {"no reply", 5, cmd::kCurrentParams, Outcome::NoReply, "", false, "gap 0"},
        {"a wrong check byte", 5, cmd::kCurrentParams, Outcome::WrongCheckByte,
         "3E 05 F0 19 00 02 01 00 00 00 7F", false, "gap 1"},
        {"garbage", 5, cmd::kCurrentParams, Outcome::Unframed, "55 55", false, "gap 1"},
        {"another command", 5, cmd::kIdentify, Outcome::Decoded, "3E 05 FC 40 E2 01 00 86 00", false,
         "nothing"},
        {"an event", 5, cmd::kCurrentParams, Outcome::Decoded, "", true, "nothing"},
        {"no address", -1, cmd::kCurrentParams, Outcome::NoReply, "", false, "nothing"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        traffic::Record r;
        r.time = t0;
        r.address = row.address;
        r.code = row.code;
        r.outcome = row.outcome;
        r.reply = hex(row.reply);
        r.replyLength = r.reply.size();
        r.event = row.event;
        TrendSeries series;
        const bool taken = series.addRecord(r);
        QString got = QStringLiteral("nothing");
        if (!series.samples().empty()) {
            const TrendSeries::Sample& s = series.samples().back();
            got = s.gap ? QStringLiteral("gap %1").arg(int(*s.gap))
                        : QStringLiteral("%1/%2/%3").arg(*s.level).arg(*s.temperature).arg(*s.current);
            EXPECT_EQ(s.address, row.address);
        }
        EXPECT_EQ(got, QString::fromLatin1(row.expected));
        EXPECT_EQ(taken, got != QLatin1String("nothing"));
    }
}

// Stretches as "ms:value ms:value|ms:value".
QString text(const std::vector<std::vector<QPointF>>& stretches) {
    QString out;
    for (const auto& s : stretches)
        for (const QPointF& p : s)
            out += QStringLiteral("%1%2:%3").arg(&p == &s[0] ? '|' : ' ').arg(p.x()).arg(p.y());
    return out.mid(1);
}

TEST(TrendSeries, StretchesBreakAtGapsMissingValuesAndLongStepsAndKeepToOneAddress) {
    const QDateTime t0 = QDateTime::fromMSecsSinceEpoch(0);
    TrendSeries series;
    series.addReading(t0, 5, reading(10, 20, 1));
    series.addReading(t0.addMSecs(500), 5, reading(11, 21, 1));
    series.addReading(t0.addMSecs(700), 6, reading(99, 99, 1));
    series.addGap(t0.addMSecs(1000), 5, TrendGap::NoReply);
    series.addReading(t0.addMSecs(1500), 5, reading(12, std::nullopt, 1));
    series.addReading(t0.addMSecs(2000), 5, reading(13, -3, 1));
    series.addReading(t0.addMSecs(6000), 5, reading(14, 24, 1));  // 4 s after the last: the poll stopped
    series.addReading(t0.addMSecs(6500), 5, reading(15, 25, 1));
    using V = TrendSeries::Value;
    const std::tuple<V, int, qint64, QString> cases[] = {
        {V::Level, 0, 3000, "0:10 500:11|1500:12 2000:13|6000:14 6500:15"},
        {V::Temperature, 0, 3000, "0:20 500:21|2000:-3|6000:24 6500:25"},
        {V::Level, 400, 5000, "500:11|1500:12 2000:13 6000:14 6500:15"},
    };
    for (const auto& [value, fromMs, maxStepMs, expected] : cases)
        EXPECT_EQ(text(series.stretches(5, value, t0.addMSecs(fromMs), maxStepMs)), expected);
}

// Gaps as "from-to reason|…", in ms; an open gap has no end.
QString text(const std::vector<TrendSeries::GapSpan>& gaps) {
    const char* reasons[] = {"no-reply",    "bad-reply", "tag-view",     "bridge-view",
                             "port-closed", "port-lost", "other-address"};
    QStringList out;
    for (const auto& g : gaps)
        out << QStringLiteral("%1-%2 %3")
                   .arg(g.from.toMSecsSinceEpoch())
                   .arg(g.to ? QString::number(g.to->toMSecsSinceEpoch()) : QString())
                   .arg(reasons[int(g.reason)]);
    return out.join('|');
}

TEST(TrendSeries, AGapRunsFromItsFirstSampleToTheAddresssNextSampleAndOutlivesTheSamplesDropped) {
    const QDateTime t0 = QDateTime::fromMSecsSinceEpoch(0);
    TrendSeries series;
    series.addReading(t0, 5, reading(10, 20, 1));
    series.addGap(t0.addMSecs(500), 5, TrendGap::NoReply);
    series.addGap(t0.addMSecs(700), 6, TrendGap::PortLost);
    series.addGap(t0.addMSecs(1000), 5, TrendGap::NoReply);  // the same gap goes on
    series.addGap(t0.addMSecs(1500), 5, TrendGap::TagView);  // another reason: another gap
    series.addGap(t0.addMSecs(2000), 5, TrendGap::TagView);
    series.addReading(t0.addMSecs(2500), 5, reading(11, 21, 1));
    series.addGap(t0.addMSecs(3000), 5, TrendGap::BadReply);
    series.addGap(t0.addMSecs(3500), 5, TrendGap::PortClosed);  // nothing after it yet: open
    // After dropping the samples before each time (none: -1), the gaps of addresses 5 and 6.
    const std::tuple<int, QString, QString> cases[] = {
        {-1, "500-1500 no-reply|1500-2500 tag-view|3000-3500 bad-reply|3500- port-closed", "700- port-lost"},
        {1200, "1200-1500 no-reply|1500-2500 tag-view|3000-3500 bad-reply|3500- port-closed",
         "1200- port-lost"},
        {2700, "3000-3500 bad-reply|3500- port-closed", "2700- port-lost"},
    };
    for (const auto& [dropMs, five, six] : cases) {
        if (dropMs >= 0) series.dropBefore(t0.addMSecs(dropMs));
        EXPECT_EQ(text(series.gaps(5)), five) << dropMs;
        EXPECT_EQ(text(series.gaps(6)), six) << dropMs;
    }
}

// The reply to a request written before another address was chosen comes after that choice: it takes its
// place by time, so that the span while the other address is polled keeps its own reason.
TEST(TrendSeries, ASampleThatComesLateTakesItsPlaceByTime) {
    const QDateTime t0 = QDateTime::fromMSecsSinceEpoch(0);
    struct Case {
        const char* what;
        int atMs;
        std::optional<TrendGap> gap;  // none: a reading
        const char* gaps;
        const char* levels;
    };
    const Case cases[] = {
        {"a faulty reply written before", 800, TrendGap::BadReply, "800-1000 bad-reply|1000- other-address",
         "0:10"},
        {"a reading written before", 900, std::nullopt, "1000- other-address", "0:10 900:12"},
        {"a reply after the change", 1500, TrendGap::BadReply, "1000-1500 other-address|1500- bad-reply",
         "0:10"},
    };
    for (const Case& c : cases) {
        TrendSeries series;
        series.addReading(t0, 5, reading(10, 20, 1));
        series.addGap(t0.addMSecs(1000), 5, TrendGap::OtherAddress);
        series.addGap(t0.addMSecs(1100), 7, TrendGap::NoReply);
        if (c.gap)
            series.addGap(t0.addMSecs(c.atMs), 5, *c.gap);
        else
            series.addReading(t0.addMSecs(c.atMs), 5, reading(12, 20, 1));
        EXPECT_EQ(text(series.gaps(5)), c.gaps) << c.what;
        EXPECT_EQ(text(series.stretches(5, TrendSeries::Value::Level, t0)), c.levels) << c.what;
        EXPECT_EQ(text(series.gaps(7)), "1100- no-reply") << c.what;
    }
}

}  // namespace
