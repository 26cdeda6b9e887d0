// The trend window: its time axis, and what its saves write (its data: test_trendseries.cpp).
#include <QImage>
#include <QTemporaryDir>

#include "livereading.h"
#include "traffic/csv.h"
#include "ui/trend.h"
#include "window_harness.h"

using namespace kestrel;

namespace {

using test::reading;

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

// Zoomed or panned to the newest samples, the live trend keeps following them; zoomed into the past, it
// holds still until panned back.
TEST(TrendWindow, AZoomAtTheNewestSamplesFollowsThemAndOneInThePastHoldsStill) {
    struct Case {
        const char* what;
        double zoomAt, panBy;  // the zoom about this fraction of the axis (by half), then a pan
        bool follows;
    };
    const Case cases[] = {
        {"zoomed at the right edge", 1.0, 0, true},
        {"zoomed in the middle", 0.5, 0, false},
        {"zoomed in the middle, panned to now", 0.5, 1.0, true},
        {"zoomed at the right edge, panned back", 1.0, -0.5, false},
        {"zoomed at the right edge, panned past now", 1.0, 0.5, true},
    };
    for (const Case& c : cases) {
        test::ScriptedDialogs dialogs;
        TrendWindow window(dialogs, nullptr);
        window.zoom(c.zoomAt, 0.5);
        window.pan(c.panBy);
        const std::pair<qint64, qint64> before = window.shownAxis();
        EXPECT_EQ(before.second - before.first, 5 * 60 * 1000) << c.what << ": half of the 10 minutes";
        EXPECT_LE(before.second, QDateTime::currentMSecsSinceEpoch()) << c.what << ": nothing after now";
        QTest::qWait(30);
        const std::pair<qint64, qint64> after = window.shownAxis();
        EXPECT_EQ(after.second - after.first, 5 * 60 * 1000) << c.what;
        if (c.follows)
            EXPECT_GE(after.second - before.second, 30) << c.what;
        else
            EXPECT_EQ(after, before) << c.what;
    }
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
