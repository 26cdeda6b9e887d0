// The reply path through the exchange cycle into the window's views, offscreen: the real window over an
// in-memory port, its traffic log, trend and service panel open. Each input picks a tab, then is the reply
// to the tick's request: framed for that request with a correct check byte (so the decoders and the views'
// rendering are reached), or, when the first byte's top bit is set, the bytes as they came.
#include <QApplication>
#include <QPushButton>
#include <QTabWidget>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "fakeport.h"
#include "protocol/frame.h"
#include "silent_dialogs.h"
#include "tests/window_parts.h"
#include "ui/dialogs.h"
#include "ui/mainwindow.h"
#include "ui/trafficlog.h"
#include "ui/trend.h"

namespace {

struct Harness {
    kestrel::test::FakePort port;
    kestrel::test::SilentDialogs dialogs;
    std::unique_ptr<kestrel::MainWindow> window;
    Harness() {
        kestrel::MainWindow::Options o;
        o.showStartupPicture = false;
        o.scanMs = 3600000;
        kestrel::DeviceSession::Options session;
        session.timing = kestrel::ExchangeCycle::Timing{3600000, 5, 1};
        port.ports = {QStringLiteral("ttyFUZZ")};
        window = std::make_unique<kestrel::MainWindow>(
            std::make_unique<kestrel::DeviceSession>(port, session), port, dialogs, o);
        window->show();
        window->trafficLog().show();
        window->trend().show();
        window->servicePanel().show();
        window->scanPorts();
        window->findChild<QPushButton*>(QStringLiteral("BTNOpenCom"))->click();
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kestrel;
    using namespace kestrel::test;
    static int argc = 1;
    static char name[] = "fuzz_views";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QApplication(argc, argv);
    }();
    static Harness h;
    (void)app;
    if (size < 1 || !h.port.isOpen()) return 0;
    h.window->findChild<QTabWidget*>(QStringLiteral("SSTab1"))->setCurrentIndex(data[0] % 3);
    const QByteArray body(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
    const QByteArray request = partOf<ExchangeCycle>(*h.window).pending();
    QByteArray reply = body;
    if (!(data[0] & 0x80) && request.size() >= 3)
        reply = withCheckByte(QByteArray(1, char(kReplyStart)) + request.mid(1, 2) + body);
    h.port.feed(reply);
    partOf<ExchangeCycle>(*h.window).tick();
    for (int i = 0; i < 1000 && partOf<ExchangeCycle>(*h.window).tickInProgress(); ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    static unsigned runs = 0;
    if (++runs % 64 == 0) {  // the views paint now and then, as the screen would ask
        h.window->repaint();
        h.window->trafficLog().repaint();
        h.window->trend().repaint();
    }
    return 0;
}
