// The real window against the simulated bus over a pseudo-terminal.
#include <QProgressBar>

#include "window_harness.h"

using namespace kestrel;
using namespace kestrel::test;

namespace {
class EndToEnd : public WindowOnSimBus {};
}  // namespace

TEST_F(EndToEnd, DemoSetUpOpensAndTheReaderTabComesAlive) {
    ASSERT_TRUE(started);
    openPort();
    chooseAddress(QStringLiteral("5"));
    QSet<quint32> lampColours;
    for (int i = 0; i < 8; ++i) {
        exchange();
        lampColours.insert(ctl<Lamp>(QStringLiteral("Pic"))->colour());
    }
    EXPECT_EQ(text(QStringLiteral("ne")), QStringLiteral("5"));
    EXPECT_NE(text(QStringLiteral("tek")), QStringLiteral("нет данных"));
    const int level = text(QStringLiteral("uroven")).toInt();
    EXPECT_EQ(ctl<QProgressBar>(QStringLiteral("ProgressBar1"))->value(), level);
    EXPECT_TRUE(lampColours.contains(0x0000FF)) << "red when replies arrive";
    EXPECT_TRUE(dialogs.messages.empty());
}
