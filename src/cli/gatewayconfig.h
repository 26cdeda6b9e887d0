#pragma once
// The gateway's settings: from its options, and from a configuration file that holds the same settings as
// "key = value" lines (the option's name without its dashes; # starts a comment; blank lines are
// skipped). A file is taken whole or refused whole: every wrong line is named with its number.

#include <QHostAddress>
#include <QString>
#include <QStringList>
#include <optional>

#include "cli/arguments.h"
#include "gateway/mqttpublisher.h"

namespace kestrel::cli {

struct GatewaySettings {
    bool modbus = false;
    QHostAddress modbusHost = QHostAddress::Any;
    quint16 modbusPort = 502;
    int unit = 1;
    bool mqtt = false;
    gateway::MqttOptions mqttOptions;
};

// The keys a configuration file may hold.
const QStringList& gatewayConfigKeys();

// Why `value` is refused for the gateway option `key`; empty when it is right (or `key` is none of the
// gateway's own options).
QString gatewayValueRefusal(const QString& key, const QString& value);

// The gateway's settings from an invocation whose values each passed gatewayValueRefusal; nothing, with
// the refusal, when they do not go together (no output, an MQTT option without --mqtt, a password file
// that cannot be read).
std::optional<GatewaySettings> gatewaySettings(const Invocation& inv, QString* refusal);

// The configuration file as command-line arguments ("--key", "value", ...), or every refusal, each
// naming the file and its line.
struct ConfigFile {
    QStringList arguments;
    QStringList refusals;
};
ConfigFile readGatewayConfig(const QString& path);

// With `gateway --config FILE` among `arguments`: the file's settings read in front of the command line's
// (which win); otherwise `arguments` as they are. Refusals as readGatewayConfig gives them.
ConfigFile withGatewayConfig(const QStringList& arguments, const Invocation& parsed);

}  // namespace kestrel::cli
