#include "cli/gatewayconfig.h"

#include <QFile>
#include <QFileInfo>
#include <QHostInfo>
#include <QProcessEnvironment>

#include "cli/client.h"
#include "device/ranges.h"
#include "protocol/numinput.h"
#include "protocol/translation.h"

namespace kestrel::cli {

namespace {

constexpr qint64 kMostConfigBytes = 64 * 1024;
const QString kPasswordVariable = QStringLiteral("KESTREL_MQTT_PASSWORD");

// "HOST:PORT", "[V6]:PORT", or with `hostOptional` a bare "PORT"; nothing when it is neither.
struct HostPort {
    QString host;
    quint16 port = 0;
};
std::optional<HostPort> hostPort(const QString& text, bool hostOptional, int minPort) {
    QString host, port = text;
    const int colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon >= 0) {
        host = text.left(colon);
        port = text.mid(colon + 1);
        if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
            host = host.mid(1, host.size() - 2);
        if (host.isEmpty() || host.contains(QLatin1Char(' '))) return std::nullopt;
    } else if (!hostOptional) {
        return std::nullopt;
    }
    const NumberResult n = parseExactWholeNumber(port, minPort, 65535);
    if (!n.ok()) return std::nullopt;
    return HostPort{host, quint16(n.value)};
}

// A topic level or levels: no wildcard, no empty level, nothing the broker would refuse.
bool topicPart(const QString& text, bool levels) {
    if (text.isEmpty() || text.contains(QLatin1Char('+')) || text.contains(QLatin1Char('#')) ||
        text.contains(QChar(0)))
        return false;
    if (!levels) return !text.contains(QLatin1Char('/'));
    return !text.split(QLatin1Char('/')).contains(QString());
}

}  // namespace

const QStringList& gatewayConfigKeys() {
    static const QStringList keys = {
        "port",    "addresses",   "interval",  "timeout",  "retries",    "gap",
        "silence", "echo",        "direction", "log-file", "modbus-tcp", "unit",
        "mqtt",    "mqtt-prefix", "site",      "mqtt-tls", "mqtt-user",  "mqtt-password-file"};
    return keys;
}

QString gatewayValueRefusal(const QString& key, const QString& value) {
    if (key == QLatin1String("modbus-tcp")) {
        const auto hp = hostPort(value, true, 1);
        if (!hp || (!hp->host.isEmpty() && hp->host != QLatin1String("localhost") &&
                    QHostAddress(hp->host).isNull()))
            return Texts::tr("--modbus-tcp: нужен [АДРЕС:]ПОРТ, порт от 1 до 65535, задано \"%1\"")
                .arg(value);
    } else if (key == QLatin1String("unit")) {
        if (!parseExactWholeNumber(value, 0, 255).ok())
            return Texts::tr("--unit: нужно целое число от 0 до 255, задано \"%1\"").arg(value);
    } else if (key == QLatin1String("mqtt")) {
        if (!hostPort(value, false, 1))
            return Texts::tr("--mqtt: нужен УЗЕЛ:ПОРТ, порт от 1 до 65535, задано \"%1\"").arg(value);
    } else if (key == QLatin1String("mqtt-prefix")) {
        if (!topicPart(value, true))
            return Texts::tr("--mqtt-prefix: уровни темы через /, без + и #, задано \"%1\"").arg(value);
    } else if (key == QLatin1String("site")) {
        if (!topicPart(value, false))
            return Texts::tr("--site: одно слово без /, + и #, задано \"%1\"").arg(value);
    } else if (key == QLatin1String("mqtt-tls") || key == QLatin1String("mqtt-password-file")) {
        const QFileInfo file(value);
        if (!file.isFile() || !file.isReadable())
            return Texts::tr("--%1: файл %2 не читается").arg(key, value);
    } else if (key == QLatin1String("mqtt-user")) {
        if (value.isEmpty()) return Texts::tr("--mqtt-user: пустое имя");
    }
    return QString();
}

std::optional<GatewaySettings> gatewaySettings(const Invocation& inv, QString* refusal) {
    GatewaySettings s;
    const QMap<QString, QString>& f = inv.fields;
    for (auto it = f.begin(); it != f.end(); ++it) {
        *refusal = gatewayValueRefusal(it.key(), it.value());
        if (!refusal->isEmpty()) return std::nullopt;
    }
    s.modbus = f.contains(QStringLiteral("modbus-tcp"));
    s.mqtt = f.contains(QStringLiteral("mqtt"));
    if (!s.modbus && !s.mqtt) {
        *refusal = Texts::tr("нужен хотя бы один выход: --modbus-tcp [АДРЕС:]ПОРТ или --mqtt УЗЕЛ:ПОРТ");
        return std::nullopt;
    }
    if (!s.modbus && f.contains(QStringLiteral("unit"))) {
        *refusal = Texts::tr("--unit без --modbus-tcp");
        return std::nullopt;
    }
    for (const char* key : {"mqtt-prefix", "site", "mqtt-tls", "mqtt-user", "mqtt-password-file"}) {
        if (!s.mqtt && f.contains(QLatin1String(key))) {
            *refusal = Texts::tr("--%1 без --mqtt").arg(QLatin1String(key));
            return std::nullopt;
        }
    }
    if (s.modbus) {
        const auto hp = hostPort(f.value(QStringLiteral("modbus-tcp")), true, 1);
        s.modbusPort = hp->port;
        if (hp->host == QLatin1String("localhost"))
            s.modbusHost = QHostAddress::LocalHost;
        else if (!hp->host.isEmpty())
            s.modbusHost = QHostAddress(hp->host);
        s.unit = f.contains(QStringLiteral("unit")) ? f.value(QStringLiteral("unit")).toInt() : 1;
    }
    if (s.mqtt) {
        gateway::MqttOptions& m = s.mqttOptions;
        const auto hp = hostPort(f.value(QStringLiteral("mqtt")), false, 1);
        m.host = hp->host;
        m.port = hp->port;
        m.prefix = f.value(QStringLiteral("mqtt-prefix"), m.prefix);
        m.site = f.value(QStringLiteral("site"));
        if (m.site.isEmpty()) m.site = QHostInfo::localHostName().section(QLatin1Char('.'), 0, 0);
        if (!topicPart(m.site, false)) m.site = QStringLiteral("site");
        m.caFile = f.value(QStringLiteral("mqtt-tls"));
        m.user = f.value(QStringLiteral("mqtt-user"));
        const QString passwordFile = f.value(QStringLiteral("mqtt-password-file"));
        const QString fromEnvironment = QProcessEnvironment::systemEnvironment().value(kPasswordVariable);
        if (!passwordFile.isEmpty() || !fromEnvironment.isEmpty()) {
            if (m.user.isEmpty()) {
                *refusal = Texts::tr("пароль MQTT без --mqtt-user");
                return std::nullopt;
            }
            if (passwordFile.isEmpty()) {
                m.password = fromEnvironment;
            } else {
                QFile file(passwordFile);
                if (!file.open(QIODevice::ReadOnly)) {
                    *refusal = Texts::tr("--mqtt-password-file: файл %1 не читается").arg(passwordFile);
                    return std::nullopt;
                }
                // The first line, without its line end: a file written by `echo` works.
                m.password = QString::fromUtf8(file.readLine(4096))
                                 .remove(QLatin1Char('\n'))
                                 .remove(QLatin1Char('\r'));
            }
        }
    }
    return s;
}

ConfigFile readGatewayConfig(const QString& path) {
    ConfigFile out;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        out.refusals << Texts::tr("%1: не открывается: %2").arg(path, file.errorString());
        return out;
    }
    if (file.size() > kMostConfigBytes) {
        out.refusals << Texts::tr("%1: файл больше %2 КиБ").arg(path).arg(kMostConfigBytes / 1024);
        return out;
    }
    QByteArray all = file.readAll();
    if (all.startsWith("\xEF\xBB\xBF")) all.remove(0, 3);
    const QList<QByteArray> lines = all.split('\n');
    QMap<QString, int> seen;  // key -> its line
    for (int i = 0; i < lines.size(); ++i) {
        const int lineNo = i + 1;
        auto refuse = [&](const QString& why) {
            out.refusals << Texts::tr("%1, строка %2: %3").arg(path).arg(lineNo).arg(why);
        };
        QByteArray raw = lines[i];
        if (raw.endsWith('\r')) raw.chop(1);
        if (raw.contains('\0') || QString::fromUtf8(raw).toUtf8() != raw) {
            refuse(Texts::tr("не текст в UTF-8"));
            continue;
        }
        QString line = QString::fromUtf8(raw);
        if (const int hash = line.indexOf(QLatin1Char('#')); hash >= 0) line.truncate(hash);
        line = line.trimmed();
        if (line.isEmpty()) continue;
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq < 0) {
            refuse(Texts::tr("нужно КЛЮЧ = ЗНАЧЕНИЕ"));
            continue;
        }
        const QString key = line.left(eq).trimmed(), value = line.mid(eq + 1).trimmed();
        if (!gatewayConfigKeys().contains(key)) {
            refuse(Texts::tr("неизвестный ключ \"%1\"").arg(key));
            continue;
        }
        if (seen.contains(key)) {
            refuse(Texts::tr("ключ %1 уже задан в строке %2").arg(key).arg(seen.value(key)));
            continue;
        }
        seen[key] = lineNo;
        if (value.isEmpty()) {
            refuse(Texts::tr("у ключа %1 нет значения").arg(key));
            continue;
        }
        QString why = gatewayValueRefusal(key, value);
        if (why.isEmpty() && key == QLatin1String("addresses"))
            parseAddressList(value, device::range::kDeviceAddress, &why);
        if (why.isEmpty()) why = parseArguments({QStringLiteral("--") + key, value}).error;
        if (!why.isEmpty()) {
            refuse(why);
            continue;
        }
        out.arguments << QStringLiteral("--") + key << value;
    }
    if (out.refusals.isEmpty() && out.arguments.isEmpty())
        out.refusals << Texts::tr("%1: ни одной настройки").arg(path);
    if (!out.refusals.isEmpty()) out.arguments.clear();
    return out;
}

ConfigFile withGatewayConfig(const QStringList& arguments, const Invocation& parsed) {
    const QString config = parsed.fields.value(QStringLiteral("config"));
    if (parsed.words.value(0) != QLatin1String("gateway") || config.isEmpty()) return {arguments, {}};
    ConfigFile file = readGatewayConfig(config);
    if (!file.refusals.isEmpty()) return file;
    file.arguments += arguments;
    return file;
}

}  // namespace kestrel::cli
