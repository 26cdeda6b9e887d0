#include "ui/mainmenu.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>

#include "protocol/translation.h"
#include "session/devicesession.h"
#include "ui/controlnames.h"
#include "ui/dialogs.h"
#include "ui/widgets.h"

namespace kestrel {

MainMenu::MainMenu(QMenuBar* bar, DeviceSession& session, Dialogs& dialogs, Targets targets, QString language)
    : QObject(bar),
      bar_(bar),
      session_(session),
      dialogs_(dialogs),
      startLanguage_(language),
      language_(language) {
    auto add = [this](QMenu* menu, const QString& name, const QString& text, const QKeySequence& keys,
                      auto slot) {
        QAction* a = menu->addAction(text);
        a->setObjectName(name);
        a->setShortcut(keys);
        // The keys work from the log, trend and panel windows too.
        a->setShortcutContext(Qt::ApplicationShortcut);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    auto raise = [](QWidget* w) {
        // The whole window on the screen, whatever its scale.
        if (!w->isVisible()) w->resize(sizeWithinScreen(w, w->size()));
        w->show();
        w->raise();
        w->activateWindow();
    };
    // "Файл" first, as on every desktop: a recorded log opened, the traffic log saved as CSV, and the exit,
    // which closes the window as its close button does (the settings saved, the port closed).
    QMenu* file = bar_->addMenu(Texts::tr("&Файл"));
    file->setObjectName(ctl::menuFile);
    add(file, ctl::actionOpenLog, Texts::tr("&Открыть журнал…"), QKeySequence(Qt::CTRL | Qt::Key_O),
        [this] { emit openLogAsked(); });
    add(file, ctl::actionSaveLog, Texts::tr("&Сохранить журнал обмена…"), QKeySequence(),
        [this] { emit saveLogAsked(); });
    file->addSeparator();
    add(file, ctl::actionExit, Texts::tr("&Выход"), QKeySequence(Qt::CTRL | Qt::Key_Q),
        [this] { emit exitAsked(); });
    QMenu* view = bar_->addMenu(Texts::tr("&Вид"));
    view->setObjectName(ctl::menuView);
    add(view, ctl::actionTrafficLog, Texts::tr("&Журнал обмена"), QKeySequence(Qt::CTRL | Qt::Key_L),
        [raise, w = targets.trafficLog] { raise(w); });
    add(view, ctl::actionTrend, Texts::tr("&График"), QKeySequence(Qt::CTRL | Qt::Key_G),
        [raise, w = targets.trend] { raise(w); });
    add(view, ctl::actionServicePanel, Texts::tr("&Сервисная панель"),
        QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), [raise, w = targets.servicePanel] { raise(w); });
    add(view, ctl::actionBusOverview, Texts::tr("&Обзор шины"), QKeySequence(Qt::CTRL | Qt::Key_B),
        [raise, w = targets.busOverview] { raise(w); });
    // The language: remembered, and in effect from the next start (the texts are set as the window is built).
    QMenu* languages = view->addMenu(Texts::tr("&Язык"));
    languages->setObjectName(ctl::menuLanguage);
    auto* languageGroup = new QActionGroup(languages);
    const std::pair<const char*, QString> choices[] = {{"ru", QStringLiteral("Русский")},
                                                       {"en", QStringLiteral("English")}};
    for (const auto& [code, name] : choices) {
        QAction* a = languages->addAction(name);
        a->setObjectName(ctl::actionLanguage + QString::fromLatin1(code));
        a->setCheckable(true);
        a->setChecked(startLanguage_ == QLatin1String(code));
        languageGroup->addAction(a);
        connect(a, &QAction::triggered, this, [this, language = QString::fromLatin1(code)] {
            if (language == language_) return;
            language_ = language;
            if (language != startLanguage_)
                dialogs_.message(Texts::tr("Язык будет изменён при следующем запуске программы."),
                                 Dialogs::Icon::None, Texts::tr("Язык"));
        });
    }
    buildLinkMenu();
    QMenu* help = bar_->addMenu(Texts::tr("Сп&равка"));
    help->setObjectName(ctl::menuHelp);
    add(help, ctl::actionAbout, Texts::tr("&О программе"), QKeySequence(Qt::Key_F1), [this] { showAbout(); });
}

void MainMenu::buildLinkMenu() {
    QMenu* link = bar_->addMenu(Texts::tr("Свя&зь"));
    link->setObjectName(ctl::menuLink);
    reconnect_ = link->addAction(Texts::tr("Переподключаться &автоматически"));
    reconnect_->setObjectName(ctl::actionReconnect);
    reconnect_->setCheckable(true);
    connect(reconnect_, &QAction::toggled, &session_, &DeviceSession::setReconnect);
    networkPort_ = link->addAction(Texts::tr("&Сервер портов TCP…"));
    networkPort_->setObjectName(ctl::actionNetworkPort);
    networkPort_->setShortcutContext(Qt::ApplicationShortcut);
    connect(networkPort_, &QAction::triggered, this, &MainMenu::addNetworkPort);
    // A server joins the list only while no port is open.
    connect(&session_, &DeviceSession::linkChanged, networkPort_,
            [this](DeviceSession::Link l) { networkPort_->setEnabled(l == DeviceSession::Link::Closed); });
    QMenu* echo = link->addMenu(Texts::tr("&Эхо запроса"));
    echo->setObjectName(ctl::menuEcho);
    auto* echoGroup = new QActionGroup(echo);
    const std::pair<EchoMode, QString> echoChoices[] = {
        {EchoMode::Auto, Texts::tr("&Авто: убирать точную копию запроса")},
        {EchoMode::On, Texts::tr("&Всегда убирать")},
        {EchoMode::Off, Texts::tr("&Не убирать")}};
    for (const auto& [mode, text] : echoChoices) {
        QAction* a = echo->addAction(text);
        a->setObjectName(ctl::actionEcho + echoModeKey(mode));
        a->setCheckable(true);
        echoGroup->addAction(a);
        echoActions_[echoModeKey(mode)] = a;
        connect(a, &QAction::triggered, &session_, [this, mode = mode] { session_.setEchoMode(mode); });
    }
    QMenu* direction = link->addMenu(Texts::tr("&Управление направлением передачи"));
    direction->setObjectName(ctl::menuDirection);
    auto* directionGroup = new QActionGroup(direction);
    const std::pair<DirectionLine, QString> directionChoices[] = {
        {DirectionLine::None, Texts::tr("&Нет (адаптер сам)")},
        {DirectionLine::Rts, Texts::tr("&RTS на время передачи")},
        {DirectionLine::Dtr, Texts::tr("&DTR на время передачи")}};
    for (const auto& [line, text] : directionChoices) {
        QAction* a = direction->addAction(text);
        const QString key = directionLineKey(line);
        a->setObjectName(ctl::actionDirection + key);
        a->setCheckable(true);
        directionGroup->addAction(a);
        directionActions_[key] = a;
        connect(a, &QAction::triggered, &session_, [this, line = line] { session_.setDirectionLine(line); });
    }
    connect(&session_, &DeviceSession::linkSettingsChanged, this, &MainMenu::showLinkSettings);
    showLinkSettings();
}

// The choices as the session holds them (restored from the last run, or made here).
void MainMenu::showLinkSettings() {
    const LinkSettings s = session_.linkSettings();
    reconnect_->setChecked(s.reconnect);
    if (QAction* a = echoActions_.value(echoModeKey(s.echo))) a->setChecked(true);
    if (QAction* a = directionActions_.value(directionLineKey(s.direction))) a->setChecked(true);
}

// A serial device server typed by the engineer joins the port list (and is remembered) and is selected.
void MainMenu::addNetworkPort() {
    const QString typed =
        dialogs_
            .input(Texts::tr("Адрес сервера последовательных портов (режим TCP-сервера), УЗЕЛ:ПОРТ:"),
                   Texts::tr("Сервер портов TCP"), QStringLiteral("tcp://"))
            .trimmed();
    if (typed.isEmpty() || typed == QLatin1String("tcp://")) return;
    // The example on a line of its own: a message box would break it after "//".
    const std::optional<QString> name = session_.addServer(typed);
    if (!name)
        return dialogs_.message(Texts::tr("Адрес сервера портов «%1» не понят.\n"
                                          "Нужно УЗЕЛ:ПОРТ, например 192.168.0.7:4001,\n"
                                          "порт от 1 до 65535.")
                                    .arg(typed.left(80)),
                                Dialogs::Icon::Exclamation);
    emit serverAdded(*name);
}

void MainMenu::showAbout() {
    dialogs_.message(Texts::tr("%1 %2\n"
                               "Сервисная программа для считывателей, радиометок и мостов на шине RS-485.\n\n"
                               "Qt %3\n"
                               "Лицензия: MIT")
                         .arg(kAppTitle, QStringLiteral(KESTREL_VERSION), QString::fromLatin1(qVersion())),
                     Dialogs::Icon::None, Texts::tr("О программе"));
}

}  // namespace kestrel
