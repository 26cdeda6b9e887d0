#pragma once
// The real main window, offscreen, with scripted dialogs: over an in-memory port (WindowOnFakePort) or
// over a pseudo-terminal to the simulated bus (WindowOnSimBus). Ticks are started by the test, so each
// step is deterministic; the read window and the wire are real.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <deque>
#include <memory>

#include "fakeport.h"
#include "protocol/frame.h"
#include "serial/qtserialport.h"
#include "sim/ptyhost.h"
#include "ui/dialogs.h"
#include "ui/mainwindow.h"
#include "ui/portpanel.h"
#include "ui/widgets.h"
#include "window_parts.h"

namespace kestrel::test {

// Dialogs answered from a script; everything asked is recorded.
class ScriptedDialogs : public Dialogs {
  public:
    struct Shown {
        QString text;
        Icon icon;
        QString title;
    };
    std::vector<Shown> messages;
    QStringList questions;
    QStringList prompts;  // "prompt|title|default"
    std::deque<bool> yesNo;
    std::deque<QString> inputs;
    std::deque<QString> saveNames;  // answers to save dialogs; none left = Cancel
    std::deque<QString> openNames;  // answers to open dialogs; none left = Cancel

    void message(const QString& text, Icon icon, const QString& title) override {
        messages.push_back({text, icon, title});
    }
    bool askYesNo(const QString& text) override {
        questions << text;
        return next(yesNo);
    }
    QString input(const QString& prompt, const QString& title, const QString& defaultText) override {
        prompts << prompt + QLatin1Char('|') + title + QLatin1Char('|') + defaultText;
        return next(inputs);
    }
    QString saveFileName(const QString&, const QString&, const QString&) override { return next(saveNames); }
    QString openFileName(const QString&, const QString&) override { return next(openNames); }
    QStringList messageTexts() const {
        QStringList out;
        for (const auto& m : messages) out << m.text;
        return out;
    }
    void clear() {
        messages.clear();
        questions.clear();
        prompts.clear();
    }

  private:
    // The next scripted answer; none left: no, or an empty text (the dialog cancelled).
    template <typename T>
    static T next(std::deque<T>& answers) {
        if (answers.empty()) return T{};
        const T a = answers.front();
        answers.pop_front();
        return a;
    }
};

// A USB adapter as the system lists it: the same serial number whatever name it gets.
inline PortInfo adapter(const QString& name) {
    return PortInfo{name, QStringLiteral("USB-RS485"), {}, QStringLiteral("A10K3X"), 0x0403, 0x6001, {}};
}

// A test window: no start-up picture, a scan only when the test runs one.
inline MainWindow::Options testOptions() {
    MainWindow::Options o;
    o.showStartupPicture = false;
    o.scanMs = 60000;
    return o;
}
// Its session: ticks only when the test asks, a short read window.
inline DeviceSession::Options testSessionOptions() {
    DeviceSession::Options o;
    o.timing = ExchangeCycle::Timing{60000, 60, 10};
    return o;
}
// A window over a new session on `port` (the window takes the session over).
inline std::unique_ptr<MainWindow> windowOn(SerialPort& port, Dialogs& dialogs,
                                            const MainWindow::Options& options = testOptions(),
                                            const DeviceSession::Options& session = testSessionOptions()) {
    return std::make_unique<MainWindow>(std::make_unique<DeviceSession>(port, session), port, dialogs,
                                        options);
}

class WindowTestBase : public ::testing::Test {
  protected:
    template <typename T = QWidget>
    T* ctl(const QString& name) {
        T* w = window->findChild<T*>(name);
        EXPECT_NE(w, nullptr) << name.toStdString();
        return w;
    }
    QString text(const QString& name) {
        if (auto* l = window->findChild<QLabel*>(name)) return l->text();
        if (auto* e = window->findChild<QLineEdit*>(name)) return e->text();
        if (auto* t = window->findChild<TraceBox*>(name)) return t->traceText();
        ADD_FAILURE() << "no text control " << name.toStdString();
        return {};
    }
    // Each named control shows its text: name, text, name, text, ... (a failure names the control).
    void expectTexts(std::initializer_list<QString> namesAndTexts) {
        ASSERT_EQ(namesAndTexts.size() % 2, 0u) << "a name without its text";
        for (auto it = namesAndTexts.begin(); it != namesAndTexts.end(); it += 2)
            EXPECT_EQ(text(*it), *(it + 1)) << it->toStdString();
    }
    void setText(const QString& name, const QString& value) { ctl<QLineEdit>(name)->setText(value); }
    // Types into the named boxes: name, text, name, text, ...
    void setTexts(std::initializer_list<QString> namesAndTexts) {
        ASSERT_EQ(namesAndTexts.size() % 2, 0u) << "a name without its text";
        for (auto it = namesAndTexts.begin(); it != namesAndTexts.end(); it += 2) setText(*it, *(it + 1));
    }
    void click(const QString& name) { ctl<QPushButton>(name)->click(); }
    void selectTab(int index) { ctl<QTabWidget>(QStringLiteral("SSTab1"))->setCurrentIndex(index); }
    QByteArray pending() { return partOf<ExchangeCycle>(*window).pending(); }
    // A new window on `port` that also writes its traffic log to the file `path`.
    void reopenWithLogFile(SerialPort& port, const QString& path) {
        window.reset();
        DeviceSession::Options s = testSessionOptions();
        s.logFile = path;
        window = windowOn(port, dialogs, testOptions(), s);
    }
    // Runs one tick of the exchange cycle to its end.
    void runTick() {
        partOf<ExchangeCycle>(*window).tick();
        ASSERT_TRUE(
            QTest::qWaitFor([this] { return !partOf<ExchangeCycle>(*window).tickInProgress(); }, 3000));
    }
    // Selects an address of the list by its text, as a user choosing it (listed first when it is not,
    // carrying its number as the window's own items do).
    void chooseAddress(const QString& address) {
        auto* cmb = ctl<QComboBox>(QStringLiteral("CmbNet"));
        int i = cmb->findText(address);
        if (i < 0) {
            cmb->addItem(address, QVariant::fromValue(static_cast<quint8>(address.toUInt())));
            i = cmb->count() - 1;
        }
        cmb->setCurrentIndex(i);
    }

    ScriptedDialogs dialogs;
    std::unique_ptr<MainWindow> window;
};

class WindowOnFakePort : public WindowTestBase {
  protected:
    WindowOnFakePort() {
        port.ports = {QStringLiteral("COM3")};
        window = windowOn(port, dialogs);
    }
    ~WindowOnFakePort() override { window.reset(); }
    // The port scan runs, the port is opened with the button.
    void openPort() {
        window->scanPorts();
        click(QStringLiteral("BTNOpenCom"));
        ASSERT_TRUE(port.isOpen());
    }
    // The port opened, address 5 chosen and its identification sent: a reply fed next answers the next tick.
    void openAtFive() {
        openPort();
        chooseAddress(QStringLiteral("5"));
        runTick();
    }
    // The device sends `reply`, and a tick reads it.
    void receive(const QByteArray& reply) {
        port.feed(reply);
        runTick();
    }
    // Reader 5's current tag (serial 1001, identifier 0123456) read, and a valid value typed into every box.
    void fillEveryBox() {
        receive(withCheckByte(hex("3E 05 E0 00 00 03 E9 00 12 34 56 D8")));
        setTexts({"num_net",   "1000", "n_kan",      "7",    "ppow",       "10",     "Zad2",          "300",
                  "plm",       "3",    "iddm",       "A1B2", "ID_Metki",   "123456", "IntervalMetki", "100",
                  "ModeMetki", "1",    "PowerMetki", "-10",  "sleep_time", "60"});
    }
    // Runs a tick and returns the bytes it wrote.
    QByteArray tickWritten() {
        port.clearWritten();
        runTick();
        return port.written;
    }
    FakePort port;
};

class WindowOnSimBus : public WindowTestBase {
  protected:
    WindowOnSimBus() {
        host.setPacing(false);
        QString error;
        started = host.start(&error);
        EXPECT_TRUE(started) << error.toStdString();
        serial.setLeadingPaths({host.slavePath()});
        window = windowOn(serial, dialogs);
    }
    ~WindowOnSimBus() override {
        window.reset();
        host.stop();
    }
    void openPort() {
        window->scanPorts();
        ASSERT_EQ(ctl<QComboBox>(QStringLiteral("CmbPort"))->currentText(), host.slavePath());
        click(QStringLiteral("BTNOpenCom"));
        ASSERT_TRUE(serial.isOpen());
    }
    // A tick, then a pause for the simulated device to answer (read on the next tick); `times` over.
    void exchange(int times = 1) {
        for (int i = 0; i < times; ++i) {
            runTick();
            QTest::qWait(25);
        }
    }
    sim::PtyHost host;
    QtSerialPort serial;
    bool started = false;
};

}  // namespace kestrel::test
