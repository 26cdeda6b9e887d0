// The hostile set (hostile.h) tried on every argument of kestrel-cli that takes a number or an identifier:
// a refused value ends with exit code 2, a message naming the argument and its range, and nothing written
// to the port (a fraction is refused, never rounded to another device or value); an accepted one goes on
// to the wire (here a port that never answers, so the command ends with 1).
#include <gtest/gtest.h>

#include <QTextStream>

#include "cli/arguments.h"
#include "cli/client.h"
#include "cli/output.h"
#include "fakeport.h"
#include "hostile.h"

namespace kestrel::test {
namespace {

struct Argument {
    QStringList line;  // "{}" stands for the value
    Rule rule;
    int bounds[2];           // lo and hi, tried with their neighbours; {0, -1} for none
    bool parseOnly = false;  // a timing option: checked as the arguments are read, not run
};

QString timingMessage(const char* option, int lo, int hi) {
    return Texts::tr("--%1: нужно целое число от %2 до %3").arg(QLatin1String(option)).arg(lo).arg(hi);
}

std::vector<Argument> arguments() {
    // The radio parameters: an empty one counts as not given, and the command's usage line is shown.
    auto radio = [](long double lo, long double hi, const char* what) -> Rule {
        const Rule inRange = exactRange(lo, hi, QString::fromUtf8(what));
        return [inRange](const Hostile& h) -> std::optional<QString> {
            if (h.text.isEmpty())
                return Texts::tr("использование: kestrel-cli ") +
                       cli::commandHelp(QStringLiteral("set-radio")).section(QLatin1Char('\n'), 0, 0);
            return inRange(h);
        };
    };
    auto timing = [](const char* option, int lo, int hi) {
        return [=](const Hostile& h) -> std::optional<QString> {
            if (exactRange(lo, hi, {})(h)) return timingMessage(option, lo, hi);
            return std::nullopt;
        };
    };
    return {
        {{"-a", "{}", "identify"}, exactRange(0, 254, "-a"), {0, 254}},
        {{"-a", "5", "set-address", "{}"}, exactRange(0, 200, "НОВЫЙ"), {0, 200}},
        {{"-a", "5", "set-serial", "{}"}, exactRange(0, 2000000, "НОМЕР"), {0, 2000000}},
        {{"-a", "5", "set-radio", "{}", "7", "10"}, radio(1, 65000, "СЕТЬ"), {1, 65000}},
        {{"-a", "5", "set-radio", "1000", "{}", "10"}, radio(1, 255, "КАНАЛ"), {1, 255}},
        {{"-a", "5", "set-radio", "1000", "7", "{}"}, radio(3, 255, "МОЩНОСТЬ"), {3, 255}},
        {{"-a", "5", "set-radio", "--network", "{}", "--channel", "7", "--power", "10"},
         radio(1, 65000, "--network"),
         {1, 65000}},
        {{"-a", "5", "bound-ids", "set", "{}", "A1B2"}, exactRange(1, 10, "ЯЧЕЙКА"), {1, 10}},
        {{"-a", "5", "bound-ids", "set", "3", "{}"}, hexIdentifier(), {0, -1}},
        {{"-a", "5", "reset-delay", "set", "{}"}, exactRange(0, 6000, "ЗАДЕРЖКА"), {0, 6000}},
        {{"-a", "5", "tag", "read", "{}"}, hexIdentifier(), {0, -1}},
        {{"-a", "5", "tag", "write", "0123456", "--mode", "{}"}, exactRange(1, 9, "--mode"), {1, 9}},
        {{"-a", "5", "tag", "write", "0123456", "--delay", "{}"},
         exactRange(0, 65535, "--delay"),
         {0, 65535}},
        {{"-a", "5", "tag", "write", "0123456", "--power", "{}"},
         exactRange(-125, 125, "--power"),
         {-125, 125}},
        {{"-a", "5", "tag", "write", "0123456", "--period", "{}"},
         exactRange(1, 32767, "--period"),
         {1, 32767}},
        {{"-a", "5", "tag", "write", "0123456", "--id", "{}"}, hexIdentifier(), {0, -1}},
        {{"-a", "5", "tag", "write", "0123456", "--decimal-id", "{}"},
         exactRange(0, 4294967295.0L, "--decimal-id"),
         {0, -1}},
        {{"-a", "5", "tag", "set-serial", "0123456", "{}"}, exactRange(0, 2000000, "НОМЕР"), {0, 2000000}},
        {{"-a", "5", "tag", "set-id", "0123456", "{}"}, exactRange(0, 2000000, "НОМЕР"), {0, 2000000}},
        {{"--timeout", "{}", "scan"}, timing("timeout", 1, 60000), {1, 60000}, true},
        {{"--retries", "{}", "scan"}, timing("retries", 0, 100), {0, 100}, true},
        {{"--gap", "{}", "scan"}, timing("gap", 0, 10000), {0, 10000}, true},
        {{"--scan-wait", "{}", "scan"}, timing("scan-wait", 1, 60000), {1, 60000}, true},
        {{"--interval", "{}", "-a", "5", "live"},
         [](const Hostile& h) -> std::optional<QString> {
             if (exactRange(10, 3600000, {})(h))
                 return Texts::tr("--interval: нужно число миллисекунд от 10 до 3600000");
             return std::nullopt;
         },
         {10, 3600000},
         true},
    };
}

TEST(HostileArguments, EveryArgumentRefusesWithItsMessageAndSendsNothingOrGoesOnToTheWire) {
    FakePort port;
    Transactor transactor(port, {});
    QString out, err;
    QTextStream outStream(&out), errStream(&err);
    cli::Output output(outStream, errStream, false);
    cli::Client client(transactor, output,
                       [&port] { return port.open({}).ok ? int(cli::kDone) : cli::kPortError; });
    for (const Argument& a : arguments()) {
        std::vector<Hostile> values = hostileSet();
        if (a.bounds[0] <= a.bounds[1])
            for (int b : {a.bounds[0] - 1, a.bounds[0], a.bounds[1], a.bounds[1] + 1})
                values.push_back({QString::number(b), b});
        for (const Hostile& h : values) {
            QStringList line = a.line;
            line.replaceInStrings(QStringLiteral("{}"), h.text);
            SCOPED_TRACE(a.line.join(' ').toStdString() + " with \"" + h.text.left(24).toStdString() + "\"");
            const std::optional<QString> refusal = a.rule(h);
            const cli::ParsedArguments parsed = cli::parseArguments(line + QStringList{"--retries", "0"});
            if (a.parseOnly) {
                EXPECT_EQ(parsed.ok(), !refusal);
                if (refusal) {
                    EXPECT_EQ(parsed.error.toStdString(), refusal->toStdString());
                }
                continue;
            }
            ASSERT_TRUE(parsed.ok()) << parsed.error.toStdString();
            cli::Invocation inv = parsed.invocation;
            inv.timing.timeoutMs = 1;  // the port never answers
            out.clear();
            err.clear();
            port.clearWritten();
            const int code = client.run(inv);
            if (refusal) {
                EXPECT_EQ(code, cli::kUsageError);
                EXPECT_TRUE(port.written.isEmpty()) << port.written.toHex(' ').toStdString();
                EXPECT_EQ(err.toStdString(), (*refusal + QLatin1Char('\n')).toStdString());
            } else {
                EXPECT_EQ(code, cli::kDeviceFailed) << err.toStdString();
                EXPECT_TRUE(port.written.startsWith('1')) << "a whole request goes out";
            }
        }
    }
}

}  // namespace
}  // namespace kestrel::test
