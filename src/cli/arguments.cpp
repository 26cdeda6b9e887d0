#include "cli/arguments.h"

#include <QProcessEnvironment>

#include "device/ranges.h"
#include "protocol/numinput.h"
#include "protocol/translation.h"

namespace kestrel::cli {

namespace {

// Options that take a value and set a named field of the command.
const QStringList kFieldOptions = {"network", "channel", "power", "delay", "mode", "period", "id",
                                   "decimal-id", "from", "out",
                                   // the gateway's
                                   "config", "modbus-tcp", "unit", "mqtt", "mqtt-prefix", "site", "mqtt-tls",
                                   "mqtt-user", "mqtt-password-file"};
// Options without a value that a command reads as flags.
const QStringList kFlagOptions = {"master", "frequency-output"};

struct TimingOption {
    const char* name;
    int Transactor::Timing::*member;
    int min;
    int max;
};
const TimingOption kTimingOptions[] = {
    {"timeout", &Transactor::Timing::timeoutMs, 1, 60000},
    {"retries", &Transactor::Timing::retries, 0, 100},
    {"gap", &Transactor::Timing::gapMs, 0, 10000},
    {"scan-wait", &Transactor::Timing::scanWaitMs, 1, 60000},
    {"silence", &Transactor::Timing::silenceMs, 1, 10000},
};

}  // namespace

bool isRunOption(const QString& name) {
    static const QStringList runOptions = {"port", "log-file", "json", "trace", "lang", "direction"};
    return runOptions.contains(name);
}

ParsedArguments parseArguments(const QStringList& arguments, const Invocation& defaults) {
    ParsedArguments out;
    Invocation& inv = out.invocation;
    inv = defaults;
    inv.words.clear();
    inv.fields.clear();
    inv.flags.clear();
    inv.optionsGiven.clear();
    inv.help = false;
    if (inv.port.isEmpty())
        inv.port = QProcessEnvironment::systemEnvironment().value(QStringLiteral("KESTREL_PORT"));
    bool optionsEnd = false;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        // A negative number is a value, not an option.
        const bool negative = a.size() > 1 && a[1].isDigit();
        if (optionsEnd || !a.startsWith(QLatin1Char('-')) || a == QLatin1String("-") || negative) {
            inv.words << a;
            continue;
        }
        if (a == QLatin1String("--")) {
            optionsEnd = true;
            continue;
        }
        // "--name=value" or "--name value".
        QString name = a.startsWith(QLatin1String("--")) ? a.mid(2) : a.mid(1);
        std::optional<QString> inlineValue;
        if (const int eq = name.indexOf(QLatin1Char('=')); eq >= 0) {
            inlineValue = name.mid(eq + 1);
            name = name.left(eq);
        }
        if (name == QLatin1String("a")) name = QStringLiteral("address");
        if (name == QLatin1String("h")) name = QStringLiteral("help");
        inv.optionsGiven << name;
        auto value = [&]() -> std::optional<QString> {
            if (inlineValue) return inlineValue;
            if (i + 1 >= arguments.size()) return std::nullopt;
            return arguments[++i];
        };
        auto needValue = [&](QString* target) {
            const auto v = value();
            if (!v) {
                out.error = Texts::tr("у параметра --%1 нет значения").arg(name);
                return false;
            }
            *target = *v;
            return true;
        };
        static const QMap<QString, bool Invocation::*> switches = {
            {"json", &Invocation::json},
            {"trace", &Invocation::trace},
            {"verify", &Invocation::verify},
            {"yes", &Invocation::yes},
            {"keep-going", &Invocation::keepGoing},
            {"watch", &Invocation::watch},
            {"with-serial", &Invocation::withSerial},
            {"force", &Invocation::force},
            {"help", &Invocation::help},
            {"version", &Invocation::version},
        };
        if (auto s = switches.find(name); s != switches.end()) {
            if (inlineValue) {
                out.error = Texts::tr("параметр --%1 не принимает значения").arg(name);
                return out;
            }
            inv.*(s.value()) = true;
            continue;
        }
        if (kFlagOptions.contains(name)) {
            if (inlineValue) {
                out.error = Texts::tr("параметр --%1 не принимает значения").arg(name);
                return out;
            }
            inv.flags << name;
            continue;
        }
        QString v;
        if (name == QLatin1String("port")) {
            if (!needValue(&inv.port)) return out;
        } else if (name == QLatin1String("address")) {
            if (!needValue(&v)) return out;
            inv.address = v;
        } else if (name == QLatin1String("addresses")) {
            if (!needValue(&v)) return out;
            inv.addresses = v;
        } else if (name == QLatin1String("log-file")) {
            if (!needValue(&inv.logFile)) return out;
        } else if (name == QLatin1String("lang")) {
            if (!needValue(&inv.language)) return out;
        } else if (name == QLatin1String("only")) {
            if (!needValue(&v)) return out;
            // An empty list (a script's unset variable) would mean "everything": it is refused, and a part
            // named twice is taken once.
            inv.only.clear();
            for (const QString& part : v.split(QLatin1Char(',')))
                if (const QString p = part.trimmed(); !p.isEmpty() && !inv.only.contains(p)) inv.only << p;
            if (inv.only.isEmpty()) {
                out.error =
                    Texts::tr("--only: список частей пуст (mode, radio, bound-ids, reset-delay, serial)");
                return out;
            }
        } else if (name == QLatin1String("interval")) {
            if (!needValue(&v)) return out;
            const NumberResult n = parseExactWholeNumber(v, 10, 3600000);
            if (!n.ok()) {
                out.error = Texts::tr("--interval: нужно число миллисекунд от 10 до 3600000");
                return out;
            }
            inv.watchIntervalMs = int(n.value);
        } else if (name == QLatin1String("echo")) {
            if (!needValue(&v)) return out;
            const auto mode = echoModeFromKey(v);
            if (!mode) {
                out.error = Texts::tr("--echo: нужно auto, on или off");
                return out;
            }
            inv.timing.echo = *mode;
        } else if (name == QLatin1String("direction")) {
            if (!needValue(&v)) return out;
            const QMap<QString, DirectionLine> lines = {
                {"none", DirectionLine::None}, {"rts", DirectionLine::Rts}, {"dtr", DirectionLine::Dtr}};
            if (!lines.contains(v)) {
                out.error = Texts::tr("--direction: нужно rts, dtr или none");
                return out;
            }
            inv.direction = lines.value(v);
        } else if (name == QLatin1String("mqtt-password")) {
            // A password on the command line is seen by every user of the machine (ps, /proc).
            out.error = Texts::tr(
                "пароль MQTT не задаётся в командной строке: --mqtt-password-file ФАЙЛ или переменная "
                "KESTREL_MQTT_PASSWORD");
            return out;
        } else if (kFieldOptions.contains(name)) {
            if (!needValue(&v)) return out;
            inv.fields[name] = v;
        } else {
            bool known = false;
            for (const TimingOption& t : kTimingOptions) {
                if (name != QLatin1String(t.name)) continue;
                known = true;
                if (!needValue(&v)) return out;
                const NumberResult n = parseExactWholeNumber(v, t.min, t.max);
                if (!n.ok()) {
                    out.error =
                        Texts::tr("--%1: нужно целое число от %2 до %3").arg(name).arg(t.min).arg(t.max);
                    return out;
                }
                inv.timing.*(t.member) = int(n.value);
            }
            if (!known) {
                out.error = Texts::tr("неизвестный параметр %1").arg(a);
                return out;
            }
        }
    }
    return out;
}

std::optional<QStringList> splitLine(const QString& line) {
    QStringList words;
    QString word;
    bool inWord = false, quoted = false;
    for (int i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (quoted) {
            if (c == QLatin1Char('\\') && i + 1 < line.size()) {
                word += line[++i];
            } else if (c == QLatin1Char('"')) {
                quoted = false;
            } else {
                word += c;
            }
        } else if (c == QLatin1Char('"')) {
            quoted = inWord = true;
        } else if (c.isSpace()) {
            if (inWord) words << word;
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (quoted) return std::nullopt;
    if (inWord) words << word;
    return words;
}

bool jsonArgument(const QStringList& arguments) {
    for (const QString& a : arguments) {
        if (a == QLatin1String("--")) break;
        if (a == QLatin1String("--json")) return true;
    }
    return false;
}

QString languageArgument(const QStringList& arguments) {
    QString language;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == QLatin1String("--")) break;
        if (a == QLatin1String("--lang") && i + 1 < arguments.size()) language = arguments[++i];
        if (a.startsWith(QLatin1String("--lang="))) language = a.mid(7);
    }
    return language;
}

QString programHelp() {
    return Texts::tr(
               "Использование: kestrel-cli [параметры] КОМАНДА [аргументы]\n"
               "\n"
               "Считыватель и шина:\n"
               "  scan                          опрос сети: адреса ответивших устройств\n"
               "  inventory                     опрос сети, затем идентификация и настройки каждого\n"
               "  identify                      серийный номер, тип и версия\n"
               "  live [--watch [--interval MS]]\n"
               "                                текущие параметры (с --watch - до Ctrl-C)\n"
               "  settings                      режим и параметры радио\n"
               "  set-address НОВЫЙ             сетевой адрес %1\n"
               "  set-serial НОМЕР              серийный номер %2\n"
               "  set-mode РЕЖИМ [--master] [--frequency-output]\n"
               "                                reader, indicator, powered-tag, bridge, repeater\n"
               "  set-radio СЕТЬ КАНАЛ МОЩНОСТЬ (или --network, --channel, --power)\n"
               "  calibrate high|low --yes      перекалибровка верхнего или нижнего уровня\n"
               "  bound-ids read | set ЯЧЕЙКА ID | clear\n"
               "  reset-delay get | set ЗАДЕРЖКА\n"
               "  backup [ФАЙЛ]                 настройки считывателя в JSON\n"
               "  restore ФАЙЛ [--only mode,radio,bound-ids,reset-delay,serial] [--with-serial]\n"
               "Вся шина:\n"
               "  monitor [--addresses СПИСОК] [--interval MS]\n"
               "                                все считыватели шины кругами до Ctrl-C\n"
               "  gateway [--addresses СПИСОК] [--modbus-tcp [АДРЕС:]ПОРТ] [--unit N]\n"
               "          [--mqtt УЗЕЛ:ПОРТ] [--mqtt-prefix ПРЕФИКС] [--site ИМЯ] [--mqtt-tls CA-ФАЙЛ]\n"
               "          [--mqtt-user ИМЯ] [--mqtt-password-file ФАЙЛ] [--config ФАЙЛ]\n"
               "                                шлюз в АСУ ТП: значения считывателей по Modbus TCP и MQTT\n"
               "  backup-site ФАЙЛ|- [--addresses СПИСОК]\n"
               "                                настройки всех считывателей в один файл площадки\n"
               "  restore-site ФАЙЛ [--verify] [--only ...] [--with-serial]\n"
               "                                каждый считыватель площадки по его адресу\n"
               "Ввод в работу по плану площадки (CSV):\n"
               "  plan check ПЛАН.csv           шина против плана: ok, missing, other-serial, differs,\n"
               "                                duplicate-serial; не названные планом - extra\n"
               "  plan apply ПЛАН.csv [--verify] [--only mode,radio,bound-ids]\n"
               "                                настройки плана в считыватели с его серийными номерами\n"
               "  plan assign ПЛАН.csv --from A новый считыватель с адреса A на адрес по плану\n"
               "  plan report ПЛАН.csv --out ФАЙЛ.html|ФАЙЛ.csv\n"
               "                                отчёт о вводе в работу\n"
               "Метки:\n"
               "  tag search                    метка, ответившая на поиск\n"
               "  tag read ID                   параметры метки (ID в HEX)\n"
               "  tag write ID [--id HEX | --decimal-id N] [--delay N] [--mode N] [--power N] [--period N]\n"
               "  tag set-serial ID НОМЕР\n"
               "  tag set-id ID НОМЕР\n"
               "  tags [--addresses СПИСОК]     все метки площадки и считыватель, что слышит каждую лучше\n"
               "Мост:\n"
               "  bridge read                   данные ведомого и его значение RS485\n"
               "Пакет:\n"
               "  batch ФАЙЛ|-                  по команде в строке; # - комментарий\n"
               "Журнал обмена:\n"
               "  stats ФАЙЛ.csv                статистика связи по адресам из записанного журнала\n"
               "\n"
               "Параметры:\n"
               "  --port ПУТЬ                   порт (или переменная KESTREL_PORT),\n"
               "                                сервер портов: tcp://УЗЕЛ:ПОРТ\n"
               "  -a, --address A               адрес устройства\n"
               "  --addresses СПИСОК            адреса и диапазоны через запятую: 3,5,7-9\n"
               "  --json                        по объекту JSON на результат\n"
               "  --trace                       запросы и ответы в HEX на stderr\n"
               "  --log-file ФАЙЛ               журнал обмена в CSV\n"
               "  --verify                      проверить записанное чтением\n"
               "  --keep-going                  пакет не останавливается на ошибке\n"
               "  --lang ru|en                  язык сообщений (по умолчанию русский)\n"
               "  --timeout MS (300)  --retries N (2)  --gap MS (5)  --scan-wait MS (500)\n"
               "  --silence MS (20)             ответ кончается после стольких мс тишины\n"
               "  --echo auto|on|off            эхо запроса перед ответом: auto - убирать точную\n"
               "                                копию запроса, on - первые байты длиной с запрос, off - нет\n"
               "  --direction rts|dtr|none      поднимать RTS или DTR на время передачи\n"
               "  --help, --version\n"
               "\n"
               "Коды выхода: 0 выполнено; 1 устройство не ответило или отказало; 2 ошибка ввода\n"
               "(ничего не отправлено); 3 ошибка порта; 4 не удалось записать файл или стандартный вывод\n"
               "(канал, закрытый читающей стороной, как в | head, - без сообщения).\n"
               "ФАЙЛ - в backup и backup-site: стандартный вывод. Файлы копий и площадок - до 1 МиБ.\n")
        .arg(device::rangeText(device::range::kNetAddress), device::rangeText(device::range::kSerial));
}

QString commandHelp(const QString& command) {
    static const QMap<QString, const char*> help = {
        {"scan",
         QT_TRANSLATE_NOOP("Texts",
                           "scan [--scan-wait MS]\n  Опрос сети (31 FF DC): адреса ответивших устройств.")},
        {"inventory",
         QT_TRANSLATE_NOOP(
             "Texts",
             "inventory\n  Опрос сети, затем идентификация и настройки каждого найденного устройства.")},
        {"identify", QT_TRANSLATE_NOOP("Texts", "identify -a A\n  Серийный номер, тип устройства и версия.")},
        {"live", QT_TRANSLATE_NOOP(
                     "Texts",
                     "live -a A [--watch] [--interval MS]\n  Текущие параметры; с --watch строка на каждое "
                     "чтение до Ctrl-C.")},
        {"settings", QT_TRANSLATE_NOOP("Texts", "settings -a A\n  Режим, сеть, канал и мощность.")},
        {"set-address",
         QT_TRANSLATE_NOOP("Texts", "set-address -a A НОВЫЙ [--verify]\n  Новый сетевой адрес %1.")},
        {"set-serial",
         QT_TRANSLATE_NOOP("Texts", "set-serial -a A НОМЕР [--verify]\n  Новый серийный номер %1.")},
        {"set-mode",
         QT_TRANSLATE_NOOP("Texts",
                           "set-mode -a A РЕЖИМ [--master] [--frequency-output] [--verify]\n  РЕЖИМ: reader, "
                           "indicator, powered-tag, bridge, repeater или номер 0, 1, 2, 6, 16.")},
        {"set-radio",
         QT_TRANSLATE_NOOP("Texts",
                           "set-radio -a A СЕТЬ КАНАЛ МОЩНОСТЬ [--verify]\n  или --network %1 --channel %2 "
                           "--power %3.")},
        {"calibrate",
         QT_TRANSLATE_NOOP(
             "Texts", "calibrate -a A high|low --yes\n  Перекалибровка уровня; без --yes не выполняется.")},
        {"bound-ids",
         QT_TRANSLATE_NOOP("Texts",
                           "bound-ids -a A read | set ЯЧЕЙКА ID | clear [--verify]\n  Таблица привязанных ID "
                           "(ячейки %1, ID в HEX).")},
        {"reset-delay",
         QT_TRANSLATE_NOOP("Texts",
                           "reset-delay -a A get | set ЗАДЕРЖКА [--verify]\n  Задержка обнуления ID %1.")},
        {"backup",
         QT_TRANSLATE_NOOP(
             "Texts",
             "backup -a A [ФАЙЛ|-]\n  Режим, радио, привязанные ID, задержка и идентификация в JSON; без "
             "файла "
             "или с - на стандартный вывод. Канал или устройство записывается как есть, обычный файл - "
             "целиком или никак.")},
        {"restore",
         QT_TRANSLATE_NOOP(
             "Texts",
             "restore -a A ФАЙЛ [--only mode,radio,bound-ids,reset-delay,serial] [--with-serial] "
             "[--force] [--verify]\n  Запись настроек из файла резервной копии (до 1 МиБ). Сначала "
             "устройство опознаётся; копия другого типа устройства записывается только с --force.")},
        {"monitor",
         QT_TRANSLATE_NOOP(
             "Texts",
             "monitor [--addresses СПИСОК] [--interval MS] [--json]\n  Все считыватели шины кругами "
             "на скорости линии до Ctrl-C: на терминале таблица, иначе строка (с --json - объект) на "
             "считыватель за круг; в конце итог по каждому. Без --addresses сначала опрос сети. Код "
             "выхода 0, если ответил каждый считыватель, иначе 1. Адреса: %1, списком и диапазонами "
             "(1-8,12).")},
        {"gateway",
         QT_TRANSLATE_NOOP(
             "Texts",
             "gateway [--addresses СПИСОК] [--modbus-tcp [АДРЕС:]ПОРТ] [--unit N] [--mqtt УЗЕЛ:ПОРТ] "
             "[--mqtt-prefix ПРЕФИКС] [--site ИМЯ] [--mqtt-tls CA-ФАЙЛ] [--mqtt-user ИМЯ] "
             "[--mqtt-password-file ФАЙЛ] [--config ФАЙЛ]\n  Шлюз в АСУ ТП: круги опроса шины, пока не "
             "остановлен (SIGTERM, SIGHUP, Ctrl-C). Без --addresses - опрос сети в начале и каждые 5 минут. "
             "Нужен хотя бы один выход. --modbus-tcp: сервер Modbus TCP (адрес устройства --unit, по "
             "умолчанию 1): у считывателя A блок из 16 регистров с A*16 (функции 3 и 4), состояние шлюза с "
             "0xFFF0; запись отклоняется. --mqtt: по сохраняемому сообщению JSON на считыватель в "
             "ПРЕФИКС/ИМЯ/reader/A (префикс kestrel) при изменении и не реже раза в минуту, "
             "ПРЕФИКС/ИМЯ/status "
             "- online или offline. Пароль MQTT - из файла или переменной KESTREL_MQTT_PASSWORD. --config: "
             "те "
             "же настройки строками КЛЮЧ = ЗНАЧЕНИЕ; неверный файл отклоняется целиком. Потерянный порт шлюз "
             "ждёт.")},
        {"backup-site",
         QT_TRANSLATE_NOOP(
             "Texts",
             "backup-site ФАЙЛ|- [--addresses СПИСОК]\n  Резервная копия каждого считывателя с его "
             "адресом в одном файле площадки (- : стандартный вывод). Без --addresses сначала опрос "
             "сети. Файл записывается, только если прочитаны все; один серийный номер у разных "
             "считывателей отмечается. Адреса: %1, списком и диапазонами (1-8,12).")},
        {"restore-site",
         QT_TRANSLATE_NOOP(
             "Texts",
             "restore-site ФАЙЛ [--only mode,radio,bound-ids,reset-delay,serial] [--with-serial] "
             "[--force] [--verify]\n  Каждый считыватель файла площадки (до 1 МиБ) восстанавливается по "
             "своему адресу с проверками restore; считыватель с другим серийным номером, чем в копии, "
             "не записывается без --force. С --with-serial файл, где один серийный номер у двух "
             "адресов, отклоняется целиком. Строка итога на каждый; код выхода 0, только если "
             "восстановлены все.")},
        {"plan",
         QT_TRANSLATE_NOOP(
             "Texts",
             "plan check|apply|assign|report ПЛАН.csv [--verify] [--only mode,radio,bound-ids] [--from A] "
             "[--out ФАЙЛ]\n  План площадки - CSV из таблицы (до 1 МиБ; разделитель , или ;): строка "
             "заголовка, затем по строке на считыватель: address (0..200), name, serial, network, channel, "
             "power, mode, tags (ID меток в HEX через пробел). check: каждый адрес плана и поиск по шине; по "
             "строке на считыватель: ok, missing, other-serial, differs, duplicate-serial, затем extra; "
             "код выхода 0, только если всё как в плане. apply: записывает отличающиеся настройки, только "
             "если серийный номер совпадает с планом (строка без номера берёт найденный). assign --from A: "
             "считыватель с адреса A - на адрес его строки (новый - на первую строку без номера, номер "
             "записывается в план), проверка, затем apply с --verify. report --out ФАЙЛ.html|.csv: "
             "отчёт для сдачи. Каждая запись - строка в ПЛАН.journal.csv.")},
        {"tag", QT_TRANSLATE_NOOP(
                    "Texts",
                    "tag search | read ID | write ID [поля] | set-serial ID НОМЕР | set-id ID НОМЕР\n  Поля "
                    "записи: --id HEX, --decimal-id N, --delay %1, --mode %2, --power %3, --period %4; не "
                    "названные поля сохраняют прочитанные у метки значения. НОМЕР: %5.")},
        {"tags",
         QT_TRANSLATE_NOOP(
             "Texts",
             "tags [--addresses СПИСОК] [--json]\n  Все метки, которые слышат считыватели площадки: поиском "
             "меток "
             "у каждого считывателя (без --addresses - у ответивших на опрос сети), пока метка не придёт "
             "второй раз. По строке на метку: ID, серийный номер, считыватель, который слышит её лучше, "
             "уровень приёма, когда слышна.")},
        {"bridge",
         QT_TRANSLATE_NOOP("Texts",
                           "bridge -a A read\n  Данные ведомого устройства моста и его значение RS485.")},
        {"stats",
         QT_TRANSLATE_NOOP(
             "Texts",
             "stats ФАЙЛ.csv [--json]\n  Статистика связи по адресам из журнала обмена (CSV окна или "
             "--log-file); порт не нужен. Строки с ошибками - на stderr с номерами строк. Код выхода "
             "2: файл не журнал обмена; 4: файл не прочитан.")},
        {"batch",
         QT_TRANSLATE_NOOP("Texts",
                           "batch ФАЙЛ|- [--keep-going]\n  По команде в строке, # начинает комментарий; "
                           "останавливается на первой ошибке, в конце - итоговая строка.")},
    };
    const char* text = help.value(command);
    if (!text) return QString();
    using device::rangeText;
    namespace range = device::range;
    QString out = Texts::tr(text);
    if (command == QLatin1String("set-address")) return out.arg(rangeText(range::kNetAddress));
    if (command == QLatin1String("set-serial")) return out.arg(rangeText(range::kSerial));
    if (command == QLatin1String("set-radio"))
        return out.arg(rangeText(range::kNetwork), rangeText(range::kChannel), rangeText(range::kPower));
    if (command == QLatin1String("bound-ids")) return out.arg(rangeText(range::kBoundIdCell));
    if (command == QLatin1String("reset-delay")) return out.arg(rangeText(range::kResetDelay));
    if (command == QLatin1String("monitor")) return out.arg(rangeText(range::kDeviceAddress));
    if (command == QLatin1String("backup-site")) return out.arg(rangeText(range::kNetAddress));
    if (command == QLatin1String("tag"))
        return out.arg(rangeText(range::kTagDelay), rangeText(range::kTagMode), rangeText(range::kTagPower),
                       rangeText(range::kTagPeriod), rangeText(range::kSerial));
    return out;
}

}  // namespace kestrel::cli
