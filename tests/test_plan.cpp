// The plan of a site as a spreadsheet saves it: the byte order mark, ";" or ",", quoted cells, CRLF; each
// refusal with its line and column; and the file written back whole with a serial filled in.
#include <gtest/gtest.h>

#include "bus/plan.h"

using namespace kestrel;
using namespace kestrel::bus;

namespace {

TEST(Plan, ASpreadsheetsCsvIsTakenWhicheverWayItWasSaved) {
    struct Case {
        const char* what;
        QByteArray text;
    };
    // One plan, saved four ways: the rows below must come out of each.
    const Case cases[] = {
        {"commas, LF",
         "address,name,serial,network,channel,power,mode,tags\n"
         "5,Tank 1,123456,1000,7,10,2,A1B2 0123456\n"
         "6,\"Tank 2, east\",,,,,,\n"},
        {"semicolons, CRLF, BOM, quotes",
         "\xEF\xBB\xBF\"address\";\"name\";\"serial\";network;channel;power;mode;tags\r\n"
         "5;\"Tank 1\";123456;1000;7;10;2;\"A1B2 0123456\"\r\n"
         "6;Tank 2, east;;;;;;\r\n"},
        {"columns in another order, blank rows, a trailing separator",
         "Tags;Mode;Power;Channel;Network;Serial;Name;Address;\r\n"
         ";;;;;;;;\r\n"
         "A1B2  0123456;2;10;7;1000;123456; Tank 1 ;5;\r\n"
         "\r\n"
         ";;;;;;Tank 2, east;6;\r\n"},
        {"a short row",
         "address;name;serial;network;channel;power;mode;tags\n"
         "5;Tank 1;123456;1000;7;10;2;A1B2 0123456\n"
         "6;Tank 2, east\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Plan plan = parsePlan(c.text, QStringLiteral("plan.csv"));
        ASSERT_TRUE(plan.ok()) << plan.refusal.toStdString();
        ASSERT_EQ(plan.rows.size(), 2u);
        const PlanRow& a = plan.rows[0];
        EXPECT_EQ(a.address, 5);
        EXPECT_EQ(a.name, QStringLiteral("Tank 1"));
        EXPECT_EQ(a.serial, std::optional<quint32>(123456));
        EXPECT_EQ(a.network, std::optional<quint16>(1000));
        EXPECT_EQ(a.channel, std::optional<quint8>(7));
        EXPECT_EQ(a.power, std::optional<quint8>(10));
        EXPECT_EQ(a.mode, std::optional<quint8>(2));
        EXPECT_EQ(a.tags, (std::optional<QList<quint32>>{{0xA1B2, 0x0123456}}));
        const PlanRow& b = plan.rows[1];
        EXPECT_EQ(b.address, 6);
        EXPECT_EQ(b.name, QStringLiteral("Tank 2, east"));
        EXPECT_FALSE(b.serial || b.network || b.channel || b.power || b.mode || b.tags);
        EXPECT_EQ(plan.rowOf(123456), &plan.rows[0]);
        EXPECT_EQ(plan.rowAt(6), &plan.rows[1]);
        EXPECT_EQ(plan.rowAt(7), nullptr);
    }
}

// The apostrophe a spreadsheet puts before a text that would read as a formula is taken off; any other,
// a lone one among them, is the engineer's own.
TEST(Plan, OnlyTheApostropheThatGuardsAFormulaIsTakenOff) {
    const Plan plan =
        parsePlan("address;name\n1;'=Tank\n2;'\n3;'Tank'\n4;'-1\n5;''\n", QStringLiteral("p.csv"));
    ASSERT_TRUE(plan.ok()) << plan.refusal.toStdString();
    QStringList names;
    for (const PlanRow& r : plan.rows) names << r.name;
    EXPECT_EQ(names, (QStringList{"=Tank", "'", "'Tank'", "-1", "''"}));
}

TEST(Plan, EachRefusalNamesTheLineAndTheColumn) {
    const QByteArray head = "address;name;serial;network;channel;power;mode;tags\r\n";
    const std::pair<QByteArray, QString> cases[] = {
        {"", "plan.csv: файл пуст; нужна строка заголовка"},
        {"address;name;level\r\n5;a;7\r\n",
         "plan.csv: строка 1, столбец 3: неизвестный столбец \"level\"; столбцы плана: address, name, "
         "serial, "
         "network, channel, power, mode, tags"},
        {"address;name;Address\r\n", "plan.csv: строка 1, столбец 3: столбец \"address\" второй раз"},
        {"name;serial\r\nTank;1\r\n", "plan.csv: строка 1: нет столбца \"address\""},
        {head, "plan.csv: в плане нет ни одного считывателя"},
        {head + "201;a\r\n",
         "plan.csv: строка 2, столбец 1 (address): нужно целое число от 0 до 200, задано \"201\""},
        {head + ";a\r\n", "plan.csv: строка 2, столбец 1 (address): адрес не задан"},
        {head + "5;a;2000001\r\n",
         "plan.csv: строка 2, столбец 3 (serial): нужно целое число от 0 до 2000000, задано \"2000001\""},
        {head + "5;a;;0\r\n",
         "plan.csv: строка 2, столбец 4 (network): нужно целое число от 1 до 65000, задано \"0\""},
        {head + "5;a;;;1.5\r\n",
         "plan.csv: строка 2, столбец 5 (channel): нужно целое число от 1 до 255, задано \"1.5\""},
        {head + "5;a;;;;2\r\n",
         "plan.csv: строка 2, столбец 6 (power): нужно целое число от 3 до 255, задано \"2\""},
        {head + "5;a;;;;;256\r\n",
         "plan.csv: строка 2, столбец 7 (mode): нужно целое число от 0 до 255, задано \"256\""},
        {head + "5;a;;;;;;12G4\r\n",
         "plan.csv: строка 2, столбец 8 (tags): \"12G4\": В строке имеются символы не принадлежащие HEX"},
        {head + "5;a;;;;;;1 2 3 4 5 6 7 8 9 10 11\r\n",
         "plan.csv: строка 2, столбец 8 (tags): меток 11, в таблице считывателя 10 ячеек"},
        {head + "5;a;;;;;;;x\r\n", "plan.csv: строка 2: ячеек больше, чем столбцов в заголовке"},
        {"address;\r\n5;x\r\n", "plan.csv: строка 2: ячеек больше, чем столбцов в заголовке"},
        {head + "5;\"a\r\nb;7\r\n", "plan.csv: строка 2: кавычка не закрыта до конца файла"},
        {head + "5;a;1\r\n6;\"two\r\nlines\";2\r\n5;c\r\n",
         "plan.csv: строка 5: адрес 5 уже задан в строке 2"},
        {head + "5;a;17\r\n6;b;17\r\n", "plan.csv: строка 3: серийный номер 17 уже задан в строке 2"},
        {QByteArray("address\r\n5\r\n\xFF\xFE\r\n"),
         "plan.csv: не текст UTF-8; сохраните план как CSV в UTF-8"},
        {head + "5;" + QByteArray(5000, 'x') + "\r\n", "plan.csv: строка 2: длиннее 4096 байт"},
        {QByteArray(kMaxPlanBytes + 1, '\n'),
         "plan.csv: файл больше 1 МиБ (1048576 байт); план площадки не бывает больше"},
    };
    for (const auto& [text, refusal] : cases) {
        SCOPED_TRACE(text.left(80).toStdString());
        const Plan plan = parsePlan(text, QStringLiteral("plan.csv"));
        EXPECT_EQ(plan.refusal, refusal);
        EXPECT_TRUE(plan.rows.empty());
    }
}

// A serial filled in: that row's cell changes, the rest of the file stays as the engineer saved it.
TEST(Plan, ASerialIsFilledIntoTheFileWrittenWhole) {
    const QByteArray text =
        "\xEF\xBB\xBF"
        "address;name;serial\r\n5;\"Tank; 1\";\r\n6;-east;\r\n";
    const Plan plan = parsePlan(text, QStringLiteral("plan.csv"));
    ASSERT_TRUE(plan.ok()) << plan.refusal.toStdString();
    const QByteArray written = planWithSerial(plan, 6, 424242);
    EXPECT_EQ(written, QByteArray("\xEF\xBB\xBF"
                                  "address;name;serial\r\n5;\"Tank; 1\";\r\n6;'-east;424242\r\n"));
    const Plan back = parsePlan(written, QStringLiteral("plan.csv"));
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(back.rowAt(6)->serial, std::optional<quint32>(424242));
    EXPECT_EQ(back.rowAt(6)->name, QStringLiteral("-east")) << "the guard is taken off again";
    // A plan without the column gets it.
    const Plan bare = parsePlan("address,name\n7,x\n", QStringLiteral("plan.csv"));
    EXPECT_EQ(planWithSerial(bare, 7, 9), QByteArray("address,name,serial\r\n7,x,9\r\n"));
    // A spreadsheet's trailing separator becomes the column, and a guarded tab reads back as it was.
    const Plan trailing = parsePlan("address;name;\n7;\"\t=x\";\n", QStringLiteral("plan.csv"));
    ASSERT_TRUE(trailing.ok()) << trailing.refusal.toStdString();
    const QByteArray filled = planWithSerial(trailing, 7, 9);
    EXPECT_EQ(filled, QByteArray("address;name;serial\r\n7;'\t=x;9\r\n"));
    EXPECT_EQ(parsePlan(filled, QStringLiteral("plan.csv")).rowAt(7)->name, QStringLiteral("=x"));
}

// The bus against the plan: each planned reader's state, then the readers the plan does not name.
TEST(Plan, TheBusIsCheckedAgainstThePlanReaderByReader) {
    const Plan plan = parsePlan(
        "address;name;serial;network;channel;power;mode;tags\n"
        "1;ok;11;1000;7;10;2;A1\n"
        "2;silent;12\n"
        "3;moved;13\n"
        "4;changed;;1000;7;10;;A1 B2\n"
        "5;twin;15\n"
        "6;unread;;1000;;;;A1\n",
        QStringLiteral("plan.csv"));
    ASSERT_TRUE(plan.ok()) << plan.refusal.toStdString();
    using S = device::LiveReading::Settings;
    const std::vector<quint32> tableA1 = {0xA1, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    const std::vector<ReaderSeen> seen = {
        {1, 11, S{2, 1000, 7, 10}, device::BoundIdTable{tableA1}, {}},
        {2, {}, {}, {}, {}},
        {3, 99, S{}, {}, {}},
        {4, 14, S{1, 1001, 7, 9}, device::BoundIdTable{tableA1}, {}},
        {5, 15, S{}, {}, {}},
        {6, 16, {}, {}, {}},
        {9, 15, S{}, {}, {}},
        {10, 20, {}, {}, {}},
    };
    const std::vector<PlanFinding> found = checkPlan(plan, seen);
    struct Expected {
        quint8 address;
        const char* state;
        std::optional<quint32> foundSerial;
        QStringList differences;  // field planned found
    };
    const Expected expected[] = {
        {1, "ok", 11, {}},
        {2, "missing", {}, {}},
        {3, "other-serial", 99, {}},
        {4, "differs", 14, {"network 1000 1001", "power 10 9", "tags 00000A1 00000B2 00000A1"}},
        {5, "duplicate-serial", 15, {}},
        {6, "differs", 16, {"network 1000 ?", "tags 00000A1 ?"}},
        {9, "extra", 15, {}},
        {10, "extra", 20, {}},
    };
    ASSERT_EQ(found.size(), std::size(expected));
    for (std::size_t i = 0; i < found.size(); ++i) {
        SCOPED_TRACE(int(expected[i].address));
        EXPECT_EQ(found[i].address, expected[i].address);
        EXPECT_EQ(planStateKey(found[i].state), QLatin1String(expected[i].state));
        EXPECT_EQ(found[i].foundSerial, expected[i].foundSerial);
        QStringList differences;
        for (const PlanDifference& d : found[i].differences)
            differences << QStringList{d.field, d.planned, d.found}.join(QLatin1Char(' '));
        EXPECT_EQ(differences, expected[i].differences);
    }
    EXPECT_EQ(found[3].name, QStringLiteral("changed"));
    EXPECT_EQ(found[2].plannedSerial, std::optional<quint32>(13));
}

}  // namespace
