// The trend window: which samples make up the drawn stretches and the gaps with their reasons, and what its
// saves write.
#include <QImage>
#include <QTemporaryDir>

#include "traffic/csv.h"
#include "ui/trend.h"
#include "window_harness.h"

using namespace kestrel;

namespace {

device::LiveReading reading(std::optional<quint16> level, std::optional<qint8> temperature, quint32 current) {
    device::LiveReading r;
    r.level = level;
    if (temperature) r.stateByte = static_cast<quint8>(*temperature);
    r.current = current;
    return r;
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
    const char* reasons[] = {"no-reply", "bad-reply", "tag-view", "bridge-view", "port-closed", "port-lost"};
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

TEST(TrendAxis, TheTimeStepIsTheShortestRoundStepThatGivesAtMostTenTicks) {
    const std::pair<qint64, qint64> spanAndStepSeconds[] = {
        {0, 5},      {50, 5},      {55, 10},      {100, 10},
        {150, 15},   {165, 30},    {300, 30},     {600, 60},
        {660, 120},  {1200, 120},  {3000, 300},   {3300, 600},
        {6000, 600}, {6600, 1200}, {20000, 3600}, {2000000, 3 * 86400},
    };
    for (const auto& [span, step] : spanAndStepSeconds)
        EXPECT_EQ(trendTimeStepMs(span * 1000), step * 1000) << span << " s";
}

TEST(TrendWindow, SavesTheShownAddressAndSpanAsCsvAndThePictureAsPng) {
    test::ScriptedDialogs dialogs;
    TrendWindow window(dialogs, nullptr);
    window.setAddress(5);
    const QDateTime t = QDateTime::currentDateTime().addSecs(-30);
    window.addReading(t.addSecs(-20 * 60), 5, reading(1, 1, 1));  // before the 10 minutes shown
    window.addReading(t, 5, reading(512, -5, 70000));
    window.addReading(t.addMSecs(200), 6, reading(7, 7, 7));
    window.addGap(t.addMSecs(500), 5, TrendGap::NoReply);
    window.addReading(t.addSecs(1), 5, reading(std::nullopt, std::nullopt, 4000000000u));
    QTemporaryDir dir;
    auto save = [&](const char* button, const QString& name) {  // no name: the dialog is cancelled
        if (!name.isEmpty()) dialogs.saveNames = {dir.filePath(name)};
        window.findChild<QPushButton*>(QString::fromLatin1(button))->click();
        return dir.filePath(name);
    };
    for (const char* button : {"trendSaveCsv", "trendSavePng"}) save(button, {});
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
    QFile csvFile(save("trendSaveCsv", "t.csv"));
    ASSERT_TRUE(csvFile.open(QIODevice::ReadOnly));
    auto iso = [&t](int ms) { return csv::isoTime(t.addMSecs(ms)); };
    EXPECT_EQ(QString::fromUtf8(csvFile.readAll()),
              "time,address,level,temperature,current,gap\r\n" + iso(0) + ",5,512,-5,70000,\r\n" + iso(500) +
                  ",5,,,,no-reply\r\n" + iso(1000) + ",5,,,4000000000,\r\n");
    EXPECT_EQ(QImage(save("trendSavePng", "t.png")).size(), window.size());  // a null image has no size
    const QString failed = save("trendSaveCsv", "missing/t.csv");
    EXPECT_EQ(dialogs.messageTexts().filter("Не удалось сохранить файл " + failed + ": ").size(), 1);
    TrendWindow minute(dialogs, nullptr, 60 * 1000);  // keeps a minute before the newest sample
    for (int s : {0, 30, 61}) minute.addReading(t.addSecs(s), 5, reading(1, 1, 1));
    EXPECT_EQ(minute.series().samples().size(), 2u);
}

}  // namespace
