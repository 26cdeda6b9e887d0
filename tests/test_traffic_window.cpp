// What the window shows of the bus beyond the described panels: the menu bar, the traffic log with its
// statistics, the log file and the service panel, over the in-memory port.
#include <unistd.h>

#include <QAbstractItemModelTester>
#include <QAction>
#include <QDir>
#include <QLabel>
#include <QMenuBar>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <functional>

#include "protocol/frame.h"
#include "traffic/csv.h"
#include "traffic/logfile.h"
#include "ui/openedlog.h"
#include "ui/trafficlog.h"
#include "ui/trend.h"
#include "window_harness.h"

using namespace kestrel;
using namespace kestrel::test;

namespace {

// Reader 5's current parameters: level 512.
const QByteArray kLive = withCheckByte(QByteArray::fromHex("3E05F019000201000000100000000A0B0C000700"));

class TrafficWindow : public WindowOnFakePort {};

TEST_F(TrafficWindow, ARecordedLogOpensInAWindowOfItsOwnWithItsTrendAndItsBadRowsSaid) {
    QTemporaryDir dir;
    const QString path = dir.filePath("site.csv"), foreign = dir.filePath("foreign.csv");
    {
        traffic::LogFile file;
        QString error;
        ASSERT_TRUE(file.open(path, &error));
        const QDateTime t0(QDate(2026, 12, 7), QTime(10, 0), Qt::UTC);
        for (int i = 0; i < 4; ++i) {  // reader 5 polled every 10 s; the last poll unanswered
            Transaction t;
            t.writtenAt = t0.addSecs(10 * i);
            t.request = buildRequest(5, 0xF0);
            if (i < 3) t.reply = kLive, t.outcome = Outcome::Decoded;
            ASSERT_TRUE(file.append(traffic::recordOf(t), &error));
        }
    }
    QFile edited(path);
    ASSERT_TRUE(edited.open(QIODevice::Append));
    edited.write("2026-12-07T10:00:40.000Z,5,current-params,F0,31 05 F0 FE,,,lost,\r\n");
    edited.close();
    ASSERT_TRUE(QFile::copy(QStringLiteral(KESTREL_SOURCE_DIR "/tests/window_layout.txt"), foreign));
    dialogs.openNames = {foreign, path};
    TrafficLogWindow* log = nullptr;
    TrendWindow* trend = nullptr;
    QObject::connect(&window->logOpener(), &LogOpener::opened, [&](TrafficLogWindow* l, TrendWindow* t) {
        log = l;
        trend = t;
    });
    QAction* open = window->findChild<QAction*>(QStringLiteral("actionOpenLog"));
    open->trigger();  // the foreign file: its message, nothing opens
    QTRY_COMPARE(window->logOpener().loading(), 0);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_TRUE(dialogs.messages[0].text.startsWith("Файл " + foreign + " не загружен: строка 1: «"));
    open->trigger();
    QTRY_VERIFY(log != nullptr);
    EXPECT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages.back().text,
              "Журнал " + path +
                  " открыт не полностью. Строки с ошибками не загружены (1): 6. Строка 6: итог "
                  "«lost» неизвестен.");
    ASSERT_TRUE(trend);
    EXPECT_TRUE(log->isVisible() && trend->isVisible());
    EXPECT_NE(log, &window->trafficLog());
    EXPECT_EQ(window->trafficLog().model().rowCount(), 0);  // the live log is untouched
    ASSERT_EQ(log->model().rowCount(), 4);
    EXPECT_EQ(traffic::displayCell(log->model().record(3), 6), "нет ответа");
    EXPECT_FALSE(log->findChild<QPushButton*>(QStringLiteral("logPause"))->isVisible());
    const QAbstractItemModel* statistics =
        log->findChild<QTableView*>(QStringLiteral("logStatistics"))->model();
    ASSERT_EQ(statistics->rowCount(), 1);
    EXPECT_EQ(statistics->index(0, 1).data().toString(), "4");
    EXPECT_EQ(statistics->index(0, 2).data().toString(), "3");
    // The trend: three readings of level 512 over the whole 30 s; zoomed in, moved within the log, and back.
    const auto stretches = trend->series().stretches(5, TrendSeries::Value::Level, {}, 60000);
    ASSERT_EQ(stretches.size(), 1u);
    EXPECT_EQ(stretches[0].size(), 3u);
    EXPECT_EQ(stretches[0][2].y(), 512);
    const qint64 t0 = QDateTime(QDate(2026, 12, 7), QTime(10, 0), Qt::UTC).toMSecsSinceEpoch();
    EXPECT_EQ(trend->shownAxis(), std::pair(t0, t0 + 30000));
    trend->zoom(0.5, 0.5);
    EXPECT_EQ(trend->shownAxis(), std::pair(t0 + 7500, t0 + 22500));
    trend->pan(1.0);
    EXPECT_EQ(trend->shownAxis(), std::pair(t0 + 15000, t0 + 30000));
    trend->resetZoom();
    EXPECT_EQ(trend->shownAxis(), std::pair(t0, t0 + 30000));
}

TEST_F(TrafficWindow, MenuBarSitsAboveTheUnchangedWindowAndOpensEveryViewFromTheKeyboard) {
    QWidget* client = ctl(QStringLiteral("CmbNet"))->parentWidget();
    const int menuHeight =
        window->findChild<QMenuBar*>()->height();  // verified with its place (test_language.cpp)
    EXPECT_EQ(client->geometry(), QRect(0, menuHeight, 892, 429));
    const int statusHeight = ctl(QStringLiteral("statusBar"))->height();  // below it (test_window.cpp)
    EXPECT_EQ(window->size(), QSize(892, menuHeight + 429 + statusHeight));
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    // The texts of the menus and their items, and the keys of each action, are in the verified snapshots
    // (test_language.cpp); here the keys open the views.
    const std::pair<const char*, QWidget*> items[] = {{"Ctrl+L", &window->trafficLog()},
                                                      {"Ctrl+G", &window->trend()},
                                                      {"Ctrl+Shift+S", &window->servicePanel()}};
    for (const auto& [keys, view] : items) {
        EXPECT_FALSE(view->isVisible());
        QTest::keySequence(window.get(), QKeySequence(QString::fromLatin1(keys)));
        EXPECT_TRUE(view->isVisible()) << keys;
        EXPECT_TRUE(view->isWindow());
    }
    window->findChild<QAction*>(QStringLiteral("actionAbout"))->trigger();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].title, QStringLiteral("О программе"));
    for (const QString& part :
         {QStringLiteral(KESTREL_VERSION), QString::fromLatin1(qVersion()), QStringLiteral("MIT")})
        EXPECT_TRUE(dialogs.messages[0].text.contains(part)) << part.toStdString();
}

TEST_F(TrafficWindow, LogShowsEachExchangeCountsItAndFiltersPausesCopiesAndSaves) {
    openAtFive();
    TrafficLogWindow& log = window->trafficLog();
    const QByteArray replies[] = {
        {}, kLive, {}, kLive.left(kLive.size() - 1) + char(kLive.back() ^ 1), QByteArray::fromHex("000102")};
    for (const QByteArray& r : replies) receive(r);
    log.flush();
    // One row per reply above: the identification asked first got no answer.
    TrafficLogModel& m = log.model();
    ASSERT_EQ(m.rowCount(), 5);
    const Outcome want[] = {Outcome::NoReply, Outcome::Decoded, Outcome::NoReply, Outcome::WrongCheckByte,
                            Outcome::Unframed};
    for (int row = 0; row < 5; ++row) {
        EXPECT_EQ(m.record(row).outcome, want[row]) << row;
        EXPECT_EQ(m.data(m.index(row, 0), Qt::BackgroundRole).value<QColor>(), outcomeColour(want[row]));
    }
    QSet<QRgb> colours;
    for (Outcome o : traffic::allOutcomes()) colours.insert(outcomeColour(o).rgb());
    EXPECT_EQ(colours.size(), 8) << "each outcome its own colour";
    EXPECT_EQ(m.data(m.index(1, 2), Qt::DisplayRole).toString(), QStringLiteral("текущие параметры (F0)"));
    EXPECT_TRUE(m.data(m.index(1, 7), Qt::DisplayRole).toString().startsWith(QStringLiteral("уровень 512")));

    // The counts as the engineer sees them (requests, decoded, no reply, wrong check byte, garbage, other,
    // success), and the addresses to filter by.
    const QAbstractItemModel* shown = ctl<QTableView>(QStringLiteral("logStatistics"))->model();
    ASSERT_EQ(shown->rowCount(), 1);
    QStringList cells;
    for (int c = 0; c < shown->columnCount(); ++c) cells << shown->index(0, c).data().toString();
    EXPECT_EQ(cells.mid(0, 8), (QStringList{"5", "5", "1", "2", "1", "1", "0", "20.0"}));
    auto* addresses = ctl<QComboBox>(QStringLiteral("logAddressFilter"));
    EXPECT_EQ((QStringList{addresses->itemText(0), addresses->itemText(1)}), (QStringList{"Все", "5"}));
    log.showOnly(std::nullopt, Outcome::NoReply);
    EXPECT_EQ(log.shownRowCount(), 2);
    log.showOnly(7, std::nullopt);
    EXPECT_EQ(log.shownRowCount(), 0);
    log.showOnly(5, Outcome::WrongCheckByte);
    ASSERT_EQ(log.shownRowCount(), 1);
    QTemporaryDir dir;
    auto saved = [&](const QString& name) {
        dialogs.saveNames = {dir.filePath(name)};
        log.saveCsv();
        QFile f(dir.filePath(name));
        return f.open(QIODevice::ReadOnly) ? csv::parse(QString::fromUtf8(f.readAll()))
                                           : QList<QStringList>();
    };
    const auto onlyBad = saved("bad.csv");  // the rows shown
    ASSERT_EQ(onlyBad.size(), 2);
    EXPECT_EQ(onlyBad[1][7], QStringLiteral("bad-crc"));
    log.showOnly(std::nullopt, std::nullopt);
    EXPECT_EQ(ctl<QTableView>(QStringLiteral("logTable"))->columnWidth(4), 240) << "the widths stay";

    log.setPaused(true);
    runTick();
    log.flush();
    EXPECT_EQ(m.rowCount(), 5) << "paused: the view stays";
    EXPECT_EQ(log.statistics().byAddress().at(5).requests, 6) << "paused: still counted";
    log.setPaused(false);
    EXPECT_EQ(m.rowCount(), 6);

    auto* table = ctl<QTableView>(QStringLiteral("logTable"));
    table->selectionModel()->select(table->model()->index(1, 0),
                                    QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    EXPECT_EQ(log.selectedText(), traffic::displayCells(m.record(1)).join('\t') + '\n');

    log.saveCsv();  // cancelled: nothing written
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);
    const auto records = saved("all.csv");
    ASSERT_EQ(records.size(), 7);
    EXPECT_EQ(records[0], traffic::csvHeader());
    EXPECT_EQ(records[4][7], QStringLiteral("bad-crc"));
    log.clearRows();
    EXPECT_EQ(m.rowCount(), 0);
    click(QStringLiteral("BTNCloseCom"));
    openPort();
    EXPECT_TRUE(log.statistics().byAddress().empty()) << "the statistics count from the port's opening";

    TrafficLogModel ring(3);
    QSignalSpy removed(&ring, &QAbstractItemModel::rowsRemoved);
    for (int i = 0; i < 5; ++i)
        ring.append({traffic::Record{QDateTime(), i, {}, {}, {}, {}, Outcome::NoReply, {}}});
    EXPECT_EQ((std::vector<int>{ring.record(0).address, ring.record(2).address}), (std::vector<int>{2, 4}));
    EXPECT_EQ(removed.count(), 2) << "a removal only when the ring is over full";
}

// Counts the paint events a widget gets.
class PaintCounter : public QObject {
  public:
    explicit PaintCounter(QWidget* w) { w->installEventFilter(this); }
    int count = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        count += e->type() == QEvent::Paint;
        return false;
    }
};

TEST_F(TrafficWindow, LogKeepsTheNewestRowsInViewAndRepaintsItsScrollBarOnlyWhenTheHandleMoves) {
    TrafficLogWindow& log = window->trafficLog();
    // The view lays itself out on zero-time timers after a change: a few rounds of events settle it.
    auto settle = [] {
        for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
    };
    auto add = [&](int rows) {
        for (int i = 0; i < rows; ++i)
            log.add(traffic::Record{QDateTime(), i % 250, {}, {}, {}, {}, Outcome::NoReply, {}});
        log.flush();
        settle();
    };
    log.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&log));
    add(20000);
    QScrollBar* bar = ctl<QTableView>(QStringLiteral("logTable"))->verticalScrollBar();
    EXPECT_EQ(bar->value(), bar->maximum()) << "the newest rows in view";
    PaintCounter paints(bar);
    add(2);
    EXPECT_EQ(bar->value(), bar->maximum());
    EXPECT_EQ(paints.count, 0) << "two more rows of 20,000 leave the handle where it is";
    bar->setValue(0);
    settle();
    EXPECT_GT(paints.count, 0) << "scrolled to the top: the handle moved";
    paints.count = 0;
    add(2);
    EXPECT_EQ(bar->value(), 0) << "scrolled up: the rows being read stay";
    EXPECT_EQ(paints.count, 0);
}

TEST(TrafficLogView, FollowsTheNewestRowAtTheBottomAndScrolledUpKeepsTheRowBeingReadAndCountsWhatCame) {
    ScriptedDialogs dialogs;
    TrafficLogWindow log(dialogs, nullptr, 300);  // a full ring drops as many oldest rows as come
    // Every change the model tells is checked against what it says of itself (rows, columns, no children).
    QAbstractItemModelTester conforms(&log.model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    auto* table = log.findChild<QTableView*>(QStringLiteral("logTable"));
    QScrollBar* bar = table->verticalScrollBar();
    qint64 next = 0;  // each row's time, in ms, numbers it
    auto settle = [] {
        for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
    };
    auto add = [&](int rows) {
        for (int i = 0; i < rows; ++i)
            log.add(traffic::Record{
                QDateTime::fromMSecsSinceEpoch(next++), 5, {}, {}, {}, {}, Outcome::NoReply, {}});
        log.flush();
        settle();
    };
    auto shownAt = [&](int y) { return log.model().record(table->rowAt(y)).time.toMSecsSinceEpoch(); };
    auto first = [&] { return shownAt(0); };
    auto last = [&] { return shownAt(table->viewport()->height() - 1); };
    auto counter = [&] { return log.findChild<QLabel*>(QStringLiteral("logCount"))->text(); };
    add(100);  // before it opens
    log.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&log));
    settle();
    EXPECT_EQ(last(), 99) << "opens at the newest row";
    add(50);
    EXPECT_EQ(last(), 149);
    bar->setValue(bar->value() - 30);
    settle();
    const qint64 reading = first();
    ASSERT_LT(last(), 149);
    add(37);
    EXPECT_EQ(first(), reading) << "scrolled up: the view stays";
    EXPECT_EQ(counter(), QStringLiteral("Строк: 187, +37 новых"));
    add(200);
    EXPECT_EQ(log.model().record(0).time.toMSecsSinceEpoch(), 87) << "the ring dropped its 87 oldest rows";
    EXPECT_EQ(first(), reading) << "the row being read stays at the top";
    EXPECT_EQ(counter(), QStringLiteral("Строк: 300, +237 новых"));
    bar->setValue(0);
    add(3);
    EXPECT_EQ(first(), 90) << "the row at the top went: the oldest left takes its place";
    bar->setValue(bar->maximum());
    settle();
    EXPECT_EQ(counter(), QStringLiteral("Строк: 300")) << "at the bottom nothing is unseen";
    add(5);
    EXPECT_EQ(last(), 394) << "following again";
}

TEST_F(TrafficWindow, LogFileThatCannotBeWrittenGivesOneMessageAndTheToolGoesOn) {
    QTemporaryDir dir;
    const QString readOnly =
        ::geteuid() == 0 ? QStringLiteral("/sys/kestrel-log.csv") : dir.filePath("ro.csv");
    QFile(readOnly).open(QIODevice::WriteOnly);
    QFile::setPermissions(readOnly, QFile::ReadOwner);
    for (const QString& path :
         {dir.path(), dir.filePath("missing/log.csv"), readOnly, QStringLiteral("/dev/full")}) {
        dialogs.clear();
        reopenWithLogFile(port, path);
        openAtFive();
        for (int i = 0; i < 3; ++i) receive(kLive);
        QTest::qWait(0);
        ASSERT_EQ(dialogs.messages.size(), 1u) << path.toStdString();
        EXPECT_TRUE(dialogs.messages[0].text.contains(path));
        EXPECT_TRUE(partOf<ExchangeCycle>(*window).isRunning());
        EXPECT_EQ(text(QStringLiteral("uroven")), QStringLiteral("512"));
    }
}

// Each write the window sends, and the reply that comes for it: the log's row, the statistics' count, the
// status bar's success and last write, and the status line (which keeps its own texts). Every row on a port
// opened afresh, so the counts are the write's own.
TEST_F(TrafficWindow, AnAcknowledgedWriteIsAConfirmedWriteInTheLogItsStatisticsAndTheStatusBar) {
    using Counts = traffic::LinkCounts;
    struct Case {
        const char* write;
        std::function<void()> send;
        const char *request, *reply;
        Outcome outcome;
        const char *outcomeText, *meaning;
        int address;  // where the statistics count it: the request's
        int Counts::*counter;
        const char *success, *lastWrite, *statusLine;
    };
    // Types into the named boxes (name, text, name, text, ...), then presses `button`.
    auto typed = [this](const QStringList& boxes, const char* button) {
        return [this, boxes, button] {
            for (int i = 0; i + 1 < boxes.size(); i += 2) setText(boxes[i], boxes[i + 1]);
            click(QString::fromLatin1(button));
        };
    };
    const Case cases[] = {
        {"radio parameters", typed({"num_net", "1", "n_kan", "7", "ppow", "10"}, "param"),
         "31 00 F4 00 01 07 0A 2B", "3E 00 F4 3F", Outcome::Decoded, "ответ", "записано: параметры радио", 0,
         &Counts::decoded, "успешно 100 % (1 из 1)", "записано: параметры радио", ""},
        {"mode", [this] { click(QStringLiteral("Set_mode")); }, "31 00 F2 02 73", "3E 00 F2 02 E9",
         Outcome::Decoded, "ответ", "новый режим 2", 0, &Counts::decoded, "успешно 100 % (1 из 1)",
         "записано: режим", " Установлен новый режим."},
        {"tag parameters",
         typed({"ID_Metki", "A1", "IntervalMetki", "100", "ModeMetki", "1", "PowerMetki", "-10", "sleep_time",
                "60"},
               "SetModesMetki"),
         "31 00 E1 0E 00 00 00 00 00 00 00 A1 00 64 01 F6 00 3C CE", "3E 00 E1 9D", Outcome::Decoded, "ответ",
         "записано: параметры метки", 0, &Counts::decoded, "успешно 100 % (1 из 1)",
         "записано: параметры метки", "Считаны параметры метки."},
        {"reset delay", typed({"Zad2", "500"}, "Command2"), "31 00 F1 01 F4 BE", "3E 00 F1 F4 01 FC",
         Outcome::Decoded, "ответ", "задержка обнуления 500", 0, &Counts::decoded, "успешно 100 % (1 из 1)",
         "записано: задержка обнуления ID", "Приняты доп. параметры считывателя"},
        {"radio parameters, unanswered", typed({"num_net", "1", "n_kan", "7", "ppow", "10"}, "param"),
         "31 00 F4 00 01 07 0A 2B", "", Outcome::NoReply, "нет ответа", "", 0, &Counts::noReply,
         "успешно 0 % (0 из 1)", "нет подтверждения записи: параметры радио",
         "Нет данных со считывателя с номером 0"},
        // Last: the address list starts at 0 again on the next open, and 0 would be identified first.
        {"address 2 to 9, acknowledged from 9",
         [this] {
             chooseAddress(QStringLiteral("2"));
             runTick();  // 2 is asked who it is, and does not say
             dialogs.inputs = {QStringLiteral("9")};
             click(QStringLiteral("net"));
         },
         "31 02 FB 09 AE", "3E 09 FB CC", Outcome::Decoded, "ответ", "записано: сетевой адрес", 2,
         &Counts::decoded, "успешно 50 % (1 из 2)", "записано: сетевой адрес", " Установлен сетевой номер."},
    };
    TrafficLogWindow& log = window->trafficLog();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.write);
        openPort();
        c.send();
        port.clearWritten();
        runTick();
        ASSERT_EQ(port.written, hex(c.request));
        receive(hex(c.reply));
        log.flush();
        const traffic::Record& row = log.model().record(log.model().rowCount() - 1);
        ASSERT_EQ(row.request, hex(c.request));
        EXPECT_EQ(row.reply, hex(c.reply));
        EXPECT_EQ(outcomeKey(row.outcome), outcomeKey(c.outcome));
        const int last = log.model().rowCount() - 1;
        EXPECT_EQ(log.model().data(log.model().index(last, 0), Qt::BackgroundRole).value<QColor>(),
                  outcomeColour(c.outcome));
        EXPECT_EQ(traffic::displayCell(row, 6), QString::fromUtf8(c.outcomeText));
        EXPECT_EQ(traffic::displayCell(row, 7), QString::fromUtf8(c.meaning));
        const Counts& counts = log.statistics().byAddress().at(c.address);
        EXPECT_EQ(counts.*c.counter, 1);
        EXPECT_EQ(counts.other, 0);
        expectTexts({"statusSuccess", c.success, "statusWrite", c.lastWrite, "MsgCom", c.statusLine});
        click(QStringLiteral("BTNCloseCom"));
        EXPECT_EQ(text(QStringLiteral("statusWrite")), QString()) << "a closed port has written nothing";
    }
}

TEST_F(TrafficWindow, ServicePanelHoldsTheOutOfViewControlsUsableOnlyWhileAPortIsOpen) {
    // A window of its own, with its title, and every switched button starting disabled: the verified
    // snapshots (test_language.cpp). The bridge's two requests belong to no group: never switched.
    QWidget& panel = window->servicePanel();
    const QStringList buttons{"hig", "low", "Command1", "InstSN", "Set_ident", "Find_metki"};
    const QStringList unswitched{"zapr_data_sl", "sl_zapros"};
    for (const QString& name :
         buttons + unswitched + QStringList{"uroven", "temp", "tek", "txtRec", "CmdBoxText", "outSN"})
        EXPECT_EQ(ctl(name)->window(), &panel) << name.toStdString();
    openAtFive();
    for (const QString& name : buttons) EXPECT_TRUE(ctl(name)->isEnabled()) << name.toStdString();
    // The trace boxes took their texts while the panel was closed, and show the newest when it opens.
    panel.show();
    for (const char* name : {"CmdBoxText", "txtRec"}) {
        auto* box = ctl<TraceBox>(name);
        EXPECT_EQ(box->toPlainText(), box->traceText().replace("\r\n", "\n")) << name;
        EXPECT_FALSE(box->traceText().isEmpty()) << name;
    }
    click(QStringLiteral("hig"));
    EXPECT_EQ(dialogs.questions.size(), 1);
    window->closePort();
    for (const QString& name : buttons) EXPECT_FALSE(ctl(name)->isEnabled()) << name.toStdString();
    for (const QString& name : unswitched) EXPECT_TRUE(ctl(name)->isEnabled()) << name.toStdString();
}

}  // namespace
