// The bus overview "Обзор шины": its table's rows and states, the window's features over the in-memory
// port, and the real window polling the simulated bus over a pty.
#include <QAbstractItemModelTester>
#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPalette>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableView>
#include <QTemporaryDir>

#include "bus/sitefile.h"
#include "protocol/hexid.h"
#include "session/busoverview.h"
#include "traffic/csv.h"
#include "ui/busoverviewmodel.h"
#include "ui/busoverviewwindow.h"
#include "ui/sitetagswindow.h"
#include "ui/steadysort.h"
#include "ui/trend.h"
#include "window_harness.h"

using namespace kestrel;
using namespace kestrel::test;
using bus::ReaderRow;
using bus::ReaderState;

namespace {

const QDateTime kNow = QDateTime(QDate(2026, 12, 8), QTime(12, 0, 0), Qt::UTC);

// A reader that answered: identity, live values and settings, `good` of `requests` answered.
ReaderRow reader(quint8 address, ReaderState state, quint32 serial, quint16 level, int requests, int good,
                 qint64 secondsSinceReply) {
    ReaderRow r;
    r.address = address;
    r.state = state;
    r.identity = device::Identification{serial, 134, 0};
    device::LiveReading live;
    live.level = level;
    live.stateByte = quint8(-5);
    live.current = 700;
    r.live = live;
    r.liveAt = kNow.addSecs(-secondsSinceReply);
    r.settings = device::LiveReading::Settings{2, 1000, 7, 10};
    r.requests = requests;
    r.good = good;
    r.lastGoodAt = kNow.addSecs(-secondsSinceReply);
    return r;
}

std::vector<ReaderRow> site() {
    ReaderRow unknown;
    unknown.address = 100;
    std::vector<ReaderRow> rows = {
        reader(12, ReaderState::Answering, 4242, 512, 10, 9, 3),
        reader(5, ReaderState::NoReply, 1001, 300, 20, 5, 180),
        reader(7, ReaderState::CheckErrors, 4242, 80, 4, 2, 3725),
        unknown,
    };
    rows[0].duplicateSerial = rows[2].duplicateSerial = true;
    return rows;
}

TEST(BusOverviewRows, EachReaderShowsItsValuesStateColourAndAge) {
    BusOverviewModel model;
    QAbstractItemModelTester conforms(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    model.setRows(site(), kNow);
    ASSERT_EQ(model.rowCount(), 4);
    using C = BusOverviewModel::Column;
    struct Case {
        int row;
        C column;
        QString text;
    };
    const Case cases[] = {
        {0, C::Address, "12"},
        {0, C::DeviceType, "134"},
        {0, C::Serial, "⚠ 4242"},
        {0, C::Firmware, "1.3.4."},
        {0, C::Mode, "Считыватель"},
        {0, C::Network, "1000"},
        {0, C::Channel, "7"},
        {0, C::Power, "10"},
        {0, C::Level, "512"},
        {0, C::Temperature, "-5 °C"},
        {0, C::Current, "700"},
        {0, C::SuccessRate, "90"},
        {0, C::SinceReply, "3 с"},
        {0, C::State, "отвечает"},
        {1, C::Serial, "1001"},
        {1, C::SuccessRate, "25"},
        {1, C::SinceReply, "3 мин 0 с"},
        {1, C::State, "нет ответа"},
        {2, C::Serial, "⚠ 4242"},
        {2, C::SuccessRate, "50"},
        {2, C::SinceReply, "1 ч 2 мин"},
        {2, C::State, "ошибки контрольного байта"},
        {3, C::Serial, ""},
        {3, C::Level, ""},
        {3, C::SuccessRate, ""},
        {3, C::SinceReply, ""},
        {3, C::State, "не опрошен"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(model.index(c.row, c.column).data().toString(), c.text) << c.row << " " << c.column;

    const QColor background[] = {QColor(0xDF, 0xF5, 0xDF), QColor(0xE4, 0xE4, 0xE4), QColor(0xF8, 0xCC, 0xCC),
                                 QColor(0xF4, 0xF4, 0xF4)};
    for (int row = 0; row < 4; ++row)
        EXPECT_EQ(model.index(row, C::Level).data(Qt::BackgroundRole).value<QColor>(), background[row])
            << row;
    // The silent reader's values are kept, greyed, with their age; an answering reader's are not.
    const QColor grey = QPalette().color(QPalette::Disabled, QPalette::Text);
    EXPECT_EQ(model.index(1, C::Level).data(Qt::ForegroundRole).value<QColor>(), grey);
    EXPECT_EQ(model.index(1, C::Network).data(Qt::ForegroundRole).value<QColor>(), grey);
    EXPECT_FALSE(model.index(0, C::Level).data(Qt::ForegroundRole).isValid());
    EXPECT_FALSE(model.index(1, C::State).data(Qt::ForegroundRole).isValid());
    EXPECT_TRUE(
        model.index(1, C::Level).data(Qt::ToolTipRole).toString().contains(QStringLiteral("3 мин 0 с")));
    // The state's tooltip counts the exchanges, once there were any.
    EXPECT_TRUE(model.index(1, C::State)
                    .data(Qt::ToolTipRole)
                    .toString()
                    .startsWith(QStringLiteral("Запросов: 20, ответов: 5, без ответа: 0")));
    EXPECT_FALSE(
        model.index(3, C::State).data(Qt::ToolTipRole).toString().contains(QStringLiteral("Запросов")));
    EXPECT_TRUE(
        model.index(2, C::Serial).data(Qt::ToolTipRole).toString().contains(QStringLiteral("другой")));
    EXPECT_FALSE(model.index(0, C::Level).data(Qt::ToolTipRole).isValid());
}

TEST(BusOverviewRows, ColumnsSortAsNumbersWithTheEmptyCellsAfterTheValues) {
    BusOverviewModel model;
    model.setRows(site(), kNow);
    QSortFilterProxyModel sorted;
    sorted.setSourceModel(&model);
    sorted.setSortRole(BusOverviewModel::SortRole);
    auto order = [&](int column, Qt::SortOrder how) {
        sorted.sort(column, how);
        QStringList addresses;
        for (int row = 0; row < sorted.rowCount(); ++row)
            addresses << QString::number(sorted.index(row, 0).data(BusOverviewModel::AddressRole).toInt());
        return addresses.join(QLatin1Char(' '));
    };
    using C = BusOverviewModel::Column;
    EXPECT_EQ(order(C::Address, Qt::AscendingOrder), "5 7 12 100");  // as text: 100 12 5 7
    EXPECT_EQ(order(C::Level, Qt::AscendingOrder), "7 5 12 100");    // as text: 300 512 80
    EXPECT_EQ(order(C::SuccessRate, Qt::DescendingOrder), "100 12 7 5");
    EXPECT_EQ(order(C::SinceReply, Qt::AscendingOrder), "12 5 7 100");
    EXPECT_EQ(order(C::Serial, Qt::AscendingOrder), "5 12 7 100");
}

// Sorted by a live column, the rows keep their places while the engineer points at the table or has one
// selected, and take their order again when neither holds, when the readers change or a header is clicked.
TEST(BusOverviewRows, SortedByALiveColumnTheRowsHoldStillUnderThePointerAndASelection) {
    using C = BusOverviewModel::Column;
    struct Case {
        const char* what;
        bool pointerOver, selected, anotherReader, headerClicked;
        const char* order;  // the addresses from top to bottom after the levels changed
    };
    const Case cases[] = {
        {"nothing holds it", false, false, false, false, "12 5 7 100"},
        {"the pointer over the rows", true, false, false, false, "7 5 12 100"},
        {"a row selected", false, true, false, false, "7 5 12 100"},
        {"the pointer over the rows and another reader", true, false, true, false, "12 3 5 7 100"},
        {"a row selected and the header clicked", false, true, false, true, "12 5 7 100"},
    };
    for (const Case& c : cases) {
        BusOverviewModel model;
        QSortFilterProxyModel sorted;
        sorted.setSourceModel(&model);
        sorted.setSortRole(BusOverviewModel::SortRole);
        QTableView table;
        table.setModel(&sorted);
        table.setSortingEnabled(true);
        table.setSelectionBehavior(QAbstractItemView::SelectRows);
        table.sortByColumn(C::Level, Qt::AscendingOrder);
        SteadySort steady(table, sorted);
        std::vector<ReaderRow> rows = site();
        steady.refreshed(model.setRows(rows, kNow));
        auto order = [&] {
            QStringList addresses;
            for (int row = 0; row < sorted.rowCount(); ++row)
                addresses << QString::number(
                    sorted.index(row, 0).data(BusOverviewModel::AddressRole).toInt());
            return addresses.join(QLatin1Char(' '));
        };
        ASSERT_EQ(order(), "7 5 12 100") << c.what << ": levels 80, 300, 512 and none";
        if (c.pointerOver) {
            QEvent enter(QEvent::Enter);
            QCoreApplication::sendEvent(table.viewport(), &enter);
        }
        if (c.selected) table.selectRow(0);
        rows[0].live->level = 10;   // reader 12
        rows[2].live->level = 900;  // reader 7
        if (c.anotherReader) rows.push_back(reader(3, ReaderState::Answering, 77, 100, 1, 1, 0));
        steady.refreshed(model.setRows(rows, kNow));
        if (c.headerClicked) table.sortByColumn(C::Level, Qt::AscendingOrder);
        EXPECT_EQ(order(), c.order) << c.what;
        if (c.selected && !c.headerClicked) {
            EXPECT_EQ(sorted.index(table.selectionModel()->selectedRows().value(0).row(), 0)
                          .data(BusOverviewModel::AddressRole)
                          .toInt(),
                      7)
                << c.what << ": the selection stays on its reader";
        }
        // The pointer gone and the selection cleared, the next refresh puts the rows in order.
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(table.viewport(), &leave);
        table.clearSelection();
        steady.refreshed(model.setRows(rows, kNow));
        EXPECT_EQ(order(), c.anotherReader ? "12 3 5 7 100" : "12 5 7 100") << c.what;
    }
}

class BusOverviewOnFakePort : public WindowOnFakePort {
  protected:
    BusOverviewWindow& overview() { return window->busOverview(); }
};

TEST_F(BusOverviewOnFakePort, CtrlBOpensItAndWithThePortClosedItOffersNothingThatWrites) {
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QTest::keySequence(window.get(), QKeySequence(QStringLiteral("Ctrl+B")));
    ASSERT_TRUE(overview().isVisible());
    EXPECT_TRUE(overview().isWindow());
    EXPECT_EQ(ctl<QLabel>(QStringLiteral("busStatus"))->text(),
              QStringLiteral("Порт закрыт. Опрос шины начнётся, когда порт будет открыт."));
    EXPECT_FALSE(ctl(QStringLiteral("busSearch"))->isEnabled());
    EXPECT_FALSE(ctl(QStringLiteral("busPause"))->isEnabled());
    EXPECT_FALSE(overview().overview()->running()) << "nothing holds the bus";
    // A screen reader names the boxes by their captions, the table by what it shows.
    const std::pair<const char*, const char*> spoken[] = {
        {"busAddress", "Адрес:"},
        {"busSettingsEvery", "Настройки — каждый N-й круг, N:"},
        {"busTable", "Обзор шины"}};
    for (const auto& [name, text] : spoken)
        EXPECT_EQ(
            QAccessible::queryAccessibleInterface(ctl(QString::fromLatin1(name)))->text(QAccessible::Name),
            QString::fromUtf8(text))
            << name;
    openPort();
    ASSERT_NE(overview().overview(), nullptr);
    EXPECT_TRUE(overview().overview()->running());
    EXPECT_TRUE(ctl(QStringLiteral("busSearch"))->isEnabled());
    click(QStringLiteral("busPause"));  // the bus back to the main window, the window open
    EXPECT_FALSE(overview().overview()->running());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !partOf<DeviceSession>(*window).pollingPaused(); }, 2000));
    click(QStringLiteral("busPause"));
    EXPECT_TRUE(overview().overview()->running());
    // The rounds take the window's options as they change.
    ctl<QCheckBox>(QStringLiteral("busAutoSearch"))->setChecked(true);
    ctl<QSpinBox>(QStringLiteral("busSettingsEvery"))->setValue(3);
    EXPECT_EQ(overview().overview()->rounds().options().autoSearchMinutes, 5);
    EXPECT_EQ(overview().overview()->rounds().options().settingsEvery, 3);
    ctl<QCheckBox>(QStringLiteral("busAutoSearch"))->setChecked(false);
    EXPECT_EQ(overview().overview()->rounds().options().autoSearchMinutes, 0);
    overview().close();
    EXPECT_FALSE(overview().overview()->running()) << "closing the window ends its hold on the bus";
}

// Each bus its own readers: opened on another port, the overview lists that bus's readers (none for a bus
// never seen, which is searched first), and back on the first port, the first bus's.
TEST_F(BusOverviewOnFakePort, EachPortComesBackWithItsOwnReaders) {
    DeviceSession& session = partOf<DeviceSession>(*window);
    const auto listed = [&](const char* port, const QList<quint8>& add) {
        EXPECT_TRUE(session.open(QString::fromLatin1(port), QStringLiteral("path:") + port).ok);
        const QList<quint8> found = overview().remembered().readers;
        for (quint8 a : add) {
            ctl<QLineEdit>(QStringLiteral("busAddress"))->setText(QString::number(a));
            click(QStringLiteral("busAdd"));
        }
        session.close();
        return found;
    };
    ctl<QLineEdit>(QStringLiteral("busAddress"))->setText(QStringLiteral("5"));
    click(QStringLiteral("busAdd"));  // listed before any port: the first port's bus
    EXPECT_EQ(listed("COM3", {7}), QList<quint8>{5});
    EXPECT_EQ(listed("COM4", {9}), QList<quint8>{}) << "a bus never seen";
    EXPECT_EQ(listed("COM3", {}), (QList<quint8>{5, 7}));
    EXPECT_EQ(listed("COM4", {}), QList<quint8>{9});
    const RememberedState::Bus kept = overview().remembered();
    EXPECT_EQ(kept.port, QStringLiteral("path:COM4"));
    EXPECT_EQ(kept.readersByPort, (QMap<QString, QList<quint8>>{{"path:COM3", {5, 7}}}));
}

TEST_F(BusOverviewOnFakePort, AnAddressOutOfRangeIsRefusedWithTheWindowsOwnText) {
    overview().show();
    for (const char* typed : {"201", "-1", "abc", "300"}) {
        dialogs.clear();
        ctl<QLineEdit>(QStringLiteral("busAddress"))->setText(QString::fromLatin1(typed));
        click(QStringLiteral("busAdd"));
        EXPECT_EQ(dialogs.messageTexts(), QStringList{QStringLiteral("Введите число в диапазоне 0....200")})
            << typed;
    }
    EXPECT_EQ(overview().model().rowCount(), 0);
    ctl<QLineEdit>(QStringLiteral("busAddress"))->setText(QStringLiteral("200"));
    click(QStringLiteral("busAdd"));
    ASSERT_EQ(overview().model().rowCount(), 1);
    EXPECT_EQ(overview().model().address(0), 200);
    EXPECT_EQ(overview().remembered().readers, QList<quint8>{200}) << "listed for the next run";
}

class BusOverviewOnSimBus : public WindowOnSimBus {
  protected:
    // Readers 5 (the default), 7 and 9 on the bus; 9 stops answering after it was found.
    void openOnThreeReaders() {
        host.setPacing(true);  // replies in pieces at the line rate, as a real bus gives them
        host.withBus([](sim::Bus& b) {
            b.addReader(sim::Bus::defaultReader(7, 1));
            b.addReader(sim::Bus::defaultReader(9, 2));
        });
        openPort();
        window->busOverview().show();
    }
    // The plan `text` written into `dir` and loaded with "План площадки…".
    QString loadPlan(const QTemporaryDir& dir, const QByteArray& text) {
        const QString plan = dir.filePath("site.csv");
        EXPECT_TRUE(test::writeFile(plan, text));
        dialogs.openNames = {plan};
        click(QStringLiteral("busPlan"));
        return plan;
    }
    QString cell(quint8 address, int column) {
        const BusOverviewModel& m = window->busOverview().model();
        for (int row = 0; row < m.rowCount(); ++row)
            if (m.address(row) == address) return m.index(row, column).data().toString();
        return QStringLiteral("(no row)");
    }
};

TEST_F(BusOverviewOnSimBus, SeveralReadersAnswerAndOneFallsSilentKeepingItsValues) {
    ASSERT_TRUE(started);
    openOnThreeReaders();
    using C = BusOverviewModel::Column;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return cell(9, C::Level) != QString() && cell(9, C::Level) != "(no row)"; }, 10000));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return cell(5, C::State) == QStringLiteral("отвечает") &&
                   cell(7, C::State) == QStringLiteral("отвечает");
        },
        5000));
    EXPECT_TRUE(partOf<DeviceSession>(*window).pollingPaused()) << "the main window's polling waits";
    // The trend keeps every reader's values but shows the addressed device's (0 after the open).
    EXPECT_FALSE(window->trend().series().samples().empty());
    const QString trendAddress = ctl<QLabel>(QStringLiteral("trendAddress"))->text();
    EXPECT_TRUE(trendAddress.isEmpty() || trendAddress == QStringLiteral("Адрес 0"))
        << trendAddress.toStdString();
    EXPECT_TRUE(
        ctl<QLabel>(QStringLiteral("statusPort"))->text().contains(QStringLiteral("опрос приостановлен")));
    host.injectFault(sim::FaultKind::Silence, sim::kUntilCleared, 9);
    EXPECT_TRUE(QTest::qWaitFor([&] { return cell(9, C::State) == QStringLiteral("нет ответа"); }, 10000));
    const QString level = cell(9, C::Level);
    EXPECT_FALSE(level.isEmpty());
    // Two more rounds: the silent reader's last values stay, greyed.
    QSignalSpy rounds(&window->busOverview().overview()->rounds(), &bus::BusRounds::roundFinished);
    EXPECT_TRUE(QTest::qWaitFor([&] { return rounds.count() >= 2; }, 10000));
    window->busOverview().refresh();
    EXPECT_EQ(cell(9, C::Level), level);
    EXPECT_EQ(cell(9, C::State), QStringLiteral("нет ответа"));
    EXPECT_EQ(cell(5, C::State), QStringLiteral("отвечает"));
    // The site: a listed address nobody answers at is named and left out; the others' backups are saved.
    ctl<QLineEdit>(QStringLiteral("busAddress"))->setText(QStringLiteral("11"));
    click(QStringLiteral("busAdd"));
    QTemporaryDir dir;
    dialogs.yesNo = {true};
    dialogs.saveNames = {dir.filePath("site.json")};
    click(QStringLiteral("busSaveSite"));
    EXPECT_EQ(dialogs.questions,
              QStringList{
                  QStringLiteral("Настройки считывателей 11 ещё не прочитаны. Сохранить площадку без них?")});
    QFile f(dir.filePath("site.json"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const bus::SiteContents site = bus::parseSite(f.readAll());
    ASSERT_TRUE(site.ok()) << site.refusal.toStdString();
    QStringList saved;
    for (const bus::SiteReader& r : site.readers) saved << QString::number(r.address);
    EXPECT_EQ(saved.join(QLatin1Char(' ')), QStringLiteral("5 7 9"));
    window->busOverview().close();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !partOf<DeviceSession>(*window).pollingPaused(); }, 3000))
        << "the main window polls again";
}

// A site's plan loaded: each reader's name and how it stands to the plan, with the reason in the tooltip;
// the CSV holds every reader as shown, and the plan's report every planned reader and the extra one.
TEST_F(BusOverviewOnSimBus, ThePlanJudgesEachReaderAndTheCsvAndReportHoldThemAsShown) {
    ASSERT_TRUE(started);
    openOnThreeReaders();
    QTemporaryDir dir;
    loadPlan(dir, "address;name;serial;network\r\n5;Tank 5;123456;1\r\n7;Tank 7;999;\r\n11;Tank 11;;\r\n");
    using C = BusOverviewModel::Column;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            window->busOverview().refresh();
            return cell(9, C::Serial) != QString() && cell(9, C::Serial) != "(no row)" &&
                   cell(7, C::Plan) == QStringLiteral("другой серийный номер");
        },
        10000));
    const struct {
        quint8 address;
        const char* name;
        const char* plan;
    } expected[] = {{5, "Tank 5", "как в плане"},
                    {7, "Tank 7", "другой серийный номер"},
                    {9, "", "нет в плане"},
                    {11, "Tank 11", "нет ответа"}};
    for (const auto& e : expected) {
        EXPECT_EQ(cell(e.address, C::Name), QString::fromUtf8(e.name)) << int(e.address);
        EXPECT_EQ(cell(e.address, C::Plan), QString::fromUtf8(e.plan)) << int(e.address);
    }
    const BusOverviewModel& m = window->busOverview().model();
    for (int row = 0; row < m.rowCount(); ++row) {
        if (m.address(row) != 7) continue;
        EXPECT_EQ(m.index(row, C::Plan).data(Qt::ToolTipRole).toString(),
                  QStringLiteral("По плану серийный номер 999, найден 123457."));
    }

    dialogs.saveNames = {dir.filePath("bus.csv"), dir.filePath("report.csv")};
    click(QStringLiteral("busSaveCsv"));
    QFile f(dir.filePath("bus.csv"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QList<QStringList> lines = csv::parse(QString::fromUtf8(f.readAll()));
    ASSERT_EQ(lines.size(), 5);
    EXPECT_EQ(lines[0].first(), QStringLiteral("Адрес"));
    EXPECT_EQ(lines[0].mid(C::State), (QStringList{"Состояние", "Имя", "План"}));
    for (int i = 1; i < 4; ++i) {
        const quint8 address = quint8(lines[i][0].toInt());
        EXPECT_EQ(lines[i][0], QString::number(5 + 2 * (i - 1))) << "in the table's order";
        for (int column = 0; column < C::SinceReply; ++column)
            EXPECT_EQ(lines[i][column], cell(address, column)) << i << " " << column;
    }
    click(QStringLiteral("busReport"));
    QFile r(dir.filePath("report.csv"));
    ASSERT_TRUE(r.open(QIODevice::ReadOnly));
    QStringList states;
    for (const QStringList& row : csv::parse(QString::fromUtf8(r.readAll()), ';').mid(2))
        states << row.value(1) + QLatin1Char(' ') + row.value(6);
    EXPECT_EQ(states, (QStringList{"5 ok", "7 other-serial", "11 missing", "9 extra"}));
    EXPECT_TRUE(dialogs.messages.empty()) << dialogs.messageTexts().join(" | ").toStdString();
}

// The plan applied to the selected readers, once the engineer has seen which fields go to which reader and
// which reader is left alone: written between the rounds, read back, journalled.
TEST_F(BusOverviewOnSimBus, ThePlanIsWrittenIntoTheSelectedReadersTheEngineerConfirmed) {
    ASSERT_TRUE(started);
    openOnThreeReaders();
    QTemporaryDir dir;
    loadPlan(dir, "address;name;serial;network;channel\r\n5;Tank 5;123456;1000;7\r\n7;Tank 7;999;;\r\n");
    using C = BusOverviewModel::Column;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            window->busOverview().refresh();
            return cell(5, C::Plan) == QStringLiteral("отличается от плана") &&
                   cell(7, C::Plan) == QStringLiteral("другой серийный номер");
        },
        10000));
    auto* table = ctl<QTableView>(QStringLiteral("busTable"));
    for (int row = 0; row < table->model()->rowCount(); ++row) {
        const quint8 a = table->model()->index(row, 0).data(BusOverviewModel::AddressRole).value<quint8>();
        if (a == 5 || a == 7)
            table->selectionModel()->select(table->model()->index(row, 0),
                                            QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    dialogs.yesNo = {true};
    click(QStringLiteral("busApplyPlan"));
    EXPECT_EQ(dialogs.questions,
              QStringList{QStringLiteral("Записать по плану:\nадрес 5 (Tank 5): network 1000, "
                                         "channel 7\nНе записываются:\nадрес 7 (Tank 7): "
                                         "другой серийный номер\nПрименить?")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialogs.messages.empty(); }, 10000));
    EXPECT_EQ(dialogs.messageTexts(),
              QStringList{QStringLiteral(
                  "План применён:\nадрес 5 (Tank 5), серийный номер 123456: записано radio; проверено")});
    EXPECT_EQ(host.withBus([](sim::Bus& b) { return b.reader(5)->network; }), 1000);
    EXPECT_EQ(host.withBus([](sim::Bus& b) { return b.reader(5)->channel; }), 7);
    EXPECT_EQ(host.withBus([](sim::Bus& b) { return b.reader(7)->network; }), 1)
        << "another reader: untouched";
    QFile journal(dir.filePath("site.journal.csv"));
    ASSERT_TRUE(journal.open(QIODevice::ReadOnly));
    QStringList actions;
    for (const QStringList& record : csv::parse(QString::fromUtf8(journal.readAll()), ';').mid(1))
        actions << record.mid(1).join(' ');
    EXPECT_EQ(actions, (QStringList{"5 123456 radio written", "5 123456 verify verified"}));
}

// The same tags heard again with new values: every cell of every row is told changed, within the table.
TEST(SiteTagsModel, NewValuesOfTheSameTagsAreToldForEveryCell) {
    SiteTagsModel model;
    QAbstractItemModelTester conforms(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    std::vector<bus::SiteTag> tags{{0x00123456, 1001, 5, -70, {}}, {0x00ABCDEF, 1002, 7, -85, {}}};
    model.setTags(tags);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    tags[1].level = -60;
    model.setTags(tags);
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed[0][0].toModelIndex(), model.index(0, 0));
    EXPECT_EQ(changed[0][1].toModelIndex(), model.index(1, 4));
}

// "Метки площадки": while it is shown the rounds search every reader for tags; each tag once, with the
// reader that hears it; a tag picked is read by its own ID and bound into a cell of its reader's table.
TEST_F(BusOverviewOnSimBus, TheSiteTagsListEveryTagHeardAndBindOneToItsReader) {
    ASSERT_TRUE(started);
    // Reader 11 hears no tag: its searches go unanswered, and it stays a reader that answers.
    host.withBus([](sim::Bus& b) { return b.addReader(sim::Bus::defaultReader(11, 3, 0)); });
    openOnThreeReaders();
    click(QStringLiteral("busTags"));
    SiteTagsWindow& tags = window->busOverview().siteTags();
    ASSERT_TRUE(tags.isVisible());
    ASSERT_TRUE(QTest::qWaitFor([&] { return tags.model().rowCount() == 6; }, 10000));
    QStringList heard;
    for (const bus::SiteTag& t : tags.model().tags())
        heard << QStringLiteral("%1@%2").arg(formatHexId(t.identifier)).arg(t.reader);
    heard.sort();
    QStringList expected;
    for (quint8 a : {5, 7, 9})
        for (const sim::Tag& t : host.withBus([a](sim::Bus& b) { return b.reader(a)->tags; }))
            expected << QStringLiteral("%1@%2").arg(formatHexId(t.identifier)).arg(a);
    expected.sort();
    EXPECT_EQ(heard, expected);
    window->busOverview().refresh();
    EXPECT_EQ(cell(11, BusOverviewModel::State), QStringLiteral("отвечает"));
    auto* table = tags.findChild<QTableView*>(QStringLiteral("tagsTable"));
    const sim::Tag tag7 = host.withBus([](sim::Bus& b) { return b.reader(7)->tags[1]; });
    for (int row = 0; row < tags.model().rowCount(); ++row)
        if (tags.model().tags()[std::size_t(row)].identifier == tag7.identifier) table->selectRow(row);
    auto* status = tags.findChild<QLabel*>(QStringLiteral("tagsStatus"));
    tags.findChild<QPushButton*>(QStringLiteral("tagsRead"))->click();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return status->text().startsWith("метка " + formatHexId(tag7.identifier) + ": "); }, 5000))
        << status->text().toStdString();
    EXPECT_TRUE(status->text().contains(QString::number(tag7.serial))) << status->text().toStdString();
    dialogs.inputs = {QStringLiteral("3")};
    tags.findChild<QPushButton*>(QStringLiteral("tagsBind"))->click();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return status->text().startsWith("считыватель 7, ячейка 3: метка " +
                                             formatHexId(tag7.identifier));
        },
        5000))
        << status->text().toStdString();
    EXPECT_EQ(host.withBus([](sim::Bus& b) { return b.reader(7)->cells[2]; }), tag7.identifier);
    tags.close();
    EXPECT_FALSE(window->busOverview().overview()->rounds().options().searchTags)
        << "closed: no more searches";
}

TEST_F(BusOverviewOnSimBus, ADoubleClickAddressesThatReaderInTheMainWindow) {
    ASSERT_TRUE(started);
    openOnThreeReaders();
    auto* table = ctl<QTableView>(QStringLiteral("busTable"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return table->model()->rowCount() == 3; }, 10000));
    const QModelIndex second = table->model()->index(1, BusOverviewModel::Level);
    const QPoint at = table->visualRect(second).center();
    // A double click is a click and a second press, as the mouse gives them.
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(ctl<QComboBox>(QStringLiteral("CmbNet"))->currentText(), QStringLiteral("7"));
    EXPECT_EQ(partOf<DeviceSession>(*window).address(), std::optional<quint8>(7));
}

}  // namespace
