// `stats FILE`: the link statistics per address of a recorded traffic log, as the window's log shows them.
// No port is opened.

#include <QJsonArray>
#include <QJsonObject>
#include <cmath>

#include "cli/client.h"
#include "cli/commandkit.h"
#include "protocol/translation.h"
#include "traffic/logreader.h"
#include "traffic/statistics.h"

namespace kestrel::cli {

int Client::logStats(Context& c) {
    if (!argumentCount(c, 1, 1, 1)) return c.exit;
    const QString path = c.inv.words[1];
    const traffic::LogReading reading = traffic::readLogFile(path);
    if (!reading.loaded()) {
        const int code = reading.status == traffic::LogReading::Status::Refused ? kUsageError : kWriteFailed;
        return fail(c, reading.error, code);
    }
    const traffic::LogContents& log = reading.log;
    // The rows left out, on standard error in either mode: standard output holds the statistics alone.
    QTextStream& err = output_.err();
    for (const traffic::LogProblem& p : log.problems)
        err << Output::atBatchLine(path, int(p.line), p.why) << '\n';
    if (log.badRows > qint64(log.problems.size()))
        err << (Texts::tr("%1: ещё строк с ошибками: %2")
                    .arg(path)
                    .arg(log.badRows - qint64(log.problems.size())))
            << '\n';
    err.flush();

    traffic::LinkStatistics statistics;
    qsizetype events = 0;
    for (const traffic::Record& r : log.records) {
        statistics.add(r);
        events += r.event;
    }
    QJsonArray addresses;
    QStringList lines{Texts::tr("Журнал %1: строк %2 (событий %3, с ошибками %4)")
                          .arg(path)
                          .arg(log.records.size())
                          .arg(events)
                          .arg(log.badRows),
                      Texts::tr("адрес запросов ответов нет_ответа ошибка_CRC мусор прочие успех,% мс_мин "
                                "мс_медиана мс_макс эхо_убрано")};
    const auto json = [](const auto& v) { return v ? QJsonValue(double(*v)) : QJsonValue(); };
    for (const auto& [address, n] : statistics.byAddress()) {
        const auto success = n.successPercent();
        const auto minMs = n.minReplyMs(), medianMs = n.medianReplyMs(), maxMs = n.maxReplyMs();
        // The cells of the log window's table.
        lines << traffic::LinkStatisticsModel::cells(address, n).join(QLatin1Char(' '));
        addresses.append(QJsonObject{
            {"address", address == traffic::kNoAddress ? QJsonValue() : QJsonValue(address)},
            {"requests", n.requests},
            {"decoded", n.decoded},
            {"noReply", n.noReply},
            {"wrongCheckByte", n.wrongCheckByte},
            {"garbage", n.garbage},
            {"other", n.other},
            {"successPercent", success ? QJsonValue(std::round(*success * 10) / 10) : QJsonValue()},
            {"minReplyMs", json(minMs)},
            {"medianReplyMs", json(medianMs)},
            {"maxReplyMs", json(maxMs)},
            {"echoRemoved", n.echoRemoved},
        });
    }
    output_.result(c.command, lines.join(QLatin1Char('\n')),
                   QJsonObject{{"file", path},
                               {"rows", double(log.records.size())},
                               {"events", double(events)},
                               {"badRows", double(log.badRows)},
                               {"addresses", addresses}});
    return kDone;
}

}  // namespace kestrel::cli
