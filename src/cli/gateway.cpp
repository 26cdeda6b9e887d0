// The plant gateway: the bus overview's rounds for as long as the program lives, every reader's values
// served to plant systems by a Modbus TCP server and published to an MQTT broker. Meant to run unattended
// (a systemd service): a port that is missing, in use or lost is waited for, a broker that is away is
// tried again, a misbehaving Modbus client is closed; each is said once on standard error (the journal).
// SIGTERM, SIGHUP and Ctrl-C end it in order: the exchange in progress, "offline" to the broker, the server.

#include <QDateTime>
#include <QEventLoop>
#include <QTimer>
#include <memory>

#include "bus/rounds.h"
#include "cli/client.h"
#include "cli/commandkit.h"
#include "cli/gatewayconfig.h"
#include "gateway/mqttpublisher.h"
#include "gateway/readermessage.h"
#include "gateway/registermap.h"
#include "gateway/registerserver.h"
#include "protocol/translation.h"
#include "serial/networkport.h"

namespace kestrel::cli {

namespace {

constexpr int kLookForLostPortMs = 250;      // as the window looks for a lost adapter
constexpr int kTryUnavailablePortMs = 1000;  // a port never opened yet (missing, in use)
constexpr int kLookAtReadersMs = 1000;       // the messages' heartbeat and the port's state looked at
constexpr int kAutoSearchMinutes = 5;
constexpr int kBrokerGoodbyeMs = 2000;  // the orderly end waits this long for the broker at most

}  // namespace

int Client::gateway(Context& c) {
    using gateway::PortState;
    if (!argumentCount(c, 1, 0, 0)) return c.exit;
    QByteArray addresses;
    if (!listedReaders(c, &addresses)) return c.exit;
    QString refusal;
    const std::optional<GatewaySettings> settings = gatewaySettings(c.inv, &refusal);
    if (!settings) return refuse(c, refusal);
    const QString portName = c.inv.port;
    if (portName.isEmpty())
        return refuse(c, Texts::tr("не задан порт: --port ПУТЬ или переменная KESTREL_PORT"));
    if (isNetworkPortName(portName) && !parseNetworkPortName(portName, &refusal)) return refuse(c, refusal);
    if (!busPort_) return fail(c, Texts::tr("порт не передан"), kPortError);

    auto say = [this](const QString& text) {
        output_.err() << "kestrel-cli gateway: " << text << "\n";
        output_.err().flush();
    };

    bus::BusRounds::Options options;
    const Transactor::Timing& timing = c.inv.timing;
    if (c.inv.optionsGiven.contains(QStringLiteral("timeout"))) options.timeoutMs = timing.timeoutMs;
    if (c.inv.optionsGiven.contains(QStringLiteral("retries"))) options.retries = timing.retries;
    if (c.inv.optionsGiven.contains(QStringLiteral("interval"))) options.intervalMs = c.inv.watchIntervalMs;
    // Without a list of readers the bus is searched first (an empty roster starts with a search) and again
    // every few minutes: a reader added to the site shows up by itself.
    if (!c.inv.addresses) options.autoSearchMinutes = kAutoSearchMinutes;
    bus::BusRounds rounds(transactor_.queue(), options);
    for (char a : addresses) rounds.roster().add(static_cast<quint8>(a));

    gateway::GatewayStatus status;
    auto currentStatus = [&] {
        status.readers = int(rounds.roster().rows().size());
        return status;
    };

    // The Modbus TCP server reads the roster at each request: nothing is copied, nothing is late.
    std::unique_ptr<gateway::RegisterServer> server;
    if (settings->modbus) {
        server = std::make_unique<gateway::RegisterServer>(
            [&](int start, int count) {
                return gateway::readRegisters(rounds.roster(), currentStatus(), QDateTime::currentDateTime(),
                                              start, count);
            },
            gateway::RegisterServer::Options{});
        server->setServerAddress(settings->unit);
        server->setConnectionParameter(QModbusDevice::NetworkAddressParameter,
                                       settings->modbusHost.toString());
        server->setConnectionParameter(QModbusDevice::NetworkPortParameter, settings->modbusPort);
        QObject::connect(server.get(), &gateway::RegisterServer::clientClosed,
                         [&](const QString& peer, const QString& why) {
                             say(Texts::tr("Modbus TCP: клиент %1 отключён: %2").arg(peer, why));
                         });
        if (!server->connectDevice())
            return fail(c,
                        Texts::tr("Modbus TCP: не удалось открыть %1:%2: %3")
                            .arg(settings->modbusHost.toString())
                            .arg(settings->modbusPort)
                            .arg(server->errorString()),
                        kPortError);
    }

    std::unique_ptr<gateway::MqttPublisher> mqtt;
    if (settings->mqtt) {
        mqtt = std::make_unique<gateway::MqttPublisher>(settings->mqttOptions);
        QObject::connect(mqtt.get(), &gateway::MqttPublisher::told, say);
        if (!mqtt->start(&refusal)) return fail(c, Texts::tr("MQTT: %1").arg(refusal), kUsageError);
    }

    // Every reader's message when it is due: a value or the state changed, or a minute went by.
    gateway::ReaderMessages messages;
    auto publish = [&](quint8 address) {
        if (!mqtt) return;
        const auto due =
            messages.due(address, rounds.roster().row(address), status.port, QDateTime::currentDateTime());
        if (due) mqtt->offer(address, *due);
    };
    auto publishAll = [&] {
        for (quint8 a : rounds.roster().addresses()) publish(a);
    };
    QObject::connect(&rounds, &bus::BusRounds::rowChanged, publish);
    QObject::connect(&rounds, &bus::BusRounds::roundFinished,
                     [&](int, qint64 elapsedMs, qint64) { status.roundMs = elapsedMs; });
    QObject::connect(&rounds, &bus::BusRounds::readerAdded,
                     [&](quint8 address) { say(Texts::tr("найден считыватель по адресу %1").arg(address)); });
    // The port: opened now, or looked for until it is there; a lost one is looked for as the window does.
    // While the system lists it, the adapter is known by its identity: lost, it is found again under a new
    // name, and never taken for another adapter that has its old one meanwhile.
    QString openName = portName, identity;
    std::optional<LostAdapter> lost;
    auto learnIdentity = [&] {
        // The system completes an adapter's details (serial number, links) a moment after it appears.
        if (const QString known = listedIdentity(busPort_->portInfos(), openName); !known.isEmpty())
            identity = known;
    };
    QTimer heartbeat;
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        publishAll();
        if (status.port == PortState::Open) learnIdentity();
    });
    heartbeat.start(kLookAtReadersMs);

    QTimer lookForPort;
    auto tryPort = [&]() {
        const QString name = lost ? lost->findIn(busPort_->portInfos()) : portName;
        if (name.isEmpty() || !busPort_->readyToOpen(name)) return;
        const OpenResult r = busPort_->open(name);
        if (!r.ok) {
            if (status.port != PortState::Unavailable && status.port != PortState::Lost) {
                status.port = PortState::Unavailable;
                say(Texts::tr("порт %1 недоступен%2; шлюз ждёт его")
                        .arg(portName, r.cause.isEmpty() ? QString() : QStringLiteral(": ") + r.cause));
            }
            return;
        }
        lookForPort.stop();
        const bool wasLost = status.port == PortState::Lost;
        lost.reset();
        openName = name;
        learnIdentity();
        status.port = PortState::Open;
        say(wasLost ? Texts::tr("порт %1 снова открыт, опрос продолжается").arg(name)
                    : Texts::tr("порт %1 открыт").arg(name));
        publishAll();
        rounds.start();
    };
    QObject::connect(&lookForPort, &QTimer::timeout, tryPort);
    QObject::connect(&rounds, &bus::BusRounds::portLost, [&](const QString& reason) {
        busPort_->close();
        lost = LostAdapter(openName, identity, busPort_->portInfos());
        status.port = PortState::Lost;
        say(Texts::tr("порт %1 потерян: %2; шлюз ждёт его").arg(openName, reason));
        publishAll();
        lookForPort.start(kLookForLostPortMs);
    });

    QStringList outputs;
    if (server)
        outputs << Texts::tr("Modbus TCP %1:%2, устройство %3")
                       .arg(server->connectionParameter(QModbusDevice::NetworkAddressParameter).toString())
                       .arg(server->connectionParameter(QModbusDevice::NetworkPortParameter).toInt())
                       .arg(settings->unit);
    if (mqtt)
        outputs << Texts::tr("MQTT %1:%2, темы %3")
                       .arg(settings->mqttOptions.host)
                       .arg(settings->mqttOptions.port)
                       .arg(gateway::readerTopic(settings->mqttOptions, 0).chopped(1) + QLatin1Char('A'));
    say(Texts::tr("шлюз запущен: %1; порт %2").arg(outputs.join(QStringLiteral("; ")), portName));

    // status.port starts as "unavailable" without a word: the first failed open says it.
    status.port = PortState::Open;
    tryPort();
    if (status.port != PortState::Open) lookForPort.start(kTryUnavailablePortMs);

    // The end: the exchange in progress ends (or is abandoned after its timeout), the broker hears
    // "offline", the server closes.
    QEventLoop loop;
    bool ending = false;
    auto closeOutputs = [&] {
        if (server) server->disconnectDevice();
        if (!mqtt) return loop.quit();
        QObject::connect(mqtt.get(), &gateway::MqttPublisher::finished, &loop, &QEventLoop::quit);
        mqtt->finish(kBrokerGoodbyeMs);
    };
    QTimer stopGuard;
    stopGuard.setSingleShot(true);
    QObject::connect(&stopGuard, &QTimer::timeout, [&] {
        rounds.abandon();
        closeOutputs();
    });
    QObject::connect(&rounds, &bus::BusRounds::stopped, [&] {
        if (!ending) return;
        stopGuard.stop();
        closeOutputs();
    });
    stopMonitor_ = [&] {
        if (std::exchange(ending, true)) return;
        say(Texts::tr("шлюз останавливается"));
        heartbeat.stop();
        lookForPort.stop();
        if (!rounds.isRunning() && !rounds.exchangeInProgress()) return closeOutputs();
        stopGuard.start(options.timeoutMs * (options.retries + 1) + 1000);
        rounds.stop();
    };
    if (interrupted_) stopMonitor_();
    loop.exec();
    stopMonitor_ = nullptr;
    say(Texts::tr("шлюз остановлен"));
    return kDone;
}

}  // namespace kestrel::cli
