#include "session/settings.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <algorithm>

#include "device/ranges.h"
#include "protocol/numinput.h"
#include "protocol/translation.h"
#include "serial/networkport.h"

namespace kestrel {

namespace {

constexpr int kTabs = 3;
constexpr int kRememberedServers = 10;
constexpr int kRememberedBuses = 50;  // the buses whose readers are remembered besides the last one
const char* const kViews[] = {"log", "trend", "panel"};

// The [port] group: the link's settings. A value that cannot be taken is its default alone, named in `bad`.
void readLinkSettings(QSettings& ini, LinkSettings& s, QStringList& bad) {
    s.portIdentity = ini.value(QStringLiteral("port/identity")).toString();
    const QString address = ini.value(QStringLiteral("port/address"), QStringLiteral("0")).toString();
    if (address.isEmpty())
        s.address.reset();
    else if (const NumberResult n = parseWholeNumber(address, device::range::kDeviceAddress.min,
                                                     device::range::kDeviceAddress.max);
             n.ok())
        s.address = quint8(n.value);
    else
        bad << QStringLiteral("port/address");
    const QString reconnect = ini.value(QStringLiteral("port/reconnect"), QStringLiteral("true")).toString();
    if (reconnect == QLatin1String("true") || reconnect == QLatin1String("false"))
        s.reconnect = reconnect == QLatin1String("true");
    else
        bad << QStringLiteral("port/reconnect");
    const QStringList servers = ini.value(QStringLiteral("port/servers")).toStringList();
    if (servers.size() <= kRememberedServers &&
        std::all_of(servers.begin(), servers.end(),
                    [](const QString& n) { return parseNetworkPortName(n).has_value(); }))
        s.servers = servers;
    else
        bad << QStringLiteral("port/servers");
    if (const auto echo =
            echoModeFromKey(ini.value(QStringLiteral("port/echo"), QStringLiteral("auto")).toString()))
        s.echo = *echo;
    else
        bad << QStringLiteral("port/echo");
    if (const auto line = directionLineFromKey(
            ini.value(QStringLiteral("port/direction"), QStringLiteral("none")).toString()))
        s.direction = *line;
    else
        bad << QStringLiteral("port/direction");
}

void writeLinkSettings(QSettings& ini, const LinkSettings& s) {
    ini.setValue(QStringLiteral("port/identity"), s.portIdentity);
    ini.setValue(QStringLiteral("port/address"), s.address ? QString::number(*s.address) : QString());
    ini.setValue(QStringLiteral("port/reconnect"), s.reconnect);
    if (!s.servers.isEmpty())
        ini.setValue(QStringLiteral("port/servers"),
                     s.servers.mid(std::max(0, int(s.servers.size()) - kRememberedServers)));
    ini.setValue(QStringLiteral("port/echo"), echoModeKey(s.echo));
    ini.setValue(QStringLiteral("port/direction"), directionLineKey(s.direction));
}

}  // namespace

QString defaultSettingsPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/kestrel-tool/kestrel-tool.ini");
}

RememberedState loadState(const QString& path, QString* problem) {
    LoadedSettings loaded = loadSettings(path);
    *problem = loaded.problem;
    return loaded.state;
}

LoadedSettings loadSettings(const QString& path) {
    LoadedSettings out;
    RememberedState& s = out.state;
    const QFileInfo file(path);
    if (!file.exists()) return out;
    const auto unusable = [&](const char* why, const QString& notice) {
        out.problem = QStringLiteral("the settings file %1 %2; starting from the defaults")
                          .arg(path, QLatin1String(why));
        out.notice = notice;
        return out;
    };
    if (!file.isFile() || !file.isReadable())
        return unusable("cannot be read",
                        Texts::tr("Файл настроек %1 не читается; взяты настройки по умолчанию.").arg(path));
    QSettings ini(path, QSettings::IniFormat);
    // The INI reader skips what it cannot parse: a file with content but none of our keys is junk too.
    const bool ours =
        ini.contains(QStringLiteral("window/tab")) || ini.contains(QStringLiteral("port/address"));
    if (ini.status() != QSettings::NoError || (file.size() > 0 && !ours))
        return unusable("is damaged",
                        Texts::tr("Файл настроек %1 повреждён; взяты настройки по умолчанию.").arg(path));
    QStringList& bad = out.notTaken;
    readLinkSettings(ini, s.link, bad);
    bool ok = true;
    const int tab = ini.value(QStringLiteral("window/tab"), 0).toInt(&ok);
    if (ok && tab >= 0 && tab < kTabs)
        s.tab = tab;
    else
        bad << QStringLiteral("window/tab");
    const QString language = ini.value(QStringLiteral("window/language"), s.language).toString();
    if (availableLanguages().contains(language))
        s.language = language;
    else
        bad << QStringLiteral("window/language");
    s.geometry = ini.value(QStringLiteral("window/geometry")).toByteArray();
    RememberedState::View* views[] = {&s.log, &s.trend, &s.panel};
    for (int i = 0; i < 3; ++i) {
        const QString key = QLatin1String(kViews[i]);
        views[i]->open = ini.value(key + QStringLiteral("/open"), false).toBool();
        views[i]->geometry = ini.value(key + QStringLiteral("/geometry")).toByteArray();
    }
    s.bus.open = ini.value(QStringLiteral("bus/open"), false).toBool();
    s.bus.geometry = ini.value(QStringLiteral("bus/geometry")).toByteArray();
    // The readers as "5,7,9": each an address a reader can have, none twice; else none is kept.
    // A hand-written list without quotes comes back from the INI reader as a list of texts.
    const auto readersOf = [&](const QString& key) {
        const QVariant value = ini.value(key);
        const QString text = value.typeId() == QMetaType::QStringList
                                 ? value.toStringList().join(QLatin1Char(','))
                                 : value.toString();
        QList<quint8> readers;
        for (const QString& part : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            const NumberResult a = parseExactWholeNumber(part.trimmed(), device::range::kDeviceAddress.min,
                                                         device::range::kDeviceAddress.max);
            if (!a.ok() || readers.contains(quint8(a.value))) {
                bad << key;
                return QList<quint8>{};
            }
            readers << quint8(a.value);
        }
        return readers;
    };
    s.bus.readers = readersOf(QStringLiteral("bus/readers"));
    s.bus.port = ini.value(QStringLiteral("bus/port")).toString();
    // Each other bus's readers, by its port's identity.
    const int buses = ini.beginReadArray(QStringLiteral("busReaders"));
    for (int i = 0; i < std::min(buses, kRememberedBuses); ++i) {
        ini.setArrayIndex(i);
        const QString port = ini.value(QStringLiteral("port")).toString();
        const QList<quint8> readers = readersOf(QStringLiteral("readers"));
        if (!port.isEmpty() && !readers.isEmpty()) s.bus.readersByPort.insert(port, readers);
    }
    ini.endArray();
    const int every = ini.value(QStringLiteral("bus/settingsEvery"), s.bus.settingsEvery).toInt(&ok);
    if (ok && every >= 1 && every <= kMaxSettingsEvery)
        s.bus.settingsEvery = every;
    else
        bad << QStringLiteral("bus/settingsEvery");
    const QString autoSearch =
        ini.value(QStringLiteral("bus/autoSearch"), QStringLiteral("false")).toString();
    if (autoSearch == QLatin1String("true") || autoSearch == QLatin1String("false"))
        s.bus.autoSearch = autoSearch == QLatin1String("true");
    else
        bad << QStringLiteral("bus/autoSearch");
    if (!bad.isEmpty()) {
        out.problem = QStringLiteral(
                          "the settings file %1 holds values out of range (%2); they are their "
                          "defaults")
                          .arg(path, bad.join(", "));
        out.notice =
            Texts::tr("Файл настроек %1: не приняты значения %2; для них взяты значения по умолчанию.")
                .arg(path, bad.join(QStringLiteral(", ")));
    }
    return out;
}

bool saveState(const QString& path, const RememberedState& s, QString* problem) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSettings ini(path, QSettings::IniFormat);
    ini.clear();
    writeLinkSettings(ini, s.link);
    ini.setValue(QStringLiteral("window/tab"), s.tab);
    ini.setValue(QStringLiteral("window/language"), s.language);
    ini.setValue(QStringLiteral("window/geometry"), s.geometry);
    const RememberedState::View* views[] = {&s.log, &s.trend, &s.panel};
    for (int i = 0; i < 3; ++i) {
        const QString key = QLatin1String(kViews[i]);
        ini.setValue(key + QStringLiteral("/open"), views[i]->open);
        ini.setValue(key + QStringLiteral("/geometry"), views[i]->geometry);
    }
    ini.setValue(QStringLiteral("bus/open"), s.bus.open);
    ini.setValue(QStringLiteral("bus/geometry"), s.bus.geometry);
    QStringList readers;
    for (quint8 a : s.bus.readers) readers << QString::number(a);
    // One text, not a list: QSettings would write a single reader as a plain value and read it back so.
    ini.setValue(QStringLiteral("bus/readers"), readers.join(QLatin1Char(',')));
    ini.setValue(QStringLiteral("bus/port"), s.bus.port);
    ini.beginWriteArray(QStringLiteral("busReaders"));
    int i = 0;
    for (auto bus = s.bus.readersByPort.begin(); bus != s.bus.readersByPort.end() && i < kRememberedBuses;
         ++bus) {
        if (bus.key() == s.bus.port || bus.value().isEmpty()) continue;
        ini.setArrayIndex(i++);
        QStringList addresses;
        for (quint8 a : bus.value()) addresses << QString::number(a);
        ini.setValue(QStringLiteral("port"), bus.key());
        ini.setValue(QStringLiteral("readers"), addresses.join(QLatin1Char(',')));
    }
    ini.endArray();
    ini.setValue(QStringLiteral("bus/settingsEvery"), s.bus.settingsEvery);
    ini.setValue(QStringLiteral("bus/autoSearch"), s.bus.autoSearch);
    ini.sync();
    // A damaged file leaves the format error of its reading behind: only an access error is a failed write.
    if (ini.status() != QSettings::AccessError) return true;
    *problem = QStringLiteral("the settings file %1 cannot be written").arg(path);
    return false;
}

}  // namespace kestrel
