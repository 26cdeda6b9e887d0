// The main window offscreen: the port scan, opening and closing, control groups, the start-up picture. The
// texts, places and starting states of every control are checked against the verified window in
// test_language.cpp.
#include <QAbstractItemView>
#include <QAccessible>
#include <QAction>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>

#include "ui/accessiblenames.h"
#include "ui/controlgroups.h"
#include "ui/dialogs.h"
#include "ui/splashwindow.h"
#include "ui/statusbar.h"
#include "ui/trafficlog.h"
#include "window_harness.h"

using namespace kestrel;
using namespace kestrel::test;

namespace {
class Window : public WindowOnFakePort {
  protected:
    // Each named control is (or is not) enabled, or enabled on its own.
    void expectAll(std::initializer_list<const char*> names, bool (*check)(const QWidget*), bool want,
                   const char* why = "") {
        for (const char* name : names)
            EXPECT_EQ(check(ctl(QString::fromLatin1(name))), want) << name << ' ' << why;
    }
    static bool enabled(const QWidget* w) { return w->isEnabled(); }
};
}  // namespace

TEST_F(Window, PortScanFollowsThePositionClampsAndLeavesAnUnchangedListAlone) {
    auto scan = [this](const QStringList& ports) {
        port.ports = ports;
        window->scanPorts();
    };
    scan({});
    auto* cmb = ctl<QComboBox>(QStringLiteral("CmbPort"));
    EXPECT_EQ(cmb->count(), 1);
    EXPECT_EQ(cmb->currentText(), QStringLiteral("----"));
    EXPECT_TRUE(text(QStringLiteral("txtRec")).endsWith(QStringLiteral("\r\n")));

    scan({"COM1", "COM3", "COM4"});
    EXPECT_EQ(cmb->currentIndex(), 0);
    EXPECT_TRUE(text(QStringLiteral("txtRec")).endsWith(QStringLiteral("COM1, COM3, COM4, \r\n")));
    cmb->setCurrentIndex(2);
    scan({"COM1", "COM2", "COM3", "COM4"});
    EXPECT_EQ(cmb->currentIndex(), 2) << "the position is kept, not the name";
    EXPECT_EQ(cmb->currentText(), QStringLiteral("COM3"));
    scan({"COM1"});
    EXPECT_EQ(cmb->currentIndex(), 0) << "clamped to the last entry";
    scan({});
    EXPECT_EQ(cmb->currentText(), QStringLiteral("----"));
    // A list that did not change is left alone, and it is never rebuilt under the user's hand.
    scan({"COM3"});
    int rebuilt = 0;
    QObject::connect(cmb, &QComboBox::currentIndexChanged, [&] { ++rebuilt; });
    window->scanPorts();
    EXPECT_EQ(rebuilt, 0) << "the same ports: no rebuild, no flicker";
    cmb->showPopup();
    scan({"COM3", "COM4"});
    EXPECT_EQ(cmb->count(), 1) << "not rebuilt under the user's hand";
    cmb->hidePopup();
    window->scanPorts();
    EXPECT_EQ(cmb->count(), 2);
    EXPECT_EQ(cmb->currentText(), QStringLiteral("COM3"));
}

// The list shows the names, what the system knows as tooltips, and the identity of each entry (by which
// an adapter back under another name is found again: test_settings.cpp, test_reconnect.cpp).
TEST_F(Window, PortListShowsNamesWithDetailsAndTheIdentityOfEachAdapter) {
    const PortInfo usb{"ttyUSB0", "FT232R USB UART", "FTDI", "A10K3XYZ", 0x0403, 0x6001, {}};
    port.infos = {usb, PortInfo{"ttyS0", {}, {}, {}, {}, {}, {}}};
    window->scanPorts();
    auto* cmb = ctl<QComboBox>(QStringLiteral("CmbPort"));
    ASSERT_EQ(cmb->count(), 2);
    EXPECT_EQ((QStringList{cmb->itemText(0), cmb->itemText(1)}), (QStringList{"ttyUSB0", "ttyS0"}));
    EXPECT_EQ(cmb->currentText(), QStringLiteral("ttyUSB0"));
    EXPECT_EQ(cmb->itemData(0, Qt::ToolTipRole).toString(), usb.details());
    EXPECT_FALSE(cmb->itemData(1, Qt::ToolTipRole).isValid()) << "nothing known: no tooltip";
    EXPECT_GT(cmb->view()->minimumWidth(), cmb->fontMetrics().horizontalAdvance(usb.details()))
        << "the drop-down is wide enough for the details";
    EXPECT_EQ(partOf<PortPanel>(*window).indexOfIdentity(QStringLiteral("path:ttyS0")), 1);
    // Another adapter under the same name: its details and identity are taken, the list itself stays.
    cmb->setCurrentIndex(1);
    int rebuilt = 0;
    QObject::connect(cmb, &QComboBox::currentIndexChanged, [&] { ++rebuilt; });
    const PortInfo other{"ttyUSB0", "CP2102", "Silicon Labs", "0001", 0x10c4, 0xea60, {}};
    port.infos = {other, PortInfo{"ttyS0", {}, {}, {}, {}, {}, {}}};
    window->scanPorts();
    EXPECT_EQ(rebuilt, 0);
    EXPECT_EQ(cmb->currentIndex(), 1);
    EXPECT_EQ(cmb->itemData(0, Qt::ToolTipRole).toString(), other.details());
    EXPECT_EQ(partOf<PortPanel>(*window).indexOfIdentity(QStringLiteral("usb:10C4:EA60:0001")), 0);
}

// The real dialogs, answered as an engineer would: what each shows, and what each answer gives back.
TEST(RealDialogs, EachDialogShowsItsTextAndGivesBackTheEngineersAnswer) {
    QTemporaryDir dir;
    QtDialogs dialogs;
    QStringList seen;  // what each dialog showed: its title and its text or its buttons
    // `act` is done to the dialog once it is up (a modal dialog runs its own loop).
    const auto answer = [&](std::function<void(QWidget*)> act) {
        auto* poll = new QTimer;
        QObject::connect(poll, &QTimer::timeout, [poll, act] {
            if (QWidget* w = QApplication::activeModalWidget()) {
                poll->stop();
                poll->deleteLater();
                act(w);
            }
        });
        poll->start(5);
    };
    answer([&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        seen << box->windowTitle() + ": " + box->text();
        box->accept();
    });
    dialogs.message(QStringLiteral("Порт закрыт"), Dialogs::Icon::Exclamation, QString());
    for (const bool yes : {true, false}) {
        answer([&, yes](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            seen << box->button(QMessageBox::Yes)->text() + " " + box->button(QMessageBox::No)->text();
            box->button(yes ? QMessageBox::Yes : QMessageBox::No)->click();
        });
        EXPECT_EQ(dialogs.askYesNo(QStringLiteral("Записать?")), yes);
    }
    for (const bool ok : {true, false}) {
        answer([ok](QWidget* w) {
            auto* input = qobject_cast<QInputDialog*>(w);
            input->setTextValue(input->textValue() + QStringLiteral("10.0.0.7:4001"));
            ok ? input->accept() : input->reject();
        });
        EXPECT_EQ(dialogs.input(QStringLiteral("Адрес:"), QStringLiteral("Сервер"), QStringLiteral("tcp://")),
                  ok ? QStringLiteral("tcp://10.0.0.7:4001") : QString());
    }
    const QString saved = dir.filePath(QStringLiteral("site.csv"));
    for (const bool ok : {true, false}) {
        answer([&, ok](QWidget* w) {
            auto* files = qobject_cast<QFileDialog*>(w);
            files->selectFile(saved);
            QMetaObject::invokeMethod(files, ok ? "accept" : "reject");
        });
        EXPECT_EQ(dialogs.saveFileName(QStringLiteral("Сохранить"), saved, QStringLiteral("CSV (*.csv)")),
                  ok ? saved : QString());
    }
    ASSERT_TRUE(test::writeFile(saved, "address\n"));
    answer([&](QWidget* w) {
        auto* files = qobject_cast<QFileDialog*>(w);
        files->selectFile(saved);
        QMetaObject::invokeMethod(files, "accept");
    });
    EXPECT_EQ(dialogs.openFileName(QStringLiteral("План"), QStringLiteral("CSV (*.csv)")), saved);
    EXPECT_EQ(seen, (QStringList{QString(kAppTitle) + ": Порт закрыт", "&Да &Нет", "&Да &Нет"}));
}

TEST(TraceBoxes, AppendedTextIsCappedAtALineBreak) {
    TraceBox box;
    for (int i = 0; i < 4000; ++i) box.appendTraceText(QStringLiteral("COM1, \r\n"));
    EXPECT_LE(box.traceText().size(), TraceBox::kMaxChars);
    EXPECT_GT(box.traceText().size(), TraceBox::kMaxChars - 10);
    EXPECT_TRUE(box.traceText().startsWith(QStringLiteral("COM1, ")));
}

// A hidden box lays its text out when shown; the same text again (the same request every tick) is not laid
// out again.
TEST(TraceBoxes, AHiddenBoxWaitsForItsShowingAndTheSameTextIsNotLaidOutAgain) {
    TraceBox box;
    box.appendTraceText(QStringLiteral("31 05 F0 2A"));
    EXPECT_EQ(box.toPlainText(), QString()) << "hidden";
    box.show();
    EXPECT_EQ(box.toPlainText(), QStringLiteral("31 05 F0 2A"));
    const int revision = box.document()->revision();
    box.appendTraceText(QString());
    EXPECT_EQ(box.document()->revision(), revision) << "nothing new: the document is left alone";
    box.appendTraceText(QStringLiteral(" 3E"));
    EXPECT_EQ(box.toPlainText(), QStringLiteral("31 05 F0 2A 3E"));
}

// A busy and a forbidden port, as the system reports them, are in the fault table of test_port_faults.cpp.
TEST_F(Window, AFailedOpenSaysWhyAndTheScanGoesOn) {
    port.ports = {};
    window->scanPorts();
    click(QStringLiteral("BTNOpenCom"));
    EXPECT_EQ(dialogs.messageTexts(), QStringList{QStringLiteral("Нет доступных портов")});
    EXPECT_TRUE(dialogs.messages[0].title.isEmpty()) << "the application's own title";
    EXPECT_TRUE(partOf<PortPanel>(*window).scanTimer().isActive());
    EXPECT_FALSE(port.isOpen());
    bool asked = false;
    const auto opens = [&asked](const QString&) {
        asked = true;
        return OpenResult{true, OpenFailure::None, {}, 0};
    };
    EXPECT_FALSE(partOf<PortPanel>(*window).openSelected(opens, nullptr))
        << "nothing to open: nothing opened";
    EXPECT_FALSE(asked);
    port.ports = {"COM3"};  // plugged in after the failure: listed on the scan's next round, below
    // What the port says, the first message, its sign.
    const std::tuple<OpenResult, QString, Dialogs::Icon> cases[] = {
        {{false, OpenFailure::NotFound, QStringLiteral("устройство не найдено"), 2},
         QStringLiteral("Com Port COM3 недоступен. Установите нужный порт.\nустройство не найдено"),
         Dialogs::Icon::Exclamation},
        {{false, OpenFailure::Settings, QStringLiteral("x"), 9},
         QStringLiteral("Unable to set Comm DCB 19200,n,8,1 Error: 9"),
         Dialogs::Icon::None},
    };
    for (const auto& [result, first, icon] : cases) {
        dialogs.clear();
        port.openResult = result;
        window->scanPorts();
        click(QStringLiteral("BTNOpenCom"));
        EXPECT_EQ(dialogs.messageTexts(), (QStringList{first, QStringLiteral("COM3 Not available!")}));
        ASSERT_FALSE(dialogs.messages.empty());
        EXPECT_EQ(dialogs.messages[0].icon, icon);
        expectAll({"BTNOpenCom"}, enabled, true);
        expectAll({"net"}, enabled, false);
        EXPECT_TRUE(partOf<PortPanel>(*window).scanTimer().isActive())
            << "the list is refreshed after a failed open";
    }
}

TEST_F(Window, OpenCloseOpenSwitchesTheOperationControlsEachTime) {
    const auto tag9 = {"BTNCloseCom",   "CmbNet",  "net",      "Opros", "hi",    "ne",
                       "Set_mode",      "num_net", "param",    "Zad2",  "m1(3)", "ID_Metki",
                       "SetModesMetki", "Hex_id",  "Check_sl", "sn_sl", "hig"};
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        openPort();
        EXPECT_TRUE(partOf<ExchangeCycle>(*window).isRunning());
        EXPECT_FALSE(partOf<PortPanel>(*window).scanTimer().isActive());
        expectAll({"BTNOpenCom"}, enabled, false);
        expectAll(tag9, ownEnabled, true);
        expectAll({"R_p"}, enabled, false, "the repeater option stays greyed");
        click(QStringLiteral("BTNCloseCom"));
        EXPECT_FALSE(port.isOpen());
        EXPECT_FALSE(partOf<ExchangeCycle>(*window).isRunning());
        EXPECT_TRUE(partOf<PortPanel>(*window).scanTimer().isActive());
        expectAll({"BTNOpenCom"}, enabled, true);
        expectAll(tag9, ownEnabled, false);
        expectAll({"R_p"}, enabled, false);
    }
}

TEST_F(Window, TheGroupRoutinesNeverTouchThePortControlsAndTheRepeaterStaysGreyed) {
    openPort();
    ctl(QStringLiteral("BTNOpenCom"))->setEnabled(true);
    enableOperationControls(*window);
    expectAll({"BTNOpenCom", "CmbPort"}, enabled, true);
    expectAll({"Frame2"}, ownEnabled, true);
    expectAll({"R_p"}, enabled, false);
}

TEST_F(Window, CloseResetsTheReadOutsAndTheAddressList) {
    openPort();
    chooseAddress(QStringLiteral("5"));
    ctl<QLabel>(QStringLiteral("sn"))->setText(QStringLiteral("123456"));
    ctl<QLabel>(QStringLiteral("MsgCom"))->setText(QStringLiteral("Приняты данные"));
    ctl<QProgressBar>(QStringLiteral("ProgressBar1"))->setValue(500);
    ctl<QLabel>(QStringLiteral("SerNumMetki"))->setText(QStringLiteral("77"));
    click(QStringLiteral("BTNCloseCom"));
    auto* cmb = ctl<QComboBox>(QStringLiteral("CmbNet"));
    EXPECT_EQ(cmb->count(), 1);
    EXPECT_EQ(cmb->currentText(), QStringLiteral("0"));
    expectTexts({"sn",     "0",          "vv",     "--------",     "tek", "Нет данных", "temp", "Нет данных",
                 "uroven", "Нет данных", "lo",     "Нет данных",   "hi",  "Нет данных", "ne",   "Нет данных",
                 "MsgCom", "",           "netdev", "Не определены"});
    EXPECT_EQ(text(QStringLiteral("SerNumMetki")), QStringLiteral("77")) << "the current tag is kept";
    EXPECT_EQ(ctl<QProgressBar>(QStringLiteral("ProgressBar1"))->value(), 0);
    EXPECT_EQ(ctl<Lamp>(QStringLiteral("Pic"))->colour(), 0x10FFFFu);
}

// With reconnecting off. What follows the close (the scan, the open button) is as when the adapter is
// pulled, in test_window_e2e.cpp.
TEST_F(Window, AWriteFailureShowsItsMessageAndClosesThePort) {
    window->findChild<QAction*>(QStringLiteral("actionReconnect"))->setChecked(false);
    openPort();
    port.writeLimit = 0;
    runTick();
    EXPECT_TRUE(port.isOpen()) << "the message box comes after the tick, never inside it";
    ASSERT_TRUE(QTest::qWaitFor([this] { return !dialogs.messages.empty(); }, 1000));
    EXPECT_EQ(dialogs.messageTexts(), QStringList{QStringLiteral("Ошибка записи в порт")});
    EXPECT_FALSE(port.isOpen());
}

TEST_F(Window, TypingAnAddressAndEnterAddressesThatDevice) {
    openPort();
    auto* cmb = ctl<QComboBox>(QStringLiteral("CmbNet"));
    cmb->setFocus();
    cmb->lineEdit()->selectAll();
    QTest::keyClicks(cmb->lineEdit(), QStringLiteral("7"));
    EXPECT_EQ(pending(), hex("31 00 FC A2")) << "an edit asks the selected device for its identification";
    EXPECT_EQ(tickWritten(), hex("31 00 FC A2")) << "until Enter the listed selection stays addressed";
    QTest::keyClick(cmb->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(cmb->currentText(), QStringLiteral("7"));
    EXPECT_EQ(tickWritten(), hex("31 07 FC CC"));
    cmb->lineEdit()->selectAll();
    QTest::keyClicks(cmb->lineEdit(), QStringLiteral("abc"));
    QTest::keyClick(cmb->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(cmb->currentText(), QStringLiteral("7")) << "text that is no address is put back";
}

TEST_F(Window, OptionClicksShowTheBridgeBoxesOnlyForTheBridge) {
    openPort();
    window->show();
    auto* master = ctl<QCheckBox>(QStringLiteral("iinv"));
    ctl<QRadioButton>(QStringLiteral("R485"))->click();
    EXPECT_TRUE(master->isVisible());
    master->setChecked(true);
    ctl<QRadioButton>(QStringLiteral("R_f"))->click();
    EXPECT_FALSE(master->isVisible());
    EXPECT_FALSE(master->isChecked());
    ctl<QRadioButton>(QStringLiteral("R485"))->click();
    EXPECT_FALSE(master->isChecked()) << "the bridge keeps the cleared state";
}

// The status bar says what the session knows: the port and the link's state, the addressed device, how
// long ago it answered (or since when it has not), and its share of good replies since the port opened.
TEST_F(Window, StatusBarShowsTheLinkTheDeviceTheLastReplyAndTheSuccessSinceThePortOpened) {
    const auto fields = [this] {
        return QStringList{text(QStringLiteral("statusPort")), text(QStringLiteral("statusDevice")),
                           text(QStringLiteral("statusReply")), text(QStringLiteral("statusSuccess"))};
    };
    EXPECT_EQ(fields(), (QStringList{"Порт закрыт", "", "", ""}));
    EXPECT_EQ(ctl(QStringLiteral("statusReply"))->accessibleName(), QStringLiteral("Последний ответ"));
    QWidget* client = ctl(QStringLiteral("CmbNet"))->parentWidget();
    EXPECT_EQ(ctl(QStringLiteral("statusBar"))->geometry(),
              QRect(0, client->geometry().bottom() + 1, 892, StatusBar::kHeight))
        << "below the unchanged window";

    openPort();
    chooseAddress(QStringLiteral("5"));
    EXPECT_EQ(fields(), (QStringList{"COM3, 19200 8N1, открыт", "адрес 5", "ожидание ответа", ""}));
    runTick();  // 5 is asked who it is
    receive(withCheckByte(hex("3E 05 FC 40 E2 01 00 86 00")));
    receive(withCheckByte(hex("3E 05 F0 19 00 02 01 00 00 00 10 00 00 00 0A 0B 0C 00 07 00")));
    EXPECT_EQ(text(QStringLiteral("statusDevice")), QStringLiteral("адрес 5, сер. № 123456"));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^ответ 0[.,]\\d с назад$"))
                    .match(text(QStringLiteral("statusReply")))
                    .hasMatch())
        << text(QStringLiteral("statusReply")).toStdString();
    EXPECT_EQ(text(QStringLiteral("statusSuccess")), QStringLiteral("успешно 100 % (2 из 2)"));
    runTick();  // the live poll goes unanswered
    EXPECT_EQ(text(QStringLiteral("statusReply")), QStringLiteral("нет ответа 0 с"));
    EXPECT_EQ(text(QStringLiteral("statusSuccess")), QStringLiteral("успешно 66 % (2 из 3)"));
    EXPECT_EQ(ctl(QStringLiteral("statusReply"))->toolTip(), QString());
    receive(hex("31 05 F0 2A"));  // bytes, but no reply: an adapter's echo of the request, kept
    EXPECT_EQ(text(QStringLiteral("statusReply")), QStringLiteral("ответы не разобраны (мусор) 0 с"));
    EXPECT_TRUE(ctl(QStringLiteral("statusReply"))->toolTip().contains(QStringLiteral("«Эхо запроса»")));

    partOf<DeviceSession>(*window).setPollingPaused(true);
    EXPECT_EQ(text(QStringLiteral("statusPort")), QStringLiteral("COM3, 19200 8N1, опрос приостановлен"));
    EXPECT_TRUE(text(QStringLiteral("statusReply")).startsWith(QStringLiteral("ответ был в ")));
    partOf<DeviceSession>(*window).setPollingPaused(false);
    port.hangUp();
    ASSERT_TRUE(QTest::qWaitFor([this] { return partOf<DeviceSession>(*window).waitingForPort(); }, 2000));
    EXPECT_EQ(fields(), (QStringList{"COM3, 19200 8N1, потерян, ожидание возврата", "", "", ""}));
    click(QStringLiteral("BTNCloseCom"));
    EXPECT_EQ(fields(), (QStringList{"Порт закрыт", "", "", ""}));
}

// A screen reader reads each field of the status bar as a label: its title and value as the name, the whole
// value (also where the field shows it cut) in the Text interface; a change is told as QLabel tells one, the
// name changed, and as the text it now is.
TEST_F(Window, StatusFieldsAreReadWithTheirTitlesAndValuesAndTellTheirChanges) {
    const QString path = QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K3XYZ-if00-port0");
    port.ports = {path};
    QStringList told;
    setAnnouncementListener([&](QAccessibleEvent& e) {
        const QString& name = e.object()->objectName();
        if (e.type() == QAccessible::NameChanged) told << name + QStringLiteral(" name");
        if (e.type() == QAccessible::TextUpdated)
            told << name + QStringLiteral(" text ") +
                        static_cast<QAccessibleTextUpdateEvent&>(e).textInserted();
    });
    openPort();
    setAnnouncementListener({});
    const QString portValue = path + QStringLiteral(", 19200 8N1, открыт");
    EXPECT_NE(text(QStringLiteral("statusPort")), portValue) << "cut to the field on screen";
    EXPECT_EQ(told, (QStringList{"statusPort name", "statusPort text " + portValue, "statusDevice name",
                                 "statusDevice text адрес 0", "statusReply name",
                                 "statusReply text ожидание ответа", "statusWrite name",
                                 "statusWrite text записей не было"}))
        << "the fields that did not change tell nothing";
    // The description is a label's tooltip, as Qt gives it: the whole value where it is cut.
    const std::tuple<const char*, QString, QString> fields[] = {
        {"statusPort", "Порт: " + portValue, portValue},          {"statusDevice", "Устройство: адрес 0", ""},
        {"statusReply", "Последний ответ: ожидание ответа", ""},  {"statusSuccess", "Успешные ответы", ""},
        {"statusWrite", "Последняя запись: записей не было", ""},
    };
    for (const auto& [name, spoken, description] : fields) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(ctl(QString::fromLatin1(name)));
        EXPECT_EQ(a->role(), QAccessible::StaticText) << name;
        EXPECT_EQ(a->text(QAccessible::Name), spoken) << name;
        EXPECT_EQ(a->text(QAccessible::Description), description) << name;
        QAccessibleTextInterface* t = a->textInterface();
        ASSERT_NE(t, nullptr) << name;
        EXPECT_EQ(t->text(0, t->characterCount()), spoken.section(QStringLiteral(": "), 1)) << name;
    }
}

// "Файл" comes first; its "Выход" (Ctrl+Q) closes the window as its close button does, and it saves the
// traffic log through the log's own CSV save.
TEST_F(Window, FileMenuComesFirstSavesTheLogAndCtrlQExitsSavingTheSettingsAndClosingThePort) {
    QTemporaryDir dir;
    MainWindow::Options o = testOptions();
    o.settingsPath = dir.filePath(QStringLiteral("kestrel-tool.ini"));
    window = windowOn(port, dialogs, o);
    QMenu* first = window->findChild<QMenuBar*>()->actions().value(0)->menu();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->objectName(), QStringLiteral("menuFile"));

    openPort();
    runTick();
    runTick();  // the first poll's row: no reply
    window->trafficLog().flush();
    dialogs.saveNames = {dir.filePath(QStringLiteral("log.csv"))};
    window->findChild<QAction*>(QStringLiteral("actionSaveLog"))->trigger();
    QFile saved(dir.filePath(QStringLiteral("log.csv")));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll().count('\n'), 2) << "the header and the row";

    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QTest::keySequence(window.get(), QKeySequence(QStringLiteral("Ctrl+Q")));
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(port.isOpen());
    EXPECT_GT(QFileInfo(o.settingsPath).size(), 0) << "the settings saved";
}

TEST(StartUp, ThePictureStandsAloneUntilTheSecondScanTick) {
    FakePort port;
    ScriptedDialogs dialogs;
    MainWindow::Options options = testOptions();
    options.showStartupPicture = true;
    MainWindow window(std::make_unique<DeviceSession>(port, testSessionOptions()), port, dialogs, options);
    ASSERT_NE(shownSplash(), nullptr);
    EXPECT_TRUE(shownSplash()->isVisible());
    EXPECT_EQ(shownSplash()->size(), QSize(470, 170));
    EXPECT_FALSE(window.isVisible());
    window.scanPorts();
    EXPECT_FALSE(window.isVisible());
    window.scanPorts();
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(shownSplash()->isVisible());
}
